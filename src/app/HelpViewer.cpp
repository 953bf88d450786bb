#include "HelpViewer.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace verdane {

QString HelpFilePath() {
    const QString beside = QCoreApplication::applicationFilePath() + QStringLiteral(".HLP");
    if (QFileInfo::exists(beside)) return beside;
    const QString installed = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../share/verdane/verdane.HLP"));
    if (QFileInfo::exists(installed)) return QDir::cleanPath(installed);
    return {};
}

bool ShowHelpContents(QWidget* parent, const QString& path) {
    if (path.isEmpty() || !QFileInfo::exists(path)) return false;
    static QPointer<QDialog> viewer;
    if (!viewer) {
        viewer = new QDialog(parent, Qt::Window);
        viewer->setObjectName(QStringLiteral("HelpViewer"));
        viewer->setAttribute(Qt::WA_DeleteOnClose);
        viewer->setWindowTitle(QStringLiteral("Verdane ヘルプ"));
        auto* browser = new QTextBrowser(viewer);
        browser->setObjectName(QStringLiteral("HelpBrowser"));
        browser->setOpenExternalLinks(true);
        auto* layout = new QVBoxLayout(viewer);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(browser);
        viewer->resize(640, 560);
    }
    auto* browser = viewer->findChild<QTextBrowser*>();
    // The manual is HTML whatever its extension says.
    browser->setSearchPaths({QFileInfo(path).absolutePath()});
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    browser->setHtml(QString::fromUtf8(file.readAll()));
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
    return true;
}

}  // namespace verdane
