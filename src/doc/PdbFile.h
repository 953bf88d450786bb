// The Palm OS database (PDB) container of a DOC e-text: the 78-byte header, the
// 8-byte record-list entries and the 16-byte record 0, all big-endian in the
// file and host-order in these classes. Used by TextToDoc/DocToText
// (DocConvert.h) and by the open command's IsDocFile test.
//
// Bad input: Read and CreateFromStream raise EReadError (MemoryStream.h) when
// the stream ends before the structure does; no value is checked here. The
// checks of a whole database (record count, offsets) are DocToText's.
#pragma once

#include "MemoryStream.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace verdane {

// Exchange the two bytes of a 16-bit value / reverse the four bytes of a 32-bit one.
constexpr std::uint16_t Swap16(std::uint16_t v) { return static_cast<std::uint16_t>((v >> 8) | (v << 8)); }
constexpr std::uint32_t Swap32(std::uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

inline constexpr std::size_t kDocHeaderSize = 78;
inline constexpr std::size_t kRecIndexSize = 8;
inline constexpr std::size_t kDocRecord0Size = 16;
// The fixed creation and modification date the DOC writer stores (1907-08-16).
inline constexpr std::uint32_t kDocFixedDate = 0x06D144AE;
inline constexpr std::string_view kDocType = "TEXt";
inline constexpr std::string_view kDocCreator = "REAd";

struct TDocHeader {
    std::array<char, 32> Name{};  // NUL-terminated database name
    std::uint16_t Attributes = 0;
    std::uint16_t Version = 0;
    std::uint32_t CreationDate = 0;
    std::uint32_t ModificationDate = 0;
    std::uint32_t BackupDate = 0;
    std::uint32_t ModificationNumber = 0;
    std::uint32_t AppInfoId = 0;
    std::uint32_t SortInfoId = 0;
    std::array<char, 4> DbType{};
    std::array<char, 4> Creator{};
    std::uint32_t UniqueIdSeed = 0;
    std::uint32_t NextRecordListId = 0;
    std::uint16_t NumRecords = 0;

    // The header the DOC writer writes for a database of `numRecords` records.
    static TDocHeader ForText(std::string_view title, std::uint16_t numRecords);
    // Name becomes the whole Shift-JIS characters of `title` that fit in 31
    // bytes (never half of a double-byte character), then NULs.
    void SetName(std::string_view title);
    bool IsDoc() const;

    void Read(TMemoryStream& stream);
    void Write(TMemoryStream& stream) const;
};

struct TRecIndex {
    std::uint32_t Offset = 0;      // absolute file offset of the record
    std::uint8_t Attributes = 0;
    std::uint32_t UniqueId = 0;    // 24 bits

    static TRecIndex CreateFromStream(TMemoryStream& stream);
};

struct TDocRecord0 {
    std::uint16_t Compression = 0;  // 2: records DOC-compressed; anything else: stored as they are
    std::uint16_t Spare = 0;
    std::uint32_t TextLength = 0;
    std::uint16_t RecordCount = 0;
    std::uint16_t RecordSize = 0;
    std::uint32_t Position = 0;

    void Read(TMemoryStream& stream);
    void Write(TMemoryStream& stream) const;
};

// True when the bytes start like a DOC database: type "TEXt" at offset 60 and
// creator "REAd" at 64. Nothing else is looked at; fewer than 68 bytes is false.
bool HasDocSignature(std::string_view fileStart);

// Reads the first 78 bytes of the file and tests them with HasDocSignature.
// Raises std::system_error naming the file when it cannot be opened or read.
bool IsDocFile(const std::string& fileName);

}  // namespace verdane
