// Program start: the Palm Desktop test, the application's set-up and the main
// window. main() and the start-up tests use it.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

namespace verdane {

namespace platform {
class TRegistryFile;
}

// True when the registry holds the Palm Desktop software's keys
// ("Software\U.S. Robotics" or "Software\Palm Computing" of the current user).
bool PalmDesktopInstalled(const platform::TRegistryFile& registry);

// Loads Qt's own translations (stock dialogs and buttons: Open, Save As, Yes, No,
// Cancel, ...) for `locale` from Qt's translations folder, so they follow the
// user's language as the program's own texts do. Returns false when that folder
// holds none for the locale (an English locale, or qt6-translations-l10n not
// installed); the stock texts then stay in English.
bool InstallQtTranslations(const QLocale& locale = QLocale::system());

// The details of the refusal to start without a registry: how to make one.
QString RegistrySetUpHelp();

// The whole program after the QApplication exists: the registry test (without
// a registry file the first start's offer to make a Palm Desktop, choose one or
// go on without; with one that lacks the Palm Desktop keys a refusal and exit
// code 1; 終了 at the offer: exit code 1), the main window with `args` (the command line without the program name),
// the event loop.
int RunVerdane(const QStringList& args);

}  // namespace verdane
