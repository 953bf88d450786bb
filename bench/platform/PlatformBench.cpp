// Inputs that once turned quadratic: a load of the window's settings (the 35
// keys it reads at start) from a settings file of 10 MB with CR LF line ends,
// and a registry file of 20,000 keys that removes them all again. And the
// editor's text written for a save in each code (what every write plan does).
#include "EditorFileCodec.h"
#include "ProfileFile.h"
#include "RegistryFile.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>

namespace {

using namespace verdane::platform;

// The sections the window reads, then a long section of other keys (recent
// files of another program, say) up to `size` bytes.
std::string SettingsText(std::size_t size) {
    std::string text = "[Fonts]\r\nRichEditMainFontName=IPAPGothic\r\nRichEditMainFontSize=10\r\n"
                       "[Setting]\r\nColor=16777215\r\nBM=(BM)\r\n[Proxy]\r\nServer=proxy\r\nPort=8080\r\n"
                       "[Window]\r\nTop=10\r\nLeft=10\r\nWidth=600\r\nHeight=400\r\n[Verdane]\r\nCompress=1\r\n"
                       "[Other]\r\n";
    for (int i = 0; text.size() < size; ++i)
        text += "Entry" + std::to_string(i) + "=/home/user/documents/some folder/file " + std::to_string(i) + ".txt\r\n";
    return text + "[URL]\r\nURL1=http://example.com/\r\n";
}

void BM_SettingsLoad(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("verdane.INI"));
    std::ofstream(path.toStdString(), std::ios::binary) << SettingsText(static_cast<std::size_t>(state.range(0)));
    const QString sections[] = {QStringLiteral("Fonts"), QStringLiteral("Setting"), QStringLiteral("Proxy"),
                                QStringLiteral("Window"), QStringLiteral("Verdane"), QStringLiteral("Strings"),
                                QStringLiteral("URL")};
    for (auto _ : state) {
        const TProfile ini(path);
        int found = 0;
        for (int k = 0; k < 35; ++k)
            found += !ini.ReadString(sections[k % 7], QStringLiteral("Key%1").arg(k), QString()).isEmpty();
        found += ini.ReadInteger(QStringLiteral("Window"), QStringLiteral("Width"), 0);
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SettingsLoad)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

void BM_RegistryRemovals(benchmark::State& state) {
    const int keys = static_cast<int>(state.range(0));
    std::string text = "REGEDIT4\r\n";
    for (int i = 0; i < keys; ++i)
        text += "[HKEY_CURRENT_USER\\Software\\Test\\Key" + std::to_string(i) + "]\r\n\"Name\"=\"v\"\r\n";
    for (int i = 0; i < keys; ++i) text += "[-HKEY_CURRENT_USER\\Software\\Test\\Key" + std::to_string(i) + "]\r\n";
    for (auto _ : state) {
        const TRegistryFile registry = TRegistryFile::Parse(text, "/");
        benchmark::DoNotOptimize(registry.SubKeys("HKEY_CURRENT_USER\\Software\\Test").size());
    }
    state.SetLabel(std::to_string(text.size()) + " bytes");
}
BENCHMARK(BM_RegistryRemovals)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace

// A 10 MB Japanese text (kana, kanji, ASCII, line breaks) in each code.
void BM_EncodeForFile(benchmark::State& state) {
    const QString line = QString::fromUtf8("\xE5\x90\xBE\xE8\xBC\xA9\xE3\x81\xAF\xE7\x8C\xAB\xE3\x81\xA7\xE3\x81\x82\xE3\x82\x8B\xE3\x80\x82 Palm DOC text.\n");
    QString text;
    while (text.size() < (5 << 20)) text += line;
    const FileForm form{static_cast<FileCode>(state.range(0)), true};
    for (auto _ : state) benchmark::DoNotOptimize(EncodeForFile(text, form).bytes.data());
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(BM_EncodeForFile)->Arg(int(FileCode::ShiftJis))->Arg(int(FileCode::EucJp))->Arg(int(FileCode::Utf8))
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
