#include "Messages.h"

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

QString DownloadFailureText(const std::string& reason) {
    const QString r = Q(reason);
    if (r == QLatin1String("cancelled")) return QStringLiteral("キャンセルしました");
    if (r == QLatin1String("too many relocations"))
        return QStringLiteral("転送 (リダイレクト) が多すぎます");
    if (r == QLatin1String("the server sent an empty page")) return QStringLiteral("サーバーから空のページが届きました");
    if (r.startsWith(QLatin1String("can't resolve hostname")))
        return QStringLiteral("ホスト名から IP アドレスを得られません");
    if (r.startsWith(QLatin1String("can't connect: ")))
        return QStringLiteral("接続できません: %1").arg(r.mid(15));
    static const QRegularExpression header(QStringLiteral("^timed out: the answer's header did not end within (\\d+) s$"));
    static const QRegularExpression silent(QStringLiteral("^timed out: no data from the server for (\\d+) s$"));
    if (const auto m = header.match(r); m.hasMatch())
        return QStringLiteral("時間切れ: %1 秒のうちに応答のヘッダが終わりませんでした").arg(m.captured(1));
    if (const auto m = silent.match(r); m.hasMatch())
        return QStringLiteral("時間切れ: サーバーから %1 秒間データが届きませんでした").arg(m.captured(1));
    if (r.startsWith(QLatin1String("the proxy refused the tunnel to ")))
        return QStringLiteral("プロキシがトンネルを拒否しました: %1").arg(r.mid(32));
    // An HTTP answer: its status line, as the server sent it.
    static const QRegularExpression status(QStringLiteral("^\\d{3}( |$)"));
    if (status.match(r).hasMatch()) return QStringLiteral("サーバーの応答: %1").arg(r);
    return FileFailureText(reason);
}

}  // namespace verdane
