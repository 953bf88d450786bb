// verdane-cli commands (placeholder until the library lands).
#include "CliIo.h"
#include "Commands.h"

namespace verdane::cli {

int RunToDoc(const Args&) { throw CliError("not available in this build yet"); }
int RunToText(const Args&) { throw CliError("not available in this build yet"); }
int RunKanji(const Args&) { throw CliError("not available in this build yet"); }

}  // namespace verdane::cli
