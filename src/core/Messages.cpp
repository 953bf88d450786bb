#include "Messages.h"

#include <QHash>
#include <QRegularExpression>

#include <string_view>

namespace verdane {

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// "cannot open PATH: reason" into its path and the system's reason.
bool SplitPathReason(std::string_view rest, QString& path, QString& why) {
    const std::size_t colon = rest.rfind(": ");
    if (colon == std::string_view::npos) return false;
    path = Q(rest.substr(0, colon));
    why = Q(rest.substr(colon + 2));
    return true;
}

}  // namespace

QString FileFailureText(const std::string& reason) {
    struct Verb {
        std::string_view english;
        const char* japanese;  // %1 the path, %2 the system's reason
    };
    static constexpr Verb verbs[] = {
        {"cannot open ", "%1 を開けません: %2"},
        {"cannot read ", "%1 を読み込めません: %2"},
        {"cannot write ", "%1 に書き込めません: %2"},
    };
    const std::string_view r = reason;
    for (const Verb& verb : verbs) {
        QString path, why;
        if (r.starts_with(verb.english) && SplitPathReason(r.substr(verb.english.size()), path, why))
            return QString::fromUtf8(verb.japanese).arg(path, why);
    }
    static constexpr std::string_view kDamaged = "damaged DOC database: ";
    if (r.starts_with(kDamaged)) return QStringLiteral("DOC ファイルが壊れています (%1)").arg(Q(r.substr(kDamaged.size())));
    static constexpr std::string_view kNotDoc = "not a DOC database";
    if (r.starts_with(kNotDoc)) return QStringLiteral("DOC 形式のファイルではありません (%1)").arg(Q(r));
    if (r.starts_with("compressed record ")) return QStringLiteral("DOC ファイルが壊れています (%1)").arg(Q(r));
    return Q(r);
}

QString InstallFailureText(const std::string& reason) {
    std::string_view r = reason;
    // "cannot queue NAME.PDB: why": an install name holds no ".", so the
    // first ".PDB: " or ".PRC: " ends the file's name.
    static constexpr std::string_view kQueue = "cannot queue ";
    if (r.starts_with(kQueue)) {
        const std::string_view rest = r.substr(kQueue.size());
        for (const std::string_view extension : {std::string_view(".PDB: "), std::string_view(".PRC: ")}) {
            const std::size_t at = rest.find(extension);
            if (at == std::string_view::npos || rest.substr(0, at).find('.') != std::string_view::npos) continue;
            const std::size_t nameEnd = at + extension.size() - 2;
            return QStringLiteral("%1 をｲﾝｽﾄｰﾙ用ﾌｫﾙﾀﾞに置けません: %2")
                .arg(Q(rest.substr(0, nameEnd)), InstallFailureText(std::string(rest.substr(nameEnd + 2))));
        }
    }
    static constexpr std::string_view kFolder = "cannot create the install folder ";
    if (r.starts_with(kFolder)) return QStringLiteral("ｲﾝｽﾄｰﾙ用ﾌｫﾙﾀﾞ %1 を作れません").arg(Q(r.substr(kFolder.size())));
    static constexpr std::string_view kTemporary = "cannot create a temporary folder: ";
    if (r.starts_with(kTemporary)) return QStringLiteral("一時ﾌｫﾙﾀﾞを作れません: %1").arg(Q(r.substr(kTemporary.size())));
    static constexpr std::string_view kUser = "no handheld user number ";
    if (r.starts_with(kUser)) return QStringLiteral("ﾕｰｻﾞｰ番号 %1 のﾊﾝﾄﾞﾍﾙﾄﾞはありません").arg(Q(r.substr(kUser.size())));
    static const QRegularExpression tooLong(QStringLiteral("^the text is too long for a DOC database: (\\d+) bytes, at most (\\d+) fit in (\\d+) records$"));
    if (const auto m = tooLong.match(Q(r)); m.hasMatch())
        return QStringLiteral("文章が DOC ファイルには長すぎます: %1 バイト (%3 レコードに入るのは %2 バイトまで)")
            .arg(m.captured(1), m.captured(2), m.captured(3));
    return FileFailureText(reason);
}

