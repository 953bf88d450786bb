// Match: leftmost, then longest; line anchors with both line separators;
// whole characters only; texts that end in odd places.
#include "Sjis.h"
#include "TAWKStr.h"

#include <gtest/gtest.h>

namespace verdane::regex {
namespace {

using test::Sjis;

struct MatchCase {
    std::string pattern;
    std::string text;
    TMatchCORE_LineSeparator separator;
    int start;
    int length;
};

class MatchCases : public ::testing::TestWithParam<MatchCase> {};

TEST_P(MatchCases, FindTheLeftmostLongestMatch) {
    const MatchCase& c = GetParam();
    TAWKStr awk;
    awk.LineSeparator = c.separator;
    awk.SetRegExp(c.pattern);
    long long start = -1, length = -1;
    EXPECT_EQ(awk.Match(c.text, start, length), c.start);
    EXPECT_EQ(start, c.start) << c.pattern;
    EXPECT_EQ(length, c.length) << c.pattern;
}

const auto CRLF = mcls_CRLF;
const auto LF = mcls_LF;

INSTANTIATE_TEST_SUITE_P(
    Semantics, MatchCases,
    ::testing::Values(
        MatchCase{"b+", "abbbc", CRLF, 2, 3}, MatchCase{"x", "abc", CRLF, 0, 0}, MatchCase{"", "abc", CRLF, 1, 0},
        MatchCase{"a|ab", "xabc", CRLF, 2, 2}, MatchCase{"b*", "abc", CRLF, 1, 0},
        MatchCase{"^b", "a\nb", CRLF, 3, 1}, MatchCase{"^b", "a\r\nb", CRLF, 4, 1}, MatchCase{"^", "", CRLF, 1, 0},
        MatchCase{"^b", "ab", CRLF, 0, 0}, MatchCase{"a$", "xa\r\n", CRLF, 2, 1},
        MatchCase{"a$", "xa\n", CRLF, 0, 0}, MatchCase{"a$", "xa\n", LF, 2, 1}, MatchCase{"a$", "xa", CRLF, 2, 1},
        MatchCase{"a$", "xa", LF, 2, 1}, MatchCase{"^a|ab", "ab", CRLF, 1, 2}, MatchCase{".*", "ab\r\ncd", CRLF, 1, 2},
        MatchCase{"[^x]+", "ab\ncd", CRLF, 1, 2}, MatchCase{"$", "ab", CRLF, 3, 0},
        MatchCase{"^$", "a\n\nb", LF, 3, 0}, MatchCase{"^$", "a\n\nb", CRLF, 0, 0}, MatchCase{"x*$", "ab\r\n", CRLF, 3, 0},
        // A "$" that holds before the separator even though the pattern could go on past it.
        MatchCase{"a$|a\r\nx", "a\r\ny", CRLF, 1, 1},
        // "^" and "$" away from the ends are literal characters.
        MatchCase{"a^b", "a^b", CRLF, 1, 3}, MatchCase{"(a$)*b", "a$a$b", CRLF, 1, 5},
        MatchCase{"a^|[!-~]+", "xa^", CRLF, 1, 3},
        // Whole characters: the trail byte of "ア" (0x83 0x41) is not an "A".
        MatchCase{"A", "\x83\x41", CRLF, 0, 0}, MatchCase{"A", "\x83\x41" "A", CRLF, 3, 1},
        MatchCase{"\\x8341", "A\x83\x41", CRLF, 2, 2}, MatchCase{".", "\x83\x41", CRLF, 1, 2},
        // A lead byte at the end is a character of its own.
        MatchCase{"b.", "ab\x83", CRLF, 2, 2}, MatchCase{"\\x83", "ab\x83", CRLF, 3, 1},
        // The text ends at its first NUL byte.
        MatchCase{"b", std::string("a\0b", 3), CRLF, 0, 0}, MatchCase{"a.", std::string("a\x83\0b", 4), CRLF, 1, 2},
        // Code 0 and the reserved codes never match; a repetition of them does not loop.
        MatchCase{"\\0", "abc", CRLF, 0, 0}, MatchCase{"a\\0*", "xab", CRLF, 2, 1},
        MatchCase{"\\x0*b", "ab", CRLF, 2, 1}, MatchCase{"\\xFFFD|\\xFFFE|\\xFFFF", "ab\r\n", CRLF, 0, 0},
        MatchCase{"[^\\x01-\\xFFFF]", "abc", CRLF, 0, 0}, MatchCase{"a[^\\x01-\\xFFFF]*", "ab", CRLF, 1, 1}));

TEST(MatchJapanese, FindsDoubleByteCharactersAndRanges) {
    TAWKStr awk;
    long long start = 0, length = 0;
    awk.SetRegExp(Sjis("[ぁ-ん]+"));
    EXPECT_EQ(awk.Match(Sjis("漢字ひらがなカナ"), start, length), 5);
    EXPECT_EQ(length, 8);
    // 表 and ソ end in 0x5C, the byte of a backslash.
    awk.SetRegExp(Sjis("表ソ\\\\"));
    EXPECT_EQ(awk.Match(Sjis("予定表ソ\\"), start, length), 5);
    EXPECT_EQ(length, 5);
    awk.SetRegExp(Sjis("[ 　\\t]*(\\r\\n)"));
    EXPECT_EQ(awk.Match(Sjis("行末　 \t\r\n次"), start, length), 5);
    EXPECT_EQ(length, 6);
}

TEST(MatchLongFailingRuns, StayLinearInTheTextLength) {
    // From every start the pattern runs to the end of the spaces and fails;
    // what one run learnt ends the next one early.
    TAWKStr awk;
    long long start = 0, length = 0;
    std::string spaces(400000, ' ');
    awk.SetRegExp(" *x");
    EXPECT_EQ(awk.Match(spaces + "y", start, length), 0);
    // Runs from odd and even starts alternate between two states.
    awk.SetRegExp("(  )*x");
    EXPECT_EQ(awk.Match(spaces + "y", start, length), 0);
    EXPECT_EQ(awk.Match(" " + spaces + "x", start, length), 2);
    EXPECT_EQ(length, 400001);
    awk.SetRegExp(Sjis("[ 　\\t]*(\\r\\n)"));
    std::string wide;
    for (int i = 0; i < 200000; ++i) wide += "\x81\x40";
    std::string text = wide + "x\r\n" + wide + "\r\n";
    EXPECT_EQ(awk.Match(text, start, length), static_cast<int>(wide.size()) + 2);
    EXPECT_EQ(length, 2);
    std::string copy = text;
    EXPECT_EQ(awk.GSub("\\r\\n", copy), 2);
    EXPECT_EQ(copy, wide + "x\r\n\r\n");
}

}  // namespace
}  // namespace verdane::regex
