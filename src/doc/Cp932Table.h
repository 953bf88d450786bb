// Code page 932 (Shift-JIS as Windows writes it) to and from Unicode: the
// program's one CP932 table, used by every conversion (the kanji codes, HTML
// references, the editor's codec and pattern code, the settings and registry
// files). The tables are generated once from the WINDOWS-31J charmap by
// tools/gen_cp932.py and committed.
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

// The CP932 code of every BMP code point in the form Windows writes, indexed
// by code point: a single byte as a value below 0x100, a pair as lead * 256 +
// trail, kNone where CP932 lacks the character. The JIS X 0208 forms other
// converters write for a few CP932 characters have those characters' codes:
// the wave dash U+301C is 0x8160 as U+FF5E is, and so the minus sign U+2212,
// the double vertical line U+2016, the em dash U+2014 and the cent, pound and
// not signs U+00A2, U+00A3, U+00AC. The yen sign and the overline have none:
// they are never turned into a backslash or a tilde.
const std::uint16_t* Codes();
inline std::uint16_t CodeOf(char32_t codePoint) { return codePoint <= 0xFFFF ? Codes()[codePoint] : kNone; }

// The same as an int: the code, or -1 when CP932 lacks the character.
int Encode(char32_t codePoint);

}  // namespace verdane::cp932
