#include "FailureJapanese.h"

#include <cerrno>
#include <cstring>

namespace verdane {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString N(long long n) { return QString::number(n); }
QString Seconds(long long ms) { return Q(core::SecondsText(ms)); }

// A library's words in parentheses after ours, when it gave any.
QString WithDetail(QString text, const std::string& detail) {
    return detail.empty() ? text : text + QStringLiteral(" (%1)").arg(Q(detail));
}

// "PATH: " before a text about the file PATH, when the failure names one.
QString Named(const std::string& subject, const QString& text) {
    return subject.empty() ? text : QStringLiteral("%1: %2").arg(Q(subject), text);
}

// A size as people read it: "256 MB", "12 KB", "300 バイト".
QString SizeText(long long bytes) {
    constexpr long long kMB = 1LL << 20, kKB = 1LL << 10;
    if (bytes >= kMB) return N((bytes + kMB / 2) / kMB) + QStringLiteral(" MB");
    if (bytes >= kKB) return N((bytes + kKB / 2) / kKB) + QStringLiteral(" KB");
    return N(bytes) + QStringLiteral(" バイト");
}

}  // namespace

QString SystemErrorText(int error) {
    switch (error) {
    case ENOENT: return QStringLiteral("ファイルまたはフォルダがありません");
    case EACCES:
    case EPERM: return QStringLiteral("アクセスが許可されていません");
    case EISDIR: return QStringLiteral("フォルダです");
    case ENOTDIR: return QStringLiteral("途中にフォルダでないものがあります");
    case ENOSPC: return QStringLiteral("ディスクに空きがありません");
    case EDQUOT: return QStringLiteral("ディスクの割り当てを超えました");
    case EROFS: return QStringLiteral("読み込み専用のファイルシステムです");
    case EEXIST: return QStringLiteral("ファイルがすでにあります");
    case ELOOP: return QStringLiteral("シンボリックリンクが多すぎます");
    case ENAMETOOLONG: return QStringLiteral("名前が長すぎます");
    case EIO: return QStringLiteral("入出力エラーです");
    case EFBIG: return QStringLiteral("ファイルが大きすぎます");
    case 0: return QStringLiteral("原因は分かりません");
    default: break;
    }
    return QString::fromLocal8Bit(std::strerror(error));
}

