// Queueing the document for a handheld user, for the install dialog and
// `verdane-cli install`: the name checked by the rules of names, the DOC
// database made by the one DOC-writing path, the file put into the user's
// install folder (replaced atomically there).
#pragma once

#include "DocSaveOptions.h"
#include "Result.h"

#include <QString>

#include <string_view>

namespace verdane::platform {
class TPalmDesktop;
}

namespace verdane::core {

// Makes `text` (Shift-JIS, CR LF) into a DOC database with the options' title
// and flags and queues it as NAME.PRC or NAME.PDB for user `userIndex` of
// `desktop`. A name the rules refuse, an unknown user, a text that makes no
// database and a failed copy are failures with the reason.
Outcome QueueDocDatabase(const platform::TPalmDesktop& desktop, int userIndex, const QString& name, bool prc,
                         std::string_view text, const DocSaveOptions& options);

}  // namespace verdane::core
