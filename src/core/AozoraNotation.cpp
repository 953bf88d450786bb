// The Aozora notation cleaner: one pass over the lines of the text, one pass
// over the characters of each line. Ordinary characters are copied in runs;
// only the notation's own characters (［＃, ※, ｜, 《, 〔) stop the copy. All of
// them are two-byte characters with the lead byte 0x81, so they are looked for
// sixteen bytes at a time, and a match counts only where a character starts:
// a trail byte is never taken for the start of a notation.
#include "AozoraNotation.h"

#include "Cp932Table.h"
#include "EditorCodec.h"
#include "EditorFileCodec.h"
#include "JisX0213Table.h"

#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <optional>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace verdane {

namespace {

using u8 = unsigned char;

// The notation's characters in CP932.
constexpr char kOpenQuote[] = "\x81\x75";     // 「
constexpr char kCloseQuote[] = "\x81\x76";    // 」
constexpr char kComma[] = "\x81\x41";         // 、
constexpr char kOpenParen[] = "\x81\x69";     // （
constexpr char kCloseParen[] = "\x81\x6A";    // ）
constexpr char kKome[] = "\x81\xA6";          // ※
constexpr char kIdeographicSpace[] = "\x81\x40";
constexpr std::string_view kIndentWord = "\x8E\x9A\x89\xBA\x82\xB0";  // 字下げ
constexpr std::string_view kFromHere = "\x82\xB1\x82\xB1\x82\xA9\x82\xE7";  // ここから
constexpr std::string_view kFromTop = "\x93\x56\x82\xA9\x82\xE7";  // 天から
constexpr std::string_view kHere = "\x82\xB1\x82\xB1\x82\xC5";  // ここで
constexpr std::string_view kEnd = "\x8F\x49\x82\xED\x82\xE8";  // 終わり
constexpr std::string_view kHeading = "\x8C\xA9\x8F\x6F\x82\xB5";  // 見出し
constexpr std::string_view kWarichu = "\x8A\x84\x82\xE8\x92\x8D";  // 割り注
constexpr std::string_view kWarichuEnd = "\x8A\x84\x82\xE8\x92\x8D\x8F\x49\x82\xED\x82\xE8";  // 割り注終わり
constexpr std::string_view kLeft = "\x8D\xB6\x82\xC9";                // 左に
constexpr std::string_view kOfLeft = "\x82\xCC\x8D\xB6\x82\xC9";    // の左に
constexpr std::string_view kNi = "\x82\xC9";                            // に
constexpr std::string_view kOfRuby = "\x82\xCC\x83\x8B\x83\x72";    // のルビ
constexpr std::string_view kOfNote = "\x82\xCC\x92\x8D\x8B\x4C";    // の注記
constexpr std::string_view kAttachedEnd = "\x95\x74\x82\xAB\x8F\x49\x82\xED\x82\xE8";  // 付き終わり
constexpr std::string_view kRe = "\x83\x8C";                            // レ
// The kaeriten that stand before a レ or alone: 一 二 三 四 上 中 下 甲 乙 丙 丁 天 地 人.
constexpr std::string_view kKaeriten[] = {"\x88\xEA", "\x93\xF1", "\x8E\x4F", "\x8E\x6C", "\x8F\xE3",
                                          "\x92\x86", "\x89\xBA", "\x8D\x62", "\x89\xB3", "\x95\xB8",
                                          "\x92\x9A", "\x93\x56", "\x92\x6E", "\x90\x6C"};

// Second bytes of the notation's characters behind the lead byte 0x81.
constexpr u8 kTrailOpenBracket = 0x6D;
constexpr u8 kTrailCloseBracket = 0x6E;
constexpr u8 kTrailSharp = 0x94;  // ＃
constexpr u8 kTrailKome = 0xA6;
constexpr u8 kTrailBar = 0x62;    // ｜
constexpr u8 kTrailOpenRuby = 0x73;   // 《
constexpr u8 kTrailCloseRuby = 0x74;  // 》
constexpr u8 kTrailOpenQuote = 0x75;
constexpr u8 kTrailCloseQuote = 0x76;
constexpr u8 kTrailOpenParen = 0x69;   // （
constexpr u8 kTrailCloseParen = 0x6A;  // ）
constexpr u8 kTrailOpenGroup = 0x6B;   // 〔
constexpr u8 kTrailCloseGroup = 0x6C;  // 〕

// More ideographic spaces than a handheld's line holds several times over; a
// larger number in an annotation is taken as this.
constexpr int kMaxIndent = 100;
// The longest annotation and the deepest nesting of brackets or quotes in one:
// far beyond what Aozora's notes hold (a few dozen characters, a note in a note).
constexpr std::ptrdiff_t kMaxNoteBytes = 4096;
constexpr int kMaxNesting = 8;

// The lead-range bytes (0x81-0x9F, 0xE0-0xFC) among 16 bytes, as a bit mask.
#ifdef __SSE2__
inline unsigned LeadMask(__m128i bytes) {
    const __m128i low = _mm_sub_epi8(bytes, _mm_set1_epi8(static_cast<char>(0x81)));
    const __m128i high = _mm_sub_epi8(bytes, _mm_set1_epi8(static_cast<char>(0xE0)));
    const __m128i inLow = _mm_cmpeq_epi8(_mm_min_epu8(low, _mm_set1_epi8(0x1E)), low);
    const __m128i inHigh = _mm_cmpeq_epi8(_mm_min_epu8(high, _mm_set1_epi8(0x1C)), high);
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(inLow, inHigh)));
}
#endif

