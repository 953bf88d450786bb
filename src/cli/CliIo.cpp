#include "CliIo.h"
#include "TextBytes.h"

#include "FileIo.h"
#include "KanjiCode.h"
#include "LargeBuffer.h"
#include "ReadText.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace verdane::cli {

const std::string* ParsedArgs::Value(const std::string& option) const {
    auto it = values.find(option);
    return it == values.end() ? nullptr : &it->second;
}

ParsedArgs ParseArgs(const std::vector<std::string>& args, const std::set<std::string>& flagNames,
                     const std::set<std::string>& valueNames, std::size_t minPositional,
                     std::size_t maxPositional) {
    ParsedArgs parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg == "-" || arg.rfind("-", 0) != 0) {
            parsed.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            parsed.help = true;
            continue;
        }
        std::string name = arg;
        std::string value;
        bool hasInlineValue = false;
        if (auto eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            hasInlineValue = true;
        }
        if (flagNames.count(name) && !hasInlineValue) {
            parsed.flags.insert(name);
        } else if (valueNames.count(name)) {
            if (!hasInlineValue) {
                if (i + 1 >= args.size()) throw UsageError("option " + name + " needs a value");
                value = args[++i];
            }
            parsed.values[name] = value;
        } else {
            throw UsageError("unknown option " + arg);
        }
    }
    if (parsed.help) return parsed;
    if (parsed.positional.size() < minPositional) throw UsageError("missing argument");
    if (parsed.positional.size() > maxPositional) throw UsageError("too many arguments");
    return parsed;
}

namespace {

std::string SystemReason(int error) { return std::strerror(error); }

// Reads to the end, or to the program's input limit (an endless device or
// pipe must not fill memory): false with errno set on a read error; throws
// CliError naming `name` when the input passed the limit. Leaves `fd` open.
bool ReadAll(int fd, std::string& out, const std::string& name) {
    const platform::ReadEnd end = platform::ReadToLimit(fd, out);
    if (end == platform::ReadEnd::TooLarge)
        throw CliError("cannot read " + name + ": " + platform::InputTooLargeReason());
    return end == platform::ReadEnd::Done;
}

void RefuseTooLarge(const struct stat& info, const std::string& name) {
    if (S_ISREG(info.st_mode) && static_cast<std::uint64_t>(info.st_size) > platform::kMaxInputSize) {
        throw CliError("cannot read " + name + ": " + platform::InputTooLargeReason());
    }
}

// Reads a regular file's announced size at once into `out`, so that a large
// file costs one allocation and no copies; false on a read error.
bool ReadSized(int fd, struct stat& info, std::string& out, const std::string& name) {
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) return true;
    RefuseTooLarge(info, name);
    const auto size = static_cast<std::size_t>(info.st_size);
    ReserveLarge(out, size);
    out.resize(size);
    std::size_t got = 0;
    while (got < out.size()) {
        const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n == 0) break;  // the file shrank meanwhile
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        got += static_cast<std::size_t>(n);
    }
    out.resize(got);
    return true;
}

// The rest of an open file read into memory, closing it: a regular file in one
// buffer of its size, whatever else (a pipe, a device, a file still growing)
// in pieces after it.
std::string ReadOpenFile(int fd, const std::string& path) {
    std::string data;
    struct stat info {};
    bool ok = false;
    try {
        ok = ReadSized(fd, info, data, path) && ReadAll(fd, data, path);
    } catch (const CliError&) {
        ::close(fd);
        throw;
    }
    int error = errno;
    ::close(fd);
    if (!ok) throw CliError("cannot read " + path + ": " + SystemReason(error));
    return data;
}

int OpenForReading(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw CliError("cannot open " + path + ": " + SystemReason(errno));
    return fd;
}

std::string commandName;

// The one mapping a bus error may come from, and what to say then. The handler
// reads them, so they are plain atomics and a fixed buffer.
std::atomic<std::uintptr_t> guardedBegin{0}, guardedEnd{0};
char shortenedMessage[512];
std::atomic<std::size_t> shortenedMessageLength{0};

// Another process shortened the mapped file: its lost pages raise SIGBUS when
// the program reads them. Say so and end. The commands read their input before
// they open an output; what they write straight from the mapping is copied by
// the kernel, for which a lost page is a failed write (a bad address), so the
// temporary output file is removed and the target never replaced. A bus error
// elsewhere takes the default action when the faulting access is retried.
void OnBusError(int, siginfo_t* info, void*) {
    const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
    if (at >= guardedBegin.load() && at < guardedEnd.load()) {
        [[maybe_unused]] auto written = ::write(STDERR_FILENO, shortenedMessage, shortenedMessageLength.load());
        ::_exit(1);
    }
    ::signal(SIGBUS, SIG_DFL);
}

void GuardMapping(const void* data, std::size_t size, const std::string& name) {
    static const bool installed = [] {
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        return ::sigaction(SIGBUS, &action, nullptr) == 0;
    }();
    (void)installed;
    guardedEnd = 0;
    const std::string message = "verdane-cli " + commandName + ": " + name + " was shortened while it was read\n";
    const std::size_t length = std::min(message.size(), sizeof shortenedMessage);
    std::memcpy(shortenedMessage, message.data(), length);
    shortenedMessageLength = length;
    guardedBegin = reinterpret_cast<std::uintptr_t>(data);
    guardedEnd = reinterpret_cast<std::uintptr_t>(data) + size;
}

}  // namespace

