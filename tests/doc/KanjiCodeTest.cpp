// Detection and conversion of JIS, EUC-JP, Shift-JIS and UTF-8 texts, with nkf
// as the peer for whole texts.
#include "KanjiCode.h"
#include "SampleTexts.h"
#include "TestSupport.h"

#include "Cp932Table.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <optional>
#include <random>

namespace verdane {
namespace {

using test::Hex;
using test::ToHex;

struct Case {
    const char* name;
    std::string text;
    int code;
    std::string converted;
};

class KanjiExample : public ::testing::TestWithParam<Case> {};

TEST_P(KanjiExample, DetectsAndConvertsToShiftJis) {
    const auto& c = GetParam();
    EXPECT_EQ(DetectKanjiCode(c.text), c.code);
    EXPECT_EQ(ToHex(ConvertKanjiCode(c.text, kcShiftJis)), ToHex(c.converted));
    std::string inPlace = c.text;
    ConvertKanjiCodeInPlace(inPlace, kcShiftJis);
    EXPECT_EQ(ToHex(inPlace), ToHex(c.converted));
}

const std::string kHiragana = Hex("82 A0");
std::string Repeat(const std::string& s, int times) {
    std::string out;
    for (int k = 0; k < times; ++k) out += s;
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, KanjiExample,
    ::testing::Values(
        Case{"Empty", "", 0, ""},
        Case{"Ascii", "plain text\r\n", 0, "plain text\r\n"},
        Case{"ControlByteIsBinary", Hex("41 05 42"), 1, Hex("41 05 42")},
        Case{"FFBeforeDecisionIsBinary", Hex("41 FF B0 A1 B0 F5"), 1, Hex("41 FF B0 A1 B0 F5")},
        Case{"LastByteAloneIsNotLookedAt", Hex("41 42 05"), 0, Hex("41 42 05")},
        Case{"JisB", Hex("1B 24 42 30 21 1B 28 42 41"), 2, Hex("88 9F 41")},
        Case{"JisAt", Hex("1B 24 40 24 22 1B 28 4A 41"), 3, Hex("82 A0 41")},
        Case{"JisDoubleByteAcrossLineEnd", Hex("1B 24 42 30 21 0D 0A 1B 28 42"), 2, Hex("88 9F 77 29")},
        Case{"JisCutInEscape", Hex("1B 24 42 30 21 1B 28"), 2, Hex("88 9F")},
        Case{"JisCutInPair", Hex("1B 24 42 30 21 30"), 2, Hex("88 9F")},
        Case{"JisEscapeAtEnd", Hex("1B 24 42 30 21 1B"), 2, Hex("88 9F")},
        Case{"JisKatakanaSet", Hex("1B 24 42 30 21 1B 28 49 31 32"), 2, Hex("88 9F B1 B2")},
        Case{"JisKatakanaOnly", Hex("1B 28 49 31 5F 21 1B 28 42 41"), 2, Hex("B1 DF A1 41")},
        Case{"JisKatakanaKeepLineEndsAndSpaces", Hex("1B 28 49 31 0D 0A 20 32 1B 28 42"), 2, Hex("B1 0D 0A 20 B2")},
        Case{"JisShiftOutShiftIn", Hex("1B 24 42 30 21 1B 28 42 0E 31 32 0F 41"), 2, Hex("88 9F B1 B2 41")},
        Case{"JisShiftOutInDoubleByteSet", Hex("1B 24 42 30 21 0E 31 0F 30 21"), 2, Hex("88 9F B1 88 9F")},
        Case{"JisKatakanaDesignatedForShiftOut", Hex("1B 29 49 41 0E 31 0D 0A 0F 42"), 2, Hex("41 B1 0D 0A 42")},
        Case{"JisFourByteKanjiSet", Hex("1B 24 28 42 30 21 1B 28 42 41"), 2, Hex("88 9F 41")},
        Case{"JisSupplementarySet", Hex("1B 24 28 44 22 37 2A 23 0D 0A 1B 24 42 3B 7A 1B 28 42 0D 0A"), 2,
             Hex("81 60 81 AC 81 AC 8E 9A 0D 0A")},
        Case{"JisForeignSetBecomesGeta", Hex("1B 24 42 30 21 1B 24 41 30 21 1B 24 28 43 30 21 1B 28 42 41"), 2,
             Hex("88 9F 81 AC 81 AC 41")},
        Case{"JisFourByteEscapeCut", Hex("1B 24 42 30 21 1B 24 28"), 2, Hex("88 9F")},
        Case{"ShiftOutWithoutEscapeTellsNothing", Hex("41 0E 31 0F 42"), 0, Hex("41 0E 31 0F 42")},
        Case{"Euc", Hex("B0 A1 B0 F5 41"), 4, Hex("88 9F 88 F3 41")},
        Case{"EucHalfWidthKatakana", Hex("8E B1 B0 F5"), 4, Hex("B1 88 F3")},
        Case{"EucCutInPair", Hex("B0 F5 B0"), 4, Hex("88 F3")},
        Case{"EucCutAfterKatakanaPrefix", Hex("B0 F5 8E"), 4, Hex("88 F3")},
        Case{"UndecidedIsEucWhereItHoldsKanji", Hex("B0 A1 41"), 4, Hex("88 9F 41")},
        // Three-byte codes (JIS X 0212): CP932's own character, else the geta mark.
        Case{"EucThreeByteHeldByCp932", Hex("8F A2 B7 A4 F3"), 4, Hex("81 60 82 F1")},
        Case{"EucThreeByteMissingInCp932", Hex("A4 F3 8F A2 AF 0D 0A B0 F5"), 4, Hex("82 F1 81 AC 0D 0A 88 F3")},
        Case{"EucThreeByteKeepsTheLineEnd", Hex("B0 F5 8F A2 B7 0D 0A 41"), 4, Hex("88 F3 81 60 0D 0A 41")},
        Case{"EucThreeByteUnassigned", Hex("B0 F5 8F A1 A1 41"), 4, Hex("88 F3 81 AC 41")},
        Case{"EucThreeByteWithoutThirdByte", Hex("B0 F5 8F A2 0D 0A"), 4, Hex("88 F3 81 AC 0D 0A")},
        Case{"EucThreeByteWithoutCodeBytes", Hex("B0 F5 8F 0D 0A 8F 8E B1"), 4, Hex("88 F3 3F 0D 0A 3F B1")},
        Case{"EucThreeByteCutAtTheEnd", Hex("B0 F5 8F A2"), 4, Hex("88 F3")},
        Case{"EucThreeByteLeadAtTheEnd", Hex("B0 F5 8F"), 4, Hex("88 F3")},
        Case{"EucThreeByteAloneStaysUndecided", Hex("8F A2 B7 41"), 6, Hex("8F A2 B7 41")},
        Case{"EucThreeByteWithFEDecides", Hex("8F A2 FE 41"), 4, Hex("81 AC 41")},
        Case{"EucThreeByteInTheLookAhead", Hex("C8 E0 8F A2 B7 C1 FD A1"), 4, Hex("94 DE 81 60 91 9D")},
        Case{"ShiftJisLeadWithLowTrailIsShiftJis", Hex("8F 40 A4 F3"), 5, Hex("8F 40 A4 F3")},
        Case{"HalfWidthKatakanaMalformedAsEucIsShiftJis", Hex("B1 B2 B3 B4 DF"), 5, Hex("B1 B2 B3 B4 DF")},
        Case{"Utf16Le", Hex("FF FE 42 30 41 00 3D D8 00 DE 00 D8 41"), 8, Hex("82 A0 41 3F 3F 3F")},
        Case{"Utf16Be", Hex("FE FF 30 42 00 0D 00 0A 4E 9C"), 9, Hex("82 A0 0D 0A 88 9F")},
        Case{"ShiftJis", kHiragana, 5, kHiragana},
        Case{"LookAheadFindsShiftJis", Hex("C8 E0 41 81 40 41"), 5, Hex("C8 E0 41 81 40 41")},
        Case{"LookAheadFindsEuc", Hex("C8 E0 C1 FD A1"), 4, Hex("94 DE 91 9D")},
        Case{"LookAheadEndsBelow40", Hex("C8 E0 30 82 A0"), 5, Hex("C8 E0 30 82 A0")},
        Case{"E0LeadWithLowTrailIsShiftJis", Hex("E0 40 41"), 5, Hex("E0 40 41")},
        Case{"F0IsEuc", Hex("F0 A1 41"), 4, Hex("E8 9F 41")},
        Case{"Utf8", "\xE3\x81\x82\xE3\x80\x9C", 7, Hex("82 A0 81 60")},
        Case{"Utf8ByteOrderMarkAlone", Hex("EF BB BF"), 7, ""},
        Case{"Utf8WithByteOrderMark", Hex("EF BB BF E6 97 A5 41"), 7, Hex("93 FA 41")},
        Case{"Utf8CharacterMissingInCp932", "caf\xC3\xA9 \xF0\x9F\x98\x80", 7, "cafe ?"},
        Case{"Utf8AfterControlByteIsBinary", Hex("01 E3 81 82"), 1, Hex("01 E3 81 82")},
        Case{"OverlongIsNotUtf8", Hex("C0 AF 82 A0"), 5, Hex("C0 AF 82 A0")},
        Case{"OverlongThreeByteIsNotUtf8", Hex("E3 81 82 E0 80 AF"), 5, Hex("E3 81 82 E0 80 AF")},
        Case{"SurrogateIsNotUtf8", Hex("E3 81 82 ED A0 80"), 5, Hex("E3 81 82 ED A0 80")},
        Case{"Utf8CutAtTheEndIsNotUtf8", Hex("E3 81 82 E3 81"), 5, Hex("E3 81 82 E3 81")},
        Case{"Utf8ReplacementCharacter", Hex("EF BF BD 41"), 7, "?A"},
        Case{"Utf8ThreeByteCharacterMissingInCp932", Hex("E2 98 83 E3 81 82"), 7, Hex("3F 82 A0")},
        Case{"Utf8JisFormsOfCp932Characters", Hex("E2 80 94 E2 88 92 C2 A5"), 7, Hex("81 5C 81 7C 81 8F")},
        // CP932's IBM extensions and user-defined area: trail bytes EUC-JP never has.
        Case{"IbmExtensionFirstIsShiftJis", Hex("FA 40 81 40 82 A0 0D 0A"), 5, Hex("FA 40 81 40 82 A0 0D 0A")},
        Case{"IbmExtensionsAroundNecRowAreShiftJis", Hex("FA 5C 81 E0 FA 40 82 A0 82 A2 0D 0A"), 5,
             Hex("FA 5C 81 E0 FA 40 82 A0 82 A2 0D 0A")},
        Case{"UserDefinedAreaIsShiftJis", Hex("F0 9F 41"), 5, Hex("F0 9F 41")},
        Case{"FcWithEucTrailIsEuc", Hex("FC A1 41"), 4, Hex("EE 9F 41")},
        // UTF-16 and UTF-32 without a byte-order mark: every unit a character of a text.
        Case{"Utf16LeWithoutMark", Hex("42 30 41 00 0D 00 0A 00"), 8, Hex("82 A0 41 0D 0A")},
        Case{"Utf16BeWithoutMark", Hex("30 42 00 41 00 0D 00 0A"), 9, Hex("82 A0 41 0D 0A")},
        Case{"Utf32LeWithMark", Hex("FF FE 00 00 42 30 00 00 41 00 00 00"), 10, Hex("82 A0 41")},
        Case{"Utf32BeWithoutMark", Hex("00 00 30 42 00 00 00 41 00 00 00 0A"), 11, Hex("82 A0 41 0A")},
        Case{"ControlUnitIsBinary", Hex("41 00 01 00"), 1, Hex("41 00 01 00")},
        // A lone damaged sequence in a long UTF-8 text is one character replaced.
        Case{"Utf8WithOneOverlong", Repeat("\xE3\x81\x82", 20) + Hex("C0 AF E3 81 84"), 7,
             Repeat("\x82\xA0", 20) + "?\x82\xA2"},
        Case{"Utf8WithOneSurrogate", Repeat("\xE3\x81\x82", 20) + Hex("ED A0 80 41"), 7,
             Repeat("\x82\xA0", 20) + "?A"}),
    [](const auto& info) { return info.param.name; });

TEST(JisPairToSjis, MapsRowsAndCells) {
    auto pair = [](std::uint8_t a, std::uint8_t b) {
        const auto p = JisPairToSjis(a, b);
        return ToHex(std::string{static_cast<char>(p[0]), static_cast<char>(p[1])});
    };
    EXPECT_EQ(pair(0x24, 0x22), "82 A0");
    EXPECT_EQ(pair(0x21, 0x21), "81 40");
    EXPECT_EQ(pair(0x7E, 0x7E), "EF FC");
    EXPECT_EQ(pair(0x5F, 0x21), "E0 40");
    EXPECT_EQ(pair(0x21, 0x60), "81 80");
}

TEST(Utf8ToCp932, MarksMalformedBytesAndKeepsTheRest) {
    // A damaged sequence is one character: a sequence cut short, a surrogate,
    // an overlong form.
    EXPECT_EQ(Utf8ToCp932("a\x80" "b\xE3\x81" "c"), "a?b?c");
    EXPECT_EQ(Utf8ToCp932("\xED\xA0\x80"), "?");
    EXPECT_EQ(Utf8ToCp932("\xC0\xAF\xE0\x80\xAF\xF4\x90\x80\x80\xFF"), "????");
    EXPECT_EQ(Utf8ToCp932("\xEF\xBB\xBF" "a\xEF\xBB\xBF"), "a?");  // only a leading mark is dropped
    EXPECT_EQ(ToHex(Utf8ToCp932("\xEF\xBD\xB1\xE2\x91\xA0")), "B1 87 40");  // half-width katakana, circled one
}

// UTF-8 written plainly from the table of well-formed byte sequences: the
// length of the sequence at s[i] and its code point, or 0 when none starts there.
std::size_t WellFormed(std::string_view s, std::size_t i, char32_t& cp) {
    auto at = [&](std::size_t j) { return i + j < s.size() ? static_cast<std::uint8_t>(s[i + j]) : 0x100; };
    auto in = [](unsigned v, unsigned lo, unsigned hi) { return v >= lo && v <= hi; };
    const unsigned b = at(0);
    std::size_t len = 0;
    if (b < 0x80)
        len = 1;
    else if (in(b, 0xC2, 0xDF))
        len = in(at(1), 0x80, 0xBF) ? 2 : 0;
    else if (in(b, 0xE0, 0xEF))
        len = in(at(1), b == 0xE0 ? 0xA0 : 0x80, b == 0xED ? 0x9F : 0xBF) && in(at(2), 0x80, 0xBF) ? 3 : 0;
    else if (in(b, 0xF0, 0xF4))
        len = in(at(1), b == 0xF0 ? 0x90 : 0x80, b == 0xF4 ? 0x8F : 0xBF) && in(at(2), 0x80, 0xBF) &&
                      in(at(3), 0x80, 0xBF)
                  ? 4
                  : 0;
    if (len == 0) return 0;
    cp = len == 1 ? b : b & (0x7F >> len);
    for (std::size_t j = 1; j < len; ++j) cp = cp << 6 | (at(j) & 0x3F);
    return len;
}

// The conversion and the check a character at a time: a leading byte-order
// mark dropped, each damaged sequence "?", a character through the table, else
// the conversion policy's stand-in.
struct PlainUtf8 {
    std::string cp932;
    bool valid = true, multiByte = false;
};
PlainUtf8 PlainUtf8ToCp932(std::string_view s) {
    PlainUtf8 r;
    std::size_t i = s.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    r.multiByte = i == 3;
    while (i < s.size()) {
        char32_t cp = 0;
        const std::size_t len = WellFormed(s, i, cp);
        if (len == 0) {
            // A damaged sequence: its first byte and the continuation bytes its length takes.
            const auto b = static_cast<std::uint8_t>(s[i]);
            const std::size_t want = b >= 0xC0 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF7 ? 4 : 1;
            std::size_t k = 1;
            while (k < want && i + k < s.size() && (static_cast<std::uint8_t>(s[i + k]) & 0xC0) == 0x80) ++k;
            r.cp932 += '?';
            r.valid = false;
            i += k;
            continue;
        }
        r.multiByte |= len > 1;
        int code = cp932::Encode(cp);
        if (code < 0) {
            char standIn[kMaxWrittenBytes];
            r.cp932.append(standIn, WriteStandIn(cp, FileCode::ShiftJis, Lacking::Question, standIn));
        } else if (code > 0xFF)
            r.cp932 += {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        else
            r.cp932 += static_cast<char>(code);
        i += len;
    }
    return r;
}

std::string Utf8Of(char32_t cp) {
    std::string s;
    if (cp < 0x80) return std::string(1, static_cast<char>(cp));
    const int len = cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
    for (int j = len - 1; j > 0; --j) s.insert(s.begin(), static_cast<char>(0x80 | ((cp >> (6 * (len - 1 - j))) & 0x3F)));
    s.insert(s.begin(), static_cast<char>((0xF00 >> len) | (cp >> (6 * (len - 1)))));
    return s;
}

// Texts of every kind of sequence, ASCII runs of every length among them, each
// sequence landing on every side of the 16-byte steps and of the blocks the
// conversion works in; with `malformed`, broken sequences of every kind too.
std::string RandomUtf8(std::mt19937& rng, std::size_t size, bool malformed) {
    static const char* const kBroken[] = {"\x80", "\xE3\x81", "\xC0\xAF", "\xE0\x80\xAF", "\xF0\x80\x80\xAF",
                                          "\xED\xA0\x80", "\xF5\x80\x80\x80", "\xFE", "\xE3\x41\x42", "\xC3"};
    std::string s;
    while (s.size() < size) {
        switch (rng() % (malformed ? 9 : 8)) {
        case 0: s += std::string(rng() % 40, static_cast<char>('a' + rng() % 26)) + (rng() % 4 ? "" : "\n"); break;
        case 1: s += Utf8Of(0x3041 + rng() % 0x53); break;   // hiragana
        case 2: s += Utf8Of(0x4E00 + rng() % 0x5200); break; // kanji, some not in CP932
        case 3: s += Utf8Of(0xFF61 + rng() % 0x3F); break;   // half-width katakana
        case 4: s += Utf8Of(0xA0 + rng() % 0x760); break;    // two bytes
        case 5: s += Utf8Of(0x1F600 + rng() % 0x50); break;  // four bytes
        case 6: s += Utf8Of(std::array<char32_t, 5>{0xFFFD, 0x301C, 0xA5, 0x2212, 0xFF5E}[rng() % 5]); break;
        case 7: s += std::string(rng() % 20, 'x'); break;
        default: s += kBroken[rng() % std::size(kBroken)]; break;
        }
    }
    return s;
}

TEST(Utf8ToCp932, EqualsThePlainConversionOnEveryKindOfSequenceAndCut) {
    std::mt19937 rng(11);
    std::vector<std::string> texts;
    for (int round = 0; round < 8; ++round) {
        // Past two blocks of the conversion, from every alignment.
        texts.push_back(std::string(round % 4, 'a') + RandomUtf8(rng, 140000, round >= 4));
    }
    for (int round = 0; round < 300; ++round) texts.push_back(RandomUtf8(rng, rng() % 100, round % 3 == 0));
    // Each kind of sequence cut by the end of a block, a byte-order mark first.
    for (const char* tail : {"\xC3\xA9", "\xE6\x97\xA5", "\xF0\x9F\x98\x80", "\xE6\x97", "\xE6\x97\x41"})
        for (std::size_t pad : {32764u, 32765u, 32766u, 32767u, 32768u, 65535u, 65536u})
            texts.push_back("\xEF\xBB\xBF" + std::string(pad, 'q') + tail + "\xE3\x81\x82z");
    for (const auto& text : texts) {
        const PlainUtf8 plain = PlainUtf8ToCp932(text);
        const std::string what = std::to_string(text.size()) + " bytes: " + ToHex(text.substr(0, 24));
        ASSERT_EQ(Utf8ToCp932(text), plain.cp932) << what;
        ASSERT_EQ(IsUtf8Text(text), plain.valid && plain.multiByte) << what;
        const std::string converted = ConvertKanjiCode(text, kcShiftJis);
        if (plain.valid && plain.multiByte) {
            ASSERT_EQ(converted, plain.cp932) << what;
        }
        // Converted while checked, or checked first and converted in place: the same.
        std::string inPlace = text;
        ConvertKanjiCodeInPlace(inPlace, kcShiftJis);
        ASSERT_EQ(inPlace, converted) << what;
        ASSERT_EQ(ConvertedToShiftJis(text).value_or(text), converted) << what;
    }
}

// nkf converts the prose to JIS and EUC-JP; converting back must give what nkf
// gives for Shift-JIS, half-width katakana included for EUC.
class AgainstNkf : public ::testing::Test {
protected:
    static std::string Nkf(const std::vector<std::string>& options, std::string_view input) {
        auto r = test::RunProcess("/usr/bin/nkf", options, input);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out;
    }
    // Cut anywhere, even inside an escape or a pair, a text still detected as
    // before converts up to the cut (a UTF-8 character cut in two is one
    // damaged character); one that no longer tells stays as it is.
    static void ExpectCutsConvertUpToTheCut(const std::string& whole, const std::string& converted) {
        const int code = DetectKanjiCode(whole);
        for (std::size_t cut = 1; cut < 600; ++cut) {
            const std::string prefix = whole.substr(0, cut);
            std::string part = prefix;
            ConvertKanjiCodeInPlace(part, kcShiftJis);
            if (code == kcUtf8 && part.ends_with('?')) part.pop_back();
            if (DetectKanjiCode(prefix) == code)
                ASSERT_EQ(converted.compare(0, part.size(), part), 0) << cut;
            else if (DetectKanjiCode(prefix) != kcEuc)  // a few bytes may read as EUC-JP kanji
                ASSERT_EQ(part, prefix) << cut;
        }
    }
    const std::string text = samples::JapaneseProse() + samples::EnglishProse() +
                             Hex("B6 C0 B6 C5 20 DB B0 CF BC DE 0D 0A");  // half-width katakana
};

TEST_F(AgainstNkf, JisTextsConvertLikeNkf) {
    for (const char* jisOption : {"-j", "--oc=ISO-2022-JP"}) {
        const std::string jis = Nkf({"-S", jisOption}, text);
        EXPECT_EQ(DetectKanjiCode(jis), kcJisB);
        const std::string converted = ConvertKanjiCode(jis, kcShiftJis);
        EXPECT_EQ(converted, Nkf({"-J", "-s"}, jis));
        ExpectCutsConvertUpToTheCut(jis, converted);
    }
}

TEST_F(AgainstNkf, EucTextsConvertLikeNkf) {
    const std::string euc = Nkf({"-S", "-e", "-x"}, text);
    EXPECT_EQ(DetectKanjiCode(euc), kcEuc);
    const std::string converted = ConvertKanjiCode(euc, kcShiftJis);
    EXPECT_EQ(converted, Nkf({"-E", "-s", "-x"}, euc));
    EXPECT_EQ(converted, text);
    ExpectCutsConvertUpToTheCut(euc, converted);
}

TEST_F(AgainstNkf, ShiftJisAndUtf8Texts) {
    EXPECT_EQ(DetectKanjiCode(text), kcShiftJis);
    EXPECT_EQ(ConvertKanjiCode(text, kcShiftJis), text);
    const std::string utf8 = Nkf({"-S", "-w", "-x"}, text);
    EXPECT_EQ(DetectKanjiCode(utf8), kcUtf8);
    EXPECT_EQ(ConvertKanjiCode(utf8, kcShiftJis), text);
    ExpectCutsConvertUpToTheCut("\xEF\xBB\xBF" + utf8, text);
}

TEST_F(AgainstNkf, JisTextsWithHalfWidthKatakanaConvertLikeNkf) {
    // nkf -x writes half-width katakana with ESC ( I.
    const std::string jis = Nkf({"-S", "-j", "-x"}, text);
    ASSERT_NE(jis.find("\x1B(I"), std::string::npos);
    EXPECT_EQ(DetectKanjiCode(jis), kcJisB);
    const std::string converted = ConvertKanjiCode(jis, kcShiftJis);
    EXPECT_EQ(converted, Nkf({"-J", "-s", "-x"}, jis));
    EXPECT_EQ(converted, text);
    ExpectCutsConvertUpToTheCut(jis, converted);
    // The same katakana between SO and SI (shifted back in before every escape).
    std::string shifted;
    bool out = false;
    for (std::size_t k = 0; k < jis.size(); ++k) {
        if (jis.compare(k, 3, "\x1B(I") == 0) {
            shifted += '\x0E';
            out = true;
            k += 2;
            continue;
        }
        if (jis[k] == '\x1B' && out) {
            shifted += '\x0F';
            out = false;
        }
        shifted += jis[k];
    }
    ASSERT_NE(shifted.find('\x0E'), std::string::npos);
    EXPECT_EQ(DetectKanjiCode(shifted), kcJisB);
    EXPECT_EQ(ConvertKanjiCode(shifted, kcShiftJis), Nkf({"-J", "-s", "-x"}, shifted));
    EXPECT_EQ(ConvertKanjiCode(shifted, kcShiftJis), text);
}

// iconv writes EUC-JP with three-byte codes (JIS X 0212) for characters JIS X
// 0208 lacks; each must come back as CP932 writes it, or as the geta mark.
class AgainstIconv : public ::testing::Test {
protected:
    static std::string Iconv(const std::vector<std::string>& options, std::string_view input) {
        auto r = test::RunProcess("/usr/bin/iconv", options, input);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out;
    }
    const std::string geta = Hex("81 AC");
};

TEST_F(AgainstIconv, JisX0212CharactersOfProseBecomeCp932OrTheGetaMark) {
    // Characters of JIS X 0212 that CP932 holds (the full-width tilde, IBM
    // extension kanji) and ones it lacks (accented letters, breve, rare kanji),
    // between ordinary kana and kanji, with line ends.
    const std::vector<std::string> characters = {
        "\xEF\xBD\x9E",  // ～ U+FF5E
        "\xE5\x81\x86",  // 偆 U+5046
        "\xE5\xB4\x8E",  // 崎 (JIS X 0208)
        "\xE9\xB5\xB0",  // 鵰 U+9D70
        "\xC3\x84",       // Ä U+00C4
        "\xCB\x98",       // ˘ U+02D8
        "\xE4\xB8\x82",  // 丂 U+4E02
        "\xC2\xA9",       // © U+00A9
    };
    std::string utf8 = "\xE3\x81\x82\xE3\x82\x93\r\n";  // あん
    std::string expected = Hex("82 A0 82 F1 0D 0A");
    for (const std::string& c : characters) {
        utf8 += c + "\xE5\xAD\x97\r\n";  // the character, 字, a line end
        const auto sjis = test::RunProcess("/usr/bin/iconv", {"-f", "UTF-8", "-t", "CP932"}, c);
        expected += (sjis.exitCode == 0 ? sjis.out : geta) + Hex("8E 9A 0D 0A");
    }
    const std::string euc = Iconv({"-f", "UTF-8", "-t", "EUC-JP"}, utf8);
    ASSERT_NE(euc.find("\x8F\xA2\xB7"), std::string::npos);  // ～ as iconv writes it
    EXPECT_EQ(DetectKanjiCode(euc), kcEuc);
    EXPECT_EQ(ToHex(ConvertKanjiCode(euc, kcShiftJis)), ToHex(expected));
    std::string inPlace = euc;
    ConvertKanjiCodeInPlace(inPlace, kcShiftJis);
    EXPECT_EQ(ToHex(inPlace), ToHex(expected));
    // The same characters in JIS, JIS X 0212 designated by ESC $ ( D.
    const std::string jis = Iconv({"-f", "UTF-8", "-t", "ISO-2022-JP-2"}, utf8);
    ASSERT_NE(jis.find("\x1B$(D"), std::string::npos);
    EXPECT_EQ(DetectKanjiCode(jis), kcJisB);
    EXPECT_EQ(ToHex(ConvertKanjiCode(jis, kcShiftJis)), ToHex(expected));
}

TEST_F(AgainstIconv, EveryThreeByteCodeConvertsAsIconvConvertsIt) {
    // Every code 0x8F 0xA1-0xFE 0xA1-0xFE on a line of its own; iconv -c drops a
    // character it cannot convert, so its lines stay aligned with the codes.
    std::string euc = Hex("A4 F3 0A");
    for (int b2 = 0xA1; b2 <= 0xFE; ++b2)
        for (int b3 = 0xA1; b3 <= 0xFE; ++b3) euc += std::string{'\x8F', char(b2), char(b3), '\n'};
    auto lines = [](const std::string& text) {
        std::vector<std::string> out;
        for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
            end = text.find('\n', at);
            out.push_back(text.substr(at, end - at));
        }
        return out;
    };
    auto iconv = [](const char* from, const char* to, const std::string& text) {
        return test::RunProcess("/usr/bin/iconv", {"-c", "-f", from, "-t", to}, text).out;
    };
    // A code is a character of JIS X 0212 when iconv reads it and writes the
    // character back as the same code. (iconv's reader also takes the codes
    // JIS X 0212 leaves free as the JIS X 0208 character at that place; those
    // write back as two bytes and are no character here.)
    const std::string utf8 = iconv("EUC-JP", "UTF-8", euc);
    const auto codes = lines(euc), read = lines(utf8), back = lines(iconv("UTF-8", "EUC-JP", utf8)),
               cp932 = lines(iconv("UTF-8", "CP932", utf8));
    // The codes EUC-JP leaves free are read as EUC-JP-MS reads them: Windows'
    // IBM extensions and user-defined characters.
    const auto viaMs = lines(iconv("EUC-JP-MS", "CP932", euc));
    ASSERT_EQ(DetectKanjiCode(euc), kcEuc);
    const auto ours = lines(ConvertKanjiCode(euc, kcShiftJis));
    ASSERT_EQ(ours.size(), 1 + 94 * 94u);
    for (const auto* other : {&read, &back, &cp932, &viaMs}) ASSERT_EQ(other->size(), ours.size());
    int held = 0, named = 0;
    for (std::size_t i = 1; i < ours.size(); ++i) {
        std::string expected = geta;
        if (!read[i].empty() && back[i] == codes[i]) {
            ++named;
            if (!cp932[i].empty()) expected = cp932[i];
        } else if (!viaMs[i].empty()) {
            expected = viaMs[i];
        }
        // The broken bar, which CP932 holds in its full-width form only (as
        // EUC-JP-MS reads this code).
        if (codes[i] == Hex("8F A2 C3")) expected = Hex("FA 55");
        held += expected != geta;
        ASSERT_EQ(ToHex(ours[i]), ToHex(expected)) << "code " << ToHex(codes[i]);
    }
    EXPECT_EQ(named, 6067);
    EXPECT_GT(held, 1000);
}

TEST(KanjiReplacements, ListTheCharactersShiftJisCannotHold) {
    const StandIn q{{U'?'}}, geta{{0x3013}};
    const struct {
        const char* name;
        std::string text;
        std::vector<KanjiReplacement> replaced;
    } cases[] = {
        {"Utf8", "a\xC2\xA9" "b\xF0\x9F\x98\x80\xE3\x81\x82\xE2\x98\x83",
         {{1, 2, 0xA9, q}, {4, 4, 0x1F600, q}, {11, 3, 0x2603, q}}},
        {"Utf8WithByteOrderMark", "\xEF\xBB\xBF\xC2\xA0x", {{3, 2, 0xA0, StandIn{{U' '}}}}},
        {"Utf8AllHeld", "\xE3\x81\x82\xEF\xBD\x9E", {}},
        {"EucThreeByteCodes", Hex("A4 F3 8F A2 AF 8F A2 B7 8F A1 A1 8F A2 0D 8F 41"),
         {{2, 3, 0x02D8, geta}, {8, 3, 0xFFFD, geta}, {11, 2, 0xFFFD, geta}, {14, 1, 0xFFFD, q}}},
        {"ShiftJisStaysAsItIs", Hex("82 A0 81 AC"), {}},
        {"JisSupplementaryAndForeignSets", Hex("1B 24 28 44 22 37 22 2F 1B 24 41 30 21 1B 28 42"),
         {{6, 2, 0x02D8, geta}, {11, 2, 0xFFFD, geta}}},
        // Starts as UTF-8 but is EUC-JP: only the EUC-JP conversion's list counts.
        {"NotUtf8AfterAll", "\xC2\xA9" + Hex("A4 F3 8F A2 AF"), {{4, 3, 0x02D8, geta}}},
    };
    for (const auto& c : cases) {
        std::vector<KanjiReplacement> replaced{{99, 9, 9}};
        const auto converted = ConvertedToShiftJis(c.text, &replaced);
        EXPECT_EQ(replaced, c.replaced) << c.name;
        EXPECT_EQ(converted, ConvertedToShiftJis(c.text)) << c.name;
    }
    std::vector<KanjiReplacement> replaced;
    EXPECT_EQ(Utf8ToCp932("\xC3\xA9\xFFz", &replaced), "e?z");
    EXPECT_EQ(replaced, (std::vector<KanjiReplacement>{{0, 2, 0xE9, StandIn{{U'e'}}}, {2, 1, 0xFFFD, q}}));
}

TEST(ConvertKanjiCode, OtherTargetsLeaveTheTextAlone) {
    const std::string euc = Hex("B0 A1 B0 F5 41");
    EXPECT_EQ(ConvertKanjiCode(euc, kcEuc), euc);
    EXPECT_EQ(ConvertKanjiCode(euc, kcJisB), euc);
}

// Detection passes over plain ASCII several bytes at a time; the byte that
// decides must be seen wherever it falls, and in-place conversion must give
// what ConvertKanjiCode gives.
TEST(ConvertKanjiCode, TheDecidingByteCountsAtEveryOffsetAfterAscii) {
    const struct {
        std::string tail;
        int code;
    } tails[] = {{Hex("1B 24 42 30 21 1B 28 42"), kcJisB}, {Hex("B0 A1 B0 F5"), kcEuc},
                 {Hex("82 A0"), kcShiftJis},              {"x" + Hex("05") + "y", kcBinary},
                 {Hex("E3 81 82"), kcUtf8},                {Hex("B0 A1"), kcEuc}};
    for (const auto& t : tails) {
        for (std::size_t pad = 600; pad < 620; ++pad) {
            const std::string text = std::string(pad, 'a') + t.tail + "z";
            EXPECT_EQ(DetectKanjiCode(text), t.code) << ToHex(t.tail) << " after " << pad;
            std::string inPlace = text;
            ConvertKanjiCodeInPlace(inPlace, kcShiftJis);
            EXPECT_EQ(inPlace, ConvertKanjiCode(text, kcShiftJis)) << ToHex(t.tail) << " after " << pad;
        }
    }
}

// Short sentences the byte scan leaves undecided, and pages with and without
// a declared charset, as nkf writes them: read as iconv reads them.
TEST(KanjiCode, ShortJapaneseTextsAndPagesReadAsNkfAndIconvRead) {
    test::TempDir dir;
    const std::vector<std::string> sentences = {
        "\u543e\u8f29\u306f\u732b\u3067\u3042\u308b\u3002\u540d\u524d\u306f\u307e\u3060\u7121\u3044\u3002",
        "\u6771\u4eac", "\u304b\u306a", "\u300c\u9ebb\u96c0\u300d", "\u65e5\u672c\u8a9e\u306e\u6587\u3002\r\n"};
    const std::pair<const char*, const char*> codes[] = {{"-e", "EUC-JP"}, {"-s", "CP932"}};
    for (const std::string& sentence : sentences)
        for (const auto& [nkf, iconv] : codes)
            for (const std::string& meta : {std::string(), "<meta charset=\"" + std::string(iconv) + "\">"}) {
                const std::string page = meta.empty() ? sentence : "<html><head>" + meta + "</head>" + sentence;
                const auto text = test::RunProcess("/usr/bin/nkf", {"-W", nkf, "--no-best-fit-chars"}, page).out;
                const auto sjis = test::RunProcess("/usr/bin/iconv", {"-f", iconv, "-t", "CP932"}, text).out;
                const int expected = std::string(nkf) == "-e" ? kcEuc : kcShiftJis;
                EXPECT_EQ(PageKanjiCode("", text), expected) << ToHex(text);
                EXPECT_EQ(ToHex(ConvertedToShiftJisFrom(text, expected).value_or(text)), ToHex(sjis));
                if (meta.empty()) EXPECT_EQ(ToHex(ConvertKanjiCode(text, kcShiftJis)), ToHex(sjis));
                // The server's word comes first.
                EXPECT_EQ(PageKanjiCode("text/html; charset=\"UTF-8\"", text), kcUtf8);
            }
}

TEST(KanjiCode, DeclaredCharsets) {
    const struct {
        const char* contentType;
        std::string page;
        std::optional<int> code;
    } cases[] = {
        {"text/html;charset=Shift_JIS", "", kcShiftJis},
        {"text/html; charset=iso-8859-1", "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=x-sjis\">",
         kcShiftJis},
        {"", "<meta content='text/html; charset=euc-jp' http-equiv='content-type'>", kcEuc},
        {"", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>", kcShiftJis},
        {"", "<meta charset = ISO-2022-JP >", kcJisB},
        {"", "<meta name=\"x\"><meta charset=\"windows-31j\">", kcShiftJis},
        {"", std::string(4096, ' ') + "<meta charset=euc-jp>", std::nullopt},
        {"", "<meta charset=koi8-r>", std::nullopt},
        {"", "<p>charset=euc-jp</p>", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(DeclaredKanjiCode(c.contentType, c.page), c.code) << c.page;
    // A byte-order mark comes before any declaration.
    EXPECT_EQ(PageKanjiCode("text/html; charset=euc-jp", Hex("FF FE 3C 00")), kcUtf16Le);
    EXPECT_EQ(PageKanjiCode("text/html; charset=euc-jp", Hex("EF BB BF 3C")), kcUtf8);
    EXPECT_EQ(Utf16ToUtf8(Hex("FE FF 30 42 D8 3D DE 00 DC 00"), kcUtf16Be), "\u3042\U0001F600\uFFFD");
}

}  // namespace
}  // namespace verdane
