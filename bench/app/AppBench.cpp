// The editor window with a 10 MB Shift-JIS text: start with the text on the
// command line, open its DOC database, type one character, save it as a
// compressed database. Real widgets under the offscreen platform; resident
// memory after opening is reported as a counter.
#include "PaintGapMeter.h"
#include "FakePrompts.h"
#include "WindowParts.h"
#include "TestHttpServer.h"
#include "SampleTexts.h"
#include "TestSupport.h"

#include "DocConvert.h"
#include "EditorCodec.h"
#include "MemoryStream.h"
#include "RegistryFile.h"
#include "UnitMain.h"
#include "UnitName.h"
#include "UnitURL.h"

#include <QComboBox>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QPlainTextEdit>

#include <benchmark/benchmark.h>

#include <fstream>

namespace {

using namespace verdane;

struct Files {
    test::TempDir dir;
    std::string text = dir.File("book.txt");
    std::string database = dir.File("book.pdb");
    Files() {
        const std::string bytes = samples::ShuffledParagraphs(samples::JapaneseProse(), 10 << 20, 7);
        test::WriteFile(text, bytes);
        TMemoryStream in(bytes), out;
        TextToDoc(in, out, "book", true, true);
        test::WriteFile(database, out.Bytes());
    }
};

Files& TheFiles() {
    static Files files;
    return files;
}

double ResidentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

const platform::TRegistryFile& Registry() {
    static const platform::TRegistryFile registry;
    return registry;
}

void Settle() { QApplication::processEvents(); }

void BM_StartWithTextOnCommandLine(benchmark::State& state) {
    test::FakePrompts prompts;
    for (auto _ : state) {
        TFormMainVerdane window(Registry(), {QString::fromStdString(TheFiles().text)});
        window.show();
        test::Editor(window)->viewport()->repaint();
        Settle();
        state.PauseTiming();
        window.close();
        state.ResumeTiming();
    }
}

void BM_OpenDocDatabase(benchmark::State& state) {
    test::FakePrompts prompts;
    TFormMainVerdane window(Registry(), {});
    window.show();
    Settle();
    for (auto _ : state) {
        test::PickRecent(window, QString::fromStdString(TheFiles().database));
        test::Editor(window)->viewport()->repaint();
        Settle();
    }
    state.counters["resident_MB"] = ResidentMegabytes();
}

void BM_TypeOneCharacter(benchmark::State& state) {
    test::FakePrompts prompts;
    TFormMainVerdane window(Registry(), {QString::fromStdString(TheFiles().text)});
    window.show();
    Settle();
    QTextCursor cursor = test::Editor(window)->textCursor();
    cursor.setPosition(test::Editor(window)->document()->characterCount() / 2);
    test::Editor(window)->setTextCursor(cursor);
    test::Editor(window)->centerCursor();
    Settle();
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(test::Editor(window), &press);
        test::Editor(window)->viewport()->repaint();
        Settle();
    }
}

void BM_SaveCompressedPdb(benchmark::State& state) {
    test::FakePrompts prompts;
    TFormMainVerdane window(Registry(), {QString::fromStdString(TheFiles().text)});
    const QString target = QString::fromStdString(TheFiles().dir.File("saved"));
    for (auto _ : state) {
        prompts.saveChoices.push_back({target, 3});
        prompts.dialogs.push_back([](QDialog& d) {
            auto& form = dynamic_cast<TFormName&>(d);
            form.CheckBoxCompress->setChecked(true);
            return int(QDialog::Accepted);
        });
        if (!test::Save(window)) state.SkipWithError("save failed");
    }
}

BENCHMARK(BM_StartWithTextOnCommandLine)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_OpenDocDatabase)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_TypeOneCharacter)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(50);
BENCHMARK(BM_SaveCompressedPdb)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace


