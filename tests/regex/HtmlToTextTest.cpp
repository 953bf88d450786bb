// HtmlToText: one table of the constructs of today's pages, the line rules,
// realistic Japanese pages (tests/regex/data, reviewed against w3m), the
// Japanese pages of Debian's reference against `w3m -dump`, and hostile input.
#include "HtmlToText.h"
#include "Sjis.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace verdane::regex {
namespace {

using test::Sjis;

struct HtmlCase {
    const char* name;
    std::string html;
    std::string text;
};

class HtmlCases : public ::testing::TestWithParam<HtmlCase> {};

TEST_P(HtmlCases, Convert) {
    EXPECT_EQ(verdane::test::ToHex(HtmlToText(GetParam().html)), verdane::test::ToHex(GetParam().text))
        << GetParam().html;
}

const std::string kEnd = "\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(
    Rules, HtmlCases,
    ::testing::Values(
        HtmlCase{"Comments", "a<!-- x > y -->b<!-->c", "abc" + kEnd},
        HtmlCase{"UnclosedComment", "a<!-- b", "a" + kEnd},
        HtmlCase{"HiddenElements",
                 "<head><title>T</title><style>p{}</style></head><script>if (a<b) x();</script><noscript>n</noscript>"
                 "<template>t</template>text",
                 "text" + kEnd},
        HtmlCase{"HiddenElementWithoutEndIsText", "<script>a<b", "a<b" + kEnd},
        HtmlCase{"HeadWithoutEndIsText", "<head>a", "a" + kEnd},
        HtmlCase{"BrEndsALine", "<p>a<br>b<br/><br>c</p>", "a\r\nb\r\n\r\nc" + kEnd},
        HtmlCase{"ParagraphsAndHeadings", "<h1>T</h1><p>a</p><p>b</p><hr><blockquote>q</blockquote>",
                 "T\r\n\r\na\r\n\r\nb\r\n\r\nq" + kEnd},
        HtmlCase{"BlocksEndTheirLine",
                 "<div>a</div><section>b<article>c</article></section><header>d</header><nav>e</nav>"
                 "<footer>f</footer><dl><dt>g<dd>h</dl><table><tr><td>i<td>j<tr><td>k</table>",
                 "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\n\r\ng\r\nh\r\n\r\ni j\r\nk" + kEnd},
        HtmlCase{"ListItems", Sjis("<ul>\n  <li>\n    <p>一</p>\n  </li>\n  <li>two</li>\n</ul>"),
                 Sjis("・一\r\n・two") + kEnd},
        HtmlCase{"LineEndsOfAPageAreSpaces", Sjis("<p>two\n   words and\n日本\n語</p>"),
                 Sjis("two words and 日本語") + kEnd},
        HtmlCase{"PreKeepsItsLines", "<p>a</p><pre>x  y\n  z</pre>", "a\r\n\r\nx  y\r\nz" + kEnd},
        HtmlCase{"TextWithoutBlocksKeepsItsLines", "a\n b \r\n\r\n\r\nc<b>d</b>", "a\r\nb\r\n\r\ncd" + kEnd},
        HtmlCase{"LessThanThatStartsNoTag", "x < y, a<3, <=, <<b>>z, <", "x < y, a<3, <=, <>z, <" + kEnd},
        HtmlCase{"TagWithoutEndIsText", "a <b c", "a <b c" + kEnd},
        HtmlCase{"QuotedGreaterThan", "<a title=\"x > y\" href='>'>link</a>", "link" + kEnd},
        HtmlCase{"Declarations", "<!DOCTYPE html><?xml version=\"1.0\"?>x", "x" + kEnd},
        HtmlCase{"Images", "<img src=c.png alt=\" c&amp;t \"><IMG ALT=\"x\"><Img alt=\"y\"><img alt=''>",
                 "[c&t][x][y]" + kEnd},
        HtmlCase{"NamedEntities", "&hellip;&times;&LT;&amp;lt;&quot;&NotEqualTilde;",
                 Sjis("…×<&lt;\"") + "??" + kEnd},
        HtmlCase{"NumericReferences", "&#x3042;&#X41;&#65;&#12354;&#65377;&#0;&#38;#65;&#12345678901;.",
                 Sjis("あAAあ｡") + "&#65; ." + kEnd},
        HtmlCase{"NotReferences", "&copy &unknown; &#; &#x; &#12a; & x", "&copy &unknown; &#; &#x; &#12a; & x" + kEnd},
        HtmlCase{"CharactersShiftJisLacks", "a&nbsp;b &eacute;&Ccedil; &#128512;&copy;", "a b eC ??" + kEnd},
        HtmlCase{"LinesTrimmedAndBlankRunsCollapsed", Sjis("　a　 \r\n \t \r\n\r\n\r\nb\rc"),
                 Sjis("　a") + "\r\n\r\nb\r\nc" + kEnd},
        HtmlCase{"Empty", "", "\r\n"}, HtmlCase{"Blank", "   ", kEnd}),
    [](const auto& info) { return info.param.name; });

// Every character replaced is listed, whether it came as a reference or as
// a character, with what was written for it.
TEST(HtmlToText, ListsTheCharactersShiftJisLacks) {
    std::vector<KanjiReplacement> replaced;
    const std::string html = "<p>x&copy;</p>&#128512;&eacute;&#xA5;&szlig;&#x1F600;";
    EXPECT_EQ(HtmlToText(html, {}, &replaced), "x?\r\n\r\n?e\x81\x8Fss?\r\n\r\n");
    const StandIn q{{U'?'}};
    EXPECT_EQ(replaced, (std::vector<KanjiReplacement>{{4, 6, 0xA9, q},
                                                       {14, 9, 0x1F600, q},
                                                       {23, 8, 0xE9, StandIn{{U'e'}}},
                                                       {31, 6, 0xA5, StandIn{{0xFFE5}}},
                                                       {37, 7, 0xDF, StandIn{{U's', U's'}}},
                                                       {44, 9, 0x1F600, q}}));
}

