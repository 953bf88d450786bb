// The settings (INI) file: sections and keys found regardless of case, other
// lines kept as they are, every write persisted at once by replacing the file
// atomically. Used by the editor's settings and the recent-files menu.
#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace verdane::platform {

// A settings value could not be written: the file and the system's error
// number. The window says it in its own words through the failure codes;
// what() is "cannot write <file>: <the system's reason>".
class EProfileError : public std::runtime_error {
public:
    EProfileError(const QString& fileName, int error);
    const QString& FileName() const { return fileName_; }
    int Error() const { return error_; }

private:
    QString fileName_;
    int error_;
};

// The longest string value read back, in CP932 bytes; longer values are cut at
// the last whole character that fits.
inline constexpr int kMaxProfileStringBytes = 2047;

// Parses an integer typed by the user: optional leading blanks, then a decimal
// number with optional sign, or a hexadecimal number after "$", "x" or "0x" (either
// case, no sign). Nothing may follow. Empty text, other text or a value outside
// 32 bits gives nothing. Hexadecimal takes all 32 bits, so "$FFFFFFFF" is -1.
std::optional<std::int32_t> ParseInteger(QStringView text);

// Settings-file text: UTF-8 (a byte-order mark dropped) when the bytes are valid
// UTF-8, else CP932 as Windows programs write it. Line ends become '\n'.
QString DecodeSettingsText(std::string_view bytes);

// Where the settings file lives: `<executable path>.INI` when that file exists
// (portable use), else $XDG_CONFIG_HOME/verdane/verdane.INI (default ~/.config).
QString SettingsFilePath(const QString& executablePath);
// The date-pattern file: `<executable path>.DFF` when it exists, else beside
// the settings file in the configuration folder.
QString DatePatternFilePath(const QString& executablePath);

// The value of a key in the bytes of a settings file, as TProfile reads it, or
// nothing when the section or key is missing.
std::optional<QString> ProfileValue(std::string_view fileBytes, const QString& section, const QString& key);
// Every key of a section with its value as ProfileValue reads it, in file order
// (a key written twice is listed twice; the first counts).
std::vector<std::pair<QString, QString>> ProfileSection(std::string_view fileBytes, const QString& section);
// An integer by the settings file's rules: "0x"/"0X" and hexadecimal digits,
// else ParseInteger.
std::optional<std::int32_t> ParseProfileInteger(QStringView text);

// The bytes of the settings file after writing a key: its line replaced, or
// added at the end of its section, or a new section at the end; UTF-8, with the
// file's own line ends.
std::string ProfileWithValue(std::string_view fileBytes, const QString& section, const QString& key,
                             const QString& value);

class TProfile {
public:
    explicit TProfile(QString fileName);

    const QString& FileName() const { return fileName_; }
    bool Exists() const;

    // Reading: a missing file, section or key gives the default. The file is
    // looked at for each value, so several TProfile objects on one file agree,
    // and read and parsed again only when it changed: a load of many keys
    // reads it once.
    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    // The integer rules of the settings file: "0x"/"0X" followed by hexadecimal
    // digits, otherwise ParseInteger; anything else gives the default.
    std::int32_t ReadInteger(const QString& section, const QString& key, std::int32_t defaultValue) const;
    // An integer; any value but 0 is on.
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;
    bool ValueExists(const QString& section, const QString& key) const;
    // The whole section at once (see ProfileSection), read with one look at the file.
    std::vector<std::pair<QString, QString>> ReadSection(const QString& section) const;

    // Writing: the key's line is replaced (or added at the end of its section, or
    // a new section at the end of the file) and the whole file written atomically,
    // as UTF-8. The file (and a new folder) is readable by its owner only, also
    // one that was readable by others before. A file the user made read-only is
    // not replaced. Throws EProfileError; the old file then stays as it was.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, std::int32_t value);
    void WriteBool(const QString& section, const QString& key, bool value);

    // Writes between BeginUpdate and EndUpdate are kept in memory (and read back
    // from there) and reach the file together at EndUpdate, in one atomic
    // replacement: all of them or, when it fails, none. EndUpdate throws
    // EProfileError.
    void BeginUpdate();
    void EndUpdate();

private:
    struct Parsed;
    std::string Bytes() const;
    const Parsed& Current() const;

    QString fileName_;
    std::optional<std::string> pending_;
    mutable std::shared_ptr<Parsed> parsed_;
};

}  // namespace verdane::platform
