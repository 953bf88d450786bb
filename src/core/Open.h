// The one way in: every way of opening a text (the open command, a drop, the
// command line, a recent pick, a download, the library, every verdane-cli
// command and standard input) goes through Open, which alone reads the bytes
// and decides what they are: a .zip archive (by its first bytes or its name),
// a DOC database (by its header, whatever the file is called), or a text, with
// its byte-order mark, its code, its line ends and its title; an EPUB book
// (by what its archive holds) is its text with its chapters as bookmarks. It
// gives the text with its Document, so no caller makes a document of its own.
#pragma once

#include "AozoraNotation.h"
#include "Document.h"
#include "FetchPage.h"
#include "ReadText.h"
#include "Result.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace verdane::core {

// Where the bytes come from.
struct Source {
    enum class Kind { File, StandardInput, Bytes, Page, Snapshot };
    Kind kind = Kind::File;
    // File: the path. Bytes: a name for them (the path of a file read
    // elsewhere, or "-" for a text that has no file). Page: the URL.
    QString name;
    // Bytes and Page: the bytes themselves (a page's body as it came).
    std::string bytes;
    // Page: the answer's Content-Type, whose charset decides the code.
    std::string contentType;
    // Snapshot: the document the text was kept for.
    Document document;

    // A file; "-" is a file named so, not standard input.
    static Source File(const QString& path);
    // Standard input, read to its end: a text without a file or title.
    static Source StandardInput();
    static Source Bytes(std::string bytes, const QString& name);
    static Source Page(const QString& url, std::string body, std::string contentType = {});
    // A text kept for `document` while it had unsaved edits (the recovery
    // snapshot's): UTF-8 whatever it holds, given back with that document.
    static Source Snapshot(std::string utf8, Document document);
};

struct OpenOptions {
    // The archive's entry to read; empty: its one text, or ChooseEntry's pick.
    std::string entry;
    // Chooses among the texts of an archive that holds several (UTF-8 names);
    // nullopt cancels. Unset: such an archive is a failure naming them.
    std::function<std::optional<std::string>(const std::vector<std::string>& names)> chooseEntry;
    // Turn the text from HTML into plain text (the download's HTML option):
    // the result is Shift-JIS, and what Shift-JIS lacks is listed in `replaced`.
    // An archive's text is not HTML and stays as it is.
    bool html = false;
    // Runs now and then while a long page is turned into text.
    std::function<void()> turns;
    // The bytes are a text whatever they look like (no archive, no database),
    // and its line ends stay as they are: verdane-cli kanji.
    bool textAsItIs = false;
    // The text's title when the caller knows it better than the bytes do (the
    // catalogue's title of a work from the library); empty: the text's own.
    QString title;
    // The readings (ruby) of an EPUB book and of a page turned into text: in
    // parentheses after their base, or dropped, as the Aozora setting says.
    AozoraRuby ruby = AozoraRuby::Paren;
};

// Opens the source. A file that cannot be read or that changed while it was
// read (FileChanged), a damaged database, a .PDB or .PRC that is no DOC
// database (NotDoc), an archive refused, holding no text, or several with none
// chosen, is a failure. Never throws for bad input.
Result<OpenedFile> Open(Source source, const OpenOptions& options = {});

// Downloads `request.url` with `fetch` (its body as it comes) and opens it as
// a page: the download's failure, or Open's.
Result<OpenedFile> OpenUrl(PageFetch& fetch, FetchRequest request, const OpenOptions& options = {});

}  // namespace verdane::core
