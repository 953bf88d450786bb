// The open-from-URL command and the HTML command against the tests' HTTP
// server on 127.0.0.1, with real widgets under the offscreen platform.
#include "FakePrompts.h"
#include "WindowParts.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "Tinyproxy.h"

#include "HttpProt.h"
#include "RegistryFile.h"
#include "UnitAozora.h"
#include "UnitDL.h"
#include "UnitMain.h"
#include "UnitSetting.h"
#include "UnitURL.h"
#include "FindDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>

using namespace verdane;
using namespace verdane::test;

namespace {

const std::string kSjisPage = "<html><body><p>\x93\xFA\x96\x7B\x8C\xEA &amp; more</p></body></html>\r\n";
const std::string kSjisText = "\x93\xFA\x96\x7B\x8C\xEA & more\r\n\r\n";

std::string Nkf(const char* option, const std::string& sjis) {
    return RunProcess("/usr/bin/nkf", {"-S", option}, sjis).out;
}

std::unique_ptr<TFormMainVerdane> NewWindow() {
    static const platform::TRegistryFile registry;
    auto w = std::make_unique<TFormMainVerdane>(registry, QStringList{});
    w->show();
    return w;
}

std::function<int(QDialog&)> EnterUrl(const std::string& url, bool html) {
    return [=](QDialog& d) {
        auto& form = dynamic_cast<TFormURL&>(d);
        form.EditURL->setEditText(QString::fromStdString(url));
        form.CheckBoxHTML->setChecked(html);
        return int(QDialog::Accepted);
    };
}

std::string Ok(const std::string& body, bool withLength = true) {
    std::vector<std::string> headers = {"Content-Type: text/html"};
    if (withLength) headers.push_back("Content-Length: " + std::to_string(body.size()));
    return Answer("HTTP/1.0 200 OK", headers, body);
}

}  // namespace

class DownloadTest : public QObject {
    Q_OBJECT

private slots:
    // Each test starts without a settings file, in a configuration folder of its own.
    void init() {
        prompts_ = std::make_unique<FakePrompts>();
        config_ = std::make_unique<test::TempConfigHome>();
    }
    void cleanup() {
        prompts_.reset();
        config_.reset();
    }

    void pagesOfEveryEncodingArriveAsShiftJis_data();
    void pagesOfEveryEncodingArriveAsShiftJis();
    void aPagesReadingsFollowTheAozoraSetting_data();
    void aPagesReadingsFollowTheAozoraSetting();
    void lineEndsBecomeCrLf_data();
    void lineEndsBecomeCrLf();
    void anEmptyBodyLeavesTheEditorAsItWas();
    void aNotFoundPageOverAnEmptyEditorSaysWhy();
    void aNotFoundPageOverATextChangesNothing();
    void everyFailureSaysWhyWithinASecond_data();
    void everyFailureSaysWhyWithinASecond();
    void aCompletePageOnAConnectionLeftOpenArrivesAtOnce();
    void aServerThatNeverAnswersCanBeCancelled();
    void nothingChangesTheTextWhileAPageComes();
    void aLargeTransferCanBeCancelled();
    void closingTheWindowDuringADownloadEndsItAndThenCloses();
    void aRelocationIsFollowed();
    void aPageComesThroughTheProxyOfTheSettings();
    void wrongProxyCredentialsLeaveTheEditorAndSayWhy();
    void aUrlWithABadPortSaysSo();
    void theProgressBarIsBusyWithoutALengthAndReaches100WithOne();
    void theUrlAndCheckBoxAreKeptBetweenUsesAndAcrossARestart();
    void anEmptyUrlOrCancelDoesNothing();
    void theUrlHistoryKeepsNoCredentials();
    void theHtmlCommandConvertsAndOneUndoRestoresThePage();
    void theHtmlCommandAsksBeforeReplacingACharacter_data();
    void theHtmlCommandAsksBeforeReplacingACharacter();

private:
    std::unique_ptr<FakePrompts> prompts_;
    std::unique_ptr<test::TempConfigHome> config_;
};

