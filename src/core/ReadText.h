// The parts of reading a text that Open (Open.h) puts together: what it
// gives, the DOC database's text and bookmarks, the titles a text gets, and
// the editor's text of what was opened.
#pragma once

#include "DocConvert.h"
#include "Document.h"
#include "KanjiCode.h"
#include "Result.h"

#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <vector>


namespace verdane::core {

// A text as Open gives it: the bytes in the form the editor takes them, and
// the document they are (its path or address, kind, title, code and line
// ends as read, byte-order mark).
struct OpenedFile {
    Document document;
    // The text with CR LF line ends: Shift-JIS, or UTF-8 when `code` is 7. A
    // UTF-8 or UTF-16 text is kept as UTF-8, so every character it holds
    // reaches the editor; what Shift-JIS cannot hold is asked about when it is
    // saved. (With OpenOptions::textAsItIs, its line ends are those read.)
    std::string text;
    // The code of `text` (KanjiCode's numbers): the code read, or 7 for a
    // UTF-16 text. The document keeps the code of the bytes themselves.
    int code = 0;
    // The archive's entry the text was read from, for a .zip archive.
    std::string archiveEntry;
    // Characters already replaced while the text was opened (an EUC-JP code
    // Shift-JIS lacks, a character of a page turned into text), their offsets
    // in the bytes as they were converted: the caller tells the user.
    std::vector<KanjiReplacement> replaced;
    // The bookmarks of a DOC database, in its order; each offset is a byte
    // position in `text`.
    std::vector<DocBookmark> bookmarks;
};

// The 32-byte title proposed for a text: its first line without blanks, cut at
// a character boundary to the 31 bytes a database name holds.
DocTitleBytes TitleOfText(std::string_view shiftJisText);
// A title typed (Shift-JIS), cut the same way.
DocTitleBytes TitleOfTyped(std::string_view shiftJisTitle);
// The title of a text named `name`: its base name (no folder, no extension) in
// Shift-JIS, cut the same way; "NewFile" for a name that leaves nothing.
DocTitleBytes TitleOfFile(const QString& name);

// The one rule for the title a DOC database made of `document`'s text gets,
// for the window's save and install and for verdane-cli: the text's own title
// (its database's name, its work's title, its file's or page's base name);
// for a text that has none (a new text, standard input), the base name of
// `target`, the file written; "NewFile" when that is empty or "-". The name
// dialog and --title change it.
QString ProposedTitle(const Document& document, const QString& target);

// The text of a DOC database as it is stored (before any code conversion);
// a failure for a database of another type or a damaged one. With
// `bookmarks`, the database's bookmarks are listed there (offsets in the text).
Result<std::string> DocDatabaseText(std::string_view database, std::vector<DocBookmark>* bookmarks = nullptr);
// The bookmarks' offsets in `stored` (the text as the database stores it,
// read as `code`) moved to the same places in the text as opened: each
// becomes the length of what precedes it once converted as the whole text is
// (UTF-16 to UTF-8 or the code to Shift-JIS, then CR LF line ends).
void PlaceInOpenedText(std::vector<DocBookmark>& marks, std::string_view stored, int code);

// The editor's text of an opened file: Shift-JIS through the editor's codec,
// UTF-8 decoded directly (the byte-order mark dropped); one '\n' per line end.
QString EditorTextOf(const OpenedFile& file);
// The same for a text with CR LF line ends in `code` (Shift-JIS or UTF-8).
QString EditorTextOf(std::string_view text, int code);

// A page's bytes as Shift-JIS with CR LF line ends (UTF-8 characters
// Shift-JIS lacks become "?"), converted in place where it can be.
void MakeShiftJisText(std::string& fileBytes);

}  // namespace verdane::core
