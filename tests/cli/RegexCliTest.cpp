// verdane-cli html2text, match and gsub with real files on disk.
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

using verdane::test::Hex;
using verdane::test::ReadFile;
using verdane::test::RunCli;
using verdane::test::TempDir;
using verdane::test::WriteFile;

// "ガイド" in CP932, full-width and half-width.
const std::string kGuideWide = Hex("83 4B 83 43 83 68");
const std::string kGuideHalf = Hex("B6 DE B2 C4 DE");

TEST(Html2TextCli, WritesWhatTheHtmlCommandMakesOfTheFile) {
    TempDir dir;
    // "<p>見出し</p>" with an image, an entity and a reference, LF line ends.
    WriteFile(dir.File("page.html"),
              "<html><!-- c --><p>" + Hex("8C A9 8F 6F 82 B5") + "</p>\n<img alt=\"x\">&amp;&#65;\n\n\n</html>");
    auto result = RunCli({"html2text", dir.File("page.html"), dir.File("page.txt")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFile(dir.File("page.txt")), Hex("8C A9 8F 6F 82 B5") + "\r\n\r\n[x]&A\r\n\r\n");
}

TEST(Html2TextCli, NamesTheReferencesShiftJisCannotHold) {
    auto result = RunCli({"html2text", "-", "-"}, "<p>a</p>\n<p>&copy; 2026</p>");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "a\r\n\r\n? 2026\r\n\r\n");
    EXPECT_NE(result.err.find("line 2: U+00A9"), std::string::npos) << result.err;
}

TEST(Html2TextCli, ReadsStandardInputAndWritesStandardOutput) {
    auto result = RunCli({"html2text", "-", "-"}, "<b>a</b>");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "a\r\n\r\n");
}

TEST(MatchCli, PrintsTheStartAndLengthOfTheFirstMatch) {
    TempDir dir;
    WriteFile(dir.File("in.txt"), "abbbc");
    auto result = RunCli({"match", "b+", dir.File("in.txt")});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "2 3\n");
    result = RunCli({"match", "x", dir.File("in.txt")});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "0 0\n");
}

TEST(MatchCli, FuzzyIgnoresWidthAndKana) {
    TempDir dir;
    WriteFile(dir.File("in.txt"), "ab" + kGuideHalf);
    EXPECT_EQ(RunCli({"match", "ガイド", dir.File("in.txt")}).out, "0 0\n");
    EXPECT_EQ(RunCli({"match", "--fuzzy", "ガイド", dir.File("in.txt")}).out, "3 5\n");
    EXPECT_EQ(RunCli({"match", "--fuzzy", "ＡＢ", dir.File("in.txt")}).out, "1 2\n");
}

TEST(MatchCli, LfMovesTheLineEndAnchor) {
    TempDir dir;
    WriteFile(dir.File("in.txt"), "xa\nb");
    EXPECT_EQ(RunCli({"match", "a$", dir.File("in.txt")}).out, "0 0\n");
    EXPECT_EQ(RunCli({"match", "--lf", "a$", dir.File("in.txt")}).out, "2 1\n");
}

