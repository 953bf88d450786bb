#include "Startup.h"

#include "AppInfo.h"
#include "FileIo.h"
#include "PalmDesktop.h"
#include "Prompts.h"
#include "RegistryFile.h"
#include "ToolBarImages.h"
#include "UnitMain.h"

#include <QApplication>

namespace verdane {

bool PalmDesktopInstalled(const platform::TRegistryFile& registry) { return !platform::PalmRootKey(registry).empty(); }

int RunVerdane(const QStringList& args) {
    platform::TRegistryFile registry;
    QString problem;
    try {
        registry = platform::TRegistryFile::Load(platform::DefaultRegistryPath());
    } catch (const platform::EFileError&) {
        // No registry file: the desktop software is not there.
    } catch (const std::exception& e) {
        problem = QString::fromUtf8(e.what());
    }
    if (!PalmDesktopInstalled(registry)) {
        Prompts().Message(nullptr, QMessageBox::Critical, QStringLiteral("Verdane"),
                          QStringLiteral("PalmDesktopが正しくインストールされていません！"), QMessageBox::Ok, problem);
        return 1;
    }
    SetApplicationTitle(QStringLiteral("Verdane"));
    QApplication::setWindowIcon(ProgramIconImage());
    InstallFontSubstitutions();
    TFormMainVerdane window(registry, args);
    window.show();
    return QApplication::exec();
}

}  // namespace verdane
