#include "UserData.h"

#include "FileIo.h"

namespace verdane {

namespace {

platform::TPalmDesktop OpenDesktop(const platform::TRegistryFile& registry) {
    try {
        return platform::TPalmDesktop(registry);
    } catch (const platform::EPalmDesktop& e) {
        switch (e.Part()) {
        case platform::PalmDesktopPart::CoreFolder: throw DllError("CondMgr.DLLが見つかりません", e.what());
        case platform::PalmDesktopPart::InstallQueue: throw DllError("Instaide.DLLが見つかりません", e.what());
        case platform::PalmDesktopPart::UserList: break;
        }
        throw DllError("UserData.DLLが見つかりません", e.what());
    }
}

}  // namespace

TUserData::TUserData(const platform::TRegistryFile& registry)
    : desktop_(OpenDesktop(registry)), registryPath_(registry.Path()), registrySeen_(registry.Identity()) {}

bool TUserData::Reread() {
    if (registryPath_.empty() || platform::IdentityOf(registryPath_) == registrySeen_) return false;
    platform::TRegistryFile registry;
    try {
        registry = platform::TRegistryFile::Load(registryPath_);
    } catch (const std::exception& e) {
        throw DllError("CondMgr.DLLが見つかりません", e.what());
    }
    desktop_ = OpenDesktop(registry);
    registrySeen_ = registry.Identity();
    return true;
}

const std::string& TUserData::GetCorePath() const { return desktop_.CorePath(); }

int TUserData::GetUserCount() const { return static_cast<int>(desktop_.Users().size()); }

std::string TUserData::GetUserName(int index) const {
    if (index < 0 || index >= GetUserCount()) return {};
    return desktop_.Users()[static_cast<std::size_t>(index)].name;
}

std::string TUserData::GetUserDirectory(int index) const {
    if (index < 0 || index >= GetUserCount()) return {};
    return desktop_.Users()[static_cast<std::size_t>(index)].directory;
}

int TUserData::GetLastUserIndex() const {
    if (desktop_.LastUserName().empty()) return -1;
    return desktop_.FindUser(desktop_.LastUserName());
}

bool TUserData::InstallFile(int index, const std::string& filePath) {
    try {
        desktop_.InstallFile(index, filePath);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::string TUserData::InstallDirectory(int index) const { return desktop_.InstallDirectory(index); }

void TUserData::InstallDatabase(int index, const std::string& fileName, std::string_view database) {
    platform::InstallDatabase(desktop_, index, fileName, database);
}

}  // namespace verdane
