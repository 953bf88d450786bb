#include "RegistryFile.h"

#include <cstdlib>

// Placeholder until the registry reader lands: an empty registry.
namespace verdane::platform {

TRegistryFile TRegistryFile::Load(const std::string& path) { return Parse({}, path); }
TRegistryFile TRegistryFile::Parse(std::string_view, const std::string& baseDir) {
    TRegistryFile r;
    r.baseDir_ = baseDir;
    return r;
}
bool TRegistryFile::KeyExists(std::string_view) const { return false; }
std::optional<std::string> TRegistryFile::ReadString(std::string_view, std::string_view) const { return {}; }
std::optional<std::uint32_t> TRegistryFile::ReadDword(std::string_view, std::string_view) const { return {}; }
std::string TRegistryFile::ResolvePath(const std::string& path) const { return path; }

std::string DefaultRegistryPath() {
    if (const char* env = std::getenv("VERDANE_REGISTRY"); env && *env) return env;
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) config = xdg;
    else if (const char* home = std::getenv("HOME")) config = std::string(home) + "/.config";
    return config + "/verdane/registry.reg";
}

}  // namespace verdane::platform
