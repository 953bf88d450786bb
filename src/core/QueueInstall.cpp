#include "QueueInstall.h"

#include "Names.h"
#include "PalmDesktop.h"
#include "WriteText.h"

#include <exception>

namespace verdane::core {

namespace {

std::string NameFaultReason(InstallNameFault fault, const QString& name) {
    const std::string quoted = "\"" + name.toStdString() + "\"";
    switch (fault) {
    case InstallNameFault::HasPath: return "the install name " + quoted + " holds a folder (\"/\" or \"\\\")";
    case InstallNameFault::HasExtension:
        return "the install name " + quoted + " holds a \".\"; the extension is .PDB or .PRC by itself";
    case InstallNameFault::Empty: return "the install name is empty";
    case InstallNameFault::None: break;
    }
    return {};
}

}  // namespace

Outcome QueueDocDatabase(const platform::TPalmDesktop& desktop, int userIndex, const QString& name, bool prc,
                         std::string_view text, const DocSaveOptions& options) {
    if (const InstallNameFault fault = CheckInstallName(name); fault != InstallNameFault::None)
        return Failure{Failure::Why::Failed, NameFaultReason(fault, name)};
    if (userIndex < 0 || userIndex >= static_cast<int>(desktop.Users().size()))
        return Failure{Failure::Why::Failed, "no handheld user number " + std::to_string(userIndex)};
    Result<std::string> database = MakeDocDatabaseBytes(text, options.title, options.Compress, options.IncludeBinary);
    if (!database) return database.Fault();
    const std::string fileName = InstallFileName(name, prc).toStdString();
    try {
        platform::InstallDatabase(desktop, userIndex, fileName, *database);
    } catch (const std::exception& e) {
        return Failure{Failure::Why::Failed, "cannot queue " + fileName + ": " + e.what()};
    }
    return Done{};
}

}  // namespace verdane::core
