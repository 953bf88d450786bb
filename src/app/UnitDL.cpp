#include "UnitDL.h"

#include "HttpProt.h"
#include "KanjiCode.h"
#include "TextBytes.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace verdane {

namespace {

const QString kStart = QStringLiteral("ダウンロード開始");
const QString kReceiving = QStringLiteral("ダウンロード中");
const QString kFinished = QStringLiteral("ダウンロード終了");
const QString kProcessing = QStringLiteral("テキスト処理中");
const QString kFailed = QStringLiteral("ダウンロード失敗");

// Labels are updated at most this often while data arrives, so a fast
// transfer is not slowed down by painting.
constexpr qint64 kProgressIntervalMs = 100;
constexpr int kTimeoutMs = 60000;

}  // namespace

QString FormatSize(long long bytes) {
    if (bytes < 1024) return QStringLiteral("%1 B").arg(bytes);
    if (bytes < 1024 * 1024) return QStringLiteral("%1 KB").arg(bytes / 1024.0, 0, 'f', 1);
    if (bytes < 1024ll * 1024 * 1024) return QStringLiteral("%1 MB").arg(bytes / (1024.0 * 1024), 0, 'f', 1);
    return QStringLiteral("%1 GB").arg(bytes / (1024.0 * 1024 * 1024), 0, 'f', 2);
}

TFormDL::TFormDL(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("FormDL"));
    setWindowTitle(QStringLiteral("ﾀﾞｳﾝﾛｰﾄﾞ中"));
    LabelSite = new QLabel(this);
    LabelSite->setObjectName(QStringLiteral("LabelSite"));
    LabelSite->setWordWrap(true);
    LabelInfo = new QLabel(this);
    LabelInfo->setObjectName(QStringLiteral("LabelInfo"));
    LabelInfo->setWordWrap(true);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ButtonCancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    connect(ButtonCancel, &QPushButton::clicked, this, &TFormDL::ButtonCancelClick);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelSite);
    layout->addWidget(LabelInfo);
    layout->addWidget(ProgressBar);
    layout->addWidget(ButtonCancel, 0, Qt::AlignHCenter);
    resize(360, 150);

    HttpCli1 = std::make_unique<THttpCli>();
    HttpCli1->ProxyPort = "80";
    HttpCli1->Agent = "Halvorn";
    HttpCli1->NoCache = true;
    HttpCli1->ContentTypePost = "application/x-www-form-urlencoded";
    // A server that sends nothing for a minute, or whose answer's header does
    // not end within it, fails the download instead of holding it.
    HttpCli1->TimeoutMs = kTimeoutMs;
    HttpCli1->OnDocBegin = [this](THttpCli&) { GuardEvent([this] { HttpCli1DocBegin(); }); };
    HttpCli1->OnDocData = [this](THttpCli&, const char* data, int len) {
        GuardEvent([this, data, len] { HttpCli1DocData(data, len); });
    };
    HttpCli1->OnDocEnd = [this](THttpCli&) { GuardEvent([this] { HttpCli1DocEnd(); }); };
}

TFormDL::~TFormDL() = default;

void TFormDL::showEvent(QShowEvent* event) {
    cancelled_ = false;
    QDialog::showEvent(event);
}

