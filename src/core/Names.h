// The rules of names, in one place for the window and verdane-cli: the kind of
// a file by its extension, the extension a kind is saved with, the names an
// install may use, the name a downloaded page is saved under, the caption.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace verdane::core {

// What the open document is: a text file, a DOC database (.PRC or .PDB), or a
// page fetched from a URL that has no file of its own yet.
enum class DocKind { Text, Prc, Pdb, Page };

inline const QString kProgramTitle = QStringLiteral("Verdane Ver1.22");
inline const QString kNewFileName = QStringLiteral("NewFile");

// "memo.txt - Verdane Ver1.22"
QString CaptionFor(const QString& fileName);

// The kind by the upper-case extension after the last "." of the file name:
// ".PRC" and ".PDB" are DOC databases, anything else (also none) is text.
// Paths are UTF-8 (or QString); "." and "/" never occur inside a multi-byte
// character, so the bytes can be searched directly.
DocKind KindOfPath(std::string_view path);
DocKind KindOfPath(const QString& path);

// The extension a kind is written with: ".TXT", ".PRC", ".PDB"; a page is
// written as text.
const char* ExtensionOf(DocKind kind);

// The path without the extension of its file name ("a/b.txt" -> "a/b"); a name
// that starts with its only "." (".profile") has no extension.
std::string WithoutExtension(std::string_view path);
QString WithoutExtension(const QString& path);
// The path with the extension of `kind` in place of any typed one, as the save
// command writes it ("book.txt" saved as PDB is "book.PDB"). File names are
// case-sensitive here, so an extension that already names the kind keeps its
// case ("book.txt" saved as text stays "book.txt"), and a name chosen without
// extension that is the open document's `currentPath` less its extension names
// that file again: saving "sample" as text after opening "sample.txt" writes
// over it, never a second file "sample.TXT" beside it.
QString WithKindExtension(const QString& path, DocKind kind, const QString& currentPath = {});
bool HasExtension(std::string_view path);

// The path of a command-line argument with its folders resolved to an
// absolute path, or the empty string when no file (not a folder) is there.
QString ExpandLongPathName(const QString& path);

// The file name without folder and extension ("dir/Book.txt" -> "Book").
std::string BaseNameWithoutExtension(std::string_view path);
QString BaseNameWithoutExtension(const QString& path);
// The file name part of a path ("dir/Book.txt" -> "Book.txt").
QString FileNamePart(const QString& path);
// The folder of a path with its trailing "/", or empty.
QString FolderPart(const QString& path);

// Why a name may not name an installed database, checked character by
// character (a byte of a double-byte character is never taken for "\" or "."):
// the install dialog and `verdane-cli install` take the same names.
enum class InstallNameFault { None, Empty, HasPath, HasExtension };
InstallNameFault CheckInstallName(const QString& name);
// The installed file's name: the name and ".PRC" or ".PDB".
QString InstallFileName(const QString& name, bool prc);
// The install name proposed for a window caption such as "MEMO.TXT - Verdane
// Ver1.22": the caption up to its first " -", or up to its first "." when that
// part holds one ("MEMO"; "NewFile" for a new document).
QString ProposedInstallName(const QString& caption);

// The name a page fetched from `url` is shown and saved under: the last segment
// of its path, decoded ("http://host/a/story.html?x" -> "story.html"), else the
// host ("http://host/" -> "host"). Never holds a "/".
QString PageFileName(const QString& url);

}  // namespace verdane::core
