// Groups in replacements: "\1" to "\9" name the parenthesised groups of the
// pattern, by their opening parenthesis.
#include "Sjis.h"
#include "TAWKStr.h"

#include <gtest/gtest.h>

namespace verdane::regex {
namespace {

using test::Sjis;

struct GroupCase {
    const char* pattern;  // UTF-8, turned into Shift-JIS with the other texts
    const char* text;
    const char* replacement;
    const char* expected;
    bool fuzzy = false;
};

class GroupCases : public ::testing::TestWithParam<GroupCase> {};

TEST_P(GroupCases, ReplaceWithGroups) {
    const GroupCase& c = GetParam();
    TAWKStr awk;
    awk.SetUseFuzzyCharDic(c.fuzzy);
    awk.SetRegExp(Sjis(c.pattern));
    std::string text = Sjis(c.text);
    awk.GSub(Sjis(c.replacement), text);
    EXPECT_EQ(text, Sjis(c.expected)) << c.pattern << " / " << c.replacement;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, GroupCases,
    ::testing::Values(
        GroupCase{"((a)(b))c", "xabcx", "[\\1|\\2|\\3]", "x[ab|a|b]x"},
        GroupCase{"(a)|(b)", "ab", "<\\1,\\2>", "<a,><,b>"},
        // A repeated group keeps its last repetition; an inner group that
        // took no part in it keeps the text it had last.
        GroupCase{"(a|b)+", "abba!", "\\1", "a!"}, GroupCase{"(x.)*", "x1x2x3", "[\\1]", "[x3]"},
        GroupCase{"((a)|(b))+", "ab", "\\1\\2\\3", "bab"},
        // An optional group that did not match, and a group the pattern lacks.
        GroupCase{"a(b)?c", "ac abc", "<\\1>", "<> <b>"}, GroupCase{"(a)", "a", "\\1\\2\\9", "a"},
        GroupCase{"(a*)*b", "b", "[\\1]", "[]"},
        // Of the ways to match the same text, the first alternative is taken;
        // "^" and "$" decide by the text around the match.
        GroupCase{"(a|ab)(c|bcd)", "abcd", "\\1-\\2", "a-bcd"},
        GroupCase{"(^a)|(a)", "aa", "[\\1|\\2]", "[a|][|a]"}, GroupCase{"(a$)|(a)", "aa", "[\\1|\\2]", "[|a][a|]"},
        // Double-byte characters, one with a trail byte 0x5C, inside groups.
        GroupCase{"(漢)(字+)", "漢字字だ", "\\2\\1", "字字漢だ"}, GroupCase{"(表)示", "表示", "\\1\\1", "表表"},
        GroupCase{"([ァ-ヶ]+)(ー?)", "データ", "「\\1」", "「デ」「タ」"},
        // "\0" and "&" are the whole match, "\&" an ampersand, "\\" a backslash.
        GroupCase{"b(b)", "abbc", "\\0&\\&\\1", "abbbb&bc"}, GroupCase{"(a)", "a", "\\\\x\\\\\\1", "\\x\\a"},
        // The fuzzy rewriting groups without capturing: the numbers are the user's.
        GroupCase{"(ｶﾞ)(x)", "ガx", "\\2\\1", "xガ", true},
        GroupCase{"(a)(b)", "AB", "\\2\\1", "BA", true}));

}  // namespace
}  // namespace verdane::regex
