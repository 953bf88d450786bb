// Access to the Palm Desktop software: its core folder, its handheld users and
// their install queues. One TUserData lives as long as the main window; the
// install commands use it.
#pragma once

#include "RegistryFile.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace verdane {

// The Palm Desktop software cannot be used; the message says which part is missing
// ("Instaide.DLLが見つかりません").
class DllError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TUserData {
public:
    // Reads the desktop software's keys from `registry`. Throws DllError when the
    // software cannot be had (for example its core folder does not exist).
    explicit TUserData(const platform::TRegistryFile& registry);

    const std::string& GetCorePath() const;  // absolute, UTF-8, without trailing "/"
    int GetUserCount() const;                // 0..255
    std::string GetUserName(int index) const;        // empty for an index outside the list
    std::string GetUserDirectory(int index) const;   // the user's folder below the core path
    int GetLastUserIndex() const;            // the index of the last user named in the registry, or -1
    // Queues a file for the user's next synchronisation. True on success.
    bool InstallFile(int index, const std::string& filePath);
    // The user's install folder: core path, user folder, "Install".
    std::string InstallDirectory(int index) const;

private:
    // Filled by the constructor; see UserData.cpp.
    struct User {
        std::string name;
        std::uint32_t id = 0;
        std::string directory;
    };
    std::string corePath_;
    std::vector<User> users_;
    std::string lastUserName_;
};

}  // namespace verdane
