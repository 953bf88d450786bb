// The 表示 menu as a user meets it: its items, keys and Ctrl with the wheel
// on the offscreen window, the caption's mark of an edited text, and the view
// kept in a real settings file across a restart.
#include "FakePrompts.h"
#include "TestSupport.h"
#include "WindowParts.h"

#include "RegistryFile.h"

#include <QInputDialog>
#include <QTest>
#include <QWheelEvent>

using namespace verdane;
using namespace verdane::test;

class ViewCommandsTest : public QObject {
    Q_OBJECT

    static std::unique_ptr<TFormMainVerdane> NewWindow() {
        static const platform::TRegistryFile registry;
        auto w = std::make_unique<TFormMainVerdane>(registry, QStringList{});
        w->show();
        w->activateWindow();  // the window's shortcuts work in the active window
        if (!QTest::qWaitForWindowActive(w.get())) qFatal("the window did not become active");
        Editor(*w)->setFocus();
        return w;
    }

    // The view in one line: what is kept across a restart, then the caret's line and the caption.
    static QString View(TFormMainVerdane& w) {
        QPlainTextEdit* e = Editor(w);
        const bool numbers = Part<QWidget>(w, "LineNumberArea")->isVisible() && e->viewport()->x() > 20;
        return QStringLiteral("wrap %1, %2 pt, numbers %3 | line %4, %5").arg(e->lineWrapMode() == QPlainTextEdit::WidgetWidth)
            .arg(e->font().pointSize()).arg(numbers).arg(e->textCursor().blockNumber() + 1).arg(Caption(w));
    }

private slots:
    void viewChangesTheEditorAndSurvivesARestart_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("view");
        const auto row = [](const char* name, const char* steps, const char* view, const char* caption = "NewFile") {
            QTest::newRow(name) << steps << QStringLiteral("%1, %2 - Verdane Ver1.22").arg(view, caption);
        };
        row("wrap off", "ViewWordWrap", "wrap 0, 9 pt, numbers 0 | line 1");
        row("zoom in: menu, keys, wheel", "ViewZoomIn key:Ctrl++ key:Ctrl+= wheel:120", "wrap 1, 13 pt, numbers 0 | line 1");
        row("zoom out: menu, key, wheel", "ViewZoomOut key:Ctrl+- wheel:-120", "wrap 1, 6 pt, numbers 0 | line 1");
        row("a touchpad's small turns add up", "wheel:60 wheel:50 wheel:40", "wrap 1, 10 pt, numbers 0 | line 1");
        row("zoom out stops at 4 points", "ViewZoomOut ViewZoomOut ViewZoomOut ViewZoomOut ViewZoomOut ViewZoomOut ViewZoomIn",
            "wrap 1, 5 pt, numbers 0 | line 1");
        row("zoom reset", "ViewZoomIn ViewZoomIn key:Ctrl+0", "wrap 1, 9 pt, numbers 0 | line 1");
        row("go to line 4", "Ctrl+G:4", "wrap 1, 9 pt, numbers 0 | line 4");
        row("go past the end: the last line", "Ctrl+G:99", "wrap 1, 9 pt, numbers 0 | line 5");
        row("line numbers", "ViewLineNumbers", "wrap 1, 9 pt, numbers 1 | line 1");
        row("an edit marks the caption", "type:x", "wrap 1, 9 pt, numbers 0 | line 1", "NewFile*");
        row("undone, the mark goes", "type:x MenuUndo", "wrap 1, 9 pt, numbers 0 | line 1");
        row("a file named [*]", "open:[*].txt type:x", "wrap 1, 9 pt, numbers 0 | line 1", "[*].txt*");
    }
    void viewChangesTheEditorAndSurvivesARestart() {
        QFETCH(QString, steps);
        QFETCH(QString, view);
        FakePrompts prompts;
        TempConfigHome config;
        TempDir dir;
        auto w = NewWindow();
        QPlainTextEdit* editor = Editor(*w);
        SetText(*w, "one\r\ntwo\r\nthree\r\nfour\r\nfive");
        for (const QString& step : steps.split(u' ')) {
            const QString arg = step.section(u':', 1);
            if (step.startsWith("Ctrl+G:"))
                prompts.dialogs.push_back([n = arg.toInt()](QDialog& d) {
                    dynamic_cast<QInputDialog&>(d).setIntValue(n);
                    return int(QDialog::Accepted);
                });
            if (step.startsWith("key:") || step.startsWith("Ctrl+G:")) {
                const QKeyCombination key = QKeySequence::fromString(step.startsWith("key:") ? arg : "Ctrl+G")[0];
                QTest::keyClick(editor, key.key(), key.keyboardModifiers());
            } else if (step.startsWith("wheel:")) {
                QWheelEvent wheel(QPointF(5, 5), editor->viewport()->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, arg.toInt()),
                                  Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(editor->viewport(), &wheel);
            } else if (step.startsWith("type:")) {
                QTest::keyClicks(editor, arg);
            } else if (step.startsWith("open:")) {
                WriteFile(dir.File(arg.toStdString()), "text");
                prompts.openChoices.push_back(QString::fromStdString(dir.File(arg.toStdString())));
                Trigger(*w, "MenuOpen");
            } else {
                Trigger(*w, qPrintable(step));
            }
        }
        QCOMPARE(View(*w), view);
        // Closed and started again: the view comes back from the settings file.
        SetModified(*w, false);
        QVERIFY(w->close());
        QVERIFY(ReadFile(config.File("verdane/verdane.INI")).find("[View]\nWordWrap=") != std::string::npos);
        w = NewWindow();
        QCOMPARE(View(*w).section(u'|', 0, 0), view.section(u'|', 0, 0));
    }
};

QTEST_MAIN(ViewCommandsTest)
#include "ViewCommandsTest.moc"
