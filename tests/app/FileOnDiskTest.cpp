// Real files in the real window: the bar above the editor, our own saves, a save
// over another program's change; places in recent files, gone and refused files.
#include "FakePrompts.h"
#include "TestSupport.h"
#include "WindowParts.h"

#include "ChangedBar.h"
#include "RegistryFile.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include <cstdio>
#include <utime.h>

using namespace verdane;
using namespace verdane::test;

namespace {

const std::string kRead = "as read\r\n", kTheirs = "written by another program\r\n", kOurs = "x" + kRead;
const QString kChanged = QStringLiteral("ファイルが他のプログラムで変更されました。"),
              kRemoved = QStringLiteral("ファイルが削除されました。"),
              kUnreadable = QStringLiteral("ファイルが読めなくなりました。");
// A damaged archive: what the read refuses.
const std::string kDamaged("PK\x03\x04 broken", 13);

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::unique_ptr<TFormMainVerdane> NewWindow() {
    static const platform::TRegistryFile registry;
    auto w = std::make_unique<TFormMainVerdane>(registry, QStringList{});
    w->show();
    return w;
}

void Open(QObject& w, FakePrompts& prompts, const std::string& path) {
    prompts.openChoices.push_back(Q(path));
    Trigger(w, "MenuOpen");
}

}  // namespace

class FileOnDiskTest : public QObject {
    Q_OBJECT
private slots:
    void init() { prompts_ = std::make_unique<FakePrompts>(), config_ = std::make_unique<TempConfigHome>(); }
    void cleanup() { prompts_.reset(), config_.reset(); }

    void aChangeOnDiskIsToldAndReloaded_data() {
        QTest::addColumn<QString>("way");       // what happens to the file while it is open
        QTest::addColumn<QString>("bar");       // what the bar says; empty: no bar
        QTest::addColumn<int>("answer");        // to the one question asked, by a reload or a save
        QTest::addColumn<QString>("asked");
        QTest::addColumn<std::string>("disk");  // the file at the end
        QTest::addColumn<std::string>("text");  // the editor's text at the end
        const QString save = QStringLiteral("文書が変更されています。\n保存しますか?");
        const QString over = QStringLiteral("BOOK.TXT は、読み込んだ後に他のプログラムで変更されています。\n上書きしますか?");
        const int none = QMessageBox::NoButton, no = QMessageBox::No, yes = QMessageBox::Yes, cancel = QMessageBox::Cancel;
        QTest::newRow("changed, reloaded") << "write" << kChanged << none << "" << kTheirs << kTheirs;
        QTest::newRow("changed, edited, reload answered No") << "edit, write" << kChanged << no << save << kTheirs << kTheirs;
        QTest::newRow("changed, edited, reload cancelled") << "edit, write" << kChanged << cancel << save << kTheirs << kOurs;
        QTest::newRow("replaced by a rename") << "rename" << kChanged << none << "" << kTheirs << kTheirs;
        QTest::newRow("touched, same bytes") << "touch" << "" << none << "" << kRead << kRead;
        QTest::newRow("our own save") << "edit, save" << "" << none << "" << kOurs << kOurs;
        QTest::newRow("save over a change, cancelled") << "edit, write, save" << kChanged << cancel << over << kTheirs << kOurs;
        QTest::newRow("save over a change, agreed") << "edit, write, save" << "" << yes << over << kOurs << kOurs;
    }

