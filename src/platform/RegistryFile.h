// A read-only registry: keys and values from a text file in the REGEDIT4 export
// syntax. The program start-up test and the Palm Desktop layer read the
// desktop software's keys from it.
//
// Accepted: the "REGEDIT4" header line; [key] sections, and [-key] which removes
// a key and its subkeys read so far; "name"="text" and @="text" (the default
// value) with the escapes \\ and \"; "name"=dword:1a2b (1 to 8 hex digits);
// "name"=- which removes a value; hex: and hex(n): values, which are checked and
// skipped, also over continuation lines ending in "\"; comment lines starting
// with ";"; blank lines; CR LF or LF line ends. A key named in a section also
// makes its parent keys exist, as importing the file would. The file is UTF-8
// (a byte-order mark is skipped); a file that is not valid UTF-8 is read as CP932.
#pragma once

#include "FileIo.h"

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace verdane::platform {

// The file is not a REGEDIT4 export; the message gives the file and the line.
struct ERegistryFormat : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class TRegistryFile {
public:
    TRegistryFile() = default;

    // Reads and parses a file (UTF-8; a file that is not UTF-8 is read as CP932).
    // Throws EFileError when it cannot be read and ERegistryFormat when malformed.
    static TRegistryFile Load(const std::string& path);
    // Parses text; `baseDir` is the folder relative paths are resolved against.
    // Its messages name the file "registry text".
    static TRegistryFile Parse(std::string_view text, const std::string& baseDir);

    // Key paths are written as in the file, "HKEY_CURRENT_USER\Software\Palm Computing",
    // and compared without regard to case, as value names are.
    bool KeyExists(std::string_view key) const;
    // A string value (UTF-8), or nothing when the key or value is missing or not a string.
    std::optional<std::string> ReadString(std::string_view key, std::string_view name) const;
    std::optional<std::uint32_t> ReadDword(std::string_view key, std::string_view name) const;
    // The names of the direct subkeys of `key` as first written, in the order of
    // their first appearance.
    std::vector<std::string> SubKeys(std::string_view key) const;

    // A path read from the file: relative paths are taken against the file's folder.
    std::string ResolvePath(const std::string& path) const;
    const std::string& BaseDir() const { return baseDir_; }
    // The file it was loaded from, and that file as it was then (empty and
    // absent for a parsed text), so it can be read again after it changed.
    const std::string& Path() const { return path_; }
    const FileIdentity& Identity() const { return identity_; }

private:
    struct Value {
        bool isDword = false;
        std::string text;
        std::uint32_t dword = 0;
    };
    struct Key {
        std::string path;                    // as first written
        std::map<std::string, Value> values; // by folded name
        std::size_t order = 0;               // its place in order_
    };
    class Parser;
    // Keys stored by their folded path; value names folded too.
    std::map<std::string, Key> keys_;
    std::vector<std::string> order_;  // folded paths in the order keys appeared; "" where one was removed
    std::string baseDir_;
    std::string path_;
    FileIdentity identity_;
};

// Where the registry file is: $VERDANE_REGISTRY, else
// $XDG_CONFIG_HOME/verdane/registry.reg (XDG_CONFIG_HOME defaults to ~/.config).
std::string DefaultRegistryPath();

}  // namespace verdane::platform