QString JapaneseText(const core::Failure& f) {
    using core::FailureCode;
    const QString s = Q(f.subject);
    switch (f.code) {
    case FailureCode::FileOpen: return QStringLiteral("%1 を開けません: %2").arg(s, SystemErrorText(f.error));
    case FailureCode::FileRead: return QStringLiteral("%1 を読み込めません: %2").arg(s, SystemErrorText(f.error));
    case FailureCode::FileShortened: return QStringLiteral("%1 は読み込み中に短くなりました").arg(s);
    case FailureCode::FileWrite: return QStringLiteral("%1 に書き込めません: %2").arg(s, SystemErrorText(f.error));
    case FailureCode::TargetChanged:
        return f.count == 1 ? QStringLiteral("%1 がその間に別のプログラムで作られました。置き換えていません").arg(s)
                            : QStringLiteral("%1 がその間に別のプログラムで変更されました。置き換えていません").arg(s);
    case FailureCode::FileTooLarge:
        return QStringLiteral("%1 は大きすぎて読み込めません (DOC ファイルに入る 256 MB を超えています)").arg(s);
    case FailureCode::FileChanged:
        return QStringLiteral("%1 は読み込みの途中で%2ので、読み込みをやめました")
            .arg(s, f.limit < f.count   ? QStringLiteral("短くなった")
                    : f.limit > f.count ? QStringLiteral("長くなった")
                                        : QStringLiteral("書き換えられた"));
    case FailureCode::FolderCreate:
        return f.error != 0 ? QStringLiteral("ﾌｫﾙﾀﾞ %1 を作れません: %2").arg(s, SystemErrorText(f.error))
                            : QStringLiteral("ﾌｫﾙﾀﾞ %1 を作れません").arg(s);
    case FailureCode::NotRegularFile:
        return QStringLiteral("%1 を読み込めません: 通常のファイルではありません").arg(s);
    case FailureCode::FolderIsLink:
        return QStringLiteral("ﾌｫﾙﾀﾞ %1 は使えません: シンボリックリンクです").arg(s);
    case FailureCode::FolderNotOwn:
        return QStringLiteral("ﾌｫﾙﾀﾞ %1 は使えません: ほかのユーザーのものです").arg(s);
    case FailureCode::TemporaryFolder: return WithDetail(QStringLiteral("一時ﾌｫﾙﾀﾞを作れません"), f.detail);
    case FailureCode::NotDoc: return Named(f.subject, QStringLiteral("DOC 形式のファイルではありません"));
    case FailureCode::DocTooShort:
        return Named(f.subject, QStringLiteral("DOC 形式のファイルではありません (%1 バイトしかありません)").arg(N(f.count)));
    case FailureCode::DocNoRecords:
        return Named(f.subject, QStringLiteral("DOC ファイルが壊れています (レコードがひとつもありません)"));
    case FailureCode::DocRecordListCut:
        return Named(f.subject,
                     QStringLiteral("DOC ファイルが壊れています (%1 個のレコードの一覧がファイルの終わりを越えています)").arg(N(f.count)));
    case FailureCode::DocRecordOutside:
        return Named(f.subject, QStringLiteral("DOC ファイルが壊れています (レコード %1 がファイルの終わりより後にあります)").arg(N(f.count)));
    case FailureCode::DocRecordOrder:
        return Named(f.subject, QStringLiteral("DOC ファイルが壊れています (レコード %1 が前のレコードより前にあります)").arg(N(f.count)));
    case FailureCode::DocRecord0Cut:
        return Named(f.subject, QStringLiteral("DOC ファイルが壊れています (レコード 0 が途中で切れています)"));
    case FailureCode::DocRecordDamaged:
        return Named(f.subject, QStringLiteral("DOC ファイルが壊れています (レコード %1 の圧縮データ)").arg(N(f.count)));
    case FailureCode::TextTooLong:
        return QStringLiteral("文章が DOC ファイルには長すぎます: %1 バイト (入るのは %2 バイトまで)").arg(N(f.count), N(f.limit));
    case FailureCode::ArchiveUnreadable: return Named(f.subject, QStringLiteral("zip 書庫として読めません"));
    case FailureCode::ArchiveEncrypted: return QStringLiteral("%1 は暗号化されているので読めません").arg(s);
    case FailureCode::ArchiveEntryTooLarge:
        return QStringLiteral("%1 は %2 バイトあり、文章として読める %3 バイトを超えています").arg(s, N(f.count), N(f.limit));
    case FailureCode::ArchiveEntryDamaged: return QStringLiteral("書庫の中の %1 が壊れています").arg(s);
    case FailureCode::ArchiveNoText:
        return Named(f.subject, f.detail.empty() || f.detail == ".txt"
                                    ? QStringLiteral("書庫に文章 (.txt ファイル) がありません")
                                    : QStringLiteral("書庫に %1 ファイルがありません").arg(Q(f.detail)));
    case FailureCode::ArchiveSeveral:
        return Named(f.subject, QStringLiteral("書庫に文章が複数あります: %1").arg(Q(f.detail)));
    case FailureCode::ArchiveNoEntry:
        return Named(f.subject, QStringLiteral("書庫に %1 がありません").arg(Q(f.detail)));
    case FailureCode::NotArchive: return QStringLiteral("%1 は zip 書庫ではありません").arg(s);
    case FailureCode::EpubEncrypted: return QStringLiteral("この電子書籍は暗号化されているため開けません");
    case FailureCode::EpubNoPackage:
        return Named(f.subject, QStringLiteral("EPUB が壊れています (META-INF/container.xml にパッケージ文書がありません)"));
    case FailureCode::EpubMissing:
        return Named(f.subject, QStringLiteral("EPUB が壊れています (%1 が書庫の中にありません)").arg(Q(f.detail)));
    case FailureCode::EpubOutside:
        return Named(f.subject, QStringLiteral("EPUB の外を指す名前 %1 があるので開けません").arg(Q(f.detail)));
    case FailureCode::EpubXml:
        return Named(f.subject, QStringLiteral("EPUB が壊れています (%1%2)")
                                    .arg(Q(f.detail), f.count > 0 ? QStringLiteral(", %1 行目").arg(N(f.count)) : QString()));
    case FailureCode::EpubEntities:
        return Named(f.subject, QStringLiteral("EPUB の %1 が XML の実体を宣言しているので開けません").arg(Q(f.detail)));
    case FailureCode::EpubNoSpine:
        return Named(f.subject, QStringLiteral("EPUB が壊れています (%1 に読む文書がありません)").arg(Q(f.detail)));
    case FailureCode::EpubTooMany:
        return Named(f.subject, QStringLiteral("EPUB の %1 の項目が多すぎます (%2 個まで)").arg(Q(f.detail), N(f.limit)));
    case FailureCode::EpubTooLarge:
        return Named(f.subject, QStringLiteral("EPUB を展開すると %1 を超えるので開けません").arg(SizeText(f.limit)));
    case FailureCode::EmptyTitle: return QStringLiteral("タイトルを入力して下さい");
    case FailureCode::InstallNameEmpty: return QStringLiteral("ﾌｧｲﾙ名を入力して下さい");
    case FailureCode::InstallNameHasPath: return QStringLiteral("ﾌｧｲﾙ名にﾊﾟｽを含めないで下さい");
    case FailureCode::InstallNameHasExtension: return QStringLiteral("ﾌｧｲﾙ名に拡張子を含めないで下さい");
    case FailureCode::NoSuchUser:
        return f.subject.empty() ? QStringLiteral("ﾕｰｻﾞｰ番号 %1 のﾊﾝﾄﾞﾍﾙﾄﾞはありません").arg(N(f.count))
                                 : QStringLiteral("ﾕｰｻﾞｰ %1 のﾊﾝﾄﾞﾍﾙﾄﾞはありません").arg(s);
    case FailureCode::Cancelled: return QStringLiteral("キャンセルしました");
    case FailureCode::CatalogTooLarge:
        return QStringLiteral("青空文庫の目録が大きすぎます (%1 バイト、読み込むのは %2 バイトまでです)")
            .arg(N(f.count), N(f.limit));
    case FailureCode::CatalogDamaged: return QStringLiteral("青空文庫の目録が壊れています");
    case FailureCode::CatalogUnavailable: return QStringLiteral("青空文庫の目録を %1 から読み込めません").arg(s);
    case FailureCode::WorkWithoutText: return QStringLiteral("目録に作品 %1 のテキストファイルがありません").arg(s);
    case FailureCode::UnsupportedScheme:
        return QStringLiteral("%1: の URL は読み込めません (http と https だけです)").arg(Q(f.detail));
    case FailureCode::BadUrl: return QStringLiteral("URL が正しくありません: %1").arg(s);
    case FailureCode::UrlControl: return QStringLiteral("URL に制御文字が含まれています: %1").arg(s);
    case FailureCode::NoRelocationAddress:
        return QStringLiteral("転送先のアドレスがありません (%1 %2)").arg(N(f.count), Q(f.detail)).replace(QStringLiteral(" )"), QStringLiteral(")"));
    case FailureCode::BadRelocation: return QStringLiteral("転送先のアドレスが不正です");
    case FailureCode::UrlNoHost: return QStringLiteral("URL にホスト名がありません: %1").arg(s);
    case FailureCode::UrlBadPort: return QStringLiteral("URL のポート番号が正しくありません: \"%1\"").arg(Q(f.detail));
    case FailureCode::ProxyBadPort: return QStringLiteral("プロキシのポート番号が正しくありません: \"%1\"").arg(Q(f.detail));
    case FailureCode::ProxyUnreachable:
        return QStringLiteral("プロキシ %1 に接続できません: %2")
            .arg(s, JapaneseText({static_cast<FailureCode>(f.count), f.subject.substr(0, f.subject.rfind(':')),
                                  f.detail, f.error}));
    case FailureCode::HostNotFound: return QStringLiteral("ホストが見つかりません: %1").arg(s);
    case FailureCode::NameServerSilent:
        return QStringLiteral("ホストが見つかりません (ネームサーバーが応答しません): %1").arg(s);
    case FailureCode::NoAddress: return QStringLiteral("ホストにアドレスがありません: %1").arg(s);
    case FailureCode::NameLookup: return QStringLiteral("名前を引けませんでした: %1").arg(s);
    case FailureCode::Refused: return QStringLiteral("接続を拒否されました");
    case FailureCode::Reset: return QStringLiteral("サーバーが接続をリセットしました");
    case FailureCode::Aborted: return QStringLiteral("接続が中断されました");
    case FailureCode::TimedOut:
        return f.count > 0 ? QStringLiteral("時間切れ: %1 秒のあいだサーバーから応答がありません").arg(Seconds(f.count))
                           : QStringLiteral("接続が時間切れになりました");
    case FailureCode::HeaderTimedOut:
        return QStringLiteral("時間切れ: %1 秒のうちに応答のヘッダが終わりませんでした").arg(Seconds(f.count));
    case FailureCode::DownloadTooLong:
        return QStringLiteral("時間切れ: ダウンロードが %1 秒を超えました").arg(Seconds(f.count));
    case FailureCode::Unreachable: return QStringLiteral("ネットワークに到達できません");
    case FailureCode::Closed: return QStringLiteral("応答のヘッダが終わる前に接続が閉じられました");
    case FailureCode::Incomplete:
        return QStringLiteral("ページが途中で切れました: %1 バイトのうち %2 バイトしか届きません").arg(N(f.limit), N(f.count));
    case FailureCode::TwoLengths:
        return QStringLiteral("応答がページの長さを二通りに示しています: %1 バイトと %2 バイト").arg(N(f.count), N(f.limit));
    case FailureCode::TransferCoding:
        return QStringLiteral("サーバーがページを読めない転送符号化 \"%1\" で送りました").arg(Q(f.detail));
    case FailureCode::NoStatusLine: return QStringLiteral("サーバーの応答にステータス行がありません");
    case FailureCode::TooManyRelocations: return QStringLiteral("転送 (リダイレクト) が多すぎます");
    case FailureCode::HttpStatus:
        // The server's answer as it gave it: its status and its reason phrase.
        return f.detail.empty() ? N(f.count) : QStringLiteral("%1 %2").arg(N(f.count), Q(f.detail));
    case FailureCode::ProxyTunnel:
        return QStringLiteral("プロキシが %1 へのトンネルを拒否しました (%2 %3)").arg(s, N(f.count), Q(f.detail)).trimmed();
    case FailureCode::TlsVerify: return WithDetail(QStringLiteral("%1 の証明書を確認できません").arg(s), f.detail);
    case FailureCode::Tls: return QStringLiteral("%1 との暗号化通信 (TLS) に失敗しました").arg(s);
    case FailureCode::PageTooLarge: return QStringLiteral("ページが %1 を超えています").arg(SizeText(f.limit));
    case FailureCode::EmptyPage: return QStringLiteral("サーバーから空のページが届きました");
    case FailureCode::NetworkError:
        return f.error != 0 ? QStringLiteral("ネットワークのエラー %1").arg(N(f.error)) : QStringLiteral("通信に失敗しました");
    case FailureCode::OutOfMemory: return QStringLiteral("メモリが足りません");
    case FailureCode::Internal: return WithDetail(QStringLiteral("処理できませんでした"), f.detail);
    }
    return WithDetail(QStringLiteral("処理できませんでした"), f.detail);
}

}  // namespace verdane