// Whether byte `i` of a block that starts at a character boundary starts a
// character, from the block's lead-range mask (bit 16 may be asked for). A
// byte outside the lead-byte ranges ends a character (a one-byte character or
// a trail byte), and the lead-range bytes after it pair up: a byte starts a
// character when an even number of lead-range bytes stand between it and the
// last such byte (or the block's start).
inline bool StartsCharacter(unsigned lead, unsigned i) {
    const unsigned ends = ~lead & ((1u << i) - 1);
    const unsigned runStart = ends == 0 ? 0 : 32u - static_cast<unsigned>(__builtin_clz(ends));
    return ((i - runStart) & 1u) == 0;
}

// Visits the characters 0x81 t in [p, end) whose second byte t is one of
// `Trails`, in order: `visit(q)` returns where the walk goes on (a character
// boundary past q), or nullptr to stop there. Returns the character the walk
// stopped at, or `end`. `p` is a character boundary; the bytes up to `readable`
// (the end of the whole text, at or past `end`) may be read, so a short range
// costs one step of sixteen bytes too.
// The notation's characters all have the lead byte 0x81, which Japanese
// punctuation shares, so the pairs are looked for sixteen bytes at a time and a
// pair counts only when it starts a character: a trail byte 0x81 is never
// taken for the start of one.
template <u8... Trails, typename Visit>
inline const char* VisitMarked(const char* p, const char* end, const char* readable, Visit&& visit) {
#ifdef __SSE2__
    while (end - p >= 2 && readable - p > 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
        const __m128i trail = (... | _mm_cmpeq_epi8(next, _mm_set1_epi8(static_cast<char>(Trails))));
        unsigned marked = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(static_cast<char>(0x81))), trail)));
        // Only a pair that ends before `end` counts.
        const bool lastBlock = end - p <= 17;
        if (lastBlock) marked &= (1u << (end - p - 1)) - 1;
        const unsigned lead = marked != 0 || !lastBlock ? LeadMask(bytes) : 0;
        const char* resume = nullptr;
        while (marked != 0) {
            const auto i = static_cast<unsigned>(__builtin_ctz(marked));
            marked &= marked - 1;
            if (!StartsCharacter(lead, i)) continue;
            const char* const q = p + i;
            const char* const after = visit(q);
            if (after == nullptr) return q;
            if (after - p >= 16) {
                resume = after;
                break;
            }
            marked &= ~((1u << (after - p)) - 1);
        }
        if (resume != nullptr)
            p = resume;
        else if (lastBlock)
            return end;
        else
            p += StartsCharacter(lead, 16) ? 16 : 17;
    }
#endif
    (void)readable;
    while (end - p >= 2) {
        if (static_cast<u8>(p[0]) == 0x81 && ((static_cast<u8>(p[1]) == Trails) || ...)) {
            const char* const after = visit(p);
            if (after == nullptr) return p;
            p = after;
        } else {
            p += cp932::IsLeadByte(static_cast<u8>(*p)) ? 2 : 1;
        }
    }
    return end;
}

// The first character 0x81 t in [p, end) whose t is one of `Trails`, or `end`.
template <u8... Trails>
inline const char* FindMarked(const char* p, const char* end, const char* readable) {
    return VisitMarked<Trails...>(p, end, readable, [](const char*) -> const char* { return nullptr; });
}

// Bytes of the character starting at p (1 or 2), never past `end`.
inline std::size_t CharLength(const char* p, const char* end) {
    return cp932::IsLeadByte(static_cast<u8>(*p)) && end - p >= 2 ? 2 : 1;
}

inline bool IsChar(const char* p, const char* end, u8 trail) {
    return end - p >= 2 && static_cast<u8>(p[0]) == 0x81 && static_cast<u8>(p[1]) == trail;
}

// The few words the annotations are told apart by are compared inline: an
// annotation is looked at by several of these, and most of them differ at once.
[[gnu::always_inline]] inline bool StartsWith(std::string_view text, std::string_view prefix) {
    return prefix.empty() ||
           (text.size() >= prefix.size() && std::memcmp(text.data(), prefix.data(), prefix.size()) == 0);
}
[[gnu::always_inline]] inline bool EndsWith(std::string_view text, std::string_view suffix) {
    return suffix.empty() || (text.size() >= suffix.size() &&
                              std::memcmp(text.data() + text.size() - suffix.size(), suffix.data(), suffix.size()) == 0);
}

// The first place of `needle` (two bytes or more) in `text` at a character
// boundary, or npos.
[[gnu::always_inline]] inline std::size_t FindAligned(std::string_view text, std::string_view needle) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    // The first two bytes are compared before the rest: most places differ there.
    for (const char* p = begin; end - p >= static_cast<std::ptrdiff_t>(needle.size()); p += CharLength(p, end))
        if (p[0] == needle[0] && p[1] == needle[1] && std::memcmp(p + 2, needle.data() + 2, needle.size() - 2) == 0)
            return static_cast<std::size_t>(p - begin);
    return std::string_view::npos;
}

// A decimal number in half- or full-width digits at the start of `text`: its
// value (at most kMaxIndent) and the bytes it takes, or 0 bytes when none.
[[gnu::always_inline]] inline std::size_t ReadNumber(std::string_view text, int& value) {
    std::size_t at = 0;
    value = 0;
    while (at < text.size()) {
        int digit;
        const u8 c = static_cast<u8>(text[at]);
        if (c >= '0' && c <= '9') {
            digit = c - '0';
            at += 1;
        } else if (c == 0x82 && at + 1 < text.size() && static_cast<u8>(text[at + 1]) >= 0x4F &&
                   static_cast<u8>(text[at + 1]) <= 0x58) {
            digit = static_cast<u8>(text[at + 1]) - 0x4F;  // ０-９
            at += 2;
        } else {
            break;
        }
        value = value * 10 + digit;
        if (value > kMaxIndent) value = kMaxIndent;
    }
    return at;
}

