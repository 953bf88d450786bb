#include "DocConvert.h"

#include "DocBuffer.h"
#include "DocFormatError.h"
#include "Cp932Table.h"
#include "PdbFile.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace verdane {

namespace {

constexpr std::uint32_t kRecordWord = 0x406F8000;  // attribute 0x40 (dirty), unique id 0x6F8000 + k
constexpr char kCR = '\r';
constexpr char kLF = '\n';

void WriteBigEndian32(TMemoryStream& s, std::uint32_t v) {
    const unsigned char bytes[4] = {static_cast<unsigned char>(v >> 24), static_cast<unsigned char>(v >> 16),
                                    static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
    s.Write(bytes, 4);
}

std::int32_t Refuse(std::string* whyFailed, std::string reason) {
    if (whyFailed) *whyFailed = std::move(reason);
    return kDocWriteFailed;
}

// The stored form of each record: the text's 4096-byte blocks, line breaks
// normalized without include-binary, compressed when asked; with neither, the
// blocks themselves. Records are independent, so they are made on every core:
// workers take runs of records from a shared counter, each with its own TBuf,
// and the bytes are the same as with one thread. A text of up to eight
// records is made on the calling thread alone.
void MakeRecords(std::string_view text, std::size_t count, bool compress, bool includeBinary, TDocPieces& pieces) {
    pieces.records.resize(count);
    if (!compress && includeBinary) {
        for (std::size_t k = 0; k < count; ++k) pieces.records[k] = text.substr(k * kDocBlockSize, kDocBlockSize);
        return;
    }
    std::vector<std::string>& records = pieces.made;
    records.assign(count, std::string());
    auto make = [&](TBuf& buf, std::size_t k) {
        const std::size_t at = k * kDocBlockSize;
        std::string_view bytes = text.substr(at, kDocBlockSize);
        // A CR ending the previous block and an LF starting this one are one
        // line break, already stored as the LF of that block.
        if (!includeBinary && at > 0 && text[at - 1] == kCR && bytes.front() == kLF) bytes.remove_prefix(1);
        buf.SetData(bytes);
        if (!includeBinary) buf.NormalizeLineBreaks();
        if (compress) buf.Compress();
        records[k] = buf.Data();
    };

    constexpr std::size_t kRun = 8;  // records taken at a time: little contention, even shares
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr failure;
    std::mutex failureLock;
    auto work = [&] {
        try {
            TBuf buf;
            for (;;) {
                const std::size_t from = next.fetch_add(kRun);
                if (from >= count || failed) return;
                for (std::size_t k = from; k < std::min(count, from + kRun); ++k) make(buf, k);
            }
        } catch (...) {
            std::lock_guard lock(failureLock);
            if (!failure) failure = std::current_exception();
            failed = true;
        }
    };
    const std::size_t threads =
        std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), (count + kRun - 1) / kRun);
    std::vector<std::thread> helpers;
    try {
        for (std::size_t t = 1; t < threads; ++t) helpers.emplace_back(work);
    } catch (const std::system_error&) {
        // No more threads to be had: those started and this one do the work.
    }
    work();
    for (auto& helper : helpers) helper.join();
    if (failure) std::rethrow_exception(failure);
    for (std::size_t k = 0; k < count; ++k) pieces.records[k] = records[k];
}

// The bytes of one bookmark record: the name cut to whole Shift-JIS
// characters of at most 15 bytes and NUL-padded, then the offset.
std::string BookmarkRecord(const DocBookmark& mark, std::uint32_t offset) {
    std::string record(kDocBookmarkSize, '\0');
    std::size_t kept = 0;
    while (kept < mark.name.size()) {
        const std::size_t size =
            cp932::IsLeadByte(static_cast<std::uint8_t>(mark.name[kept])) && kept + 1 < mark.name.size() ? 2 : 1;
        if (kept + size > kDocBookmarkNameSize - 1) break;
        kept += size;
    }
    record.replace(0, kept, mark.name, 0, kept);
    for (int b = 0; b < 4; ++b) record[kDocBookmarkNameSize + b] = static_cast<char>(offset >> (24 - 8 * b));
    return record;
}

