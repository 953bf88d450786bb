// The scanner and parser: which patterns are refused and with which message,
// how escapes and brackets read, and the shape of the parse tree.
#include "ERegExpParser.h"
#include "Sjis.h"
#include "TAWKStr.h"
#include "TREParser.h"
#include "TREScanner.h"

#include <gtest/gtest.h>

#include <set>

namespace verdane::regex {
namespace {

using test::Sjis;

std::string CompileError(const std::string& pattern) {
    TAWKStr awk;
    try {
        awk.SetRegExp(pattern);
    } catch (const ERegExpParser& e) {
        EXPECT_TRUE(awk.RegExp().empty());
        EXPECT_EQ(awk.CurrentEntry(), 0u);
        return e.what();
    }
    return "";
}

struct BadPattern {
    std::string pattern;
    const char* message;
};

class PatternsThatFail : public ::testing::TestWithParam<BadPattern> {};

TEST_P(PatternsThatFail, RaiseTheirExactMessage) {
    EXPECT_EQ(CompileError(GetParam().pattern), GetParam().message) << GetParam().pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Messages, PatternsThatFail,
    ::testing::Values(
        BadPattern{"a\x82", "不正な２バイト文字コードです。"},
        BadPattern{"\\\x82", "不正な２バイト文字コードです。"},
        BadPattern{"ab\\", "\"\\\"の次には文字が必要です。"},
        BadPattern{"\\xg", "不正な１６進数コード表記です。"},
        BadPattern{"\\x", "不正な１６進数コード表記です。"},
        BadPattern{"\\777777", "不正な８進数コード表記です。"},
        BadPattern{"[", "右ブラケット\"]\"が必要です"},
        BadPattern{"[a", "右ブラケット\"]\"が必要です"},
        BadPattern{"[a-", "右ブラケット\"]\"が必要です"},
        BadPattern{"[ab", "右ブラケット\"]\"が必要です"},
        BadPattern{"[^", "右ブラケット\"]\"が必要です"},
        BadPattern{"[z-a]", "不正なキャラクタ範囲です"},
        BadPattern{")", "正規表現に余分な文字があります"},
        BadPattern{"a)b", "正規表現に余分な文字があります"},
        BadPattern{"(a", "右(閉じ)括弧が必要です"},
        BadPattern{"((a)", "右(閉じ)括弧が必要です"},
        BadPattern{"*a", "普通の文字、または左括弧\"(\"が必要です"},
        BadPattern{"a**", "普通の文字、または左括弧\"(\"が必要です"},
        BadPattern{"a+?", "普通の文字、または左括弧\"(\"が必要です"},
        BadPattern{"a]", "普通の文字、または左括弧\"(\"が必要です"},
        BadPattern{"a|*", "普通の文字、または左括弧\"(\"が必要です"},
        BadPattern{"[]", "不正なキャラクタクラス指定です。"},
        BadPattern{"[]a]", "不正なキャラクタクラス指定です。"},
        BadPattern{"[^]", "不正なキャラクタクラス指定です。"},
        BadPattern{std::string(501, '(') + std::string(501, ')'), "正規表現の括弧の入れ子が深すぎます（上限 500 段）"}));

TEST(PatternsThatFail, ReportTheScanPosition) {
    TAWKStr awk;
    try {
        awk.SetRegExp("ab(c");
        FAIL();
    } catch (const ERegExpParser& e) {
        EXPECT_EQ(e.Position(), 5);  // past the last byte, 1-based
    }
}

TEST(PatternsThatFail, AutomataBeyondTheBudgetAreRefusedNotBuilt) {
    // (a|b)*a(a|b){16}: the DFA has to remember the last 17 letters.
    std::string pattern = "(a|b)*a";
    for (int i = 0; i < 16; ++i) pattern += "(a|b)";
    EXPECT_EQ(CompileError(pattern), msg::kTooComplex);
    // Each "+" copies its operand, so nested "+" double the automaton.
    std::string nested = "a";
    for (int i = 0; i < 24; ++i) nested = "(" + nested + "b)+";
    EXPECT_EQ(CompileError(nested), msg::kTooComplex);
}

TEST(PatternsThatCompile, IncludeTheEdgeCasesOfTheSyntax) {
    for (std::string pattern : {"", "()", "a|", "|", "[a-]", "[-a]", "[\\]]", "[\\-]", "a^b", "(a$)*", "^", "$",
                                "^$", "[.*+?(|)^$]", "\\0*", "\\x0", "[^\\x01-\\xFFFF]", "\\xFFFD", "\\18"}) {
        TAWKStr awk;
        EXPECT_NO_THROW(awk.SetRegExp(pattern)) << pattern;
    }
    TAWKStr awk;
    EXPECT_NO_THROW(awk.SetRegExp(Sjis("[ぁ-ん]+表")));
    EXPECT_NO_THROW(awk.SetRegExp(std::string(500, '(') + std::string(500, ')')));
}

struct ScannedChar {
    std::string pattern;
    std::vector<std::uint16_t> codes;
};

class Escapes : public ::testing::TestWithParam<ScannedChar> {};

TEST_P(Escapes, NameTheirCodes) {
    TREScanner scanner(GetParam().pattern);
    std::vector<std::uint16_t> codes;
    while (scanner.GetToken() == tkChar) codes.push_back(scanner.symbol);
    EXPECT_EQ(scanner.token, tkEnd);
    EXPECT_EQ(codes, GetParam().codes) << GetParam().pattern;
}

INSTANTIATE_TEST_SUITE_P(Codes, Escapes,
                         ::testing::Values(ScannedChar{"\\x41", {0x41}}, ScannedChar{"\\x4142", {0x4142}},
                                           ScannedChar{"\\x414243", {0x4142, '4', '3'}},
                                           ScannedChar{"\\x82a0", {0x82A0}}, ScannedChar{"\\101", {0x41}},
                                           ScannedChar{"\\18", {1, '8'}}, ScannedChar{"\\177777", {0xFFFF}},
                                           ScannedChar{"\\b\\n\\r\\t", {8, 10, 13, 9}},
                                           ScannedChar{"\\.\\8\\\\", {'.', '8', '\\'}},
                                           ScannedChar{"\\\x95\x5C", {0x955C}},
                                           ScannedChar{"\x83\x41" "A", {0x8341, 'A'}}));

TEST(Brackets, ReadHyphensAndBracketsAsMembersWhereTheyCannotBeRanges) {
    auto members = [](const std::string& pattern) {
        TREScanner scanner(pattern);
        std::vector<std::pair<int, int>> out;
        EXPECT_EQ(scanner.GetToken(), tkLBracket);
        while (scanner.GetToken() != tkRBracket) {
            if (scanner.token == tkChar)
                out.emplace_back(scanner.symbol, scanner.symbol);
            else
                out.emplace_back(scanner.symbol, scanner.rangeEnd);
        }
        return out;
    };
    using P = std::vector<std::pair<int, int>>;
    EXPECT_EQ(members("[a-]"), (P{{'a', 'a'}, {'-', '-'}}));
    EXPECT_EQ(members("[-a]"), (P{{'-', '-'}, {'a', 'a'}}));
    EXPECT_EQ(members("[\\]]"), (P{{']', ']'}}));
    EXPECT_EQ(members("[a\\-z]"), (P{{'a', 'a'}, {'-', '-'}, {'z', 'z'}}));
    EXPECT_EQ(members("[[.*^]"), (P{{'[', '['}, {'.', '.'}, {'*', '*'}, {'^', '^'}}));
    EXPECT_EQ(members(Sjis("[ぁ-ん]")), (P{{0x829F, 0x82F1}}));
}

TEST(ParseTree, EmptyPatternsAreOneEmptyNode) {
    for (const char* pattern : {"", "()"}) {
        TREParser parser(pattern);
        parser.Run();
        // "()" is a group (for a replacement's "\1") around the empty node.
        const auto& nodes = parser.Tree().Nodes();
        int node = parser.Tree().root;
        if (nodes[node].op == opGroup) node = nodes[node].left;
        EXPECT_EQ(nodes[node].op, opEmpty) << pattern;
    }
}

std::set<std::pair<int, int>> LeafRanges(const std::string& pattern) {
    TREParser parser(pattern);
    parser.Run();
    std::set<std::pair<int, int>> ranges;
    for (int leaf : parser.Tree().Leaves()) ranges.emplace(parser.Tree().Nodes()[leaf].from, parser.Tree().Nodes()[leaf].to);
    return ranges;
}

TEST(ParseTree, LeavesAreMadeDisjoint) {
    using S = std::set<std::pair<int, int>>;
    EXPECT_EQ(LeafRanges("[a-cb-d]"), (S{{'a', 'a'}, {'b', 'c'}, {'d', 'd'}}));
    // A literal "^" takes part in the splitting like any other character.
    EXPECT_EQ(LeafRanges("a^|[!-~]"), (S{{'!', ']'}, {'^', '^'}, {'_', '`'}, {'a', 'a'}, {'b', '~'}}));
}

TEST(ParseTree, NegatedBracketsBecomeExplicitRanges) {
    using S = std::set<std::pair<int, int>>;
    EXPECT_EQ(LeafRanges("[^a-z]"), (S{{1, 9}, {11, 12}, {14, 0x60}, {0x7B, 0xFCFC}}));
    EXPECT_EQ(LeafRanges("[^\\n]"), (S{{1, 9}, {11, 12}, {14, 0xFCFC}}));
    // Nothing is left: the bracket matches no character at all.
    TREParser parser("[^\\x01-\\xFFFF]");
    parser.Run();
    EXPECT_EQ(parser.Tree().Nodes()[parser.Tree().root].op, opNothing);
}

TEST(ParseTree, PlusSharesItsOperand) {
    TREParser parser("x+");
    parser.Run();
    const auto& nodes = parser.Tree().Nodes();
    const TRENode& root = nodes[parser.Tree().root];
    ASSERT_EQ(root.op, opConcat);
    ASSERT_EQ(nodes[root.right].op, opClosure);
    EXPECT_EQ(nodes[root.right].left, root.left);
}

}  // namespace
}  // namespace verdane::regex
