// Aozora Bunko works in the real window: a .zip opens like a text by every way
// in (Open, a drop, the command line, a recent pick, a URL that names it), an
// archive of several texts lets the user pick one, one without a text says so;
// the save options propose the work's title; the Edit command tidies the
// notation as one step that Undo takes back.
#include "AozoraCatalogCsv.h"
#include "FakePrompts.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "WindowParts.h"

#include "RegistryFile.h"
#include "ProfileFile.h"
#include "UnitAozora.h"
#include "UnitLibrary.h"
#include "UnitMain.h"
#include "UnitName.h"
#include "UnitURL.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

using namespace verdane;
using namespace verdane::test;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string Data(const char* name) { return ReadFile(std::string(VERDANE_SOURCE_DIR) + "/tests/core/data/" + name); }

// The window, the messages of its start (no Palm Desktop here) forgotten.
std::unique_ptr<TFormMainVerdane> NewWindow(FakePrompts& prompts) {
    static const platform::TRegistryFile registry;
    auto w = std::make_unique<TFormMainVerdane>(registry, QStringList{});
    w->show();
    prompts.messages.clear();
    return w;
}

// An archive of the files (name, bytes), made by Info-ZIP's zip.
std::string Zip(const TempDir& dir, const std::string& zip, const std::vector<std::pair<std::string, std::string>>& files) {
    std::vector<std::string> args = {"-q", "-j", dir.File(zip)};
    for (const auto& [name, bytes] : files) {
        WriteFile(dir.File(name), bytes);
        args.push_back(dir.File(name));
    }
    const auto made = RunProcess("/usr/bin/zip", args);
    if (made.exitCode != 0) qFatal("zip failed: %s", made.err.c_str());
    return dir.File(zip);
}

// 猫の町 / 萩原朔太郎 / 本文
const std::string kWork = "\x94\x4C\x82\xCC\x92\xAC\r\n\x94\x8B\x8C\xB4\x8D\xF1\x91\xBE\x98\x59\r\n\x96\x7B\x95\xB6\r\n";
const std::string kWorkTitle = "\x94\x4C\x82\xCC\x92\xAC";

// Reads the title the save options propose, and cancels them.
std::function<int(QDialog&)> ReadTitle(QString& title) {
    return [&title](QDialog& d) {
        title = dynamic_cast<TFormName&>(d).EditStryName->text();
        return int(QDialog::Rejected);
    };
}

std::function<int(QDialog&)> PickEntry(int row, QStringList* listed = nullptr) {
    return [=](QDialog& d) {
        auto& form = dynamic_cast<TFormEntry&>(d);
        if (listed) {
            listed->clear();
            for (int i = 0; i < form.ListBoxEntry->count(); ++i) *listed << form.ListBoxEntry->item(i)->text();
        }
        form.ListBoxEntry->setCurrentRow(row);
        return int(QDialog::Accepted);
    };
}

std::function<int(QDialog&)> Cancel() {
    return [](QDialog&) { return int(QDialog::Rejected); };
}

std::function<int(QDialog&)> ChooseOptions(bool drop, bool bookmarks) {
    return [=](QDialog& d) {
        auto& form = dynamic_cast<TFormAozora&>(d);
        (drop ? form.RadioRubyDrop : form.RadioRubyParen)->setChecked(true);
        form.CheckBoxBookmarks->setChecked(bookmarks);
        return int(QDialog::Accepted);
    };
}

}  // namespace

class AozoraWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        prompts_ = std::make_unique<FakePrompts>();
        config_ = std::make_unique<TempConfigHome>();
    }
    void cleanup() {
        QCOMPARE(prompts_->shownUnderHourglass, 0);
        prompts_.reset();
        config_.reset();
    }

    void anArchiveOpensLikeATextByEveryWayIn_data();
    void anArchiveOpensLikeATextByEveryWayIn();
    void severalTextsTheUserPicksOneOrCancels();
    void anArchiveWithoutATextSaysSoAndChangesNothing();
    void aUrlNamingAnArchiveOpensItsText();
    void theEditCommandCleansTheNotationInOneUndoStep();
    void theEditCommandMarksHeadingsWithTheSettingsMark();
    void theEditCommandCancelledChangesNothing();
    void theLibraryFindsAWorkAndOpensItCleanWithItsTitle();

private:
    std::unique_ptr<FakePrompts> prompts_;
    std::unique_ptr<TempConfigHome> config_;
};

void AozoraWindowTest::anArchiveOpensLikeATextByEveryWayIn_data() {
    QTest::addColumn<QString>("way");
    for (const char* way : {"open", "drop", "command line", "recent"}) QTest::newRow(way) << QString::fromLatin1(way);
}

