// The editor's view of a 2 MB Japanese text: a page scrolled and painted
// (text and line numbers) with the numbers off and on, wrapped and not, and
// one zoom step with its new layout. Real widgets under the offscreen platform.
#include "EditorView.h"
#include "SampleTexts.h"

#include "EditorCodec.h"

#include <QApplication>
#include <QScrollBar>

#include <benchmark/benchmark.h>

namespace {

using namespace verdane;

EditorView& TheEditor() {
    static EditorView* editor = [] {
        auto* view = new EditorView;
        view->resize(800, 600);
        view->setPlainText(
            platform::BytesToEditor(samples::ShuffledParagraphs(samples::JapaneseProse(), 2 << 20, 7)));
        view->show();
        QApplication::processEvents();
        return view;
    }();
    return *editor;
}

// Arguments: line numbers (0 off, 1 on), wrapping (0 off, 1 on).
void BM_ScrollAPageAndPaint(benchmark::State& state) {
    EditorView& view = TheEditor();
    view.SetLineNumbersShown(state.range(0) != 0);
    view.setLineWrapMode(state.range(1) != 0 ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    QScrollBar& bar = *view.verticalScrollBar();
    bar.setValue(bar.maximum() / 2);
    QApplication::processEvents();
    for (auto _ : state) {
        bar.setValue(bar.value() + bar.pageStep() >= bar.maximum() ? bar.maximum() / 2 : bar.value() + bar.pageStep());
        view.viewport()->repaint();
        if (view.LineNumbersShown()) view.LineNumberArea().repaint();
    }
}
BENCHMARK(BM_ScrollAPageAndPaint)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ZoomStep(benchmark::State& state) {
    EditorView& view = TheEditor();
    view.SetLineNumbersShown(true);
    view.setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QFont font = view.font();
    int step = 1;
    for (auto _ : state) {
        font.setPointSize(font.pointSize() + step);
        step = -step;
        view.setFont(font);
        view.viewport()->repaint();
        view.LineNumberArea().repaint();
    }
}
BENCHMARK(BM_ZoomStep)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
