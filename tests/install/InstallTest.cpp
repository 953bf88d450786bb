// The install and open-install-folder commands with their real dialogs, on a
// copy of the demo desktop: what lands in the install folder (the bytes
// verdane-cli to-doc writes), what is refused with which message, and that
// nothing is left anywhere else. TUserData's view of the desktop and its errors.
#include "DocSaveOptions.h"
#include "EditorCodec.h"
#include "Prompts.h"
#include "TestSupport.h"
#include "Names.h"
#include "UnitInst.h"
#include "UnitUser.h"
#include "UserData.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <deque>
#include <utility>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace verdane;
using test::ListDir;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

namespace {

// An install of a new text holding these CP932 bytes, proposed as `name`.
InstallJob Job(std::string_view cp932, const QString& name) {
    return {core::Document(), platform::BytesToEditor(cp932), name, {}, {}, nullptr};
}

const QString kYamada = QStringLiteral("山田太郎");

struct Shown {
    QString caption;
    QString text;
    QString detail;
};

// Prompts that never block: RunDialog runs the test's script on the dialog (it
// fills controls and clicks buttons) and answers the dialog's result; messages
// are recorded.
class ScriptedPrompts : public TPrompts {
public:
    std::function<void(QDialog&)> script;
    std::vector<Shown> messages;
    std::vector<QString> opened;
    bool openSucceeds = true;
    // Answers of questions, in order; none left: Ok.
    std::deque<QMessageBox::StandardButton> answers;
    // What another program does while a message waits.
    std::function<void()> meanwhile;

    QMessageBox::StandardButton Message(QWidget*, QMessageBox::Icon, const QString& caption, const QString& text,
                                        QMessageBox::StandardButtons, const QString& detail) override {
        messages.push_back({caption, text, detail});
        if (meanwhile) std::exchange(meanwhile, nullptr)();
        if (answers.empty()) return QMessageBox::Ok;
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    int RunDialog(QDialog& dialog) override {
        dialog.setResult(QDialog::Rejected);
        if (script) script(dialog);
        return dialog.result();
    }
    bool OpenFolder(const QString& path) override {
        opened.push_back(path);
        return openSucceeds;
    }
};

// Types text into a line edit the way an input method commits it.
void Commit(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(edit, &event);
}

// The next widget the Tab key reaches (the group box takes no focus).
QWidget* NextFocusable(QWidget* w) {
    do w = w->nextInFocusChain();
    while (w->focusPolicy() == Qt::NoFocus);
    return w;
}

std::string RegistryOf(const TempDir& dir, const std::string& body) {
    WriteFile(dir.File("registry.reg"), "REGEDIT4\r\n" + body);
    return dir.File("registry.reg");
}

const std::string kRoot = "[HKEY_CURRENT_USER\\Software\\Palm Computing\\Pilot Desktop";

}  // namespace

class InstallTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir_;      // the copy of the demo desktop
    std::unique_ptr<TempDir> tmp_;      // TMPDIR while a test runs
    std::unique_ptr<TempDir> work_;     // the working folder while a test runs
    std::unique_ptr<TUserData> users_;
    ScriptedPrompts prompts_;
    std::string savedCwd_;

