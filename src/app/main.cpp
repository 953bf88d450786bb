// verdane: the editor. --help and --version answer on the terminal without a
// window; an unknown option is bad usage (exit 2) and a missing display a
// one-line failure (exit 1), both told before any window is tried.
#include "AppInfo.h"
#include "Startup.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

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

// Qt's messages while the display is opened: kept back, and said again only
// when a window can be had. When none can, the platform's fatal message ends
// the program; this program ends it with one line and exit code 1 instead of
// an abort.
std::vector<std::string>* heldMessages = nullptr;

void HoldDisplayMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        const char* display = std::getenv("DISPLAY");
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        if ((!display || !*display) && (!wayland || !*wayland))
            std::fputs("verdane: no display to open the window on (DISPLAY is not set); "
                       "verdane-cli works without one\n",
                       stderr);
        else
            std::fprintf(stderr, "verdane: cannot open the display %s\n", display && *display ? display : wayland);
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (heldMessages) heldMessages->push_back(message.toStdString());
}

// The options Qt itself takes (with one dash or two); the ones that take a
// value are followed by it.
bool IsQtOption(std::string_view option, bool& takesValue) {
    while (!option.empty() && option.front() == '-') option.remove_prefix(1);
    if (const auto equals = option.find('='); equals != std::string_view::npos) option = option.substr(0, equals);
    static constexpr std::string_view withValue[] = {"platform", "platformpluginpath", "platformtheme", "plugin",
                                                     "qwindowgeometry", "qwindowicon", "qwindowtitle", "session",
                                                     "style", "stylesheet", "display", "geometry", "name",
                                                     "title", "visual", "qmljsdebugger"};
    static constexpr std::string_view alone[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
    for (std::string_view name : withValue)
        if (option == name) return takesValue = true;
    for (std::string_view name : alone)
        if (option == name) return !(takesValue = false);
    return false;
}

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
        bool takesValue = false;
        if (argv[i][0] == '-' && IsQtOption(argv[i], takesValue)) {
            if (takesValue && !std::strchr(argv[i], '=')) ++i;
            continue;
        }
        if (argv[i][0] == '-' && argv[i][1] != '\0') {
            std::fprintf(stderr, "verdane: unknown option '%s'\nTry 'verdane --help'.\n", argv[i]);
            return 2;
        }
    }
    std::vector<std::string> held;
    heldMessages = &held;
    qInstallMessageHandler(HoldDisplayMessages);
    QApplication app(argc, argv);
    qInstallMessageHandler(nullptr);
    heldMessages = nullptr;
    for (const std::string& message : held) std::fprintf(stderr, "%s\n", message.c_str());
    QApplication::setApplicationName(QStringLiteral("verdane"));
    QStringList args = QApplication::arguments().mid(1);
    args.removeAll(QStringLiteral("--"));
    return verdane::RunVerdane(args);
}
