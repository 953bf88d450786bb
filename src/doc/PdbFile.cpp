#include "PdbFile.h"

#include "Cp932Table.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

namespace verdane {

namespace {

// File order (big-endian) to host order and back.
std::uint16_t BigEndian16(std::uint16_t v) {
    if constexpr (std::endian::native == std::endian::little) return Swap16(v);
    return v;
}
std::uint32_t BigEndian32(std::uint32_t v) {
    if constexpr (std::endian::native == std::endian::little) return Swap32(v);
    return v;
}

std::uint16_t Read16(TMemoryStream& s) {
    std::uint16_t v;
    s.ReadBuffer(&v, 2);
    return BigEndian16(v);
}
std::uint32_t Read32(TMemoryStream& s) {
    std::uint32_t v;
    s.ReadBuffer(&v, 4);
    return BigEndian32(v);
}
void Write16(TMemoryStream& s, std::uint16_t v) {
    v = BigEndian16(v);
    s.Write(&v, 2);
}
void Write32(TMemoryStream& s, std::uint32_t v) {
    v = BigEndian32(v);
    s.Write(&v, 4);
}

}  // namespace

TDocHeader TDocHeader::ForText(std::string_view title, std::uint16_t numRecords) {
    TDocHeader h;
    h.SetName(title);
    h.CreationDate = kDocFixedDate;
    h.ModificationDate = kDocFixedDate;
    std::copy(kDocType.begin(), kDocType.end(), h.DbType.begin());
    std::copy(kDocCreator.begin(), kDocCreator.end(), h.Creator.begin());
    h.NumRecords = numRecords;
    return h;
}

void TDocHeader::SetName(std::string_view title) {
    Name.fill('\0');
    // Whole Shift-JIS characters only: a double-byte character that would not
    // fit is left out, not cut in half. A lead byte that ends the title counts
    // one byte, as it stands.
    std::size_t kept = 0;
    while (kept < title.size()) {
        const bool pair = cp932::IsLeadByte(static_cast<std::uint8_t>(title[kept])) && kept + 1 < title.size();
        const std::size_t size = pair ? 2 : 1;
        if (kept + size > Name.size() - 1) break;
        kept += size;
    }
    std::copy_n(title.begin(), kept, Name.begin());
}

bool TDocHeader::IsDoc() const {
    return std::string_view(DbType.data(), 4) == kDocType && std::string_view(Creator.data(), 4) == kDocCreator;
}

void TDocHeader::Read(TMemoryStream& s) {
    s.ReadBuffer(Name.data(), Name.size());
    const std::uint32_t attributesAndVersion = Read32(s);
    Attributes = static_cast<std::uint16_t>(attributesAndVersion >> 16);
    Version = static_cast<std::uint16_t>(attributesAndVersion);
    CreationDate = Read32(s);
    ModificationDate = Read32(s);
    BackupDate = Read32(s);
    ModificationNumber = Read32(s);
    AppInfoId = Read32(s);
    SortInfoId = Read32(s);
    s.ReadBuffer(DbType.data(), 4);
    s.ReadBuffer(Creator.data(), 4);
    UniqueIdSeed = Read32(s);
    NextRecordListId = Read32(s);
    NumRecords = Read16(s);
}

void TDocHeader::Write(TMemoryStream& s) const {
    s.Write(Name.data(), Name.size());
    Write32(s, (std::uint32_t{Attributes} << 16) | Version);
    Write32(s, CreationDate);
    Write32(s, ModificationDate);
    Write32(s, BackupDate);
    Write32(s, ModificationNumber);
    Write32(s, AppInfoId);
    Write32(s, SortInfoId);
    s.Write(DbType.data(), 4);
    s.Write(Creator.data(), 4);
    Write32(s, UniqueIdSeed);
    Write32(s, NextRecordListId);
    Write16(s, NumRecords);
}

TRecIndex TRecIndex::CreateFromStream(TMemoryStream& s) {
    TRecIndex entry;
    entry.Offset = Read32(s);
    std::uint8_t rest[4];
    s.ReadBuffer(rest, 4);
    entry.Attributes = rest[0];
    entry.UniqueId = (std::uint32_t{rest[1]} << 16) | (std::uint32_t{rest[2]} << 8) | rest[3];
    return entry;
}

void TDocRecord0::Read(TMemoryStream& s) {
    Compression = Read16(s);
    Spare = Read16(s);
    TextLength = Read32(s);
    RecordCount = Read16(s);
    RecordSize = Read16(s);
    Position = Read32(s);
}

void TDocRecord0::Write(TMemoryStream& s) const {
    Write16(s, Compression);
    Write16(s, Spare);
    Write32(s, TextLength);
    Write16(s, RecordCount);
    Write16(s, RecordSize);
    Write32(s, Position);
}

bool HasDocSignature(std::string_view fileStart) {
    return fileStart.size() >= 68 && fileStart.substr(60, 4) == kDocType && fileStart.substr(64, 4) == kDocCreator;
}

bool IsDocFile(const std::string& fileName) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName.c_str(), "rb"), &std::fclose);
    if (!file) throw std::system_error(errno, std::generic_category(), "cannot open " + fileName);
    char start[kDocHeaderSize];
    const std::size_t n = std::fread(start, 1, sizeof start, file.get());
    if (n < sizeof start && std::ferror(file.get()))
        throw std::system_error(errno, std::generic_category(), "cannot read " + fileName);
    return HasDocSignature(std::string_view(start, n));
}

}  // namespace verdane