    std::string Queue(const std::string& user) const { return dir_->File("desk/Palm/" + user + "/Install"); }

private slots:
    void init() {
        dir_ = std::make_unique<TempDir>();
        tmp_ = std::make_unique<TempDir>();
        work_ = std::make_unique<TempDir>();
        std::filesystem::copy(VERDANE_SOURCE_DIR "/examples/palm-desktop", dir_->File("desk"),
                              std::filesystem::copy_options::recursive);
        users_ = std::make_unique<TUserData>(platform::TRegistryFile::Load(dir_->File("desk/registry.reg")));
        qputenv("TMPDIR", QByteArray::fromStdString(tmp_->Path()));
        savedCwd_ = std::filesystem::current_path();
        std::filesystem::current_path(work_->Path());
        prompts_ = ScriptedPrompts();
        SetPrompts(&prompts_);
    }
    void cleanup() {
        SetPrompts(nullptr);
        std::filesystem::current_path(savedCwd_);
        qunsetenv("TMPDIR");
        users_.reset();
        work_.reset();
        tmp_.reset();
        dir_.reset();
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    void userDataReadsTheDemoDesktop() {
        QCOMPARE(users_->GetUserCount(), 2);
        QCOMPARE(QString::fromStdString(users_->GetUserName(0)), kYamada);
        QCOMPARE(users_->GetUserName(1), std::string("Hanako"));
        QCOMPARE(users_->GetUserName(2), std::string());
        QCOMPARE(users_->GetUserDirectory(0), std::string("YamadaT"));
        QCOMPARE(users_->GetLastUserIndex(), 0);
        QCOMPARE(users_->GetCorePath(), dir_->File("desk/Palm"));
        QCOMPARE(users_->InstallDirectory(1), Queue("Hanako"));
        WriteFile(dir_->File("x.pdb"), "x");
        QVERIFY(users_->InstallFile(1, dir_->File("x.pdb")));
        QCOMPARE(ReadFile(Queue("Hanako") + "/x.pdb"), std::string("x"));
        QVERIFY(!users_->InstallFile(1, dir_->File("missing.pdb")));
        QVERIFY(!users_->InstallFile(7, dir_->File("x.pdb")));
    }

    void userDataRefusals_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("message");
        QTest::newRow("no keys") << "" << "CondMgr.DLLが見つかりません";
        QTest::newRow("no core path") << QString::fromStdString(kRoot + "\\Core]\r\n")
                                      << "CondMgr.DLLが見つかりません";
        QTest::newRow("core folder missing") << QString::fromStdString(kRoot + "\\Core]\r\n\"Path\"=\"gone\"\r\n")
                                             << "Instaide.DLLが見つかりません";
        QTest::newRow("user without folder")
            << QString::fromStdString(kRoot + "\\Core]\r\n\"Path\"=\".\"\r\n" + kRoot + "\\Users\\0]\r\n\"Name\"=\"a\"\r\n")
            << "UserData.DLLが見つかりません";
    }
    void userDataRefusals() {
        QFETCH(QString, body);
        QFETCH(QString, message);
        try {
            TUserData data(platform::TRegistryFile::Load(RegistryOf(*work_, body.toStdString())));
            QFAIL("accepted");
        } catch (const DllError& e) {
            QCOMPARE(QString::fromUtf8(e.what()), message);
            QVERIFY(!e.Detail().empty());
        }
    }

    void noUsersDisableTheComboBoxes() {
        std::filesystem::create_directory(work_->File("core"));
        TUserData none(platform::TRegistryFile::Load(RegistryOf(*work_, kRoot + "\\Core]\r\n\"Path\"=\"core\"\r\n")));
        QCOMPARE(none.GetUserCount(), 0);
        QCOMPARE(none.GetLastUserIndex(), -1);
        TFormInst inst;
        TFormUser user;
        DocSaveOptions options;
        bool comboEnabled = true;
        prompts_.script = [&](QDialog&) {
            comboEnabled = inst.AutoInstallComboBox->isEnabled();
            inst.ButtonInst->click();
        };
        QVERIFY(!RunInstall(inst, &none, Job("text\r\n", "NewFile"), options));
        QVERIFY(!comboEnabled);
        QCOMPARE(inst.AutoInstallComboBox->count(), 0);
        QCOMPARE(prompts_.messages.size(), size_t(1));
        QCOMPARE(prompts_.messages[0].text, QStringLiteral("ﾕｰｻﾞを選択して下さい"));
        user.FormShow(&none);
        QVERIFY(!user.AutoInstallComboBox->isEnabled());
    }

    void aLastUserNotInTheListSelectsNobody() {
        std::filesystem::create_directory(work_->File("core"));
        TUserData data(platform::TRegistryFile::Load(RegistryOf(
            *work_, kRoot + "\\Core]\r\n\"Path\"=\"core\"\r\n" + kRoot + "\\Preferences]\r\n\"LastUserName\"=\"Gone\"\r\n" +
                        kRoot + "\\Users\\0]\r\n\"Name\"=\"A\"\r\n\"Directory\"=\"a\"\r\n")));
        QCOMPARE(data.GetLastUserIndex(), -1);
        TFormUser form;
        form.FormShow(&data);
        QVERIFY(form.AutoInstallComboBox->isEnabled());
        QCOMPARE(form.AutoInstallComboBox->count(), 1);
        QCOMPARE(form.AutoInstallComboBox->currentIndex(), -1);
    }

