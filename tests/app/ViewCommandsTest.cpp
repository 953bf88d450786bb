// The 表示 menu as a user meets it: its items, keys and Ctrl with the wheel
// on the offscreen window, the caption's mark of an edited text, and the view
// kept in a real settings file across a restart.
#include "FakePrompts.h"
#include "TestSupport.h"
#include "WindowParts.h"

#include "RegistryFile.h"

#include <QInputDialog>
#include <QTest>
#include <QTextBlock>
#include <QWheelEvent>

using namespace verdane;
using namespace verdane::test;

class ViewCommandsTest : public QObject {
    Q_OBJECT

    static std::unique_ptr<TFormMainVerdane> NewWindow() {
        static const platform::TRegistryFile registry;
        auto w = std::make_unique<TFormMainVerdane>(registry, QStringList{});
        w->show();
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w.get())) qFatal("the window did not become active");
        Editor(*w)->setFocus();
        return w;
    }

private slots:
    void viewChangesTheEditorAndSurvivesARestart_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<bool>("wrap");
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("line");  // the caret's, from 1
        QTest::addColumn<bool>("numbers");
        QTest::addColumn<QString>("caption");
        const QString plain = QStringLiteral("NewFile - Verdane Ver1.22");
        QTest::newRow("wrap off") << QStringList{"ViewWordWrap"} << false << 9 << 1 << false << plain;
        QTest::newRow("wrap off and on") << QStringList{"ViewWordWrap", "ViewWordWrap"} << true << 9 << 1 << false << plain;
        QTest::newRow("zoom in: menu, keys, wheel")
            << QStringList{"ViewZoomIn", "key:Ctrl++", "key:Ctrl+=", "wheel:120"} << true << 13 << 1 << false << plain;
        QTest::newRow("zoom out: menu, key, wheel")
            << QStringList{"ViewZoomOut", "key:Ctrl+-", "wheel:-120"} << true << 6 << 1 << false << plain;
        QTest::newRow("a touchpad's small turns add up")
            << QStringList{"wheel:60", "wheel:50", "wheel:40"} << true << 10 << 1 << false << plain;
        QTest::newRow("zoom out stops at 4 points, one step back")
            << (QStringList(8, "ViewZoomOut") << "ViewZoomIn") << true << 5 << 1 << false << plain;
        QTest::newRow("zoom reset") << QStringList{"ViewZoomIn", "ViewZoomIn", "key:Ctrl+0"} << true << 9 << 1 << false << plain;
        QTest::newRow("go to line 3") << QStringList{"goto:3"} << true << 9 << 3 << false << plain;
        QTest::newRow("go past the end: the last line") << QStringList{"goto:99"} << true << 9 << 5 << false << plain;
        QTest::newRow("go to line by Ctrl+G") << QStringList{"Ctrl+G:4"} << true << 9 << 4 << false << plain;
        QTest::newRow("line numbers") << QStringList{"ViewLineNumbers"} << true << 9 << 1 << true << plain;
        QTest::newRow("an edit marks the caption")
            << QStringList{"type:x"} << true << 9 << 1 << false << QStringLiteral("NewFile* - Verdane Ver1.22");
        QTest::newRow("undone, the mark goes") << QStringList{"type:x", "MenuUndo"} << true << 9 << 1 << false << plain;
        QTest::newRow("a file named [*]") << QStringList{"open:[*].txt", "type:x"} << true << 9 << 1 << false
                                          << QStringLiteral("[*].txt* - Verdane Ver1.22");
    }
    void viewChangesTheEditorAndSurvivesARestart() {
        QFETCH(QStringList, steps);
        QFETCH(bool, wrap);
        QFETCH(int, points);
        QFETCH(int, line);
        QFETCH(bool, numbers);
        QFETCH(QString, caption);
        FakePrompts prompts;
        TempConfigHome config;
        TempDir dir;
        auto w = NewWindow();
        QPlainTextEdit* editor = Editor(*w);
        SetText(*w, "one\r\ntwo\r\nthree\r\nfour\r\nfive");
        auto goTo = [&](int n) {
            prompts.dialogs.push_back([n](QDialog& d) {
                dynamic_cast<QInputDialog&>(d).setIntValue(n);
                return int(QDialog::Accepted);
            });
        };
        for (const QString& step : steps) {
            const QString arg = step.section(u':', 1);
            if (step.startsWith("key:")) {
                const QKeyCombination key = QKeySequence::fromString(arg)[0];
                QTest::keyClick(editor, key.key(), key.keyboardModifiers());
            } else if (step.startsWith("wheel:")) {
                QWheelEvent wheel(QPointF(5, 5), editor->viewport()->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, arg.toInt()),
                                  Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(editor->viewport(), &wheel);
            } else if (step.startsWith("goto:")) {
                goTo(arg.toInt());
                Trigger(*w, "ViewGoToLine");
            } else if (step.startsWith("Ctrl+G:")) {
                goTo(arg.toInt());
                QTest::keyClick(editor, Qt::Key_G, Qt::ControlModifier);
            } else if (step.startsWith("type:")) {
                QTest::keyClicks(editor, arg);
            } else if (step.startsWith("open:")) {
                WriteFile(dir.File(arg.toStdString()), "text");
                prompts.openChoices.push_back(QString::fromStdString(dir.File(arg.toStdString())));
                Trigger(*w, "MenuOpen");
            } else {
                Action(*w, qPrintable(step))->trigger();
            }
        }
        QCOMPARE(Caption(*w), caption);
        QCOMPARE(editor->textCursor().blockNumber() + 1, line);
        // The view, then the same after a restart from the settings file.
        for (int start = 0; start < 2; ++start) {
            QCOMPARE(Editor(*w)->lineWrapMode() == QPlainTextEdit::WidgetWidth, wrap);
            QCOMPARE(Editor(*w)->font().pointSize(), points);
            QCOMPARE(Part<QWidget>(*w, "LineNumberArea")->isVisible(), numbers);
            QCOMPARE(Editor(*w)->viewport()->x() > Part<QWidget>(*w, "LineNumberArea")->x() + 10, numbers);
            SetModified(*w, false);
            QVERIFY(w->close());
            const std::string ini = ReadFile(config.File("verdane/verdane.INI"));
            const std::string view = "[View]\nWordWrap=" + std::to_string(wrap) + "\nZoom=" + std::to_string(points - 9) +
                                     "\nLineNumbers=" + std::to_string(numbers) + "\n";
            QVERIFY2(ini.find(view) != std::string::npos, ini.c_str());
            w = NewWindow();
        }
    }
};

QTEST_MAIN(ViewCommandsTest)
#include "ViewCommandsTest.moc"
