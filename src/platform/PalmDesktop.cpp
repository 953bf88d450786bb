#include "PalmDesktop.h"

#include "Cp932Table.h"
#include "FileIo.h"

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace verdane::platform {

namespace {

constexpr std::string_view kRoots[] = {
    "HKEY_CURRENT_USER\\Software\\U.S. Robotics",
    "HKEY_CURRENT_USER\\Software\\Palm Computing",
};

QString Q(const std::string& s) { return QString::fromStdString(s); }

bool IsNumber(const std::string& s) {
    return !s.empty() && s.size() <= 9 && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A user folder must stay below the core folder.
bool IsSafeFolder(const std::string& dir) {
    if (dir.empty() || dir.front() == '/') return false;
    const QStringList parts = Q(dir).split(u'/');
    return std::none_of(parts.begin(), parts.end(), [](const QString& p) { return p == QLatin1String(".."); });
}

std::string UsersKey(const std::string& root) { return root + "\\Pilot Desktop\\Users"; }

}  // namespace

std::string PalmRootKey(const TRegistryFile& registry) {
    for (std::string_view root : kRoots)
        if (registry.KeyExists(root)) return std::string(root);
    return {};
}

std::string TruncateUserName(std::string_view utf8) {
    utf8 = utf8.substr(0, utf8.find('\0'));
    const QString name = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    QString kept;
    std::size_t bytes = 0;
    for (const char32_t cp : name.toUcs4()) {
        const int code = cp932::Encode(cp);
        const std::size_t size = code >= 0x100 ? 2 : 1;
        if (bytes + size > kMaxUserNameBytes) break;
        bytes += size;
        kept += QString::fromUcs4(&cp, 1);
    }
    return kept.toStdString();
}

TPalmDesktop::TPalmDesktop(const TRegistryFile& registry) {
    const std::string root = PalmRootKey(registry);
    if (root.empty())
        throw EPalmDesktop(PalmDesktopPart::CoreFolder, "the registry holds no Palm Desktop keys (" +
                                                            std::string(kRoots[0]) + " or " + std::string(kRoots[1]) + ")");
    const std::string coreKey = root + "\\Pilot Desktop\\Core";
    const std::string path = registry.ReadString(coreKey, "Path").value_or("");
    if (path.empty())
        throw EPalmDesktop(PalmDesktopPart::CoreFolder, "the registry gives no core folder (\"Path\" of " + coreKey + ")");
    corePath_ = registry.ResolvePath(path);
    if (!QFileInfo(Q(corePath_)).isDir())
        throw EPalmDesktop(PalmDesktopPart::InstallQueue, "the core folder " + corePath_ + " does not exist");

    std::vector<std::pair<unsigned long, std::string>> numbered;
    for (const std::string& sub : registry.SubKeys(UsersKey(root)))
        if (IsNumber(sub)) numbered.emplace_back(std::strtoul(sub.c_str(), nullptr, 10), sub);
    std::sort(numbered.begin(), numbered.end());
    for (const auto& [number, sub] : numbered) {
        if (users_.size() == kMaxUsers) break;
        const std::string key = UsersKey(root) + "\\" + sub;
        PalmUser user;
        user.name = TruncateUserName(registry.ReadString(key, "Name").value_or(""));
        user.id = registry.ReadDword(key, "UserID").value_or(0);
        user.directory = registry.ReadString(key, "Directory").value_or("");
        if (user.name.empty())
            throw EPalmDesktop(PalmDesktopPart::UserList, "the user " + key + " has no \"Name\"");
        if (!IsSafeFolder(user.directory))
            throw EPalmDesktop(PalmDesktopPart::UserList, "the user " + key +
                                                               " has no \"Directory\" below the core folder");
        users_.push_back(std::move(user));
    }
    lastUserName_ = TruncateUserName(
        registry.ReadString(root + "\\Pilot Desktop\\Preferences", "LastUserName").value_or(""));
}

int TPalmDesktop::FindUser(std::string_view name) const {
    for (std::size_t i = 0; i < users_.size(); ++i)
        if (users_[i].name == name) return static_cast<int>(i);
    return -1;
}

std::string TPalmDesktop::InstallDirectory(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= users_.size()) return {};
    return QDir::cleanPath(Q(corePath_ + "/" + users_[static_cast<std::size_t>(index)].directory + "/Install"))
        .toStdString();
}

void TPalmDesktop::InstallFile(int index, const std::string& filePath) const {
    const std::string folder = InstallDirectory(index);
    if (folder.empty()) throw std::out_of_range("no handheld user number " + std::to_string(index));
    const std::string bytes = ReadWholeFile(filePath);
    MakeFolders(folder);
    WriteFileAtomically(folder + "/" + QFileInfo(Q(filePath)).fileName().toStdString(), bytes);
}

void InstallDatabase(const TPalmDesktop& desktop, int index, const std::string& fileName, std::string_view database) {
    const std::string folder = desktop.InstallDirectory(index);
    if (folder.empty()) throw std::out_of_range("no handheld user number " + std::to_string(index));
    if (fileName.empty() || fileName == "." || fileName == ".." || fileName.find('/') != std::string::npos)
        throw EFileError("cannot install \"" + fileName + "\": not a file name");
    QTemporaryDir temp;
    if (!temp.isValid()) throw EFileError(FileOp::TemporaryFolder, temp.errorString().toStdString(), 0,
                                         "cannot create a temporary folder: " + temp.errorString().toStdString());
    const std::string tempFile = temp.path().toStdString() + "/" + fileName;
    WriteFileAtomically(tempFile, database);
    // A file of the same name already queued is replaced by the copy's rename,
    // never removed first: when the copy fails the queue keeps it as it was.
    desktop.InstallFile(index, tempFile);
    // The temporary folder and the file in it go with `temp`.
}

}  // namespace verdane::platform
