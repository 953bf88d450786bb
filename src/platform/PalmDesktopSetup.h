// Making a new Palm Desktop: a core folder with an install folder per handheld
// user, and the registry file that describes it. verdane-cli palm-desktop init
// and the window's first start both make theirs here.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace verdane::platform {

// Why a desktop cannot be made from what was given.
enum class PalmSetupFault {
    None,
    NoUser,            // no user name at all
    TooManyUsers,      // more than kMaxUsers
    EmptyName,         // a user name that is empty (or starts with a NUL)
    ControlCharacter,  // a user name holds a control character (a line end, a tab, ESC, ...)
    RepeatedName,      // two users of the same name (as the desktop keeps it)
    FolderPath,        // the folder's path holds a control character, or is empty
    RegistryExists,    // the registry file is already there; it is never replaced
};

// The desktop cannot be made; what() says why in English, with control
// characters shown escaped. Fault() and Subject() (the user name or the path it
// is about, as given) let a window say it in its own words.
class EPalmDesktopSetup : public std::invalid_argument {
public:
    EPalmDesktopSetup(PalmSetupFault fault, std::string subject);
    PalmSetupFault Fault() const { return fault_; }
    const std::string& Subject() const { return subject_; }

private:
    PalmSetupFault fault_;
    std::string subject_;
};

// Whether `utf8` can name a handheld user: None, EmptyName or ControlCharacter
// (C0 and C1 controls and DEL, anywhere in the name).
PalmSetupFault CheckPalmUserName(std::string_view utf8);

// Text shown to people with its control characters escaped ("\n", "\t",
// "\x1b", "\u0085"), so a name never moves the cursor of a terminal or splits a
// message's line.
std::string EscapeControlCharacters(std::string_view utf8);

// Makes a desktop in `dir` (created when missing): the core folder dir/Palm and
// dir/Palm/<folder>/Install for each user, the folder being the user's name
// made safe as a file name (separators and control characters "_", no leading
// ".", distinct without regard to case). Then writes the registry file at
// `registryPath` (dir/registry.reg when empty; its folder is made when missing)
// with the core folder's absolute path, so the file works wherever it is
// copied. The first user is the one chosen first. Names are kept as the
// desktop keeps them (TruncateUserName). Nothing is made when a name, the path
// or an existing registry file is refused. Returns the registry file's
// absolute path. Throws EPalmDesktopSetup, or EFileError when a folder or the
// file cannot be written.
std::string CreatePalmDesktop(const std::string& dir, const std::vector<std::string>& userNames,
                              const std::string& registryPath = {});

}  // namespace verdane::platform
