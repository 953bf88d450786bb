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
#include <QStringList>

namespace verdane {

namespace {

// What an HTTP status says, in the window's words.
QString StatusMeaning(long long status) {
    switch (status) {
    case 400: return QStringLiteral("要求が正しくありません");
    case 401: return QStringLiteral("ユーザー名とパスワードが必要です");
    case 403: return QStringLiteral("アクセスが禁止されています");
    case 404: return QStringLiteral("ページが見つかりません");
    case 407: return QStringLiteral("プロキシの認証が必要です");
    case 410: return QStringLiteral("ページは削除されました");
    case 429: return QStringLiteral("要求が多すぎます。しばらく待ってからやり直してください");
    case 503: return QStringLiteral("サーバーが一時的に応答できません");
    default: break;
    }
    if (status >= 500 && status < 600) return QStringLiteral("サーバー側でエラーが起きました");
    return QStringLiteral("ページを返しませんでした");
}

// A failed download is a warning that says why in Japanese; for an HTTP
// answer the meaning of its status comes first, the server's own words (its
// status and reason) after it.
void ShowDownloadFailure(QWidget& window, const core::Failure& fault) {
    QString why = JapaneseText(fault);
    if (fault.code == core::FailureCode::HttpStatus)
        why = QStringLiteral("%1 (サーバーの応答: %2)").arg(StatusMeaning(fault.count), why);
    Prompts().Message(&window, QMessageBox::Warning, QStringLiteral("Verdane"),
                      QStringLiteral("ﾀﾞｳﾝﾛｰﾄﾞ出来ませんでした"), QMessageBox::Ok, why);
}

}  // namespace

DownloadCommand::DownloadCommand(QWidget& window, DocumentSession& session, FileCommands& files, LongWork& work,
                                 const TSettings& settings, TFormURL& url, TFormDL& download)
    : window_(window), session_(session), files_(files), work_(work), settings_(settings), url_(url),
      download_(download) {}

void DownloadCommand::Run() {
    if (work_.Busy()) return;
    std::optional<core::Failure> failure;
    std::vector<KanjiReplacement> replaced;
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
                [this](const std::vector<std::string>& names) { return files_.ChooseArchiveEntry(names); }, {},
                files_.Ruby());
            download_.hide();
            return result;
        }();
        if (!page) {
            failure = page.Fault();
            return std::nullopt;
        }
        FileCommands::Replacement next;
        // The page's own document and title (an archive's work title, else the
        // page's name), never the title of the database read last.
        next.document = page->document;
        // The page becomes editor text on a thread of its own, as an opened file
        // does, so a page of many megabytes never leaves the window frozen.
        next.text = [&] {
            LongWork::Scope scope(work_);
            return RunWhilePainting([&page] { return core::EditorTextOf(*page); }, work_.Turns());
        }();
        replaced = std::move(page->replaced);
        // A page is new text: it stays marked modified until it is saved.
        next.saved = false;
        return next;
    });
    // A failed download always says why, whatever the editor holds.
    if (failure) ShowDownloadFailure(window_, *failure);
    // The HTML conversion works on Shift-JIS: characters of a UTF-8 page that
    // it cannot hold are never dropped without a word.
    if (!replaced.empty()) {
        // The first three are named.
        QStringList named;
        for (std::size_t k = 0; k < replaced.size() && k < 3; ++k) {
            const char32_t c = replaced[k].codePoint;
            const StandIn& standIn = replaced[k].writtenAs;
            named << QStringLiteral("「%1」(U+%2)→「%3」")
                         .arg(QString::fromUcs4(&c, 1),
                              QString::number(static_cast<uint>(c), 16).toUpper().rightJustified(4, u'0'),
                              QString::fromUcs4(standIn.chars.data(), static_cast<qsizetype>(standIn.size())));
        }
        Prompts().Message(&window_, QMessageBox::Information, QStringLiteral("保存できない文字"),
                          QStringLiteral("このページの %1 文字は Shift-JIS にないため置き換えました: %2%3。\n"
                                         "HTML→ﾃｷｽﾄ処理を行わずに開くと、そのままの文字で開けます。")
                              .arg(replaced.size())
                              .arg(named.join(QStringLiteral("、")), replaced.size() > 3 ? QStringLiteral("など") : QString()),
                          QMessageBox::Ok);
    }
}

}  // namespace verdane
