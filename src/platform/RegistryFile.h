// A read-only registry: keys and values from a text file in the REGEDIT4 export
// syntax. The program start-up test and the Palm Desktop layer read the
// desktop software's keys from it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

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
    static TRegistryFile Parse(std::string_view text, const std::string& baseDir);

    // Key paths are written as in the file, "HKEY_CURRENT_USER\Software\Palm Computing",
    // and compared without regard to case, as value names are.
    bool KeyExists(std::string_view key) const;
    // A string value (UTF-8), or nothing when the key or value is missing or not a string.
    std::optional<std::string> ReadString(std::string_view key, std::string_view name) const;
    std::optional<std::uint32_t> ReadDword(std::string_view key, std::string_view name) const;

    // A path read from the file: relative paths are taken against the file's folder.
    std::string ResolvePath(const std::string& path) const;
    const std::string& BaseDir() const { return baseDir_; }

private:
    struct Value {
        bool isDword = false;
        std::string text;
        std::uint32_t dword = 0;
    };
    // Keys and value names stored folded to lower case.
    std::map<std::string, std::map<std::string, Value>> keys_;
    std::string baseDir_;
};

// Where the registry file is: $VERDANE_REGISTRY, else
// $XDG_CONFIG_HOME/verdane/registry.reg (XDG_CONFIG_HOME defaults to ~/.config).
std::string DefaultRegistryPath();

}  // namespace verdane::platform
