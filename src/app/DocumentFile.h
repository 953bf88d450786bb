// Reading a file the way the open command does, apart from the window: the kind
// of a file by its extension, the DOC database test and decoding, the kanji-code
// conversion, and the long form of a path. The main window fills the editor with
// the result; tests use it directly.
#pragma once

#include <QString>

#include <array>
#include <string>

namespace verdane {

enum class FileKind { Text, Prc, Pdb };

// The kind by the upper-case extension after the last "." of the file name:
// ".PRC" and ".PDB" are DOC databases, anything else (also none) is text.
FileKind FileKindOf(const QString& path);

// The 32-byte database name of the last DOC database read; byte 31 is always 0.
using DocTitleBytes = std::array<char, 32>;

struct ReadDocumentResult {
    enum class Outcome { Read, NotDocFile } outcome = Outcome::Read;
    FileKind kind = FileKind::Text;
    std::string text;            // Shift-JIS, as read (line ends not yet made CR LF)
    bool hasDocTitle = false;    // true for a DOC database: docTitle holds its name
    DocTitleBytes docTitle{};
};

// Reads P as the open command does. A ".PRC"/".PDB" file that is not a DOC
// database gives NotDocFile and reads nothing else. Throws on a file that cannot
// be read (platform::EFileError) or a damaged database (EDocFormat, EReadError).
ReadDocumentResult ReadDocumentFile(const QString& path);

// The path with its folder components resolved to an absolute path, or the
// empty string when no file (not a folder) exists there.
QString ExpandLongPathName(const QString& path);

// The DocTitle's text up to its first 0 byte.
std::string DocTitleText(const DocTitleBytes& title);

}  // namespace verdane