void AozoraWindowTest::anArchiveOpensLikeATextByEveryWayIn() {
    QFETCH(QString, way);
    TempDir dir;
    const QString zip = Q(Zip(dir, "nekomachi.zip", {{"nekomachi.txt", kWork}, {"cover.png", "\x89PNG"}}));
    auto w = NewWindow(*prompts_);
    if (way == "command line") {
        w->OpenAtStart({zip});
    } else if (way == "open") {
        prompts_->openChoices.push_back(zip);
        Trigger(*w, "MenuOpen");
    } else if (way == "drop") {
        Drop(*w, {zip});
    } else if (way == "recent") {
        PickRecent(*w, zip);
    }
    QCOMPARE(prompts_->Texts(), QStringList{});
    QCOMPARE(Bytes(*w), kWork);
    QVERIFY(!Modified(*w));
    QCOMPARE(Caption(*w), QStringLiteral("nekomachi.zip - Verdane Ver1.22"));
    if (way == "open" || way == "drop") QCOMPARE(RecentFiles(*w).value(0), zip);
    // Saved as a database, the options propose the work's title, not the file's name.
    QString title;
    prompts_->saveChoices.push_back({Q(dir.File("neko")), 3});
    prompts_->dialogs.push_back(ReadTitle(title));
    QVERIFY(!Save(*w));
    QCOMPARE(title, platform::BytesToEditor(kWorkTitle));
    QCOMPARE(prompts_->saveDialogsShown.back().FileName, Q(dir.File("nekomachi")));
}

void AozoraWindowTest::severalTextsTheUserPicksOneOrCancels() {
    TempDir dir;
    const QString zip = Q(Zip(dir, "two.zip", {{"first.txt", "first\r\n"}, {"second.txt", kWork}}));
    auto w = NewWindow(*prompts_);
    Editor(*w)->setPlainText(QStringLiteral("before"));
    // Cancelled: nothing read, nothing said, the text as it was.
    prompts_->dialogs.push_back(Cancel());
    Drop(*w, {zip});
    QCOMPARE(Bytes(*w), std::string("before"));
    QCOMPARE(prompts_->Texts(), QStringList{});
    QCOMPARE(RecentFiles(*w), QStringList{});

    QStringList listed;
    prompts_->dialogs.push_back(PickEntry(1, &listed));
    Drop(*w, {zip});
    QCOMPARE(listed, (QStringList{QStringLiteral("first.txt"), QStringLiteral("second.txt")}));
    QCOMPARE(Bytes(*w), kWork);
    QCOMPARE(Caption(*w), QStringLiteral("two.zip - Verdane Ver1.22"));
}

void AozoraWindowTest::anArchiveWithoutATextSaysSoAndChangesNothing() {
    TempDir dir;
    const QString none = Q(Zip(dir, "none.zip", {{"cover.png", "\x89PNG"}}));
    WriteFile(dir.File("broken.zip"), "PK\x03\x04 cut short");
    auto w = NewWindow(*prompts_);
    Editor(*w)->setPlainText(QStringLiteral("before"));
    for (const QString& path : {none, Q(dir.File("broken.zip"))}) {
        prompts_->messages.clear();
        Drop(*w, {path});
        QCOMPARE(prompts_->messages.size(), size_t(1));
        const QString said = prompts_->messages.front().text + prompts_->messages.front().detail;
        QVERIFY2(said.contains(path), qPrintable(said));
        QCOMPARE(Bytes(*w), std::string("before"));
        QCOMPARE(Caption(*w), QStringLiteral("NewFile - Verdane Ver1.22"));
    }
    QVERIFY(prompts_->messages.front().text.contains(QStringLiteral("zip")) ||
            prompts_->messages.front().detail.contains(QStringLiteral("zip")));
}

void AozoraWindowTest::aUrlNamingAnArchiveOpensItsText() {
    TempDir dir;
    const std::string zip = ReadFile(Zip(dir, "w.zip", {{"a.txt", "first\r\n"}, {"b.txt", kWork}}));
    TestHttpServer server;
    server.On("/cards/nekomachi.zip", {Send(Answer("HTTP/1.0 200 OK", {"Content-Type: application/zip"}, zip))});
    auto w = NewWindow(*prompts_);
    prompts_->dialogs.push_back([&](QDialog& d) {
        auto& form = dynamic_cast<TFormURL&>(d);
        form.EditURL->setEditText(Q(server.Url("/cards/nekomachi.zip")));
        form.CheckBoxHTML->setChecked(true);  // not for an archive's text
        return int(QDialog::Accepted);
    });
    prompts_->dialogs.push_back(PickEntry(1));
    Trigger(*w, "URLU1");
    QCOMPARE(prompts_->Texts(), QStringList{});
    QCOMPARE(Bytes(*w), kWork);
    QCOMPARE(Caption(*w), QStringLiteral("nekomachi.zip* - Verdane Ver1.22"));
    QString title;
    prompts_->saveChoices.push_back({Q(dir.File("neko")), 3});
    prompts_->dialogs.push_back(ReadTitle(title));
    QVERIFY(!Save(*w));
    QCOMPARE(title, platform::BytesToEditor(kWorkTitle));
}

void AozoraWindowTest::theEditCommandCleansTheNotationInOneUndoStep() {
    const std::string sample = Data("aozora_sample.txt");
    auto w = NewWindow(*prompts_);
    SetText(*w, sample);
    prompts_->dialogs.push_back(ChooseOptions(false, false));
    Action(*w, "MenuEditAozora")->trigger();
    QCOMPARE(ToHex(Bytes(*w)), ToHex(Data("aozora_sample_paren.txt")));
    QVERIFY(Modified(*w));
    Editor(*w)->undo();
    QCOMPARE(ToHex(Bytes(*w)), ToHex(sample));
}

