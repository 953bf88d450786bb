#include "FileIo.h"

#include "LargeBuffer.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <utility>

namespace verdane::platform {

namespace {

std::string Reason(int error) { return std::strerror(error); }

[[noreturn]] void FailChanged(const std::string& path, bool created) {
    throw EFileError(FileOp::Changed, path, created ? EEXIST : 0,
                     "cannot write " + path + ": another program " + (created ? "created" : "changed") +
                         " it meanwhile");
}

FileIdentity IdentityOfStat(const struct stat& st) {
    return {true, static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino),
            static_cast<long long>(st.st_size), st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
}

[[noreturn]] void Fail(FileOp op, const std::string& path, int error) {
    const char* what = op == FileOp::Open ? "cannot open" : op == FileOp::Read ? "cannot read" : "cannot write";
    throw EFileError(op, path, error, what + (" " + path + ": " + Reason(error)));
}

// The file a save must replace: the path itself, or the final target of a chain
// of symbolic links (a relative link is read against the link's folder).
std::string ResolveLinks(const std::string& path) {
    std::string current = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st{};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n < 0) return current;
        target.resize(static_cast<std::size_t>(n));
        if (target.empty() || target[0] != '/') {
            const auto slash = current.rfind('/');
            if (slash != std::string::npos) target = current.substr(0, slash + 1) + target;
        }
        current = target;
    }
    Fail(FileOp::Write, path, ELOOP);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string InputTooLargeReason() { return "larger than the 256 MB of text a DOC database holds"; }

ReadEnd ReadToLimit(int fd, std::string& out) {
    constexpr std::size_t kStep = std::size_t{1} << 16, kMostPerRead = std::size_t{1} << 20;
    for (;;) {
        // Doubling room once it is full, so a long pipe costs a few copies, not
        // one per read; never more than one byte past the limit, which tells
        // that the input passed it.
        if (out.size() == out.capacity())
            ReserveLarge(out, std::min(std::max(out.size() + kStep, 2 * out.capacity()), kMaxInputSize + 1));
        const std::size_t room = std::min({out.capacity(), kMaxInputSize + 1, out.size() + kMostPerRead}) - out.size();
        if (room == 0) return ReadEnd::TooLarge;
        const std::size_t used = out.size();
        out.resize(used + room);
        const ssize_t n = ::read(fd, out.data() + used, room);
        out.resize(used + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        if (n == 0) return ReadEnd::Done;
        if (n < 0) {
            if (errno == EINTR) continue;
            return ReadEnd::Failed;
        }
        if (out.size() > kMaxInputSize) return ReadEnd::TooLarge;
    }
}

std::string ReadWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail(FileOp::Open, path, errno);
    return ReadWholeFile(fd, path);
}

std::string ReadWholeFile(int fd, const std::string& path) {
    struct stat st{};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        Fail(FileOp::Read, path, error);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        Fail(FileOp::Read, path, EISDIR);
    }
    std::string data;
    ReadEnd end = ReadEnd::TooLarge;
    if (!S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) <= kMaxInputSize) {
        // A regular file gets its size and one byte more at once: that read
        // of nothing tells the end without growing the buffer.
        if (S_ISREG(st.st_mode)) data.reserve(static_cast<std::size_t>(st.st_size) + 1);
        end = ReadToLimit(fd, data);
    }
    const int error = errno;
    ::close(fd);
    if (end == ReadEnd::Failed) Fail(FileOp::Read, path, error);
    if (end == ReadEnd::TooLarge) throw EFileError(FileOp::TooLarge, path, EFBIG, "cannot read " + path + ": " + InputTooLargeReason());
    // Another program cut the file short while it was read: what was read is
    // not the file.
    if (S_ISREG(st.st_mode) && data.size() < static_cast<std::uint64_t>(st.st_size))
        throw EFileError(FileOp::Shortened, path, 0, path + " was shortened while it was read");
    return data;
}

std::string FileKindName(unsigned mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISLNK(mode)) return "a symbolic link";
    return "not a regular file";
}

