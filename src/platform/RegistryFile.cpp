#include "RegistryFile.h"

#include "EditorCodec.h"
#include "FileIo.h"
#include "KanjiCode.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <cstdlib>

namespace verdane::platform {

namespace {

// Keys and value names compare without regard to case, as the registry does.
std::string Fold(std::string_view name) {
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toCaseFolded().toStdString();
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The file's text as UTF-8: UTF-8 stays, anything else is read as CP932.
std::string AsUtf8(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    if (IsAscii(bytes) || IsUtf8Text(bytes)) return std::string(bytes);
    return BytesToEditor(bytes).toStdString();
}

std::string_view Trim(std::string_view s) {
    const auto space = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && space(s.front())) s.remove_prefix(1);
    while (!s.empty() && space(s.back())) s.remove_suffix(1);
    return s;
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

}  // namespace

// Reads the file line by line; each fault becomes an ERegistryFormat naming the
// file and the line.
class TRegistryFile::Parser {
public:
    Parser(TRegistryFile& out, std::string_view text, std::string name)
        : out_(out), text_(text), name_(std::move(name)) {}

    void Run() {
        std::string_view line;
        if (!NextLine(line)) lineNumber_ = 1;
        if (lineNumber_ != 1 || Trim(line) != "REGEDIT4") Fail("the first line is not \"REGEDIT4\"");
        while (NextLine(line)) {
            line = Trim(line);
            if (line.empty() || line.front() == ';') continue;
            if (line.front() == '[') {
                Section(line);
                continue;
            }
            if (!key_) Fail("a value before the first [key] line");
            ValueLine(line);
        }
    }

private:
    bool NextLine(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        const std::size_t end = std::min(text_.find('\n', pos_), text_.size());
        line = text_.substr(pos_, end - pos_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos_ = end + 1;
        ++lineNumber_;
        return true;
    }

    [[noreturn]] void Fail(const std::string& why) const {
        throw ERegistryFormat(name_ + ":" + std::to_string(lineNumber_) + ": " + why);
    }

    void Section(std::string_view line) {
        if (line.back() != ']') Fail("a [key] line without its closing \"]\"");
        std::string_view path = line.substr(1, line.size() - 2);
        const bool remove = !path.empty() && path.front() == '-';
        if (remove) path.remove_prefix(1);
        if (path.empty()) Fail("an empty key name");
        if (path.rfind("HKEY_", 0) != 0) Fail("the key \"" + std::string(path) + "\" does not start with a HKEY_ root");
        for (std::size_t start = 0;;) {
            const std::size_t slash = path.find('\\', start);
            if (slash == start || (slash == std::string_view::npos && start == path.size()))
                Fail("the key \"" + std::string(path) + "\" has an empty part");
            if (slash == std::string_view::npos) break;
            start = slash + 1;
        }
        if (remove) {
            RemoveKey(path);
            // Values under a removed key are checked but kept nowhere.
            dropped_.values.clear();
            key_ = &dropped_;
            return;
        }
        // A key brings its parents into being, as importing the file would.
        for (std::size_t slash = path.find('\\'); slash != std::string_view::npos; slash = path.find('\\', slash + 1))
            AddKey(path.substr(0, slash));
        key_ = &AddKey(path);
    }

    Key& AddKey(std::string_view path) {
        const std::string folded = Fold(path);
        auto [it, added] = out_.keys_.try_emplace(folded);
        if (added) {
            it->second.path = std::string(path);
            it->second.order = out_.order_.size();
            out_.order_.push_back(folded);
        }
        return it->second;
    }

    // A key's subkeys follow it in the sorted map as one run of paths that
    // start with its path and a backslash, so a removal costs the keys it
    // removes, not the whole map. Their places in order_ are emptied.
    void RemoveKey(std::string_view path) {
        const std::string folded = Fold(path);
        const std::string below = folded + "\\";
        auto erase = [this](std::map<std::string, Key>::iterator it) {
            out_.order_[it->second.order].clear();
            return out_.keys_.erase(it);
        };
        if (auto it = out_.keys_.find(folded); it != out_.keys_.end()) erase(it);
        for (auto it = out_.keys_.lower_bound(below); it != out_.keys_.end() && it->first.starts_with(below);)
            it = erase(it);
    }

    // A quoted string starting at `at`; returns the text and moves `at` past the quote.
    std::string Quoted(std::string_view line, std::size_t& at) const {
        std::string text;
        for (std::size_t i = at + 1; i < line.size(); ++i) {
            const char c = line[i];
            if (c == '"') {
                at = i + 1;
                return text;
            }
            if (c == '\\') {
                if (i + 1 >= line.size()) break;
                const char next = line[++i];
                if (next != '\\' && next != '"')
                    Fail(std::string("the escape \"\\") + next + "\" in a string (write \\\\ for a backslash)");
                text += next;
                continue;
            }
            if (c == '\0') Fail("a NUL byte in a string");
            text += c;
        }
        Fail("a string without its closing quote");
    }

    void ValueLine(std::string_view line) {
        std::size_t at = 0;
        std::string name;
        if (line.front() == '@') {
            at = 1;
        } else if (line.front() == '"') {
            name = Quoted(line, at);
        } else {
            Fail("a line that is neither a [key], a \"name\"=value, a comment nor blank");
        }
        std::string_view rest = Trim(line.substr(at));
        if (rest.empty() || rest.front() != '=') Fail("a value name without \"=\"");
        rest = Trim(rest.substr(1));

        Value value;
        if (rest == "-") {
            key_->values.erase(Fold(name));
            return;
        }
        if (!rest.empty() && rest.front() == '"') {
            std::size_t end = 0;
            value.text = Quoted(rest, end);
            if (!Trim(rest.substr(end)).empty()) Fail("text after the closing quote of a string");
        } else if (rest.rfind("dword:", 0) == 0) {
            const std::string_view digits = rest.substr(6);
            if (digits.empty() || digits.size() > 8 || !std::all_of(digits.begin(), digits.end(), IsHexDigit))
                Fail("a dword value that is not 1 to 8 hex digits");
            value.isDword = true;
            value.dword = static_cast<std::uint32_t>(std::strtoul(std::string(digits).c_str(), nullptr, 16));
        } else if (rest.rfind("hex", 0) == 0) {
            SkipHex(rest);
            return;
        } else {
            Fail("an unknown kind of value (strings, dword: and hex: are known)");
        }
        key_->values[Fold(name)] = std::move(value);
    }

    // hex: and hex(n): values hold binary data the program never reads; they are
    // checked so that a damaged file is noticed, then dropped.
    void SkipHex(std::string_view rest) {
        const std::size_t colon = rest.find(':');
        if (colon == std::string_view::npos) Fail("a hex value without \":\"");
        const std::string_view kind = rest.substr(0, colon);
        if (kind != "hex") {
            if (kind.size() < 6 || kind.substr(0, 4) != "hex(" || kind.back() != ')' ||
                !std::all_of(kind.begin() + 4, kind.end() - 1, IsHexDigit))
                Fail("an unknown kind of value \"" + std::string(kind) + "\"");
        }
        std::string_view data = rest.substr(colon + 1);
        for (;;) {
            data = Trim(data);
            const bool more = !data.empty() && data.back() == '\\';
            if (more) data.remove_suffix(1);
            const bool valid = std::all_of(data.begin(), data.end(),
                                           [](char c) { return IsHexDigit(c) || c == ',' || c == ' ' || c == '\t'; });
            if (!valid) Fail("a hex value with a character that is not a hex digit or \",\"");
            if (!more) return;
            if (!NextLine(data)) Fail("a hex value continued past the end of the file");
        }
    }

    TRegistryFile& out_;
    std::string_view text_;
    std::string name_;
    std::size_t pos_ = 0;
    std::size_t lineNumber_ = 0;
    Key* key_ = nullptr;
    Key dropped_;
};

TRegistryFile TRegistryFile::Load(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    TRegistryFile registry;
    registry.baseDir_ = info.absolutePath().toStdString();
    registry.path_ = path;
    registry.identity_ = IdentityOf(path);
    const std::string text = AsUtf8(ReadRegularFile(path));
    Parser(registry, text, path).Run();
    return registry;
}

TRegistryFile TRegistryFile::Parse(std::string_view text, const std::string& baseDir) {
    TRegistryFile registry;
    registry.baseDir_ = baseDir;
    const std::string utf8 = AsUtf8(text);
    Parser(registry, utf8, "registry text").Run();
    return registry;
}

bool TRegistryFile::KeyExists(std::string_view key) const { return keys_.count(Fold(key)) != 0; }

std::optional<std::string> TRegistryFile::ReadString(std::string_view key, std::string_view name) const {
    const auto k = keys_.find(Fold(key));
    if (k == keys_.end()) return std::nullopt;
    const auto v = k->second.values.find(Fold(name));
    if (v == k->second.values.end() || v->second.isDword) return std::nullopt;
    return v->second.text;
}

std::optional<std::uint32_t> TRegistryFile::ReadDword(std::string_view key, std::string_view name) const {
    const auto k = keys_.find(Fold(key));
    if (k == keys_.end()) return std::nullopt;
    const auto v = k->second.values.find(Fold(name));
    if (v == k->second.values.end() || !v->second.isDword) return std::nullopt;
    return v->second.dword;
}

std::vector<std::string> TRegistryFile::SubKeys(std::string_view key) const {
    const std::string prefix = Fold(key) + "\\";
    std::vector<std::string> names;
    for (const std::string& folded : order_) {  // a removed key's place is empty
        if (folded.size() <= prefix.size() || folded.compare(0, prefix.size(), prefix) != 0) continue;
        if (folded.find('\\', prefix.size()) != std::string::npos) continue;
        const std::string& path = keys_.at(folded).path;
        names.push_back(path.substr(path.rfind('\\') + 1));
    }
    return names;
}

std::string TRegistryFile::ResolvePath(const std::string& path) const {
    if (path.empty()) return path;
    const QString p = QString::fromStdString(path);
    if (QDir::isAbsolutePath(p)) return QDir::cleanPath(p).toStdString();
    return QDir::cleanPath(QString::fromStdString(baseDir_) + u'/' + p).toStdString();
}

std::string DefaultRegistryPath() {
    if (const char* env = std::getenv("VERDANE_REGISTRY"); env && *env) return env;
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) config = xdg;
    else if (const char* home = std::getenv("HOME")) config = std::string(home) + "/.config";
    return config + "/verdane/registry.reg";
}

}  // namespace verdane::platform