QString DownloadFailureText(const std::string& reason) {
    const QString r = Q(reason);
    // Whole texts of the network layer.
    static const QHash<QString, QString> whole = {
        {QStringLiteral("cancelled"), QStringLiteral("キャンセルしました")},
        {QStringLiteral("too many relocations"), QStringLiteral("転送 (リダイレクト) が多すぎます")},
        {QStringLiteral("the server sent an empty page"), QStringLiteral("サーバーから空のページが届きました")},
        {QStringLiteral("connection closed"), QStringLiteral("接続が閉じられました")},
        {QStringLiteral("connection refused"), QStringLiteral("接続を拒否されました")},
        {QStringLiteral("connection reset by the server"), QStringLiteral("サーバーが接続をリセットしました")},
        {QStringLiteral("connection aborted"), QStringLiteral("接続が中断されました")},
        {QStringLiteral("connection timed out"), QStringLiteral("接続が時間切れになりました")},
        {QStringLiteral("network unreachable"), QStringLiteral("ネットワークに到達できません")},
        {QStringLiteral("no route to host"), QStringLiteral("ホストへの経路がありません")},
        {QStringLiteral("the program is closing"), QStringLiteral("プログラムを終了しています")},
        {QStringLiteral("can't resolve hostname to IP address"), QStringLiteral("ホスト名から IP アドレスを得られません")},
    };
    if (const auto it = whole.find(r); it != whole.end()) return *it;
    // Texts that end with a host, a size or a time.
    struct Lead {
        QLatin1String english;
        const char* japanese;  // %1 the rest of the text
    };
    static const Lead leads[] = {
        {QLatin1String("host not found (the name server did not answer): "), "ホストが見つかりません (ネームサーバーが応答しません): %1"},
        {QLatin1String("host not found: "), "ホストが見つかりません: %1"},
        {QLatin1String("host has no IPv4 address: "), "ホストに IPv4 アドレスがありません: %1"},
        {QLatin1String("name lookup failed: "), "名前を引けませんでした: %1"},
        {QLatin1String("the page is larger than "), "ページが %1 を超えています"},
        {QLatin1String("the proxy refused the tunnel to "), "プロキシがトンネルを拒否しました: %1"},
        {QLatin1String("can't connect: "), "接続できません: %1"},
        {QLatin1String("network error "), "ネットワークのエラー %1"},
        {QLatin1String("relocation to an invalid address: "), "転送先のアドレスが不正です: %1"},
        {QLatin1String("relocation without an address ("), "転送先のアドレスがありません (%1"},
        {QLatin1String("the URL holds a control character: "), "URL に制御文字が含まれています: %1"},
    };
    for (const Lead& lead : leads)
        if (r.startsWith(lead.english)) return QString::fromUtf8(lead.japanese).arg(r.mid(lead.english.size()));
    static const QRegularExpression tookLong(QStringLiteral("^timed out: the download took longer than (\\S+) s$"));
    if (const auto m = tookLong.match(r); m.hasMatch())
        return QStringLiteral("時間切れ: ダウンロードが %1 秒を超えました").arg(m.captured(1));
    static const QRegularExpression timedOut(QStringLiteral("^timed out after (\\S+) s(: the answer's header did not end)?$"));
    if (const auto m = timedOut.match(r); m.hasMatch())
        return m.capturedLength(2) ? QStringLiteral("時間切れ: %1 秒のうちに応答のヘッダが終わりませんでした").arg(m.captured(1))
                                   : QStringLiteral("時間切れ: %1 秒のあいだサーバーから応答がありません").arg(m.captured(1));
    // An HTTP answer ("404 Not Found") stays as the server gave it; the rest is
    // a file's failure or a text of its own.
    return FileFailureText(reason);
}

}  // namespace verdane
