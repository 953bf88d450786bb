// The program's own folders (the state and recovery folders, the catalogue
// cache): made and opened without following links, checked to belong to the
// user, and used only through the open folder, so no link or folder planted
// by someone else ever receives the user's snapshots or a cache. Used by the
// window's recovery and by the Aozora catalogue's cache.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace verdane::platform {

class OwnFolder {
public:
    // Opens `base`/`parts`[0]/`parts`[1]/...: `base` is the user's own
    // location (reached through links as any path, made with its missing
    // parents for its owner only); each of `parts` below it is made when
    // missing (0700) and opened without following a link, and must be a
    // folder that belongs to this user; it is then made readable by its owner
    // only. Throws EFileError: Link for a symbolic link, Foreign for a folder
    // of another user, CreateFolder with the system's reason otherwise. Nothing
    // of another user's is ever changed.
    static OwnFolder Open(const std::string& base, std::span<const std::string> parts);

    OwnFolder(OwnFolder&& other) noexcept;
    OwnFolder& operator=(OwnFolder&& other) noexcept;
    ~OwnFolder();

    const std::string& Path() const { return path_; }
    int Fd() const { return fd_; }

    // The names of the entries in the folder (not "." and "..").
    std::vector<std::string> Names() const;

    // A file of the folder opened for reading as it is (never through a link,
    // never waiting on a FIFO), when it is a regular file that belongs to this
    // user and, when `mode` is given, has exactly those permission bits;
    // otherwise nothing. The caller owns the descriptor.
    struct File {
        int fd = -1;
        struct stat info{};
    };
    std::optional<File> OpenFile(const std::string& name, std::optional<unsigned> mode = std::nullopt) const;

    // Replaces `name` by `pieces` through the atomic writer, the new file
    // getting `mode` less the umask; a link at `name` is replaced, not
    // followed. Throws EFileError.
    void Write(const std::string& name, std::span<const std::string_view> pieces, unsigned mode) const;
    // Removes the entry `name` (a link itself, never its target); false when
    // it could not.
    bool Remove(const std::string& name) const;

private:
    OwnFolder(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    int fd_ = -1;
    std::string path_;
};

}  // namespace verdane::platform
