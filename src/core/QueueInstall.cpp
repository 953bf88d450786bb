#include "QueueInstall.h"

#include "FailureOf.h"
#include "Names.h"
#include "PalmDesktop.h"
#include "WriteText.h"

#include <exception>

namespace verdane::core {

Outcome QueueDocDatabase(const platform::TPalmDesktop& desktop, int userIndex, const QString& name, bool prc,
                         std::string_view text, const DocSaveOptions& options) {
    if (const InstallNameFault fault = CheckInstallName(name); fault != InstallNameFault::None)
        return InstallNameFailure(fault, name);
    if (userIndex < 0 || userIndex >= static_cast<int>(desktop.Users().size()))
        return Failure{FailureCode::NoSuchUser, {}, {}, 0, userIndex};
    Result<std::string> database = MakeDocDatabaseBytes(text, options.title, options.Compress, options.IncludeBinary, options.bookmarks);
    if (!database) return database.Fault();
    const std::string fileName = InstallFileName(name, prc).toStdString();
    try {
        platform::InstallDatabase(desktop, userIndex, fileName, *database);
    } catch (const std::exception& e) {
        return FailureOf(e);
    }
    return Done{};
}

}  // namespace verdane::core
