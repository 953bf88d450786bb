// Reading a file as the editor holds it, for the open command (every way of
// opening) and for verdane-cli: the kind by the extension, the DOC database
// test and decoding, the kanji-code detection and conversion, the line ends.
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

struct OpenedFile {
    DocKind kind = DocKind::Text;
    // The text with CR LF line ends: Shift-JIS, or UTF-8 when `code` is 7. A
    // UTF-8 text is kept as it is, so every character it holds reaches the
    // editor; what Shift-JIS cannot hold is asked about when it is saved.
    std::string text;
    // The code the text was read in (KanjiCode's numbers) and its line ends.
    int code = 0;
    // The code of the bytes themselves where it differs from `code`: a UTF-16
    // file, whose text is kept as UTF-8. The document is that code's.
    int fileCode = 0;
    int CodeOnDisk() const { return fileCode ? fileCode : code; }
    LineEnds lineEnds = LineEnds::None;
    // The text's own title, which Save and Install propose: the database name
    // for a DOC database, the work's title for a text out of an archive (its
    // first line, as Aozora Bunko's texts give it), else the file's base name.
    // Open sets it for every text.
    std::optional<DocTitleBytes> title;
    // The archive's entry the text was read from, for a .zip archive.
    std::string archiveEntry;
    // The name shown for it: the file's name, a page's name, "NewFile" for
    // standard input.
    QString name;
    // The text started with a byte-order mark.
    bool byteOrderMark = false;
    // Characters already replaced while the text was opened (an EUC-JP code
    // Shift-JIS lacks, a character of a page turned into text), their offsets
    // in the bytes as they were converted: the caller tells the user.
    std::vector<KanjiReplacement> replaced;
    // The bookmarks of a DOC database, in its order; each offset is a byte
    // position in `text`.
    std::vector<DocBookmark> bookmarks;
};

// Reads the file at `path` through Open (Open.h), choosing `entry` of an archive.
Result<OpenedFile> ReadDocumentFile(const QString& path, std::string_view entry = {});

// True when the open command reads `path` as a .zip archive by its name.
bool IsArchivePath(const QString& path);
// True when the file at `path` is read as a .zip archive: by its name or its
// first bytes (a zip named .txt).
bool IsArchiveFile(const QString& path);
// The texts of the .zip archive at `path` (entry names in UTF-8), for the
// caller to choose from when there are several; a failure when the archive
// cannot be read or holds no text.
Result<std::vector<std::string>> ArchiveTexts(const QString& path);

// The 32-byte title proposed for a text: its first line without blanks, cut at
// a character boundary to the 31 bytes a database name holds.
DocTitleBytes TitleOfText(std::string_view shiftJisText);
// A title typed (Shift-JIS), cut the same way.
DocTitleBytes TitleOfTyped(std::string_view shiftJisTitle);
// The title of a text named `name`: its base name (no folder, no extension) in
// Shift-JIS, cut the same way.
DocTitleBytes TitleOfFile(const QString& name);

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
