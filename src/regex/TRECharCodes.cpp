// Reading Shift-JIS characters and backslash escapes; see TRECharCodes.h.
#include "TRECharCodes.h"

#include "ERegExpParser.h"

namespace verdane::regex {

std::uint16_t ReadChar(std::string_view s, std::size_t& pos, FinalLead rule) {
    if (pos >= s.size()) return 0;
    auto b = static_cast<unsigned char>(s[pos]);
    if (IsLeadByte(b)) {
        if (pos + 1 < s.size()) {
            auto trail = static_cast<unsigned char>(s[pos + 1]);
            pos += 2;
            return static_cast<std::uint16_t>(b << 8 | trail);
        }
        if (rule == FinalLead::Error) throw ERegExpParser(msg::kBadDoubleByte, pos + 1);
    }
    ++pos;
    return b;
}

namespace {

int HexValue(std::uint16_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::uint16_t DecodeEscape(std::string_view s, std::size_t& pos, FinalLead rule) {
    std::uint16_t c = ReadChar(s, pos, rule);
    switch (c) {
    case 0:
        throw ERegExpParser(msg::kTrailingBackslash, pos + 1);
    case 'b':
        return 8;
    case 'n':
        return 10;
    case 'r':
        return 13;
    case 't':
        return 9;
    case 'x': {
        unsigned value = 0;
        int digits = 0;
        while (digits < 4) {
            std::size_t before = pos;
            int v = HexValue(ReadChar(s, pos, rule));
            if (v < 0) {
                pos = before;
                break;
            }
            value = value * 16 + static_cast<unsigned>(v);
            ++digits;
        }
        if (digits == 0) throw ERegExpParser(msg::kBadHex, pos + 1);
        return static_cast<std::uint16_t>(value);
    }
    default:
        break;
    }
    if (c >= '0' && c <= '7') {
        unsigned long value = c - '0';
        for (int digits = 1; digits < 6; ++digits) {
            std::size_t before = pos;
            std::uint16_t d = ReadChar(s, pos, rule);
            if (d < '0' || d > '7') {
                pos = before;
                break;
            }
            value = value * 8 + (d - '0');
        }
        if (value > 0xFFFF) throw ERegExpParser(msg::kBadOctal, pos + 1);
        return static_cast<std::uint16_t>(value);
    }
    return c;
}

}  // namespace verdane::regex