    void aChangeOnDiskIsToldAndReloaded() {
        QFETCH(QString, way);
        QFETCH(QString, bar);
        QFETCH(int, answer);
        QFETCH(QString, asked);
        QFETCH(std::string, disk);
        QFETCH(std::string, text);
        TempDir dir;
        const std::string path = dir.File("BOOK.TXT");
        WriteFile(path, kRead);
        auto w = NewWindow();
        Open(*w, *prompts_, path);
        QCOMPARE(Bytes(*w), kRead);
        if (way.startsWith("edit")) QTest::keyClicks(Editor(*w), "x");
        QTest::qWait(1100);  // past the second of the first write, so a time stamp alone would tell
        prompts_->messages.clear();
        if (answer != QMessageBox::NoButton) prompts_->answers.push_back(QMessageBox::StandardButton(answer));
        const std::string fresh = dir.File(".BOOK.TXT.new");  // another editor's save renames it over the file
        if (way.contains("write") || way == "rename") WriteFile(way == "rename" ? fresh : path, kTheirs);
        if (way == "rename") QCOMPARE(std::rename(fresh.c_str(), path.c_str()), 0);
        if (way == "remove") QCOMPARE(std::remove(path.c_str()), 0);
        if (way == "touch") QCOMPARE(::utime(path.c_str(), nullptr), 0);
        if (way.endsWith("save")) prompts_->saveChoices.push_back({Q(path), 1});
        if (way.endsWith("save")) Save(*w);
        auto* changed = Part<TChangedBar>(*w, "ChangedBar");
        QTest::qWait(1000);  // longer than the watch's pause before it looks
        QCOMPARE(changed->isVisible() ? changed->LabelText->text() : QString(), bar);
        if (!bar.isEmpty()) {
            QVERIFY(changed->mapTo(w.get(), QPoint()).y() < Editor(*w)->mapTo(w.get(), QPoint()).y());
            QCOMPARE(changed->ButtonReload->isVisible(), bar == kChanged);
            if (bar == kChanged && !way.endsWith("save")) QTest::mouseClick(changed->ButtonReload, Qt::LeftButton);
            const bool stays = answer == QMessageBox::Cancel;
            QCOMPARE(changed->isVisible(), stays);
            QTest::mouseClick(changed->ButtonClose, Qt::LeftButton);
            QVERIFY(!changed->isVisible());
        }
        QCOMPARE(prompts_->Texts(), asked.isEmpty() ? QStringList() : QStringList{asked});
        QCOMPARE(FileExists(path) ? ReadFile(path) : std::string(), disk);
        QCOMPARE(Bytes(*w), text);
    }

    void aFileGoneLeavesUnsavedText_data() {
        QTest::addColumn<QString>("way");       // what happens to the file, then what the user does
        QTest::addColumn<QString>("bar");       // what the bar says then
        QTest::addColumn<bool>("modified");     // the text at the end
        QTest::addColumn<std::string>("disk");  // BOOK.TXT at the end (empty: none)
        QTest::addColumn<std::string>("other");  // OTHER.TXT at the end
        QTest::newRow("removed") << "remove" << kRemoved << true << std::string() << std::string();
        QTest::newRow("replaced by a folder") << "folder" << kUnreadable << true << std::string() << std::string();
        QTest::newRow("removed, saved where it was") << "remove, here" << kRemoved << false << kRead << std::string();
        QTest::newRow("removed, saved as another") << "remove, as" << kRemoved << false << std::string() << kRead;
        QTest::newRow("removed, put back") << "remove, back" << kRemoved << false << kRead << std::string();
        QTest::newRow("edited, removed, put back") << "edit, remove, back" << kRemoved << true << kRead << std::string();
        QTest::newRow("replaced by what cannot be read") << "damage" << kChanged << true << kDamaged << std::string();
    }

    void aFileGoneLeavesUnsavedText() {
        QFETCH(QString, way);
        QFETCH(QString, bar);
        QFETCH(bool, modified);
        QFETCH(std::string, disk);
        QFETCH(std::string, other);
        TempDir dir;
        const std::string path = dir.File("BOOK.TXT");
        WriteFile(path, kRead);
        auto w = NewWindow();
        Open(*w, *prompts_, path);
        if (way.startsWith("edit")) QTest::keyClicks(Editor(*w), "x");
        QCOMPARE(std::remove(path.c_str()), 0);
        if (way == "folder") QVERIFY(QDir().mkdir(Q(path)));
        if (way == "damage") WriteFile(path, kDamaged);
        auto* changed = Part<TChangedBar>(*w, "ChangedBar");
        QTest::qWait(1000);  // longer than the watch's pause before it looks
        QCOMPARE(changed->isVisible() ? changed->LabelText->text() : QString(), bar);
        // A reload that cannot read what is there leaves the text unsaved.
        if (way == "damage") QTest::mouseClick(changed->ButtonReload, Qt::LeftButton);
        if (way == "damage") QCOMPARE(changed->LabelText->text(), kUnreadable);
        QVERIFY(!changed->ButtonReload->isVisible() && changed->ButtonSaveAs->isVisible());
        QVERIFY(Modified(*w));
        QVERIFY2(Caption(*w).startsWith("BOOK.TXT* "), qPrintable(Caption(*w)));
        if (way.endsWith("here")) QTest::mouseClick(changed->ButtonSaveHere, Qt::LeftButton);
        if (way.endsWith("as")) prompts_->saveChoices.push_back({Q(dir.File("OTHER.TXT")), 1});
        if (way.endsWith("as")) QTest::mouseClick(changed->ButtonSaveAs, Qt::LeftButton);
        if (way.endsWith("back")) WriteFile(path, kRead);
        if (way.endsWith("back")) QTest::qWait(1000);
        QCOMPARE(Modified(*w), modified);
        QCOMPARE(changed->isVisible(), !way.contains(u','));
        QCOMPARE(FileExists(path) && !QFileInfo(Q(path)).isDir() ? ReadFile(path) : std::string(), disk);
        QCOMPARE(FileExists(dir.File("OTHER.TXT")) ? ReadFile(dir.File("OTHER.TXT")) : std::string(), other);
        // Closing asks about the text left unsaved; Cancel keeps the window.
        prompts_->messages.clear();
        prompts_->answers.push_back(QMessageBox::Cancel);
        QCOMPARE(w->close(), !modified);
        QCOMPARE(prompts_->messages.size(), std::size_t(modified ? 1 : 0));
    }

