#include "Startup.h"

#include "AppInfo.h"
#include "FileIo.h"
#include "FirstStart.h"
#include "PalmDesktop.h"
#include "Prompts.h"
#include "RecoveryDialog.h"
#include "RegistryFile.h"
#include "Recovery.h"
#include "ToolBarImages.h"
#include "UnitMain.h"

#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

#include <memory>

namespace verdane {

bool PalmDesktopInstalled(const platform::TRegistryFile& registry) { return !platform::PalmRootKey(registry).empty(); }

bool InstallQtTranslations(const QLocale& locale) {
    // "qt" is the catalogue that brings in qtbase and the other modules' texts;
    // the translator lives as long as the application.
    // Asked again (a new locale), the previous one gives way.
    static QPointer<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed.data();
    }
    auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
    if (!translator->load(locale, QStringLiteral("qt"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    installed = translator.release();
    QCoreApplication::installTranslator(installed);
    return true;
}

QString RegistrySetUpHelp() {
    return QStringLiteral(
               "Palm Desktop のフォルダとユーザーは、レジストリファイル %1 から読み込みます。"
               "次のどちらかの方法で用意してください。\n\n"
               "1. 新しく作る:\n"
               "    verdane-cli palm-desktop init フォルダ --user ユーザー名\n"
               "   表示される export VERDANE_REGISTRY=... の行をシェルの設定に加えるか、"
               "作られた registry.reg を %1 にコピーします。\n\n"
               "2. 既にあるレジストリファイルを環境変数で指定する:\n"
               "    export VERDANE_REGISTRY=/path/to/registry.reg")
        .arg(QString::fromStdString(platform::DefaultRegistryPath()));
}

int RunVerdane(const QStringList& args) {
    InstallQtTranslations();
    SetApplicationTitle(QStringLiteral("Verdane"));
    QApplication::setWindowIcon(ProgramIconImage());
    // $VERDANE_REGISTRY names the registry file; else the one chosen at a
    // first start, while it is there; else the usual place.
    std::string registryPath = platform::DefaultRegistryPath();
    if (qEnvironmentVariableIsEmpty("VERDANE_REGISTRY")) {
        const QString remembered = RememberedRegistryPath();
        if (!remembered.isEmpty() && QFileInfo::exists(remembered)) registryPath = remembered.toStdString();
    }
    platform::TRegistryFile registry;
    QString problem;
    bool without = false;
    try {
        registry = platform::TRegistryFile::Load(registryPath);
    } catch (const platform::EFileError& e) {
        // No registry file: the desktop software is not there. At the first
        // start (no file at all) the program offers to make one, to choose
        // one, or to go on without; a file that is there but cannot be read
        // is named, and never replaced.
        const QString path = QString::fromStdString(registryPath);
        if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
            problem = QString::fromUtf8(e.what());
        } else {
            const FirstStartAnswer answer = OfferPalmDesktopSetUp(path);
            if (answer.choice == FirstStartChoice::Quit) return 1;  // the message said what is missing
            without = answer.choice == FirstStartChoice::Without;
            if (!without) {
                try {
                    registry = platform::TRegistryFile::Load(answer.registryPath.toStdString());
                } catch (const std::exception& again) {
                    problem = QString::fromUtf8(again.what());
                }
            }
        }
    } catch (const std::exception& e) {
        problem = QString::fromUtf8(e.what());
    }
    if (!without && !PalmDesktopInstalled(registry)) {
        QString detail = RegistrySetUpHelp();
        if (!problem.isEmpty()) detail = problem + QStringLiteral("\n\n") + detail;
        Prompts().Message(nullptr, QMessageBox::Critical, QStringLiteral("Verdane"),
                          QStringLiteral("PalmDesktopが正しくインストールされていません！"), QMessageBox::Ok, detail);
        return 1;
    }
    InstallFontSubstitutions();
    // The window shows first and then reads the file of the command line, so a
    // long text is seen coming in under its caption.
    TFormMainVerdane window(registry, {});
    window.show();
    // Texts a crash or a kill left unsaved: the first goes into this window
    // unless the command line names a file, the others into windows of their own.
    OfferRecovery(&window, [&](int n) {
        if (n == 0 && args.isEmpty()) return window.findChild<RecoveryKeeper*>();
        auto* more = new TFormMainVerdane(registry, {});
        more->setAttribute(Qt::WA_DeleteOnClose);
        more->move(window.pos() + QPoint(32, 32) * (n + 1));
        more->show();
        return more->findChild<RecoveryKeeper*>();
    });
    window.OpenAtStart(args);
    return QApplication::exec();
}

}  // namespace verdane