void DownloadTest::pagesOfEveryEncodingArriveAsShiftJis_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<bool>("html");
    for (bool html : {true, false}) {
        QTest::addRow("shift-jis, html %d", html) << QByteArray::fromStdString(kSjisPage) << html;
        QTest::addRow("euc-jp, html %d", html) << QByteArray::fromStdString(Nkf("-e", kSjisPage)) << html;
        QTest::addRow("utf-8, html %d", html) << QByteArray::fromStdString(Nkf("-w", kSjisPage)) << html;
    }
}

void DownloadTest::pagesOfEveryEncodingArriveAsShiftJis() {
    QFETCH(QByteArray, page);
    QFETCH(bool, html);
    TestHttpServer server;
    server.On("/page", {Send(Ok(page.toStdString()))});
    auto w = NewWindow();
    prompts_->dialogs.push_back(EnterUrl(server.Url("/page"), html));
    prompts_->messages.clear();
    Trigger(*w, "URLU1");
    QCOMPARE(ToHex(Bytes(*w)), ToHex(html ? kSjisText : kSjisPage));
    QVERIFY(prompts_->messages.empty());
    QVERIFY(server.LastRequest().find("User-Agent: Halvorn") != std::string::npos);
    QVERIFY(w->menuBar()->isEnabled() && Editor(*w)->isEnabled());
    QVERIFY(!Part<TFormDL>(*w, "FormDL")->isVisible());
}

// <ruby>漢字<rt>かんじ</rt></ruby> gives its reading as the Aozora command's
// setting says, in the download with the HTML option too.
void DownloadTest::aPagesReadingsFollowTheAozoraSetting_data() {
    QTest::addColumn<bool>("drop");
    QTest::addColumn<QByteArray>("text");  // Shift-JIS
    QTest::addRow("in parentheses") << false << QByteArray("\x8a\xbf\x8e\x9a\x81\x69\x82\xa9\x82\xf1\x82\xb6\x81\x6a");
    QTest::addRow("dropped") << true << QByteArray("\x8a\xbf\x8e\x9a");
}

void DownloadTest::aPagesReadingsFollowTheAozoraSetting() {
    QFETCH(bool, drop);
    QFETCH(QByteArray, text);
    TestHttpServer server;
    server.On("/page", {Send(Ok("<p><ruby>\x8a\xbf\x8e\x9a<rt>\x82\xa9\x82\xf1\x82\xb6</rt></ruby></p>"))});
    auto w = NewWindow();
    auto* aozora = Part<TFormAozora>(*w, "FormAozora");
    (drop ? aozora->RadioRubyDrop : aozora->RadioRubyParen)->setChecked(true);
    prompts_->dialogs.push_back(EnterUrl(server.Url("/page"), true));
    Trigger(*w, "URLU1");
    QVERIFY(Bytes(*w).find(text.toStdString()) != std::string::npos);
    if (drop) QVERIFY(Bytes(*w).find("\x81\x69") == std::string::npos);
}

void DownloadTest::lineEndsBecomeCrLf_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("lf only") << QByteArray("a\nb\n") << QByteArray("a\r\nb\r\n");
    QTest::newRow("unterminated") << QByteArray("a\r\nb") << QByteArray("a\r\nb\r\n");
    QTest::newRow("lone cr") << QByteArray("a\rb\r") << QByteArray("a\r\nb\r\n");
}

void DownloadTest::lineEndsBecomeCrLf() {
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, expected);
    TestHttpServer server;
    server.On("/t", {Send(Ok(body.toStdString(), false))});
    auto w = NewWindow();
    prompts_->dialogs.push_back(EnterUrl(server.Url("/t"), false));
    Trigger(*w, "URLU1");
    QCOMPARE(ToHex(Bytes(*w)), ToHex(expected.toStdString()));
}

void DownloadTest::anEmptyBodyLeavesTheEditorAsItWas() {
    TestHttpServer server;
    server.On("/empty", {Send(Ok(""))});
    auto w = NewWindow();
    SetText(*w, "kept\r\n");
    prompts_->dialogs.push_back(EnterUrl(server.Url("/empty"), true));
    Trigger(*w, "URLU1");
    QCOMPARE(Bytes(*w), std::string("kept\r\n"));
    QCOMPARE(prompts_->messages.back().text, QStringLiteral("ﾀﾞｳﾝﾛｰﾄﾞ出来ませんでした"));
    QCOMPARE(prompts_->messages.back().detail, QStringLiteral("サーバーから空のページが届きました"));
}

