// The Aozora notation cleaner on a 25 MB text in Aozora's notation: the test
// sample's head (title, notes block) once, then its body (readings with and
// without "｜", described characters, annotations, indentation blocks,
// headings) repeated, its colophon at the end. The goal is 500 MB/s or more.
#include "AozoraNotation.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

const std::string& AozoraText() {
    static const std::string text = [] {
        std::ifstream in(VERDANE_SOURCE_DIR "/tests/core/data/aozora_sample.txt", std::ios::binary);
        const std::string sample((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // The body: from the first heading's line to the colophon ("底本：").
        const std::size_t body = sample.find("\x81\x6D\x81\x94\x82\x54");  // ［＃５
        const std::size_t colophon = sample.find("\x92\xEA\x96\x7B\x81\x46");  // 底本：
        std::string out = sample.substr(0, body);
        while (out.size() < (25u << 20)) out += sample.substr(body, colophon - body);
        out += sample.substr(colophon);
        return out;
    }();
    return text;
}

void BM_CleanAozora25MB(benchmark::State& state) {
    const std::string& text = AozoraText();
    verdane::AozoraOptions options;
    options.ruby = state.range(0) ? verdane::AozoraRuby::Drop : verdane::AozoraRuby::Paren;
    options.bookmarks = state.range(0) != 0;
    options.bookmarkMark = "(BM)";
    for (auto _ : state) benchmark::DoNotOptimize(verdane::CleanAozoraNotation(text, options));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
// 0: readings in parentheses; 1: readings dropped, headings marked.
BENCHMARK(BM_CleanAozora25MB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