// The window has no close box; a close request from the desktop cancels.
void TFormDL::closeEvent(QCloseEvent* event) {
    if (running_) {
        ButtonCancelClick();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TFormDL::reject() {
    if (running_) ButtonCancelClick();
    else QDialog::reject();
}

void TFormDL::SetInfo(const QString& text) {
    LabelInfo->setText(text);
    LabelInfo->repaint();
}

void TFormDL::GuardEvent(const std::function<void()>& work) {
    try {
        work();
    } catch (const std::exception& e) {
        if (failureReason_.isEmpty()) failureReason_ = QString::fromUtf8(e.what());
        HttpCli1->Abort();
    }
}

void TFormDL::ButtonCancelClick() {
    cancelled_ = true;
    HttpCli1->Abort();
}

void TFormDL::HttpCli1DocBegin() {
    SetInfo(kStart);
    const long long length = HttpCli1->ContentLength();
    // Room for the announced length, within reason: the header may lie.
    constexpr long long kMaxReserve = 256ll << 20;
    if (length > 0) buffer_.reserve(static_cast<std::size_t>(std::min(length, kMaxReserve)));
    if (length > 0) {
        ProgressBar->setRange(0, 100);
        ProgressBar->setValue(0);
    } else {
        ProgressBar->setRange(0, 0);  // busy: the size is not known
    }
    lastShown_ = -1;
}

void TFormDL::HttpCli1DocData(const char* data, int len) {
    joiner_->Append(std::string_view(data, static_cast<std::size_t>(len)));
    received_ += len;
    const qint64 now = started_.elapsed();
    if (lastShown_ >= 0 && now - lastShown_ < kProgressIntervalMs) return;
    lastShown_ = now;
    const long long received = received_;
    QString info = kReceiving + QStringLiteral(" (") + FormatSize(received);
    if (now > 0) info += QStringLiteral(", ") + FormatSize(received * 1000 / now) + QStringLiteral("/s");
    SetInfo(info + u')');
    const long long length = HttpCli1->ContentLength();
    if (length > 0) ProgressBar->setValue(static_cast<int>(std::min<long long>(100, received * 100 / length)));
}

void TFormDL::HttpCli1DocEnd() {
    SetInfo(kFinished);
    if (ProgressBar->maximum() == 0) ProgressBar->setRange(0, 100);
    ProgressBar->setValue(100);
}

std::string TFormDL::DownloadText(const QString& url, const TProxySettings& proxy) {
    LabelSite->setText(url);
    LabelSite->repaint();
    SetInfo(kStart);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    failureReason_.clear();
    bool success = true;
    buffer_.clear();
    buffer_.shrink_to_fit();
    joiner_ = std::make_unique<EditorLineEndJoiner>(buffer_);
    received_ = 0;
    started_.start();
    THttpCli& http = *HttpCli1;
    http.ReceiveStream = nullptr;  // the body arrives through OnDocData
    http.URL = url.toStdString();
    if (proxy.ProxyEnable) {
        http.Proxy = proxy.ProxyServer.toStdString();
        http.ProxyPort = std::to_string(proxy.ProxyPort);
        http.ProxyUsername = proxy.ProxyUser.toStdString();
        http.ProxyPassword = proxy.ProxyPass.toStdString();
    } else {
        http.Proxy.clear();
        http.ProxyPort = "80";
        http.ProxyUsername.clear();
        http.ProxyPassword.clear();
    }
    running_ = true;
    try {
        http.Get();
    } catch (const std::exception& e) {
        success = false;
        // The client says why, in the same words for every caller.
        if (failureReason_.isEmpty())
            failureReason_ = QString::fromStdString(http.Failed() ? http.FailureText() : std::string(e.what()));
    }
    running_ = false;
    if (!failureReason_.isEmpty()) success = false;
    std::string text;
    if (success && !buffer_.empty()) {
        SetInfo(kProcessing);
        // Every line ends with CR LF, the last one included.
        joiner_->Finish();
        text = std::move(buffer_);
        SetInfo(kFinished);
    } else if (success) {
        failureReason_ = QStringLiteral("the server sent an empty page");
    }
    buffer_.clear();
    buffer_.shrink_to_fit();
    return text;
}

std::optional<std::string> TFormDL::RunDownload(const QString& url, const TProxySettings& proxy,
                                                const std::function<std::string(const std::string&)>& htmlToText) {
    try {
        std::string text = DownloadText(url, proxy);
        if (cancelled_) {
            HttpCli1->Abort();
            failureReason_ = QStringLiteral("cancelled");
            return std::nullopt;
        }
        if (text.empty()) return std::nullopt;
        ConvertKanjiCodeInPlace(text, kcShiftJis);
        if (htmlToText) text = htmlToText(text);
        return text;
    } catch (const std::exception& e) {
        SetInfo(kFailed);
        failureReason_ = QString::fromUtf8(e.what());
        HttpCli1->Abort();
        return std::nullopt;
    }
}

}  // namespace verdane
