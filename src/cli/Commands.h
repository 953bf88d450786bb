// The commands of verdane-cli. Each takes the arguments after its name, returns
// the exit code, and throws UsageError or CliError (see CliIo.h) on failure.
#pragma once

#include <string>
#include <vector>

namespace verdane::cli {

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

// CmdPalm.cpp: the handheld's install queue.
int RunInstall(const Args& args);
int RunPalmDesktop(const Args& args);

}  // namespace verdane::cli
