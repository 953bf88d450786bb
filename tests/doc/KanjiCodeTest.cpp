// Detection and conversion of JIS, EUC-JP, Shift-JIS and UTF-8 texts, with nkf
// as the peer for whole texts.
#include "KanjiCode.h"
#include "SampleTexts.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

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
        Case{"JisKatakanaSetCopiesBytes", Hex("1B 24 42 30 21 1B 28 49 31 32"), 2, Hex("88 9F 31 32")},
        Case{"Euc", Hex("B0 A1 B0 F5 41"), 4, Hex("88 9F 88 F3 41")},
        Case{"EucHalfWidthKatakana", Hex("8E B1 B0 F5"), 4, Hex("B1 88 F3")},
        Case{"EucCutInPair", Hex("B0 F5 B0"), 4, Hex("88 F3")},
        Case{"EucCutAfterKatakanaPrefix", Hex("B0 F5 8E"), 4, Hex("88 F3")},
        Case{"EucOrSjisUndecided", Hex("B0 A1 41"), 6, Hex("B0 A1 41")},
        Case{"HalfWidthKatakanaOnly", Hex("B1 B2 B3 B4 DF"), 6, Hex("B1 B2 B3 B4 DF")},
        Case{"ShiftJis", kHiragana, 5, kHiragana},
        Case{"LookAheadFindsShiftJis", Hex("C8 E0 41 81 40 41"), 5, Hex("C8 E0 41 81 40 41")},
        Case{"LookAheadFindsEuc", Hex("C8 E0 C1 FD A1"), 4, Hex("94 DE 91 9D")},
        Case{"LookAheadEndsBelow40", Hex("C8 E0 30 82 A0"), 5, Hex("C8 E0 30 82 A0")},
        Case{"E0LeadWithLowTrailIsShiftJis", Hex("E0 40 41"), 5, Hex("E0 40 41")},
        Case{"F0IsEuc", Hex("F0 A1 41"), 4, Hex("E8 9F 41")},
        Case{"Utf8", "\xE3\x81\x82\xE3\x80\x9C", 7, Hex("82 A0 81 60")},
        Case{"Utf8ByteOrderMarkAlone", Hex("EF BB BF"), 7, ""},
        Case{"Utf8WithByteOrderMark", Hex("EF BB BF E6 97 A5 41"), 7, Hex("93 FA 41")},
        Case{"Utf8CharacterMissingInCp932", "caf\xC3\xA9 \xF0\x9F\x98\x80", 7, "caf? ?"},
        Case{"Utf8AfterControlByteIsBinary", Hex("01 E3 81 82"), 1, Hex("01 E3 81 82")},
        Case{"OverlongIsNotUtf8", Hex("C0 AF 82 A0"), 5, Hex("C0 AF 82 A0")}),
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
    EXPECT_EQ(Utf8ToCp932("a\x80" "b\xE3\x81" "c"), "a?b??c");
    EXPECT_EQ(Utf8ToCp932("\xED\xA0\x80"), "???");  // a surrogate
    EXPECT_EQ(Utf8ToCp932("\xEF\xBB\xBF" "a\xEF\xBB\xBF"), "a?");  // only a leading mark is dropped
    EXPECT_EQ(ToHex(Utf8ToCp932("\xEF\xBD\xB1\xE2\x91\xA0")), "B1 87 40");  // half-width katakana, circled one
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
    // before converts up to the cut; one that no longer tells stays as it is.
    static void ExpectCutsConvertUpToTheCut(const std::string& whole, const std::string& converted) {
        const int code = DetectKanjiCode(whole);
        for (std::size_t cut = 1; cut < 600; ++cut) {
            const std::string prefix = whole.substr(0, cut);
            std::string part = prefix;
            ConvertKanjiCodeInPlace(part, kcShiftJis);
            if (DetectKanjiCode(prefix) == code)
                ASSERT_EQ(converted.compare(0, part.size(), part), 0) << cut;
            else
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
                 {Hex("E3 81 82"), kcUtf8},                {Hex("B0 A1"), kcEucOrSjis}};
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

}  // namespace
}  // namespace verdane