std::string ReadInput(const std::string& path) {
    if (path == "-") {
        std::string data;
        if (!ReadAll(STDIN_FILENO, data, "standard input")) throw CliError("cannot read standard input: " + SystemReason(errno));
        return data;
    }
    return ReadOpenFile(OpenForReading(path), path);
}

void SetCommandName(std::string_view command) { commandName = command; }

const std::string& CommandName() { return commandName; }

namespace {

// A code point in UTF-8, for the terminal.
std::string Utf8Of(char32_t cp) {
    std::string out;
    AppendUtf8(out, cp);
    return out;
}

}  // namespace

std::string ReplacementReport(std::string_view text, const std::vector<KanjiReplacement>& replaced) {
    constexpr std::size_t kListed = 100;
    const std::size_t count = replaced.size();
    if (count == 0) return {};
    std::string report = "verdane-cli " + commandName + ": replaced " + std::to_string(count) +
                         (count == 1 ? " character" : " characters") + " that Shift-JIS cannot hold:\n";
    std::size_t line = 1, at = 0;
    for (std::size_t i = 0; i < count && i < kListed; ++i) {
        const KanjiReplacement& r = replaced[i];
        for (; at < r.offset && at < text.size(); ++at) line += text[at] == '\n';
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(r.codePoint));
        report += "  line " + std::to_string(line) + ": ";
        // U+FFFD: damaged bytes, or a code no character set here names.
        report += r.codePoint == 0xFFFD ? std::string("an unknown character") : code + (" " + Utf8Of(r.codePoint));
        if (r.writtenAs.size() != 0) {
            report += " as \"";
            for (std::size_t c = 0; c < r.writtenAs.size(); ++c) report += Utf8Of(r.writtenAs.chars[c]);
            report += '"';
        }
        report += '\n';
    }
    if (count > kListed) report += "  and " + std::to_string(count - kListed) + " more\n";
    return report;
}

MappedFile::MappedFile(int fd, std::size_t size, const std::string& name) : size_(size), fd_(fd) {
    void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (data == MAP_FAILED) {
        const int error = errno;
        ::close(fd);
        throw CliError("cannot read " + name + ": " + SystemReason(error));
    }
    data_ = data;
    GuardMapping(data_, size_, name);
}

MappedFile::~MappedFile() { Unmap(); }

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      fd_(std::exchange(other.fd_, -1)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        Unmap();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void MappedFile::Unmap() noexcept {
    if (data_) {
        if (guardedBegin.load() == reinterpret_cast<std::uintptr_t>(data_)) guardedEnd = 0;
        ::munmap(data_, size_);
    }
    if (fd_ >= 0) ::close(fd_);
    data_ = nullptr;
    size_ = 0;
    fd_ = -1;
}

bool MappedFile::Shortened() const {
    struct stat info {};
    return data_ && ::fstat(fd_, &info) == 0 && static_cast<std::uint64_t>(info.st_size) < size_;
}

void InputBytes::Release() {
    mapped_ = MappedFile();
    std::string().swap(read_);
}

void InputBytes::ThrowIfShortened(const std::string& name) const {
    if (mapped_.Shortened()) throw CliError(name + " was shortened while it was read");
}

InputBytes OpenInput(const std::string& path) {
    InputBytes input;
    if (path == "-") {
        input.read_ = ReadInput(path);
        return input;
    }
    const int fd = OpenForReading(path);
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<std::uint64_t>(info.st_size) > platform::kMaxInputSize) {
        ::close(fd);
        RefuseTooLarge(info, path);
    }
    if (S_ISREG(info.st_mode) && info.st_size > 0)
        input.mapped_ = MappedFile(fd, static_cast<std::size_t>(info.st_size), path);
    else
        input.read_ = ReadOpenFile(fd, path);
    return input;
}

void WriteOutput(const std::string& path, std::string_view bytes) {
    WriteOutput(path, std::span<const std::string_view>(&bytes, 1));
}

void WriteOutput(const std::string& path, std::span<const std::string_view> pieces) {
    if (path == "-") {
        if (!platform::WritePieces(STDOUT_FILENO, pieces))
            throw CliError("cannot write standard output: " + SystemReason(errno));
        return;
    }
    try {
        // A file another program puts at OUT while this one is written is not replaced unseen.
        platform::WriteFileAsPlanned(path, pieces, platform::IdentityOf(path));
    } catch (const platform::EFileError& e) {
        throw CliError(e.what());
    }
}

std::string BaseNameWithoutExtension(const std::string& path) {
    std::string name = path;
    if (auto slash = name.rfind('/'); slash != std::string::npos) name = name.substr(slash + 1);
    if (auto dot = name.rfind('.'); dot != std::string::npos && dot != 0) name = name.substr(0, dot);
    return name;
}

std::string TerminalToCp932(std::string_view utf8) { return Utf8ToCp932(utf8); }

}  // namespace verdane::cli
