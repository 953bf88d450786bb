// The one way in: every way of opening a text (the open command, a drop, the
// command line, a recent pick, a download, every verdane-cli command) hands
// its bytes to Open, which alone decides what they are: a .zip archive (by
// its first bytes or its name), a DOC database (by its header, whatever the
// file is called), or a text, with its byte-order mark, its code, its line
// ends, its title and its name.
#pragma once

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
    enum class Kind { File, Bytes, Page };
    Kind kind = Kind::File;
    // File: the path. Bytes: a name for them ("-" for standard input, or the
    // path of a file read elsewhere). Page: the URL.
    QString name;
    // Bytes and Page: the bytes themselves (a page's body as it came).
    std::string bytes;
    // Page: the answer's Content-Type, whose charset decides the code.
    std::string contentType;

    static Source File(const QString& path);
    static Source Bytes(std::string bytes, const QString& name);
    static Source Page(const QString& url, std::string body, std::string contentType = {});
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
};

// Opens the source. A file that cannot be read, a damaged database, a .PDB or
// .PRC that is no DOC database (NotDoc), an archive refused, holding no text,
// or several with none chosen, is a failure. Never throws for bad input.
Result<OpenedFile> Open(Source source, const OpenOptions& options = {});

// The document of a file opened from `path`: its kind, its own title (the
// file's base name when the file gives none), its code, line ends and
// byte-order mark, so that Save writes it back as it was.
Document DocumentOf(const QString& path, const OpenedFile& file);

// The title a text gets from a name of its own (a file's or a page's base
// name), cut by the database header's rule; "NewFile" for an empty name.
DocTitleBytes TitleOfName(const QString& name);

// Downloads `request.url` with `fetch` (its body as it comes) and opens it as
// a page: the download's failure, or Open's.
Result<OpenedFile> OpenUrl(PageFetch& fetch, FetchRequest request, const OpenOptions& options = {});

}  // namespace verdane::core
