// The editor window on real files: the four ways of opening, saving as text and
// as DOC databases, the save question, the command states. Dialogs answer
// through FakePrompts, so no test blocks on a modal dialog.
#include "FakePrompts.h"
#include "WindowParts.h"
#include "TestSupport.h"

#include "AppInfo.h"
#include "HelpViewer.h"
#include "UnitAbout.h"
#include "EditorCodec.h"
#include "RegistryFile.h"
#include "UnitMain.h"
#include "UnitName.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QEventLoop>
#include <QMenuBar>
#include <QMimeData>
#include <QMessageBox>
#include <QAbstractButton>
#include <QMenu>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace verdane;
using verdane::test::FakePrompts;
using namespace verdane::test;

namespace {

// "あいう漢字" with a half-width katakana and an ASCII line, CR LF ends.
const std::string kSjis = "\x82\xA0\x82\xA2\x82\xA4\x8A\xBF\x8E\x9A\xB1\xB2\r\nline two ABC\r\n";

const std::string kSjisFullWidth = "\x82\xA0\x82\xA2\x8A\xBF\x8E\x9A\r\nline two ABC\r\n";

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

std::string Nkf(const char* option, const std::string& sjis) {
    const auto r = test::RunProcess("/usr/bin/nkf", {"-S", option, "-x"}, sjis);
    if (r.exitCode != 0) qFatal("nkf failed");
    return r.out;
}

std::string ToDoc(const test::TempDir& dir, const std::string& text, std::vector<std::string> options) {
    const std::string in = dir.File("in-for-cli.txt");
    const std::string out = dir.File("out-from-cli.pdb");
    test::WriteFile(in, text);
    std::vector<std::string> args = {"to-doc"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(in);
    args.push_back(out);
    const auto r = test::RunCli(args);
    if (r.exitCode != 0) qFatal("verdane-cli to-doc failed: %s", r.err.c_str());
    return test::ReadFile(out);
}

std::unique_ptr<TFormMainVerdane> NewWindow(const QStringList& args = {}) {
    static const platform::TRegistryFile registry;
    return std::make_unique<TFormMainVerdane>(registry, args);
}

// A save-options dialog answer: set the title and flags, then OK.
std::function<int(QDialog&)> FillName(const QString& title, bool compress, bool binary) {
    return [=](QDialog& d) {
        auto& form = dynamic_cast<TFormName&>(d);
        form.EditStryName->setText(title);
        form.CheckBoxCompress->setChecked(compress);
        form.CheckBoxBinary->setChecked(binary);
        return int(QDialog::Accepted);
    };
}

// Lets the event loop run and wait, so the idle handler runs as it does in the program.
void RunUntilIdle() {
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    // Each test starts without a settings file: the window reads and writes
    // its own in a fresh configuration folder.
    void init() {
        prompts_ = std::make_unique<FakePrompts>();
        config_ = std::make_unique<test::TempConfigHome>();
    }
    void cleanup() {
        prompts_.reset();
        config_.reset();
    }

    void newWindowShowsNewFileCaptionAndAnEmptyDocument();
    void openDocumentConvertsEveryEncodingToShiftJis_data();
    void openDocumentConvertsEveryEncodingToShiftJis();
    void commandLineAndDropSetTheOpenDialogsNameAndFilter_data();
    void commandLineAndDropSetTheOpenDialogsNameAndFilter();
    void docDatabasesOpenWithTheirTitle_data();
    void docDatabasesOpenWithTheirTitle();
    void aDatabaseOfAnotherTypeIsRefusedAndTheDocumentKept();
    void aDatabaseNameOf32BytesShowsTheFirst31();
    void aMissingCommandLineFileIsReportedAndTheWindowOpensEmpty();
    void aFileThatCannotBeReadIsReportedAndTheEditorKeepsItsText();
    void openCommandAddsNothingWhenTheDialogIsCancelled();
    void savingAsTextWritesTheBytesThatWereOpened();
    void savingAsDocWritesWhatTheCliWrites_data();
    void savingAsDocWritesWhatTheCliWrites();
    void saveDialogOffersTheOpenedNameWithThePrcFilter();
    void aTypedExtensionIsReplacedByTheChosenFilters();
    void theAddedExtensionNamingAnotherFileAsksFirst_data();
    void theAddedExtensionNamingAnotherFileAsksFirst();
    void cancellingTheOptionsDialogWritesNothingAndKeepsModified();
    void aReadOnlyTargetIsReportedAndKept();
    void aFullDiskKeepsTheOldFileAndTheModifiedFlag();
    void aCharacterShiftJisCannotHoldIsNotDroppedSilently();
    void saveQuestionYesThenCancelledSaveStopsTheCommand_data();
    void saveQuestionYesThenCancelledSaveStopsTheCommand();
    void closeWithNoClosesWithoutSaving();
    void escOrClosingTheSaveQuestionStopsTheCommand_data();
    void escOrClosingTheSaveQuestionStopsTheCommand();
    void saveAndInstallProposeTheTextsOwnTitle_data();
    void saveAndInstallProposeTheTextsOwnTitle();
    void anEmptyTitleIsRefused();
    void installProposesTheDocumentsOwnName_data();
    void installProposesTheDocumentsOwnName();
    void commandStatesFollowTheSelection();
    void tabInsertsATab();
    void theSaveOptionsDialogCanBeDrivenWithKeys();
    void theManualAndTheVersionBoxAreShown();

private:
    std::unique_ptr<FakePrompts> prompts_;
    std::unique_ptr<test::TempConfigHome> config_;
};

void MainWindowTest::newWindowShowsNewFileCaptionAndAnEmptyDocument() {
    auto w = NewWindow();
    QCOMPARE(Caption(*w), QStringLiteral("NewFile - Verdane Ver1.22"));
    QCOMPARE(ApplicationTitle(), QStringLiteral("NewFile - Verdane Ver1.22"));
    QCOMPARE(Bytes(*w), std::string());
    QVERIFY(!Modified(*w));
    QCOMPARE(Session(*w).Document().Path(), QString());
    // Without a Palm Desktop (the first start's choice) the window opens without a word.
    QVERIFY(prompts_->messages.empty());
    // A new document is offered to be saved as a PDB database, under no name.
    QVERIFY(!Save(*w));
    QCOMPARE(prompts_->saveDialogsShown.back().FilterIndex, 3);
    QCOMPARE(prompts_->saveDialogsShown.back().FileName, QString());
}

void MainWindowTest::openDocumentConvertsEveryEncodingToShiftJis_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("shift-jis") << "sjis.txt" << QByteArray::fromStdString(kSjis);
    QTest::newRow("euc-jp") << "euc.TXT" << QByteArray::fromStdString(Nkf("-e", kSjis));
    // JIS texts carry no half-width katakana here: the conversion reads the
    // two-byte escapes only.
    QTest::newRow("jis") << "jis.txt" << QByteArray::fromStdString(Nkf("-j", kSjisFullWidth));
    QTest::newRow("utf-8") << "utf8.txt" << QByteArray::fromStdString(Nkf("-w", kSjis));
    QTest::newRow("html, not converted") << "notes.htm" << QByteArray::fromStdString(Nkf("-e", kSjis));
    QTest::newRow("lf only, no extension") << "readme" << QByteArray("a\nb\rc\r\n");
}

void MainWindowTest::openDocumentConvertsEveryEncodingToShiftJis() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    test::TempDir dir;
    const std::string path = dir.File(S(name));
    test::WriteFile(path, bytes.toStdString());
    auto w = NewWindow();
    PickRecent(*w, Q(path));
    const std::string expected = name == "readme"    ? std::string("a\r\nb\r\nc\r\n")
                                 : name == "jis.txt" ? kSjisFullWidth
                                                     : kSjis;
    QCOMPARE(test::ToHex(Bytes(*w)), test::ToHex(expected));
    QCOMPARE(Caption(*w), name + QStringLiteral(" - Verdane Ver1.22"));
    QVERIFY(!Modified(*w));
    QCOMPARE(Session(*w).Folder(), Q(dir.Path()) + "/");
    // The document is the file read, whichever way it was opened.
    QCOMPARE(Session(*w).Document().Path(), Q(path));
    QVERIFY(Session(*w).Document().Kind() == core::DocKind::Text);
}