// The number of ideographic spaces an annotation asks for: "N字下げ" exactly
// (after `prefix`), or with something after a "、" when `rest` allows it.
[[gnu::always_inline]] inline bool IndentOf(std::string_view note, std::string_view prefix, bool rest, int& n) {
    if (!StartsWith(note, prefix)) return false;
    note.remove_prefix(prefix.size());
    const std::size_t digits = ReadNumber(note, n);
    if (digits == 0) return false;
    note.remove_prefix(digits);
    if (!StartsWith(note, kIndentWord)) return false;
    note.remove_prefix(kIndentWord.size());
    return note.empty() || (rest && StartsWith(note, kComma));
}

enum class Kind { None, Kanji, Hiragana, Katakana, Latin };

Kind KindOf(const char* p, std::size_t length) {
    const u8 c = static_cast<u8>(p[0]);
    if (length == 1) {
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return Kind::Latin;
        if (c >= 0xA6 && c <= 0xDF) return Kind::Katakana;  // half-width katakana and its ｰ
        return Kind::None;
    }
    const char32_t u = cp932::DecodeDouble(c, static_cast<u8>(p[1]));
    if ((u >= 0x4E00 && u <= 0x9FFF) || (u >= 0x3400 && u <= 0x4DBF) || (u >= 0xF900 && u <= 0xFAFF) ||
        u == 0x3005 || u == 0x3006 || u == 0x3007 || u == 0x30F6)  // 々 〆 〇 ヶ
        return Kind::Kanji;
    if (u >= 0x3041 && u <= 0x309F) return Kind::Hiragana;
    if ((u >= 0x30A1 && u <= 0x30FA) || u == 0x30FC || u == 0x30FD || u == 0x30FE) return Kind::Katakana;
    if ((u >= 0xFF10 && u <= 0xFF19) || (u >= 0xFF21 && u <= 0xFF3A) || (u >= 0xFF41 && u <= 0xFF5A))
        return Kind::Latin;
    return Kind::None;
}

constexpr bool IsLeadRange(u8 b) { return cp932::IsLeadByte(b); }

// The kind of the last character of `text`, a run of whole characters. Found
// from the end: a byte outside the lead-byte ranges ends a character, so the
// lead-range bytes after the last such byte pair up, and their count tells
// whether the last byte stands alone or ends a pair.
Kind LastCharKind(std::string_view text) {
    if (text.empty()) return Kind::None;
    std::size_t leadRange = 0;
    for (std::size_t i = text.size() - 1; i > 0 && IsLeadRange(static_cast<u8>(text[i - 1])); --i) ++leadRange;
    const bool pair = leadRange % 2 == 1;
    return KindOf(text.data() + text.size() - (pair ? 2 : 1), pair ? 2 : 1);
}

// Where the note that opens at `p` (on "［＃") ends: the "］" that closes it,
// skipping nested brackets and whatever stands inside 「」 quotes (which may
// quote brackets). A note whose quotes do not close within the line is closed
// by its brackets alone; nullptr when even they do not close. A note is looked
// for no further than kMaxNoteBytes and kMaxNesting deep, so a line full of
// unclosed brackets costs a bounded walk from each of them, and the notes
// inside notes that the cleaner recurses into stay few.
const char* NoteEnd(const char* p, const char* end, const char* readable) {
    if (end - p > kMaxNoteBytes) end = p + kMaxNoteBytes;
    for (const bool quotes : {true, false}) {
        int brackets = 1;
        int quoted = 0;
        bool closed = false;
        const char* q = VisitMarked<kTrailOpenQuote, kTrailCloseQuote, kTrailOpenBracket, kTrailCloseBracket>(
            p + 4, end, readable, [&](const char* at) -> const char* {
                const u8 trail = static_cast<u8>(at[1]);
                if (quotes && trail == kTrailOpenQuote) {
                    if (++quoted > kMaxNesting) return nullptr;
                } else if (quotes && quoted > 0) {
                    if (trail == kTrailCloseQuote) --quoted;
                } else if (trail == kTrailOpenBracket) {
                    if (++brackets > kMaxNesting) return nullptr;
                } else if (trail == kTrailCloseBracket && --brackets == 0) {
                    closed = true;
                    return nullptr;
                }
                return at + 2;
            });
        if (closed) return q;
    }
    return nullptr;
}

