// The Palm Desktop software as this program sees it: its core folder, its
// handheld users and their install queues, read from the registry file. The
// install commands (through TUserData) and verdane-cli's install command use it.
//
// Registry layout, under the root "HKEY_CURRENT_USER\Software\U.S. Robotics", or
// "HKEY_CURRENT_USER\Software\Palm Computing" when the first key is missing:
//
//   [<root>\Pilot Desktop\Core]         "Path"="Palm"  (the core folder; relative
//                                        paths are taken against the file's folder)
//   [<root>\Pilot Desktop\Preferences]  "LastUserName"="Hanako"
//   [<root>\Pilot Desktop\Users\0]      "Name"="Hanako"
//                                       "UserID"=dword:00000002
//                                       "Directory"="Hanako"  (below the core folder)
//   [<root>\Pilot Desktop\Users\1]      ...
//
// The users are the numbered subkeys of "Users" in the order of their numbers
// (gaps allowed); other subkeys are ignored. A file queued for a user is copied
// into <core>/<Directory>/Install/, where the desktop software takes it from at
// the next synchronisation.
#pragma once

#include "RegistryFile.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace verdane::platform {

// Which part of the desktop software is missing.
enum class PalmDesktopPart {
    CoreFolder,  // no core path in the registry (the condition manager's answer)
    InstallQueue,  // the core path names no folder (where the install aide lives)
    UserList,    // the user list cannot be read
};

// The desktop software cannot be used; what() says why in plain words.
class EPalmDesktop : public std::runtime_error {
public:
    EPalmDesktop(PalmDesktopPart part, const std::string& why) : std::runtime_error(why), part_(part) {}
    PalmDesktopPart Part() const { return part_; }

private:
    PalmDesktopPart part_;
};

struct PalmUser {
    std::string name;       // UTF-8, at most kMaxUserNameBytes in CP932
    std::uint32_t id = 0;   // 0 when the registry gives none
    std::string directory;  // folder below the core folder, UTF-8
};

// A user name holds at most 32 bytes in CP932, as the handheld stores it.
inline constexpr std::size_t kMaxUserNameBytes = 32;
// The user count is a byte: users past the 255th are not offered.
inline constexpr std::size_t kMaxUsers = 255;

// The first of the two registry roots that exists, or empty when neither does
// (the desktop software is not installed; the program does not start).
std::string PalmRootKey(const TRegistryFile& registry);

class TPalmDesktop {
public:
    // Reads the core path, the users and the last user. Throws EPalmDesktop.
    explicit TPalmDesktop(const TRegistryFile& registry);

    const std::string& CorePath() const { return corePath_; }  // absolute, no trailing "/"
    const std::vector<PalmUser>& Users() const { return users_; }
    const std::string& LastUserName() const { return lastUserName_; }
    // The index of the user whose name is exactly `name`, or -1.
    int FindUser(std::string_view name) const;
    // <core>/<user folder>/Install, or empty for an index outside the list.
    std::string InstallDirectory(int index) const;

private:
    std::string corePath_;
    std::vector<PalmUser> users_;
    std::string lastUserName_;
};

// A user name as the desktop keeps it: cut at a NUL and to kMaxUserNameBytes of
// CP932 (whole characters; one that CP932 lacks counts one byte, as its "?").
std::string TruncateUserName(std::string_view utf8);

// A new desktop is made by CreatePalmDesktop (PalmDesktopSetup.h).

}  // namespace verdane::platform
