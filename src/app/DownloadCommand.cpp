#include "DownloadCommand.h"

#include "DocumentSession.h"
#include "FileCommands.h"
#include "LongWork.h"
#include "Open.h"
#include "FailureJapanese.h"
#include "Settings.h"
#include "TextFill.h"
#include "UnitDL.h"
#include "UnitURL.h"

#include <QCheckBox>

namespace verdane {

DownloadCommand::DownloadCommand(QWidget& window, DocumentSession& session, FileCommands& files, LongWork& work,
                                 const TSettings& settings, TFormURL& url, TFormDL& download)
    : window_(window), session_(session), files_(files), work_(work), settings_(settings), url_(url),
      download_(download) {}

void DownloadCommand::Run() {
    if (work_.Busy()) return;
    QString failure;
    std::size_t replaced = 0;
    files_.ReplaceDocument([&]() -> std::optional<FileCommands::Replacement> {
        if (Prompts().RunDialog(url_) != QDialog::Accepted) return std::nullopt;
        const QString url = url_.Url();
        const bool html = url_.CheckBoxHTML->isChecked();
        if (url.isEmpty()) return std::nullopt;
        url_.RememberUrl(url);
        core::Result<core::OpenedFile> page = [&] {
            // Only the download window's Cancel is live while the page comes.
            LongWork::Scope scope(work_);
            download_.show();
            auto result = download_.RunDownload(
                url, settings_.Proxy, html, work_.Turns(),
                [this](const std::vector<std::string>& names) { return files_.ChooseArchiveEntry(names); });
            download_.hide();
            return result;
        }();
        if (!page) {
            failure = JapaneseText(page.Fault());
            return std::nullopt;
        }
        FileCommands::Replacement next;
        // The page's own title (an archive's work title, else the page's name),
        // never the title of the database read last.
        next.document = core::Document::Fetched(
            url, page->title.value_or(core::TitleOfName(core::BaseNameWithoutExtension(core::PageFileName(url)))),
            page->code);
        // The page becomes editor text on a thread of its own, as an opened file
        // does, so a page of many megabytes never leaves the window frozen.
        next.text = [&] {
            LongWork::Scope scope(work_);
            return RunWhilePainting([&page] { return core::EditorTextOf(*page); }, work_.Turns());
        }();
        replaced = page->replaced.size();
        // A page is new text: it stays marked modified until it is saved.
        next.saved = false;
        return next;
    });
    // A failed download always says why, whatever the editor holds.
    if (!failure.isEmpty())
        Prompts().Message(&window_, QMessageBox::Information, QStringLiteral("Verdane"),
                          QStringLiteral("ﾀﾞｳﾝﾛｰﾄﾞ出来ませんでした"), QMessageBox::Ok, failure);
    // The HTML conversion works on Shift-JIS: characters of a UTF-8 page that
    // it cannot hold are never dropped without a word.
    if (replaced > 0)
        Prompts().Message(&window_, QMessageBox::Information, QStringLiteral("保存できない文字"),
                          QStringLiteral("このページの %1 文字は Shift-JIS にないため「?」に置き換えました。\n"
                                         "HTML→ﾃｷｽﾄ処理を行わずに開くと、そのままの文字で開けます。")
                              .arg(replaced),
                          QMessageBox::Ok);
}

}  // namespace verdane
