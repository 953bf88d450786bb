// Find, find next, replace and replace all on a real editor widget, and the
// find and replace dialogs' buttons.
#include "EditorSearch.h"
#include "FindDialogs.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace verdane;

namespace {

void Select(QPlainTextEdit& editor, int start, int end) {
    QTextCursor c = editor.textCursor();
    c.setPosition(start);
    c.setPosition(end, QTextCursor::KeepAnchor);
    editor.setTextCursor(c);
}

QPair<int, int> Selection(const QPlainTextEdit& editor) {
    return {editor.textCursor().selectionStart(), editor.textCursor().selectionEnd()};
}

}  // namespace

class EditorSearchTest : public QObject {
    Q_OBJECT
private slots:
    void findNextWalksThroughTheTextAndStopsWithoutWrapping() {
        QPlainTextEdit editor(QStringLiteral("abc abc"));
        TEditorSearch search;
        search.TakeParameters(QStringLiteral("abc"), false, false);
        search.FindNext(editor);
        QCOMPARE(Selection(editor), qMakePair(0, 3));
        search.FindNext(editor);
        QCOMPARE(Selection(editor), qMakePair(4, 7));
        QVERIFY(search.SearchFound);
        search.FindNext(editor);
        QVERIFY(!search.SearchFound);
        QCOMPARE(Selection(editor), qMakePair(7, 7));
        QCOMPARE(editor.toPlainText(), QStringLiteral("abc abc"));
    }

    void aMatchEndingAtTheLastCharacterIsFound() {
        QPlainTextEdit editor(QStringLiteral("xx\nyy end"));
        TEditorSearch search;
        search.TakeParameters(QStringLiteral("end"), true, true);
        search.FindNext(editor);
        QVERIFY(search.SearchFound);
        QCOMPARE(Selection(editor), qMakePair(6, 9));
    }

