// Access to the Palm Desktop software: its core folder, its handheld users and
// their install queues. One TUserData lives as long as the main window; the
// install commands use it. The work is done by the Palm Desktop layer of
// src/platform (PalmDesktop.h), which also documents the registry layout.
#pragma once

#include "PalmDesktop.h"
#include "RegistryFile.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace verdane {

// The Palm Desktop software cannot be used; the message says which part is missing
// ("Instaide.DLLが見つかりません"), Detail() says why in plain words (for example
// "the core folder /home/a/Palm does not exist").
class DllError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    DllError(const std::string& message, std::string detail) : std::runtime_error(message), detail_(std::move(detail)) {}
    const std::string& Detail() const { return detail_; }

private:
    std::string detail_;
};

class TUserData {
public:
    // Reads the desktop software's keys from `registry`. Throws DllError when the
    // software cannot be had:
    //   "CondMgr.DLLが見つかりません"  no Palm Desktop keys or no core path in the registry
    //                                (the condition manager is what names the core folder);
    //   "Instaide.DLLが見つかりません" the core path names no folder (the install queue
    //                                and its library live there);
    //   "UserData.DLLが見つかりません" the user list is damaged (a user without a name or
    //                                with a folder outside the core folder).
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

    // The install command's whole queueing step: the database bytes written as
    // `fileName` into a temporary folder, any file of that name removed from the
    // user's install folder, the file queued with InstallFile, the temporary
    // folder removed. Throws platform::EFileError (or std::out_of_range for an
    // index outside the list) with the reason, unlike InstallFile.
    void InstallDatabase(int index, const std::string& fileName, std::string_view database);

    const platform::TPalmDesktop& Desktop() const { return desktop_; }

    // Reads the registry file again when it changed on disk since it was read
    // (a user renamed, a folder moved), so an install goes where the desktop
    // software looks now. True when it was read again. Throws DllError, as
    // the constructor does, and keeps the desktop as it was.
    bool Reread();

private:
    platform::TPalmDesktop desktop_;
    std::string registryPath_;  // empty for a registry that was no file
    platform::FileIdentity registrySeen_;
};

}  // namespace verdane
