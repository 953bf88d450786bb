// Shared plumbing of verdane-cli's commands: argument parsing, writing output
// files atomically, and the two kinds of failure (bad usage exits 2, a failed
// conversion exits 1). Inputs are read by core::Open, as the window reads them.
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

// The command being run, for the messages on standard error.
void SetCommandName(std::string_view command);
const std::string& CommandName();

// What the conversion of `text` to Shift-JIS had to replace, for standard
// error: "verdane-cli COMMAND: replaced N characters that Shift-JIS cannot
// hold:", then one line per character (the first 100 of them) with its line in
// `text` and its code point. Empty when nothing was replaced.
std::string ReplacementReport(std::string_view text, const std::vector<KanjiReplacement>& replaced);
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
