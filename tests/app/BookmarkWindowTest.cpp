// The open dialog starts on every readable file; a DOC database's bookmarks
// stay at their place through edits and are written back.
#include "FakePrompts.h"
#include "TestSupport.h"
#include "WindowParts.h"

#include "DocConvert.h"
#include "RegistryFile.h"
#include "TextBookmarks.h"
#include "UnitName.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTest>

using namespace verdane;
using namespace verdane::test;

class BookmarkWindowTest : public QObject {
    Q_OBJECT
    std::unique_ptr<FakePrompts> prompts_;
    std::unique_ptr<TempConfigHome> config_;
    TempDir dir_;
    std::unique_ptr<TFormMainVerdane> Window(const std::string& name) {
        static const platform::TRegistryFile registry;
        auto w = std::make_unique<TFormMainVerdane>(registry, QStringList{QString::fromStdString(dir_.File(name))});
        w->show();
        return w;
    }

private slots:
    void init() {
        prompts_ = std::make_unique<FakePrompts>();
        config_ = std::make_unique<TempConfigHome>();
    }
    void cleanup() {
        prompts_.reset();
        config_.reset();
    }
    void openDialogStartsOnEveryReadableFile() {
        const std::vector<std::string> readable = {"B.PDB", "a.txt", "c.zip", "d.htm", "e.HTML", "f.prc"};
        for (const std::string& name : readable) WriteFile(dir_.File(name), "x");
        WriteFile(dir_.File("notes.dat"), "x");
        auto w = Window("a.txt");
        prompts_->realFileDialogs = true;
        std::vector<std::string> shown;
        QTimer::singleShot(100, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto* model = dialog->findChild<QFileSystemModel*>();
            const QModelIndex folder = model->index(QString::fromStdString(dir_.Path()));
            QTRY_COMPARE(model->rowCount(folder), int(readable.size()));
            for (int row = 0; row < model->rowCount(folder); ++row)
                shown.push_back(model->fileName(model->index(row, 0, folder)).toStdString());
            dialog->reject();
        });
        Trigger(*w, "MenuOpen");
        std::sort(shown.begin(), shown.end());
        QCOMPARE(shown, readable);
    }
    void bookmarksKeepTheirPlaceThroughEditsAndSave_data() {
        QTest::addColumn<bool>("compress");
        QTest::addColumn<bool>("includeBinary");
        QTest::newRow("compressed, line ends stored as LF") << true << false;
        QTest::newRow("stored as it is") << false << true;
    }
    void bookmarksKeepTheirPlaceThroughEditsAndSave() {
        QFETCH(bool, compress);
        QFETCH(bool, includeBinary);
        // "第一章", "あいうえお", "第二章" (at byte 20), "かきくけこ"; 40 bytes.
        const std::string story = "\x91\xE6\x88\xEA\x8F\xCD\r\n\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8\r\n"
                                  "\x91\xE6\x93\xF1\x8F\xCD\r\n\x82\xA9\x82\xAB\x82\xAD\x82\xAF\x82\xB1\r\n";
        const std::string second = "\x91\xE6\x93\xF1\x8F\xCD";
        TMemoryStream database;
        const std::vector<DocBookmark> marks = {{"Start", 0}, {second, 20}, {"End", 40}};
        QCOMPARE(TextToDoc(story, database, "Story", compress, includeBinary, marks), kDocOk);
        WriteFile(dir_.File("story.pdb"), database.Bytes());
        auto w = Window("story.pdb");
        QCOMPARE(Session(*w).Bookmarks().Name(1), QStringLiteral("第二章"));
        // Chosen from the search menu, a bookmark puts the caret at its place.
        emit Part<QMenu>(*w, "MenuBookmarks")->aboutToShow();
        Trigger(*w, "Bookmark1");
        QCOMPARE(Editor(*w)->textCursor().position(), int(Editor(*w)->toPlainText().indexOf(u"第二章")));
        // A line typed before the second chapter: 5 characters and a line end, 12 bytes.
        QTextCursor(Editor(*w)->document()).insertText(QStringLiteral("追加した行\n"));
        prompts_->saveChoices.push_back({QString::fromStdString(dir_.File(QTest::currentDataTag())), 3});
        prompts_->dialogs.push_back([&](QDialog& d) {
            dynamic_cast<TFormName&>(d).CheckBoxCompress->setChecked(compress);
            dynamic_cast<TFormName&>(d).CheckBoxBinary->setChecked(includeBinary);
            return int(QDialog::Accepted);
        });
        QVERIFY(Save(*w));
        TMemoryStream saved{ReadFile(dir_.File(std::string(QTest::currentDataTag()) + ".PDB"))}, text;
        std::vector<DocBookmark> read;
        QCOMPARE(DocToText(saved, text, includeBinary, &read), kDocOk);
        QCOMPARE(read, (std::vector<DocBookmark>{{"Start", 12}, {second, 32}, {"End", 52}}));
        // Another file brings no bookmarks.
        prompts_->openChoices.push_back(QString::fromStdString(dir_.File("story.txt")));
        WriteFile(dir_.File("story.txt"), story);
        Trigger(*w, "MenuOpen");
        QCOMPARE(Session(*w).Bookmarks().Count(), 0);
    }
};

QTEST_MAIN(BookmarkWindowTest)
#include "BookmarkWindowTest.moc"