TEST(GsubCli, WritesTheTextAndCountsReplacements) {
    TempDir dir;
    WriteFile(dir.File("in.txt"), "banana\r\n" + kGuideWide);
    auto result = RunCli({"gsub", "a", "[&]", dir.File("in.txt"), dir.File("out.txt")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "3\n");
    EXPECT_EQ(ReadFile(dir.File("out.txt")), "b[a]n[a]n[a]\r\n" + kGuideWide);
    // The replacement is converted to CP932; "\&" is an ampersand.
    result = RunCli({"gsub", "--fuzzy", "ｶﾞｲﾄﾞ", "「\\&」", dir.File("in.txt"), "-"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "banana\r\n" + Hex("81 75 26 81 76"));
    EXPECT_EQ(result.err, "1\n");
    result = RunCli({"gsub", "--lf", "$", "<", "-", "-"}, "a\nb");
    EXPECT_EQ(result.out, "a<\nb<");
    result = RunCli({"gsub", "([a-z]+)=([0-9]*)", "\\2=\\1", "-", "-"}, "a=1 b= c=33");
    EXPECT_EQ(result.out, "1=a =b 33=c");
}

// A text in another code is searched as its characters and written back in its
// own code: the expected bytes are the UTF-8 text and pattern made by iconv.
TEST(PatternCli, FindsAndReplacesATextInItsOwnCode) {
    const auto inCode = [](const std::string& code, const std::string& utf8) {
        const auto made = verdane::test::RunProcess("/usr/bin/iconv", {"-f", "UTF-8", "-t", code}, utf8);
        EXPECT_EQ(made.exitCode, 0) << code << made.err;
        return made.out;
    };
    const struct {
        const char* code;
        std::string text, pattern, replacement;
    } cases[] = {
        {"CP932", "前書き\nリファレンスの例\n", "リファレンス", "参考"},
        {"CP932", "前書き\r\nリファレンス\r\n", "リファレンス", "参考"},
        {"EUC-JP", "前書き\nリファレンスの例\n", "リファレンス", "参考"},
        {"UTF-8", "前書き\nリファレンスの例\n", "リファレンス", "参考"},
        // Characters Shift-JIS lacks or writes otherwise stay as they are.
        {"UTF-8", "\xF0\x9F\x98\x80〜\nリファレンス〜\xF0\x9F\x98\x80\n", "リファレンス〜", "参考\xF0\x9F\x98\x80"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string label = std::string(c.code) + ": " + c.text;
        const std::string text = inCode(c.code, c.text), pattern = inCode(c.code, c.pattern);
        WriteFile(dir.File("in.txt"), text);
        auto r = RunCli({"match", c.pattern, dir.File("in.txt")});
        ASSERT_EQ(r.exitCode, 0) << label << r.err;
        EXPECT_EQ(r.out, std::to_string(text.find(pattern) + 1) + " " + std::to_string(pattern.size()) + "\n") << label;
        r = RunCli({"gsub", c.pattern, c.replacement, dir.File("in.txt"), dir.File("out.txt")});
        ASSERT_EQ(r.exitCode, 0) << label << r.err;
        EXPECT_EQ(r.err, "1\n") << label;
        std::string replaced = c.text;
        replaced.replace(replaced.find(c.pattern), c.pattern.size(), c.replacement);
        EXPECT_EQ(verdane::test::ToHex(ReadFile(dir.File("out.txt"))), verdane::test::ToHex(inCode(c.code, replaced)))
            << label;
    }
}

TEST(RegexCliErrors, BadPatternsAndFilesFailWithOneLine) {
    TempDir dir;
    WriteFile(dir.File("in.txt"), "abc");
    auto result = RunCli({"match", "(a", dir.File("in.txt")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "verdane-cli match: bad pattern (at byte 3): a right (closing) parenthesis is needed\n");
    result = RunCli({"gsub", "a", "x\\", dir.File("in.txt"), dir.File("out.txt")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "verdane-cli gsub: bad replacement: \"\\\" must be followed by a character\n");
    EXPECT_FALSE(verdane::test::FileExists(dir.File("out.txt")));
    // Refused even where nothing matches, so that the mistake is seen at once.
    result = RunCli({"gsub", "q", "\\xq", dir.File("in.txt"), dir.File("out.txt")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "verdane-cli gsub: bad replacement: an invalid hexadecimal code (write \\xHHHH)\n");
    EXPECT_FALSE(verdane::test::FileExists(dir.File("out.txt")));
    // The place of a fault in a long pattern is not cut short.
    result = RunCli({"match", std::string(120000, 'a') + ")", dir.File("in.txt")});
    EXPECT_EQ(result.err.substr(0, 42), "verdane-cli match: bad pattern (at byte 12") << result.err;
    EXPECT_EQ(result.err.substr(46), "): extra characters after the pattern\n") << result.err;
    EXPECT_EQ(RunCli({"match", "a", dir.File("missing.txt")}).exitCode, 1);
    EXPECT_EQ(RunCli({"html2text", dir.File("missing.html"), dir.File("o.txt")}).exitCode, 1);
}

TEST(RegexCliErrors, BadUsageExitsTwo) {
    EXPECT_EQ(RunCli({"match", "a"}).exitCode, 2);
    EXPECT_EQ(RunCli({"match", "--ignore-case", "a", "-"}).exitCode, 2);
    EXPECT_EQ(RunCli({"gsub", "a", "b", "-"}).exitCode, 2);
    EXPECT_EQ(RunCli({"html2text", "-"}).exitCode, 2);
}

TEST(RegexCliHelp, ExplainsEveryOptionOnStandardOutput) {
    for (const char* command : {"match", "gsub"}) {
        auto result = RunCli({command, "--help"});
        EXPECT_EQ(result.exitCode, 0);
        for (const char* word : {"--fuzzy", "--lf", "full-width", "hiragana", "voic"})
            EXPECT_NE(result.out.find(word), std::string::npos) << command << " " << word;
    }
    auto result = RunCli({"html2text", "--help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find("html2text IN OUT"), std::string::npos);
}

}  // namespace
