// Shift-JIS text read as 16-bit character codes: the one rule every stage of the
// pattern engine shares (scanner, preprocessor, replacement texts, matcher).
// Entry points: ReadChar, DecodeEscape, AppendCode.
#pragma once

#include "Cp932Table.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace verdane::regex {

// Pseudo-characters of the automata. No text ever holds them: a text character
// is a single byte or a lead byte (at most 0xFC) with its trail byte.
inline constexpr std::uint16_t kLineHeadCode = 0xFFFD;
inline constexpr std::uint16_t kLineTailCode = 0xFFFE;
inline constexpr std::uint16_t kEmptyLabel = 0xFFFF;

inline bool IsLeadByte(unsigned char b) { return cp932::IsLeadByte(b); }

// 0-30 for the lead bytes 0x81-0x9F, 31-59 for 0xE0-0xFC (table index of a lead).
inline constexpr std::array<std::uint8_t, 256> kLeadIndex = [] {
    std::array<std::uint8_t, 256> index{};
    std::uint8_t next = 0;
    for (int b = 0; b < 256; ++b)
        if (cp932::IsLeadByte(static_cast<std::uint8_t>(b))) index[b] = next++;
    return index;
}();
inline constexpr int kLeadCount = 60;

// What a lead byte that is the last byte of its text means: in a pattern it is
// an error; in a searched text or a replacement it is read as a single byte.
enum class FinalLead { Error, Single };

// A pattern, text or replacement ends at its first NUL byte, as a zero-terminated
// string does.
inline std::string_view UpToNul(std::string_view s) {
    auto nul = s.find('\0');
    return nul == std::string_view::npos ? s : s.substr(0, nul);
}

// Reads the character at the 0-based byte position `pos` and moves past it.
// At the end it returns 0 and does not move. Raises ERegExpParser for a final
// lead byte when `rule` is FinalLead::Error.
std::uint16_t ReadChar(std::string_view s, std::size_t& pos, FinalLead rule);

// Decodes an escape whose backslash has just been read (`pos` is on the byte
// after it): b n r t, \x with 1-4 hex digits, 1-6 octal digits, anything else
// stands for itself. Raises ERegExpParser with the escape messages.
std::uint16_t DecodeEscape(std::string_view s, std::size_t& pos, FinalLead rule);

// Appends a code as two bytes when its high byte is a lead byte, else the low byte.
inline void AppendCode(std::string& out, std::uint16_t code) {
    if (IsLeadByte(static_cast<unsigned char>(code >> 8))) out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
}

}  // namespace verdane::regex