bool IsHex(u8 c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// "U+" and four to six hexadecimal digits at `at`: the code point, or 0.
char32_t UnicodeAt(std::string_view text, std::size_t at) {
    if (at + 2 > text.size() || text[at] != 'U' || text[at + 1] != '+') return 0;
    std::size_t digits = 0;
    char32_t value = 0;
    while (at + 2 + digits < text.size() && IsHex(static_cast<u8>(text[at + 2 + digits]))) {
        const u8 c = static_cast<u8>(text[at + 2 + digits]);
        value = value * 16 + (c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
        if (++digits > 6) return 0;
    }
    return digits >= 4 && value <= 0x10FFFF ? value : 0;
}

// A JIS X 0213 plane-row-cell "P-R-C" at `at` (half-width digits, the numbers
// standing alone): the code point there, or 0.
char32_t PlaneRowCellAt(std::string_view text, std::size_t at) {
    auto digit = [&](std::size_t i) { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
    if (!digit(at) || (at > 0 && (digit(at - 1) || text[at - 1] == '-'))) return 0;
    int numbers[3] = {0, 0, 0};
    std::size_t i = at;
    for (int n = 0; n < 3; ++n) {
        if (n > 0) {
            if (i >= text.size() || text[i] != '-') return 0;
            ++i;
        }
        std::size_t digits = 0;
        while (digit(i)) {
            if (++digits > 2) return 0;
            numbers[n] = numbers[n] * 10 + (text[i] - '0');
            ++i;
        }
        if (digits == 0) return 0;
    }
    if (i < text.size() && (digit(i) || text[i] == '-')) return 0;
    return jisx0213::ToUnicode(numbers[0], numbers[1], numbers[2]);
}

// The text inside the first 「」 of a note, nested quotes included (to the end
// of the note when it does not close); the note up to its first "、" when it
// has no 「. `after` receives where the rest of the note starts.
std::string_view Description(std::string_view note, std::size_t& after) {
    const std::size_t open = FindAligned(note, kOpenQuote);
    if (open == std::string_view::npos) {
        const std::size_t comma = FindAligned(note, kComma);
        after = comma == std::string_view::npos ? note.size() : comma;
        return note.substr(0, after);
    }
    const char* begin = note.data() + open + 2;
    const char* end = note.data() + note.size();
    int depth = 1;
    for (const char* q = begin; q < end; q += CharLength(q, end)) {
        if (IsChar(q, end, kTrailOpenQuote)) {
            ++depth;
        } else if (IsChar(q, end, kTrailCloseQuote) && --depth == 0) {
            after = static_cast<std::size_t>(q + 2 - note.data());
            return {begin, static_cast<std::size_t>(q - begin)};
        }
    }
    after = note.size();
    return {begin, static_cast<std::size_t>(end - begin)};
}

// The character a note names by its code (the first U+XXXX or plane-row-cell
// after the description), or 0 when it names none.
char32_t DescribedCodePoint(std::string_view note, std::size_t from) {
    const char* end = note.data() + note.size();
    for (const char* p = note.data() + from; p < end; p += CharLength(p, end)) {
        // A code starts with "U" or a digit, never with a two-byte character.
        const u8 c = static_cast<u8>(*p);
        if (c != 'U' && (c < '0' || c > '9')) continue;
        const std::size_t at = static_cast<std::size_t>(p - note.data());
        if (const char32_t u = UnicodeAt(note, at)) return u;
        if (const char32_t u = PlaneRowCellAt(note, at)) return u;
    }
    return 0;
}

// A kaeriten annotation: one of 一 二 三 四 上 中 下 甲 乙 丙 丁 天 地 人, a レ,
// or one of them followed by レ.
bool IsKaeriten(std::string_view note) {
    if (note.empty() || note.size() > 4) return false;
    if (EndsWith(note, kRe)) note.remove_suffix(kRe.size());
    if (note.empty()) return true;
    if (note.size() != 2) return false;
    for (const std::string_view mark : kKaeriten)
        if (note[0] == mark[0] && note[1] == mark[1]) return true;
    return false;
}

// What stands between 「 and 」 when they enclose the whole of `text`.
std::optional<std::string_view> Quoted(std::string_view text) {
    if (text.size() < 4 || !StartsWith(text, kOpenQuote) || !EndsWith(text, kCloseQuote)) return std::nullopt;
    return text.substr(2, text.size() - 4);
}

// The reading an annotation gives the text it follows, or nullopt: the closing
// annotation of a base marked at its start ([左に]「X」のルビ付き終わり,
// [左に]「X」の注記付き終わり), or one that names its base (「B」の左に「X」のルビ,
// 「B」に「X」のルビ, and the same with の注記).
std::optional<std::string_view> AnnotatedReading(std::string_view note) {
    // Every form ends in ルビ, 注記 or 終わり: the last character sets most notes
    // (傍点, 見出し, ...) aside at once.
    if (note.size() < 8) return std::nullopt;
    const u8 lead = static_cast<u8>(note[note.size() - 2]);
    const u8 trail = static_cast<u8>(note[note.size() - 1]);
    if (!(lead == 0x83 && trail == 0x72) && !(lead == 0x8B && trail == 0x4C) && !(lead == 0x82 && trail == 0xE8))
        return std::nullopt;
    if (EndsWith(note, kAttachedEnd)) {
        note.remove_suffix(kAttachedEnd.size());
        if (!EndsWith(note, kOfRuby) && !EndsWith(note, kOfNote)) return std::nullopt;
        note.remove_suffix(kOfRuby.size());
        if (StartsWith(note, kLeft)) note.remove_prefix(kLeft.size());
        return Quoted(note);
    }
    if (!StartsWith(note, kOpenQuote) || (!EndsWith(note, kOfRuby) && !EndsWith(note, kOfNote))) return std::nullopt;
    note.remove_suffix(kOfRuby.size());
    std::size_t after = 0;
    Description(note, after);
    note.remove_prefix(after);
    if (StartsWith(note, kOfLeft))
        note.remove_prefix(kOfLeft.size());
    else if (StartsWith(note, kNi))
        note.remove_prefix(kNi.size());
    else
        return std::nullopt;
    return Quoted(note);
}

// The accented letter that a letter and the accent mark after it make in
// Aozora's accent notation, or 0.
char32_t AccentedLetter(u8 letter, u8 mark) {
    const bool lower = letter >= 'a' && letter <= 'z';
    if (!lower && !(letter >= 'A' && letter <= 'Z')) return 0;
    const u8 upper = lower ? letter - 0x20 : letter;
    auto pick = [&](std::string_view letters, std::initializer_list<char32_t> codes) -> char32_t {
        const std::size_t at = letters.find(static_cast<char>(upper));
        if (at == std::string_view::npos) return 0;
        return codes.begin()[at] + (lower ? 0x20 : 0);
    };
    switch (mark) {
    case '`': return pick("AEIOU", {0xC0, 0xC8, 0xCC, 0xD2, 0xD9});
    case '\'': return pick("AEIOUY", {0xC1, 0xC9, 0xCD, 0xD3, 0xDA, 0xDD});
    case '^': return pick("AEIOU", {0xC2, 0xCA, 0xCE, 0xD4, 0xDB});
    case ':':
        if (upper == 'Y') return lower ? 0xFF : 0x178;
        return pick("AEIOU", {0xC4, 0xCB, 0xCF, 0xD6, 0xDC});
    case '~': return pick("ANO", {0xC3, 0xD1, 0xD5});
    case '&': return pick("A", {0xC5});
    case ',': return pick("C", {0xC7});
    case '/': return pick("O", {0xD8});
    case '_': {
        // The macron letters are pairs: capital, then small.
        const char32_t capital = pick("AEIOU", {0x100, 0x112, 0x12A, 0x14C, 0x16A});
        return capital == 0 ? 0 : lower ? capital - 0x20 + 1 : capital;
    }
    default: return 0;
    }
}

// An accented letter written in accent notation at `p`: the letter and the
// bytes of its notation.
struct Accent {
    char32_t letter = 0;
    std::size_t length = 0;
};

Accent AccentAt(const char* p, const char* end) {
    const auto rest = static_cast<std::size_t>(end - p);
    const std::string_view at(p, rest < 3 ? rest : 3);
    struct Ligature {
        std::string_view notation;
        char32_t letter;
    };
    static constexpr Ligature kLigatures[] = {
        {"ae&", 0xE6}, {"AE&", 0xC6}, {"oe&", 0x153}, {"OE&", 0x152}, {"s&", 0xDF}, {"!@", 0xA1}, {"?@", 0xBF},
    };
    for (const Ligature& l : kLigatures)
        if (StartsWith(at, l.notation)) return {l.letter, l.notation.size()};
    if (at.size() < 2) return {};
    if (const char32_t letter = AccentedLetter(static_cast<u8>(at[0]), static_cast<u8>(at[1]))) return {letter, 2};
    return {};
}

bool HasAccent(const char* p, const char* end) {
    for (; p < end; p += CharLength(p, end))
        if (AccentAt(p, end).letter != 0) return true;
    return false;
}


bool IsRuleLine(std::string_view line) {
    if (line.size() < 50) return false;
    for (const char c : line)
        if (c != '-') return false;
    return true;
}

// A line's content without its line end, and the line end's bytes.
struct Line {
    std::string_view content;
    std::string_view ending;
};

Line NextLine(std::string_view text, std::size_t at) {
    const void* lf = std::memchr(text.data() + at, '\n', text.size() - at);
    if (lf == nullptr) return {text.substr(at), {}};
    std::size_t stop = static_cast<std::size_t>(static_cast<const char*>(lf) - text.data());
    std::size_t contentEnd = stop;
    if (contentEnd > at && text[contentEnd - 1] == '\r') --contentEnd;
    return {text.substr(at, contentEnd - at), text.substr(contentEnd, stop + 1 - contentEnd)};
}

// The byte range of the block of notes at the top, or an empty range.
std::pair<std::size_t, std::size_t> NotesBlock(std::string_view text) {
    std::size_t at = 0;
    std::size_t first = std::string_view::npos;
    for (int index = 0; at < text.size(); ++index) {
        const Line line = NextLine(text, at);
        const std::size_t next = at + line.content.size() + line.ending.size();
        if (IsRuleLine(line.content)) {
            if (first != std::string_view::npos) return {first, next};
            first = at;
        } else if (first == std::string_view::npos && index >= 29) {
            break;
        }
        at = next;
    }
    return {0, 0};
}

// The first "\n" in [p, end), or nullptr. Lines are short: sixteen bytes at a
// time inline costs less than a call to memchr for each.
inline const char* FindLineFeed(const char* p, const char* end) {
#ifdef __SSE2__
    for (; end - p >= 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        if (const int found = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))))
            return p + __builtin_ctz(static_cast<unsigned>(found));
    }
#endif
    return static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
}

