// The program's own folders, opened one level at a time with openat so that
// nothing between the check and the use can put a link in their place.
#include "OwnFolder.h"

#include "FileIo.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace verdane::platform {

namespace {

[[noreturn]] void Refuse(FileOp op, const std::string& path, int error, const std::string& why) {
    throw EFileError(op, path, error, "cannot use the folder " + path + ": " + why);
}

// The user's own location: made with each missing parent for its owner only,
// as the base directory specification asks of the state folder.
int OpenBase(const std::string& base) {
    for (std::size_t slash = base.find('/', 1);; slash = base.find('/', slash + 1)) {
        const std::string part = slash == std::string::npos ? base : base.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            Refuse(FileOp::CreateFolder, part, errno, std::strerror(errno));
        if (slash == std::string::npos) break;
    }
    const int fd = ::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) Refuse(FileOp::CreateFolder, base, errno, std::strerror(errno));
    return fd;
}

}  // namespace

OwnFolder OwnFolder::Open(const std::string& base, std::span<const std::string> parts) {
    int fd = OpenBase(base);
    std::string path = base;
    for (const std::string& part : parts) {
        const int above = fd;
        path += "/" + part;
        if (::mkdirat(above, part.c_str(), 0700) != 0 && errno != EEXIST) {
            const int error = errno;
            ::close(above);
            Refuse(FileOp::CreateFolder, path, error, std::strerror(error));
        }
        fd = ::openat(above, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int error = errno;
        struct stat info{};
        if (fd < 0) {
            const bool link = ::fstatat(above, part.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode);
            ::close(above);
            if (link) Refuse(FileOp::Link, path, ELOOP, "it is a symbolic link");
            Refuse(FileOp::CreateFolder, path, error, std::strerror(error));
        }
        ::close(above);
        if (::fstat(fd, &info) != 0 || info.st_uid != ::geteuid()) {
            ::close(fd);
            Refuse(FileOp::Foreign, path, EPERM, "it belongs to another user");
        }
        // What the folder holds is the user's alone: nobody else may list it.
        if ((info.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) != 0) {
            const int chmodError = errno;
            ::close(fd);
            Refuse(FileOp::CreateFolder, path, chmodError, std::strerror(chmodError));
        }
    }
    return OwnFolder(fd, std::move(path));
}

OwnFolder::OwnFolder(OwnFolder&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

OwnFolder& OwnFolder::operator=(OwnFolder&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

OwnFolder::~OwnFolder() {
    if (fd_ >= 0) ::close(fd_);
}

std::vector<std::string> OwnFolder::Names() const {
    std::vector<std::string> names;
    const int copy = ::dup(fd_);
    if (copy < 0) return names;
    DIR* dir = ::fdopendir(copy);
    if (!dir) {
        ::close(copy);
        return names;
    }
    // The duplicated descriptor shares its read position with the folder's own
    // descriptor, which may have been read before: start from the first entry.
    ::rewinddir(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    ::closedir(dir);
    return names;
}

std::optional<OwnFolder::File> OwnFolder::OpenFile(const std::string& name, std::optional<unsigned> mode) const {
    File file;
    file.fd = ::openat(fd_, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (file.fd < 0) return std::nullopt;
    if (::fstat(file.fd, &file.info) != 0 || !S_ISREG(file.info.st_mode) || file.info.st_uid != ::geteuid() ||
        (mode && (file.info.st_mode & 07777) != *mode)) {
        ::close(file.fd);
        return std::nullopt;
    }
    ::fcntl(file.fd, F_SETFL, ::fcntl(file.fd, F_GETFL) & ~O_NONBLOCK);
    return file;
}

void OwnFolder::Write(const std::string& name, std::span<const std::string_view> pieces, unsigned mode) const {
    WriteFileAtomicallyAt(fd_, path_, name, pieces, mode);
}

bool OwnFolder::Remove(const std::string& name) const { return ::unlinkat(fd_, name.c_str(), 0) == 0; }

}  // namespace verdane::platform
