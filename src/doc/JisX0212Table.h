// The three-byte codes of EUC-JP (0x8F and two bytes, JIS X 0212): the character
// each names and its code in CP932, where CP932 holds it. Used by the EUC-JP
// conversion. The table is generated once from glibc's charmaps by
// tools/gen_jisx0212.py and committed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace verdane::jisx0212 {

struct Entry {
    std::uint16_t jis;      // row << 8 | cell, each 0x21-0x7E (the EUC-JP bytes without their high bit)
    std::uint16_t unicode;  // the character
    std::uint16_t sjis;     // its CP932 code (lead * 256 + trail, or a single byte), or kNone
};

inline constexpr std::uint16_t kNone = 0xFFFF;

extern const Entry kEntries[];
extern const std::size_t kEntryCount;

// The entry of the code whose second and third EUC-JP bytes are `b2` and `b3`,
// or nullptr when the code names no character.
const Entry* Find(std::uint8_t b2, std::uint8_t b3);

}  // namespace verdane::jisx0212
