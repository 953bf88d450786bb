// The open document in the real window: every way of replacing an edited text
// asks first and does what the answer says; only editing and saving change
// the Modified flag; the save dialog's chosen type decides what is written
// (the desktop's own dialog, driven with keys); a page has no file of its own;
// a failed download says why; a UTF-8 text keeps its characters until the
// save asks; no dialog opens under the hourglass.
#include "FakePrompts.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "WindowParts.h"

#include "KanjiCode.h"
#include "RegistryFile.h"
#include "SaveCode.h"
#include "UnitDL.h"
#include "UnitMain.h"
#include "UnitName.h"
#include "UnitSetting.h"
#include "UnitURL.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <algorithm>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace verdane;
using namespace verdane::test;

namespace {

const std::string kOther = "other file\r\n";
const std::string kPage = "<html><body><p>page &amp; text</p></body></html>\r\n";

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The editor's text as it holds it (a no-break space stays one).
QString HeldText(const QObject& window) {
    return Editor(window)->document()->toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

std::unique_ptr<TFormMainVerdane> NewWindow(const QStringList& args = {}) {
    static const platform::TRegistryFile registry;
    auto w = std::make_unique<TFormMainVerdane>(registry, args);
    w->show();
    return w;
}

std::function<int(QDialog&)> EnterUrl(const std::string& url, bool html) {
    return [=](QDialog& d) {
        auto& form = dynamic_cast<TFormURL&>(d);
        form.EditURL->setEditText(Q(url));
        form.CheckBoxHTML->setChecked(html);
        return int(QDialog::Accepted);
    };
}

std::function<int(QDialog&)> Accept() {
    return [](QDialog&) { return int(QDialog::Accepted); };
}

// A port on 127.0.0.1 that nothing listens on.
int ClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

const QString kSaveQuestion = QStringLiteral("文書が変更されています。\n保存しますか?");

}  // namespace

class DocumentTest : public QObject {
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

    void everyWayOfReplacingAnEditedTextAsks_data();
    void everyWayOfReplacingAnEditedTextAsks();
    void settingsOkKeepsTheModifiedFlagAndTheCaretSoTheCloseAsks();
    void theChosenTypeInTheSaveDialogDecidesTheKind_data();
    void theChosenTypeInTheSaveDialogDecidesTheKind();
    void afterADownloadSaveProposesThePageNotTheFileBefore();
    void aFailedDownloadOverATextSaysWhy_data();
    void aFailedDownloadOverATextSaysWhy();
    void aUtf8TextKeepsItsCharactersUntilTheSaveAsks();
    void aUtf8PageKeepsItsCharactersUntilTheSaveAsks();
    void aUtf8PageTurnedIntoTextSaysWhatItCouldNotHold();
    void theHtmlCommandLeavesTheEditorPainting();

private:
    std::unique_ptr<FakePrompts> prompts_;
    std::unique_ptr<TempConfigHome> config_;
};

void DocumentTest::everyWayOfReplacingAnEditedTextAsks_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("yes");
    for (const char* way : {"new", "open", "recent", "drop", "download"})
        for (bool yes : {false, true}) QTest::addRow("%s, %s", way, yes ? "yes" : "no") << way << yes;
}

void DocumentTest::everyWayOfReplacingAnEditedTextAsks() {
    QFETCH(QString, way);
    QFETCH(bool, yes);
    TempDir dir;
    WriteFile(dir.File("other.txt"), kOther);
    TestHttpServer server;
    server.On("/story.html", {Send(Answer("HTTP/1.0 200 OK", {}, kPage))});
    auto w = NewWindow();
    Editor(*w)->insertPlainText(QStringLiteral("edited"));
    QVERIFY(Modified(*w));
    prompts_->messages.clear();
    prompts_->answers.push_back(yes ? QMessageBox::Yes : QMessageBox::No);
    prompts_->saveChoices.push_back({Q(dir.File("edits")), 1});
    prompts_->openChoices.push_back(Q(dir.File("other.txt")));
    prompts_->dialogs.push_back(EnterUrl(server.Url("/story.html"), false));

    std::string expected = kOther;
    if (way == "new") {
        Trigger(*w, "MenuNew");
        expected.clear();
    } else if (way == "open") {
        Trigger(*w, "MenuOpen");
    } else if (way == "recent") {
        PickRecent(*w, Q(dir.File("other.txt")));
    } else if (way == "drop") {
        Drop(*w, {Q(dir.File("other.txt"))});
    } else {
        Trigger(*w, "URLU1");
        expected = kPage;
    }
    QCOMPARE(prompts_->Texts(), QStringList{kSaveQuestion});
    QCOMPARE(Bytes(*w), expected);
    if (yes) QCOMPARE(ReadFile(dir.File("edits.TXT")), std::string("edited"));
    else QVERIFY(!FileExists(dir.File("edits.TXT")));
    // A page is new text until it is saved; anything read is the saved state.
    QCOMPARE(Modified(*w), way == "download");
}

