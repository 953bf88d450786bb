// The editor's text written in the code and line ends a text file is saved
// with: Shift-JIS (CP932), EUC-JP or UTF-8, with CR LF or LF line ends.
#pragma once

#include "EditorCodec.h"

#include <QString>

namespace verdane::platform {

enum class FileCode { ShiftJis, EucJp, Utf8 };

struct FileForm {
    FileCode code = FileCode::ShiftJis;
    bool crLf = true;
    // UTF-8 only: the file starts with the byte-order mark EF BB BF.
    bool byteOrderMark = false;
};

// The editor text in `form`. Each line break becomes CR LF or LF. A character
// the code lacks is written as "?" and counted, as EditorToBytes does:
// Shift-JIS and EUC-JP lack what CP932 lacks; EUC-JP also lacks CP932's
// user-defined area and IBM extension rows (lead bytes 0xED, 0xEE, 0xF0-0xFC);
// UTF-8 lacks only the bytes a Shift-JIS text could not decode, which are
// written back as themselves in Shift-JIS and EUC-JP.
EncodeResult EditorToFile(const QString& text, const FileForm& form);

}  // namespace verdane::platform