void DownloadTest::aNotFoundPageOverAnEmptyEditorSaysWhy() {
    TestHttpServer server;
    server.On("/missing", {Send(Answer("HTTP/1.0 404 Not Found", {"Content-Length: 9"}, "not found"))});
    auto w = NewWindow();
    prompts_->dialogs.push_back(EnterUrl(server.Url("/missing"), true));
    Trigger(*w, "URLU1");
    QCOMPARE(Bytes(*w), std::string());
    QCOMPARE(prompts_->messages.back().text, QStringLiteral("ﾀﾞｳﾝﾛｰﾄﾞ出来ませんでした"));
    QCOMPARE(prompts_->messages.back().icon, QMessageBox::Warning);
    QCOMPARE(prompts_->messages.back().detail, QStringLiteral("ページが見つかりません (サーバーの応答: 404 Not Found)"));
}

void DownloadTest::aNotFoundPageOverATextChangesNothing() {
    TestHttpServer server;
    server.On("/missing", {Send(Answer("HTTP/1.0 404 Not Found", {"Content-Length: 9"}, "not found"))});
    auto w = NewWindow();
    SetText(*w, "old text\r\n");
    prompts_->dialogs.push_back(EnterUrl(server.Url("/missing"), true));
    prompts_->messages.clear();
    Trigger(*w, "URLU1");
    QCOMPARE(Bytes(*w), std::string("old text\r\n"));
    QVERIFY(!Modified(*w));
    // The failure is told over a text as over an empty editor.
    QCOMPARE(prompts_->Texts(), QStringList{QStringLiteral("ﾀﾞｳﾝﾛｰﾄﾞ出来ませんでした")});
    QVERIFY2(prompts_->messages.back().detail.contains(QStringLiteral("Not Found")),
             qPrintable(prompts_->messages.back().detail));
}

void DownloadTest::everyFailureSaysWhyWithinASecond_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("detail");
    QTest::newRow("refused") << QString() << QStringLiteral("接続を拒否されました");
    QTest::newRow("no reason phrase") << QStringLiteral("/bare") << QStringLiteral("ページが見つかりません (サーバーの応答: 404)");
    QTest::newRow("larger than a DOC text") << QStringLiteral("/huge") << QStringLiteral("ページが 256 MB を超えています");
    QTest::newRow("endless") << QStringLiteral("/endless") << QStringLiteral("ページが 256 MB を超えています");
}

void DownloadTest::everyFailureSaysWhyWithinASecond() {
    QFETCH(QString, path);
    QFETCH(QString, detail);
    TestHttpServer server;
    server.On("/bare", {Send("HTTP/1.0 404\r\n\r\n"), Hold()});
    server.On("/huge", {Send("HTTP/1.0 200 OK\r\nContent-Length: 268431361\r\n\r\n"), Hold()});
    server.On("/endless", {Send("HTTP/1.0 200 OK\r\n\r\n"), SendRepeated(std::string(1 << 20, 'x'), 1LL << 50)});
    auto w = NewWindow();
    SetText(*w, "kept\r\n");
    const std::string url = path.isEmpty() ? "http://127.0.0.1:" + std::to_string(FreePort()) + "/"
                                           : server.Url(path.toStdString());
    prompts_->dialogs.push_back(EnterUrl(url, false));
    QElapsedTimer clock;
    clock.start();
    Trigger(*w, "URLU1");
    // An endless page is read up to the limit first: 256 MB over loopback.
    QVERIFY(clock.elapsed() < (path == QStringLiteral("/endless") ? 15000 : 1500));
    QCOMPARE(Bytes(*w), std::string("kept\r\n"));
    QCOMPARE(prompts_->messages.back().text, QStringLiteral("ﾀﾞｳﾝﾛｰﾄﾞ出来ませんでした"));
    QCOMPARE(prompts_->messages.back().detail, detail);
    server.Stop();
}