    void dialogsHoldTheirControls() {
        TFormInst inst;
        QCOMPARE(inst.windowTitle(), QStringLiteral("ｲﾝｽﾄｰﾙ"));
        const std::pair<const char*, QString> captions[] = {
            {"ButtonInst", "ｲﾝｽﾄｰﾙ"},
            {"Button2", "ｷｬﾝｾﾙ"},
            {"RadioButtonPRC", "拡張子を.PRCにする(&C)"},
            {"RadioButtonPDB", "拡張子を.PDBにする(&B)"},
            {"CheckBoxCompress", "ﾃｷｽﾄを圧縮する(&P)"},
            {"CheckBoxBinary", "ﾊﾞｲﾅﾘを含む(&N)"},
        };
        for (const auto& [name, caption] : captions) {
            auto* button = inst.findChild<QAbstractButton*>(name);
            QVERIFY2(button, name);
            QCOMPARE(button->text(), caption);
        }
        QCOMPARE(inst.findChild<QGroupBox*>("GroupBoxExt")->title(), QStringLiteral("拡張子"));
        QVERIFY(inst.findChild<QComboBox*>("AutoInstallComboBox"));
        QCOMPARE(inst.LabelUser->text(), QStringLiteral("ﾕｰｻﾞ名(&U)"));
        QCOMPARE(inst.LabelFile->text(), QStringLiteral("ﾌｧｲﾙ名(&F) <ﾊﾟｽ、拡張子は含まない>"));
        QCOMPARE(inst.LabelTitle->text(), QStringLiteral("ﾀｲﾄﾙ(&T)"));
        QCOMPARE(inst.LabelFile->buddy(), inst.EditFile);
        QCOMPARE(inst.findChild<QLineEdit*>("EditTitle")->maxLength(), 31);
        QVERIFY(inst.ButtonInst->isDefault());
        QVERIFY(inst.RadioButtonPDB->isChecked());
        QWidget* order[] = {inst.AutoInstallComboBox, inst.ButtonInst, inst.Button2, inst.RadioButtonPRC,
                            inst.RadioButtonPDB, inst.EditFile, inst.EditTitle, inst.CheckBoxCompress,
                            inst.CheckBoxBinary};
        for (std::size_t i = 0; i + 1 < std::size(order); ++i) QCOMPARE(NextFocusable(order[i]), order[i + 1]);

        TFormUser user;
        QCOMPARE(user.windowTitle(), QStringLiteral("ﾕｰｻﾞの選択"));
        QCOMPARE(user.ButtonOK->text(), QStringLiteral("OK"));
        QCOMPARE(user.ButtonCancel->text(), QStringLiteral("ｷｬﾝｾﾙ"));
        QVERIFY(user.ButtonOK->isDefault());
        QCOMPARE(user.LabelUser->buddy(), user.AutoInstallComboBox);
        QCOMPARE(user.AutoInstallComboBox->objectName(), QStringLiteral("AutoInstallComboBox"));
    }