class Cleaner {
public:
    Cleaner(const AozoraOptions& options, std::string& out) : options_(options), out_(out) {}

    void Run(std::string_view text) {
        const char* const begin = text.data();
        const char* const end = begin + text.size();
        readable_ = end;
        const auto [skipFrom, skipTo] = NotesBlock(text);
        const char* const notesFrom = skipTo > skipFrom ? begin + skipFrom : nullptr;
        for (const char* p = begin; p < end;) {
            if (p == notesFrom) {
                p = begin + skipTo;
                continue;
            }
            const char* lf = FindLineFeed(p, end);
            const char* const next = lf == nullptr ? end : lf + 1;
            const char* const contentEnd = lf == nullptr ? end : lf > p && lf[-1] == '\r' ? lf - 1 : lf;
            if (CleanLine(p, contentEnd)) {
                // A line end is "\n" or "\r\n": two stores, not a copy.
                if (next - contentEnd == 2) out_.push_back('\r');
                if (lf != nullptr) out_.push_back('\n');
            }
            if (lf != nullptr) lastEnding_ = {contentEnd, static_cast<std::size_t>(next - contentEnd)};
            p = next;
        }
        if (marked_) EndWithMarkerLine();
    }

    std::vector<KanjiReplacement> TakeAccents() { return std::move(accents_); }
    std::vector<DocBookmark> TakeHeadings() { return std::move(headings_); }

private:
    // Appends the cleaned line; false when it held nothing but annotations and
    // was taken back, so its line end goes too.
    bool CleanLine(const char* begin, const char* end) {
        lineStart_ = out_.size();
        const std::size_t lineAccents = accents_.size();
        groupEnd_ = nullptr;
        for (int i = 0; i < blockIndent_; ++i) AppendTwo(kIdeographicSpace);
        indentEnd_ = out_.size();
        sawText_ = false;
        sawNote_ = false;
        heading_ = false;
        runFrom_ = out_.size();
        bar_ = std::string::npos;
        Inline(begin, end, true);
        if (sawNote_ && !sawText_) {
            out_.resize(lineStart_);
            if (accents_.size() != lineAccents) accents_.resize(lineAccents);
            if (heading_) pendingMark_ = true;
            return false;
        }
        if ((heading_ || pendingMark_) && options_.bookmarks) MarkHeading(lineAccents);
        pendingMark_ = false;
        return true;
    }

