// verdane-cli commands (placeholder until the library lands).
#include "CliIo.h"
#include "Commands.h"

namespace verdane::cli {

int RunHtml2Text(const Args&) { throw CliError("not available in this build yet"); }
int RunMatch(const Args&) { throw CliError("not available in this build yet"); }
int RunGsub(const Args&) { throw CliError("not available in this build yet"); }

}  // namespace verdane::cli
