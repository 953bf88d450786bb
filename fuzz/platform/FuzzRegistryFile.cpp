// Fuzz target: any bytes as a registry file. The reader either gives a registry
// or refuses the file with ERegistryFormat; the values it gives are readable.
#include "RegistryFile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const auto registry = verdane::platform::TRegistryFile::Parse(text, "/fuzz");
        for (const std::string& sub : registry.SubKeys("HKEY_CURRENT_USER")) {
            const std::string key = "HKEY_CURRENT_USER\\" + sub;
            if (!registry.KeyExists(key)) __builtin_trap();
            registry.ReadString(key, "Path");
            registry.ReadDword(key, "UserID");
        }
    } catch (const verdane::platform::ERegistryFormat&) {
    }
    return 0;
}
