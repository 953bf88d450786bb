#include "AppInfo.h"

#include <QFont>
#include <QStringList>

namespace verdane {

namespace {
QString g_applicationTitle = QStringLiteral("Verdane");
}

void SetApplicationTitle(const QString& title) { g_applicationTitle = title; }
QString ApplicationTitle() { return g_applicationTitle; }

void InstallFontSubstitutions() {
    const QStringList japanese = {QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP"),
                                  QStringLiteral("IPAGothic")};
    for (const char* name : {"ＭＳ Ｐゴシック", "MS PGothic", "ＭＳ ゴシック", "MS Gothic", "ＭＳ 明朝", "MS Mincho"})
        QFont::insertSubstitutions(QString::fromUtf8(name), japanese);
}

}  // namespace verdane