void DocumentTest::settingsOkKeepsTheModifiedFlagAndTheCaretSoTheCloseAsks() {
    auto w = NewWindow();
    Editor(*w)->insertPlainText(QStringLiteral("first line\nsecond"));
    QTextCursor cursor = Editor(*w)->textCursor();
    cursor.setPosition(5);
    Editor(*w)->setTextCursor(cursor);
    prompts_->dialogs.push_back([](QDialog& d) {
        dynamic_cast<TFormSetting&>(d).EditBM->setText(QStringLiteral("##"));
        return int(QDialog::Accepted);
    });
    Trigger(*w, "MenuSetting");
    QCOMPARE(SettingsOf(*w).BookmarkMark, QStringLiteral("##"));
    QVERIFY(Modified(*w));
    QCOMPARE(Editor(*w)->textCursor().position(), 5);
    prompts_->messages.clear();
    prompts_->answers.push_back(QMessageBox::No);
    QVERIFY(w->close());
    QCOMPARE(prompts_->Texts(), QStringList{kSaveQuestion});
}

void DocumentTest::theChosenTypeInTheSaveDialogDecidesTheKind_data() {
    QTest::addColumn<int>("typeKey");
    QTest::addColumn<int>("downs");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::addColumn<int>("kind");
    // The dialog offers text, PRC and PDB, in that order; a PDB was opened, so
    // PDB is preselected.
    QTest::newRow("text") << int(Qt::Key_Home) << 0 << "plain" << "plain.TXT" << int(core::DocKind::Text);
    QTest::newRow("text, typed .pdb") << int(Qt::Key_Home) << 0 << "plain.pdb" << "plain.TXT"
                                      << int(core::DocKind::Text);
    QTest::newRow("prc") << int(Qt::Key_Home) << 1 << "book" << "book.PRC" << int(core::DocKind::Prc);
    QTest::newRow("pdb as preselected, typed .txt") << 0 << 0 << "book.txt" << "book.PDB" << int(core::DocKind::Pdb);
}

void DocumentTest::theChosenTypeInTheSaveDialogDecidesTheKind() {
    QFETCH(int, typeKey);
    QFETCH(int, downs);
    QFETCH(QString, typed);
    QFETCH(QString, written);
    QFETCH(int, kind);
    TempDir dir;
    const std::string text = "\x82\xA0\x8A\xBF text\r\n";
    WriteFile(dir.File("in.txt"), text);
    const auto made = RunCli({"to-doc", "--title", "Book", dir.File("in.txt"), dir.File("opened.pdb")});
    QCOMPARE(made.exitCode, 0);
    auto w = NewWindow({Q(dir.File("opened.pdb"))});
    prompts_->realFileDialogs = true;
    prompts_->dialogs.push_back(Accept());  // the save options of a database
    bool drove = false;
    QTimer::singleShot(100, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(types && name);
        QCOMPARE(types->count(), 3);
        if (typeKey) QTest::keyClick(types, Qt::Key(typeKey));
        for (int i = 0; i < downs; ++i) QTest::keyClick(types, Qt::Key_Down);
        name->setFocus();
        name->selectAll();
        QTest::keyClicks(name, typed);
        QTest::keyClick(name, Qt::Key_Return);
        drove = true;
    });
    QVERIFY(Save(*w));
    QVERIFY(drove);
    std::vector<std::string> files = {"in.txt", "opened.pdb", written.toStdString()};
    std::sort(files.begin(), files.end());
    QCOMPARE(ListDir(dir.Path()), files);
    const std::string saved = ReadFile(dir.File(written.toStdString()));
    if (kind == int(core::DocKind::Text)) QCOMPARE(saved, text);
    else QCOMPARE(saved.substr(60, 8), std::string("TEXtREAd"));
    QVERIFY(int(Session(*w).Document().Kind()) == kind);
    QCOMPARE(Session(*w).Document().Path(), Q(dir.File(written.toStdString())));
}