std::string ReadData(const std::string& name) { return verdane::test::ReadFile(std::string(REGEX_TEST_DATA) + "/" + name); }

class RealPages : public ::testing::TestWithParam<std::string> {};

// Reviewed against w3m: they differ in the brackets around images' text and
// the "?" of characters Shift-JIS lacks.
TEST_P(RealPages, ConvertToTheReviewedText) {
    EXPECT_EQ(HtmlToText(ReadData(GetParam() + ".html")), ReadData(GetParam() + ".txt"));
}

INSTANTIATE_TEST_SUITE_P(Data, RealPages, ::testing::Values("news", "blog", "novel"));

// The Japanese pages of Debian's reference read as w3m reads them: the
// comparison (tools/compare_w3m.py) gives each page's share of lines alike.
TEST(HtmlToTextAgainstW3m, DebianReferencePagesReadAlike) {
    const std::string pages = "/usr/share/debian-reference";
    std::vector<std::string> args = {VERDANE_SOURCE_DIR "/tools/compare_w3m.py", VERDANE_CLI_PATH};
    for (const char* page : {"index", "pr01", "ch01", "ch03", "ch07", "ch12", "apa"})
        args.push_back(pages + "/" + page + ".ja.html");
    const auto r = verdane::test::RunProcess("/usr/bin/python3", args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::istringstream lines(r.out);
    double ratio = 0;
    std::string page;
    int count = 0;
    while (lines >> ratio >> page) {
        EXPECT_GE(ratio, 0.9) << page;
        ++count;
    }
    EXPECT_EQ(count, 7);
}

TEST(HtmlToTextHostile, EndsOnBrokenAndHugeInputKeepingTheText) {
    std::string tags;
    for (int i = 0; i < 20000; ++i) tags += "<img alt=\"x";
    EXPECT_EQ(HtmlToText(tags + ">"), "[x<img alt=]" + kEnd);
    EXPECT_EQ(HtmlToText(tags).size(), tags.size() + 4);
    std::string opens;
    for (int i = 0; i < 20000; ++i) opens += "<script><head><a b=\"";
    EXPECT_TRUE(HtmlToText(opens).ends_with(kEnd));
    EXPECT_EQ(HtmlToText(std::string(100000, '&')), std::string(100000, '&') + kEnd);
    EXPECT_EQ(HtmlToText(std::string("a&#0;b\0&#65;", 12)), std::string("ab\0A", 4) + kEnd);
}

// Readings of ruby, with and without the page's own parentheses (<rp>):
// in full-width parentheses after their base, or dropped.
struct RubyCase {
    const char* name;
    const char* html;   // UTF-8
    const char* paren;  // UTF-8
    const char* drop;   // UTF-8
};

class RubyCases : public ::testing::TestWithParam<RubyCase> {};

TEST_P(RubyCases, GiveTheReadingAsAsked) {
    const RubyCase& c = GetParam();
    EXPECT_EQ(verdane::test::ToHex(HtmlToText(Sjis(c.html), {}, nullptr, HtmlRuby::Paren)),
              verdane::test::ToHex(Sjis(c.paren) + kEnd));
    EXPECT_EQ(verdane::test::ToHex(HtmlToText(Sjis(c.html), {}, nullptr, HtmlRuby::Drop)),
              verdane::test::ToHex(Sjis(c.drop) + kEnd));
}

INSTANTIATE_TEST_SUITE_P(
    Ruby, RubyCases,
    ::testing::Values(RubyCase{"WithoutRp", "<ruby>漢字<rt>かんじ</rt></ruby>を", "漢字（かんじ）を", "漢字を"},
                      RubyCase{"WithRp", "<ruby>漢字<rp>(</rp><rt>かんじ</rt><rp>)</rp></ruby>を", "漢字（かんじ）を",
                               "漢字を"},
                      RubyCase{"EachBaseItsReading", "<ruby>漢<rt>かん</rt>字<rt>じ</rt></ruby>", "漢（かん）字（じ）", "漢字"},
                      RubyCase{"ReadingEndedByTheRuby", "<ruby>明<rt>あ</ruby>日", "明（あ）日", "明日"},
                      RubyCase{"ReferenceInTheReading", "<ruby>a<rt>&#x3042;</rt></ruby>", "a（あ）", "a"},
                      RubyCase{"ReadingToTheEnd", "<ruby>a<rt>b", "a（b）", "a"}),
    [](const auto& info) { return info.param.name; });

TEST(HtmlPageTitle, IsTheTitleElementOnOneLine) {
    const struct {
        const char* html;   // UTF-8
        const char* title;  // UTF-8
    } cases[] = {{"<html><head><title> 吾輩は\n  猫である &amp; &#x3042;</title></head><body>x</body>", "吾輩は 猫である & あ"},
                 {"<TITLE lang=ja>A</Title><title>B</title>", "A"},
                 {"<titles>x</titles><p>y", ""},
                 {"<title>unclosed", ""},
                 {"<p>no title</p>", ""}};
    for (const auto& c : cases) EXPECT_EQ(verdane::test::ToHex(HtmlPageTitle(Sjis(c.html))), verdane::test::ToHex(Sjis(c.title))) << c.html;
}

}  // namespace
}  // namespace verdane::regex
