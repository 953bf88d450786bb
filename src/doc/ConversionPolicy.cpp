#include "ConversionPolicy.h"

#include "BaseLetterTable.h"
#include "Cp932Table.h"

#include <algorithm>

namespace verdane {

namespace {

constexpr char32_t kGetaMark = 0x3013;       // 〓
constexpr char32_t kFullWidthYen = 0xFFE5;   // ￥, 0x818F in Shift-JIS
constexpr std::uint16_t kFirstEucLacked = 0xED00;

// Latin letters that have no canonical decomposition but a plain spelling
// every reader knows: the stroked letters, the ligatures and the inverted
// marks that accent notation writes.
struct Plain {
    char32_t letter;
    char spelling[3];
};
constexpr Plain kPlainLatin[] = {
    {0xA1, "!"},  {0xBF, "?"},  {0xC6, "AE"}, {0xD0, "D"},  {0xD8, "O"},  {0xDE, "Th"}, {0xDF, "ss"},
    {0xE6, "ae"}, {0xF0, "d"},  {0xF8, "o"},  {0xFE, "th"}, {0x110, "D"}, {0x111, "d"}, {0x131, "i"},
    {0x132, "IJ"}, {0x133, "ij"}, {0x141, "L"}, {0x142, "l"}, {0x152, "OE"}, {0x153, "oe"},
};

StandIn PlainSpelling(char32_t c) {
    const Plain* end = std::end(kPlainLatin);
    const Plain* p = std::lower_bound(std::begin(kPlainLatin), end, c,
                                      [](const Plain& a, char32_t b) { return a.letter < b; });
    if (p == end || p->letter != c) return {};
    return StandIn{{static_cast<char32_t>(p->spelling[0]), static_cast<char32_t>(p->spelling[1])}};
}

char32_t BaseLetter(char32_t c) {
    if (c > 0xFFFF) return 0;
    const auto* end = baseletters::kEntries + baseletters::kEntryCount;
    const auto* e = std::lower_bound(baseletters::kEntries, end, c,
                                     [](const baseletters::Entry& a, char32_t b) { return a.letter < b; });
    return e != end && e->letter == c ? e->base : 0;
}

}  // namespace

bool Holds(FileCode code, char32_t c) {
    if (c < 0x80) return true;
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return false;
    if (code == FileCode::Utf8) return true;
    const std::uint16_t sjis = cp932::CodeOf(c);
    if (sjis == cp932::kNone) return false;
    return code == FileCode::ShiftJis || sjis < kFirstEucLacked;
}

StandIn StandInFor(char32_t c, FileCode code, Lacking lacking) {
    if (c == 0xA0 || c == 0x202F) return StandIn{{U' '}};
    if (c == 0xA5 && Holds(code, kFullWidthYen)) return StandIn{{kFullWidthYen}};
    if (const StandIn plain = PlainSpelling(c); plain.size() != 0) return plain;
    if (const char32_t base = BaseLetter(c); base != 0 && Holds(code, base)) return StandIn{{base}};
    return StandIn{{lacking == Lacking::Geta && Holds(code, kGetaMark) ? kGetaMark : U'?'}};
}

std::size_t WriteCharacter(char32_t c, FileCode code, char* out) {
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return 0;
    if (code == FileCode::Utf8) {
        if (c < 0x800) {
            out[0] = static_cast<char>(0xC0 | (c >> 6));
            out[1] = static_cast<char>(0x80 | (c & 0x3F));
            return 2;
        }
        if (c < 0x10000) {
            out[0] = static_cast<char>(0xE0 | (c >> 12));
            out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out[2] = static_cast<char>(0x80 | (c & 0x3F));
            return 3;
        }
        out[0] = static_cast<char>(0xF0 | (c >> 18));
        out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[3] = static_cast<char>(0x80 | (c & 0x3F));
        return 4;
    }
    const std::uint16_t sjis = cp932::CodeOf(c);
    if (sjis == cp932::kNone) return 0;
    if (code == FileCode::ShiftJis) {
        if (sjis < 0x100) {
            out[0] = static_cast<char>(sjis);
            return 1;
        }
        out[0] = static_cast<char>(sjis >> 8);
        out[1] = static_cast<char>(sjis & 0xFF);
        return 2;
    }
    if (sjis >= kFirstEucLacked) return 0;
    if (sjis >= 0xA1 && sjis <= 0xDF) {  // half-width katakana
        out[0] = '\x8E';
        out[1] = static_cast<char>(sjis);
        return 2;
    }
    if (sjis < 0x100) {
        out[0] = static_cast<char>(sjis);
        return 1;
    }
    EucPairOf(sjis, out);
    return 2;
}

std::size_t WriteStandIn(char32_t c, FileCode code, Lacking lacking, char* out, StandIn* standIn) {
    const StandIn s = StandInFor(c, code, lacking);
    if (standIn) *standIn = s;
    std::size_t w = 0;
    for (std::size_t k = 0; k < s.size(); ++k) w += WriteCharacter(s.chars[k], code, out + w);
    return w;
}

}  // namespace verdane
