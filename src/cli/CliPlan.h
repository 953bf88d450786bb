// verdane-cli's one way in and out: a command opens its input through
// core::Open into a text held as the editor holds it, and writes through a
// core::WritePlan and core::Save, printing the plan's report on standard
// error (a file replaced, a code changed, each character replaced), so the
// command line sees every change the window would ask about.
#pragma once

#include "Open.h"
#include "WritePlan.h"

#include <QString>

#include <string>
#include <vector>

namespace verdane::cli {

// A text as a command holds it between reading and writing: the document it
// was opened as, the editor's text, and its bookmarks (a DOC database's, an
// EPUB book's chapters) at their editor positions, as the window holds them.
struct HeldText {
    core::Document document;
    QString text;
    std::vector<core::EditorBookmark> bookmarks;
};

// A text as Open gives it, before it becomes the editor's: Shift-JIS bytes
// with CR LF line ends, or UTF-8 when file.code says so. A command that writes
// Shift-JIS works on these bytes and never makes the editor's UTF-16.
struct OpenedText {
    core::Document document;
    core::OpenedFile file;
    bool IsShiftJis() const;
};

// IN ("-" for standard input) opened as the window opens it; what the opening
// itself replaced is named on standard error. Throws CliError.
OpenedText OpenText(const std::string& in, const std::string* entry);
// A `title` given (the catalogue's work title) is the text's title.
OpenedText OpenText(core::Source source, const std::string& in, const std::string* entry, const QString& title = {});
// The opened text as the editor holds it.
HeldText HeldOf(const OpenedText& opened);

// IN ("-" for standard input) opened as the window opens it; what the opening
// itself replaced (EUC-JP codes Shift-JIS lacks) is named on standard error.
// Throws CliError.
HeldText OpenHeld(const std::string& in, const std::string* entry);
// The same for bytes from elsewhere (a download); `in` names them in messages.
HeldText OpenHeld(core::Source source, const std::string& in, const std::string* entry, const QString& title = {});
// IN as a source: standard input for "-", else the file.
core::Source InputSource(const std::string& in);

// A new text holding `text` (Shift-JIS turned editor text): what a command made
// of its input, as the window's New holds it.
HeldText NewHeld(QString text);

// The held text in Shift-JIS with CR LF, for a command that works on it
// (html2text, aozora): the plan of `way`, its report printed.
std::string ShiftJisToWorkOn(const HeldText& held, core::WayOut way);

// The plan of writing `bytes`, a text already in the code and line ends it is
// written in, to OUT as a text file.
core::Result<core::WritePlan> BytesPlan(const std::string& out, std::string bytes);

// The request of writing OUT as `kind`, OUT named as it is given.
core::SaveRequest OutputRequest(const std::string& out, core::DocKind kind);

// Writes the plan, to standard output when `out` (OUT as the user gave it)
// is "-", else through core::Save, then prints its report. Throws CliError
// with the plan's or the write's failure. `waitingFor` names the user whose
// queued database an install replaces.
void WritePlanned(const core::Result<core::WritePlan>& plan, const std::string& out,
                  const std::string& waitingFor = {});

// The report of `plan` for standard error: empty when nothing changes unseen.
// A file replaced is named when it is not `out`, the name the user gave (the
// command added an extension), and for an install.
std::string PlanReport(const core::WritePlan& plan, const std::string& out = {}, const std::string& waitingFor = {});

}  // namespace verdane::cli
