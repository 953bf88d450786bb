#include "UserData.h"

// Placeholder until the Palm Desktop layer lands: no desktop software.
namespace verdane {

TUserData::TUserData(const platform::TRegistryFile&) { throw DllError("CondMgr.DLLが見つかりません"); }
const std::string& TUserData::GetCorePath() const { return corePath_; }
int TUserData::GetUserCount() const { return static_cast<int>(users_.size()); }
std::string TUserData::GetUserName(int) const { return {}; }
std::string TUserData::GetUserDirectory(int) const { return {}; }
int TUserData::GetLastUserIndex() const { return -1; }
bool TUserData::InstallFile(int, const std::string&) { return false; }
std::string TUserData::InstallDirectory(int) const { return {}; }

}  // namespace verdane