void MainWindowTest::commandLineAndDropSetTheOpenDialogsNameAndFilter_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("drop");
    QTest::addColumn<int>("filterIndex");
    for (bool drop : {false, true}) {
        const char* way = drop ? "drop" : "command line";
        QTest::addRow("%s, text", way) << "a.txt" << drop << 1;
        QTest::addRow("%s, html", way) << "a.html" << drop << 1;
        QTest::addRow("%s, prc", way) << "a.prc" << drop << 2;
        QTest::addRow("%s, pdb", way) << "a.PDB" << drop << 3;
    }
}

void MainWindowTest::commandLineAndDropSetTheOpenDialogsNameAndFilter() {
    QFETCH(QString, name);
    QFETCH(bool, drop);
    QFETCH(int, filterIndex);
    test::TempDir dir;
    const std::string path = dir.File(S(name));
    test::WriteFile(path, filterIndex == 1 ? kSjis : ToDoc(dir, kSjis, {}));
    std::unique_ptr<TFormMainVerdane> w;
    if (drop) {
        w = NewWindow();
        Drop(*w, {Q(path), Q(dir.File("other.txt"))});
    } else {
        // A relative argument is made absolute.
        const QString cwd = QDir::currentPath();
        QDir::setCurrent(Q(dir.Path()));
        w = NewWindow({name});
        QDir::setCurrent(cwd);
    }
    QCOMPARE(test::ToHex(Bytes(*w)), test::ToHex(kSjis));
    QCOMPARE(Session(*w).Document().Path(), Q(path));
    QCOMPARE(core::FilterIndexOf(Session(*w).Document().Kind()), filterIndex);
    QCOMPARE(Caption(*w), name + QStringLiteral(" - Verdane Ver1.22"));
}

