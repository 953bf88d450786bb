// TFormDL: the download window of the open-from-URL command. It runs one HTTP
// request, shows its progress (texts, a progress bar, the size received and the
// rate) and lets the user cancel it; the main window puts the text it returns
// into the editor.
#pragma once

#include "Settings.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

namespace verdane {

class THttpCli;
class EditorLineEndJoiner;

class TFormDL : public QDialog {
    Q_OBJECT
public:
    explicit TFormDL(QWidget* parent = nullptr);
    ~TFormDL() override;

    QLabel* LabelSite;
    QLabel* LabelInfo;
    QProgressBar* ProgressBar;
    QPushButton* ButtonCancel;
    std::unique_ptr<THttpCli> HttpCli1;

    // Fetches `url` and gives its body with CR LF line ends, Shift-JIS, and
    // turned into text by `htmlToText` when that is given. Nothing when the
    // download failed, was cancelled or gave an empty page: FailureReason() then
    // says why ("cancelled" after a cancel).
    std::optional<std::string> RunDownload(const QString& url, const TProxySettings& proxy,
                                           const std::function<std::string(const std::string&)>& htmlToText);
    // The body with CR LF line ends; empty when nothing usable was fetched.
    std::string DownloadText(const QString& url, const TProxySettings& proxy);

    const QString& FailureReason() const { return failureReason_; }
    bool Cancelled() const { return cancelled_; }
    bool Running() const { return running_; }

public slots:
    void ButtonCancelClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void HttpCli1DocBegin();
    void HttpCli1DocData(const char* data, int len);
    void HttpCli1DocEnd();
    void SetInfo(const QString& text);
    // Runs a client event's work; an error there ends the download as a failure.
    void GuardEvent(const std::function<void()>& work);

    // The body as it arrives, joined with CR LF line ends.
    std::string buffer_;
    std::unique_ptr<EditorLineEndJoiner> joiner_;
    long long received_ = 0;  // body bytes as they came
    bool cancelled_ = false;
    bool running_ = false;
    QString failureReason_;
    QElapsedTimer started_;
    qint64 lastShown_ = -1;
};

// "830 B", "12.5 KB", "1.2 MB"
QString FormatSize(long long bytes);

}  // namespace verdane