    // The heading on the line being cleaned: its bookmark, named after it,
    // and the mark right before its first character, after its indentation
    // (a reader names a mark after the text behind it).
    void MarkHeading(std::size_t lineAccents) {
        std::size_t at = lineStart_;
        while (at < out_.size()) {
            if (out_[at] == ' ' || out_[at] == '\t') ++at;
            else if (out_.size() - at >= 2 && std::memcmp(out_.data() + at, kIdeographicSpace, 2) == 0) at += 2;
            else break;
        }
        if (at < out_.size()) headings_.push_back({HeadingName(at), static_cast<std::uint32_t>(at)});
        const std::string& mark = options_.bookmarkMark;
        if (mark.empty()) return;
        out_.insert(at, mark);
        // The line's accented letters all lie after its indentation.
        for (std::size_t i = lineAccents; i < accents_.size(); ++i) accents_[i].offset += mark.size();
        marked_ = true;
    }

    // The heading from `at` to the line's end, as much of it as a bookmark
    // record's name holds, in whole characters.
    std::string HeadingName(std::size_t at) const {
        const char* p = out_.data() + at;
        const char* const end = out_.data() + out_.size();
        const char* kept = p;
        while (kept < end) {
            const std::size_t length = CharLength(kept, end);
            if (static_cast<std::size_t>(kept + length - p) > kDocBookmarkNameSize - 1) break;
            kept += length;
        }
        return std::string(p, kept);
    }

    // The text's last line becomes "<mark>", as the bookmark command leaves it:
    // DOC readers take the marks to list from that line.
    void EndWithMarkerLine() {
        const std::string marker = "<" + options_.bookmarkMark + ">";
        const std::size_t lf = out_.rfind('\n');
        const std::size_t lastLine = lf == std::string::npos ? 0 : lf + 1;
        if (std::string_view(out_).substr(lastLine) == marker) return;
        if (lastLine < out_.size()) out_.append(lastEnding_.empty() ? std::string_view("\r\n") : lastEnding_);
        out_.append(marker);
    }

    // One two-byte character of the notation's own: two stores, not a copy.
    void AppendTwo(const char* two) {
        out_.push_back(two[0]);
        out_.push_back(two[1]);
    }

    // Copies [p, end) with its notation cleaned; readings are recognised only
    // when `ruby` is set (not inside a reading itself).
    void Inline(const char* p, const char* end, bool ruby) {
        const char* copyFrom = p;
        auto flush = [&](const char* upTo) {
            if (upTo > copyFrom) {
                out_.append(copyFrom, static_cast<std::size_t>(upTo - copyFrom));
                sawText_ = true;
            }
        };
        const char* noCloseAfter = end;
        // 〔 without 〕 after it: none after a later 〔 either. And a group
        // without accents: a 〔 inside it closes where it does, without accents.
        const char* noGroupCloseAfter = end;
        const char* plainGroupClose = p;
        VisitMarked<kTrailOpenBracket, kTrailKome, kTrailBar, kTrailOpenRuby, kTrailOpenGroup>(
            p, end, readable_, [&](const char* at) __attribute__((always_inline)) -> const char* {
                const u8 trail = static_cast<u8>(at[1]);
                if (trail == kTrailOpenBracket) {
                    if (IsChar(at + 2, end, kTrailSharp))
                        if (const char* close = NoteEnd(at, end, readable_)) {
                            flush(at);
                            Note({at + 4, static_cast<std::size_t>(close - at - 4)});
                            return copyFrom = close + 2;
                        }
                } else if (trail == kTrailKome) {
                    if (IsChar(at + 2, end, kTrailOpenBracket) && IsChar(at + 4, end, kTrailSharp))
                        if (const char* close = NoteEnd(at + 2, end, readable_)) {
                            flush(at);
                            Described({at + 6, static_cast<std::size_t>(close - at - 6)});
                            return copyFrom = close + 2;
                        }
                } else if (!ruby) {
                    // ｜ and 《 are text inside a reading.
                    if (trail == kTrailOpenGroup) return Group(at, end, flush, copyFrom, noGroupCloseAfter, plainGroupClose);
                } else if (trail == kTrailBar) {
                    flush(at);
                    copyFrom = at;
                    bar_ = out_.size();
                } else if (trail == kTrailOpenRuby) {
                    if (at < noCloseAfter) {
                        // The "》", and whether the reading holds notation of its own
                        // (most hold none and are copied as they are).
                        bool plain = true;
                        const char* close =
                            VisitMarked<kTrailCloseRuby, kTrailOpenBracket, kTrailKome, kTrailOpenGroup>(
                                at + 2, end, readable_, [&](const char* q) -> const char* {
                                    if (static_cast<u8>(q[1]) == kTrailCloseRuby) return nullptr;
                                    plain = false;
                                    return q + 2;
                                });
                        // No "》" after this "《": none after a later one either.
                        if (close == end) {
                            noCloseAfter = at;
                        } else {
                            const bool afterGroup = at == groupEnd_;
                            flush(at);
                            Reading(at + 2, close, afterGroup, plain);
                            return copyFrom = close + 2;
                        }
                    }
                } else {
                    return Group(at, end, flush, copyFrom, noGroupCloseAfter, plainGroupClose);
                }
                return at + 2;
            });
        flush(end);
    }

