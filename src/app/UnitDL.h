// TFormDL: the download window of the open-from-URL command. It runs the fetch
// use case of src/core, shows its progress (texts, a progress bar, the size
// received and the rate) and lets the user cancel it; the main window puts the
// text into the editor, or shows the failure's reason.
#pragma once

#include "AozoraLibrary.h"
#include "AozoraNotation.h"
#include "FetchPage.h"
#include "ReadText.h"
#include "Settings.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;

namespace verdane {

class TFormDL : public QDialog {
    Q_OBJECT
public:
    explicit TFormDL(QWidget* parent = nullptr);
    ~TFormDL() override;

    QLabel* LabelSite;
    QLabel* LabelInfo;
    QProgressBar* ProgressBar;
    QPushButton* ButtonCancel;

    // Fetches `url` through the proxy of the settings and opens it as every
    // way in opens a text (core::OpenUrl): its text with CR LF line ends, in
    // its code (turned into Shift-JIS text when `html`), its title; or the
    // failure with its reason ("404 Not Found", "cancelled", ...). `turns`
    // runs now and then during a long HTML conversion. An archive gives the
    // text inside it, `choose` picking one of several texts. A `title` given
    // (the library's work title) is the document's title.
    using EntryChooser = std::function<std::optional<std::string>(const std::vector<std::string>& names)>;
    core::Result<core::OpenedFile> RunDownload(const QString& url, const TProxySettings& proxy, bool html,
                                             const std::function<void()>& turns = {},
                                             const EntryChooser& choose = {}, const QString& title = {},
                                             AozoraRuby ruby = AozoraRuby::Paren);

    // Aozora's catalogue from `url` through the proxy of the settings: the copy
    // `cache` keeps, or downloaded (always with `refresh`) with its progress
    // shown here (see core::LoadCatalog).
    core::Result<core::CatalogLoad> RunCatalog(const std::string& url, const TProxySettings& proxy,
                                               const core::CatalogCache& cache, bool refresh);

    bool Cancelled() const { return cancelled_; }
    bool Running() const { return fetch_.Running(); }

public slots:
    void ButtonCancelClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void Progress(core::FetchStage stage, long long received, long long length);
    void SetInfo(const QString& text);
    // The dialog at the start of a download from `site`.
    void Start(const QString& site);

    core::PageFetch fetch_;
    bool cancelled_ = false;
    QElapsedTimer started_;
    qint64 lastShown_ = -1;
};

// "830 B", "12.5 KB", "1.2 MB"
QString FormatSize(long long bytes);

}  // namespace verdane