namespace {

// The codec's share of opening and saving.
void BM_BytesToEditor(benchmark::State& state) {
    const std::string bytes = test::ReadFile(TheFiles().text);
    for (auto _ : state) benchmark::DoNotOptimize(platform::BytesToEditor(bytes));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void BM_EditorToBytes(benchmark::State& state) {
    const QString text = platform::BytesToEditor(test::ReadFile(TheFiles().text));
    for (auto _ : state) benchmark::DoNotOptimize(platform::EditorToBytes(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size() * 2));
}

void BM_SetPlainText(benchmark::State& state) {
    const QString text = platform::BytesToEditor(test::ReadFile(TheFiles().text));
    QPlainTextEdit edit;
    for (auto _ : state) edit.setPlainText(text);
}

BENCHMARK(BM_BytesToEditor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditorToBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetPlainText)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

namespace {

// A Japanese page: the prose in paragraphs, with tags, entities and references.
std::string JapanesePage(std::size_t size) {
    const std::string prose = samples::ShuffledParagraphs(samples::JapaneseProse(), size, 11);
    std::string page = "<html><head><title>page</title></head><body>\r\n";
    std::size_t at = 0;
    while (at < prose.size()) {
        const std::size_t end = std::min(prose.size(), prose.find("\r\n", at) == std::string::npos ? prose.size() : prose.find("\r\n", at) + 2);
        page += "<p class=\"t\">" + prose.substr(at, end - at) + "&amp; <img src=\"a.png\" alt=\"fig\"> &#65;</p>\r\n";
        at = end;
    }
    return page + "</body></html>\r\n";
}

// From OK in the URL dialog to the converted text in the editor.
void BM_OpenPageFromUrlWithHtml(benchmark::State& state) {
    test::FakePrompts prompts;
    test::TestHttpServer server;
    const std::string page = JapanesePage(10 << 20);
    server.On("*", {test::Send(test::Answer("HTTP/1.0 200 OK", {"Content-Length: " + std::to_string(page.size())}, page))});
    TFormMainVerdane window(Registry(), {});
    window.show();
    Settle();
    for (auto _ : state) {
        prompts.dialogs.push_back([&](QDialog& d) {
            auto& form = dynamic_cast<TFormURL&>(d);
            form.EditURL->setEditText(QString::fromStdString(server.Url("/page")));
            form.CheckBoxHTML->setChecked(true);
            return int(QDialog::Accepted);
        });
        test::Trigger(window, "URLU1");
        test::Editor(window)->viewport()->repaint();
        Settle();
        if (test::Editor(window)->document()->isEmpty()) state.SkipWithError("nothing downloaded");
        state.PauseTiming();
        test::SetText(window, "");
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

// The HTML command on a 5 MB page; the longest time the window had no turn to
// paint is reported as a counter (a 5 ms timer measures the gaps).
void BM_HtmlCommandRepaintGap(benchmark::State& state) {
    test::FakePrompts prompts;
    const std::string page = JapanesePage(5 << 20);
    TFormMainVerdane window(Registry(), {});
    window.show();
    Settle();
    bench::PaintGapMeter gaps;
    for (auto _ : state) {
        state.PauseTiming();
        test::SetText(window, page);
        Settle();
        gaps.Start();
        state.ResumeTiming();
        test::Trigger(window, "MenuEditHTML");
        state.PauseTiming();
        gaps.Stop();
        state.ResumeTiming();
    }
    state.counters["worst_gap_ms"] = gaps.WorstMs();
}

BENCHMARK(BM_OpenPageFromUrlWithHtml)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_HtmlCommandRepaintGap)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

namespace {

// Replacing the whole text in one undo step, as the HTML command and a download do.
void BM_ReplaceAllAsOneUndoStep(benchmark::State& state) {
    const QString text = platform::BytesToEditor(test::ReadFile(TheFiles().text));
    QPlainTextEdit edit;
    edit.setPlainText(text);
    for (auto _ : state) {
        QTextCursor cursor(edit.document());
        cursor.beginEditBlock();
        cursor.select(QTextCursor::Document);
        cursor.insertText(text);
        cursor.endEditBlock();
    }
}
BENCHMARK(BM_ReplaceAllAsOneUndoStep)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
