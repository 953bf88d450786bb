#include "UnitDL.h"

#include "Names.h"
#include "Open.h"
#include "ReadText.h"

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

// A request for `url` through the proxy the settings give. An enabled proxy
// with an empty server name gives a direct connection. A server that sends
// nothing for a minute, or whose answer's header does not end within it,
// fails the download instead of holding it; however steadily a server
// trickles, the whole download ends in time.
core::FetchRequest RequestFor(const std::string& url, const TProxySettings& proxy) {
    core::FetchRequest request;
    request.url = url;
    if (proxy.ProxyEnable) {
        request.proxy = proxy.ProxyServer.toStdString();
        request.proxyPort = std::to_string(proxy.ProxyPort);
        request.proxyUser = proxy.ProxyUser.toStdString();
        request.proxyPassword = proxy.ProxyPass.toStdString();
    }
    request.timeoutMs = kTimeoutMs;
    request.maxTimeMs = std::min(proxy.DownloadMaxSeconds, 7 * 86400) * 1000;
    return request;
}

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
    fetch_.OnProgress = [this](core::FetchStage stage, long long received, long long length) {
        Progress(stage, received, length);
    };
}

TFormDL::~TFormDL() = default;

void TFormDL::showEvent(QShowEvent* event) {
    cancelled_ = false;
    QDialog::showEvent(event);
}

// The window has no close box; a close request from the desktop cancels.
void TFormDL::closeEvent(QCloseEvent* event) {
    if (Running()) {
        ButtonCancelClick();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TFormDL::reject() {
    if (Running()) ButtonCancelClick();
    else QDialog::reject();
}

void TFormDL::SetInfo(const QString& text) {
    LabelInfo->setText(text);
    LabelInfo->repaint();
}

void TFormDL::ButtonCancelClick() {
    cancelled_ = true;
    fetch_.Cancel();
}

void TFormDL::Progress(core::FetchStage stage, long long received, long long length) {
    switch (stage) {
    case core::FetchStage::Begin:
        SetInfo(kStart);
        if (length > 0) {
            ProgressBar->setRange(0, 100);
            ProgressBar->setValue(0);
        } else {
            ProgressBar->setRange(0, 0);  // busy: the size is not known
        }
        lastShown_ = -1;
        break;
    case core::FetchStage::Data: {
        const qint64 now = started_.elapsed();
        if (lastShown_ >= 0 && now - lastShown_ < kProgressIntervalMs) return;
        lastShown_ = now;
        QString info = kReceiving + QStringLiteral(" (") + FormatSize(received);
        if (now > 0) info += QStringLiteral(", ") + FormatSize(received * 1000 / now) + QStringLiteral("/s");
        SetInfo(info + u')');
        if (length > 0) ProgressBar->setValue(static_cast<int>(std::min<long long>(100, received * 100 / length)));
        break;
    }
    case core::FetchStage::End:
        SetInfo(kFinished);
        if (ProgressBar->maximum() == 0) ProgressBar->setRange(0, 100);
        ProgressBar->setValue(100);
        break;
    case core::FetchStage::Processing: SetInfo(kProcessing); break;
    }
}

void TFormDL::Start(const QString& site) {
    LabelSite->setText(site);
    LabelSite->repaint();
    SetInfo(kStart);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    started_.start();
}

core::Result<core::OpenedFile> TFormDL::RunDownload(const QString& url, const TProxySettings& proxy, bool html,
                                                    const std::function<void()>& turns, const EntryChooser& choose,
                                                    const QString& title, AozoraRuby ruby) {
    Start(url);
    // The page is opened as a file is: an archive's text, a database's, or
    // the page in its own code (a UTF-8 page keeps its characters).
    core::OpenOptions options;
    options.html = html;
    options.chooseEntry = choose;
    options.title = title;
    options.ruby = ruby;
    bool processing = false;
    options.turns = [&] {
        if (!processing) SetInfo(kProcessing);
        processing = true;
        if (turns) turns();
    };
    core::Result<core::OpenedFile> page = core::OpenUrl(fetch_, RequestFor(url.toStdString(), proxy), options);
    if (page) SetInfo(kFinished);
    else if (page.Code() != core::FailureCode::Cancelled) SetInfo(kFailed);
    return page;
}

core::Result<core::CatalogLoad> TFormDL::RunCatalog(const std::string& url, const TProxySettings& proxy,
                                                    const core::CatalogCache& cache, bool refresh) {
    Start(QString::fromStdString(url));
    core::Result<core::CatalogLoad> load = core::LoadCatalog(fetch_, RequestFor(url, proxy), url, cache, refresh);
    if (load) SetInfo(kFinished);
    else if (load.Code() != core::FailureCode::Cancelled) SetInfo(kFailed);
    return load;
}

}  // namespace verdane