std::string ReadRegularFile(const std::string& path) {
    // Opening a FIFO waits for its writer unless it is opened without waiting.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) Fail(FileOp::Open, path, errno);
    struct stat st{};
    if (::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw EFileError(FileOp::NotRegular, path, EINVAL,
                         "cannot read " + path + ": it is " + FileKindName(st.st_mode) + ", not a regular file");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return ReadWholeFile(fd, path);
}

bool WritePieces(int fd, std::span<const std::string_view> pieces) {
    // At most 1 MB per call: some kernels copy one huge write far more slowly
    // than the same bytes in moderate writes.
    constexpr std::size_t kMaxBytes = std::size_t{1} << 20;
    std::array<iovec, IOV_MAX> batch;
    std::size_t k = 0, offset = 0;  // the first byte not yet written: pieces[k][offset]
    for (;;) {
        while (k < pieces.size() && offset == pieces[k].size()) {
            ++k;
            offset = 0;
        }
        if (k == pieces.size()) return true;
        int count = 0;
        std::size_t bytes = 0;
        for (std::size_t j = k, from = offset; j < pieces.size() && count < IOV_MAX && bytes < kMaxBytes;
             ++j, from = 0) {
            const std::size_t length = std::min(pieces[j].size() - from, kMaxBytes - bytes);
            if (length == 0) continue;
            batch[count++] = {const_cast<char*>(pieces[j].data() + from), length};
            bytes += length;
        }
        ssize_t n = ::writev(fd, batch.data(), count);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        for (auto done = static_cast<std::size_t>(n); done > 0;) {
            const std::size_t step = std::min(done, pieces[k].size() - offset);
            offset += step;
            done -= step;
            if (offset == pieces[k].size()) {
                ++k;
                offset = 0;
            }
        }
    }
}

bool IsSpecialFile(const std::string& path) {
    // stat follows every link, the kernel's own ones under /proc too
    // (/dev/stdout names whatever the standard output is).
    struct stat existing{};
    return ::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode) && !S_ISDIR(existing.st_mode);
}

void WriteFileAtomically(const std::string& path, std::string_view bytes, unsigned mode) {
    WriteFileAtomically(path, std::span<const std::string_view>(&bytes, 1), mode);
}

void WriteFileAtomically(const std::string& path, std::span<const std::string_view> pieces, unsigned mode) {
    AtomicFileWriter writer(path, mode);
    writer.Write(pieces);
    writer.Commit();
}

FileIdentity IdentityOf(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 ? IdentityOfStat(st) : FileIdentity{};
}

void WriteFileAsPlanned(const std::string& path, std::span<const std::string_view> pieces, const FileIdentity& seen) {
    if (IdentityOf(path) != seen) FailChanged(path, !seen.exists);
    AtomicFileWriter writer(path);
    writer.Write(pieces);
    writer.Commit(&seen);
}

void WriteFileAtomicallyAt(int folderFd, const std::string& folder, const std::string& name,
                           std::span<const std::string_view> pieces, unsigned mode) {
    AtomicFileWriter writer(folderFd, folder, name, mode);
    writer.Write(pieces);
    writer.Commit();
}

AtomicFileWriter::AtomicFileWriter(const std::string& path, unsigned mode) : path_(path) {
    if (path.empty()) Fail(FileOp::Write, "\"\"", ENOENT);
    // A device, a FIFO or a terminal is written as it is: renaming a file over
    // it would put a plain file in the place of /dev/null or of a pipe's reader.
    if (IsSpecialFile(path)) {
        inPlace_ = true;
        fd_ = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) Fail(FileOp::Write, path, errno);
        return;
    }
    const std::string target = ResolveLinks(path);
    const std::string folder = FolderOf(target);
    const auto slash = target.rfind('/');
    name_ = slash == std::string::npos ? target : target.substr(slash + 1);
    // A folder the user may write in but not list is opened as a path only.
    dir_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_ < 0 && errno == EACCES) dir_ = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dir_ < 0) Fail(FileOp::Write, path, errno);
    Begin(mode, true);
}

AtomicFileWriter::AtomicFileWriter(int folderFd, const std::string& folder, const std::string& name, unsigned mode)
    : path_(folder + "/" + name), name_(name) {
    dir_ = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    if (dir_ < 0) Fail(FileOp::Write, path_, errno);
    Begin(mode, false);
}

void AtomicFileWriter::Begin(unsigned mode, bool followed) {
    // A constructor that throws has no destructor run: the folder closes here.
    try {
        Start(mode, followed);
    } catch (...) {
        ::close(dir_);
        dir_ = -1;
        throw;
    }
}

