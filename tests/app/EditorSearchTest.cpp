// Find, find next, replace and replace all on a real editor widget, and the
// find and replace dialogs' buttons; searches through the window's own menu
// items and dialogs, with the status bar's report.
#include "EditorSearch.h"
#include "FakePrompts.h"
#include "FindDialogs.h"
#include "TestSupport.h"
#include "WindowParts.h"

#include "RegistryFile.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QSignalSpy>
#include <QTest>

using namespace verdane;
using namespace verdane::test;

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
    // Options: R 正規表現, Y あいまい, U 上へ, N no wrap, C match case, W whole
    // word. Action: "find" presses Find Next, then F3 until `presses`;
    // "replace" Find Next and Replace; "all" Replace All.
    void searchesInTheWindow_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("presses");
        QTest::addColumn<QString>("by");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("status");
        const QString wrapDown = QStringLiteral("末尾まで検索しました。先頭から続けます");
        const QString wrapUp = QStringLiteral("先頭まで検索しました。末尾から続けます");
        auto row = [](const char* name) -> QTestData& { return QTest::newRow(name); };
        row("plain") << "abc abc" << 0 << "abc" << "" << "find" << 2 << "" << "abc abc" << 4 << 7 << "";
        row("wraps to the start") << "abc abc" << 0 << "abc" << "" << "find" << 3 << "" << "abc abc" << 0 << 3 << wrapDown;
        row("stops without wrap") << "abc abc" << 0 << "abc" << "N" << "find" << 3 << "" << "abc abc" << 7 << 7
                                  << "「abc」はここより後に見つかりません";
        row("not found") << "xyz" << 1 << "abc" << "" << "find" << 1 << "" << "xyz" << 1 << 1 << "「abc」は見つかりません";
        row("up") << "abc abc" << 7 << "abc" << "U" << "find" << 2 << "" << "abc abc" << 0 << 3 << "";
        row("up wraps to the end") << "abc abc" << 7 << "abc" << "U" << "find" << 3 << "" << "abc abc" << 4 << 7 << wrapUp;
        row("pattern") << "ab12cd345" << 0 << "[0-9]+" << "R" << "find" << 2 << "" << "ab12cd345" << 6 << 9 << "";
        row("pattern up") << "ab12cd345" << 5 << "[0-9]+" << "RU" << "find" << 1 << "" << "ab12cd345" << 2 << 4 << "";
        row("pattern in japanese") << "吾輩は猫である。名前はまだ無い。" << 0 << "名.は" << "R" << "find" << 1 << ""
                                   << "吾輩は猫である。名前はまだ無い。" << 8 << 11 << "";
        row("^ is a line start only") << "ab\nab" << 1 << "^ab" << "R" << "find" << 1 << "" << "ab\nab" << 3 << 5 << "";
        row("\\n is the line break") << "ab\ncd" << 0 << "b\\nc" << "R" << "find" << 1 << "" << "ab\ncd" << 1 << 4 << "";
        row("empty matches move on") << "ab\ncd" << 0 << "^" << "R" << "find" << 2 << "" << "ab\ncd" << 3 << 3 << "";
        row("pattern any case") << "xABC abc" << 0 << "a.c" << "R" << "find" << 1 << "" << "xABC abc" << 1 << 4 << "";
        row("pattern match case") << "xABC abc" << 0 << "a.c" << "RC" << "find" << 1 << "" << "xABC abc" << 5 << 8 << "";
        row("pattern whole word") << "cat cats cat" << 0 << "ca." << "RW" << "find" << 2 << "" << "cat cats cat" << 9 << 12 << "";
        row("beyond shift-jis") << "😀abc😀abc" << 0 << ".abc" << "R" << "find" << 2 << "" << "😀abc😀abc" << 5 << 10 << "";
        row("fuzzy") << "ガイド ｶﾞｲﾄﾞ" << 0 << "がいど" << "Y" << "find" << 2 << "" << "ガイド ｶﾞｲﾄﾞ" << 4 << 9 << "";
        row("fuzzy keeps case") << "abc ＡＢＣ" << 0 << "ABC" << "YC" << "find" << 1 << "" << "abc ＡＢＣ" << 4 << 7 << "";
        row("fuzzy text is literal") << "a.b a+b" << 0 << "a+b" << "Y" << "find" << 1 << "" << "a.b a+b" << 4 << 7 << "";
        row("bad pattern") << "abc" << 0 << "a[b" << "R" << "find" << 1 << "" << "abc" << 0 << 0
                           << "正規表現が正しくありません（末尾）: 右ブラケット\"]\"が必要です";
        row("bad pattern inside") << "abc" << 0 << "漢|*b" << "R" << "find" << 1 << "" << "abc" << 0 << 0
                                  << "正規表現が正しくありません（3 文字目）: 普通の文字、または左括弧\"(\"が必要です";
        row("replace") << "ABC abc" << 0 << "abc" << "" << "replace" << 1 << "x" << "x abc" << 2 << 5 << "";
        row("replace all, whole text") << "ab ab ab" << 3 << "ab" << "" << "all" << 1 << "X" << "X X X" << 5 << 5
                                       << "3 件置換しました";
        row("replace all from the caret") << "ab ab ab" << 3 << "ab" << "N" << "all" << 1 << "X" << "ab X X" << 6 << 6
                                          << "2 件置換しました";
        row("replace all none") << "abc" << 0 << "z" << "" << "all" << 1 << "y" << "abc" << 0 << 0 << "0 件置換しました";
        row("replace all with &") << "2026-12-08" << 0 << "[0-9]+" << "R" << "all" << 1 << "<&>" << "<2026>-<12>-<08>"
                                  << 16 << 16 << "3 件置換しました";
        row("& keeps what shift-jis lacks") << "x😀y" << 0 << "x.y" << "R" << "all" << 1 << "[&]\\&" << "[x😀y]&"
                                            << 7 << 7 << "1 件置換しました";
        row("groups") << "2026-12-08" << 0 << "([0-9]+)-([0-9]+)-([0-9]+)" << "R" << "all" << 1 << "\\3.\\2.\\1"
                      << "08.12.2026" << 10 << 10 << "1 件置換しました";
        row("a group keeps what shift-jis lacks") << "😀x" << 0 << "(.)(x)" << "R" << "all" << 1 << "\\2\\1" << "x😀"
                                                  << 3 << 3 << "1 件置換しました";
        row("fuzzy groups are the user's") << "ガx ｶﾞX" << 0 << "(が)(x)" << "RY" << "all" << 1 << "\\2\\1"
                                           << "xガ Xｶﾞ" << 6 << 6 << "2 件置換しました";
        row("replace one with a group") << "abc abc" << 0 << "(b)c" << "R" << "replace" << 1 << "[\\1]" << "a[b] abc"
                                        << 6 << 8 << "";
        row("replacement with a line break") << "a,b" << 0 << "," << "R" << "all" << 1 << "\\n" << "a\nb" << 2 << 2
                                             << "1 件置換しました";
        row("line starts") << "ab\ncd" << 0 << "^" << "R" << "all" << 1 << "> " << "> ab\n> cd" << 7 << 7
                           << "2 件置換しました";
        row("bad replacement") << "abc" << 0 << "b" << "R" << "all" << 1 << "\\" << "abc" << 0 << 0
                               << "置換後の文字列が正しくありません: \"\\\"の次には文字が必要です。";
    }
    void searchesInTheWindow() {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(QString, what);
        QFETCH(QString, options);
        QFETCH(QString, action);
        QFETCH(int, presses);
        QFETCH(QString, by);
        QFETCH(QString, result);
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(QString, status);
        FakePrompts prompts;
        TempConfigHome config;
        static const platform::TRegistryFile registry;
        TFormMainVerdane window(registry, {});
        window.show();
        QPlainTextEdit& editor = *Editor(window);
        editor.setPlainText(text);
        Select(editor, caret, caret);
        const bool replacing = action != QStringLiteral("find");
        Trigger(window, replacing ? "FindReplace" : "FindFind");
        auto& dialog = *Part<TFindDialog>(window, replacing ? "ReplaceDialog1" : "FindDialog1");
        QVERIFY(dialog.isVisible() && !dialog.isModal());
        dialog.SetFindText(what);
        dialog.CheckRegExp->setChecked(options.contains(u'R'));
        dialog.CheckFuzzy->setChecked(options.contains(u'Y'));
        (options.contains(u'U') ? dialog.RadioUp : dialog.RadioDown)->setChecked(true);
        dialog.CheckWrap->setChecked(!options.contains(u'N'));
        dialog.CheckMatchCase->setChecked(options.contains(u'C'));
        dialog.CheckWholeWord->setChecked(options.contains(u'W'));
        if (replacing) static_cast<TReplaceDialog&>(dialog).EditReplaceText()->setText(by);
        if (action == QStringLiteral("all")) {
            QTest::mouseClick(static_cast<TReplaceDialog&>(dialog).ButtonReplaceEvery(), Qt::LeftButton);
        } else {
            QTest::mouseClick(dialog.ButtonFindNext, Qt::LeftButton);
            for (int n = 1; n < presses; ++n) Trigger(window, "FindNext");
            if (replacing) QTest::mouseClick(static_cast<TReplaceDialog&>(dialog).ButtonReplaceOne(), Qt::LeftButton);
        }
        QCOMPARE(editor.toPlainText(), result);
        QCOMPARE(Selection(editor), qMakePair(start, end));
        QCOMPARE(window.statusBar()->currentMessage(), status);
        // The dialog stays for more, also after すべて置換.
        QVERIFY(dialog.isVisible());
        // A malformed pattern is said in the dialog too: the status bar may be hidden.
        QCOMPARE(dialog.LabelProblem->isVisible(), status.startsWith(QStringLiteral("正規表現が")) ||
                                                       status.startsWith(QStringLiteral("置換後の")));
    }

    // The text the find dialog looked for is the one the replace dialog opens on.
    void theReplaceDialogTakesTheFindText() {
        FakePrompts prompts;
        TempConfigHome config;
        static const platform::TRegistryFile registry;
        TFormMainVerdane window(registry, {});
        window.show();
        Editor(window)->setPlainText(QStringLiteral("abc xyz"));
        Trigger(window, "FindFind");
        auto& find = *Part<TFindDialog>(window, "FindDialog1");
        find.SetFindText(QStringLiteral("xyz"));
        QTest::mouseClick(find.ButtonFindNext, Qt::LeftButton);
        find.close();
        Trigger(window, "FindReplace");
        QCOMPARE(Part<TFindDialog>(window, "ReplaceDialog1")->FindText(), QStringLiteral("xyz"));
    }

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
