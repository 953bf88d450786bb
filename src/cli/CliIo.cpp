#include "CliIo.h"

#include "FileIo.h"
#include "KanjiCode.h"
#include "TextBytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
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

std::string commandName;

}  // namespace

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
