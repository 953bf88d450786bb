// The editor's text written in the code and line ends a file is saved with:
// Shift-JIS (CP932), EUC-JP or UTF-8, with CR LF or LF line ends. A character
// the code written cannot hold is written as the program's one conversion
// policy says (ConversionPolicy.h).
#pragma once

#include "ConversionPolicy.h"
#include "EditorCodec.h"

#include <QString>

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace verdane::platform {

using verdane::FileCode;
using verdane::Lacking;

struct FileForm {
    FileCode code = FileCode::ShiftJis;
    bool crLf = true;
    // UTF-8 only: the file starts with the byte-order mark EF BB BF.
    bool byteOrderMark = false;
    friend bool operator==(const FileForm&, const FileForm&) = default;
};

// One character of the editor's text that the code written cannot hold.
struct Unwritable {
    qsizetype at = 0;        // editor position (UTF-16 index)
    int line = 0;            // its line, from 1
    char32_t codePoint = 0;  // the character; U+FFFD for an escaped byte the code cannot carry
    QString writtenAs;       // what the conversion policy writes in its place
};

// At most this many unwritable characters are listed one by one; all are counted.
inline constexpr std::size_t kMaxListedUnwritable = 100000;

struct FileTextOptions {
    Lacking lacking = Lacking::Question;
    // The escaped bytes (see EditorCodec.h) are written back as those bytes in
    // Shift-JIS and EUC-JP; a text that did not come from Shift-JIS (a UTF-8
    // file) passes false, and any lone surrogate is then a character lacked.
    bool escapedBytes = true;
    // Editor positions whose byte offsets in the result are wanted (bookmarks).
    std::span<const qsizetype> places;
};

struct FileText {
    std::string bytes;
    std::size_t unwritableCount = 0;
    // The first kMaxListedUnwritable of them, in the order of the text.
    std::vector<Unwritable> unwritable;
    // The byte offset of each of `places`, in their order.
    std::vector<std::size_t> offsets;
};

// The editor text in `form`, each line break ('\n', U+2029, U+2028) as CR LF
// or LF, each character the code lacks as the conversion policy says. Shift-JIS and
// EUC-JP lack what CP932 lacks; EUC-JP also lacks CP932's user-defined area
// and IBM extension rows (lead bytes 0xED, 0xEE, 0xF0-0xFC); UTF-8 lacks only
// the escaped bytes. Characters beyond the BMP count once.
FileText EncodeForFile(const QString& text, const FileForm& form, const FileTextOptions& options = {});

// The same with "?" and escaped bytes written back, as a count and the first
// position (EditorToBytes's result).
EncodeResult EditorToFile(const QString& text, const FileForm& form);

}  // namespace verdane::platform
