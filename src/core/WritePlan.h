// Write plans: the one way out. Before anything is written (a save, an
// install, the HTML and Aozora commands, every verdane-cli command that
// writes) a plan says what will happen: the file written and whether another
// one is there, the code and line ends, each character the code cannot hold
// and what stands for it, the DOC title. The window turns a plan into one
// question, verdane-cli prints it on standard error; Save then writes exactly
// what the plan holds.
#pragma once

#include "DocSaveOptions.h"
#include "Document.h"
#include "EditorFileCodec.h"
#include "FileIo.h"
#include "Result.h"

#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace verdane {
struct KanjiReplacement;
}

namespace verdane::platform {
class TPalmDesktop;
}

namespace verdane::core {

// What a plan is for.
enum class WayOut { Save, Install, HtmlToText, CleanAozora };

// A bookmark of the editor's text: its name as a database holds it
// (Shift-JIS), and its editor position.
struct EditorBookmark {
    std::string name;
    qsizetype position = 0;
};

struct WritePlan {
    WayOut way = WayOut::Save;
    // The open document the plan was made for.
    Document document;
    // What is written: a text file or a DOC database (Install: Prc or Pdb).
    DocKind kind = DocKind::Text;
    // The file written: the name chosen with the kind's extension; for an
    // install the queued file in the user's install folder. Empty for the HTML
    // and Aozora commands, which write no file.
    QString target;
    // A file other than the open document's own is at `target` and would be
    // replaced: for an install, a database of that name still waiting for the
    // user (another book, perhaps). Only regular files count: a device or a
    // FIFO is written to, never replaced.
    bool replacesOther = false;
    // The target as the plan saw it (absent, or that file). Save replaces
    // nothing else: a target created or changed since fails with
    // TargetChanged, and a new plan asks again.
    std::optional<platform::FileIdentity> targetSeen;
    // The code, line ends and byte-order mark written (DOC: Shift-JIS CR LF).
    platform::FileForm form;
    // A text file is written back in another form than it was read in (a JIS
    // or UTF-16 text as Shift-JIS, CR or mixed line ends as CR LF, or a form
    // the user chose); Document::FormReadName says what it was.
    bool formChanges = false;
    // The characters the code cannot hold, with their lines and what stands
    // for them: all counted, the first kMaxListedUnwritable listed.
    std::size_t unwritableCount = 0;
    std::vector<platform::Unwritable> unwritable;
    // The title the text has once written: the database's name for DOC, the
    // file's base name for a text file.
    DocTitleBytes title{};
    // DOC: the database's name (CP932), flags and bookmarks (byte offsets in `text`).
    DocSaveOptions options;
    // The text in `form`, stand-ins in place: a text file's bytes, or the
    // text a DOC database is made of; for the two commands, what they work on.
    std::string text;
    // Install: the handheld user's number and the database's name (no extension).
    int userIndex = -1;
    QString installName;

    bool IsDoc() const { return kind == DocKind::Prc || kind == DocKind::Pdb; }
};

// What the save dialogs chose.
struct SaveRequest {
    // The name chosen; the kind's extension takes the place of one typed (see
    // WithKindExtension).
    QString path;
    DocKind kind = DocKind::Text;
    // DOC: the database's name as typed; an empty one is refused. A text file
    // is named by its file.
    QString title;
    bool compress = true;
    bool includeBinary = true;
    std::vector<EditorBookmark> bookmarks;
    // False: `path` is written as it is named, whatever its extension
    // (verdane-cli's OUT).
    bool addExtension = true;
};

// The plan of saving the editor's `text` of `document` as `request` says: a
// text file in the document's SaveForm with "?" for what its code lacks; a
// DOC database in Shift-JIS with the geta mark "〓". An empty DOC title is
// a failure (EmptyTitle).
Result<WritePlan> PlanSave(const Document& document, const QString& text, const SaveRequest& request);

// The plan of saving a text held as Shift-JIS bytes with CR LF line ends (as
// Open gives a text read in any code but UTF-8) as `request` says, without a
// round trip through the editor's UTF-16: the bytes are those PlanSave writes
// for the editor text read from them. `replaced` names what was replaced
// before (a cleaned Aozora text's accented letters, see UnwritableOf), which
// the plan reports as its own. A request with bookmarks, or a text file saved
// in another form than Shift-JIS with CR LF, goes through the editor's text.
Result<WritePlan> PlanSaveBytes(const Document& document, std::string shiftJis, const SaveRequest& request,
                                std::vector<platform::Unwritable> replaced = {});

// The characters listed in `replaced` (offsets and lengths in `shiftJis`, a
// text with CR LF line ends) as a plan lists them: their lines and what
// stands for them.
std::vector<platform::Unwritable> UnwritableOf(std::string_view shiftJis,
                                              const std::vector<verdane::KanjiReplacement>& replaced);

// What the install dialog chose.
struct InstallRequest {
    int userIndex = -1;
    QString name;  // the database's file name without extension
    bool prc = false;
    QString title;
    bool compress = true;
    bool includeBinary = true;
    std::vector<EditorBookmark> bookmarks;
};

// The plan of queueing the text as NAME.PRC or NAME.PDB for a user of
// `desktop`. A name the rules refuse, an unknown user and an empty title are
// failures with the reason.
Result<WritePlan> PlanInstall(const platform::TPalmDesktop& desktop, const Document& document, const QString& text,
                              const InstallRequest& request);

// The plan of the HTML or Aozora command (`way`): the text in Shift-JIS with
// CR LF line ends, "?" or the near form for what Shift-JIS lacks. No file.
WritePlan PlanTextCommand(WayOut way, const Document& document, const QString& text);

// Writes what `plan` says, atomically (a failed write leaves the old file
// whole): the text file or DOC database at `target`; for an install the
// database into the user's install folder (made when missing), replacing a
// queued one whole. Gives the document as it now is: after Save the file
// written, with its kind, form and title; after an install the plan's
// document as it was. A plan of the two commands writes nothing (Internal).
// A target that is no longer what the plan saw is left alone (TargetChanged).
Result<Document> Save(const WritePlan& plan);

// The bytes Save writes for `plan`, for verdane-cli to send to standard output.
Result<std::string> PlannedBytes(const WritePlan& plan);

}  // namespace verdane::core
