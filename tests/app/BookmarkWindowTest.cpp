// The open dialog and the bookmarks of a DOC database in the real window: the
// dialog starts on every file the program reads; bookmarks travel with the
// opened text, stay at their place while it is edited and are written back.
#include "FakePrompts.h"
#include "TestSupport.h"
#include "WindowParts.h"

#include "RegistryFile.h"
#include "UnitMain.h"

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

QTEST_MAIN(BookmarkWindowTest)
#include "BookmarkWindowTest.moc"