void DocumentTest::afterADownloadSaveProposesThePageNotTheFileBefore() {
    TempDir dir;
    WriteFile(dir.File("precious.txt"), kOther);
    TestHttpServer server;
    server.On("/books/story.html", {Send(Answer("HTTP/1.0 200 OK", {}, kPage))});
    auto w = NewWindow({Q(dir.File("precious.txt"))});
    prompts_->dialogs.push_back(EnterUrl(server.Url("/books/story.html"), true));
    Trigger(*w, "URLU1");
    QCOMPARE(Session(*w).Document().Path(), QString());
    QVERIFY(Session(*w).Document().Kind() == core::DocKind::Page);
    QCOMPARE(Caption(*w), QStringLiteral("story.html* - Verdane Ver1.22"));
    QVERIFY(Modified(*w));
    // The page is read from its start, and titled by its name.
    QCOMPARE(Editor(*w)->textCursor().position(), 0);
    QCOMPARE(StatusText(*w), QStringLiteral("story"));
    QVERIFY(!Save(*w));  // the save dialog is cancelled
    const TFileDialogState offered = prompts_->saveDialogsShown.back();
    QCOMPARE(offered.FileName, Q(dir.File("story")));
    QCOMPARE(ReadFile(dir.File("precious.txt")), kOther);
    // Saved under the proposed name, the page becomes that file.
    prompts_->saveChoices.push_back({offered.FileName, 1});
    QVERIFY(Save(*w));
    QCOMPARE(Session(*w).Document().Path(), Q(dir.File("story.TXT")));
    QCOMPARE(Caption(*w), QStringLiteral("story.TXT - Verdane Ver1.22"));
    QVERIFY(!Modified(*w));
    QCOMPARE(ReadFile(dir.File("precious.txt")), kOther);
}

void DocumentTest::aFailedDownloadOverATextSaysWhy_data() {
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("reason");
    QTest::newRow("not found") << "404" << "Not Found";
    QTest::newRow("refused") << "refused" << "接続を拒否されました";
    QTest::newRow("cancelled") << "cancel" << "キャンセルしました";
}

void DocumentTest::aFailedDownloadOverATextSaysWhy() {
    QFETCH(QString, what);
    QFETCH(QString, reason);
    TestHttpServer server;
    server.On("/missing", {Send(Answer("HTTP/1.0 404 Not Found", {"Content-Length: 9"}, "not found"))});
    server.On("/silent", {Hold()});
    TempDir dir;
    WriteFile(dir.File("mine.txt"), kOther);
    auto w = NewWindow({Q(dir.File("mine.txt"))});
    std::string url = server.Url(what == "404" ? "/missing" : "/silent");
    if (what == "refused") url = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/";
    if (what == "cancel")
        QTimer::singleShot(300, w.get(), [&] { Part<TFormDL>(*w, "FormDL")->ButtonCancelClick(); });
    prompts_->dialogs.push_back(EnterUrl(url, true));
    prompts_->messages.clear();
    Trigger(*w, "URLU1");
    QCOMPARE(prompts_->Texts(), QStringList{QStringLiteral("ﾀﾞｳﾝﾛｰﾄﾞ出来ませんでした")});
    QVERIFY2(prompts_->messages.back().detail.contains(reason, Qt::CaseInsensitive),
             qPrintable(prompts_->messages.back().detail));
    QCOMPARE(Bytes(*w), kOther);
    QVERIFY(!Modified(*w));
    QCOMPARE(Session(*w).Document().Path(), Q(dir.File("mine.txt")));
    server.Stop();
}

