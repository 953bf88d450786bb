// A snapshot of a 50 MB Japanese text for recovery, taken as the window takes it
// while the user types: one character typed, then the snapshot. The time
// measured is what the window's thread spends at the start (the pause a typist
// could feel);
// the copy goes on in the following turns of the event loop, each of which is
// timed too. The counters give the longest such pause and how long the whole
// snapshot took until its file was written. Real widgets under the offscreen platform.
#include "SampleTexts.h"
#include "TestSupport.h"

#include "DocumentSession.h"
#include "Recovery.h"
#include "TextFill.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>

namespace {

using namespace verdane;

double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The editor holding `megabytes` of Shift-JIS prose, as the window holds it.
struct LargeText {
    explicit LargeText(int megabytes) {
        FillEditor(editor, samples::ShuffledParagraphs(samples::JapaneseProse(), std::size_t(megabytes) << 20, 7),
                   platform::EditorBytes::ShiftJis);
        editor.show();
        QApplication::processEvents();
    }
    void Type() {
        QTextCursor end(editor.document());
        end.movePosition(QTextCursor::End);
        end.insertText(QStringLiteral("あ"));
    }
    test::TempDir dir;
    QPlainTextEdit editor;
    DocumentSession session{editor, nullptr};
};

// The time reported is the window thread's processor time for one snapshot
// (all its turns); the counters give the longest single turn, as processor
// time and as wall time (on a shared machine the latter includes waits for a
// processor), and the wall time until the file was written.
void BM_SnapshotPause(benchmark::State& state) {
    LargeText text(int(state.range(0)));
    RecoveryKeeper keeper(text.session, nullptr, QString::fromStdString(text.dir.File("recovery")));
    double worstCpu = 0, worstWall = 0, written = 0;
    for (auto _ : state) {
        text.Type();
        QElapsedTimer whole, turn;
        whole.start();
        double cpu = 0;
        // The first slice is copied right here, the rest in the next turns of
        // the event loop; each turn is a pause of the window's thread.
        for (bool first = true; first || keeper.Busy(); first = false) {
            const double before = ThreadCpuMs();
            turn.start();
            if (first)
                keeper.SnapshotNow();
            else
                QCoreApplication::processEvents();
            const double spent = ThreadCpuMs() - before;
            cpu += spent;
            worstCpu = std::max(worstCpu, spent);
            worstWall = std::max(worstWall, double(turn.nsecsElapsed()) / 1e6);
        }
        written = std::max(written, double(whole.nsecsElapsed()) / 1e6);
        state.SetIterationTime(cpu / 1e3);
    }
    state.counters["worst_turn_cpu_ms"] = worstCpu;
    state.counters["worst_turn_wall_ms"] = worstWall;
    state.counters["until_written_ms"] = written;
}
BENCHMARK(BM_SnapshotPause)->Arg(50)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

// For comparison: the whole text copied in one go, the pause a snapshot
// would cost without the slices.
void BM_WholeCopy(benchmark::State& state) {
    LargeText text(int(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(text.editor.document()->toRawText());
}
BENCHMARK(BM_WholeCopy)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
