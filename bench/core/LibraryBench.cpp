// Aozora's catalogue: loading the copy kept in the cache folder (read, unzip
// and parse a catalogue of 20,000 rows in the published layout, about 1 KB a
// row as Aozora's is) and searching it. Goals: a load under 300 ms, a search
// under 20 ms.
#include "AozoraCatalog.h"
#include "AozoraLibrary.h"
#include "FileIo.h"
#include "ZipArchive.h"

#include <benchmark/benchmark.h>
#include <zip.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>

namespace {

const char* const kColumns[] = {
    "作品ID", "作品名", "作品名読み", "ソート用読み", "副題", "副題読み", "原題", "初出", "分類番号", "文字遣い種別",
    "作品著作権フラグ", "公開日", "最終更新日", "図書カードURL", "人物ID", "姓", "名", "姓読み", "名読み",
    "姓読みソート用", "名読みソート用", "姓ローマ字", "名ローマ字", "役割フラグ", "生年月日", "没年月日",
    "人物著作権フラグ", "底本名1", "底本出版社名1", "底本初版発行年1", "入力に使用した版1", "校正に使用した版1",
    "底本の親本名1", "底本の親本出版社名1", "底本の親本初版発行年1", "底本名2", "底本出版社名2", "底本初版発行年2",
    "入力に使用した版2", "校正に使用した版2", "底本の親本名2", "底本の親本出版社名2", "底本の親本初版発行年2",
    "入力者", "校正者", "テキストファイルURL", "テキストファイル最終更新日", "テキストファイル符号化方式",
    "テキストファイル文字集合", "テキストファイル修正回数", "XHTML/HTMLファイルURL", "XHTML/HTMLファイル最終更新日",
    "XHTML/HTMLファイル符号化方式", "XHTML/HTMLファイル文字集合", "XHTML/HTMLファイル修正回数"};
constexpr int kRows = 20000;

// Characters of Japanese titles and names, as UTF-8 pieces.
const char* const kKanji[] = {"夏", "目", "漱", "石", "猫", "春", "秋", "山", "川", "花", "月", "夜", "風", "雪",
                              "海", "森", "鷗", "外", "芥", "龍", "之", "介", "物", "語", "記", "日", "本", "人"};
const char* const kKana[] = {"あ", "い", "う", "え", "お", "か", "き", "く", "け", "こ", "さ", "し", "す", "せ", "そ",
                             "た", "ち", "つ", "て", "と", "な", "に", "ぬ", "ね", "の", "は", "ひ", "ふ", "へ", "ほ"};

std::string Pick(std::mt19937& random, const char* const* set, std::size_t size, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += set[random() % size];
    return out;
}

std::string Csv() {
    std::mt19937 random(7);
    std::string csv = "\xEF\xBB\xBF";
    for (const char* column : kColumns) csv += std::string(csv.size() > 3 ? "," : "") + column;
    csv += "\r\n";
    for (int row = 0; row < kRows; ++row) {
        const int work = row - row / 10;  // one work in ten has two persons
        const int person = static_cast<int>(random() % 1000);
        const std::string id = std::to_string(100000 + work).substr(1);
        const std::string reading = Pick(random, kKana, std::size(kKana), 8);
        const std::string fields[std::size(kColumns)] = {
            id, Pick(random, kKanji, std::size(kKanji), 5) + "の" + Pick(random, kKanji, std::size(kKanji), 2),
            reading, reading, row % 5 ? "" : "上巻", row % 5 ? "" : "じょうかん", "", "「新潮」1910（明治43）年3月",
            "NDC 913", "新字新仮名", "なし", "2004-03-01", "2017-06-08",
            "https://www.aozora.gr.jp/cards/000" + std::to_string(person) + "/card" + id + ".html",
            std::to_string(person), Pick(random, kKanji, std::size(kKanji), 2),
            Pick(random, kKanji, std::size(kKanji), 2), Pick(random, kKana, std::size(kKana), 3),
            Pick(random, kKana, std::size(kKana), 3), "", "", "Natsume", "Soseki", row % 10 == 9 ? "翻訳者" : "著者",
            "1867-02-09", "1916-12-09", "なし", "夏目漱石全集1", "筑摩書房", "1987（昭和62）年9月29日",
            "1987（昭和62）年9月29日第1刷", "1987（昭和62）年9月29日第1刷", "", "", "", "", "", "", "", "", "", "",
            "", "柴田卓治", "渡部峰子",
            "https://www.aozora.gr.jp/cards/000" + std::to_string(person) + "/files/" + id + "_ruby_5639.zip",
            "2004-02-28", "ShiftJIS", "JIS X 0208", "0",
            "https://www.aozora.gr.jp/cards/000" + std::to_string(person) + "/files/" + id + "_14547.html",
            "2004-02-28", "ShiftJIS", "JIS X 0208", "0"};
        std::string line;
        for (const std::string& field : fields) line += (line.empty() ? "\"" : ",\"") + field + "\"";
        csv += line + "\r\n";
    }
    return csv;
}

// The catalogue zipped, in the cache folder of a temporary $XDG_CACHE_HOME.
const verdane::core::CatalogCache& Cache() {
    static const verdane::core::CatalogCache cache = [] {
        static char folder[] = "/tmp/verdane-library-bench-XXXXXX";
        if (::mkdtemp(folder) == nullptr) std::abort();
        std::atexit([] { std::filesystem::remove_all(folder); });
        const std::string csv = Csv();
        const std::string path = std::string(folder) + "/catalog.zip";
        int error = 0;
        zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        zip_source_t* source = zip_source_buffer(archive, csv.data(), csv.size(), 0);
        zip_file_add(archive, "list_person_all_extended_utf8.csv", source, ZIP_FL_ENC_UTF_8);
        if (zip_close(archive) != 0) std::abort();
        verdane::core::CatalogCache made(folder);
        if (!made.Keep("https://example.invalid/catalog.zip", verdane::platform::ReadWholeFile(path), 0)) std::abort();
        return made;
    }();
    return cache;
}

void BM_LoadKeptCatalog(benchmark::State& state) {
    const auto& cache = Cache();
    for (auto _ : state) {
        auto catalog = cache.LoadKept();
        if (!catalog) state.SkipWithError(catalog.Reason().c_str());
        benchmark::DoNotOptimize(catalog);
    }
}
BENCHMARK(BM_LoadKeptCatalog)->Unit(benchmark::kMillisecond);

// The two halves of a load.
void BM_UnzipCatalog(benchmark::State& state) {
    const std::string zip = verdane::platform::ReadWholeFile(Cache().Folder() + "/catalog.zip");
    for (auto _ : state) benchmark::DoNotOptimize(verdane::ReadArchiveFile(zip, ".csv"));
}
BENCHMARK(BM_UnzipCatalog)->Unit(benchmark::kMillisecond);

void BM_ParseCatalog(benchmark::State& state) {
    const std::string csv = Csv();
    for (auto _ : state) benchmark::DoNotOptimize(verdane::core::AozoraCatalog::FromCsv(csv));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * csv.size()));
}
BENCHMARK(BM_ParseCatalog)->Unit(benchmark::kMillisecond);

void BM_Search(benchmark::State& state) {
    static const auto catalog = Cache().LoadKept();
    const std::vector<std::vector<std::string>> searches = {
        {"夏目"}, {"ねこ"}, {"ｶﾞﾗｽ"}, {"ソウセキ"}, {"夏", "の月"}, {"natsume"}};
    const auto& words = searches[static_cast<std::size_t>(state.range(0))];
    for (auto _ : state) benchmark::DoNotOptimize(catalog->Search(words));
    state.SetLabel(std::to_string(catalog->Search(words).size()) + " works found");
}
BENCHMARK(BM_Search)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
