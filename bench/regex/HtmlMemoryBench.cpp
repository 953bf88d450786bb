// Peak memory of HtmlToText, counted by this program's own allocator hooks:
// the bytes allocated while the conversion runs, at their highest, against
// the page's size (the page itself is not counted). Floods of "&" and of
// "&#1" kept an entry per "&" before; a real page for comparison.
#include "HtmlToText.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>
#include <string>

namespace {

std::atomic<std::size_t> live{0};
std::atomic<std::size_t> peak{0};

void* Count(void* p) {
    if (!p) throw std::bad_alloc();
    const std::size_t now = live += malloc_usable_size(p);
    for (std::size_t seen = peak; now > seen && !peak.compare_exchange_weak(seen, now);) {
    }
    return p;
}

}  // namespace

void* operator new(std::size_t size) { return Count(std::malloc(size)); }
void* operator new[](std::size_t size) { return Count(std::malloc(size)); }
void operator delete(void* p) noexcept {
    if (p) live -= malloc_usable_size(p);
    std::free(p);
}
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }

namespace {

void Measure(benchmark::State& state, const std::string& page) {
    for (auto _ : state) {
        peak = live.load();
        const std::size_t before = live;
        benchmark::DoNotOptimize(verdane::regex::HtmlToText(page));
        state.counters["peak_per_page_byte"] = static_cast<double>(peak - before) / static_cast<double>(page.size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}

void BM_HtmlToTextPeakMemoryAmpersands(benchmark::State& state) {
    Measure(state, std::string(static_cast<std::size_t>(state.range(0)) << 20, '&'));
}
BENCHMARK(BM_HtmlToTextPeakMemoryAmpersands)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_HtmlToTextPeakMemoryOpenReferences(benchmark::State& state) {
    std::string page;
    while (page.size() < static_cast<std::size_t>(state.range(0)) << 20) page += "&#1";
    Measure(state, page);
}
BENCHMARK(BM_HtmlToTextPeakMemoryOpenReferences)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_HtmlToTextPeakMemoryLineEnds(benchmark::State& state) {
    std::string page;
    while (page.size() < static_cast<std::size_t>(state.range(0)) << 20) page += "a\n";
    Measure(state, page);
}
BENCHMARK(BM_HtmlToTextPeakMemoryLineEnds)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
