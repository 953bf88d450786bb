// Filling the editor in pieces: the editor holds exactly the text's editor text
// in both forms, Undo cannot take the fill back, the window gets turns to paint
// with the start of the text already shown, and progress runs to the total.
#include "TextFill.h"

#include "EditorCodec.h"
#include "TestSupport.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

using namespace verdane;
using platform::EditorBytes;

namespace {

std::string Repeat(const std::string& s, int n) {
    std::string out;
    out.reserve(s.size() * n);
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// About 3 MB of Shift-JIS lines, numbered so a misplaced piece shows.
std::string NumberedLines(int count) {
    std::string out;
    for (int i = 0; i < count; ++i)
        out += std::to_string(i) + " \x82\xB1\x82\xEA\x82\xCD\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x95\xB6\x8F\xCD\x82\xC5\x82\xB7\r\n";
    return out;
}

}  // namespace

class TextFillTest : public QObject {
    Q_OBJECT

private slots:
    void theEditorHoldsTheWholeText_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("utf8");
        QTest::newRow("Shift-JIS lines") << QByteArray::fromStdString(NumberedLines(20000)) << false;
        QTest::newRow("lone CR and LF, no last line end")
            << QByteArray::fromStdString(Repeat("\x88\x9F\r\x88\x9F\n\r\n", 5000) + "end") << false;
        QTest::newRow("undecodable bytes kept") << QByteArray::fromStdString(Repeat("\x80\xA0\xFD\x82\r\n", 9000)) << false;
        QTest::newRow("one line longer than a piece") << QByteArray::fromStdString(Repeat("\x88\x9F", 200000)) << false;
        QTest::newRow("UTF-8 with a byte-order mark")
            << QByteArray::fromStdString("\xEF\xBB\xBF" + Repeat("\xE3\x81\x82\xF0\x9F\x98\x80\r\n", 30000)) << true;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void theEditorHoldsTheWholeText() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, utf8);
        const EditorBytes form = utf8 ? EditorBytes::Utf8 : EditorBytes::ShiftJis;
        QPlainTextEdit editor;
        editor.setPlainText(QStringLiteral("old text"));
        editor.document()->setModified(true);
        int turns = 0;
        TextFillOptions options;
        options.pieceBytes = 4096;
        options.turnEveryMs = 0;  // a turn after every piece
        options.turn = [&] { ++turns; };
        FillEditor(editor, std::string_view(bytes.constData(), bytes.size()), form, options);
        QCOMPARE(editor.document()->toRawText(), platform::WholeToEditor({bytes.constData(), size_t(bytes.size())}, form)
                                                      .replace(u'\n', QChar::ParagraphSeparator));
        if (bytes.size() > 8192) QVERIFY(turns > 1);
        QVERIFY(!editor.document()->isUndoAvailable());
        QVERIFY(!editor.document()->isModified());
        QCOMPARE(editor.textCursor().position(), 0);
        // The old text is gone for good; typing is undone without bringing it back.
        QTest::keyClicks(&editor, "x");
        QVERIFY(editor.document()->isModified());
        editor.undo();
        QVERIFY(!editor.document()->toPlainText().contains(QStringLiteral("old text")));
    }

    void theWindowPaintsTheStartOfTheTextWhileTheRestGoesIn() {
        const std::string bytes = NumberedLines(120000);
        QPlainTextEdit editor;
        editor.setPlainText(QStringLiteral("old"));
        QTest::keyClicks(&editor, "typed");
        editor.resize(600, 400);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        struct Turn {
            std::size_t done;
            QString firstLine;
            int blocks;
            int caret;
            bool undo;
            bool modified;
        };
        std::vector<Turn> turns;
        std::vector<std::pair<std::size_t, std::size_t>> progress;
        TextFillOptions options;
        options.turnEveryMs = 0;
        options.progress = [&](std::size_t done, std::size_t total) { progress.emplace_back(done, total); };
        options.turn = [&] {
            QApplication::processEvents();
            turns.push_back({progress.back().first, editor.document()->firstBlock().text(),
                             editor.document()->blockCount(), editor.textCursor().position(),
                             editor.document()->isUndoAvailable(), editor.document()->isModified()});
        };
        FillEditor(editor, bytes, EditorBytes::ShiftJis, options);
        QVERIFY(turns.size() > 10);
        for (std::size_t i = 0; i < turns.size(); ++i) {
            QVERIFY(turns[i].firstLine.startsWith(QStringLiteral("0 ")));
            if (i) QVERIFY(turns[i].blocks > turns[i - 1].blocks);
            // Meanwhile the caret stays at the start, and the text is neither
            // an edit to undo nor modified.
            QCOMPARE(turns[i].caret, 0);
            QVERIFY(!turns[i].undo);
            QVERIFY(!turns[i].modified);
        }
        // The view stays at the start while the text grows below it.
        QCOMPARE(editor.verticalScrollBar()->value(), 0);
        QCOMPARE(progress.back(), std::make_pair(bytes.size(), bytes.size()));
        for (std::size_t i = 1; i < progress.size(); ++i) QVERIFY(progress[i].first > progress[i - 1].first);
        QCOMPARE(editor.document()->blockCount(), 120001);
        QCOMPARE(editor.document()->lastBlock().previous().text().left(7), QStringLiteral("119999 "));
    }
};

QTEST_MAIN(TextFillTest)
#include "TextFillTest.moc"