    void options_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("wholeWord");
        QTest::addColumn<int>("start");  // -1: not found
        QTest::newRow("any case") << "xx ABC" << "abc" << false << false << 3;
        QTest::newRow("match case") << "ABC abc" << "abc" << true << false << 4;
        QTest::newRow("match case, none") << "ABC" << "abc" << true << false << -1;
        QTest::newRow("whole word skips part") << "abcd abc" << "abc" << false << true << 5;
        QTest::newRow("whole word, underscore") << "a_abc abc_ abc" << "abc" << false << true << 11;
        QTest::newRow("whole word at line ends") << "xabc\nabc\n" << "abc" << false << true << 5;
        QTest::newRow("full-width any case") << "これはＡＢＣです" << "ａｂｃ" << false << false << 3;
        QTest::newRow("full-width match case") << "ＡＢＣａｂｃ" << "ａｂｃ" << true << false << 3;
        QTest::newRow("japanese") << "吾輩は猫である。名前はまだ無い。" << "名前" << true << false << 8;
        QTest::newRow("japanese not a whole word") << "吾輩は猫である" << "猫" << false << true << -1;
        QTest::newRow("japanese whole word between blanks") << "吾輩は 猫 である" << "猫" << false << true << 4;
        QTest::newRow("no match across lines") << "ab\ncd" << "bc" << false << false << -1;
        QTest::newRow("empty text") << "abc" << "" << false << false << -1;
    }
    void options() {
        QFETCH(QString, text);
        QFETCH(QString, what);
        QFETCH(bool, matchCase);
        QFETCH(bool, wholeWord);
        QFETCH(int, start);
        QPlainTextEdit editor(text);
        TEditorSearch search;
        search.TakeParameters(what, matchCase, wholeWord);
        search.FindNext(editor);
        QCOMPARE(search.SearchFound, start >= 0);
        if (start >= 0) QCOMPARE(Selection(editor), qMakePair(start, start + int(what.size())));
        QCOMPARE(editor.toPlainText(), text);
    }

    void replaceAll_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("by");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("wholeWord");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("count");
        QTest::newRow("a by aa") << "aaa" << 0 << "a" << "aa" << false << false << "aaaaaa" << 3;
        QTest::newRow("any case replaces every case") << "abc ABC Abc" << 0 << "abc" << "x" << false << false << "x x x" << 3;
        QTest::newRow("match case") << "abc ABC" << 0 << "abc" << "x" << true << false << "x ABC" << 1;
        QTest::newRow("from the caret on") << "ab ab ab" << 3 << "ab" << "X" << false << false << "ab X X" << 2;
        QTest::newRow("to the last character") << "ab\nab" << 0 << "ab" << "c" << false << false << "c\nc" << 2;
        QTest::newRow("whole words") << "cat cats cat" << 0 << "cat" << "dog" << false << true << "dog cats dog" << 2;
        // After "a a" became "ab a", the second "a" follows a blank: still a word.
        QTest::newRow("whole word behind a replacement") << "a-a" << 0 << "a" << "ab" << false << true << "ab-ab" << 2;
        QTest::newRow("deleting") << "x,x,,x" << 0 << "," << "" << false << false << "xxx" << 3;
        QTest::newRow("japanese") << "ｶﾀｶﾅとカタカナ" << 0 << "カタカナ" << "片仮名" << false << false << "ｶﾀｶﾅと片仮名" << 1;
        QTest::newRow("none") << "abc" << 0 << "z" << "y" << false << false << "abc" << 0;
    }
    void replaceAll() {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(QString, what);
        QFETCH(QString, by);
        QFETCH(bool, matchCase);
        QFETCH(bool, wholeWord);
        QFETCH(QString, result);
        QFETCH(int, count);
        QPlainTextEdit editor(text);
        Select(editor, caret, caret);
        TEditorSearch search;
        search.TakeParameters(what, matchCase, wholeWord);
        QCOMPARE(search.ReplaceAll(editor, by), count);
        QCOMPARE(editor.toPlainText(), result);
        if (count > 0) {
            editor.undo();
            QCOMPARE(editor.toPlainText(), text);  // one undo step
        }
    }

    void replaceAllLeavesTheCaretAfterTheLastReplacement() {
        QPlainTextEdit editor(QStringLiteral("one two one three"));
        TEditorSearch search;
        search.TakeParameters(QStringLiteral("one"), false, false);
        search.ReplaceAll(editor, QStringLiteral("1"));
        QCOMPARE(editor.toPlainText(), QStringLiteral("1 two 1 three"));
        QCOMPARE(Selection(editor), qMakePair(7, 7));
    }

    void replaceComparesUnderTheSearchCaseRule() {
        QPlainTextEdit editor(QStringLiteral("ABC abc"));
        TEditorSearch search;
        search.TakeParameters(QStringLiteral("abc"), false, false);
        search.FindNext(editor);  // finds "ABC"
        search.Replace(editor, QStringLiteral("x"));
        QCOMPARE(editor.toPlainText(), QStringLiteral("x abc"));
        QCOMPARE(Selection(editor), qMakePair(2, 5));  // and went on to the next
        search.Replace(editor, QStringLiteral("y"));
        QCOMPARE(editor.toPlainText(), QStringLiteral("x y"));
        QVERIFY(!search.SearchFound);
    }

    void replaceWithoutAMatchingSelectionOnlyFinds() {
        QPlainTextEdit editor(QStringLiteral("abc abc"));
        Select(editor, 0, 2);
        TEditorSearch search;
        search.TakeParameters(QStringLiteral("abc"), true, false);
        search.Replace(editor, QStringLiteral("x"));
        QCOMPARE(editor.toPlainText(), QStringLiteral("abc abc"));
        QCOMPARE(Selection(editor), qMakePair(4, 7));
    }

    void findDialogReportsItsParameters() {
        TFindDialog dialog;
        QVERIFY(!dialog.isModal());
        QVERIFY(!dialog.ButtonFindNext->isEnabled());
        QSignalSpy find(&dialog, &TFindDialog::Find);
        dialog.SetFindText(QStringLiteral("漢字"));
        dialog.CheckMatchCase->setChecked(true);
        QVERIFY(dialog.ButtonFindNext->isEnabled());
        QTest::mouseClick(dialog.ButtonFindNext, Qt::LeftButton);
        QCOMPARE(find.count(), 1);
        QCOMPARE(dialog.FindText(), QStringLiteral("漢字"));
        QVERIFY(dialog.MatchCase());
        QVERIFY(!dialog.WholeWord());
    }

    void replaceDialogReportsItsButtons() {
        TReplaceDialog dialog;
        QSignalSpy find(&dialog, &TFindDialog::Find);
        QSignalSpy one(&dialog, &TReplaceDialog::Replace);
        QSignalSpy all(&dialog, &TReplaceDialog::ReplaceAll);
        dialog.SetFindText(QStringLiteral("a"));
        dialog.EditReplaceText()->setText(QStringLiteral("b"));
        QTest::mouseClick(dialog.ButtonReplaceOne(), Qt::LeftButton);
        QTest::mouseClick(dialog.ButtonReplaceEvery(), Qt::LeftButton);
        QTest::mouseClick(dialog.ButtonFindNext, Qt::LeftButton);
        QCOMPARE(one.count(), 1);
        QCOMPARE(all.count(), 1);
        QCOMPARE(find.count(), 1);
        QCOMPARE(dialog.ReplaceText(), QStringLiteral("b"));
    }
};

QTEST_MAIN(EditorSearchTest)
#include "EditorSearchTest.moc"