    // A 〔 at `at`: a group holding accent notation is cleaned, any other
    // 〔…〕 stays text. Returns where the walk goes on.
    template <typename Flush>
    [[gnu::noinline]] const char* Group(const char* at, const char* end, Flush& flush, const char*& copyFrom,
                      const char*& noGroupCloseAfter, const char*& plainGroupClose) {
        if (at >= noGroupCloseAfter) return at + 2;
        const bool inPlainGroup = at < plainGroupClose;
        const char* close = inPlainGroup ? plainGroupClose : FindMarked<kTrailCloseGroup>(at + 2, end, readable_);
        if (close == end) {
            noGroupCloseAfter = at;
        } else if (inPlainGroup || !HasAccent(at + 2, close)) {
            plainGroupClose = close;
            groupEnd_ = close + 2;
        } else {
            flush(at);
            AccentGroup(at + 2, close);
            return copyFrom = groupEnd_ = close + 2;
        }
        return at + 2;
    }

    // 〔…〕 holding accent notation: its text with the accented letters, without the 〔〕.
    [[gnu::noinline]] void AccentGroup(const char* p, const char* end) {
        const char* from = p;
        while (p < end) {
            const Accent accent = AccentAt(p, end);
            if (accent.letter == 0) {
                p += CharLength(p, end);
                continue;
            }
            Inline(from, p, false);
            // CP932 has none of these letters: the text gets what the
            // program's one conversion policy writes for it in a Shift-JIS
            // text (é as e), and the letter itself is kept for the editor.
            char written[kMaxWrittenBytes];
            StandIn standIn;
            const std::size_t size =
                WriteStandIn(accent.letter, FileCode::ShiftJis, Lacking::Question, written, &standIn);
            accents_.push_back({out_.size(), size, accent.letter, standIn});
            out_.append(written, size);
            p = from = p + accent.length;
        }
        Inline(from, end, false);
        sawText_ = true;
    }

    // base《reading》, the base already copied; right after a 〔…〕 group the
    // group is the base. A `plain` reading holds no notation and is copied as
    // it stands.
    [[gnu::noinline]] void Reading(const char* begin, const char* end, bool afterGroup, bool plain) {
        // The base stays where it was copied, in both forms; what matters is
        // whether there is one: the text after a "｜", or the run of characters
        // of one kind before "《", which exists when the last character copied
        // since the last reading or annotation has a kind.
        bool hasBase = afterGroup;
        if (bar_ != std::string::npos) {
            out_.erase(bar_, 2);
            for (auto a = accents_.rbegin(); a != accents_.rend() && a->offset > bar_; ++a) a->offset -= 2;
            hasBase = hasBase || bar_ < out_.size();
        } else if (!hasBase && options_.ruby == AozoraRuby::Drop) {
            // Only a dropped reading asks: a kept one is kept either way.
            hasBase = LastCharKind(std::string_view(out_).substr(runFrom_)) != Kind::None;
        }
        if (options_.ruby == AozoraRuby::Paren || !hasBase) {
            if (plain) {
                AppendTwo(kOpenParen);
                out_.append(begin, static_cast<std::size_t>(end - begin));
                AppendTwo(kCloseParen);
            } else {
                Parenthesised(begin, end);
            }
        }
        sawText_ = true;
        bar_ = std::string::npos;
        runFrom_ = out_.size();
    }

    void Parenthesised(const char* begin, const char* end) {
        AppendTwo(kOpenParen);
        Inline(begin, end, false);
        AppendTwo(kCloseParen);
        sawText_ = true;
    }

