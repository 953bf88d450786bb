// The files behind the window, real files in the real window: a bar above the
// editor tells of a change or removal by another program and reloads; our own
// save raises no alarm; a save over another program's change asks first. A
// file opened again shows the caret and first line where the user left them;
// a recent file that is gone says so; a refused file stays off the list.
#include "FakePrompts.h"
#include "TestSupport.h"
#include "WindowParts.h"

#include "ChangedBar.h"
#include "RegistryFile.h"

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
const QString kChanged = QStringLiteral("ファイルが他のプログラムで変更されました。");
const QString kRemoved = QStringLiteral("ファイルが削除されました。");

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::unique_ptr<TFormMainVerdane> NewWindow() {
    static const platform::TRegistryFile registry;
    auto w = std::make_unique<TFormMainVerdane>(registry, QStringList{});
    w->resize(500, 400);
    w->show();
    return w;
}

void Open(QObject& w, FakePrompts& prompts, const std::string& path) {
    prompts.openChoices.push_back(Q(path));
    Trigger(w, "MenuOpen");
}

int FirstLineShown(QObject& w) { return Editor(w)->cursorForPosition(QPoint(0, 0)).blockNumber(); }

}  // namespace

class FileOnDiskTest : public QObject {
    Q_OBJECT
private slots:
    void init() { prompts_ = std::make_unique<FakePrompts>(), config_ = std::make_unique<TempConfigHome>(); }
    void cleanup() { prompts_.reset(), config_.reset(); }
    void aChangeOnDiskIsToldAndReloaded_data();
    void aChangeOnDiskIsToldAndReloaded();
    void aFileOpenedAgainShowsWhereTheUserWas_data();
    void aFileOpenedAgainShowsWhereTheUserWas();
    void theRecentListTakesOnlyFilesThatOpen_data();
    void theRecentListTakesOnlyFilesThatOpen();

private:
    std::unique_ptr<FakePrompts> prompts_;
    std::unique_ptr<TempConfigHome> config_;
};

void FileOnDiskTest::aChangeOnDiskIsToldAndReloaded_data() {
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
    QTest::newRow("removed") << "remove" << kRemoved << none << "" << std::string() << kRead;
    QTest::newRow("touched, same bytes") << "touch" << "" << none << "" << kRead << kRead;
    QTest::newRow("our own save") << "edit, save" << "" << none << "" << kOurs << kOurs;
    QTest::newRow("save over a change, cancelled") << "edit, write, save" << kChanged << cancel << over << kTheirs << kOurs;
    QTest::newRow("save over a change, agreed") << "edit, write, save" << "" << yes << over << kOurs << kOurs;
}

void FileOnDiskTest::aChangeOnDiskIsToldAndReloaded() {
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
    if (way.contains("write")) {
        WriteFile(path, kTheirs);
    } else if (way == "rename") {
        WriteFile(dir.File(".BOOK.TXT.new"), kTheirs);
        QCOMPARE(std::rename(dir.File(".BOOK.TXT.new").c_str(), path.c_str()), 0);
    } else if (way == "remove") {
        QCOMPARE(std::remove(path.c_str()), 0);
    } else if (way == "touch") {
        QCOMPARE(::utime(path.c_str(), nullptr), 0);
    }
    if (way.endsWith("save")) {
        prompts_->saveChoices.push_back({Q(path), 1});
        Save(*w);
    }
    auto* changed = Part<TChangedBar>(*w, "ChangedBar");
    QTest::qWait(1000);  // longer than the watch's pause before it looks
    QCOMPARE(changed->isVisible() ? changed->LabelText->text() : QString(), bar);
    if (!bar.isEmpty()) {
        QVERIFY(changed->mapTo(w.get(), QPoint()).y() < Editor(*w)->mapTo(w.get(), QPoint()).y());
        QCOMPARE(changed->ButtonReload->isVisible(), bar == kChanged);
        if (bar == kChanged && !way.endsWith("save")) QTest::mouseClick(changed->ButtonReload, Qt::LeftButton);
        const bool stays = answer == QMessageBox::Cancel || bar == kRemoved;
        QCOMPARE(changed->isVisible(), stays);
        QTest::mouseClick(changed->ButtonClose, Qt::LeftButton);
        QVERIFY(!changed->isVisible());
    }
    QCOMPARE(prompts_->Texts(), asked.isEmpty() ? QStringList() : QStringList{asked});
    QCOMPARE(FileExists(path) ? ReadFile(path) : std::string(), disk);
    QCOMPARE(Bytes(*w), text);
}

