// Speed of the pattern engine and HtmlToText: matching over 10 MB of Japanese
// text, converting large pages, compiling HtmlToText's eight patterns.
#include "HtmlToText.h"
#include "TAWKStr.h"
#include "TREParser.h"
#include "TRE_DFA.h"
#include "TRE_NFA.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>

namespace {

using namespace verdane::regex;

// Japanese prose in CP932: kana and kanji with some ASCII, full-width
// punctuation, lines ended by CR LF unless `lines` is false.
std::string JapaneseText(std::size_t bytes, bool lines) {
    static const char* const words[] = {
        "\x8C\xE1\x94\x79\x82\xCD",          // 吾輩は
        "\x94\x4C\x82\xC5\x82\xA0\x82\xE9",  // 猫である
        "\x81\x42",                          // 。
        "\x96\xBC\x91\x4F\x82\xCD",          // 名前は
        "\x82\xDC\x82\xBE\x96\xB3\x82\xA2",  // まだ無い
        "\x81\x41",                          // 、
        "\x83\x4A\x83\x5E\x83\x4A\x83\x69",  // カタカナ
        "\xB6\xC0\xB6\xC5",                  // ｶﾀｶﾅ
        "Palm ",
        "\x81\x40",                          // full-width space
    };
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> pick(0, std::size(words) - 1);
    std::string text;
    text.reserve(bytes + 64);
    std::size_t lineStart = 0;
    while (text.size() < bytes) {
        text += words[pick(rng)];
        if (lines && text.size() - lineStart > 70) {
            text += "\r\n";
            lineStart = text.size();
        }
    }
    return text;
}

void MatchOver10MB(benchmark::State& state, const std::string& pattern, const std::string& ending) {
    TAWKStr awk;
    awk.SetRegExp(pattern);
    const std::string text = JapaneseText(10 << 20, false) + ending;
    long long start = 0, length = 0;
    for (auto _ : state) {
        awk.Match(text, start, length);
        benchmark::DoNotOptimize(start);
    }
    if (start == 0) state.SkipWithError("no match");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_MatchLiteral10MB(benchmark::State& state) {
    // 吾輩は犬である: never in the text until its very end.
    const std::string literal = "\x8C\xE1\x94\x79\x82\xCD\x8C\xA2\x82\xC5\x82\xA0\x82\xE9";
    MatchOver10MB(state, literal, literal);
}
BENCHMARK(BM_MatchLiteral10MB)->Unit(benchmark::kMillisecond);

void BM_MatchTrailingBlanks10MB(benchmark::State& state) {
    MatchOver10MB(state, "[ \x81\x40\\t]*(\\r\\n)", "\x81\x40 \r\n");
}
BENCHMARK(BM_MatchTrailingBlanks10MB)->Unit(benchmark::kMillisecond);

void BM_GSubTrailingBlanks10MB(benchmark::State& state) {
    TAWKStr awk;
    awk.SetRegExp("[ \x81\x40\\t]*(\\r\\n)");
    const std::string text = JapaneseText(10 << 20, true);
    for (auto _ : state) {
        std::string copy = text;
        benchmark::DoNotOptimize(awk.GSub("\\r\\n", copy));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_GSubTrailingBlanks10MB)->Unit(benchmark::kMillisecond);

// Replacing a word and the mark after it over 10 MB: by the whole match (0),
// by the two groups swapped (1), which works the groups out for every match.
void BM_GSubGroups10MB(benchmark::State& state) {
    TAWKStr awk;
    awk.SetRegExp("(\x83\x4A\x83\x5E\x83\x4A\x83\x69|\xB6\xC0\xB6\xC5|[\x82\x9F-\x82\xF1]+)(\x81\x41|\x81\x42)");
    const std::string text = JapaneseText(10 << 20, true);
    const char* replacement = state.range(0) ? "\\2\\1" : "&";
    long long count = 0;
    for (auto _ : state) {
        std::string copy = text;
        count = awk.GSub(replacement, copy);
        benchmark::DoNotOptimize(copy);
    }
    state.counters["matches"] = static_cast<double>(count);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_GSubGroups10MB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A news-like page: head, navigation, comments, paragraphs with images,
// entities and references, tables with full-width spaces, blank runs.
std::string RealWorldPage(std::size_t bytes) {
    std::string page =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\r\n<html>\r\n<head>\r\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\r\n"
        "<title>\x83\x6A\x83\x85\x81\x5B\x83\x58 &gt; \x92\x6E\x88\xE6</title>\r\n"
        "<!-- header -->\r\n</head>\r\n<body>\r\n";
    const std::string prose = JapaneseText(1 << 16, true);
    std::size_t at = 0;
    int n = 0;
    while (page.size() < bytes) {
        page += "<div class=\"article\"><h2>\x8C\xA9\x8F\x6F\x82\xB5 " + std::to_string(++n) + "</h2>\r\n";
        page += "<img src=\"/img/p" + std::to_string(n) + ".jpg\" width=\"320\" alt=\" \x8E\xCA\x90\x5E \">\r\n";
        page += "<p>\x81\x40" + prose.substr(at, 400) + "<br>\r\n";
        page += "&quot;" + prose.substr(at + 400, 200) + "&quot; &amp; &#12354;&#12356;&nbsp;</p>\r\n";
        page += "<!-- ad " + std::to_string(n) + " -->\r\n<table><tr><td>\x81\x40</td><td>&lt;</td></tr></table>\r\n\r\n\r\n";
        page += "<IMG SRC=\"line.gif\" ALT=\"\"></div>\r\n";
        at = (at + 600) % (prose.size() - 700);
    }
    return page + "</body>\r\n</html>\r\n";
}

void BM_HtmlToTextRealWorld1MB(benchmark::State& state) {
    TAWKStr awk;
    const std::string page = RealWorldPage(1 << 20);
    for (auto _ : state) benchmark::DoNotOptimize(HtmlToText(awk, page));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_HtmlToTextRealWorld1MB)->Unit(benchmark::kMillisecond);

void BM_HtmlToText20000ImagesAndReferences(benchmark::State& state) {
    TAWKStr awk;
    std::string page;
    for (int i = 0; i < 20000; ++i) {
        page += "<img src=\"i" + std::to_string(i) + ".gif\" alt=\"\x89\xE6\x91\x9C" + std::to_string(i) + "\">";
        page += "&#" + std::to_string(12354 + i % 80) + ";\x82\xA0\r\n";
    }
    for (auto _ : state) benchmark::DoNotOptimize(HtmlToText(awk, page));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_HtmlToText20000ImagesAndReferences)->Unit(benchmark::kMillisecond);

void BM_CompileHtmlPattern(benchmark::State& state) {
    static const char* const patterns[] = {"&lt;", "&gt;", "&amp;", "&quot;", "&nbsp;", "&#[0-9]+;",
                                           "[ \x81\x40\\t]*(\\r\\n)", "(\\r\\n)(\\r\\n)+"};
    const char* pattern = patterns[state.range(0)];
    state.SetLabel(pattern);
    for (auto _ : state) {
        TREParser parser(pattern);
        parser.Run();
        TRE_NFA nfa(parser, kLineTailCode, kLineHeadCode);
        nfa.Run();
        TRE_DFA dfa(nfa);
        dfa.Run();
        benchmark::DoNotOptimize(dfa.StateCount());
    }
}
BENCHMARK(BM_CompileHtmlPattern)->DenseRange(0, 7)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