void DownloadTest::aCompletePageOnAConnectionLeftOpenArrivesAtOnce() {
    TestHttpServer server;
    server.On("/open", {Send(Answer("HTTP/1.1 200 OK", {"Content-Length:  6\t"}, "whole\n")), Hold()});
    auto w = NewWindow();
    prompts_->dialogs.push_back(EnterUrl(server.Url("/open"), false));
    QElapsedTimer clock;
    clock.start();
    Trigger(*w, "URLU1");
    QVERIFY(clock.elapsed() < 1500);
    QCOMPARE(Bytes(*w), std::string("whole\r\n"));
    server.Stop();
}

void DownloadTest::aServerThatNeverAnswersCanBeCancelled() {
    TestHttpServer server;
    server.On("/silent", {Hold()});
    auto w = NewWindow();
    SetText(*w, "kept\r\n");
    prompts_->dialogs.push_back(EnterUrl(server.Url("/silent"), true));
    bool sawBusy = false;
    QTimer::singleShot(1000, w.get(), [&] {
        sawBusy = !w->menuBar()->isEnabled() && Part<TFormDL>(*w, "FormDL")->isVisible() && Part<TFormDL>(*w, "FormDL")->ButtonCancel->isEnabled();
        QTest::mouseClick(Part<TFormDL>(*w, "FormDL")->ButtonCancel, Qt::LeftButton);
    });
    QElapsedTimer clock;
    clock.start();
    Trigger(*w, "URLU1");
    QVERIFY(clock.elapsed() < 10000);
    QVERIFY(sawBusy);
    QCOMPARE(Bytes(*w), std::string("kept\r\n"));
    QCOMPARE(prompts_->messages.back().detail, QStringLiteral("キャンセルしました"));
    QVERIFY(w->menuBar()->isEnabled() && Editor(*w)->isEnabled());
    QVERIFY(!Part<TFormDL>(*w, "FormDL")->isVisible());
    server.Stop();
}

void DownloadTest::nothingChangesTheTextWhileAPageComes() {
    TestHttpServer server;
    server.On("/slow", {Delay(1500), Send(Ok("page\r\n"))});
    auto w = NewWindow();
    SetText(*w, "kept\r\n");
    Trigger(*w, "FindReplace");
    auto* replace = Part<TReplaceDialog>(*w, "ReplaceDialog1");
    replace->EditFind->setText(QStringLiteral("kept"));
    replace->EditReplaceText()->setText(QStringLiteral("lost"));
    prompts_->dialogs.push_back(EnterUrl(server.Url("/slow"), false));
    QStringList live;
    std::string during;
    QTimer::singleShot(500, w.get(), [&] {
        for (const char* name : {"ReplaceDialog1", "FindDialog1", "RichEditMain", "ToolBarMain"})
            if (Part<QWidget>(*w, name)->isEnabled()) live << QString::fromLatin1(name);
        if (w->menuBar()->isEnabled()) live << QStringLiteral("menu bar");
        // Replace All, a key and menu items, as if they still got through.
        QTest::mouseClick(replace->ButtonReplaceEvery(), Qt::LeftButton);
        emit replace->ReplaceAll();
        QTest::keyClick(Editor(*w), Qt::Key_X);
        for (const char* item : {"MenuBM", "EditPaste", "MenuEditHTML", "MenuNew"}) Trigger(*w, item);
        during = Bytes(*w);
    });
    Trigger(*w, "URLU1");
    QCOMPARE(live, QStringList());
    QCOMPARE(during, std::string("kept\r\n"));
    QCOMPARE(Bytes(*w), std::string("page\r\n"));
    QVERIFY(replace->isEnabled() && Editor(*w)->isEnabled());
    // Afterwards the same item works again.
    Trigger(*w, "MenuBM");
    QVERIFY(Bytes(*w) != "page\r\n");
}

void DownloadTest::aLargeTransferCanBeCancelled() {
    TestHttpServer server;
    const long long total = 50ll << 20;
    // The first megabyte, a pause long enough to see the transfer under way on
    // a loaded machine, then the rest.
    server.On("/big", {Send("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(total) + "\r\n\r\n"),
                       SendRepeated(std::string(65536, 'x'), 1 << 20), Delay(3000),
                       SendRepeated(std::string(65536, 'x'), total - (1 << 20))});
    auto w = NewWindow();
    SetText(*w, "kept\r\n");
    prompts_->dialogs.push_back(EnterUrl(server.Url("/big"), false));
    // Cancel as soon as data arrives.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (Part<TFormDL>(*w, "FormDL")->LabelInfo->text().startsWith(QStringLiteral("ダウンロード中"))) Part<TFormDL>(*w, "FormDL")->ButtonCancelClick();
    });
    poll.start(5);
    Trigger(*w, "URLU1");
    QVERIFY(Part<TFormDL>(*w, "FormDL")->Cancelled());
    QCOMPARE(Bytes(*w), std::string("kept\r\n"));
}