void FileOnDiskTest::aFileOpenedAgainShowsWhereTheUserWas_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<std::string>("now");  // the file's text when it is opened again; empty: unchanged
    QTest::addColumn<int>("caret");
    QTest::newRow("picked from the list") << "list" << std::string() << 2403;
    QTest::newRow("opened with the open command") << "open" << std::string() << 2403;
    QTest::newRow("picked after a restart") << "restart" << std::string() << 2403;
    QTest::newRow("shorter now") << "list" << std::string("short\r\nshort\r\n") << 12;
}

void FileOnDiskTest::aFileOpenedAgainShowsWhereTheUserWas() {
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
    const int shown = FirstLineShown(*w);
    QVERIFY(shown > 200);
    if (way == "restart") {
        QVERIFY(w->close());
        w = NewWindow();
    } else {
        Open(*w, *prompts_, dir.File("other.txt"));
    }
    if (!now.empty()) WriteFile(novel, now);
    if (way == "open") Open(*w, *prompts_, novel);
    else PickRecent(*w, Q(novel));
    QCOMPARE(Bytes(*w), now.empty() ? text : now);
    QCOMPARE(Editor(*w)->textCursor().position(), caret);
    QTest::qWait(50);
    if (now.empty()) QCOMPARE(FirstLineShown(*w), shown);
    QCOMPARE(RecentFiles(*w).first(), Q(novel));
}

void FileOnDiskTest::theRecentListTakesOnlyFilesThatOpen_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<std::string>("bytes");  // empty: no file, picked from the list
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("listed");
    const QString gone = QStringLiteral("が見つかりません。\n一覧から削除しますか?");
    QTest::newRow("gone, taken off") << "gone.txt" << std::string() << int(QMessageBox::Yes) << gone << false;
    QTest::newRow("gone, kept") << "gone.txt" << std::string() << int(QMessageBox::No) << gone << true;
    QTest::newRow("a PDB that is no DOC database") << "notdoc.PDB" << std::string(100, 'z') << 0
                                                   << QStringLiteral("PilotDOC形式のファイルではありません") << false;
    QTest::newRow("a damaged archive") << "broken.zip" << std::string("PK\x03\x04 broken", 13) << 0 << QString() << false;
}

void FileOnDiskTest::theRecentListTakesOnlyFilesThatOpen() {
    QFETCH(QString, name);
    QFETCH(std::string, bytes);
    QFETCH(int, answer);
    QFETCH(QString, message);
    QFETCH(bool, listed);
    TempDir dir;
    const std::string path = dir.File(name.toStdString());
    auto w = NewWindow();
    prompts_->messages.clear();
    if (bytes.empty()) {
        prompts_->answers.push_back(QMessageBox::StandardButton(answer));
        PickRecent(*w, Q(path));
        message = QStringLiteral("「%1」").arg(Q(path)) + message;
    } else {
        WriteFile(path, bytes);
        Open(*w, *prompts_, path);
    }
    QCOMPARE(prompts_->messages.size(), std::size_t(1));
    QVERIFY2(prompts_->messages[0].text.contains(message), qPrintable(prompts_->messages[0].text));
    QCOMPARE(RecentFiles(*w).contains(Q(path)), listed);
    QCOMPARE(Bytes(*w), std::string());
}

QTEST_MAIN(FileOnDiskTest)
#include "FileOnDiskTest.moc"
