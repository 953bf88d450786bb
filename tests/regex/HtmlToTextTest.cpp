// HtmlToText: the conversion's rules one by one, realistic Japanese pages
// (tests/regex/data), and the fast image and reference steps against the direct
// way of doing them.
#include "HtmlReference.h"
#include "HtmlToText.h"
#include "Sjis.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace verdane::regex {
namespace {

using test::Sjis;

struct HtmlCase {
    std::string html;
    std::string text;
};

class HtmlCases : public ::testing::TestWithParam<HtmlCase> {};

TEST_P(HtmlCases, ConvertAsTheRulesSay) {
    TAWKStr awk;
    EXPECT_EQ(verdane::test::ToHex(HtmlToText(awk, GetParam().html)), verdane::test::ToHex(GetParam().text))
        << GetParam().html;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, HtmlCases,
    ::testing::Values(
        // Comments, including one never closed.
        HtmlCase{"a<!-- x > y -->b", "ab\r\n\r\n"}, HtmlCase{"a<!-->b", "ab\r\n\r\n"},
        HtmlCase{"a<!-- b", "a\r\n\r\n"}, HtmlCase{"a<!-b>c", "ac\r\n\r\n"},
        // Images: alternative text in brackets, or nothing.
        HtmlCase{"<img src=\"c.png\" alt=\" cat \">", "[cat]\r\n\r\n"}, HtmlCase{"x<img alt=\"\">y", "xy\r\n\r\n"},
        HtmlCase{"x<img src=\"a.gif\">y", "xy\r\n\r\n"}, HtmlCase{"<IMG SRC=\"x\" ALT=\"x\">", "[x]\r\n\r\n"},
        HtmlCase{"<Img alt=\"x\">", "\r\n"}, HtmlCase{"<img alt='x'>", "\r\n"},
        HtmlCase{"<img alt=\"a>b\">", "b\">\r\n\r\n"}, HtmlCase{"a<img alt=\"x\"", "a\r\n\r\n"},
        // A deleted tag can join its neighbours into a new one.
        HtmlCase{"<<img>img alt=\"q\">", "[q]\r\n\r\n"},
        HtmlCase{"<img alt=\"<img alt=\">\">", "[\r\n\r\n"},
        // Tags.
        HtmlCase{"x < y", "x\r\n\r\n"}, HtmlCase{"<p>a<br>b</p>", "ab\r\n\r\n"}, HtmlCase{"a>b", "a>b\r\n\r\n"},
        // Entities and references.
        HtmlCase{"&amp;lt;", "&lt;\r\n\r\n"}, HtmlCase{"&LT;&copy;&amp", "&LT;&copy;&amp\r\n\r\n"},
        HtmlCase{"&lt;&gt;&quot;&nbsp;x", "<>\" x\r\n\r\n"}, HtmlCase{"&#65;", "A\r\n\r\n"},
        HtmlCase{"&#38;#65;", "A\r\n\r\n"}, HtmlCase{"&#x41;", "&#x41;\r\n\r\n"},
        HtmlCase{"a&#12345678901;b", "a b\r\n\r\n"}, HtmlCase{"&#0065;", "A\r\n\r\n"},
        HtmlCase{"&#3&#56;;", "&\r\n\r\n"}, HtmlCase{"&#38;#38;#65;", "A\r\n\r\n"},
        // References above 127 give the character in CP932, or "?"; 0 gives nothing.
        HtmlCase{"&#12354;&#65377;", Sjis("あ｡") + "\r\n\r\n"}, HtmlCase{"&#169;&#128512;", "??\r\n\r\n"},
        HtmlCase{"a&#0;b", "ab\r\n\r\n"}, HtmlCase{"&#233;", "?\r\n\r\n"},
        // A "&" read as the trail byte of a double-byte character is not a reference.
        HtmlCase{"\x81&#65;", "\x81&#65;\r\n\r\n"},
        // Lines: trimmed, blank runs collapsed, full-width spaces only at the end.
        HtmlCase{"a\r\n \t \r\n\r\n\r\n\r\nb", "a\r\n\r\nb\r\n\r\n"}, HtmlCase{"a\rb\nc\r\n", "a\r\nb\r\nc\r\n\r\n"},
        HtmlCase{Sjis("　a　 \r\n"), Sjis("　a") + "\r\n\r\n"}, HtmlCase{"", "\r\n"}, HtmlCase{"   ", "\r\n\r\n"}));

TEST(HtmlToTextYield, YieldsWhileItWorks) {
    TAWKStr awk;
    int calls = 0;
    std::string html = "<p>a&#65;<img alt=\"x\"></p>\r\nb";
    HtmlToText(awk, html, [&] { ++calls; });
    // At least once per byte of the comment and tag passes.
    EXPECT_GT(calls, static_cast<int>(html.size()));
}

TEST(HtmlToTextHostile, EndsOnBrokenAndHugeInput) {
    TAWKStr awk;
    std::string tags;
    for (int i = 0; i < 20000; ++i) tags += "<img alt=\"x";
    EXPECT_EQ(HtmlToText(awk, tags + ">"), "[x\r\n\r\n");
    EXPECT_EQ(HtmlToText(awk, tags), "\r\n");
    // Every decoded "1" continues the long reference in front of it.
    std::string refs = "&#" + std::string(100000, '1');
    for (int i = 0; i < 20000; ++i) refs += "&#49;";
    EXPECT_EQ(HtmlToText(awk, refs + ";"), "\r\n\r\n");
    // No NUL byte enters the text; one already there keeps what follows it.
    std::string withNul("a&#0;b\0&#65;", 12);
    EXPECT_EQ(HtmlToText(awk, withNul), std::string("ab\0&#65;\r\n\r\n", 12));
}

std::string ReadData(const std::string& name) { return verdane::test::ReadFile(std::string(REGEX_TEST_DATA) + "/" + name); }

class RealPages : public ::testing::TestWithParam<std::string> {};

TEST_P(RealPages, ConvertToTheReviewedText) {
    TAWKStr awk;
    const std::string html = ReadData(GetParam() + ".html");
    const std::string text = HtmlToText(awk, html);
    EXPECT_EQ(text, ReadData(GetParam() + ".txt"));
    TAWKStr other;
    EXPECT_EQ(text, test::DirectHtmlToText(other, html));
}

INSTANTIATE_TEST_SUITE_P(Data, RealPages, ::testing::Values("news", "blog", "novel"));

// Random pieces that meet at the places where the fast steps could go wrong.
std::string RandomHtml(std::mt19937& rng) {
    static const char* const pieces[] = {
        "<img", "<IMG", " alt=\"", " ALT=\"", "\"", ">", "<", "img", "IMG", "&", "#", "&#", "1", "3", "5", "8",
        ";", "&#38;", "&#59;", "&#35;", "&#60;", "&amp;", "&lt;", "<!--", "-->", "-", "!", "\r\n", "\n", " ", "\t",
        "\x81\x40", "\x82\xA0", "\x81", "\x95\x5C", "x", "&#12354;", "&#0;", "&#55;"};
    std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(pieces)) - 1);
    std::uniform_int_distribution<int> length(0, 30);
    std::string html;
    for (int n = length(rng); n > 0; --n) html += pieces[pick(rng)];
    return html;
}

TEST(HtmlToTextFastSteps, GiveTheTextOfTheDirectSteps) {
    std::mt19937 rng(4242);
    TAWKStr fast, direct;
    for (int round = 0; round < 20000; ++round) {
        std::string html = RandomHtml(rng);
        ASSERT_EQ(ImgAltToText(html), test::DirectImgAltToText(html)) << ::testing::PrintToString(html);
        ASSERT_EQ(DecodeCharRefs(html), test::DirectDecodeCharRefs(direct, html)) << ::testing::PrintToString(html);
        ASSERT_EQ(HtmlToText(fast, html), test::DirectHtmlToText(direct, html)) << ::testing::PrintToString(html);
    }
}

}  // namespace
}  // namespace verdane::regex