    void proposedNames_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("name");
        QTest::newRow("new") << "NewFile - Verdane Ver1.22" << "NewFile";
        QTest::newRow("text") << "MEMO.TXT - Verdane Ver1.22" << "MEMO";
        QTest::newRow("two dots") << "a.b.txt - Verdane Ver1.22" << "a";
        QTest::newRow("dash in name") << "x-y z.pdb - Verdane Ver1.22" << "x-y z";
        QTest::newRow("no extension") << "本 - Verdane Ver1.22" << "本";
    }
    void proposedNames() {
        QFETCH(QString, caption);
        QFETCH(QString, name);
        QCOMPARE(core::ProposedInstallName(caption), name);
    }

    // The installed file holds exactly what verdane-cli to-doc writes for the
    // same text, title and options; nothing stays in TMPDIR or the working folder.
    void installWritesWhatToDocWrites() {
        const std::string document = "\x93\xFA\x96\x7B\x8C\xEA\r\nline two\r\n";  // 日本語
        TFormInst form;
        DocSaveOptions options;
        options.Compress = false;
        bool titleFollowed = false;
        bool compressShown = true;
        prompts_.script = [&](QDialog&) {
            compressShown = form.CheckBoxCompress->isChecked();
            QCOMPARE(form.EditFile->text(), QStringLiteral("MEMO"));
            form.AutoInstallComboBox->setCurrentIndex(1);
            Commit(form.EditFile, QStringLiteral("ソフト表"));  // both end in byte 0x5C in Shift-JIS
            titleFollowed = form.EditTitle->text() == QStringLiteral("ソフト表");
            form.CheckBoxBinary->setChecked(false);
            form.ButtonInst->click();
        };
        QVERIFY(RunInstall(form, users_.get(), Job(document, "MEMO"), options));
        QVERIFY(!compressShown);
        QVERIFY(titleFollowed);
        QVERIFY(prompts_.messages.empty());
        QVERIFY(!options.Compress);
        QVERIFY(!options.IncludeBinary);

        WriteFile(dir_->File("in.txt"), document);
        const auto r = test::RunCli({"to-doc", "--no-compress", "--no-binary", "--title", "ソフト表",
                                     dir_->File("in.txt"), dir_->File("out.pdb")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(ListDir(Queue("Hanako")), (std::vector<std::string>{".gitkeep", "ソフト表.PDB"}));
        QCOMPARE(ReadFile(Queue("Hanako") + "/ソフト表.PDB"), ReadFile(dir_->File("out.pdb")));
        QCOMPARE(ListDir(Queue("YamadaT")), std::vector<std::string>{".gitkeep"});
        QCOMPARE(ListDir(tmp_->Path()), std::vector<std::string>{});
        QCOMPARE(ListDir(work_->Path()), std::vector<std::string>{});
    }

    void installReplacesAQueuedFileAndKeepsTheExtensionChoice() {
        TFormInst form;
        DocSaveOptions options;
        WriteFile(Queue("YamadaT") + "/BOOK.PRC", "old");
        prompts_.script = [&](QDialog&) {
            form.RadioButtonPRC->setChecked(true);
            form.ButtonInst->click();
        };
        // The queued database may be another book: asked first, No keeps it.
        prompts_.answers = {QMessageBox::No};
        QVERIFY(!RunInstall(form, users_.get(), Job("a\r\n", "BOOK"), options));
        QCOMPARE(prompts_.messages.at(0).text, QStringLiteral("BOOK.PRC はすでにｲﾝｽﾄｰﾙ待ちです。置き換えます。\nｲﾝｽﾄｰﾙしますか?"));
        QCOMPARE(ReadFile(Queue("YamadaT") + "/BOOK.PRC"), std::string("old"));
        prompts_.answers = {QMessageBox::Yes};
        QVERIFY(RunInstall(form, users_.get(), Job("a\r\n", "BOOK"), options));
        const std::string first = ReadFile(Queue("YamadaT") + "/BOOK.PRC");
        QCOMPARE(first.substr(0, 5), std::string("BOOK\0", 5));
        // The next opening keeps .PRC without being told.
        prompts_.script = [&](QDialog&) { form.ButtonInst->click(); };
        QVERIFY(RunInstall(form, users_.get(), Job("b\r\n", "NEXT"), options));
        QCOMPARE(ListDir(Queue("YamadaT")), (std::vector<std::string>{".gitkeep", "BOOK.PRC", "NEXT.PRC"}));
        // A fresh dialog, as at program start, offers .PDB.
        TFormInst fresh;
        prompts_.script = [&](QDialog&) { fresh.ButtonInst->click(); };
        QVERIFY(RunInstall(fresh, users_.get(), Job("c\r\n", "NEXT"), options));
        QVERIFY(test::FileExists(Queue("YamadaT") + "/NEXT.PDB"));
    }

    // A database another program queues while the question waits is asked
    // about anew; the registry file as it is at the install names the folder.
    void whatChangedMeanwhileIsAskedAboutAgain() {
        TFormInst form;
        DocSaveOptions options;
        WriteFile(Queue("YamadaT") + "/BOOK.PDB", "old");
        prompts_.script = [&](QDialog&) { form.ButtonInst->click(); };
        prompts_.meanwhile = [&] { WriteFile(Queue("YamadaT") + "/BOOK.PDB", "another book"); };
        prompts_.answers = {QMessageBox::Yes, QMessageBox::No};
        QVERIFY(!RunInstall(form, users_.get(), Job("a\r\n", "BOOK"), options));
        QVERIFY(prompts_.messages.size() == 2 && ReadFile(Queue("YamadaT") + "/BOOK.PDB") == "another book");
        std::string registry = ReadFile(dir_->File("desk/registry.reg"));
        WriteFile(dir_->File("desk/registry.reg"), registry.replace(registry.find("\"YamadaT\""), 9, "\"Moved\""));
        std::filesystem::rename(dir_->File("desk/Palm/YamadaT"), dir_->File("desk/Palm/Moved"));
        QVERIFY(RunInstall(form, users_.get(), Job("a\r\n", "MOVED"), options));
        QVERIFY(test::FileExists(Queue("Moved") + "/MOVED.PDB") && !test::FileExists(Queue("YamadaT")));
    }

    void refusedNamesKeepTheDialogOpen_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("extension") << "ab.c" << "ﾌｧｲﾙ名に拡張子を含めないで下さい";
        QTest::newRow("backslash") << "a\\b" << "ﾌｧｲﾙ名にﾊﾟｽを含めないで下さい";
        QTest::newRow("slash") << "a/b" << "ﾌｧｲﾙ名にﾊﾟｽを含めないで下さい";
        QTest::newRow("dot dot") << ".." << "ﾌｧｲﾙ名に拡張子を含めないで下さい";
        QTest::newRow("path and extension") << "a\\b.c" << "ﾌｧｲﾙ名にﾊﾟｽを含めないで下さい";
        QTest::newRow("empty") << "" << "ﾌｧｲﾙ名を入力して下さい";
    }
    void refusedNamesKeepTheDialogOpen() {
        QFETCH(QString, name);
        QFETCH(QString, message);
        TFormInst form;
        DocSaveOptions options;
        bool stayed = false;
        prompts_.script = [&](QDialog& dialog) {
            form.EditFile->setText(name);
            form.ButtonInst->click();
            stayed = dialog.result() == QDialog::Rejected && form.EditFile->text() == name && form.isEnabled();
            form.Button2->click();
        };
        QVERIFY(!RunInstall(form, users_.get(), Job("text\r\n", "NewFile"), options));
        QVERIFY(stayed);
        QCOMPARE(prompts_.messages.size(), size_t(1));
        QCOMPARE(prompts_.messages[0].text, message);
        QCOMPARE(prompts_.messages[0].caption, QStringLiteral("ﾌｧｲﾙ名が正しくありません"));
        QCOMPARE(ListDir(Queue("YamadaT")), std::vector<std::string>{".gitkeep"});
    }

    void cancelWritesNothing() {
        TFormInst form;
        DocSaveOptions options;
        prompts_.script = [&](QDialog&) {
            form.CheckBoxCompress->setChecked(false);
            form.Button2->click();
        };
        QVERIFY(!RunInstall(form, users_.get(), Job("text\r\n", "NewFile"), options));
        QVERIFY(options.Compress);  // the shared options change only with an install
        QCOMPARE(ListDir(Queue("YamadaT")), std::vector<std::string>{".gitkeep"});
        QCOMPARE(ListDir(Queue("Hanako")), std::vector<std::string>{".gitkeep"});
    }

    // The failure's details are in Japanese like the dialog, the system's
    // reason too.
    void aFailedInstallIsShownAndTheDialogRecovers_data() {
        QTest::addColumn<bool>("fileForFolder");
        QTest::addColumn<QString>("detail");  // %1 the queue folder
        QTest::newRow("a file where the folder should be")
            << true << QStringLiteral("NewFile.PDB をｲﾝｽﾄｰﾙ用ﾌｫﾙﾀﾞに置けません: ﾌｫﾙﾀﾞ %1 を作れません: 途中にフォルダでないものがあります");
        QTest::newRow("a folder where the database should be")
            << false << QStringLiteral("NewFile.PDB をｲﾝｽﾄｰﾙ用ﾌｫﾙﾀﾞに置けません: %1/NewFile.PDB に書き込めません: フォルダです");
    }
    void aFailedInstallIsShownAndTheDialogRecovers() {
        QFETCH(bool, fileForFolder);
        QFETCH(QString, detail);
        if (fileForFolder) {
            std::filesystem::remove_all(Queue("Hanako"));
            WriteFile(Queue("Hanako"), "a file where the folder should be");
        } else {
            std::filesystem::create_directory(Queue("Hanako") + "/NewFile.PDB");
        }
        TFormInst form;
        DocSaveOptions options;
        bool recovered = false;
        prompts_.script = [&](QDialog& dialog) {
            form.AutoInstallComboBox->setCurrentIndex(1);
            form.ButtonInst->click();
            recovered = dialog.result() == QDialog::Rejected && form.isEnabled() && !QApplication::overrideCursor();
            form.Button2->click();
        };
        QVERIFY(!RunInstall(form, users_.get(), Job("text\r\n", "NewFile"), options));
        QVERIFY(recovered);
        QCOMPARE(prompts_.messages.size(), size_t(1));
        QCOMPARE(prompts_.messages[0].caption, QStringLiteral("ｲﾝｽﾄｰﾙできません"));
        QCOMPARE(prompts_.messages[0].text, QStringLiteral("NewFile.PDB をｲﾝｽﾄｰﾙできませんでした"));
        QCOMPARE(prompts_.messages[0].detail, detail.arg(QString::fromStdString(Queue("Hanako"))));
        QCOMPARE(ListDir(tmp_->Path()), std::vector<std::string>{});
    }

    void withoutTheDesktopBothCommandsSaySo() {
        TFormInst inst;
        TFormUser user;
        DocSaveOptions options;
        bool shown = false;
        prompts_.script = [&](QDialog&) { shown = true; };
        QVERIFY(!RunInstall(inst, nullptr, Job("text\r\n", "NewFile"), options));
        QVERIFY(!RunOpenInstallFolder(user, nullptr));
        QVERIFY(!shown);
        QCOMPARE(prompts_.messages.size(), size_t(2));
        QCOMPARE(prompts_.messages[0].caption, QStringLiteral("ｲﾝｽﾄｰﾙできません"));
        QCOMPARE(prompts_.messages[1].caption, QStringLiteral("ｲﾝｽﾄｰﾙﾃﾞｨﾚｸﾄﾘを開けません"));
        QCOMPARE(prompts_.messages[0].text, QStringLiteral("PalmDesktopが正しくインストールされていません！"));
    }

    void openInstallFolderOpensTheChosenUsersQueue() {
        TFormUser form;
        std::filesystem::remove_all(Queue("Hanako"));
        prompts_.script = [&](QDialog&) {
            QCOMPARE(form.AutoInstallComboBox->currentText(), kYamada);  // the last user
            form.AutoInstallComboBox->setCurrentIndex(1);
            form.ButtonOK->click();
        };
        QVERIFY(RunOpenInstallFolder(form, users_.get()));
        QCOMPARE(prompts_.opened, std::vector<QString>{QString::fromStdString(Queue("Hanako"))});
        QVERIFY(std::filesystem::is_directory(Queue("Hanako")));  // made for a user who never installed

        prompts_.script = [&](QDialog&) { form.ButtonCancel->click(); };
        QVERIFY(!RunOpenInstallFolder(form, users_.get()));
        QCOMPARE(prompts_.opened.size(), size_t(1));

        prompts_.openSucceeds = false;
        prompts_.script = [&](QDialog&) { form.ButtonOK->click(); };
        QVERIFY(!RunOpenInstallFolder(form, users_.get()));
        QCOMPARE(prompts_.messages.size(), size_t(1));
        QCOMPARE(prompts_.messages[0].caption, QStringLiteral("ｲﾝｽﾄｰﾙﾃﾞｨﾚｸﾄﾘを開けません"));
        QVERIFY(prompts_.messages[0].detail.contains(QStringLiteral("ファイルマネージャを起動できませんでした")));
    }

    void openInstallFolderWantsAUser() {
        std::filesystem::create_directory(work_->File("core"));
        TUserData data(platform::TRegistryFile::Load(RegistryOf(
            *work_, kRoot + "\\Core]\r\n\"Path\"=\"core\"\r\n" + kRoot + "\\Users\\0]\r\n\"Name\"=\"A\"\r\n\"Directory\"=\"a\"\r\n")));
        TFormUser form;
        bool stayed = false;
        prompts_.script = [&](QDialog& dialog) {
            form.ButtonOK->click();  // no last user: nobody selected
            stayed = dialog.result() == QDialog::Rejected;
            form.ButtonCancel->click();
        };
        QVERIFY(!RunOpenInstallFolder(form, &data));
        QVERIFY(stayed);
        QCOMPARE(prompts_.messages.size(), size_t(1));
        QCOMPARE(prompts_.messages[0].caption, QStringLiteral("ﾕｰｻﾞが選択されていません"));
        QVERIFY(prompts_.opened.empty());
    }

    // The real modal dialog, driven with keys: Alt+F reaches the file name, Alt+C
    // the .PRC choice, Return presses the default button.
    void theRealDialogTakesKeys() {
        SetPrompts(nullptr);
        TFormInst form;
        DocSaveOptions options;
        bool driven = false;
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog) return;
            QVERIFY(QTest::qWaitForWindowActive(dialog));
            QTest::keyClick(dialog, Qt::Key_F, Qt::AltModifier);
            QCOMPARE(QApplication::focusWidget(), form.EditFile);
            QTest::keyClick(form.EditFile, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(form.EditFile, "KEYS");
            QTest::keyClick(dialog, Qt::Key_C, Qt::AltModifier);
            QTRY_VERIFY(form.RadioButtonPRC->isChecked());  // a mnemonic clicks after a short delay
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            driven = true;
        });
        // Nothing is left blocking when a step above fails.
        QTimer::singleShot(5000, &form, &QDialog::reject);
        QVERIFY(RunInstall(form, users_.get(), Job("keys\r\n", "NewFile"), options));
        QVERIFY(driven);
        QCOMPARE(form.EditTitle->text(), QStringLiteral("KEYS"));
        QVERIFY(test::FileExists(Queue("YamadaT") + "/KEYS.PRC"));
    }

    // The desktop's folder opener (xdg-open) tells by its exit status whether a
    // file manager took the folder; one that keeps running counts as started.
    void theFolderOpenerSaysWhetherAFileManagerStarted_data() {
        QTest::addColumn<QByteArray>("opener");
        QTest::addColumn<bool>("opened");
        QTest::newRow("handed over") << QByteArray("exit 0") << true;
        QTest::newRow("no file manager (3)") << QByteArray("exit 3") << false;
        QTest::newRow("the action failed (4)") << QByteArray("exit 4") << false;
        QTest::newRow("killed") << QByteArray("kill -9 $$") << false;
        QTest::newRow("a file manager in the foreground") << QByteArray("sleep 4") << true;
    }
    void theFolderOpenerSaysWhetherAFileManagerStarted() {
        QFETCH(QByteArray, opener);
        QFETCH(bool, opened);
        TempDir bin;
        const std::string script = bin.File("xdg-open");
        WriteFile(script, "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.arg\"\n" + opener.toStdString() + "\n");
        ::chmod(script.c_str(), 0755);
        const QByteArray savedPath = qgetenv("PATH");
        qputenv("PATH", QByteArray::fromStdString(bin.Path()) + ":" + savedPath);
        SetPrompts(nullptr);
        const QString folder = QString::fromStdString(dir_->File("desk/Palm/Hanako"));
        const bool result = Prompts().OpenFolder(folder);
        qputenv("PATH", savedPath);
        QCOMPARE(result, opened);
        QCOMPARE(QString::fromStdString(ReadFile(script + ".arg")), folder);
    }
};

QTEST_MAIN(InstallTest)
#include "InstallTest.moc"
