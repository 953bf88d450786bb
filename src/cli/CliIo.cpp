#include "CliIo.h"

#include "FileIo.h"
#include "KanjiCode.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <cstdint>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

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

bool ReadAll(int fd, std::string& out) {
    char buffer[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

bool WriteAll(int fd, std::string_view bytes) {
    // Moderate pieces: some kernels (gVisor among them) copy one huge write far
    // more slowly than the same bytes in 64 KB writes.
    constexpr std::size_t kPiece = 1u << 16;
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), std::min(bytes.size(), kPiece));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Reads a regular file's announced size at once into `out`, so that a large
// file costs one allocation and no copies; false on a read error.
bool ReadSized(int fd, struct stat& info, std::string& out) {
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) return true;
    const auto size = static_cast<std::size_t>(info.st_size);
    out.reserve(size);
    // Large memory pages for a large file: a few hundred page faults instead of
    // thousands. Only a hint, on the whole pages inside the buffer.
    constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
    const auto from = (reinterpret_cast<std::uintptr_t>(out.data()) + kHuge - 1) & ~(kHuge - 1);
    const auto to = (reinterpret_cast<std::uintptr_t>(out.data()) + size) & ~(kHuge - 1);
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
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

}  // namespace

std::string ReadInput(const std::string& path) {
    std::string data;
    if (path == "-") {
        if (!ReadAll(STDIN_FILENO, data)) throw CliError("cannot read standard input: " + SystemReason(errno));
        return data;
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw CliError("cannot open " + path + ": " + SystemReason(errno));
    // A regular file is read into one buffer of its size; whatever else (a
    // pipe, a device, a file still growing) is read on in pieces after it.
    struct stat info {};
    bool ok = ReadSized(fd, info, data) && ReadAll(fd, data);
    int error = errno;
    ::close(fd);
    if (!ok) throw CliError("cannot read " + path + ": " + SystemReason(error));
    return data;
}

void WriteOutput(const std::string& path, std::string_view bytes) {
    if (path == "-") {
        if (!WriteAll(STDOUT_FILENO, bytes)) throw CliError("cannot write standard output: " + SystemReason(errno));
        return;
    }
    try {
        platform::WriteFileAtomically(path, bytes);
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
