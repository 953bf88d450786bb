// verdane: the editor. --help and --version answer on the terminal without a window.
#include "AppInfo.h"
#include "Startup.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kHelp =
    "Usage: verdane [FILE]\n"
    "Verdane, an editor of Japanese texts for Palm OS handhelds: Shift-JIS text,\n"
    "Palm DOC databases (.pdb, .prc), JIS/EUC-JP/UTF-8 to Shift-JIS, HTML to text,\n"
    "pages opened from their URL, and installing to a handheld user.\n\n"
    "FILE is opened at start: a text file, an HTML file or a DOC database.\n\n"
    "Options:\n"
    "  -h, --help      show this help\n"
    "  --version       show the version\n\n"
    "The Palm Desktop folders are read from the registry file named by\n"
    "VERDANE_REGISTRY, else $XDG_CONFIG_HOME/verdane/registry.reg;\n"
    "`verdane-cli palm-desktop init` makes one. The conversions also run without a\n"
    "window: see `verdane-cli --help`.\n";

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) break;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s\n", verdane::kProgramTitle.toUtf8().constData());
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("verdane"));
    QStringList args = QApplication::arguments().mid(1);
    args.removeAll(QStringLiteral("--"));
    return verdane::RunVerdane(args);
}