void AozoraWindowTest::theEditCommandMarksHeadingsWithTheSettingsMark() {
    auto w = NewWindow(*prompts_);
    // 一［＃「一」は中見出し］ / 吾輩《わがはい》
    SetText(*w, "\x88\xEA\x81\x6D\x81\x94\x81\x75\x88\xEA\x81\x76\x82\xCD\x92\x86\x8C\xA9\x8F\x6F\x82\xB5\x81\x6E\r\n"
                "\x8C\xE1\x94\x79\x81\x73\x82\xED\x82\xAA\x82\xCD\x82\xA2\x81\x74\r\n");
    prompts_->dialogs.push_back(ChooseOptions(true, true));
    Action(*w, "MenuEditAozora")->trigger();
    // The mark of the settings, "(BM)" by default, and the closing line the
    // bookmark command writes.
    QCOMPARE(ToHex(Bytes(*w)), ToHex("(BM)\x88\xEA\r\n\x8C\xE1\x94\x79\r\n<(BM)>"));
}

void AozoraWindowTest::theEditCommandCancelledChangesNothing() {
    auto w = NewWindow(*prompts_);
    SetText(*w, "\x8C\xE1\x94\x79\x81\x73\x82\xED\x82\xAA\x82\xCD\x82\xA2\x81\x74\r\n");
    prompts_->dialogs.push_back(Cancel());
    Action(*w, "MenuEditAozora")->trigger();
    QCOMPARE(ToHex(Bytes(*w)), ToHex("\x8C\xE1\x94\x79\x81\x73\x82\xED\x82\xAA\x82\xCD\x82\xA2\x81\x74\r\n"));
    QVERIFY(!Modified(*w));
    QVERIFY(!Editor(*w)->document()->isUndoAvailable());
}

void AozoraWindowTest::theLibraryFindsAWorkAndOpensItCleanWithItsTitle() {
    TempDir dir;
    qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(dir.File("cache")));
    TestHttpServer server;
    // 吾輩《わがはい》: cleaned with the Aozora command's options, readings in parentheses.
    const std::string work = kWork + "\x8C\xE1\x94\x79\x81\x73\x82\xED\x82\xAA\x82\xCD\x82\xA2\x81\x74\r\n";
    const std::string catalog =
        CatalogHeader() + CatalogLine({{"作品ID", "000789"}, {"作品名", "目録の題"}, {"作品名読み", "もくろくのだい"},
                                       {"姓", "萩原"}, {"名", "朔太郎"}, {"役割フラグ", "著者"},
                                       {"テキストファイルURL", server.Url("/cards/789.zip")}});
    server.On("/catalog.zip", {Send(Answer("HTTP/1.0 200 OK", {}, ReadFile(Zip(dir, "c.zip", {{"list.csv", catalog}}))))});
    server.On("/cards/789.zip", {Send(Answer("HTTP/1.0 200 OK", {}, ReadFile(Zip(dir, "w.zip", {{"w.txt", work}}))))});
    platform::TProfile(platform::SettingsFilePath(QCoreApplication::applicationFilePath()))
        .WriteString(QStringLiteral("Aozora"), QStringLiteral("Catalog"), Q(server.Url("/catalog.zip")));

    auto w = NewWindow(*prompts_);
    w->findChild<TFormAozora*>()->CheckBoxBookmarks->setChecked(false);
    SetText(*w, "edited");
    SetModified(*w, true);
    prompts_->answers.push_back(QMessageBox::No);  // the save question: the edits go
    int found = -1;
    prompts_->dialogs.push_back([&](QDialog& d) {
        auto& form = dynamic_cast<TFormLibrary&>(d);
        form.EditSearch->setText(QStringLiteral("ﾓｸﾛｸ"));
        found = form.ListWorks->model()->rowCount();
        return int(QDialog::Accepted);
    });
    Trigger(*w, "MenuLibrary");
    QCOMPARE(found, 1);
    QCOMPARE(prompts_->messages.size(), std::size_t{1});  // the save question alone
    QCOMPARE(Bytes(*w), kWork + "\x8C\xE1\x94\x79\x81\x69\x82\xED\x82\xAA\x82\xCD\x82\xA2\x81\x6A\r\n");
    QVERIFY(Modified(*w));
    QVERIFY(FileExists(dir.File("cache/verdane/aozora-catalog.cache")));
    // The save options propose the catalogue's title, not the text's first line.
    QString title;
    prompts_->saveChoices.push_back({Q(dir.File("neko")), 3});
    prompts_->dialogs.push_back(ReadTitle(title));
    QVERIFY(!Save(*w));
    QCOMPARE(title, QStringLiteral("目録の題"));
    qunsetenv("XDG_CACHE_HOME");
}

QTEST_MAIN(AozoraWindowTest)
#include "AozoraWindowTest.moc"
