// Program start: the Palm Desktop test, the application's set-up and the main
// window. main() and the start-up tests use it.
#pragma once

#include <QStringList>

namespace verdane {

namespace platform {
class TRegistryFile;
}

// True when the registry holds the Palm Desktop software's keys
// ("Software\U.S. Robotics" or "Software\Palm Computing" of the current user).
bool PalmDesktopInstalled(const platform::TRegistryFile& registry);

// The whole program after the QApplication exists: the registry test (refusal
// message and exit code 1 without the Palm Desktop keys), the main window with
// `args` (the command line without the program name), the event loop.
int RunVerdane(const QStringList& args);

}  // namespace verdane
