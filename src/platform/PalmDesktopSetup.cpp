#include "PalmDesktopSetup.h"

#include "FileIo.h"
#include "PalmDesktop.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <cstdio>
#include <set>

namespace verdane::platform {

namespace {

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

bool IsControl(char32_t cp) { return cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F); }

bool HasControl(std::string_view utf8) {
    for (const char32_t cp : QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toUcs4())
        if (IsControl(cp)) return true;
    return false;
}

std::string Describe(PalmSetupFault fault, const std::string& subject) {
    const std::string shown = "\"" + EscapeControlCharacters(subject) + "\"";
    switch (fault) {
    case PalmSetupFault::None: return "no fault";
    case PalmSetupFault::NoUser: return "a desktop needs at least one user";
    case PalmSetupFault::TooManyUsers: return "a desktop holds at most " + std::to_string(kMaxUsers) + " users";
    case PalmSetupFault::EmptyName: return "a user name is empty";
    case PalmSetupFault::ControlCharacter:
        return "the user name " + shown + " holds a control character; the handheld cannot keep it";
    case PalmSetupFault::RepeatedName: return "the user name " + shown + " is given twice";
    case PalmSetupFault::FolderPath:
        return subject.empty() ? std::string("no folder is given for the desktop")
                               : "the folder " + shown + " holds a control character";
    case PalmSetupFault::RegistryExists: return subject + " already exists; it is left as it is";
    }
    return "no fault";
}

// A user name as a folder name: separators and control characters become "_",
// a leading "." too, so the folder is neither hidden nor outside the core.
QString FolderFor(const QString& name) {
    QString folder;
    for (const QChar c : name)
        folder += (c == u'/' || c == u'\\' || c.unicode() < 0x20 || c.unicode() == 0x7F) ? QChar(u'_') : c;
    if (folder.startsWith(u'.')) folder.replace(0, 1, u'_');
    return folder;
}

// A string value of the registry file; the reader takes \\ and \" back.
std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string Hex8(std::uint32_t value) {
    char buffer[9];
    std::snprintf(buffer, sizeof buffer, "%08x", value);
    return buffer;
}

}  // namespace

EPalmDesktopSetup::EPalmDesktopSetup(PalmSetupFault fault, std::string subject)
    : std::invalid_argument(Describe(fault, subject)), fault_(fault), subject_(std::move(subject)) {}

PalmSetupFault CheckPalmUserName(std::string_view utf8) {
    // A NUL ends the name where the handheld keeps it, so it counts as a control
    // character rather than cutting the name short unseen.
    if (utf8.empty()) return PalmSetupFault::EmptyName;
    if (HasControl(utf8)) return PalmSetupFault::ControlCharacter;
    if (TruncateUserName(utf8).empty()) return PalmSetupFault::EmptyName;
    return PalmSetupFault::None;
}

std::string EscapeControlCharacters(std::string_view utf8) {
    QString out;
    for (const char32_t cp : QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toUcs4()) {
        if (!IsControl(cp)) {
            out += QString::fromUcs4(&cp, 1);
            continue;
        }
        switch (cp) {
        case U'\n': out += QStringLiteral("\\n"); break;
        case U'\r': out += QStringLiteral("\\r"); break;
        case U'\t': out += QStringLiteral("\\t"); break;
        default:
            out += cp < 0x80 ? QStringLiteral("\\x%1").arg(static_cast<uint>(cp), 2, 16, QChar(u'0'))
                             : QStringLiteral("\\u%1").arg(static_cast<uint>(cp), 4, 16, QChar(u'0'));
        }
    }
    return out.toStdString();
}

std::string CreatePalmDesktop(const std::string& dir, const std::vector<std::string>& userNames,
                              const std::string& registryPath) {
    if (userNames.empty()) throw EPalmDesktopSetup(PalmSetupFault::NoUser, {});
    if (userNames.size() > kMaxUsers) throw EPalmDesktopSetup(PalmSetupFault::TooManyUsers, {});
    std::vector<std::string> names;
    std::set<std::string> seenNames;
    for (const std::string& given : userNames) {
        if (const PalmSetupFault fault = CheckPalmUserName(given); fault != PalmSetupFault::None)
            throw EPalmDesktopSetup(fault, given);
        const std::string name = TruncateUserName(given);
        if (!seenNames.insert(name).second) throw EPalmDesktopSetup(PalmSetupFault::RepeatedName, name);
        names.push_back(name);
    }
    // The paths go into the registry file as they are: a line end in them would
    // end the value's line there.
    if (dir.empty() || HasControl(dir)) throw EPalmDesktopSetup(PalmSetupFault::FolderPath, dir);
    if (HasControl(registryPath)) throw EPalmDesktopSetup(PalmSetupFault::FolderPath, registryPath);
    const QString base = QDir::cleanPath(QDir(Q(dir)).absolutePath());
    const QString core = base + QStringLiteral("/Palm");
    const QString registry = QDir::cleanPath(
        registryPath.empty() ? base + QStringLiteral("/registry.reg") : QDir(Q(registryPath)).absolutePath());
    if (QFileInfo::exists(registry) || QFileInfo(registry).isSymLink())
        throw EPalmDesktopSetup(PalmSetupFault::RegistryExists, registry.toStdString());

    std::string reg =
        "REGEDIT4\r\n\r\n"
        "; A Palm Desktop for Verdane: the core folder, the handheld users and their\r\n"
        "; install folders (<core>/<Directory>/Install).\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Palm Computing\\Pilot Desktop\\Core]\r\n"
        "\"Path\"=" + Quote(core.toStdString()) + "\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Palm Computing\\Pilot Desktop\\Preferences]\r\n"
        "\"LastUserName\"=" + Quote(names.front()) + "\r\n";
    std::set<QString> folders;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const QString first = FolderFor(Q(names[i]));
        QString folder = first;
        for (int n = 2; folders.count(folder.toCaseFolded()); ++n) folder = first + u'_' + QString::number(n);
        folders.insert(folder.toCaseFolded());
        const QString install = core + u'/' + folder + QStringLiteral("/Install");
        MakeFolders(install.toStdString());
        reg += "\r\n[HKEY_CURRENT_USER\\Software\\Palm Computing\\Pilot Desktop\\Users\\" + std::to_string(i) + "]\r\n"
               "\"Name\"=" + Quote(names[i]) + "\r\n"
               "\"UserID\"=dword:" + Hex8(static_cast<std::uint32_t>(i + 1)) + "\r\n"
               "\"Directory\"=" + Quote(folder.toStdString()) + "\r\n";
    }
    const QString registryFolder = QFileInfo(registry).absolutePath();
    MakeFolders(registryFolder.toStdString());
    WriteFileAtomically(registry.toStdString(), reg);
    return registry.toStdString();
}

}  // namespace verdane::platform