// Where the byte at `offset` of the text lands in the stored text: without
// include-binary, control bytes 0x00-0x08 and the CR of each CR LF are not
// stored (a CR alone is stored as LF).
std::uint32_t StoredOffset(std::string_view text, std::size_t offset, bool includeBinary) {
    offset = std::min(offset, text.size());
    if (includeBinary) return static_cast<std::uint32_t>(offset);
    std::size_t dropped = 0;
    for (std::size_t k = 0; k < offset; ++k) {
        const auto b = static_cast<std::uint8_t>(text[k]);
        if (b <= 0x08 || (b == 0x0D && k + 1 < text.size() && text[k + 1] == kLF)) ++dropped;
    }
    return static_cast<std::uint32_t>(offset - dropped);
}

}  // namespace

std::size_t TDocPieces::Size() const {
    std::size_t size = head.size();
    for (const auto& record : records) size += record.size();
    return size;
}

std::vector<std::string_view> TDocPieces::All() const {
    std::vector<std::string_view> all;
    all.reserve(records.size() + 1);
    all.push_back(head);
    all.insert(all.end(), records.begin(), records.end());
    return all;
}

std::int32_t TextToDoc(std::string_view text, TDocPieces& database, std::string_view title, bool compress,
                       bool includeBinary, std::string* whyFailed) {
    return TextToDoc(text, database, title, compress, includeBinary, std::span<const DocBookmark>{}, whyFailed);
}

std::int32_t TextToDoc(std::string_view text, TDocPieces& database, std::string_view title, bool compress,
                       bool includeBinary, std::span<const DocBookmark> bookmarks, std::string* whyFailed) {
    try {
        const std::size_t length = text.size();
        const std::size_t blocks = (length + kDocBlockSize - 1) / kDocBlockSize;
        if (blocks > kMaxDocBlocks)
            return Refuse(whyFailed, "the text is too long for a DOC database: " + std::to_string(length) +
                                         " bytes, at most " + std::to_string(kMaxDocTextLength) + " fit in " +
                                         std::to_string(kMaxDocBlocks) + " records");
        if (blocks + bookmarks.size() > kMaxDocBlocks)
            return Refuse(whyFailed, "the text and its " + std::to_string(bookmarks.size()) +
                                         " bookmarks are too many records for a DOC database (at most " +
                                         std::to_string(kMaxDocBlocks) + ")");
        const auto n = static_cast<std::uint32_t>(blocks);
        TDocPieces pieces;
        MakeRecords(text, blocks, compress, includeBinary, pieces);
        // An empty text has nothing to mark, and its record 0 counts no
        // record that would tell text from bookmarks.
        if (!bookmarks.empty() && blocks > 0) {
            // Bookmark records are few: each offset is found by its own pass.
            for (const DocBookmark& mark : bookmarks)
                pieces.marks += BookmarkRecord(mark, StoredOffset(text, mark.offset, includeBinary));
            for (std::size_t k = 0; k < bookmarks.size(); ++k)
                pieces.records.push_back(std::string_view(pieces.marks).substr(k * kDocBookmarkSize, kDocBookmarkSize));
        }
        const auto all = static_cast<std::uint32_t>(pieces.records.size());

        TMemoryStream head;
        const std::size_t firstRecord = kDocHeaderSize + 8 * (std::size_t{all} + 1) + 2 + kDocRecord0Size;
        head.Reserve(firstRecord);
        TDocHeader::ForText(title, static_cast<std::uint16_t>(all + 1)).Write(head);
        WriteBigEndian32(head, 8 * (all + 1) + 80);
        WriteBigEndian32(head, kRecordWord);
        std::size_t offset = firstRecord;
        for (std::uint32_t k = 1; k <= all; ++k) {
            WriteBigEndian32(head, static_cast<std::uint32_t>(offset));
            WriteBigEndian32(head, kRecordWord + k);
            offset += pieces.records[k - 1].size();
        }
        head.Write("\0\0", 2);

        TDocRecord0 record0;
        record0.Compression = compress ? 2 : 1;
        record0.TextLength = static_cast<std::uint32_t>(length);
        record0.RecordCount = static_cast<std::uint16_t>(n);
        record0.RecordSize = static_cast<std::uint16_t>(kDocBlockSize);
        record0.Write(head);
        pieces.head = head.TakeBytes();
        database = std::move(pieces);
        return kDocOk;
    } catch (const std::exception& e) {
        return Refuse(whyFailed, e.what());
    } catch (...) {
        return Refuse(whyFailed, "unknown error");
    }
}

