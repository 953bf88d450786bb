// Reading whole files and replacing files safely. Every save of the program (the
// editor's save and install commands, verdane-cli's outputs) goes through
// WriteFileAtomically, so a failed write never destroys the file it replaces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace verdane::platform {

// What was done to a file when it failed.
// NotRegular: a FIFO, a device, a socket or a folder where a regular file is
// expected (its kind in the message). Link and Foreign: a folder of the
// program's own that is a symbolic link or belongs to another user (see
// OwnFolder.h). Changed: a write's target is no longer what its plan saw
// (Error: EEXIST when it was absent then, 0 when it was another file or changed).
enum class FileOp { Open, Read, Shortened, Write, TooLarge, CreateFolder, TemporaryFolder, NotRegular, Link, Foreign, Changed, Other };

// A file could not be read or written. The message names the file and gives the
// system's reason, for example "cannot open /a/b.txt: Permission denied"; the
// operation, the path and the errno are kept apart for callers that say it in
// their own words.
struct EFileError : std::runtime_error {
    explicit EFileError(const std::string& message) : std::runtime_error(message) {}
    EFileError(FileOp op, std::string path, int error, const std::string& message)
        : std::runtime_error(message), Op(op), Path(std::move(path)), Error(error) {}
    FileOp Op = FileOp::Other;
    std::string Path;
    int Error = 0;
};

// The most bytes the program reads from any one input, whatever it is (a file,
// a pipe, a device): the largest text a DOC database holds (65,535 records of
// 4,096 bytes) with room for the database's own header and record list. Larger
// inputs could never be edited or saved; an endless one (/dev/zero) must not
// fill memory.
inline constexpr std::size_t kMaxInputSize = 65535ull * 4096 + (1u << 20);
// Why an input passing kMaxInputSize was refused, as a phrase:
// "larger than the 256 MB of text a DOC database holds".
std::string InputTooLargeReason();

enum class ReadEnd { Done, Failed, TooLarge };
// Appends what remains of the open file `fd` to `out`, stopping with TooLarge
// once more than kMaxInputSize bytes are there; Failed with errno set when a
// read failed. Interrupted reads are retried.
ReadEnd ReadToLimit(int fd, std::string& out);

// The whole file, read with one allocation of its size when it is a regular
// file; any other (a pipe, a device) is read up to kMaxInputSize. Throws
// EFileError ("cannot read /dev/zero: larger than ...").
std::string ReadWholeFile(const std::string& path);
// The same for the open file `fd` (closed here, whatever happens); `path`
// names it in a failure.
std::string ReadWholeFile(int fd, const std::string& path);
// The whole of a file that must be a regular one (a registry, a settings or a
// cache file): a FIFO, a device or a socket is refused with NotRegular before
// anything is read, so a FIFO without a writer never hangs the program.
std::string ReadRegularFile(const std::string& path);
// What kind of file `mode` (st_mode) gives, as a phrase: "a FIFO", "a folder".
std::string FileKindName(unsigned mode);

// Replaces the file at `path` with `bytes`: when `path` names (through links
// too) an existing file that is not a regular file (a device, a FIFO,
// /dev/stdout), it is opened and written as it is, never renamed over or
// removed. Otherwise a temporary file in the target's
// folder is written, synced and renamed over the target, then the folder is
// synced, so the old file stays whole until the new one is complete. A symbolic
// link is followed and its target replaced (the link stays). A replaced file
// keeps its permissions; a new file gets `mode` (0666, or 0600 for a file that
// is the user's alone) less the process's umask, which is never changed. A
// file without write permission (or without any write bit, also for the
// superuser) is refused with "Permission denied". Throws EFileError and leaves
// no temporary file behind.
void WriteFileAtomically(const std::string& path, std::string_view bytes, unsigned mode = 0666);
// The same with the file's bytes given in pieces, written one after the other
// (a database as its head and records), so they need not be joined first.
void WriteFileAtomically(const std::string& path, std::span<const std::string_view> pieces, unsigned mode = 0666);
// The same writer inside the open folder `folderFd` (named `folder` in
// failures), for the program's own folders: whatever is at `name` (a link
// too) is replaced as an entry of that folder and never followed, and the new
// file always gets `mode` less the umask.
void WriteFileAtomicallyAt(int folderFd, const std::string& folder, const std::string& name,
                           std::span<const std::string_view> pieces, unsigned mode);

// A file as a plan saw it: absent, or its device, inode, size and time of
// last change. Another file put in its place, or the file written meanwhile,
// has another identity.
struct FileIdentity {
    bool exists = false;
    unsigned long long device = 0, inode = 0;
    long long size = 0, modifiedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};
// The identity of the file `path` names (through links).
FileIdentity IdentityOf(const std::string& path);
// WriteFileAtomically that replaces only what the plan saw: when the target's
// identity is not `seen` (another program created, replaced or wrote it since),
// nothing is written and EFileError with FileOp::Changed is thrown.
void WriteFileAsPlanned(const std::string& path, std::span<const std::string_view> pieces, const FileIdentity& seen);

// A file written as its bytes come, replacing `path` only when Commit is
// called: the streaming form of WriteFileAtomically, with the same rules (a
// device or FIFO written as it is, a temporary file in the target's folder
// renamed over the target after a sync, the replaced file's permissions and
// links kept). A writer destroyed without Commit removes its temporary file
// and leaves the target as it was. Write and Commit throw EFileError.
class AtomicFileWriter {
public:
    // A new file gets `mode` less the umask, as WriteFileAtomically says.
    explicit AtomicFileWriter(const std::string& path, unsigned mode = 0666);
    // The form of WriteFileAtomicallyAt: `name` in the open folder `folderFd`
    // (named `folder` in failures), whatever is there replaced, never followed.
    AtomicFileWriter(int folderFd, const std::string& folder, const std::string& name, unsigned mode);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void Write(std::string_view bytes) { Write(std::span<const std::string_view>(&bytes, 1)); }
    void Write(std::span<const std::string_view> pieces);
    // With `seen`, the target is replaced only while it is still the file a
    // plan saw (Changed otherwise, the target left alone); a target that was
    // absent is never replaced, however late it appears (the rename refuses
    // an existing name).
    void Commit(const FileIdentity* seen = nullptr);

private:
    void Begin(unsigned mode, bool followed);
    void Start(unsigned mode, bool followed);
    void Abandon() noexcept;

    // The name shown in failures; the target's folder (open) and its name
    // there; the temporary file's name in that folder.
    std::string path_, name_, temp_;
    int dir_ = -1;
    int fd_ = -1;
    bool inPlace_ = false;
    std::uint64_t written_ = 0, flushed_ = 0;
};

// Makes the folder `path` and the folders above it that are missing. Throws
// EFileError (CreateFolder) naming the first folder that could not be made and
// the system's reason ("cannot create the folder /ro/Palm: Read-only file
// system"), or saying that a file of another kind is in the way.
void MakeFolders(const std::string& path);

// Whether `path` names (through links too) an existing file that is neither a
// regular file nor a folder: a device, a FIFO, a socket, /dev/stdout. Such a
// target is written as it is named (no extension added to its name).
bool IsSpecialFile(const std::string& path);

// Writes all of `pieces` to `fd` in order, several pieces per system call,
// retrying after interruptions. False, with errno set, when a write failed.
bool WritePieces(int fd, std::span<const std::string_view> pieces);

}  // namespace verdane::platform
