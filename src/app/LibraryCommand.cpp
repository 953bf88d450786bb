#include "LibraryCommand.h"

#include "AozoraLibrary.h"
#include "AozoraNotation.h"
#include "Document.h"
#include "EditorCodec.h"
#include "FileCommands.h"
#include "KanjiCode.h"
#include "LongWork.h"
#include "FailureJapanese.h"
#include "Prompts.h"
#include "ReadText.h"
#include "Settings.h"
#include "UnitAozora.h"
#include "UnitDL.h"
#include "UnitLibrary.h"

#include <QApplication>
#include <QCheckBox>

namespace verdane {

LibraryCommand::LibraryCommand(QWidget& window, FileCommands& files, LongWork& work, const TSettings& settings,
                               const QString& settingsFile, const Forms& forms)
    : window_(window), files_(files), work_(work), settings_(settings), settingsFile_(settingsFile), forms_(forms) {
    forms_.library.OnRefresh = [this] { LoadCatalog(true); };
}

bool LibraryCommand::LoadCatalog(bool refresh) {
    if (catalog_ && !refresh) return true;
    const std::string url = core::ReadLibrarySettings(settingsFile_).catalogUrl;
    const core::CatalogCache cache;
    core::Result<core::CatalogLoad> load = [&] {
        LongWork::Scope scope(work_);
        // A copy kept is read in a moment; a download shows its progress and
        // can be cancelled.
        const bool download = core::CatalogDownloadDue(cache, url, refresh);
        // Over the library dialog (a refresh), the download window must be
        // modal itself, or its Cancel could not be reached.
        const Qt::WindowModality modality = forms_.download.windowModality();
        forms_.download.setWindowModality(Qt::ApplicationModal);
        if (download) forms_.download.show();
        auto result = forms_.download.RunCatalog(url, settings_.Proxy, cache, refresh);
        forms_.download.hide();
        forms_.download.setWindowModality(modality);
        return result;
    }();
    if (!load) {
        if (load.Code() != core::FailureCode::Cancelled)
            Prompts().Message(&window_, QMessageBox::Warning, QStringLiteral("青空文庫から探す"),
                              QStringLiteral("青空文庫の目録を読み込めませんでした"), QMessageBox::Ok,
                              JapaneseText(load.Fault()));
        return catalog_.has_value();
    }
    if (!load->note.empty())
        Prompts().Message(&window_, QMessageBox::Information, QStringLiteral("青空文庫から探す"),
                          load->keptUrl == url
                              ? QStringLiteral("新しい目録を読み込めなかったので、保存してある目録を使います")
                              : QStringLiteral("新しい目録を読み込めなかったので、保存してある %1 の目録を使います")
                                    .arg(QString::fromStdString(load->keptUrl)),
                          QMessageBox::Ok, load->why ? JapaneseText(*load->why) : QString());
    catalog_ = std::move(load->catalog);
    const auto kept = cache.Kept();
    forms_.library.SetCatalog(&*catalog_, kept ? QStringLiteral("目録 %1").arg(QString::fromStdString(core::CatalogDate(kept->date)))
                                              : QString());
    return true;
}

void LibraryCommand::Run() {
    if (work_.Busy() || !LoadCatalog(false)) return;
    if (Prompts().RunDialog(forms_.library) != QDialog::Accepted) return;
    const core::CatalogWork* chosen = forms_.library.Chosen();
    if (chosen) Open(*chosen, forms_.library.CheckBoxClean->isChecked());
}

void LibraryCommand::Open(const core::CatalogWork& work, bool clean) {
    QString failure;
    files_.ReplaceDocument([&]() -> std::optional<FileCommands::Replacement> {
        const QString url = QString::fromUtf8(work.textUrl.data(), qsizetype(work.textUrl.size()));
        if (url.isEmpty()) {
            failure = QStringLiteral("目録に作品 %1 のテキストファイルがありません").arg(QString::fromUtf8(work.id.data(), qsizetype(work.id.size())));
            return std::nullopt;
        }
        core::Result<core::OpenedFile> page = [&] {
            LongWork::Scope scope(work_);
            forms_.download.show();
            // The work's title, as the catalogue gives it, for Save and Install.
            auto result = forms_.download.RunDownload(
                url, settings_.Proxy, false, work_.Turns(),
                [this](const std::vector<std::string>& names) { return files_.ChooseArchiveEntry(names); },
                QString::fromUtf8(work.title.data(), qsizetype(work.title.size())));
            forms_.download.hide();
            return result;
        }();
        if (!page) {
            failure = JapaneseText(page.Fault());
            return std::nullopt;
        }
        FileCommands::Replacement next;
        next.document = page->document;
        if (clean && page->code != kcUtf8) {
            const std::string mark = platform::EditorToBytes(settings_.BookmarkMark).bytes;
            // Its headings become the text's bookmarks.
            const AozoraCleaned cleaned = CleanAozoraText(page->text, forms_.aozora.Options(mark));
            std::vector<qsizetype> places;
            next.text = AozoraEditorText(cleaned, &places);
            next.bookmarks = AozoraEditorBookmarks(cleaned, places);
        } else {
            next.text = core::EditorTextOf(page->text, page->code);
        }
        // A downloaded work is new text: it stays marked modified until it is saved.
        next.saved = false;
        return next;
    });
    if (!failure.isEmpty())
        Prompts().Message(&window_, QMessageBox::Warning, QStringLiteral("Verdane"),
                          QStringLiteral("ﾀﾞｳﾝﾛｰﾄﾞ出来ませんでした"), QMessageBox::Ok, failure);
}

}  // namespace verdane
