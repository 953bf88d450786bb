// Shared plumbing of verdane-cli's commands: argument parsing, reading input
// files or standard input (a regular file mapped rather than copied), writing
// output files atomically, and the two kinds of failure (bad usage exits 2, a
// failed conversion exits 1).
#pragma once

#include <map>
#include <optional>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace verdane {
struct KanjiReplacement;
}

namespace verdane::cli {

// Bad usage: unknown option, missing argument. Exit code 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The command could not do its work (missing file, not a DOC database, full
// disk, failed download). Exit code 1; the message is printed as one line.
struct CliError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct ParsedArgs {
    std::set<std::string> flags;                 // given flags, e.g. "--prc"
    std::map<std::string, std::string> values;   // options with a value, e.g. "--title"
    std::vector<std::string> positional;
    bool help = false;

    bool Has(const std::string& flag) const { return flags.count(flag) != 0; }
    const std::string* Value(const std::string& option) const;
};

// Parses `args` against the known flags and value options. "--opt=value" and
// "--opt value" are both accepted; "-" is a positional argument (a standard
// stream); "--" ends the options. Throws UsageError on anything unknown and when
// the number of positional arguments lies outside [minPositional, maxPositional].
ParsedArgs ParseArgs(const std::vector<std::string>& args, const std::set<std::string>& flagNames,
                     const std::set<std::string>& valueNames, std::size_t minPositional,
                     std::size_t maxPositional);

// Reads a whole file, or standard input for "-". Throws CliError naming the file
// and the system's reason.
std::string ReadInput(const std::string& path);

// The command being run, for the messages that cannot be thrown (see MappedFile).
void SetCommandName(std::string_view command);
const std::string& CommandName();

// What the conversion of `text` to Shift-JIS had to replace, for standard
// error: "verdane-cli COMMAND: replaced N characters that Shift-JIS cannot
// hold:", then one line per character (the first 100 of them) with its line in
// `text` and its code point. Empty when nothing was replaced.
std::string ReplacementReport(std::string_view text, const std::vector<KanjiReplacement>& replaced);
// A regular file mapped read-only, its pages loaded at once, for as long as the
// object lives. While it is mapped, a bus error on its pages (another process
// shortened the file) ends the program with exit code 1 and the line
// "verdane-cli COMMAND: NAME was shortened while it was read" instead of a crash.
class MappedFile {
public:
    MappedFile() = default;
    // Maps the `size` bytes (more than 0) of the regular file open at `fd`,
    // which the object then owns; `name` is the file's name in messages.
    // Throws CliError with the system's reason.
    MappedFile(int fd, std::size_t size, const std::string& name);
    ~MappedFile();
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;

    std::string_view Bytes() const { return {static_cast<const char*>(data_), size_}; }
    // True when the file is now shorter than what was mapped.
    bool Shortened() const;

private:
    void Unmap() noexcept;

    void* data_ = nullptr;
    std::size_t size_ = 0;
    int fd_ = -1;
};

// The bytes of an input without a copy where possible: a regular file of some
// size is mapped; standard input, pipes, devices and empty files are read.
class InputBytes {
public:
    std::string_view View() const { return mapped_.Bytes().empty() ? std::string_view(read_) : mapped_.Bytes(); }
    // Frees the bytes once a converted copy has taken their place.
    void Release();
    // Throws CliError saying that the file `name` was shortened while it was
    // read, when it was: a write from its pages then fails as a bad address.
    void ThrowIfShortened(const std::string& name) const;

private:
    friend InputBytes OpenInput(const std::string& path);
    MappedFile mapped_;
    std::string read_;
};

// The bytes of `path`, or of standard input for "-". Throws CliError naming the
// file and the system's reason.
InputBytes OpenInput(const std::string& path);

// Writes `bytes` to standard output for "-"; otherwise to a temporary file in the
// target's folder that is renamed over the target only when everything was
// written and flushed, so a failure never leaves a half-written file behind.
void WriteOutput(const std::string& path, std::string_view bytes);
// The same with the bytes given in pieces, written one after the other.
void WriteOutput(const std::string& path, std::span<const std::string_view> pieces);

// The file name without folder and extension ("dir/Book.txt" -> "Book").
std::string BaseNameWithoutExtension(const std::string& path);

// UTF-8 from the terminal to CP932 (characters CP932 lacks become "?").
std::string TerminalToCp932(std::string_view utf8);

}  // namespace verdane::cli