    void aFileOpenedAgainShowsWhereTheUserWas_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<std::string>("now");  // the file's text when it is opened again; empty: unchanged
        QTest::addColumn<int>("caret");
        QTest::newRow("picked from the list") << "list" << std::string() << 2403;
        QTest::newRow("opened with the open command") << "open" << std::string() << 2403;
        QTest::newRow("picked after a restart") << "restart" << std::string() << 2403;
        QTest::newRow("shorter now") << "list" << std::string("short\r\nshort\r\n") << 12;
    }

    void aFileOpenedAgainShowsWhereTheUserWas() {
        QFETCH(QString, way);
        QFETCH(std::string, now);
        QFETCH(int, caret);
        TempDir dir;
        const std::string novel = dir.File("novel.txt");
        std::string text;
        for (int i = 0; i < 600; ++i) text += "line " + std::to_string(1000 + i) + "\r\n";  // 10 characters a line
        WriteFile(novel, text);
        WriteFile(dir.File("other.txt"), "other\r\n");
        auto w = NewWindow();
        Open(*w, *prompts_, novel);
        QTextCursor cursor = Editor(*w)->textCursor();
        cursor.setPosition(2403);  // line 241, column 4
        Editor(*w)->setTextCursor(cursor);
        Editor(*w)->verticalScrollBar()->setValue(Editor(*w)->verticalScrollBar()->value() - 5);
        const int shown = Editor(*w)->cursorForPosition(QPoint()).blockNumber();
        QVERIFY(shown > 200);
        if (way == "restart") QVERIFY(w->close());
        if (way == "restart") w = NewWindow();
        else Open(*w, *prompts_, dir.File("other.txt"));
        if (!now.empty()) WriteFile(novel, now);
        if (way == "open") Open(*w, *prompts_, novel);
        else PickRecent(*w, Q(novel));
        QCOMPARE(Bytes(*w), now.empty() ? text : now);
        QCOMPARE(Editor(*w)->textCursor().position(), caret);
        QTest::qWait(50);
        if (now.empty()) QCOMPARE(Editor(*w)->cursorForPosition(QPoint()).blockNumber(), shown);
        QCOMPARE(RecentFiles(*w).first(), Q(novel));
    }

    void theRecentListTakesOnlyFilesThatOpen_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<std::string>("bytes");  // empty: no file, picked from the list and taken off
        QTest::addColumn<QString>("message");
        QTest::newRow("gone") << "gone.txt" << std::string() << QStringLiteral("が見つかりません。\n一覧から削除しますか?");
        QTest::newRow("a PDB that is no DOC database")
            << "notdoc.PDB" << std::string(100, 'z') << QStringLiteral("PilotDOC形式のファイルではありません");
        QTest::newRow("a damaged archive") << "broken.zip" << std::string("PK\x03\x04 broken", 13) << QString();
    }

    void theRecentListTakesOnlyFilesThatOpen() {
        QFETCH(QString, name);
        QFETCH(std::string, bytes);
        QFETCH(QString, message);
        TempDir dir;
        const std::string path = dir.File(name.toStdString());
        auto w = NewWindow();
        prompts_->messages.clear();
        prompts_->answers.push_back(QMessageBox::Yes);
        if (!bytes.empty()) WriteFile(path, bytes);
        if (bytes.empty()) PickRecent(*w, Q(path));  // on the list from an earlier day
        else Open(*w, *prompts_, path);
        if (bytes.empty()) message.prepend(QStringLiteral("「%1」").arg(Q(path)));
        QCOMPARE(prompts_->messages.size(), std::size_t(1));
        QVERIFY2(prompts_->messages[0].text.contains(message), qPrintable(prompts_->messages[0].text));
        QVERIFY(!RecentFiles(*w).contains(Q(path)));
        QCOMPARE(Bytes(*w), std::string());
    }

private:
    std::unique_ptr<FakePrompts> prompts_;
    std::unique_ptr<TempConfigHome> config_;
};

QTEST_MAIN(FileOnDiskTest)
#include "FileOnDiskTest.moc"
