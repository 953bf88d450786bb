// Writing the document as a text file or a DOC database, for the save command,
// the install command and verdane-cli: one DOC-writing path for all of them.
#pragma once

#include "DocConvert.h"
#include "DocSaveOptions.h"
#include "Names.h"
#include "Result.h"

#include <QString>

#include <string>
#include <string_view>

namespace verdane::core {

// The DOC database of `text` (Shift-JIS, CR LF) with the title (CP932, at most
// 31 bytes stored, cut at a character boundary) and the options' flags, as the
// pieces it is written in. A record stored as it is views `text`, which must
// outlive the pieces. A failure says why (a text too long for a database).
// The bookmarks (offsets in `text`) follow the text records.
Result<TDocPieces> MakeDocDatabase(std::string_view text, std::string_view title, bool compress, bool includeBinary,
                                   std::span<const DocBookmark> bookmarks = {});
// The same joined into one string of bytes.
Result<std::string> MakeDocDatabaseBytes(std::string_view text, std::string_view title, bool compress,
                                         bool includeBinary, std::span<const DocBookmark> bookmarks = {});

}  // namespace verdane::core
