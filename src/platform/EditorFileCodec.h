// The editor's text written in the code and line ends a file is saved with:
// Shift-JIS (CP932), EUC-JP or UTF-8, with CR LF or LF line ends. Here lives
// the program's one conversion policy for a character the code written
// cannot hold (StandInFor): every writer of editor text uses it.
#pragma once

#include "EditorCodec.h"

#include <QString>

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace verdane::platform {

enum class FileCode { ShiftJis, EucJp, Utf8 };

struct FileForm {
    FileCode code = FileCode::ShiftJis;
    bool crLf = true;
    // UTF-8 only: the file starts with the byte-order mark EF BB BF.
    bool byteOrderMark = false;
    friend bool operator==(const FileForm&, const FileForm&) = default;
};

// What stands for a character the code lacks when it has no near form: the
// geta mark "〓" in DOC databases (what their readers show for a missing
// character), "?" in texts.
enum class Lacking { Geta, Question };

// The one conversion policy from the editor's text to a file's code, for a
// character `c` that `code` cannot hold: a no-break space becomes a space; a
// letter with accents becomes its base letter (é -> e: its canonical
// decomposition without the combining marks, when the code holds what
// remains); a stroked letter, a Latin ligature or an inverted mark its plain
// spelling (ø -> o, æ -> ae, ß -> ss, ¿ -> ?); anything else becomes the mark
// `lacking` names. U+FFFD stands for
// a byte that named no character, and gets the mark too.
QString StandInFor(char32_t c, FileCode code, Lacking lacking);
// The same as the bytes written in `code` (Shift-JIS: CP932 bytes).
std::string StandInBytes(char32_t c, FileCode code, Lacking lacking);

// One character of the editor's text that the code written cannot hold.
struct Unwritable {
    qsizetype at = 0;        // editor position (UTF-16 index)
    int line = 0;            // its line, from 1
    char32_t codePoint = 0;  // the character; U+FFFD for an escaped byte the code cannot carry
    QString writtenAs;       // what StandInFor writes in its place
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
// or LF, each character the code lacks as StandInFor says. Shift-JIS and
// EUC-JP lack what CP932 lacks; EUC-JP also lacks CP932's user-defined area
// and IBM extension rows (lead bytes 0xED, 0xEE, 0xF0-0xFC); UTF-8 lacks only
// the escaped bytes. Characters beyond the BMP count once.
FileText EncodeForFile(const QString& text, const FileForm& form, const FileTextOptions& options = {});

// The same with "?" and escaped bytes written back, as a count and the first
// position (EditorToBytes's result).
EncodeResult EditorToFile(const QString& text, const FileForm& form);

}  // namespace verdane::platform