std::int32_t TextToDoc(std::string_view text, TMemoryStream& database, std::string_view title, bool compress,
                       bool includeBinary, std::string* whyFailed) {
    return TextToDoc(text, database, title, compress, includeBinary, std::span<const DocBookmark>{}, whyFailed);
}

std::int32_t TextToDoc(std::string_view text, TMemoryStream& database, std::string_view title, bool compress,
                       bool includeBinary, std::span<const DocBookmark> bookmarks, std::string* whyFailed) {
    if (database.Size() != 0 || database.Position() != 0)
        return Refuse(whyFailed, "the database stream is not empty");
    TDocPieces pieces;
    if (const std::int32_t result = TextToDoc(text, pieces, title, compress, includeBinary, bookmarks, whyFailed);
        result != kDocOk)
        return result;
    try {
        database.Reserve(pieces.Size());
        database.Write(pieces.head);
        for (std::size_t k = 0; k < pieces.records.size(); ++k) {
            database.Write(pieces.records[k]);
            if (k < pieces.made.size()) std::string().swap(pieces.made[k]);  // the database holds it now
        }
        return kDocOk;
    } catch (const std::exception& e) {
        return Refuse(whyFailed, e.what());
    }
}

std::int32_t TextToDoc(TMemoryStream& text, TMemoryStream& database, std::string_view title, bool compress,
                       bool includeBinary, std::string* whyFailed) {
    const std::int32_t result = TextToDoc(std::string_view(text.Bytes()), database, title, compress, includeBinary,
                                          whyFailed);
    if (result == kDocOk) text.Seek(static_cast<std::int64_t>(text.Size()));
    return result;
}

std::int32_t DocToText(TMemoryStream& database, TMemoryStream& text, bool includeBinary) {
    return DocToText(database, text, includeBinary, nullptr);
}