void DownloadTest::closingTheWindowDuringADownloadEndsItAndThenCloses() {
    TestHttpServer server;
    server.On("/silent", {Hold()});
    auto w = NewWindow();
    SetText(*w, "kept\r\n");
    prompts_->dialogs.push_back(EnterUrl(server.Url("/silent"), true));
    bool refusedWhileBusy = false;
    QTimer::singleShot(300, w.get(), [&] { refusedWhileBusy = !w->close(); });
    QElapsedTimer clock;
    clock.start();
    Trigger(*w, "URLU1");
    QVERIFY(clock.elapsed() < 10000);
    QVERIFY(refusedWhileBusy);
    QCOMPARE(Bytes(*w), std::string("kept\r\n"));
    // The close asked for during the download follows once it has ended.
    QTRY_VERIFY_WITH_TIMEOUT(!w->isVisible(), 5000);
    server.Stop();
}

// tinyproxy in front of the test server, the window's proxy settings pointing
// at it with the given password, and the page /via asked for.
struct ProxiedDownload {
    TempDir dir;
    Tinyproxy proxy{dir};
    TestHttpServer server;
    std::unique_ptr<TFormMainVerdane> w;

    bool Run(FakePrompts& prompts, const QString& password) {
        if (!proxy.Running()) return false;
        server.On("/via", {Send(Ok(kSjisPage))});
        w = NewWindow();
        prompts.dialogs.push_back([&](QDialog& d) {
            auto& form = dynamic_cast<TFormSetting&>(d);
            form.CheckBoxUseProxy->setChecked(true);
            form.EditProxy->setText(QStringLiteral("127.0.0.1"));
            form.EditPort->setText(QString::number(proxy.Port()));
            form.EditUser->setText(QStringLiteral("proxyuser"));
            form.EditPass->setText(password);
            return int(QDialog::Accepted);
        });
        Trigger(*w, "MenuSetting");
        prompts.dialogs.push_back(EnterUrl(server.Url("/via"), true));
        Trigger(*w, "URLU1");
        return true;
    }
};

void DownloadTest::aPageComesThroughTheProxyOfTheSettings() {
    if (::access(kTinyproxy, X_OK) != 0) QSKIP("tinyproxy is not installed");
    ProxiedDownload run;
    QVERIFY2(run.Run(*prompts_, QStringLiteral("s3cret")), run.proxy.Log().c_str());
    auto& w = run.w;
    auto& proxy = run.proxy;
    QCOMPARE(ToHex(Bytes(*w)), ToHex(kSjisText));
    QVERIFY(proxy.Log().find("/via") != std::string::npos);
}

void DownloadTest::wrongProxyCredentialsLeaveTheEditorAndSayWhy() {
    if (::access(kTinyproxy, X_OK) != 0) QSKIP("tinyproxy is not installed");
    ProxiedDownload run;
    QVERIFY2(run.Run(*prompts_, QStringLiteral("wrong")), run.proxy.Log().c_str());
    auto& w = run.w;
    auto& server = run.server;
    QCOMPARE(Bytes(*w), std::string());
    QVERIFY(server.Requests().empty());
    QCOMPARE(prompts_->messages.back().text, QStringLiteral("ﾀﾞｳﾝﾛｰﾄﾞ出来ませんでした"));
    // tinyproxy refuses with 401 where other proxies say 407.
    const QString detail = prompts_->messages.back().detail;
    QVERIFY2(detail.contains(QStringLiteral("401")) || detail.contains(QStringLiteral("407")) ||
                 detail.contains(QStringLiteral("Unauthorized")) || detail.contains(QStringLiteral("Proxy Authentication")),
             qPrintable(prompts_->messages.back().detail));
}

