// Code page 932 (Shift-JIS as Windows writes it) to and from Unicode.
// Used by the kanji-code conversion (UTF-8 input), HtmlToText (numeric character
// references) and, later, the editor's codec. The tables are generated once from
// the WINDOWS-31J charmap by tools/gen_cp932.py and committed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace verdane::cp932 {

struct EncodeEntry {
    std::uint16_t unicode;
    std::uint16_t sjis;
};

inline constexpr std::uint16_t kNone = 0xFFFF;

extern const std::uint16_t kSingle[256];
extern const std::int8_t kLeadIndex[256];
extern const std::uint16_t kDouble[][256];
extern const EncodeEntry kEncode[];
extern const std::size_t kEncodeCount;
extern const std::size_t kLeadCount;

// The Shift-JIS lead-byte ranges 0x81-0x9F and 0xE0-0xFC, as the ANSI code page
// reports them, whether or not the code page assigns characters behind them.
constexpr bool IsLeadByte(std::uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// The code point of a single byte, or kNone when CP932 assigns none (0x80, 0xA0, 0xFD-0xFF).
inline std::uint16_t DecodeSingle(std::uint8_t b) { return kSingle[b]; }

// The code point of a lead and trail byte, or kNone when CP932 assigns none.
inline std::uint16_t DecodeDouble(std::uint8_t lead, std::uint8_t trail) {
    const int index = kLeadIndex[lead];
    return index < 0 ? kNone : kDouble[index][trail];
}

// The CP932 code of a code point in the form Windows writes (a single byte is
// returned as a value below 0x100, a pair as lead * 256 + trail), or -1 when CP932
// cannot hold it.
int Encode(char32_t codePoint);

}  // namespace verdane::cp932