void MainWindowTest::docDatabasesOpenWithTheirTitle_data() {
    QTest::addColumn<QStringList>("options");
    QTest::newRow("compressed") << QStringList{};
    QTest::newRow("not compressed") << QStringList{"--no-compress"};
    QTest::newRow("lf-only records") << QStringList{"--no-binary"};
    QTest::newRow("lf-only, not compressed") << QStringList{"--no-binary", "--no-compress"};
}

void MainWindowTest::docDatabasesOpenWithTheirTitle() {
    QFETCH(QStringList, options);
    test::TempDir dir;
    std::vector<std::string> args;
    for (const QString& o : options) args.push_back(S(o));
    args.insert(args.end(), {"--title", "\xE6\x9C\xAC Book"});  // "本 Book" in UTF-8
    std::string text;
    for (int i = 0; i < 400; ++i) text += kSjis;  // several records
    const std::string path = dir.File("book.pdb");
    test::WriteFile(path, ToDoc(dir, text, args));
    auto w = NewWindow();
    PickRecent(*w, Q(path));
    QCOMPARE(Bytes(*w).size(), text.size());
    QVERIFY(Bytes(*w) == text);
    QCOMPARE(StatusText(*w), QStringLiteral("本 Book"));
    QCOMPARE(core::DocTitleText(Session(*w).Document().Title()), std::string("\x96\x7B Book"));
    QCOMPARE(Caption(*w), QStringLiteral("book.pdb - Verdane Ver1.22"));
    QVERIFY(!Modified(*w));
}

void MainWindowTest::aDatabaseOfAnotherTypeIsRefusedAndTheDocumentKept() {
    test::TempDir dir;
    std::string database = ToDoc(dir, kSjis, {});
    database.replace(60, 4, "DATA");
    test::WriteFile(dir.File("other.pdb"), database);
    test::WriteFile(dir.File("first.txt"), "first\r\n");
    auto w = NewWindow({Q(dir.File("first.txt"))});
    Editor(*w)->insertPlainText("typed ");
    prompts_->messages.clear();
    prompts_->answers.push_back(QMessageBox::No);
    Drop(*w, {Q(dir.File("other.pdb"))});
    // The save question comes first: answered No.
    QCOMPARE(prompts_->messages.size(), size_t(2));
    QCOMPARE(prompts_->messages[1].caption, QStringLiteral("開けません"));
    QCOMPARE(prompts_->messages[1].text,
             QStringLiteral("そのファイルは、PilotDOC形式のファイルではありません。\nVerdaneでは開けません。"));
    QCOMPARE(prompts_->messages[1].icon, QMessageBox::Critical);
    QCOMPARE(Bytes(*w), std::string("typed first\r\n"));
    QVERIFY(Modified(*w));
    QCOMPARE(Caption(*w), QStringLiteral("first.txt* - Verdane Ver1.22"));
    QCOMPARE(Session(*w).Document().Path(), Q(dir.File("first.txt")));
}

