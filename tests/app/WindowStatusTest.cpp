// What the editor window tells beyond the DOC title: the caret's line and
// column, the code and line ends the next save writes, the modified mark; Redo and
// Select All beside every shortcut of the menus; Find saying when nothing further
// is found; and a long text coming in while the window paints, with its progress
// on the status bar.
#include "FakePrompts.h"
#include "TestSupport.h"
#include "WindowParts.h"

#include "FindDialogs.h"
#include "RegistryFile.h"
#include "StatusNote.h"
#include "UnitMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

using namespace verdane;
using namespace verdane::test;

namespace {

// "あいう漢字" and an ASCII line, CR LF ends.
const std::string kSjis = "\x82\xA0\x82\xA2\x82\xA4\x8A\xBF\x8E\x9A\r\nline two ABC\r\n";

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::unique_ptr<TFormMainVerdane> NewWindow() {
    static const platform::TRegistryFile registry;
    return std::make_unique<TFormMainVerdane>(registry, QStringList());
}

QString Panel(const QObject& window, const char* name) { return Part<QLabel>(window, name)->text(); }

std::string Nkf(const char* option, const std::string& sjis) {
    const auto r = RunProcess("/usr/bin/nkf", {"-S", option, "-x"}, sjis);
    if (r.exitCode != 0) qFatal("nkf failed");
    return r.out;
}

std::string WithLf(std::string s) {
    std::string out;
    for (char c : s)
        if (c != '\r') out += c;
    return out;
}

}  // namespace

class WindowStatusTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        prompts_ = std::make_unique<FakePrompts>();
        config_ = std::make_unique<TempConfigHome>();
    }
    void cleanup() {
        prompts_.reset();
        config_.reset();
    }

    void theStatusBarTellsTheCodeAndLineEndsTheNextSaveWrites_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("code");
        QTest::newRow("Shift-JIS, CR LF") << QByteArray::fromStdString(kSjis) << "Shift-JIS CR LF";
        QTest::newRow("EUC-JP, LF") << QByteArray::fromStdString(WithLf(Nkf("-e", kSjis))) << "EUC-JP LF";
        QTest::newRow("JIS, CR LF") << QByteArray::fromStdString(Nkf("-j", kSjis)) << "JIS CR LF→Shift-JIS CR LF";
        QTest::newRow("UTF-8, LF") << QByteArray::fromStdString(WithLf(Nkf("-w", kSjis))) << "UTF-8 LF";
        QTest::newRow("UTF-8 with BOM, CR LF") << QByteArray::fromStdString(Nkf("-w8", kSjis)) << "UTF-8 (BOM) CR LF";
        QTest::newRow("mixed line ends") << QByteArray("a\r\nb\nc\rd") << "Shift-JIS 改行混在→Shift-JIS CR LF";
    }
    void theStatusBarTellsTheCodeAndLineEndsTheNextSaveWrites() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, code);
        TempDir dir;
        WriteFile(dir.File("text.txt"), bytes.toStdString());
        auto w = NewWindow();
        QCOMPARE(Panel(*w, "StatusCode"), QStringLiteral("Shift-JIS CR LF"));
        w->OpenAtStart({Q(dir.File("text.txt"))});
        QCOMPARE(Caption(*w), QStringLiteral("text.txt - Verdane Ver1.22"));
        QCOMPARE(Panel(*w, "StatusCode"), code);
        QCOMPARE(Panel(*w, "StatusModified"), QString());
        // New: what a new text is written in.
        Trigger(*w, "MenuNew");
        QCOMPARE(Panel(*w, "StatusCode"), QStringLiteral("Shift-JIS CR LF"));
    }

    void theStatusBarFollowsTheCaretAndTheModifiedFlag() {
        TempDir dir;
        WriteFile(dir.File("text.txt"), kSjis);
        auto w = NewWindow();
        w->OpenAtStart({Q(dir.File("text.txt"))});
        QPlainTextEdit* editor = Editor(*w);
        QCOMPARE(Panel(*w, "StatusCaret"), QStringLiteral("1 行, 1 桁"));
        QTest::keyClick(editor, Qt::Key_Down);
        QTest::keyClick(editor, Qt::Key_Right);
        QTest::keyClick(editor, Qt::Key_Right);
        QCOMPARE(Panel(*w, "StatusCaret"), QStringLiteral("2 行, 3 桁"));
        // A character of two bytes is one column: after "あいう漢字" comes column 6.
        QTest::keyClick(editor, Qt::Key_Up);
        QTest::keyClick(editor, Qt::Key_End);
        QCOMPARE(Panel(*w, "StatusCaret"), QStringLiteral("1 行, 6 桁"));
        QTest::keyClicks(editor, "x");
        QCOMPARE(Panel(*w, "StatusModified"), QStringLiteral("変更あり"));
        TriggerWhenIdle(*w, "MenuUndo");
        QCOMPARE(Panel(*w, "StatusModified"), QString());
        // The DOC title keeps its panel.
        QVERIFY(Part<QLabel>(*w, "StatusPanel0"));
        // Alt with a letter that names no menu types nothing.
        QTest::keyClick(editor, Qt::Key_N, Qt::AltModifier);
        QCOMPARE(Panel(*w, "StatusModified"), QString());
        // A note too long for the bar loses its middle and ends before the caret's field.
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const QString note = QStringLiteral("「%1.txt」に保存しました").arg(QString(60, u'長'));
        ShowStatusNote(w.get(), note);
        const QString shown = w->statusBar()->currentMessage();
        QVERIFY2(shown.contains(QStringLiteral("…")) && shown.endsWith(QStringLiteral(".txt」に保存しました")), qPrintable(shown));
        QVERIFY(6 + w->statusBar()->fontMetrics().horizontalAdvance(shown) < Part<QLabel>(*w, "StatusCaret")->x());
        QCOMPARE(w->statusBar()->toolTip(), note);
    }

    // The menus' shortcuts: every one the window always had, and the new ones.
    void everyShortcutOfTheMenusIsThere_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("keys");
        const std::pair<const char*, const char*> rows[] = {
            {"MenuNew", "Ctrl+N"},       {"MenuOpen", "Ctrl+O"},      {"MenuSave", "Ctrl+S"},
            {"MenuInstall", "Ctrl+I"},   {"T1", "Ctrl+T"},            {"MenuQuit", "Ctrl+Q"},
            {"MenuUndo", "Ctrl+Z"},      {"EditCut", "Ctrl+X"},       {"EditCopy", "Ctrl+C"},
            {"EditPaste", "Ctrl+V"},     {"MenuBM", "Ctrl+B"},        {"EditDay", "Ctrl+D"},
            {"FindFind", "Ctrl+F"},      {"FindReplace", "Ctrl+R"},   {"FindNext", "F3"},
            {"MenuRedo", "Ctrl+Y, Ctrl+Shift+Z"},                    {"EditSelectAll", "Ctrl+A"},
        };
        for (const auto& [action, keys] : rows) QTest::newRow(action) << action << keys;
    }
    void everyShortcutOfTheMenusIsThere() {
        QFETCH(QString, action);
        QFETCH(QString, keys);
        auto w = NewWindow();
        QStringList shown;
        for (const QKeySequence& k : Action(*w, action.toLatin1().constData())->shortcuts())
            shown << k.toString(QKeySequence::PortableText);
        QCOMPARE(shown.join(QStringLiteral(", ")), keys);
    }

    // An access key names one item of its menu: with two, the key only moves
    // between them and Enter runs whichever is highlighted.
    void noTwoItemsOfAMenuShareAnAccessKey() {
        auto w = NewWindow();
        const auto menus = w->menuBar()->findChildren<QMenu*>(Qt::FindDirectChildrenOnly);
        QVERIFY(menus.size() >= 4);
        for (const QMenu* menu : menus) {
            QMap<QChar, QString> taken;
            for (const QAction* item : menu->actions()) {
                const QString text = item->text();
                const qsizetype amp = text.indexOf(QLatin1Char('&'));
                if (amp < 0 || amp + 1 >= text.size()) continue;
                const QChar key = text.at(amp + 1).toUpper();
                QVERIFY2(!taken.contains(key),
                         qPrintable(menu->title() + ": " + taken.value(key) + " / " + text));
                taken.insert(key, text);
            }
        }
    }

    void redoTakesBackAnUndoAndSelectAllSelectsTheWholeText_data() {
        QTest::addColumn<QKeySequence>("redoKeys");
        QTest::newRow("Ctrl+Y") << QKeySequence(Qt::CTRL | Qt::Key_Y);
        QTest::newRow("Ctrl+Shift+Z") << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    }
    void redoTakesBackAnUndoAndSelectAllSelectsTheWholeText() {
        QFETCH(QKeySequence, redoKeys);
        auto w = NewWindow();
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QPlainTextEdit* editor = Editor(*w);
        editor->setFocus();
        QTest::keyClicks(editor, "abc");
        QAction* redo = Action(*w, "MenuRedo");
        QTest::keySequence(w.get(), QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(editor->toPlainText(), QString());
        RunIdle();
        QVERIFY(redo->isEnabled());
        QTest::keySequence(w.get(), redoKeys);
        QCOMPARE(editor->toPlainText(), QStringLiteral("abc"));
        RunIdle();
        QVERIFY(!redo->isEnabled());
        QTest::keySequence(w.get(), QKeySequence(Qt::CTRL | Qt::Key_A));
        QCOMPARE(editor->textCursor().selectedText(), QStringLiteral("abc"));
        // The menu items do the same.
        editor->moveCursor(QTextCursor::End);
        Action(*w, "EditSelectAll")->trigger();
        QCOMPARE(editor->textCursor().selectedText(), QStringLiteral("abc"));
    }

    void findSaysWhenThereIsNoFurtherMatch() {
        auto w = NewWindow();
        SetText(*w, "one two one\r\n");
        auto* dialog = w->findChild<TFindDialog*>(QStringLiteral("FindDialog1"));
        QVERIFY(dialog);
        dialog->EditFind->setText(QStringLiteral("one"));
        dialog->CheckWrap->setChecked(false);
        emit dialog->Find();
        QCOMPARE(Editor(*w)->textCursor().selectionStart(), 0);
        emit dialog->Find();
        QCOMPARE(Editor(*w)->textCursor().selectionStart(), 8);
        QCOMPARE(w->statusBar()->currentMessage(), QString());
        emit dialog->Find();
        QCOMPARE(w->statusBar()->currentMessage(), QStringLiteral("「one」はここより後に見つかりません"));
        // F3 says so too.
        w->statusBar()->clearMessage();
        Action(*w, "FindNext")->trigger();
        QCOMPARE(w->statusBar()->currentMessage(), QStringLiteral("「one」はここより後に見つかりません"));
        // And Replace, when the occurrence it replaced was the last one.
        auto* replace = w->findChild<TReplaceDialog*>(QStringLiteral("ReplaceDialog1"));
        QVERIFY(replace);
        replace->EditFind->setText(QStringLiteral("two"));
        replace->EditReplaceText()->setText(QStringLiteral("2"));
        QTextCursor start(Editor(*w)->document());
        Editor(*w)->setTextCursor(start);
        emit replace->Find();
        QCOMPARE(w->statusBar()->currentMessage(), QString());
        emit replace->Replace();
        QCOMPARE(Editor(*w)->toPlainText(), QStringLiteral("one 2 one\n"));
        QCOMPARE(w->statusBar()->currentMessage(), QStringLiteral("「two」は見つかりません"));
    }

    // A text of 12 MB: the caption is there at the first turn, the text grows
    // from its start while the window paints, the progress shows meanwhile and
    // goes when the text is in; the text is the file's, unmodified, and Undo
    // has nothing to take back.
    void aLongTextComesInWhileTheWindowPaints() {
        TempDir dir;
        std::string line = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x95\xB6\x8F\xCD\x82\xC5\x82\xB7 0123456789\r\n";
        std::string text;
        while (text.size() < (12u << 20)) text += line;
        WriteFile(dir.File("long.txt"), text);
        auto w = NewWindow();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        auto* progress = Part<QProgressBar>(*w, "StatusProgress");
        int ticks = 0, filling = 0, progressShown = 0, captionLate = 0, shrinking = 0, lastBlocks = 0, painted = 0;
        struct PaintCounter : QObject {
            int* count;
            bool eventFilter(QObject*, QEvent* e) override {
                if (e->type() == QEvent::Paint) ++*count;
                return false;
            }
        } counter;
        counter.count = &painted;
        w->statusBar()->installEventFilter(&counter);
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            // Turns come while the file is read, and while its text comes in.
            ++ticks;
            if (progress->isVisible()) ++progressShown;
            const int blocks = Editor(*w)->document()->blockCount();
            if (blocks > 1) {
                ++filling;
                if (Caption(*w) != QStringLiteral("long.txt - Verdane Ver1.22")) ++captionLate;
            }
            if (blocks < lastBlocks) ++shrinking;
            lastBlocks = blocks;
        });
        tick.start(1);
        w->OpenAtStart({Q(dir.File("long.txt"))});
        tick.stop();
        QVERIFY2(filling >= 1, qPrintable(QString::number(filling)));
        QCOMPARE(captionLate, 0);
        QCOMPARE(shrinking, 0);
        QVERIFY(progressShown > 0);
        QVERIFY(painted > 0);
        QVERIFY(!progress->isVisible());
        QCOMPARE(Bytes(*w), text);
        QVERIFY(!Modified(*w));
        QVERIFY(!Editor(*w)->document()->isUndoAvailable());
        QCOMPARE(Panel(*w, "StatusModified"), QString());
    }

    // Closed while a long text comes in: the window closes when the text is in.
    void aCloseDuringTheFillWaitsForItsEnd() {
        TempDir dir;
        std::string text;
        while (text.size() < (16u << 20)) text += "0123456789 abcdefghij\r\n";
        WriteFile(dir.File("long.txt"), text);
        auto w = NewWindow();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        bool asked = false;
        QTimer::singleShot(1, w.get(), [&] {
            asked = true;
            w->close();
        });
        w->OpenAtStart({Q(dir.File("long.txt"))});
        QVERIFY(asked);
        QCOMPARE(Bytes(*w), text);
        QTRY_VERIFY(!w->isVisible());
    }

private:
    std::unique_ptr<FakePrompts> prompts_;
    std::unique_ptr<TempConfigHome> config_;
};

QTEST_MAIN(WindowStatusTest)
#include "WindowStatusTest.moc"