    // An annotation ［＃note］: kunten, warichu, readings, indentation,
    // headings; everything else goes.
    [[gnu::noinline]] void Note(std::string_view note) {
        sawNote_ = true;
        int n = 0;
        if (IsKaeriten(note)) {
            out_.append(note);
            sawText_ = true;
        } else if (note.size() >= 4 && IsChar(note.data(), note.data() + 2, kTrailOpenParen) &&
                   IsChar(note.data() + note.size() - 2, note.data() + note.size(), kTrailCloseParen)) {
            // Kunten okurigana: what the parentheses hold.
            Inline(note.data() + 2, note.data() + note.size() - 2, false);
        } else if (note.size() == kWarichu.size() && StartsWith(note, kWarichu)) {
            AppendTwo(kOpenParen);
            sawText_ = true;
        } else if (note.size() == kWarichuEnd.size() && StartsWith(note, kWarichuEnd)) {
            AppendTwo(kCloseParen);
            sawText_ = true;
        } else if (const std::optional<std::string_view> reading = AnnotatedReading(note)) {
            if (options_.ruby == AozoraRuby::Paren) Parenthesised(reading->data(), reading->data() + reading->size());
        } else if (IndentOf(note, {}, false, n) || IndentOf(note, kFromTop, false, n)) {
            if (!sawText_ && out_.size() == indentEnd_)
                for (int i = 0; i < n; ++i) AppendTwo(kIdeographicSpace);
        } else if (IndentOf(note, kFromHere, true, n)) {
            blockIndent_ = n;
        } else if (StartsWith(note, kHere) && FindAligned(note, kIndentWord) != std::string_view::npos &&
                   EndsWith(note, kEnd)) {
            blockIndent_ = 0;
        } else if (!EndsWith(note, kEnd) && FindAligned(note, kHeading) != std::string_view::npos) {
            heading_ = true;
        }
        // An annotation ends a run of one kind: a reading after it starts its base there.
        runFrom_ = out_.size();
    }

    // ※［＃note］: the character the note names, or ※（description）.
    [[gnu::noinline]] void Described(std::string_view note) {
        std::size_t after = 0;
        const std::string_view description = Description(note, after);
        const char32_t u = DescribedCodePoint(note, after);
        const int code = u != 0 ? cp932::Encode(u) : -1;
        if (code >= 0x100) {
            out_.push_back(static_cast<char>(code >> 8));
            out_.push_back(static_cast<char>(code & 0xFF));
        } else if (code > 0) {
            out_.push_back(static_cast<char>(code));
        } else {
            AppendTwo(kKome);
            AppendTwo(kOpenParen);
            const bool sawNote = sawNote_;
            Inline(description.data(), description.data() + description.size(), false);
            sawNote_ = sawNote;
            AppendTwo(kCloseParen);
        }
        sawText_ = true;
    }

    const AozoraOptions& options_;
    std::string& out_;
    std::vector<KanjiReplacement> accents_;
    std::vector<DocBookmark> headings_;
    std::string_view lastEnding_;
    const char* readable_ = nullptr;  // the end of the text: every range cleaned lies before it
    int blockIndent_ = 0;
    bool pendingMark_ = false;
    bool marked_ = false;
    // The line being cleaned.
    std::size_t lineStart_ = 0;
    std::size_t indentEnd_ = 0;
    std::size_t runFrom_ = 0;            // a reading's base starts here at the earliest
    std::size_t bar_ = std::string::npos;  // where a "｜" was copied
    const char* groupEnd_ = nullptr;       // just past the line's last 〔…〕 group
    bool sawText_ = false;
    bool sawNote_ = false;
    bool heading_ = false;
};

}  // namespace

AozoraCleaned CleanAozoraText(std::string_view text, const AozoraOptions& options) {
    AozoraCleaned cleaned;
    cleaned.text.reserve(text.size() + text.size() / 16);
    Cleaner cleaner(options, cleaned.text);
    cleaner.Run(text);
    cleaned.accents = cleaner.TakeAccents();
    cleaned.headings = cleaner.TakeHeadings();
    return cleaned;
}

std::string CleanAozoraNotation(std::string_view text, const AozoraOptions& options) {
    return CleanAozoraText(text, options).text;
}

QString AozoraEditorText(const AozoraCleaned& cleaned, std::vector<qsizetype>* headingPlaces) {
    const std::string_view text = cleaned.text;
    QString editor;
    std::size_t from = 0;
    std::size_t heading = 0;
    // The bytes up to `to` go in; each heading on the way notes its place.
    auto upTo = [&](std::size_t to) {
        for (; headingPlaces && heading < cleaned.headings.size() && cleaned.headings[heading].offset <= to; ++heading) {
            const std::size_t at = cleaned.headings[heading].offset;
            editor += platform::BytesToEditor(text.substr(from, at - from));
            from = at;
            headingPlaces->push_back(editor.size());
        }
        editor += platform::BytesToEditor(text.substr(from, to - from));
        from = to;
    };
    // Base letters are Latin letters and signs, so no line end is ever cut.
    for (const KanjiReplacement& accent : cleaned.accents) {
        upTo(accent.offset);
        editor += QString::fromUcs4(&accent.codePoint, 1);
        from = accent.offset + accent.length;
    }
    upTo(text.size());
    return editor;
}

std::vector<core::EditorBookmark> AozoraEditorBookmarks(const AozoraCleaned& cleaned,
                                                        const std::vector<qsizetype>& places) {
    std::vector<core::EditorBookmark> marks;
    for (std::size_t k = 0; k < cleaned.headings.size() && k < places.size(); ++k)
        marks.push_back({cleaned.headings[k].name, places[k]});
    return marks;
}

std::string AozoraTitle(std::string_view text) {
    const std::string_view line = NextLine(text, 0).content;
    const char* end = line.data() + line.size();
    const char* first = nullptr;
    const char* last = line.data();
    for (const char* p = line.data(); p < end;) {
        const std::size_t length = CharLength(p, end);
        const bool blank = length == 1 ? (*p == ' ' || *p == '\t') : std::memcmp(p, kIdeographicSpace, 2) == 0;
        if (!blank) {
            if (first == nullptr) first = p;
            last = p + length;
        }
        p += length;
    }
    return first == nullptr ? std::string() : std::string(first, last);
}

}  // namespace verdane