void AtomicFileWriter::Start(unsigned mode, bool followed) {
    // The target as an entry of its folder: a link at `name_` was followed
    // already when `followed`; otherwise it is replaced, never followed.
    struct stat old{};
    const bool present = ::fstatat(dir_, name_.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (present && S_ISDIR(old.st_mode)) Fail(FileOp::Write, path_, EISDIR);
    const bool replacing = followed && present && S_ISREG(old.st_mode);
    // The rename would replace a read-only file as long as its folder is writable;
    // a file marked read-only (no write bit at all) is kept as its owner asked.
    // The system's own reason is given: a read-only mount (EROFS) is no
    // missing permission.
    if (replacing && ::faccessat(dir_, name_.c_str(), W_OK, 0) != 0) Fail(FileOp::Write, path_, errno);
    if (replacing && (old.st_mode & 0222) == 0) Fail(FileOp::Write, path_, EACCES);

    // A new name created exclusively with `mode`, so the umask applies as for
    // any new file without the process-wide mask being read or changed.
    std::mt19937_64 random(std::random_device{}());
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, ".verdane-%012llx",
                      static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
        temp_ = name;
        fd_ = ::openat(dir_, temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode & 07777);
        if (fd_ < 0 && errno != EEXIST) {
            temp_.clear();
            Fail(FileOp::Write, path_, errno);
        }
    }
    if (fd_ < 0) {
        temp_.clear();
        Fail(FileOp::Write, path_, EEXIST);
    }
    if (replacing) {
        // Keep the replaced file's owner where allowed (a file of another user
        // stays with its group at least), and its permissions.
        if (::fchown(fd_, old.st_uid, old.st_gid) != 0 && ::fchown(fd_, static_cast<uid_t>(-1), old.st_gid) != 0) {
        }
        if (::fchmod(fd_, old.st_mode & 07777) != 0) {
            const int error = errno;
            Abandon();
            Fail(FileOp::Write, path_, error);
        }
    }
}

AtomicFileWriter::~AtomicFileWriter() {
    Abandon();
    if (dir_ >= 0) ::close(dir_);
}

void AtomicFileWriter::Abandon() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!inPlace_ && !temp_.empty()) ::unlinkat(dir_, temp_.c_str(), 0);
    temp_.clear();
}

void AtomicFileWriter::Write(std::span<const std::string_view> pieces) {
    if (fd_ < 0) Fail(FileOp::Write, path_, EBADF);
    if (!WritePieces(fd_, pieces)) {
        const int error = errno;
        Abandon();
        Fail(FileOp::Write, path_, error);
    }
    for (const std::string_view piece : pieces) written_ += piece.size();
    // A file that comes in pieces goes to the disk while the rest comes, so
    // the sync before the rename has little left to wait for.
    constexpr std::uint64_t kFlushStep = std::uint64_t{8} << 20;
    if (!inPlace_ && written_ - flushed_ >= kFlushStep) {
        ::sync_file_range(fd_, static_cast<off_t>(flushed_), static_cast<off_t>(written_ - flushed_), SYNC_FILE_RANGE_WRITE);
        flushed_ = written_;
    }
}

void AtomicFileWriter::Commit(const FileIdentity* seen) {
    if (fd_ < 0) Fail(FileOp::Write, path_, EBADF);
    const int fd = std::exchange(fd_, -1);
    if (inPlace_) {
        if (::close(fd) != 0 && errno != EINTR) Fail(FileOp::Write, path_, errno);
        return;
    }
    int error = 0;
    bool ok = ::fsync(fd) == 0;
    if (!ok) error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    bool changed = false;
    struct stat now{};
    if (ok && seen && !seen->exists) {
        // Atomically: a file created by now is never replaced.
        if (::renameat2(dir_, temp_.c_str(), dir_, name_.c_str(), RENAME_NOREPLACE) != 0) {
            error = errno;
            changed = error == EEXIST;
            if (error == EINVAL || error == ENOSYS) {
                // A file system without the flag: looked at once more just before.
                changed = ::fstatat(dir_, name_.c_str(), &now, 0) == 0;
                if (!changed && ::renameat(dir_, temp_.c_str(), dir_, name_.c_str()) != 0) ok = false, error = errno;
            } else if (!changed) {
                ok = false;
            }
        }
    } else if (ok && seen && (::fstatat(dir_, name_.c_str(), &now, 0) != 0 || IdentityOfStat(now) != *seen)) {
        changed = true;
    } else if (ok && ::renameat(dir_, temp_.c_str(), dir_, name_.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (changed) {
        Abandon();
        FailChanged(path_, !seen->exists);
    }
    if (!ok) {
        Abandon();
        Fail(FileOp::Write, path_, error);
    }
    temp_.clear();
    // A folder opened as a path only cannot be synced; the file itself was.
    if (::fsync(dir_) != 0 && errno != EINVAL && errno != EBADF) Fail(FileOp::Write, path_, errno);
}

void MakeFolders(const std::string& path) {
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string folder = path.substr(0, end);
        if (!folder.empty() && ::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
            const int error = errno;
            throw EFileError(FileOp::CreateFolder, folder, error,
                             "cannot create the folder " + folder + ": " + std::strerror(error));
        }
        if (end == std::string::npos) break;
    }
    struct stat st {};
    const int error = ::stat(path.c_str(), &st) != 0 ? errno : S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    if (error != 0)
        throw EFileError(FileOp::CreateFolder, path, error, "cannot create the folder " + path + ": " + std::strerror(error));
}

}  // namespace verdane::platform
