// The open dialog and the bookmarks of a DOC database in the real window: the
// dialog starts on every file the program reads; bookmarks travel with the
// opened text, stay at their place while it is edited and are written back.
#include "FakePrompts.h"
#include "TestSupport.h"
#include "WindowParts.h"

#include "DocConvert.h"
#include "RegistryFile.h"
#include "TextBookmarks.h"
#include "UnitMain.h"
#include "UnitName.h"

#include <QCheckBox>

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTest>
#include <QTimer>

#include <algorithm>

using namespace verdane;
using namespace verdane::test;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::unique_ptr<TFormMainVerdane> NewWindow(const QStringList& args = {}) {
    static const platform::TRegistryFile registry;
    auto w = std::make_unique<TFormMainVerdane>(registry, args);
    w->show();
    return w;
}

// A story of two chapters in Shift-JIS: "第一章", "あいうえお", "第二章", "かきくけこ".
const std::string kStory =
    "\x91\xE6\x88\xEA\x8F\xCD\r\n\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8\r\n"
    "\x91\xE6\x93\xF1\x8F\xCD\r\n\x82\xA9\x82\xAB\x82\xAD\x82\xAF\x82\xB1\r\n";
constexpr std::uint32_t kSecondChapter = 20;  // byte offset of "第二章"
const std::string kSecondName = "\x91\xE6\x93\xF1\x8F\xCD";

std::string Database(const std::string& text, bool compress, bool includeBinary, const std::vector<DocBookmark>& marks) {
    TMemoryStream database;
    if (TextToDoc(text, database, "Story", compress, includeBinary, marks) != kDocOk) qFatal("no database");
    return database.TakeBytes();
}

std::vector<DocBookmark> MarksOf(const std::string& database, bool includeBinary) {
    TMemoryStream in{database};
    TMemoryStream text;
    std::vector<DocBookmark> marks;
    if (DocToText(in, text, includeBinary, &marks) != kDocOk) qFatal("not a database");
    return marks;
}

}  // namespace

class BookmarkWindowTest : public QObject {
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
    void theOpenDialogStartsOnEveryReadableFile();
    void bookmarksKeepTheirPlaceThroughEditsAndSave_data();
    void bookmarksKeepTheirPlaceThroughEditsAndSave();

private:
    std::unique_ptr<FakePrompts> prompts_;
    std::unique_ptr<TempConfigHome> config_;
};

void BookmarkWindowTest::theOpenDialogStartsOnEveryReadableFile() {
    TempDir dir;
    const std::vector<std::string> readable = {"B.PDB", "a.txt", "c.zip", "d.htm", "e.HTML", "f.prc"};
    for (const std::string& name : readable) WriteFile(dir.File(name), "x");
    WriteFile(dir.File("notes.dat"), "x");
    WriteFile(dir.File("txt"), "x");
    auto w = NewWindow({Q(dir.File("a.txt"))});
    prompts_->realFileDialogs = true;
    std::vector<std::string> shown;
    QTimer::singleShot(100, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        auto* model = dialog->findChild<QFileSystemModel*>();
        QVERIFY(model);
        const QModelIndex folder = model->index(Q(dir.Path()));
        QTRY_COMPARE(model->rowCount(folder), int(readable.size()));
        for (int row = 0; row < model->rowCount(folder); ++row)
            shown.push_back(model->fileName(model->index(row, 0, folder)).toStdString());
        dialog->reject();
    });
    Trigger(*w, "MenuOpen");
    std::sort(shown.begin(), shown.end());
    QCOMPARE(shown, readable);
}

void BookmarkWindowTest::bookmarksKeepTheirPlaceThroughEditsAndSave_data() {
    QTest::addColumn<bool>("compress");
    QTest::addColumn<bool>("includeBinary");
    QTest::newRow("compressed, line ends stored as LF") << true << false;
    QTest::newRow("stored as it is") << false << true;
}

void BookmarkWindowTest::bookmarksKeepTheirPlaceThroughEditsAndSave() {
    QFETCH(bool, compress);
    QFETCH(bool, includeBinary);
    TempDir dir;
    const std::vector<DocBookmark> marks = {{"Start", 0}, {kSecondName, kSecondChapter}, {"End", 40}};
    WriteFile(dir.File("story.pdb"), Database(kStory, compress, includeBinary, marks));
    auto w = NewWindow({Q(dir.File("story.pdb"))});
    TextBookmarks& bookmarks = Session(*w).Bookmarks();
    QCOMPARE(bookmarks.Count(), 3);
    QCOMPARE(bookmarks.Name(1), QStringLiteral("第二章"));

    // Chosen from the search menu, a bookmark puts the caret at its place.
    auto* menu = Part<QMenu>(*w, "MenuBookmarks");
    QVERIFY(menu->isEnabled());
    emit menu->aboutToShow();
    Trigger(*w, "Bookmark1");
    QCOMPARE(Editor(*w)->textCursor().position(), int(Editor(*w)->toPlainText().indexOf(QStringLiteral("第二章"))));

    // A line typed before the second chapter: 5 characters and a line end, 12 bytes.
    QTextCursor typing(Editor(*w)->document());
    typing.setPosition(4);
    typing.insertText(QStringLiteral("追加した行\n"));
    prompts_->saveChoices.push_back({Q(dir.File("saved")), 3});
    prompts_->dialogs.push_back([&](QDialog& d) {
        auto& form = dynamic_cast<TFormName&>(d);
        form.CheckBoxCompress->setChecked(compress);
        form.CheckBoxBinary->setChecked(includeBinary);
        return int(QDialog::Accepted);
    });
    QVERIFY(Save(*w));
    const std::vector<DocBookmark> saved = MarksOf(ReadFile(dir.File("saved.PDB")), includeBinary);
    QCOMPARE(saved, (std::vector<DocBookmark>{{"Start", 0}, {kSecondName, kSecondChapter + 12}, {"End", 52}}));

    // Another file brings its own text and no bookmarks.
    WriteFile(dir.File("plain.txt"), kStory);
    prompts_->openChoices.push_back(Q(dir.File("plain.txt")));
    Trigger(*w, "MenuOpen");
    QCOMPARE(bookmarks.Count(), 0);
    QVERIFY(!menu->isEnabled());
}

QTEST_MAIN(BookmarkWindowTest)
#include "BookmarkWindowTest.moc"
