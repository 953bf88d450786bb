// The open document: what the editor's text is and where it came from. One
// value, replaced whole by the window's one function that replaces the
// document (after the save question), so caption, status panel, the save
// dialog's proposal and the kind always agree. The Modified flag is not here:
// it belongs to the text, and only editing and saving change it.
#pragma once

#include "Names.h"

#include <QString>

#include <array>
#include <string>
#include <string_view>

namespace verdane::core {

// The 32-byte database name of a DOC database; byte 31 is always 0.
using DocTitleBytes = std::array<char, 32>;

// The title's text up to its first 0 byte (CP932).
std::string DocTitleText(const DocTitleBytes& title);
// The first 32 bytes of a database as its title, byte 31 set to 0.
DocTitleBytes DocTitleOf(std::string_view database);

// The line ends a text was read with, before the editor made them its own.
enum class LineEnds { None, CrLf, Lf, Cr, Mixed };
LineEnds LineEndsOf(std::string_view text);

struct Document {
    // The file the text was read from or last saved to; empty for a new
    // document and for a page fetched from a URL (it has no file yet).
    QString path;
    DocKind kind = DocKind::Text;
    // The address of a page (kind Page).
    QString url;
    // The name of the last DOC database read: shown in the status panel and
    // offered as the title when saving as DOC. Kept by New and by text files.
    DocTitleBytes title{};
    // The kanji code the text was read in (KanjiCode's numbers; 0 for none).
    int code = 0;
    LineEnds lineEnds = LineEnds::None;

    // The name in the caption: the file's name, the page's name, or "NewFile".
    QString DisplayName() const;
    QString Caption() const { return CaptionFor(DisplayName()); }
    // The name the save dialog proposes, without extension: the file's path,
    // a page's own name in `folder`, or empty for a new document.
    QString SaveProposal(const QString& folder) const;
    // The save dialog's preset type (1 text, 2 PRC, 3 PDB): a DOC database as it
    // was read, anything else as PRC.
    int SaveFilterIndex() const;
};

// The save dialog's filter index of a kind, and back (1 text, 2 PRC, 3 PDB).
int FilterIndexOf(DocKind kind);
DocKind KindOfFilterIndex(int index);

}  // namespace verdane::core
