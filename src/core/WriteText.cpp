#include "WriteText.h"

namespace verdane::core {

Result<TDocPieces> MakeDocDatabase(std::string_view text, std::string_view title, bool compress, bool includeBinary,
                                   std::span<const DocBookmark> bookmarks) {
    if (text.size() > kMaxDocTextLength)
        return Failure{FailureCode::TextTooLong, {}, {}, 0, static_cast<long long>(text.size()),
                       static_cast<long long>(kMaxDocTextLength)};
    TDocPieces database;
    std::string why;
    if (TextToDoc(text, database, title, compress, includeBinary, bookmarks, &why) != kDocOk)
        return Failure{FailureCode::Internal, {}, why};
    return database;
}

Result<std::string> MakeDocDatabaseBytes(std::string_view text, std::string_view title, bool compress,
                                         bool includeBinary, std::span<const DocBookmark> bookmarks) {
    Result<TDocPieces> pieces = MakeDocDatabase(text, title, compress, includeBinary, bookmarks);
    if (!pieces) return pieces.Fault();
    std::string bytes;
    bytes.reserve(pieces->Size());
    for (const std::string_view piece : pieces->All()) bytes += piece;
    return bytes;
}

}  // namespace verdane::core
