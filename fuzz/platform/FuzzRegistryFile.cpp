// Fuzz target: any bytes as a registry file. The reader either gives a registry
// or refuses the file with ERegistryFormat; the values it gives are readable.
// The input is read as it is and grown large (LargeInput.h: its first line
// once, the rest repeated), so many keys and removals are fuzzed too.
#include "LargeInput.h"
#include "RegistryFile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

void Read(std::string_view text) {
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
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const verdane::fuzz::LargeInput input = verdane::fuzz::Grow(data, size, bytes.find('\n') + 1);
    Read(bytes);
    Read(input.large);
    return 0;
}