void DownloadTest::aUrlWithABadPortSaysSo() {
    auto w = NewWindow();
    prompts_->dialogs.push_back(EnterUrl("http://127.0.0.1:abc/", true));
    Trigger(*w, "URLU1");
    QCOMPARE(prompts_->messages.back().text, QStringLiteral("ﾀﾞｳﾝﾛｰﾄﾞ出来ませんでした"));
    QVERIFY2(prompts_->messages.back().detail.contains(QStringLiteral("ポート番号")),
             qPrintable(prompts_->messages.back().detail));
}

void DownloadTest::aRelocationIsFollowed() {
    TestHttpServer server;
    server.On("/old", {Send(Answer("HTTP/1.0 302 Found", {"Location: /new", "Content-Length: 0"}, ""))});
    server.On("/new", {Send(Ok("moved here\n"))});
    auto w = NewWindow();
    prompts_->dialogs.push_back(EnterUrl(server.Url("/old"), false));
    Trigger(*w, "URLU1");
    QCOMPARE(Bytes(*w), std::string("moved here\r\n"));
}

void DownloadTest::theProgressBarIsBusyWithoutALengthAndReaches100WithOne() {
    for (bool withLength : {false, true}) {
        TestHttpServer server;
        const std::string body(300000, 'y');
        std::string head = "HTTP/1.0 200 OK\r\n";
        if (withLength) head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
        server.On("/p", {Send(head + "\r\n" + body.substr(0, 1000)), Delay(300), Send(body.substr(1000))});
        auto w = NewWindow();
        prompts_->dialogs.push_back(EnterUrl(server.Url("/p"), false));
        int maximumDuringTransfer = -1;
        QString infoDuringTransfer;
        QTimer::singleShot(150, w.get(), [&] {
            maximumDuringTransfer = Part<TFormDL>(*w, "FormDL")->ProgressBar->maximum();
            infoDuringTransfer = Part<TFormDL>(*w, "FormDL")->LabelInfo->text();
        });
        Trigger(*w, "URLU1");
        QCOMPARE(maximumDuringTransfer, withLength ? 100 : 0);
        QVERIFY2(infoDuringTransfer.startsWith(QStringLiteral("ダウンロード中 (")), qPrintable(infoDuringTransfer));
        QCOMPARE(Part<TFormDL>(*w, "FormDL")->ProgressBar->value(), 100);
        QCOMPARE(Bytes(*w).size(), body.size() + 2);
    }
}

void DownloadTest::theUrlAndCheckBoxAreKeptBetweenUsesAndAcrossARestart() {
    TestHttpServer server;
    server.On("*", {Send(Ok("x"))});
    auto w = NewWindow();
    prompts_->dialogs.push_back(EnterUrl(server.Url("/a"), false));
    Trigger(*w, "URLU1");
    // Each page is new text: the save question before the next, answered No.
    prompts_->answers.push_back(QMessageBox::No);
    prompts_->dialogs.push_back(EnterUrl(server.Url("/b"), false));
    Trigger(*w, "URLU1");
    prompts_->answers.push_back(QMessageBox::No);
    QString shownUrl;
    bool shownHtml = true;
    prompts_->dialogs.push_back([&](QDialog& d) {
        auto& form = dynamic_cast<TFormURL&>(d);
        shownUrl = form.EditURL->currentText();
        shownHtml = form.CheckBoxHTML->isChecked();
        return int(QDialog::Rejected);
    });
    Trigger(*w, "URLU1");
    QCOMPARE(shownUrl, QString::fromStdString(server.Url("/b")));
    QVERIFY(!shownHtml);
    QCOMPARE(Part<TFormURL>(*w, "FormURL")->RecentUrls(),
             (QStringList{QString::fromStdString(server.Url("/b")), QString::fromStdString(server.Url("/a"))}));
    // Across a restart: the window writes its settings at close, a new one reads them.
    prompts_->answers.push_back(QMessageBox::No);
    QVERIFY(w->close());
    auto again = NewWindow();
    QCOMPARE(Part<TFormURL>(*again, "FormURL")->Url(), QString::fromStdString(server.Url("/b")));
    QVERIFY(!Part<TFormURL>(*again, "FormURL")->CheckBoxHTML->isChecked());
    QCOMPARE(Part<TFormURL>(*again, "FormURL")->RecentUrls().size(), 2);
    for (int i = 0; i < 12; ++i) Part<TFormURL>(*w, "FormURL")->RememberUrl(QStringLiteral("http://h/%1").arg(i));
    QCOMPARE(Part<TFormURL>(*w, "FormURL")->RecentUrls().size(), TFormURL::kRecentUrls);
    QCOMPARE(Part<TFormURL>(*w, "FormURL")->RecentUrls().first(), QStringLiteral("http://h/11"));
}

