// The editor codec against glibc's CP932 converter and byte-exact round trips.
#include "EditorCodec.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <QList>

#include <random>

namespace verdane::platform {
namespace {

using test::Hex;
using test::ToHex;

// One code point through glibc iconv "CP932", or nothing when it refuses the bytes.
std::u32string IconvDecode(std::string_view bytes) {
    iconv_t cd = iconv_open("UTF-32LE", "CP932");
    std::string in(bytes);
    std::u32string out(bytes.size() + 1, U'\0');
    char* src = in.data();
    size_t srcLeft = in.size();
    char* dst = reinterpret_cast<char*>(out.data());
    size_t dstLeft = out.size() * 4;
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) return {};
    out.resize(out.size() - dstLeft / 4);
    return out;
}

std::u32string Ucs4(const QString& s) {
    std::u32string out;
    for (char32_t c : s.toUcs4()) out += c;
    return out;
}

TEST(EditorCodec, EveryDecodableSingleByteMatchesIconvAndEveryOtherIsEscaped) {
    for (int b = 0; b < 256; ++b) {
        if (b == '\r' || b == '\n') continue;
        const std::string bytes(1, static_cast<char>(b));
        const QString text = BytesToEditor(bytes);
        const std::u32string expected = IconvDecode(bytes);
        if (!expected.empty()) {
            EXPECT_EQ(Ucs4(text), expected) << "byte " << b;
        } else {
            ASSERT_EQ(text.size(), 1) << "byte " << b;
            EXPECT_EQ(text[0].unicode(), kEscapedByteBase + b) << "byte " << b;
        }
        EXPECT_EQ(EditorToBytes(text).bytes, bytes) << "byte " << b;
    }
}

TEST(EditorCodec, EveryDoubleByteCodeDecodesAsIconvAndComesBack) {
    int pairs = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead >= 0xA0 && lead < 0xE0) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
            const QString text = BytesToEditor(bytes);
            const std::u32string expected = IconvDecode(bytes);
            if (!expected.empty()) {
                ++pairs;
                EXPECT_EQ(Ucs4(text), expected) << ToHex(bytes);
                // Codes held twice come back in the one form Windows writes;
                // that form must decode to the same character.
                const std::string back = EditorToBytes(text).bytes;
                if (back != bytes) EXPECT_EQ(IconvDecode(back), expected) << ToHex(bytes);
            } else {
                EXPECT_EQ(EditorToBytes(text).bytes, bytes) << ToHex(bytes);
            }
        }
    }
    EXPECT_GT(pairs, 7900);
}

struct RoundTripCase {
    const char* name;
    const char* hex;
};

class EditorCodecRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(EditorCodecRoundTrip, CrLfTextComesBackByteForByte) {
    const std::string bytes = Hex(GetParam().hex);
    EXPECT_EQ(ToHex(EditorToBytes(BytesToEditor(bytes)).bytes), ToHex(bytes));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EditorCodecRoundTrip,
    testing::Values(
        RoundTripCase{"CircledDigitsAndRomanNumerals", "87 40 87 41 87 54 0D 0A FA 40 FA 55"},
        RoundTripCase{"HalfWidthKatakana", "B1 B2 B3 DE DF 0D 0A"},
        RoundTripCase{"StrayBytes", "80 41 A0 FD FE FF 0D 0A"},
        RoundTripCase{"LeadByteAtTheEnd", "41 42 82"},
        RoundTripCase{"LeadByteBeforeLineEnd", "82 0D 0A 41"},
        RoundTripCase{"LeadByteBeforeLeadByte", "82 82 A0"},
        RoundTripCase{"UnassignedPair", "85 40 85 85 40"},
        RoundTripCase{"UserDefinedArea", "F0 40 F9 FC"},
        RoundTripCase{"TrailByteIsBackslash", "95 5C 83 5C 0D 0A"},
        RoundTripCase{"ControlBytes", "00 1A 1C 7F 09 0D 0A"},
        RoundTripCase{"Empty", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EditorCodec, LineEndsOfEveryKindBecomeOneBreakAndComeBackAsCrLf) {
    const QString text = BytesToEditor("a\r\nb\nc\rd\r\r\ne");
    EXPECT_EQ(text, QString("a\nb\nc\nd\n\ne"));
    EXPECT_EQ(EditorToBytes(text).bytes, "a\r\nb\r\nc\r\nd\r\n\r\ne");
    EXPECT_EQ(EditorToBytes(QString::fromUtf16(u"x\u2029y")).bytes, "x\r\ny");
}

TEST(EditorCodec, RandomCrLfByteStringsComeBackUnchanged) {
    // Lead bytes of the rows that hold codes twice (0x87, 0xED, 0xEE, 0xFA-0xFC)
    // are left out: those codes are written in one form by design.
    auto duplicateRow = [](unsigned b) { return b == 0x87 || b == 0xED || b == 0xEE || b >= 0xFA; };
    std::mt19937 random(932);
    for (int round = 0; round < 5000; ++round) {
        std::string bytes;
        const int length = static_cast<int>(random() % 64);
        for (int i = 0; i < length; ++i) {
            unsigned b = random() % 256;
            if (random() % 20 == 0) {
                bytes += "\r\n";
                continue;
            }
            while (b == '\r' || b == '\n' || duplicateRow(b)) b = random() % 256;
            bytes += static_cast<char>(b);
        }
        ASSERT_EQ(ToHex(EditorToBytes(BytesToEditor(bytes)).bytes), ToHex(bytes));
    }
}

TEST(EditorCodec, CharactersCp932CannotHoldAreCountedAndWrittenAsTheirStandIns) {
    // An accented letter as its base letter, anything else as "?".
    const EncodeResult r = EditorToBytes(QString::fromUtf16(u"あ\u00E9b\U0001F600c"));
    EXPECT_EQ(r.bytes, "\x82\xA0" "eb?c");
    EXPECT_EQ(r.unencodable, 2u);
    EXPECT_EQ(r.firstUnencodable, 1);
    EXPECT_EQ(EditorToBytes(QString::fromUtf16(u"\u3042")).unencodable, 0u);
    // The JIS X 0208 forms Linux programs write are CP932's characters (as
    // glibc's CP932 writes them); the yen sign is not a backslash but the
    // full-width yen, counted as a stand-in.
    const EncodeResult jis = EditorToBytes(QString::fromUtf16(u"\u301C\u2212\u2016\u2014\u00A2\u00A5"));
    EXPECT_EQ(ToHex(jis.bytes), ToHex(Hex("81 60 81 7C 81 61 81 5C 81 91 81 8F")));
    EXPECT_EQ(jis.unencodable, 1u);
}

struct LackedCase {
    const char* name;
    std::u16string text;
    const char* hex;
    std::size_t unencodable;
};

class EditorCodecLacked : public testing::TestWithParam<LackedCase> {};

// Private-use characters of a UTF-8 text are characters like any other: CP932
// lacks them, so they are counted and written as "?", never as raw bytes.
TEST_P(EditorCodecLacked, IsCountedAndWrittenAsQuestionMark) {
    const LackedCase& c = GetParam();
    const EncodeResult r = EditorToBytes(QString::fromStdU16String(c.text));
    EXPECT_EQ(ToHex(r.bytes), ToHex(Hex(c.hex)));
    EXPECT_EQ(r.unencodable, c.unencodable);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EditorCodecLacked,
    testing::Values(LackedCase{"PrivateUseF7xx", u"x\uF741y\uF700z", "78 3F 79 3F 7A", 2},
                    LackedCase{"PrivateUseEdges", u"\uF780\uF7FF", "3F 3F", 2},
                    // A pair whose low half lies in the escape range is one character.
                    LackedCase{"PairWithLowHalfInEscapeRange", u"a\U00010080b", "61 3F 62", 1},
                    LackedCase{"EscapedBytesBesideThem", u"\uF7A0\xDCA0\uF700", "3F A0 3F", 2}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace verdane::platform
