// Speed of the DOC compressor (against the plain whole-prefix scan), the
// decompressor, a whole text <-> DOC round trip, and the EUC-JP conversion
// (against glibc iconv on the same buffer).
#include "DocBuffer.h"
#include "DocConvert.h"
#include "KanjiCode.h"
#include "ReferenceCompressor.h"
#include "SampleTexts.h"

#include <benchmark/benchmark.h>

#include <iconv.h>

#include <stdexcept>

namespace {

using namespace verdane;

constexpr std::size_t kRecord = 4096;

const std::string& Japanese() {
    static const std::string text = samples::ShuffledParagraphs(samples::JapaneseProse(), 64 * kRecord, 1);
    return text;
}
const std::string& English() {
    static const std::string text = samples::ShuffledParagraphs(samples::EnglishProse(), 64 * kRecord, 2);
    return text;
}
const std::string& Technical() {
    static const std::string text = samples::JapaneseTechnical(64 * kRecord, 4);
    return text;
}
const std::string& Source() {
    static const std::string text = samples::SourceCode(64 * kRecord);
    return text;
}
const std::string& OneByte() {
    static const std::string text(64 * kRecord, '=');
    return text;
}

void CompressRecords(benchmark::State& state, const std::string& (*kind)(), bool reference) {
    const std::string& text = kind();
    std::size_t at = 0;
    TBuf buf;  // one buffer for every record, as TextToDoc uses it
    for (auto _ : state) {
        const std::string_view record = std::string_view(text).substr(at, kRecord);
        if (reference) {
            benchmark::DoNotOptimize(reference::Compress(record));
        } else {
            buf.SetData(record);
            benchmark::DoNotOptimize(buf.Compress());
        }
        at = (at + kRecord) % text.size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kRecord));
}

// Every kind of text the compressor meets, each against the plain scan.
BENCHMARK_CAPTURE(CompressRecords, JapaneseProse, Japanese, false);
BENCHMARK_CAPTURE(CompressRecords, JapaneseTechnical, Technical, false);
BENCHMARK_CAPTURE(CompressRecords, EnglishProse, English, false);
BENCHMARK_CAPTURE(CompressRecords, SourceCode, Source, false);
BENCHMARK_CAPTURE(CompressRecords, OneByte, OneByte, false);
BENCHMARK_CAPTURE(CompressRecords, JapaneseProseReference, Japanese, true);
BENCHMARK_CAPTURE(CompressRecords, JapaneseTechnicalReference, Technical, true);
BENCHMARK_CAPTURE(CompressRecords, EnglishProseReference, English, true);
BENCHMARK_CAPTURE(CompressRecords, SourceCodeReference, Source, true);
BENCHMARK_CAPTURE(CompressRecords, OneByteReference, OneByte, true);

void DecompressRecords(benchmark::State& state, const std::string& text) {
    std::vector<std::string> records;
    for (std::size_t at = 0; at < text.size(); at += kRecord) {
        TBuf buf;
        buf.SetData(std::string_view(text).substr(at, kRecord));
        buf.Compress();
        records.emplace_back(buf.Data());
    }
    std::size_t k = 0, produced = 0;
    TBuf buf;
    for (auto _ : state) {
        buf.SetData(records[k]);
        produced += static_cast<std::size_t>(buf.Decompress());
        k = (k + 1) % records.size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(produced));
}
void BM_DecompressJapanese(benchmark::State& s) { DecompressRecords(s, Japanese()); }
void BM_DecompressEnglish(benchmark::State& s) { DecompressRecords(s, English()); }
BENCHMARK(BM_DecompressJapanese);
BENCHMARK(BM_DecompressEnglish);

// Saving and reopening a 10 MB Japanese text with the default options.
void BM_RoundTrip10MB(benchmark::State& state) {
    const std::string text = samples::ShuffledParagraphs(samples::JapaneseProse(), 10 << 20, 3);
    for (auto _ : state) {
        TMemoryStream in(text), db, out;
        if (TextToDoc(in, db, "Book", true, true) != 0) throw std::runtime_error("TextToDoc failed");
        DocToText(db, out, true);
        if (out.Size() != text.size()) throw std::runtime_error("round trip lost bytes");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_RoundTrip10MB)->Unit(benchmark::kMillisecond);

std::string Iconv(const char* to, const char* from, const std::string& in) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
    std::string out(in.size() * 2 + 16, '\0');
    char* ip = const_cast<char*>(in.data());
    std::size_t il = in.size();
    char* op = out.data();
    std::size_t ol = out.size();
    const std::size_t r = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1)) throw std::runtime_error("iconv failed");
    out.resize(out.size() - ol);
    return out;
}

// 25 MB of EUC-JP prose (Japanese and English paragraphs).
const std::string& Euc25MB() {
    static const std::string text = [] {
        const std::string euc = Iconv("EUC-JP", "CP932", samples::JapaneseProse() + samples::EnglishProse());
        std::string t;
        while (t.size() < (25u << 20)) t += euc;
        return t;
    }();
    return text;
}

void BM_ConvertKanjiCodeEuc25MB(benchmark::State& state) {
    const std::string& euc = Euc25MB();
    for (auto _ : state) benchmark::DoNotOptimize(ConvertKanjiCode(euc, kcShiftJis));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * euc.size()));
}
void BM_IconvEucToCp932_25MB(benchmark::State& state) {
    const std::string& euc = Euc25MB();
    for (auto _ : state) benchmark::DoNotOptimize(Iconv("CP932", "EUC-JP", euc));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * euc.size()));
}
BENCHMARK(BM_ConvertKanjiCodeEuc25MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IconvEucToCp932_25MB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
