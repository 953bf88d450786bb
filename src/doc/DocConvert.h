// The document text <-> DOC database conversions of the save, install and open
// commands, on in-memory streams; the save also on a text's bytes, giving the
// database as the pieces a caller writes out. Neither converts character codes.
//
// Bad input: DocToText refuses a malformed database with EDocFormat
// (DocFormatError.h): no record list entries, a record list or record 0 cut off
// by the end of the file, record offsets past the end or decreasing, or a
// compressed record that does not decode. Nothing is read outside the stream.
#pragma once

#include "MemoryStream.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace verdane {

inline constexpr std::size_t kDocBlockSize = 4096;
// NumRecords is 16 bits and record 0 takes one: at most 65534 text blocks.
inline constexpr std::size_t kMaxDocBlocks = 65534;
inline constexpr std::size_t kMaxDocTextLength = kMaxDocBlocks * kDocBlockSize;

inline constexpr std::int32_t kDocOk = 0;
inline constexpr std::int32_t kDocWriteFailed = -1;
inline constexpr std::int32_t kDocNotDoc = 3;

// A bookmark of a DOC database: a record after the text records that holds a
// 16-byte name (NUL-padded; all 16 bytes when it has no NUL) and the 4-byte
// big-endian offset of its place in the stored text. Readers of DOC databases
// list them as places to jump to.
inline constexpr std::size_t kDocBookmarkSize = 20;
inline constexpr std::size_t kDocBookmarkNameSize = 16;
struct DocBookmark {
    std::string name;          // Shift-JIS bytes
    std::uint32_t offset = 0;  // byte position in the text (see DocToText and TextToDoc)
    friend bool operator==(const DocBookmark&, const DocBookmark&) = default;
};

// A DOC database as the pieces it is written in, so that a caller writes them
// out one after the other without joining them: the head (database header,
// record list and record 0), then the text records in order. A record made
// here (compressed, or with its line breaks normalized) lives in `made`; one
// stored as it is (neither) is a view of the text, which must then outlive
// the pieces. Not copyable: the views may point into `made`.
struct TDocPieces {
    std::string head;
    std::vector<std::string_view> records;
    std::vector<std::string> made;
    std::string marks;  // the bookmark records, one after the other

    TDocPieces() = default;
    TDocPieces(TDocPieces&&) = default;
    TDocPieces& operator=(TDocPieces&&) = default;
    TDocPieces(const TDocPieces&) = delete;
    TDocPieces& operator=(const TDocPieces&) = delete;

    std::size_t Size() const;
    // The head and the records, in the order of the file.
    std::vector<std::string_view> All() const;
};

// Writes the whole text of `text` (read from its start) as a DOC database into
// `database`, which must be empty. The title becomes the database name (at most
// 31 bytes). Returns 0, or -1 when the database could not be written: the text
// is longer than kMaxDocTextLength, `database` was not empty, or an error was
// raised while writing; the reason is then stored in `*whyFailed` when given.
std::int32_t TextToDoc(TMemoryStream& text, TMemoryStream& database, std::string_view title, bool compress,
                       bool includeBinary, std::string* whyFailed = nullptr);
// The same from the bytes of a text, into a stream or as pieces (`database`
// is then replaced). Both give the bytes of the stream form.
std::int32_t TextToDoc(std::string_view text, TMemoryStream& database, std::string_view title, bool compress,
                       bool includeBinary, std::string* whyFailed = nullptr);
std::int32_t TextToDoc(std::string_view text, TDocPieces& database, std::string_view title, bool compress,
                       bool includeBinary, std::string* whyFailed = nullptr);

// The same with bookmark records after the text records, in the order given.
// Each name is cut to 15 bytes of whole Shift-JIS characters and NUL-padded;
// each offset is a byte position in `text` and is stored as the position of
// the same byte in the stored text (without include-binary the bytes that are
// not stored, control bytes and the CR of each CR LF, are not counted), at
// most the stored text's length. An empty text is written without them.
// Without bookmarks the database is byte for byte the one above.
std::int32_t TextToDoc(std::string_view text, TDocPieces& database, std::string_view title, bool compress,
                       bool includeBinary, std::span<const DocBookmark> bookmarks, std::string* whyFailed = nullptr);
std::int32_t TextToDoc(std::string_view text, TMemoryStream& database, std::string_view title, bool compress,
                       bool includeBinary, std::span<const DocBookmark> bookmarks, std::string* whyFailed = nullptr);

// Appends the text of the database in `database` (positioned at 0) to `text`.
// Returns 0, or 3 when the type or creator is not TEXt/REAd. Raises EDocFormat
// for a malformed database (see above). Without include-binary each LF of the
// stored text becomes CR LF.
// The text is held by the records that record 0 counts (its RecordCount);
// the records after them that have the bookmark form (kDocBookmarkSize bytes)
// are the database's bookmarks, and other records after them are not text.
// A RecordCount of 0 or above the records there are cannot tell where the text
// ends: every record after record 0 is then text, and there are no bookmarks.
std::int32_t DocToText(TMemoryStream& database, TMemoryStream& text, bool includeBinary);
// The same, listing the bookmarks in `*bookmarks` (emptied first) in the order
// of the database, each offset a byte position in the text appended (counted
// from its first byte), placed at the text's end when it points beyond it.
std::int32_t DocToText(TMemoryStream& database, TMemoryStream& text, bool includeBinary,
                       std::vector<DocBookmark>* bookmarks);

}  // namespace verdane
