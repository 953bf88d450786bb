// verdane-cli commands (placeholder until the library lands).
#include "CliIo.h"
#include "Commands.h"

namespace verdane::cli {

int RunFetch(const Args&) { throw CliError("not available in this build yet"); }

}  // namespace verdane::cli
