// The commands of verdane-cli. Each takes the arguments after its name, returns
// the exit code, and throws UsageError or CliError (see CliIo.h) on failure.
#pragma once

#include "Open.h"

#include <string>
#include <string_view>
#include <vector>

namespace verdane {
struct AozoraOptions;
}

namespace verdane::cli {

struct ParsedArgs;
using Args = std::vector<std::string>;

// CmdDoc.cpp: DOC databases and kanji codes.
int RunToDoc(const Args& args);
int RunToText(const Args& args);
int RunKanji(const Args& args);

// CmdRegex.cpp: patterns and HTML.
int RunHtml2Text(const Args& args);
int RunMatch(const Args& args);
int RunGsub(const Args& args);

// CmdNet.cpp: downloads.
int RunFetch(const Args& args);

// CmdLibrary.cpp: Aozora Bunko's catalogue.
int RunLibrary(const Args& args);
// True for an http:// or https:// address.
bool IsUrl(const std::string& in);
// The text at `url` as aozora reads a file: a .zip archive's one text (or the
// one `entry` names), or the text itself, made Shift-JIS. Downloaded through
// the settings' proxy. Throws CliError.
std::string TextOfUrl(const std::string& url, const std::string* entry);

// CmdAozora.cpp: Aozora Bunko works.
int RunAozora(const Args& args);
// The text of IN as the open command reads it; a .zip archive (by its name or
// its first bytes) gives its one text, or the one `entry` names. Throws
// CliError when the archive is refused or holds no text or several.
std::string ReadTextOrArchive(const std::string& in, const std::string* entry);
// IN ("-" for standard input) opened through core::Open as the window opens
// it, its text made Shift-JIS with CR LF as the editor saves it; what
// Shift-JIS cannot hold is named on standard error. Throws CliError.
core::OpenedFile OpenedText(const std::string& in, const std::string* entry);
// The same for bytes from elsewhere (a download); `in` names them in messages.
core::OpenedFile OpenedText(core::Source source, const std::string& in, const std::string* entry);
// The text with its Aozora notation cleaned; the accented letters written as
// their base letters are named on standard error.
std::string CleanAozoraReported(std::string_view text, const verdane::AozoraOptions& options);
// The cleaner's options of --ruby and --bookmarks (a usage error for a bad --ruby).
verdane::AozoraOptions AozoraOptionsOf(const ParsedArgs& parsed);

// CmdPalm.cpp: the handheld's install queue.
int RunInstall(const Args& args);
// Queues `text` (CP932) as the DOC database `name` (.PDB, or .PRC with `prc`)
// titled `title` (CP932) for the handheld user `user`, as install does.
// Throws CliError.
void QueueForHandheld(const std::string& user, const std::string& name, bool prc, std::string_view text,
                      const std::string& title);
int RunPalmDesktop(const Args& args);

}  // namespace verdane::cli