std::int32_t DocToText(TMemoryStream& database, TMemoryStream& text, bool includeBinary,
                       std::vector<DocBookmark>* bookmarks) {
    if (bookmarks) bookmarks->clear();
    const std::size_t size = database.Size();
    if (size < kDocHeaderSize)
        throw EDocFormat(DocDamage::TooShort, size, "not a DOC database: the file has " + std::to_string(size) +
                         " bytes, fewer than a database header");
    database.Seek(0);
    TDocHeader header;
    header.Read(database);
    if (!header.IsDoc()) return kDocNotDoc;

    const std::size_t count = header.NumRecords;
    if (count == 0) throw EDocFormat(DocDamage::NoRecords, 0, "damaged DOC database: its record list is empty (no record 0)");
    if (kDocHeaderSize + count * kRecIndexSize > size)
        throw EDocFormat(DocDamage::RecordListCut, count, "damaged DOC database: the list of " + std::to_string(count) +
                         " records runs past the end of the file");
    std::vector<std::size_t> offsets(count);
    for (std::size_t k = 0; k < count; ++k) {
        offsets[k] = TRecIndex::CreateFromStream(database).Offset;
        if (offsets[k] > size)
            throw EDocFormat(DocDamage::RecordOutside, k, "damaged DOC database: record " + std::to_string(k) + " starts at offset " +
                             std::to_string(offsets[k]) + ", past the end of the file (" + std::to_string(size) +
                             " bytes)");
        if (k > 0 && offsets[k] < offsets[k - 1])
            throw EDocFormat(DocDamage::RecordOrder, k, "damaged DOC database: record " + std::to_string(k) + " starts before record " +
                             std::to_string(k - 1));
    }
    if (size - offsets[0] < kDocRecord0Size)
        throw EDocFormat(DocDamage::Record0Cut, 0, "damaged DOC database: record 0 is cut off by the end of the file");
    database.Seek(static_cast<std::int64_t>(offsets[0]));
    TDocRecord0 record0;
    record0.Read(database);
    const bool compressed = record0.Compression == 2;
    auto recordEnd = [&](std::size_t k) { return k + 1 < count ? offsets[k + 1] : size; };

    // Record 0 says where the text ends; a count it cannot mean leaves every
    // record to the text, so that none is lost.
    const std::size_t textRecords =
        record0.RecordCount >= 1 && record0.RecordCount < count ? record0.RecordCount : count - 1;
    struct Mark {
        std::size_t index;   // in *bookmarks
        std::uint32_t stored;  // offset in the stored text
    };
    std::vector<Mark> marks;
    if (bookmarks) {
        for (std::size_t k = textRecords + 1; k < count; ++k) {
            if (recordEnd(k) - offsets[k] != kDocBookmarkSize) continue;
            char record[kDocBookmarkSize];
            database.Seek(static_cast<std::int64_t>(offsets[k]));
            database.ReadBuffer(record, sizeof record);
            const std::string_view name(record, kDocBookmarkNameSize);
            std::uint32_t stored = 0;
            for (std::size_t b = kDocBookmarkNameSize; b < kDocBookmarkSize; ++b)
                stored = stored << 8 | static_cast<std::uint8_t>(record[b]);
            marks.push_back({bookmarks->size(), stored});
            bookmarks->push_back({std::string(name.substr(0, name.find('\0'))), 0});
        }
        std::sort(marks.begin(), marks.end(), [](const Mark& a, const Mark& b) { return a.stored < b.stored; });
    }

    TBuf buf;
    std::string bytes;
    std::size_t storedAt = 0;   // stored text before this record
    std::size_t textAt = 0;     // text appended before this record
    auto nextMark = marks.begin();
    for (std::size_t k = 1; k <= textRecords; ++k) {
        bytes.resize(recordEnd(k) - offsets[k]);
        database.Seek(static_cast<std::int64_t>(offsets[k]));
        database.ReadBuffer(bytes.data(), bytes.size());
        buf.SetData(bytes);
        if (compressed) {
            try {
                buf.Decompress();
            } catch (const EDocFormat& e) {
                throw EDocFormat(DocDamage::Record, k, "damaged DOC database: record " + std::to_string(k) + ": " + e.what());
            }
        }
        const std::string_view stored = buf.Data();
        // Each LF before a bookmark's place adds the CR put before it.
        for (std::size_t lfs = 0, from = 0; nextMark != marks.end() && nextMark->stored < storedAt + stored.size();
             ++nextMark) {
            const std::size_t upTo = nextMark->stored - storedAt;
            if (!includeBinary)
                lfs += static_cast<std::size_t>(std::count(stored.begin() + from, stored.begin() + upTo, kLF));
            from = upTo;
            (*bookmarks)[nextMark->index].offset = static_cast<std::uint32_t>(textAt + upTo + lfs);
        }
        storedAt += stored.size();
        if (!includeBinary) buf.ExpandLineBreaks();
        textAt += buf.Data().size();
        text.Write(buf.Data());
    }
    for (; nextMark != marks.end(); ++nextMark)
        (*bookmarks)[nextMark->index].offset = static_cast<std::uint32_t>(textAt);
    return kDocOk;
}

}  // namespace verdane