void DownloadTest::theUrlHistoryKeepsNoCredentials() {
    TestHttpServer server;
    server.On("*", {Send(Ok("x"))});
    std::string url = server.Url("/p?q=a@b");
    url.insert(url.find("//") + 2, "user:s3cret@");
    auto w = NewWindow();
    prompts_->dialogs.push_back(EnterUrl(url, false));
    Trigger(*w, "URLU1");
    // The request had them; the list and the settings file do not.
    QVERIFY(server.LastRequest().find("Authorization: Basic dXNlcjpzM2NyZXQ=") != std::string::npos);
    QCOMPARE(Part<TFormURL>(*w, "FormURL")->RecentUrls(), QStringList{QString::fromStdString(server.Url("/p?q=a@b"))});
    prompts_->answers.push_back(QMessageBox::No);
    QVERIFY(w->close());
    const std::string ini = test::ReadFile(config_->File("verdane/verdane.INI"));
    QVERIFY(ini.find("127.0.0.1") != std::string::npos);
    QVERIFY(ini.find("s3cret") == std::string::npos);
}

void DownloadTest::anEmptyUrlOrCancelDoesNothing() {
    auto w = NewWindow();
    SetText(*w, "kept\r\n");
    prompts_->dialogs.push_back(EnterUrl("", true));
    prompts_->messages.clear();
    Trigger(*w, "URLU1");
    prompts_->dialogs.push_back([](QDialog&) { return int(QDialog::Rejected); });
    Trigger(*w, "URLU1");
    QCOMPARE(Bytes(*w), std::string("kept\r\n"));
    QVERIFY(prompts_->messages.empty());
}

void DownloadTest::theHtmlCommandConvertsAndOneUndoRestoresThePage() {
    auto w = NewWindow();
    SetText(*w, kSjisPage);
    Trigger(*w, "MenuEditHTML");
    QCOMPARE(ToHex(Bytes(*w)), ToHex(kSjisText));
    QVERIFY(Modified(*w));
    TriggerWhenIdle(*w, "MenuUndo");
    QCOMPARE(ToHex(Bytes(*w)), ToHex(kSjisPage));
    // An empty text becomes one line end.
    SetText(*w, "");
    Trigger(*w, "MenuEditHTML");
    QCOMPARE(Bytes(*w), std::string("\r\n"));
}

void DownloadTest::theHtmlCommandAsksBeforeReplacingACharacter_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("no keeps the text") << int(QMessageBox::No);
    QTest::newRow("yes converts with ?") << int(QMessageBox::Yes);
}

void DownloadTest::theHtmlCommandAsksBeforeReplacingACharacter() {
    QFETCH(int, answer);
    auto w = NewWindow();
    const QString page = QStringLiteral("<p>caf\u00E9 \U0001F600</p>");  // é and an emoji: not in Shift-JIS
    Editor(*w)->setPlainText(page);
    prompts_->messages.clear();
    prompts_->answers.push_back(QMessageBox::StandardButton(answer));
    Trigger(*w, "MenuEditHTML");
    QCOMPARE(prompts_->messages.at(0).text,
             QStringLiteral("この文書には Shift-JIS にない文字が 2 個あります: 1 行目の「\u00E9」(U+00E9)→「e」、"
                            "1 行目の「\U0001F600」(U+1F600)→「?」。「→」の先の文字に置き換えます。\n"
                            "HTML→テキスト処理を行いますか?"));
    if (answer == QMessageBox::No)
        QCOMPARE(Editor(*w)->toPlainText(), page);
    else
        QCOMPARE(Bytes(*w), std::string("cafe ?\r\n\r\n"));
}

QTEST_MAIN(DownloadTest)
#include "DownloadTest.moc"
