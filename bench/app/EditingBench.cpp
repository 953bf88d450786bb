// Find Next and Replace All in the editor holding the 10 MB Shift-JIS text, as
// the user meets them: a real QPlainTextEdit under the offscreen platform. And
// the settings file written at close, key by key.
#include "EditorCodec.h"
#include "EditorSearch.h"
#include "HistMenu.h"
#include "ProfileFile.h"
#include "SampleTexts.h"
#include "Settings.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QTemporaryDir>
#include <QPlainTextEdit>
#include <QTextBlock>

#include <benchmark/benchmark.h>

namespace {

using namespace verdane;

// The 10 MB text in the editor, with a marker word near its end.
QString TenMegabyteText() {
    static const QString text = [] {
        std::string bytes = samples::ShuffledParagraphs(samples::JapaneseProse(), 10 << 20, 7);
        bytes.replace(bytes.size() - 200, 6, "NEEDLE");
        return platform::BytesToEditor(bytes);
    }();
    return text;
}

void BM_FindNextNearTheEnd(benchmark::State& state) {
    QPlainTextEdit editor;
    editor.setPlainText(TenMegabyteText());
    TEditorSearch search;
    search.TakeParameters(QStringLiteral("needle"), false, false);
    for (auto _ : state) {
        QTextCursor c = editor.textCursor();
        c.setPosition(0);
        editor.setTextCursor(c);
        search.FindNext(editor);
        if (!search.SearchFound) state.SkipWithError("not found");
    }
}
BENCHMARK(BM_FindNextNearTheEnd)->Unit(benchmark::kMillisecond);

// The same with the pattern engine (正規表現 and あいまい): the 10 MB text as
// the engine reads it is made once per edit, so the first F3 after an edit
// pays for it (here every time, the cache dropped) and later ones do not.
void BM_PatternFindNextNearTheEnd(benchmark::State& state) {
    QPlainTextEdit editor;
    editor.setPlainText(TenMegabyteText());
    SearchParameters p;
    p.text = QStringLiteral("ne+dle");
    p.pattern = true;
    p.fuzzy = state.range(1) != 0;
    TEditorSearch kept;
    kept.TakeParameters(p);
    for (auto _ : state) {
        TEditorSearch fresh;
        fresh.TakeParameters(p);
        TEditorSearch& search = state.range(0) != 0 ? kept : fresh;
        QTextCursor c = editor.textCursor();
        c.setPosition(0);
        editor.setTextCursor(c);
        search.FindNext(editor);
        if (!search.SearchFound) state.SkipWithError("not found");
    }
}
// Args: (0 a fresh search each time | 1 the same search again, fuzzy off | on).
BENCHMARK(BM_PatternFindNextNearTheEnd)->Args({0, 0})->Args({1, 0})->Args({1, 1})->Unit(benchmark::kMillisecond);

// The highlights of one screen (60 lines) of the text: what each scroll costs.
void BM_HighlightOneScreen(benchmark::State& state) {
    const QString text = TenMegabyteText();
    const qsizetype from = text.size() / 2;
    const qsizetype start = text.indexOf(u'\n', from) + 1;
    qsizetype end = start;
    for (int line = 0; line < 60; ++line) end = text.indexOf(u'\n', end) + 1;
    const QStringView screen = QStringView(text).mid(start, end - start - 1);
    SearchParameters p;
    p.text = QStringLiteral("の");
    p.pattern = state.range(0) != 0;
    p.fuzzy = state.range(0) != 0;
    TEditorSearch search;
    search.TakeParameters(p);
    for (auto _ : state) benchmark::DoNotOptimize(search.MatchesIn(screen, static_cast<int>(start), 2000));
}
// Args: 0 plain, 1 pattern and fuzzy.
BENCHMARK(BM_HighlightOneScreen)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// 100,000 replacements of "XY" by "XYZ" spread over the text, and their undo.
QString TextWithOccurrences(int count) {
    QString text = TenMegabyteText();
    const qsizetype step = text.size() / count;
    for (int i = 0; i < count; ++i) {
        const qsizetype at = i * step;
        text[at] = u'X';
        text[at + 1] = u'Y';
    }
    return text;
}

// The text put in the editor anew, and a search for "XY" (the callers do not time it).
TEditorSearch SearchInFreshText(QPlainTextEdit& editor, const QString& text) {
    editor.setPlainText(text);
    TEditorSearch search;
    search.TakeParameters(QStringLiteral("XY"), true, false);
    return search;
}

void BM_ReplaceAll100000(benchmark::State& state) {
    const QString text = TextWithOccurrences(100000);
    QPlainTextEdit editor;
    for (auto _ : state) {
        state.PauseTiming();
        TEditorSearch search = SearchInFreshText(editor, text);
        state.ResumeTiming();
        if (search.ReplaceAll(editor, QStringLiteral("XYZ")) < 100000) state.SkipWithError("too few replacements");
    }
}
BENCHMARK(BM_ReplaceAll100000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_UndoReplaceAll100000(benchmark::State& state) {
    const QString text = TextWithOccurrences(100000);
    QPlainTextEdit editor;
    for (auto _ : state) {
        state.PauseTiming();
        SearchInFreshText(editor, text).ReplaceAll(editor, QStringLiteral("XYZ"));
        state.ResumeTiming();
        editor.undo();
    }
    if (editor.document()->characterCount() != text.size() + 1) state.SkipWithError("undo did not restore");
}
BENCHMARK(BM_UndoReplaceAll100000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Every setting and a full recent-files list (32 paths), written at close.
void BM_SaveSettingsAtClose(benchmark::State& state) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("verdane.INI"));
    TSettings settings;
    for (auto& phrase : settings.FixedPhrases) phrase = QStringLiteral("定型文の例です。");
    QMenu menu;
    QAction* anchor = menu.addSeparator();
    THistoryMenu history;
    history.FileName = ini;
    history.SetTargetMenuItem(anchor);
    for (int i = 0; i < 32; ++i) history.AddHistory(QStringLiteral("/home/user/本/第%1章.txt").arg(i));
    for (auto _ : state) {
        platform::TProfile profile(ini);
        SaveSettings(profile, settings);
        history.SaveHistory();
    }
}
BENCHMARK(BM_SaveSettingsAtClose)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