void DocumentTest::aUtf8TextKeepsItsCharactersUntilTheSaveAsks() {
    TempDir dir;
    // "café ©", a no-break space, "𠮷" and "あ": only "あ" is in Shift-JIS.
    const QString text = QString::fromUtf8("caf\xC3\xA9 \xC2\xA9\xC2\xA0\xF0\xA0\xAE\xB7\n\xE3\x81\x82\n");
    WriteFile(dir.File("utf8.txt"), text.toUtf8().toStdString());
    auto w = NewWindow({Q(dir.File("utf8.txt"))});
    QCOMPARE(HeldText(*w), text);
    QVERIFY(!Modified(*w));
    QCOMPARE(Session(*w).Document().Code(), int(kcUtf8));
    prompts_->messages.clear();
    // Saved as Shift-JIS with CR LF, chosen in 文字コードを指定して保存.
    auto saveAsShiftJis = [&] {
        prompts_->dialogs.push_back([](QDialog& d) {
            dynamic_cast<TFormCode&>(d).SetForm({});
            return int(QDialog::Accepted);
        });
        prompts_->saveChoices.push_back({Q(dir.File("out")), 1});
        Trigger(*w, "MenuSaveCode");
    };
    prompts_->answers.push_back(QMessageBox::No);
    saveAsShiftJis();
    QCOMPARE(prompts_->messages.size(), size_t(1));
    QCOMPARE(prompts_->messages[0].caption, QStringLiteral("保存できない文字"));
    QVERIFY(!FileExists(dir.File("out.TXT")));
    QCOMPARE(HeldText(*w), text);
    prompts_->answers.push_back(QMessageBox::Yes);
    saveAsShiftJis();
    QCOMPARE(ReadFile(dir.File("out.TXT")), std::string("cafe ? ?\r\n\x82\xA0\r\n"));
}

void DocumentTest::aUtf8PageKeepsItsCharactersUntilTheSaveAsks() {
    // "© 2024 あ" and a no-break space, in UTF-8 without line end.
    const std::string page = "\xC2\xA9 2024\xC2\xA0\xE3\x81\x82";
    TestHttpServer server;
    server.On("/u.txt", {Send(Answer("HTTP/1.0 200 OK", {}, page))});
    TempDir dir;
    auto w = NewWindow();
    prompts_->dialogs.push_back(EnterUrl(server.Url("/u.txt"), false));
    Trigger(*w, "URLU1");
    QCOMPARE(HeldText(*w), QString::fromUtf8("\xC2\xA9 2024\xC2\xA0\xE3\x81\x82\n"));
    QCOMPARE(Session(*w).Document().Code(), int(kcUtf8));
    prompts_->messages.clear();
    prompts_->saveChoices.push_back({Q(dir.File("u")), 1});
    prompts_->answers.push_back(QMessageBox::Yes);
    QVERIFY(Save(*w));
    QCOMPARE(prompts_->messages.at(0).caption, QStringLiteral("保存できない文字"));
    QCOMPARE(ReadFile(dir.File("u.TXT")), std::string("? 2024 \x82\xA0\r\n"));
    server.Stop();
}

void DocumentTest::aUtf8PageTurnedIntoTextSaysWhatItCouldNotHold() {
    // "<p>© あ 𠮷</p>": two characters that Shift-JIS lacks.
    const std::string page = "<p>\xC2\xA9 \xE3\x81\x82 \xF0\xA0\xAE\xB7</p>";
    TestHttpServer server;
    server.On("/u.html", {Send(Answer("HTTP/1.0 200 OK", {}, page))});
    auto w = NewWindow();
    prompts_->dialogs.push_back(EnterUrl(server.Url("/u.html"), true));
    prompts_->messages.clear();
    Trigger(*w, "URLU1");
    QCOMPARE(Bytes(*w), std::string("? \x82\xA0 ?\r\n\r\n"));
    QCOMPARE(prompts_->messages.size(), size_t(1));
    QVERIFY2(prompts_->messages[0].text.contains(QStringLiteral(" 2 ")), qPrintable(prompts_->messages[0].text));
    // A page whose characters all fit says nothing.
    // Titled by its <title>: "あ".
    server.On("/sjis.html", {Send(Answer("HTTP/1.0 200 OK", {}, "<title>\xE3\x81\x82</title><p>\xE3\x81\x82</p>"))});
    prompts_->answers.push_back(QMessageBox::No);
    prompts_->dialogs.push_back(EnterUrl(server.Url("/sjis.html"), true));
    prompts_->messages.clear();
    Trigger(*w, "URLU1");
    QCOMPARE(Bytes(*w), std::string("\x82\xA0\r\n\r\n"));
    QCOMPARE(StatusText(*w), QStringLiteral("あ"));
    QCOMPARE(prompts_->Texts(), QStringList{kSaveQuestion});
    server.Stop();
}

void DocumentTest::theHtmlCommandLeavesTheEditorPainting() {
    auto w = NewWindow();
    SetText(*w, kPage);
    Trigger(*w, "MenuEditHTML");
    QCOMPARE(Bytes(*w), std::string("page & text\r\n\r\n"));
    QVERIFY(Editor(*w)->updatesEnabled());
    QVERIFY(Editor(*w)->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
}

QTEST_MAIN(DocumentTest)
#include "DocumentTest.moc"
