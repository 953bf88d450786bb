// The editor window with large Japanese texts (10 and 50 MB of Shift-JIS prose):
// opening from a shown window as the start does, with the longest time the
// window had no turn to paint and the resident memory afterwards as counters;
// typing one character at the end of the text. Real widgets under the
// offscreen platform. bench/app/compare-featherpad.sh measures the whole
// program against FeatherPad under a real X server.
#include "PaintGapMeter.h"
#include "FakePrompts.h"
#include "SampleTexts.h"
#include "TestSupport.h"

#include "RegistryFile.h"
#include "UnitMain.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>

#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <map>

namespace {

using namespace verdane;

const std::string& TextFile(int megabytes) {
    static test::TempDir dir;
    static std::map<int, std::string> files;
    auto [it, added] = files.try_emplace(megabytes, dir.File("book" + std::to_string(megabytes) + ".txt"));
    if (added)
        test::WriteFile(it->second,
                        samples::ShuffledParagraphs(samples::JapaneseProse(), std::size_t(megabytes) << 20, 7));
    return it->second;
}

double StatusMegabytes(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return std::stod(line.substr(std::strlen(key))) / 1024.0;
    return 0;
}

// Starts the peak of resident memory afresh.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

QPlainTextEdit* Editor(QWidget& window) { return window.findChild<QPlainTextEdit*>(QStringLiteral("RichEditMain")); }

void BM_OpenLargeText(benchmark::State& state) {
    test::FakePrompts prompts;
    const QString path = QString::fromStdString(TextFile(int(state.range(0))));
    static const platform::TRegistryFile registry;
    bench::PaintGapMeter gaps;
    double resident = 0, peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<TFormMainVerdane>(registry, QStringList());
        window->show();
        QApplication::processEvents();
        const double before = StatusMegabytes("VmRSS:");
        ResetPeak();
        gaps.Start();
        state.ResumeTiming();
        window->OpenAtStart({path});
        Editor(*window)->viewport()->repaint();
        QApplication::processEvents();
        state.PauseTiming();
        gaps.Stop();
        resident = StatusMegabytes("VmRSS:") - before;
        peak = StatusMegabytes("VmHWM:") - before;
        if (window->windowTitle().isEmpty() || Editor(*window)->document()->isEmpty())
            state.SkipWithError("nothing opened");
        window.reset();
        state.ResumeTiming();
    }
    state.counters["worst_gap_ms"] = gaps.WorstMs();
    state.counters["text_MB_resident"] = resident;
    state.counters["text_MB_peak"] = peak;
    state.counters["process_MB"] = StatusMegabytes("VmRSS:");
}

void BM_TypeAtTheEnd(benchmark::State& state) {
    test::FakePrompts prompts;
    static const platform::TRegistryFile registry;
    TFormMainVerdane window(registry, QStringList());
    window.show();
    window.OpenAtStart({QString::fromStdString(TextFile(int(state.range(0))))});
    QPlainTextEdit* editor = Editor(window);
    editor->moveCursor(QTextCursor::End);
    editor->ensureCursorVisible();
    editor->setFocus();
    QApplication::processEvents();
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(editor, &press);
        editor->viewport()->repaint();
        QApplication::processEvents();
    }
}

BENCHMARK(BM_OpenLargeText)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_TypeAtTheEnd)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(50);

}  // namespace