void MainWindowTest::aDatabaseNameOf32BytesShowsTheFirst31() {
    test::TempDir dir;
    std::string database = ToDoc(dir, kSjis, {});
    database.replace(0, 32, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
    test::WriteFile(dir.File("long.pdb"), database);
    auto w = NewWindow();
    PickRecent(*w, Q(dir.File("long.pdb")));
    QCOMPARE(StatusText(*w), QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ01234"));
    prompts_->saveChoices.push_back({Q(dir.File("again")), 3});
    QString offered;
    prompts_->dialogs.push_back([&](QDialog& d) {
        offered = dynamic_cast<TFormName&>(d).EditStryName->text();
        return int(QDialog::Accepted);
    });
    QVERIFY(Save(*w));
    QCOMPARE(offered, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ01234"));
}

void MainWindowTest::aMissingCommandLineFileIsReportedAndTheWindowOpensEmpty() {
    test::TempDir dir;
    const QString missing = Q(dir.File("missing.txt"));
    auto w = NewWindow({missing});
    QCOMPARE(Caption(*w), QStringLiteral("NewFile - Verdane Ver1.22"));
    QCOMPARE(Bytes(*w), std::string());
    QVERIFY(prompts_->Texts().last().contains(missing + " を開けません: ファイルまたはフォルダがありません"));
    QCOMPARE(Session(*w).Document().Path(), QString());
}

void MainWindowTest::aFileThatCannotBeReadIsReportedAndTheEditorKeepsItsText() {
    test::TempDir dir;
    ::mkdir(dir.File("folder.txt").c_str(), 0755);
    test::WriteFile(dir.File("secret.txt"), "secret");
    ::chmod(dir.File("secret.txt").c_str(), 0);
    auto w = NewWindow();
    SetText(*w, "kept\r\n");
    SetModified(*w, true);
    prompts_->answers.push_back(QMessageBox::No);
    Drop(*w, {Q(dir.File("folder.txt"))});
    QVERIFY(prompts_->Texts().last().contains(QStringLiteral("folder.txt を読み込めません: フォルダです")));
    if (::geteuid() != 0) {
        prompts_->answers.push_back(QMessageBox::No);
        Drop(*w, {Q(dir.File("secret.txt"))});
        QVERIFY(prompts_->Texts().last().contains(QStringLiteral("secret.txt を開けません: アクセスが許可されていません")));
    }
    QCOMPARE(Bytes(*w), std::string("kept\r\n"));
    QVERIFY(Modified(*w));
    QVERIFY(Editor(*w)->isEnabled());
}

void MainWindowTest::openCommandAddsNothingWhenTheDialogIsCancelled() {
    auto w = NewWindow();
    SetText(*w, "text\r\n");
    prompts_->openChoices.push_back(QString());
    Trigger(*w, "MenuOpen");
    QCOMPARE(Bytes(*w), std::string("text\r\n"));
    QVERIFY(w->menuBar()->isEnabled());
    QVERIFY(Editor(*w)->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
}

void MainWindowTest::savingAsTextWritesTheBytesThatWereOpened() {
    // NEC and IBM extension characters, half-width katakana, stray bytes 0x80
    // and 0xFD, and a lead byte at the very end.
    const std::string bytes = "\x87\x40\x87\x54\xFA\x40\xFA\x55 \xB1\xDE\r\n\x80 \xFD \xA0\r\n\x82\xA0\x82";
    test::TempDir dir;
    test::WriteFile(dir.File("odd.txt"), bytes);
    auto w = NewWindow({Q(dir.File("odd.txt"))});
    prompts_->saveChoices.push_back({Q(dir.File("copy")), 1});
    QVERIFY(Save(*w));
    QCOMPARE(test::ToHex(test::ReadFile(dir.File("copy.TXT"))), test::ToHex(bytes));
}

void MainWindowTest::savingAsDocWritesWhatTheCliWrites_data() {
    QTest::addColumn<bool>("compress");
    QTest::addColumn<bool>("binary");
    QTest::addColumn<int>("filterIndex");
    for (bool compress : {true, false})
        for (bool binary : {true, false})
            for (int filter : {2, 3})
                QTest::addRow("%s %s %s", compress ? "compress" : "plain", binary ? "binary" : "text-only",
                              filter == 2 ? "prc" : "pdb")
                    << compress << binary << filter;
}

void MainWindowTest::savingAsDocWritesWhatTheCliWrites() {
    QFETCH(bool, compress);
    QFETCH(bool, binary);
    QFETCH(int, filterIndex);
    test::TempDir dir;
    std::string text;
    for (int i = 0; i < 700; ++i) text += kSjis + "\x87\x40\xFA\x40\x80\r\n";
    test::WriteFile(dir.File("src.txt"), text);
    auto w = NewWindow({Q(dir.File("src.txt"))});
    prompts_->saveChoices.push_back({Q(dir.File("out")), filterIndex});
    prompts_->dialogs.push_back(FillName(QStringLiteral("題名"), compress, binary));
    QVERIFY(Save(*w));
    std::vector<std::string> options = {"--title", "題名"};
    if (!compress) options.push_back("--no-compress");
    if (!binary) options.push_back("--no-binary");
    const std::string expected = ToDoc(dir, text, options);
    const std::string written = test::ReadFile(dir.File(filterIndex == 2 ? "out.PRC" : "out.PDB"));
    QCOMPARE(written.size(), expected.size());
    // The creation and modification times differ between the two writes.
    QVERIFY(written.substr(0, 36) == expected.substr(0, 36));
    QVERIFY(written.substr(48) == expected.substr(48));
    QVERIFY(!Modified(*w));
    QCOMPARE(SettingsOf(*w).Compress, compress);
    QCOMPARE(SettingsOf(*w).IncludeBinary, binary);
    // The document is now the file written, of the kind written.
    const QString saved = Q(dir.File(filterIndex == 2 ? "out.PRC" : "out.PDB"));
    QCOMPARE(Caption(*w), core::FileNamePart(saved) + QStringLiteral(" - Verdane Ver1.22"));
    QCOMPARE(Session(*w).Document().Path(), saved);
    QCOMPARE(core::FilterIndexOf(Session(*w).Document().Kind()), filterIndex);
}

void MainWindowTest::saveDialogOffersTheOpenedNameWithThePrcFilter() {
    test::TempDir dir;
    test::WriteFile(dir.File("memo.txt"), kSjis);
    auto w = NewWindow({Q(dir.File("memo.txt"))});
    prompts_->saveChoices.push_back({Q(dir.File("memo")), 0});
    QString offered;
    prompts_->dialogs.push_back([&](QDialog& d) {
        offered = dynamic_cast<TFormName&>(d).EditStryName->text();
        return int(QDialog::Accepted);
    });
    QVERIFY(Save(*w));
    QCOMPARE(prompts_->saveDialogsShown.at(0).FileName, Q(dir.File("memo")));
    QCOMPARE(prompts_->saveDialogsShown.at(0).FilterIndex, 2);
    QCOMPARE(offered, QStringLiteral("memo"));
    QVERIFY(test::FileExists(dir.File("memo.PRC")));
}

void MainWindowTest::aTypedExtensionIsReplacedByTheChosenFilters() {
    test::TempDir dir;
    auto w = NewWindow();
    SetText(*w, "x\r\n");
    prompts_->saveChoices.push_back({Q(dir.File("book.txt")), 3});
    prompts_->dialogs.push_back(FillName("book", true, true));
    QVERIFY(Save(*w));
    QCOMPARE(test::ListDir(dir.Path()), std::vector<std::string>{"book.PDB"});
}

void MainWindowTest::theAddedExtensionNamingAnotherFileAsksFirst_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("no keeps the other file") << int(QMessageBox::No);
    QTest::newRow("yes replaces it") << int(QMessageBox::Yes);
}

void MainWindowTest::theAddedExtensionNamingAnotherFileAsksFirst() {
    QFETCH(int, answer);
    test::TempDir dir;
    test::WriteFile(dir.File("u8.PRC"), "another book");
    test::WriteFile(dir.File("u8.html"), "<p>page</p>\r\n");
    auto w = NewWindow({Q(dir.File("u8.html"))});
    Editor(*w)->insertPlainText("edited ");
    // The name the dialog proposes, "u8", with the PRC type.
    prompts_->saveChoices.push_back({Q(dir.File("u8")), 2});
    prompts_->answers.push_back(QMessageBox::StandardButton(answer));
    prompts_->dialogs.push_back(FillName("u8", true, true));
    prompts_->messages.clear();
    QCOMPARE(Save(*w), answer == QMessageBox::Yes);
    QCOMPARE(prompts_->messages.at(0).text, QStringLiteral("u8.PRC はすでにあります。置き換えます。\n保存しますか?"));
    QCOMPARE(test::ReadFile(dir.File("u8.PRC")) == "another book", answer == QMessageBox::No);
    QCOMPARE(Modified(*w), answer == QMessageBox::No);
}

void MainWindowTest::cancellingTheOptionsDialogWritesNothingAndKeepsModified() {
    test::TempDir dir;
    auto w = NewWindow();
    Editor(*w)->insertPlainText("typed");
    prompts_->saveChoices.push_back({Q(dir.File("x")), 2});
    prompts_->dialogs.push_back([](QDialog&) { return int(QDialog::Rejected); });
    QVERIFY(!Save(*w));
    QVERIFY(test::ListDir(dir.Path()).empty());
    QVERIFY(Modified(*w));
    QVERIFY(w->menuBar()->isEnabled());
}

void MainWindowTest::aReadOnlyTargetIsReportedAndKept() {
    test::TempDir dir;
    test::WriteFile(dir.File("ro.TXT"), "old");
    ::chmod(dir.File("ro.TXT").c_str(), 0444);
    auto w = NewWindow();
    Editor(*w)->insertPlainText("new");
    prompts_->saveChoices.push_back({Q(dir.File("ro")), 1});
    prompts_->answers.push_back(QMessageBox::Yes);  // ro.TXT is there: replace it
    QVERIFY(!Save(*w));
    QVERIFY(prompts_->Texts().last().contains(QStringLiteral("ro.TXT を保存できません")) && prompts_->Texts().last().contains(QStringLiteral("ro.TXT に書き込めません: アクセスが許可されていません")));
    QCOMPARE(test::ReadFile(dir.File("ro.TXT")), std::string("old"));
    QVERIFY(Modified(*w));
}

void MainWindowTest::aFullDiskKeepsTheOldFileAndTheModifiedFlag() {
    test::TempDir dir;
    if (::mount("tmpfs", dir.Path().c_str(), "tmpfs", 0, "size=64k") != 0) QSKIP("cannot mount a small tmpfs here");
    test::WriteFile(dir.File("big.TXT"), "old");
    auto w = NewWindow();
    Editor(*w)->setPlainText(QString(100000, u'x'));
    SetModified(*w, true);
    prompts_->saveChoices.push_back({Q(dir.File("big")), 1});
    prompts_->answers.push_back(QMessageBox::Yes);  // big.TXT is there: replace it
    const bool saved = Save(*w);
    const std::string after = test::ReadFile(dir.File("big.TXT"));
    const auto entries = test::ListDir(dir.Path());
    ::umount(dir.Path().c_str());
    QVERIFY(!saved);
    QVERIFY(prompts_->Texts().last().contains(QStringLiteral("ディスクに空きがありません")));
    QCOMPARE(after, std::string("old"));
    QCOMPARE(entries, std::vector<std::string>{"big.TXT"});
    QVERIFY(Modified(*w));
}

void MainWindowTest::aCharacterShiftJisCannotHoldIsNotDroppedSilently() {
    test::TempDir dir;
    auto w = NewWindow();
    Editor(*w)->setPlainText(QStringLiteral("caf\u00E9\n\u20AC\nx\U0001F600 \u00E9"));  // é, €, an emoji, é
    prompts_->saveChoices.push_back({Q(dir.File("a")), 1});
    prompts_->answers.push_back(QMessageBox::No);
    QVERIFY(!Save(*w));
    // The question names the first three with their lines.
    QCOMPARE(prompts_->Texts().last(),
             QStringLiteral("この文書には Shift-JIS にない文字が 4 個あります: 1 行目の「\u00E9」(U+00E9)→「e」、"
                            "2 行目の「\u20AC」(U+20AC)→「?」、3 行目の「\U0001F600」(U+1F600)→「?」など。"
                            "「→」の先の文字に置き換えます。\n保存しますか?"));
    QVERIFY(test::ListDir(dir.Path()).empty());
    QCOMPARE(Editor(*w)->textCursor().position(), 3);
    prompts_->saveChoices.push_back({Q(dir.File("a")), 1});
    prompts_->answers.push_back(QMessageBox::Yes);
    QVERIFY(Save(*w));
    QCOMPARE(test::ReadFile(dir.File("a.TXT")), std::string("cafe\r\n?\r\nx? e"));
}

void MainWindowTest::saveQuestionYesThenCancelledSaveStopsTheCommand_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("new") << "new";
    QTest::newRow("open") << "open";
    QTest::newRow("drop") << "drop";
    QTest::newRow("close") << "close";
}

void MainWindowTest::saveQuestionYesThenCancelledSaveStopsTheCommand() {
    QFETCH(QString, command);
    test::TempDir dir;
    test::WriteFile(dir.File("other.txt"), "other\r\n");
    auto w = NewWindow();
    w->show();
    Editor(*w)->insertPlainText("unsaved");
    prompts_->answers.push_back(QMessageBox::Yes);
    prompts_->saveChoices.push_back({});  // the save dialog is cancelled
    prompts_->openChoices.push_back(Q(dir.File("other.txt")));
    if (command == "new") Trigger(*w, "MenuNew");
    if (command == "open") Trigger(*w, "MenuOpen");
    if (command == "drop") Drop(*w, {Q(dir.File("other.txt"))});
    if (command == "close") QVERIFY(!w->close());
    QCOMPARE(prompts_->messages.at(0).caption, QStringLiteral("変更されています"));
    QCOMPARE(prompts_->messages.at(0).text, QStringLiteral("文書が変更されています。\n保存しますか?"));
    QCOMPARE(prompts_->messages.at(0).icon, QMessageBox::Warning);
    QCOMPARE(Bytes(*w), std::string("unsaved"));
    QVERIFY(Modified(*w));
    QVERIFY(w->isVisible());
    QCOMPARE(prompts_->saveDialogsShown.size(), size_t(1));
}

void MainWindowTest::closeWithNoClosesWithoutSaving() {
    test::TempDir dir;
    auto w = NewWindow();
    w->show();
    Editor(*w)->insertPlainText("unsaved");
    prompts_->answers.push_back(QMessageBox::No);
    QVERIFY(w->close());
    QVERIFY(prompts_->saveDialogsShown.empty());
}

void MainWindowTest::escOrClosingTheSaveQuestionStopsTheCommand_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("escape");  // Esc, or the box's close button
    for (const char* command : {"MenuNew", "MenuOpen", "URLU1", "MenuQuit", "drop", "recent"}) {
        QTest::newRow((std::string(command) + " esc").c_str()) << command << true;
        QTest::newRow((std::string(command) + " closed").c_str()) << command << false;
    }
}

void MainWindowTest::escOrClosingTheSaveQuestionStopsTheCommand() {
    QFETCH(QString, command);
    QFETCH(bool, escape);
    test::TempDir dir;
    const QString other = Q(dir.File("other.txt"));
    test::WriteFile(dir.File("other.txt"), "other\r\n");
    auto w = NewWindow();
    w->show();
    auto drop = [&] { Drop(*w, {other}); };
    drop();  // read, and so on the recent-files list
    Editor(*w)->insertPlainText("unsaved ");
    prompts_->realMessageBoxes = true;
    prompts_->openChoices.push_back(other);
    prompts_->dialogs.push_back([](QDialog&) { return int(QDialog::Accepted); });
    QString buttons;
    QTimer::singleShot(0, w.get(), [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        for (QAbstractButton* b : box->buttons()) buttons += b->text() + u' ';
        if (escape)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->close();
    });
    if (command == "drop") {
        drop();
    } else if (command == "recent") {
        for (QAction* item : Part<QMenu>(*w, "MenuFile")->actions())
            if (item->data().toString() == other) item->trigger();
    } else {
        Action(*w, command.toLatin1().constData())->trigger();
    }
    QCOMPARE(prompts_->messages.back().text, QStringLiteral("文書が変更されています。\n保存しますか?"));
    QVERIFY(buttons.contains(QStringLiteral("はい")) && buttons.contains(QStringLiteral("いいえ")) &&
            buttons.contains(QStringLiteral("キャンセル")));
    QVERIFY(w->isVisible());
    QCOMPARE(Editor(*w)->toPlainText(), QStringLiteral("unsaved other\n"));
    QVERIFY(Editor(*w)->document()->isModified());
    QVERIFY(Editor(*w)->document()->isUndoAvailable());
    QVERIFY(prompts_->saveDialogsShown.empty());
    QCOMPARE(prompts_->openChoices.size(), size_t(1));
    QCOMPARE(prompts_->dialogs.size(), size_t(1));
}

void MainWindowTest::installProposesTheDocumentsOwnName_data() {
    QTest::addColumn<QString>("file");  // empty: a new text
    QTest::addColumn<QString>("name");
    QTest::newRow("new") << "" << "NewFile";
    QTest::newRow("text") << "MEMO.TXT" << "MEMO";
    QTest::newRow("two dots") << "a.b.txt" << "a";
    QTest::newRow("dash in the name") << "my - book.txt" << "my - book";
    QTest::newRow("no extension") << "本" << "本";
}

void MainWindowTest::installProposesTheDocumentsOwnName() {
    QFETCH(QString, file);
    QFETCH(QString, name);
    test::TempDir dir;
    QStringList args;
    if (!file.isEmpty()) {
        test::WriteFile(dir.File(S(file)), "text\r\n");
        args << Q(dir.File(S(file)));
    }
    const auto registry = platform::TRegistryFile::Load(VERDANE_SOURCE_DIR "/examples/palm-desktop/registry.reg");
    TFormMainVerdane w(registry, args);
    QString proposed;
    prompts_->dialogs.push_back([&](QDialog& d) {
        proposed = d.findChild<QLineEdit*>(QStringLiteral("EditFile"))->text();
        return int(QDialog::Rejected);
    });
    Trigger(w, "MenuInstall");
    QCOMPARE(proposed, name);
}

void MainWindowTest::saveAndInstallProposeTheTextsOwnTitle_data() {
    QTest::addColumn<QStringList>("opened");  // in turn; "new" is the New command
    QTest::addColumn<QStringList>("titles");  // the status panel's, Save's (as out.pdb), Install's
    QTest::newRow("database") << QStringList{"alpha.pdb"} << QStringList{"Alpha", "Alpha", "Alpha"};
    QTest::newRow("database, text") << QStringList{"alpha.pdb", "beta.txt"} << QStringList{"beta", "beta", "beta"};
    QTest::newRow("archive") << QStringList{"789_ruby_5639.zip"} << QStringList(3, QStringLiteral("猫の町"));
    QTest::newRow("database, new") << QStringList{"alpha.pdb", "new"} << QStringList{"", "out", "NewFile"};
}

void MainWindowTest::saveAndInstallProposeTheTextsOwnTitle() {
    QFETCH(QStringList, opened);
    test::TempDir dir;
    test::WriteFile(dir.File("alpha.pdb"), ToDoc(dir, kSjis, {"--title", "Alpha"}));
    test::WriteFile(dir.File("beta.txt"), kSjis);
    test::WriteFile(dir.File("neko.txt"), "\x94\x4C\x82\xCC\x92\xAC\r\n\x94\x8B\x8C\xB4\r\n");  // 猫の町 / 萩原
    test::RunProcess("/usr/bin/zip", {"-q", "-j", dir.File("789_ruby_5639.zip"), dir.File("neko.txt")});
    TFormMainVerdane w(platform::TRegistryFile::Load(VERDANE_SOURCE_DIR "/examples/palm-desktop/registry.reg"), {});
    for (const QString& file : opened) {
        prompts_->openChoices.push_back(Q(dir.File(S(file))));
        Trigger(w, file == QStringLiteral("new") ? "MenuNew" : "MenuOpen");
    }
    QStringList titles{StatusText(w)};
    const auto read = [&](const char* field) {
        prompts_->dialogs.push_back([&titles, field](QDialog& d) {
            titles << d.findChild<QLineEdit*>(QString::fromLatin1(field))->text();
            return int(QDialog::Rejected);
        });
    };
    prompts_->saveChoices.push_back({Q(dir.File("out.pdb")), 3});
    read("EditStryName");
    Save(w);
    read("EditTitle");
    Trigger(w, "MenuInstall");
    QTEST(titles, "titles");
}

void MainWindowTest::anEmptyTitleIsRefused() {
    test::TempDir dir;
    test::WriteFile(dir.File("beta.txt"), kSjis);
    auto w = NewWindow({Q(dir.File("beta.txt"))});
    prompts_->saveChoices.push_back({Q(dir.File("out.pdb")), 3});
    prompts_->dialogs.push_back([&](QDialog& d) {
        auto& form = dynamic_cast<TFormName&>(d);
        form.EditStryName->clear();
        form.ButtonOK->click();  // refused: the dialog stays open
        if (d.result() == QDialog::Accepted) return int(QDialog::Accepted);
        form.EditStryName->setText(QStringLiteral("Named"));
        form.ButtonOK->click();
        return d.result();
    });
    QVERIFY(Save(*w));
    QVERIFY(prompts_->Texts().contains(QStringLiteral("タイトルを入力して下さい")));
    QCOMPARE(test::ReadFile(dir.File("out.pdb")).substr(0, 6), std::string("Named\0", 6));
}

void MainWindowTest::commandStatesFollowTheSelection() {
    auto w = NewWindow();
    w->show();
    Editor(*w)->setPlainText("abc");
    RunIdle();
    for (QObject* o : std::initializer_list<QObject*>{Action(*w, "EditCut"), Action(*w, "EditCopy"), Action(*w, "PopupCut"), Action(*w, "PopupCopy"),
                                                      Part<QToolButton>(*w, "ToolButtonCut"), Part<QToolButton>(*w, "ToolButtonCopy")})
        QVERIFY2(!o->property("enabled").toBool(), qPrintable(o->objectName()));
    QTextCursor cursor = Editor(*w)->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(1, QTextCursor::KeepAnchor);
    Editor(*w)->setTextCursor(cursor);
    // The idle handler runs when the event loop waits.
    RunUntilIdle();
    for (QObject* o : std::initializer_list<QObject*>{Action(*w, "EditCut"), Action(*w, "EditCopy"), Action(*w, "PopupCut"), Action(*w, "PopupCopy"),
                                                      Part<QToolButton>(*w, "ToolButtonCut"), Part<QToolButton>(*w, "ToolButtonCopy")})
        QVERIFY2(o->property("enabled").toBool(), qPrintable(o->objectName()));
    QVERIFY(!Action(*w, "MenuUndo")->isEnabled());
    Editor(*w)->insertPlainText("x");
    RunUntilIdle();
    QVERIFY(Action(*w, "MenuUndo")->isEnabled() && Action(*w, "PopupUndo")->isEnabled() && Part<QToolButton>(*w, "ToolButtonUndo")->isEnabled());
    cursor.clearSelection();
    Editor(*w)->setTextCursor(cursor);
    RunUntilIdle();
    QVERIFY(!Action(*w, "EditCut")->isEnabled() && !Action(*w, "PopupCopy")->isEnabled() && !Part<QToolButton>(*w, "ToolButtonCut")->isEnabled());
    QApplication::clipboard()->setText("paste me");
    RunUntilIdle();
    QVERIFY(Action(*w, "EditPaste")->isEnabled() && Action(*w, "PopupPaste")->isEnabled() && Part<QToolButton>(*w, "ToolButtonPaste")->isEnabled());
    // Commands of other kinds are never disabled.
    QVERIFY(Action(*w, "MenuSave")->isEnabled() && Action(*w, "MenuBM")->isEnabled());
}

void MainWindowTest::tabInsertsATab() {
    auto w = NewWindow();
    w->show();
    Editor(*w)->setFocus();
    QTest::keyClick(Editor(*w), Qt::Key_A);
    QTest::keyClick(Editor(*w), Qt::Key_Tab);
    QCOMPARE(Bytes(*w), std::string("a\t"));
    QVERIFY(Modified(*w));
}

void MainWindowTest::theSaveOptionsDialogCanBeDrivenWithKeys() {
    test::TempDir dir;
    auto w = NewWindow();
    w->show();
    SetText(*w, "keys\r\n");
    prompts_->saveChoices.push_back({Q(dir.File("k")), 3});
    prompts_->dialogs.push_back(nullptr);  // the real dialog
    QTimer::singleShot(50, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        QApplication::setActiveWindow(dialog);
        auto* title = dialog->findChild<QLineEdit*>("EditStryName");
        title->selectAll();
        QTest::keyClicks(title, "Keyed");
        // Tab to the compression check box, Space turns it off, Return presses OK.
        QTest::keyClick(title, Qt::Key_Tab);
        QCOMPARE(dialog->focusWidget()->objectName(), QStringLiteral("CheckBoxCompress"));
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Space);
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
    });
    QVERIFY(Save(*w));
    const std::string database = test::ReadFile(dir.File("k.PDB"));
    QCOMPARE(database.substr(0, 6), std::string("Keyed\0", 6));
    QVERIFY(!SettingsOf(*w).Compress);
    QVERIFY(SettingsOf(*w).IncludeBinary);
}

void MainWindowTest::theManualAndTheVersionBoxAreShown() {
    auto w = NewWindow();
    QVERIFY(ShowHelpContents(w.get(), QStringLiteral(VERDANE_SOURCE_DIR "/data/manual.html")));
    auto* browser = w->findChild<QTextBrowser*>("HelpBrowser");
    QVERIFY(browser && browser->isVisible());
    for (const char* command : {"新規作成", "開く", "URLから開く", "保存", "インストール", "設定", "定型文の編集", "元に戻す",
                                "ブックマークを挿入", "日付を挿入", "HTML→テキスト処理", "検索", "置換", "次を検索",
                                "バージョン情報"})
        QVERIFY2(browser->toPlainText().contains(QString::fromUtf8(command)), command);
    QVERIFY(!ShowHelpContents(w.get(), QString()));
    QString product;
    prompts_->dialogs.push_back([&](QDialog& d) {
        d.show();
        product = d.findChild<QLabel*>("ProductName")->text();
        d.hide();
        return int(QDialog::Accepted);
    });
    Trigger(*w, "HelpAbout");
    QCOMPARE(product, QStringLiteral("Verdane Ver1.22"));
    QCOMPARE(Part<TAboutBox>(*w, "AboutBox")->windowTitle(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
