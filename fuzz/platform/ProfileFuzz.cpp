// Fuzz target: arbitrary settings files (UTF-8, CP932 or neither). Reading keys
// and integers never fails, and a value written into any file reads back as
// written. Input: byte 0 is the length of the value, then the value, then the
// file. The file is also grown large (LargeInput.h) and read by a TProfile, as
// the window loads its settings.
#include "LargeInput.h"
#include "ProfileFile.h"

#include <QTemporaryDir>

#include <fstream>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace verdane::platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t valueLength = std::min<std::size_t>(data[0], size - 1);
    const std::string_view all(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string_view valueBytes = all.substr(0, valueLength);
    const std::string_view file = all.substr(valueLength);

    for (const char* key : {"Count", "H0", "Port", "BM", "Text1"}) {
        for (const char* section : {"History", "Proxy", "Setting", "Strings", ""}) {
            if (const auto value = ProfileValue(file, QString::fromLatin1(section), QString::fromLatin1(key)))
                (void)ParseInteger(*value);
        }
    }

    for (const auto& [key, value] : ProfileSection(file, QStringLiteral("History"))) (void)ParseProfileInteger(value);

    // Line breaks are written as blanks, so the value is taken without them.
    QString value = DecodeSettingsText(valueBytes);
    value.remove(u'\n');
    const std::string written = ProfileWithValue(file, QStringLiteral("Strings"), QStringLiteral("Text1"), value);
    const auto back = ProfileValue(written, QStringLiteral("strings"), QStringLiteral("TEXT1"));
    if (!back || (*back != value && !value.startsWith(*back))) std::abort();

    // The grown file on disk, read key by key as a load does; a key reads as
    // the parser of the bytes reads it.
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fuzz.INI"));
    const std::string grown = verdane::fuzz::Grow(data, size, 1 + valueLength, 256 << 10).large;
    const std::string_view large = std::string_view(grown).substr(std::min(grown.size(), 1 + valueLength));
    std::ofstream(path.toStdString(), std::ios::binary | std::ios::trunc) << large;
    const TProfile ini(path);
    // A few keys against the parser of the bytes (each of its looks parses the
    // whole file); TProfile reads the rest of what a load reads.
    const std::pair<const char*, const char*> checked[] = {{"History", "H0"}, {"Proxy", "Port"}, {"0", "1"}, {"Strings", "Text1"}};
    for (const auto& [section, key] : checked) {
        const auto direct = ProfileValue(large, QString::fromLatin1(section), QString::fromLatin1(key));
        if (ini.ReadString(QString::fromLatin1(section), QString::fromLatin1(key), QStringLiteral("\x01")) !=
            direct.value_or(QStringLiteral("\x01")))
            std::abort();
    }
    if (ini.ReadSection(QStringLiteral("History")) != ProfileSection(large, QStringLiteral("History")))
        std::abort();
    for (const char* section : {"Fonts", "Setting", "Window", "Verdane", "URL"})
        for (const char* key : {"Color", "BM", "Top", "Compress", "URL1", "HTML"})
            (void)ini.ReadInteger(QString::fromLatin1(section), QString::fromLatin1(key), 0);
    return 0;
}
