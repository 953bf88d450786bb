// verdane-cli install and palm-desktop: queueing a text for a handheld user as
// the install command does, and making a Palm Desktop for Verdane to use.
#include "AozoraNotation.h"
#include "CliIo.h"
#include "CliPlan.h"
#include "Commands.h"
#include "FileIo.h"
#include "Names.h"
#include "PalmDesktop.h"
#include "PalmDesktopSetup.h"
#include "ReadText.h"
#include "RegistryFile.h"

#include <QFileInfo>

#include <cstdio>

namespace verdane::cli {

namespace {

constexpr const char* kInstallHelp =
    "Usage: verdane-cli install --user NAME [--name NAME] [--title T] [--prc] [--aozora]\n"
    "                           [--entry NAME] IN\n"
    "Makes the text file IN into a Palm DOC database and queues it in the install\n"
    "folder of the handheld user NAME, as the install command does; the desktop\n"
    "software hands it to the handheld at the next synchronisation. IN is read as\n"
    "the open command reads it (JIS, EUC-JP and UTF-8 become Shift-JIS, line ends\n"
    "CR LF; a .zip archive gives the text inside it); the text is compressed and\n"
    "stored byte for byte. The database is named after IN without folder and\n"
    "extension, plus .PDB (\"NewFile\" when IN is \"-\"); the name takes no folder\n"
    "and no \".\", as in the install dialog. Of the characters Shift-JIS cannot\n"
    "hold, a no-break space becomes a space, \"\xC2\xA5\" the full-width \"\xEF\xBF\xA5\", an\n"
    "accented letter its base letter, a stroked letter or ligature its plain\n"
    "spelling (o, ae, ss) and any other the geta mark \"\xE3\x80\x93\"; standard\n"
    "error then names each with its line, code point and what stands for it.\n"
    "A database of the same name still waiting for the user is replaced, and\n"
    "standard error says so.\n"
    "The desktop is the one of the registry file $VERDANE_REGISTRY, else\n"
    "$XDG_CONFIG_HOME/verdane/registry.reg (see 'verdane-cli palm-desktop --help').\n\n"
    "Options:\n"
    "  --user NAME     the handheld user, exactly as the desktop names them\n"
    "  --name NAME     the database's file name, without extension (by default IN's)\n"
    "  --title T       database name (at most 31 bytes in Shift-JIS are stored);\n"
    "                  by default the text's own title: a database's name, an\n"
    "                  archive's work title, else IN's file name without folder\n"
    "                  and extension (the database's file name when IN is \"-\")\n"
    "  --prc           name the database .PRC instead of .PDB\n"
    "  --aozora        clean Aozora Bunko's notation first, as 'verdane-cli aozora'\n"
    "                  does with its defaults\n"
    "  --entry NAME    the text to read from an archive that holds several\n"
    "  -h, --help      show this help\n\n"
    "Exit status: 0 on success, 1 when IN cannot be read, the desktop or the user\n"
    "is missing or the database cannot be queued, 2 on bad usage.\n";

constexpr const char* kPalmDesktopHelp =
    "Usage: verdane-cli palm-desktop init DIR --user NAME [--user NAME ...]\n"
    "Makes a Palm Desktop in DIR for Verdane to install into: DIR/registry.reg,\n"
    "the core folder DIR/Palm and an install folder DIR/Palm/<folder>/Install for\n"
    "each user (the folder named after the user). The registry file names the core\n"
    "folder by its absolute path, so a copy of it anywhere (for example in\n"
    "~/.config/verdane/) works as well. The first user is the one selected first.\n"
    "An existing DIR/registry.reg is never replaced. Prints the line that points\n"
    "Verdane at the new desktop:\n"
    "  export VERDANE_REGISTRY=/abs/DIR/registry.reg\n\n"
    "Options:\n"
    "  --user NAME     a handheld user (UTF-8; at most 32 bytes in Shift-JIS are\n"
    "                  kept, no control characters); give it once per user\n"
    "  -h, --help      show this help\n\n"
    "Exit status: 0 on success, 1 when a name is refused or the desktop cannot be\n"
    "written, 2 on bad usage.\n";

platform::TPalmDesktop OpenDesktop() {
    const std::string path = platform::DefaultRegistryPath();
    try {
        return platform::TPalmDesktop(platform::TRegistryFile::Load(path));
    } catch (const platform::EFileError& e) {
        throw CliError(std::string(e.what()) + " (set VERDANE_REGISTRY, or make a desktop with 'verdane-cli palm-desktop init')");
    } catch (const platform::ERegistryFormat& e) {
        throw CliError(e.what());
    } catch (const platform::EPalmDesktop& e) {
        throw CliError("no Palm Desktop in " + path + ": " + e.what());
    }
}

std::string UserList(const platform::TPalmDesktop& desktop) {
    std::string list;
    for (const auto& user : desktop.Users()) list += (list.empty() ? "\"" : ", \"") + user.name + "\"";
    return list;
}

// A path as one word of a POSIX shell.
std::string ShellWord(const std::string& text) {
    const bool plain = !text.empty() && text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                                               "0123456789/._-+,:@%") == std::string::npos;
    if (plain) return text;
    std::string out = "'";
    for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Plans the install of the held text and queues it; the plan's report says
// when it replaced a database of the same name that was still waiting for the
// user (another book, perhaps): the window asks first, a command line says
// what it did.
void PlanAndQueue(const platform::TPalmDesktop& desktop, int index, const QString& name, bool prc,
                  const HeldText& held, const QString& title, const std::vector<core::EditorBookmark>& bookmarks = {}) {
    core::InstallRequest request;
    request.userIndex = index;
    request.name = name;
    request.prc = prc;
    request.title = title;
    request.bookmarks = bookmarks;
    const core::Result<core::WritePlan> plan = core::PlanInstall(desktop, held.document, held.text, request);
    const std::string user = desktop.Users()[static_cast<std::size_t>(index)].name;
    if (!plan) throw CliError("cannot install for \"" + user + "\": " + plan.Reason());
    WritePlanned(plan, {}, platform::EscapeControlCharacters(user));
}

}  // namespace

int RunInstall(const Args& args) {
    const auto parsed = ParseArgs(args, {"--prc", "--aozora"}, {"--user", "--title", "--name", "--entry"}, 1, 1);
    if (parsed.help) {
        std::fputs(kInstallHelp, stdout);
        return 0;
    }
    const std::string* user = parsed.Value("--user");
    if (!user) throw UsageError("--user NAME is needed");
    const std::string& in = parsed.positional[0];

    const platform::TPalmDesktop desktop = OpenDesktop();
    const int index = desktop.FindUser(platform::TruncateUserName(*user));
    if (index < 0) {
        if (desktop.Users().empty()) throw CliError("the desktop has no handheld users, so \"" + *user + "\" cannot be chosen");
        throw CliError("no handheld user \"" + *user + "\"; the users are " + UserList(desktop));
    }

    // The install name follows the same rules as in the install dialog: no
    // folder, no "." (the extension is the command's), not empty.
    const std::string* givenName = parsed.Value("--name");
    const std::string name = givenName ? *givenName : in == "-" ? "NewFile" : core::BaseNameWithoutExtension(in);
    const QString qname = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    if (core::CheckInstallName(qname) != core::InstallNameFault::None && !givenName)
        throw CliError("cannot name the database after " + in + ": \"" + name +
                       "\" holds a \".\" or is empty; give a name with --name NAME");
    const std::string* title = parsed.Value("--title");
    if (title && title->empty()) throw CliError(core::EnglishText(core::Failure{core::FailureCode::EmptyTitle}));
    HeldText held = OpenHeld(in, parsed.Value("--entry"));
    if (parsed.Has("--aozora")) {
        held.text = CleanedEditorText(held, {});
        held.bookmarks.clear();
    }
    // The text's own title (a database's name, an archive's work title, the
    // file's base name), as the window's install proposes it; its bookmarks
    // (an EPUB book's chapters) go with it.
    PlanAndQueue(desktop, index, qname, parsed.Has("--prc"), held,
                 title ? QString::fromStdString(*title) : core::ProposedTitle(held.document, qname), held.bookmarks);
    return 0;
}

int CheckHandheldUser(const platform::TPalmDesktop& desktop, const std::string& user) {
    const int index = desktop.FindUser(platform::TruncateUserName(user));
    if (index < 0) throw CliError("no handheld user \"" + user + "\"; the users are " + UserList(desktop));
    return index;
}

void CheckHandheldUser(const std::string& user) { CheckHandheldUser(OpenDesktop(), user); }

void QueueForHandheld(const std::string& user, const std::string& name, bool prc, const HeldText& held,
                      const QString& title, const std::vector<core::EditorBookmark>& bookmarks) {
    const platform::TPalmDesktop desktop = OpenDesktop();
    const int index = CheckHandheldUser(desktop, user);
    PlanAndQueue(desktop, index, QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())), prc, held, title,
                 bookmarks);
}

int RunPalmDesktop(const Args& args) {
    // --user may be given many times; the shared parser keeps one value per option.
    std::vector<std::string> users;
    Args rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--") {
            rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
            break;
        }
        if (args[i] == "--user") {
            if (i + 1 >= args.size()) throw UsageError("option --user needs a value");
            users.push_back(args[++i]);
        } else if (args[i].rfind("--user=", 0) == 0) {
            users.push_back(args[i].substr(7));
        } else {
            rest.push_back(args[i]);
        }
    }
    const auto parsed = ParseArgs(rest, {}, {}, 2, 2);
    if (parsed.help) {
        std::fputs(kPalmDesktopHelp, stdout);
        return 0;
    }
    if (parsed.positional[0] != "init") throw UsageError("unknown action '" + parsed.positional[0] + "' (init is known)");
    if (users.empty()) throw UsageError("at least one --user NAME is needed");
    std::string registry;
    try {
        registry = platform::CreatePalmDesktop(parsed.positional[1], users);
    } catch (const std::exception& e) {
        throw CliError(e.what());
    }
    std::printf("export VERDANE_REGISTRY=%s\n", ShellWord(registry).c_str());
    return 0;
}

}  // namespace verdane::cli
