// The commands of verdane-cli. Each takes the arguments after its name, returns
// the exit code, and throws UsageError or CliError (see CliIo.h) on failure.
#pragma once

#include "CliPlan.h"
#include "FetchPage.h"
#include "Open.h"

#include <string>
#include <string_view>
#include <vector>

namespace verdane {
struct AozoraOptions;
struct KanjiReplacement;
}

namespace verdane::cli {

struct ParsedArgs;
using Args = std::vector<std::string>;

// CmdDoc.cpp: DOC databases and kanji codes.
int RunToDoc(const Args& args);
// CmdInfo.cpp: what a database holds.
int RunInfo(const Args& args);
int RunToText(const Args& args);
int RunKanji(const Args& args);

// CmdRegex.cpp: patterns and HTML.
int RunHtml2Text(const Args& args);
int RunMatch(const Args& args);
int RunGsub(const Args& args);
// The plain text of an HTML page held in Shift-JIS, as the editor holds it;
// the references to characters Shift-JIS lacks (written "?") are named on
// standard error with their lines in `html`.
QString HtmlEditorText(const HeldText& held);

// CmdNet.cpp: downloads.
int RunFetch(const Args& args);
// Milliseconds of an option's seconds (a decimal number up to a week; 0 only
// when `zeroAllowed`). Throws UsageError.
int ParseSecondsMs(const std::string& option, const std::string& text, bool zeroAllowed = false);
// What every download of a command starts from: the settings' proxy and their
// longest download (the window's), which --max-time replaces. Needs the
// QCoreApplication.
core::FetchRequest DownloadSettings(const ParsedArgs& parsed);

// CmdLibrary.cpp: Aozora Bunko's catalogue.
int RunLibrary(const Args& args);
// True for an http:// or https:// address.
bool IsUrl(const std::string& in);
// The text at `url` as aozora reads a file: a .zip archive's one text (or the
// one `entry` names), or the text itself. Downloaded through the settings'
// proxy within --max-time of `parsed`. Throws CliError.
HeldText HeldOfUrl(const std::string& url, const std::string* entry, const ParsedArgs& parsed);

// CmdAozora.cpp: Aozora Bunko works.
int RunAozora(const Args& args);
// Writes `text` to OUT as a new text: Shift-JIS with CR LF, through a plan
// whose report goes to standard error.
void WriteNewText(QString text, const std::string& out);
// Writes the held text to OUT as a text file, as the window saves it: in its
// own code and line ends when it was read, else Shift-JIS with CR LF.
void WriteHeldText(const HeldText& held, const std::string& out);
// Writes Shift-JIS bytes with CR LF line ends to OUT as a new text, as
// WriteNewText writes the editor text read from them, without making it;
// `replaced` names what was replaced on the way (offsets in `text`).
void WriteNewShiftJis(std::string text, const std::string& out, const std::vector<KanjiReplacement>& replaced = {});
// The held text with its Aozora notation cleaned, as the editor holds it
// (accented letters as themselves, for the plan that writes it to name);
// `headings`, when given, gets a bookmark for each heading (with --bookmarks).
QString CleanedEditorText(const HeldText& held, const verdane::AozoraOptions& options,
                          std::vector<core::EditorBookmark>* headings = nullptr);
// The kind OUT is written as: a DOC database for a name ending in .pdb or
// .prc (any case), else a text.
core::DocKind OutputKind(const std::string& out);
// Writes a cleaned work to OUT as OutputKind says: a DOC database titled
// `title` with `headings` as its bookmarks, or a text.
void WriteCleanedWork(const HeldText& cleaned, const std::vector<core::EditorBookmark>& headings,
                      const std::string& out, const QString& title);
// The cleaner's options of --ruby and --bookmarks (a usage error for a bad --ruby).
verdane::AozoraOptions AozoraOptionsOf(const ParsedArgs& parsed);

// CmdPalm.cpp: the handheld's install queue.
int RunInstall(const Args& args);
// Throws CliError when there is no Palm Desktop or no handheld user `user` in
// it, so that a command can say so before it downloads or writes anything.
void CheckHandheldUser(const std::string& user);
// Queues the held text as the DOC database `name` (.PDB, or .PRC with `prc`)
// titled `title` for the handheld user `user`, as install does. Throws CliError.
void QueueForHandheld(const std::string& user, const std::string& name, bool prc, const HeldText& held,
                      const QString& title, const std::vector<core::EditorBookmark>& bookmarks = {});
int RunPalmDesktop(const Args& args);

}  // namespace verdane::cli
