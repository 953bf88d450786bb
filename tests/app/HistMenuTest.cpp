// The recent-files menu on real menus and a real settings file.
#include "HistMenu.h"
#include "TestSupport.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

using namespace verdane;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

namespace {

QStringList Captions(const QMenu& menu) {
    QStringList out;
    for (QAction* a : menu.actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

// A File menu like the main window's: commands, the anchor separator, Quit.
struct FileMenu {
    QMenu menu{QStringLiteral("ファイル(&F)")};
    QAction* text = menu.addAction(QStringLiteral("定型文の編集(&T)..."));
    QAction* anchor = menu.addSeparator();
    QAction* quit = menu.addAction(QStringLiteral("終了(&Q)"));
};

}  // namespace

class HistMenuTest : public QObject {
    Q_OBJECT
private slots:
    void listKeepsTheNewest32AndTellsPathsThatDifferInCaseApart() {
        THistoryList list;
        for (int i = 0; i < 33; ++i) list.Add(QStringLiteral("/f/%1.txt").arg(i));
        QCOMPARE(list.Count(), 32);
        QCOMPARE(list[0], QStringLiteral("/f/32.txt"));
        QCOMPARE(list[31], QStringLiteral("/f/1.txt"));
        list.Add(QStringLiteral("/a/X.txt"));
        list.Add(QStringLiteral("/f/5.txt"));
        list.Add(QStringLiteral("/a/x.txt"));
        QCOMPARE(list.Count(), 32);
        QCOMPARE(list[0], QStringLiteral("/a/x.txt"));
        QCOMPARE(list[1], QStringLiteral("/f/5.txt"));
        QCOMPARE(list[2], QStringLiteral("/a/X.txt"));
        // The same path again moves, and no other entry goes.
        list.Add(QStringLiteral("/a/X.txt"));
        QCOMPARE(list.Count(), 32);
        QCOMPARE(list.Items().mid(0, 3), (QStringList{"/a/X.txt", "/a/x.txt", "/f/5.txt"}));
    }

    void separatorTargetPutsNumberedItemsAfterIt() {
        FileMenu file;
        THistoryMenu history;
        history.SetTargetMenuItem(file.anchor);
        QCOMPARE(history.PlacementMode(), THistoryMenu::Placement::AfterTarget);
        history.SetActive(true);
        QCOMPARE(Captions(file.menu), (QStringList{"定型文の編集(&T)...", "-", "終了(&Q)"}));  // empty: nothing added
        for (int i = 0; i < 33; ++i) history.AddHistory(QStringLiteral("/f/%1.txt").arg(i));
        QStringList expected{"定型文の編集(&T)...", "-"};
        for (int i = 0; i < 8; ++i) expected << QStringLiteral("&%1 /f/%2.txt").arg(i).arg(32 - i);
        expected << "-" << "終了(&Q)";
        QCOMPARE(Captions(file.menu), expected);
        history.SetActive(false);
        QCOMPARE(Captions(file.menu), (QStringList{"定型文の編集(&T)...", "-", "終了(&Q)"}));
    }

    void prefixesWidenForTwoDigitNumbers() {
        FileMenu file;
        THistoryMenu history;
        history.SetTargetMenuItem(file.anchor);
        history.SetActive(true);
        history.SetHistoryNum(40);
        QCOMPARE(history.HistoryNum(), 32);
        for (int i = 10; i >= 0; --i) history.AddHistory(QStringLiteral("/p/%1").arg(i));
        const auto items = history.MenuItems();
        QCOMPARE(int(items.size()), 12);
        QCOMPARE(items[0]->text(), QStringLiteral(" &0 /p/0"));
        QCOMPARE(items[10]->text(), QStringLiteral("&10 /p/10"));
        QVERIFY(items[11]->isSeparator());
        history.SetHistoryNum(0);
        QVERIFY(history.MenuItems().empty());
    }

    void otherPlacements() {
        QMenuBar bar;
        QMenu* top = bar.addMenu(QStringLiteral("履歴(&H)"));
        top->addAction(QStringLiteral("消去"));
        THistoryMenu atTop;
        atTop.SetTargetMenuItem(top->menuAction());
        QCOMPARE(atTop.PlacementMode(), THistoryMenu::Placement::SubItemsAfterSeparator);
        atTop.SetActive(true);
        atTop.AddHistory(QStringLiteral("/a"));
        QCOMPARE(Captions(*top), (QStringList{"消去", "-", "&0 /a"}));

        FileMenu file;
        THistoryMenu sub;
        sub.SetTargetMenuItem(file.text);
        QCOMPARE(sub.PlacementMode(), THistoryMenu::Placement::SubItems);
        sub.SetActive(true);
        sub.AddHistory(QStringLiteral("/b"));
        QVERIFY(file.text->menu());
        QCOMPARE(Captions(*file.text->menu()), (QStringList{"&0 /b"}));
    }

    void activationWithoutTargetFails() {
        THistoryMenu history;
        try {
            history.SetActive(true);
            QFAIL("no error");
        } catch (const EHistoryMenuError& e) {
            QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("ターゲットが指定されていません"));
        }
        QVERIFY(!history.Active());
    }

    void loadsTheSectionWithMissingKeysAndSavesItBack() {
        TempDir dir;
        const std::string ini = dir.File("v.INI");
        WriteFile(ini, "[history]\ncount=5\nH0=/x/zero\nH2=/x/two\nh3=/x/zero\nH4=/X/ZERO\nH7=/x/stale\n");
        FileMenu file;
        THistoryMenu history;
        history.FileName = QString::fromStdString(ini);
        history.SetTargetMenuItem(file.anchor);
        history.SetActive(true);
        // "H0" meets its twin of "h3" and takes its place; "/X/ZERO" is another file.
        QCOMPARE(history.List().Items(), (QStringList{"/x/zero", "BUG", "/x/two", "/X/ZERO"}));
        history.SetActive(false);
        QCOMPARE(ReadFile(ini), std::string("[history]\nCount=4\nH0=/x/zero\nH2=/x/two\nH3=/X/ZERO\nH4=/X/ZERO\nH7=/x/stale\nH1=BUG\n"));
    }

    void aDamagedCountDoesNotHang() {
        TempDir dir;
        const std::string ini = dir.File("v.INI");
        WriteFile(ini, "[History]\nCount=2147483647\nH5=/a\nH1000000000=/far\nH0=/zero\nh0=/ignored\nH07=/not-seven\n");
        THistoryMenu history;
        history.FileName = QString::fromStdString(ini);
        history.LoadHistory();
        QCOMPARE(history.List().Items(), (QStringList{"/zero", "BUG", "/a", "/far"}));
        WriteFile(ini, "[History]\nCount=-3\nH0=/a\n");
        history.LoadHistory();
        QCOMPARE(history.List().Count(), 0);
    }

    void pickingAnEntryReportsItAndMovesItToTheTop() {
        TempDir dir;
        FileMenu file;
        THistoryMenu history;
        history.FileName = QString::fromStdString(dir.File("v.INI"));
        history.SetTargetMenuItem(file.anchor);
        history.SetActive(true);
        for (const char* p : {"/d/c.txt", "/d/b & c.txt", "/d/a.txt"}) history.AddHistory(QString::fromUtf8(p));
        QStringList picked;
        history.OnHistorySelected = [&](const QString& path) {
            picked << path;
            return true;
        };
        QAction* third = history.MenuItems()[2];
        QCOMPARE(third->text(), QStringLiteral("&2 /d/c.txt"));
        third->trigger();
        QCOMPARE(picked, QStringList{"/d/c.txt"});
        QCOMPARE(history.List().Items(), (QStringList{"/d/c.txt", "/d/a.txt", "/d/b & c.txt"}));
        QCOMPARE(history.MenuItems()[0]->text(), QStringLiteral("&0 /d/c.txt"));
        QCOMPARE(history.MenuItems()[2]->text(), QStringLiteral("&2 /d/b && c.txt"));
        history.MenuItems()[2]->trigger();
        QCOMPARE(picked.last(), QStringLiteral("/d/b & c.txt"));
    }

    void shrinkingTheListLeavesHigherKeysInTheFile() {
        TempDir dir;
        const std::string ini = dir.File("v.INI");
        WriteFile(ini, "[History]\nCount=5\nH0=/a\nH1=/b\nH2=/c\nH3=/d\nH4=/e\n");
        FileMenu file;
        {
            THistoryMenu history;
            history.FileName = QString::fromStdString(ini);
            history.SetTargetMenuItem(file.anchor);
            history.SetActive(true);
            history.AddHistory(QStringLiteral("/c"));
        }  // destroyed while active: saves
        QCOMPARE(ReadFile(ini), std::string("[History]\nCount=5\nH0=/c\nH1=/a\nH2=/b\nH3=/d\nH4=/e\n"));
    }
};

QTEST_MAIN(HistMenuTest)
#include "HistMenuTest.moc"
