// Detection of JIS, EUC-JP, Shift-JIS and UTF-8 texts and their conversion to
// Shift-JIS. The detection is the classic byte-range scan, preceded by a binary
// test and a UTF-8 test; the conversions are table-free for JIS and EUC and use
// the CP932 table for UTF-8.
#include "KanjiCode.h"
#include "TextBytes.h"

#include "Cp932Table.h"
#include "JisX0212Table.h"
#include "LargeBuffer.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace verdane {

namespace {

constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kShiftOut = 0x0E;  // SO: half-width katakana follow
constexpr std::uint8_t kShiftIn = 0x0F;   // SI: back to the designated set
constexpr std::uint16_t kGeta = 0x81AC;   // "〓", for a character CP932 lacks
constexpr char32_t kNoCharacter = 0xFFFD;

// The bytes of EUC-JP's double-byte and three-byte codes after the first.
constexpr bool IsEucByte(std::uint8_t b) { return b >= 0xA1 && b <= 0xFE; }

constexpr StandIn kGetaStandIn{{0x3013}};
constexpr StandIn kQuestionStandIn{{U'?'}};

void Report(std::vector<KanjiReplacement>* replaced, std::size_t offset, std::size_t length, char32_t codePoint,
            const StandIn& writtenAs) {
    if (replaced) replaced->push_back({offset, length, codePoint, writtenAs});
}

std::uint64_t Load64(const char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// Length of the leading run of bytes below 0x80, looked at eight at a time.
std::size_t AsciiPrefix(const char* p, std::size_t n) {
    std::size_t k = 0;
    while (k + 8 <= n && (Load64(p + k) & 0x8080808080808080ull) == 0) k += 8;
    while (k < n && static_cast<std::uint8_t>(p[k]) < 0x80) ++k;
    return k;
}

// The first position at or after p (and before `limit`) whose byte could tell
// the code: below 0x08, ESC, or 0x80 and above. Plain ASCII text, the bulk of
// most pages, is passed over eight bytes at a time.
std::size_t SkipTellingNothing(const std::uint8_t* t, std::size_t p, std::size_t limit) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
    const auto* chars = reinterpret_cast<const char*>(t);
    while (p + 8 <= limit) {
        const std::uint64_t w = Load64(chars + p);
        const std::uint64_t esc = w ^ (kOnes * kEsc);
        const std::uint64_t below8 = (w - kOnes * 0x08) & ~w;
        const std::uint64_t escHit = (esc - kOnes) & ~esc;
        if ((w | below8 | escHit) & kHigh) break;
        p += 8;
    }
    while (p < limit && t[p] >= 0x08 && t[p] < 0x80 && t[p] != kEsc) ++p;
    return p;
}

// Decodes the UTF-8 sequence at p[0..n) (p[0] >= 0x80). Returns its length and
// sets `cp`, or returns 0 when it is malformed: a stray continuation byte, an
// overlong form, a surrogate, a value past U+10FFFF or a sequence cut short.
std::size_t DecodeUtf8(const std::uint8_t* p, std::size_t n, char32_t& cp) {
    const std::uint8_t b = p[0];
    std::size_t len;
    std::uint8_t lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        cp = b & 0x0F;
        if (b == 0xE0) lo = 0xA0;
        if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        cp = b & 0x07;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (n < len || p[1] < lo || p[1] > hi) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        if ((p[k] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[k] & 0x3F);
    }
    return len;
}

// How many bytes of the malformed sequence at p[0..n) stand for one character
// that names none: a byte that may start a sequence (0xC0-0xF7) with the
// continuation bytes after it, as many as its length takes (an overlong form,
// a surrogate or a value past U+10FFFF is one character, and so is a sequence
// cut short); any other byte alone.
std::size_t MalformedLength(const std::uint8_t* p, std::size_t n) {
    const std::uint8_t b = p[0];
    const std::size_t len = b >= 0xC0 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF7 ? 4 : 1;
    std::size_t k = 1;
    while (k < len && k < n && (p[k] & 0xC0) == 0x80) ++k;
    return k;
}

void AppendPair(std::string& out, std::array<std::uint8_t, 2> pair) {
    out += static_cast<char>(pair[0]);
    out += static_cast<char>(pair[1]);
}

// The set an escape sequence of a JIS text designates.
enum class JisSet {
    Single,         // ESC ( B, ESC ( J and the like: bytes as they are
    Kana,           // ESC ( I: half-width katakana
    DoubleByte,     // ESC $ B, ESC $ @, ESC $ ( B, ESC $ ( O, ESC $ ( Q: JIS X 0208 pairs
    Supplementary,  // ESC $ ( D: JIS X 0212 pairs
    Foreign,        // ESC $ A, ESC $ ( C and other double-byte sets of other languages
};

std::string JisToSjis(std::string_view text, std::vector<KanjiReplacement>* replaced) {
    const auto* t = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t n = text.size();
    std::string out;
    ReserveLarge(out, n);
    JisSet set = JisSet::Single;
    bool shiftedOut = false;  // between SO and SI the bytes are half-width katakana
    std::size_t k = 0;
    while (k < n) {
        if (t[k] == kEsc) {
            if (k + 2 >= n) break;  // the sequence is cut off: the conversion ends
            std::size_t length = 3;
            if (t[k + 1] == '$' && t[k + 2] == '(') {
                // ESC $ ( F, four bytes: the set is named by F.
                if (k + 3 >= n) break;
                const std::uint8_t f = t[k + 3];
                set = f == 'D'                              ? JisSet::Supplementary
                      : f == 'B' || f == 'O' || f == 'Q' ? JisSet::DoubleByte
                                                          : JisSet::Foreign;
                length = 4;
            } else if (t[k + 1] == '$') {
                set = t[k + 2] == 'A' ? JisSet::Foreign : JisSet::DoubleByte;
            } else if (t[k + 1] == '(') {
                set = t[k + 2] == 'I' ? JisSet::Kana : JisSet::Single;
            }
            k += length;
            // The byte after the sequence is taken as it comes, even another ESC.
            if (k >= n) break;
        }
        const std::uint8_t c = t[k];
        if (c == kShiftOut || c == kShiftIn) {
            shiftedOut = c == kShiftOut;
            ++k;
        } else if (shiftedOut || set == JisSet::Kana) {
            // Katakana 0x21-0x5F are the Shift-JIS bytes 0xA1-0xDF; line ends
            // and spaces stay what they are.
            out += static_cast<char>(c >= 0x21 && c <= 0x5F ? c + 0x80 : c);
            ++k;
        } else if (set == JisSet::DoubleByte) {
            if (k + 1 >= n) break;  // half a pair at the end is dropped
            AppendPair(out, JisPairToSjis(c, t[k + 1]));
            k += 2;
        } else if (set == JisSet::Supplementary || set == JisSet::Foreign) {
            // CP932's own character where it holds one, else the geta mark.
            if (k + 1 >= n) break;
            const jisx0212::Entry* entry = set == JisSet::Supplementary ? jisx0212::Find(c, t[k + 1]) : nullptr;
            const std::uint16_t code = entry ? entry->sjis : jisx0212::kNone;
            if (code == jisx0212::kNone) {
                AppendPair(out, {kGeta >> 8, kGeta & 0xFF});
                Report(replaced, k, 2, entry ? char32_t{entry->unicode} : kNoCharacter, kGetaStandIn);
            } else if (code > 0xFF) {
                AppendPair(out, {static_cast<std::uint8_t>(code >> 8), static_cast<std::uint8_t>(code & 0xFF)});
            } else {
                out += static_cast<char>(code);
            }
            k += 2;
        } else {
            out += static_cast<char>(c);
            ++k;
        }
    }
    return out;
}

// The two Shift-JIS bytes of every EUC-JP pair, by table: the first byte from
// the lead byte, the second from the lead byte's parity and the trail byte.
// The same arithmetic as JisPairToSjis on the bytes without their high bit.
struct EucPairTables {
    std::array<std::uint8_t, 256> first{};
    std::array<std::uint8_t, 512> second{};  // [(lead & 1) * 256 + trail]
};
constexpr EucPairTables kEucPair = [] {
    EucPairTables t;
    for (unsigned c = 0; c < 256; ++c) {
        const unsigned a = c & 0x7F;
        t.first[c] = static_cast<std::uint8_t>((a + 1u) / 2 + (a <= 0x5E ? 0x70u : 0xB0u));
    }
    for (unsigned parity = 0; parity < 2; ++parity)
        for (unsigned d = 0; d < 256; ++d) {
            const unsigned b = d & 0x7F;
            // The lead byte has the parity of its row: an even one takes b + 0x7E.
            const unsigned v = parity == 0 ? b + 0x7Eu : (b <= 0x5F ? b + 0x1Fu : b + 0x20u);
            t.second[parity * 256 + d] = static_cast<std::uint8_t>(v);
        }
    return t;
}();

// One CP932 code into o[w..): two bytes, or one (ASCII and half-width katakana).
inline void PutCode(std::uint16_t code, std::uint8_t* o, std::size_t& w) {
    if (code > 0xFF) o[w++] = static_cast<std::uint8_t>(code >> 8);
    o[w++] = static_cast<std::uint8_t>(code & 0xFF);
}

// The three-byte code at t[k] (0x8F, JIS X 0212) into o[w..): CP932's own
// character where CP932 holds it, else the geta mark. A 0x8F that no code byte
// follows becomes "?", and a code whose third byte is none becomes the geta
// mark for its two bytes; the bytes after them are read on their own, so a
// damaged code never takes a line end with it. Returns the bytes taken, or 0
// when the code is cut off by the end of the text. Reads before it writes and
// writes no more than it takes, so o may be t (in place).
std::size_t EucThreeByteInto(const std::uint8_t* t, std::size_t n, std::size_t k, std::uint8_t* o, std::size_t& w,
                             std::vector<KanjiReplacement>* replaced) {
    const std::uint8_t b2 = t[k + 1];
    if (!IsEucByte(b2)) {
        o[w++] = '?';
        Report(replaced, k, 1, kNoCharacter, kQuestionStandIn);
        return 1;
    }
    if (k + 2 >= n) return 0;
    const std::uint8_t b3 = t[k + 2];
    if (!IsEucByte(b3)) {
        PutCode(kGeta, o, w);
        Report(replaced, k, 2, kNoCharacter, kGetaStandIn);
        return 2;
    }
    const jisx0212::Entry* entry = jisx0212::Find(b2, b3);
    if (entry && entry->sjis != jisx0212::kNone) {
        PutCode(entry->sjis, o, w);
    } else {
        PutCode(kGeta, o, w);
        Report(replaced, k, 3, entry ? char32_t{entry->unicode} : kNoCharacter, kGetaStandIn);
    }
    return 3;
}

// EUC-JP to Shift-JIS from t[0..n) into o; returns the bytes written. Each step
// writes no more bytes than it reads, so o may be t itself (in place). The
// three-byte codes CP932 cannot show are listed in `replaced` when given.
std::size_t EucToSjisInto(const std::uint8_t* t, std::size_t n, std::uint8_t* o,
                          std::vector<KanjiReplacement>* replaced) {
    std::size_t k = 0, w = 0;
    while (k < n) {
        // ASCII runs, the bulk of markup and line ends, move eight bytes at a time.
        while (k + 8 <= n && (Load64(reinterpret_cast<const char*>(t) + k) & 0x8080808080808080ull) == 0) {
            std::memmove(o + w, t + k, 8);
            k += 8;
            w += 8;
        }
        // Runs of double-byte characters, the bulk of Japanese prose.
        // A lead byte 0x81-0xFE other than the prefixes 0x8E and 0x8F.
        for (std::uint8_t c; k + 1 < n && static_cast<std::uint8_t>((c = t[k]) - 0x81) < 0x7E && (c | 1) != 0x8F;
             k += 2, w += 2) {
            const std::uint8_t d = t[k + 1];
            o[w] = kEucPair.first[c];
            o[w + 1] = kEucPair.second[(c & 1u) * 256 + d];
        }
        if (k >= n) break;
        const std::uint8_t c = t[k];
        if (c <= 0x80 || c == 0xFF) {
            o[w++] = c;
            ++k;
        } else if (k + 1 >= n) {
            break;  // a lead byte without its second byte ends the text
        } else if (c == 0x8E) {  // half-width katakana: the prefix goes, the code stays
            o[w++] = t[k + 1];
            k += 2;
        } else {  // 0x8F, a three-byte code
            const std::size_t taken = EucThreeByteInto(t, n, k, o, w, replaced);
            if (taken == 0) break;
            k += taken;
        }
    }
    return w;
}

std::string EucToSjis(std::string_view text, std::vector<KanjiReplacement>* replaced) {
    std::string out;
    ReserveLarge(out, text.size());
    out.resize(text.size());
    out.resize(EucToSjisInto(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(),
                         reinterpret_cast<std::uint8_t*>(out.data()), replaced));
    return out;
}

}  // namespace

std::array<std::uint8_t, 2> JisPairToSjis(std::uint8_t a, std::uint8_t b) {
    const unsigned first = (a + 1u) / 2 + (a <= 0x5E ? 0x70u : 0xB0u);
    unsigned second;
    if (a % 2 == 0)
        second = b + 0x7Eu;
    else
        second = b <= 0x5F ? b + 0x1Fu : b + 0x20u;
    return {static_cast<std::uint8_t>(first), static_cast<std::uint8_t>(second)};
}

namespace {

// One character into o[w..): its CP932 code from the table, two bytes or one
// (ASCII and half-width katakana), or when CP932 lacks it (code is kNone) its
// stand-in as the conversion policy says, listed in `replaced` with the
// `length` bytes at `at` it came from. The stand-in never takes more bytes than
// the character took in UTF-8 or UTF-16, so o may be the text itself.
inline void PutCp932(std::uint16_t code, char32_t cp, std::uint8_t* o, std::size_t& w, std::size_t at,
                     std::size_t length, std::vector<KanjiReplacement>* replaced) {
    if (code == cp932::kNone) {
        StandIn standIn;
        w += WriteStandIn(cp, FileCode::ShiftJis, Lacking::Question, reinterpret_cast<char*>(o + w), &standIn);
        Report(replaced, at, length, cp, standIn);
    } else if (code > 0xFF) {
        o[w++] = static_cast<std::uint8_t>(code >> 8);
        o[w++] = static_cast<std::uint8_t>(code & 0xFF);
    } else {
        o[w++] = static_cast<std::uint8_t>(code);
    }
}

// The length of the run of bytes below 0x80 at t[k..stop), copied to o[w..)
// when kWrite, sixteen bytes at a time. In place (o == t, w <= k) a whole
// block is stored only when all its bytes were read, so no unread byte is
// overwritten.
template <bool kWrite>
std::size_t AsciiRun(const std::uint8_t* t, std::size_t k, std::size_t stop, std::uint8_t* o, std::size_t w) {
    const std::size_t from = k;
#if defined(__SSE2__)
    for (; k + 16 <= stop; k += 16, w += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + k));
        const int high = _mm_movemask_epi8(v);
        if (high != 0) {
            const auto ascii = static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(high)));
            if (kWrite) std::memmove(o + w, t + k, ascii);
            return k + ascii - from;
        }
        if (kWrite) _mm_storeu_si128(reinterpret_cast<__m128i*>(o + w), v);
    }
#else
    for (; k + 8 <= stop && (Load64(reinterpret_cast<const char*>(t) + k) & 0x8080808080808080ull) == 0;
         k += 8, w += 8)
        if (kWrite) std::memmove(o + w, t + k, 8);
#endif
    for (; k < stop && t[k] < 0x80; ++k, ++w)
        if (kWrite) o[w] = t[k];
    return k - from;
}

// UTF-8 from t[k..n) to CP932 into o[w..) (nothing written without kWrite)
// until k reaches `stop`; a sequence that starts before `stop` is taken whole,
// so o needs room for stop - k + 3 bytes. No character takes more bytes in
// CP932 than in UTF-8, so o may be t itself. A malformed sequence (see
// DecodeUtf8) stops the conversion with false when kStrict, else each of its
// bytes becomes "?". `multiByte` is set when a sequence of two or more bytes
// was taken.
template <bool kStrict, bool kWrite>
bool Utf8ToCp932Span(const std::uint8_t* t, std::size_t n, std::size_t& k, std::size_t stop, std::uint8_t* o,
                     std::size_t& w, bool& multiByte, std::vector<KanjiReplacement>* replaced = nullptr) {
    const std::uint16_t* const table = kWrite ? cp932::Codes() : nullptr;
    while (k < stop) {
        const std::size_t ascii = AsciiRun<kWrite>(t, k, stop, o, w);
        k += ascii;
        w += ascii;
        if (k >= stop) break;
        // Runs of three-byte sequences, the kana and kanji of Japanese text:
        // two continuation bytes, neither an overlong form nor a surrogate.
        std::uint8_t b = t[k];
        while ((b & 0xF0) == 0xE0 && k + 2 < n) {
            const std::uint8_t b1 = t[k + 1], b2 = t[k + 2];
            if ((b1 & 0xC0) != 0x80 || (b2 & 0xC0) != 0x80) break;
            const char32_t cp = (char32_t{b & 0x0Fu} << 12) | (char32_t{b1 & 0x3Fu} << 6) | (b2 & 0x3Fu);
            if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) break;
            multiByte = true;
            if (kWrite) {
                PutCp932(table[cp], cp, o, w, k, 3, replaced);
            }
            k += 3;
            if (k >= stop) return true;
            b = t[k];
        }
        if (b < 0x80) continue;
        char32_t cp = 0;
        const std::size_t len = DecodeUtf8(t + k, n - k, cp);
        if (len == 0) {
            if (kStrict) return false;
            if (kWrite) o[w++] = '?';
            const std::size_t bad = MalformedLength(t + k, n - k);
            Report(replaced, k, bad, kNoCharacter, kQuestionStandIn);
            k += bad;
            continue;
        }
        multiByte = true;
        if (kWrite) {
            PutCp932(cp <= 0xFFFF ? table[cp] : cp932::kNone, cp, o, w, k, len, replaced);
        }
        k += len;
    }
    return true;
}

bool StartsWithByteOrderMark(const std::uint8_t* t, std::size_t n) {
    return n >= 3 && t[0] == 0xEF && t[1] == 0xBB && t[2] == 0xBF;
}

// UTF-8 to CP932 from t[0..n) into o; returns the bytes written. o may be t
// itself (in place).
std::size_t Utf8ToCp932Into(const std::uint8_t* t, std::size_t n, std::uint8_t* o,
                            std::vector<KanjiReplacement>* replaced) {
    std::size_t k = StartsWithByteOrderMark(t, n) ? 3 : 0, w = 0;
    bool multiByte = false;
    Utf8ToCp932Span<false, true>(t, n, k, n, o, w, multiByte, replaced);
    return w;
}

// UTF-8 to CP932 of a text that stays as it is, into `out`: through a buffer
// a block at a time, so the result touches no more memory than its own size
// (its capacity is the text's, for the line ends to grow in). With kStrict,
// false at the first malformed sequence or when the text holds no sequence of
// two or more bytes (not a UTF-8 text); `replaced` is then left empty.
template <bool kStrict>
bool Utf8ToCp932Copy(std::string_view text, std::string& out, std::vector<KanjiReplacement>* replaced) {
    constexpr std::size_t kBlock = std::size_t{1} << 15;
    const auto* t = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t n = text.size();
    std::size_t k = StartsWithByteOrderMark(t, n) ? 3 : 0;
    bool multiByte = k == 3;
    out.clear();
    std::uint8_t buffer[kBlock + 3];
    while (k < n) {
        std::size_t w = 0;
        if (!Utf8ToCp932Span<kStrict, true>(t, n, k, std::min(n, k + kBlock), buffer, w, multiByte, replaced)) {
            if (replaced) replaced->clear();
            return false;
        }
        // Room once the first block converted: a text that is not UTF-8
        // mostly shows it there.
        ReserveLarge(out, n);
        out.append(reinterpret_cast<const char*>(buffer), w);
    }
    if (kStrict && !multiByte) {
        if (replaced) replaced->clear();
        return false;
    }
    return true;
}

}  // namespace

bool IsUtf8Text(std::string_view text) {
    const auto* t = reinterpret_cast<const std::uint8_t*>(text.data());
    std::size_t k = 0, w = 0;
    bool multiByte = false;
    return Utf8ToCp932Span<true, false>(t, text.size(), k, text.size(), nullptr, w, multiByte) && multiByte;
}

namespace {

// A text that is UTF-8 but for a few damaged sequences (an overlong form, a
// surrogate, a lone byte): at least kWellFormedPerDamaged well-formed
// multi-byte sequences for each damaged one. Shift-JIS and EUC-JP texts read
// as UTF-8 are damaged at almost every character, so the scan gives up soon.
constexpr std::size_t kWellFormedPerDamaged = 16;
bool MostlyUtf8(std::string_view text) {
    const auto* t = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t n = text.size();
    std::size_t k = StartsWithByteOrderMark(t, n) ? 3 : 0, wellFormed = 0, damaged = 0;
    while (k < n) {
        k += AsciiRun<false>(t, k, n, nullptr, 0);
        if (k >= n) break;
        char32_t cp = 0;
        if (const std::size_t len = DecodeUtf8(t + k, n - k, cp)) {
            ++wellFormed;
            k += len;
            continue;
        }
        ++damaged;
        k += MalformedLength(t + k, n - k);
        if (damaged >= 4 && damaged * kWellFormedPerDamaged > wellFormed) return false;
    }
    return damaged > 0 && wellFormed >= damaged * kWellFormedPerDamaged;
}

}  // namespace

bool RepairUtf8(std::string& text, std::vector<KanjiReplacement>* replaced) {
    auto* t = reinterpret_cast<std::uint8_t*>(text.data());
    const std::size_t n = text.size();
    std::size_t k = 0, w = 0;
    bool damaged = false;
    while (k < n) {
        const std::size_t ascii = AsciiRun<true>(t, k, n, t, w);
        k += ascii;
        w += ascii;
        if (k >= n) break;
        char32_t cp = 0;
        std::size_t len = DecodeUtf8(t + k, n - k, cp);
        if (len == 0) {
            len = MalformedLength(t + k, n - k);
            Report(replaced, k, len, kNoCharacter, kQuestionStandIn);
            t[w++] = '?';
            damaged = true;
        } else {
            std::memmove(t + w, t + k, len);
            w += len;
        }
        k += len;
    }
    text.resize(w);
    return damaged;
}

std::string Utf8ToCp932(std::string_view utf8, std::vector<KanjiReplacement>* replaced) {
    if (replaced) replaced->clear();
    std::string out;
    Utf8ToCp932Copy<false>(utf8, out, replaced);
    return out;
}

namespace {

// A control byte or 0xFF near the start marks a binary file; the last byte of
// the text is not looked at.
bool StartsAsBinary(std::string_view text) {
    const std::size_t prescan = std::min<std::size_t>(512, text.size() - 1);
    for (std::size_t k = 0; k < prescan; ++k)
        if (static_cast<std::uint8_t>(text[k]) < 0x08 || static_cast<std::uint8_t>(text[k]) == 0xFF) return true;
    return false;
}

// The classic scan of a text that is neither binary by its start nor UTF-8.
int ScanJisEucShiftJis(std::string_view text) {
    const auto* t = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t n = text.size();
    int r = kcNone;
    std::size_t p = 0;
    // The scan looks at positions before the last; a byte it takes as the second
    // of a pair may be the last.
    while ((r == kcNone || r == kcEucOrSjis) && p + 1 < n) {
        p = SkipTellingNothing(t, p, n - 1);
        if (p + 1 >= n) break;
        const std::uint8_t c = t[p];
        if (c == kEsc) {
            const std::uint8_t d = t[++p];
            if (d == '$' && p + 1 < n) {
                const std::uint8_t e = t[++p];
                if (e == 'B')
                    r = kcJisB;
                else if (e == '@')
                    r = kcJisAt;
                else if (e == '(' && p + 1 < n && (t[p + 1] == 'B' || t[p + 1] == 'D' || t[p + 1] == 'O' ||
                                                   t[p + 1] == 'Q'))
                    r = kcJisB;  // ESC $ ( F: JIS X 0208, 0212 or 0213
            } else if ((d == '(' || d == ')') && p + 1 < n && t[p + 1] == 'I') {
                // Half-width katakana designated: a JIS text, even with no kanji.
                ++p;
                r = kcJisB;
            }
        } else if (c < 0x08 || c == 0xFF) {
            r = kcBinary;
        } else if (c <= 0x7F || c == 0x80 || c == 0xA0) {
            // tells nothing
        } else if (c == 0x8F && p + 2 < n && IsEucByte(t[p + 1]) && IsEucByte(t[p + 2])) {
            // A three-byte code of EUC-JP, or a Shift-JIS kanji and the byte after
            // it; 0xFD and 0xFE never follow a Shift-JIS lead byte.
            r = t[p + 1] >= 0xFD || t[p + 2] >= 0xFD ? kcEuc : kcEucOrSjis;
            p += 2;
        } else if (c <= 0x9F && c != 0x8E) {
            r = kcShiftJis;
        } else if (c == 0x8E) {
            const std::uint8_t d = t[++p];
            if ((d >= 0x40 && d <= 0x7E) || (d >= 0x80 && d <= 0xA0) || (d >= 0xE0 && d <= 0xFC))
                r = kcShiftJis;
            else if (d >= 0xA1 && d <= 0xDF)
                r = kcEucOrSjis;
        } else if (c >= 0xA1 && c <= 0xDF) {
            const std::uint8_t d = t[++p];
            if (d >= 0xF0 && d <= 0xFE) {
                r = kcEuc;
            } else if (d >= 0xA1 && d <= 0xDF) {
                r = kcEucOrSjis;
            } else if (d <= 0x9F) {
                r = kcShiftJis;
            } else if (d >= 0xE0 && d <= 0xEF) {
                // EUC kanji and Shift-JIS half-width katakana followed by kanji look
                // alike; read on until a byte tells or a byte below 0x40 ends it.
                r = kcEucOrSjis;
                while (p < n && t[p] >= 0x40 && r == kcEucOrSjis) {
                    const std::uint8_t x = t[p];
                    // The 0x8F of an EUC-JP three-byte code tells nothing; the
                    // bytes after it are looked at as they come.
                    const bool threeByte = x == 0x8F && p + 2 < n && IsEucByte(t[p + 1]) && IsEucByte(t[p + 2]);
                    if (!threeByte && ((x >= 0x81 && x <= 0x8D) || (x >= 0x8F && x <= 0x9C)))
                        r = kcShiftJis;
                    else if (x == 0xFD || x == 0xFE)
                        r = kcEuc;
                    ++p;
                }
                if (r != kcEucOrSjis || p >= n) break;
                // p is on the byte below 0x40, consumed with the look-ahead.
            }
        } else if (c >= 0xE0 && c <= 0xEF) {
            const std::uint8_t d = t[++p];
            if ((d >= 0x40 && d <= 0x7E) || (d >= 0x80 && d <= 0xA0))
                r = kcShiftJis;
            else if (d == 0xFD || d == 0xFE)
                r = kcEuc;
            else if (d >= 0xA1 && d <= 0xFC)
                r = kcEucOrSjis;
        } else {  // 0xF0-0xFE
            // CP932's user-defined area and IBM extensions (lead bytes up to
            // 0xFC, e.g. the small roman numerals FA40-FA49) take trail bytes
            // that never follow these bytes in EUC-JP.
            const std::uint8_t d = t[p + 1];
            if (c <= 0xFC && ((d >= 0x40 && d <= 0x7E) || (d >= 0x80 && d <= 0xA0))) {
                r = kcShiftJis;
                ++p;
            } else {
                r = kcEuc;
            }
        }
        ++p;
    }
    return r;
}

// The code of a text that starts with a byte-order mark of UTF-32 or UTF-16
// (UTF-32's little-endian mark starts as UTF-16's does and is looked for
// first), else kcNone.
int Utf16Mark(std::string_view text) {
    if (text.starts_with(std::string_view("\xFF\xFE\0\0", 4))) return kcUtf32Le;
    if (text.starts_with(std::string_view("\0\0\xFE\xFF", 4))) return kcUtf32Be;
    if (text.starts_with("\xFF\xFE")) return kcUtf16Le;
    if (text.starts_with("\xFE\xFF")) return kcUtf16Be;
    return kcNone;
}

// A character of a text: no control but tab, line feed, form feed and
// carriage return, no surrogate, no noncharacter U+FFFE or U+FFFF.
bool IsTextCharacter(char32_t u) {
    if (u < 0x20) return u == 0x09 || u == 0x0A || u == 0x0C || u == 0x0D;
    return u != 0x7F && !(u >= 0x80 && u < 0xA0) && !(u >= 0xD800 && u <= 0xDFFF) && u != 0xFFFE && u != 0xFFFF &&
           u <= 0x10FFFF;
}

// How many ASCII characters the text holds read as UTF-32 or UTF-16 units
// (`width` 4 or 2) of the given order, or -1 when it is no such text: a unit
// that is no character of a text, a surrogate without its pair, bytes left
// over.
std::int64_t UnicodeReading(const std::uint8_t* t, std::size_t n, std::size_t width, bool big) {
    if (n % width != 0) return -1;
    auto unit = [&](std::size_t k) -> char32_t {
        if (width == 2) return big ? char32_t{t[k]} << 8 | t[k + 1] : char32_t{t[k + 1]} << 8 | t[k];
        return big ? char32_t{t[k]} << 24 | char32_t{t[k + 1]} << 16 | char32_t{t[k + 2]} << 8 | t[k + 3]
                   : char32_t{t[k + 3]} << 24 | char32_t{t[k + 2]} << 16 | char32_t{t[k + 1]} << 8 | t[k];
    };
    std::int64_t ascii = 0;
    for (std::size_t k = 0; k < n; k += width) {
        char32_t u = unit(k);
        if (width == 2 && u >= 0xD800 && u <= 0xDBFF && k + 2 < n && unit(k + 2) >= 0xDC00 && unit(k + 2) <= 0xDFFF) {
            k += 2;
            continue;
        }
        if (!IsTextCharacter(u)) return -1;
        ascii += u < 0x80;
    }
    return ascii;
}

// The code of a text of UTF-32 or UTF-16 without a byte-order mark: every
// unit a character of a text and some of them ASCII, whose zero bytes made
// the binary pre-scan stop at it. The reading with more ASCII characters
// wins; kcNone when there is none.
int UnmarkedUnicode(std::string_view text) {
    const auto* t = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t n = text.size();
    int best = kcNone;
    std::int64_t most = 0;
    const struct {
        int code;
        std::size_t width;
        bool big;
    } readings[] = {{kcUtf32Le, 4, false}, {kcUtf32Be, 4, true}, {kcUtf16Le, 2, false}, {kcUtf16Be, 2, true}};
    for (const auto& r : readings) {
        const std::int64_t ascii = UnicodeReading(t, n, r.width, r.big);
        if (ascii > most) {
            most = ascii;
            best = r.code;
        }
    }
    return best;
}

// The characters of one reading of an undecided text: malformed ones, JIS
// X 0208 kanji and kana, half-width katakana.
struct Reading {
    std::size_t malformed = 0, japanese = 0, halfWidth = 0;
};

Reading AsShiftJis(const std::uint8_t* t, std::size_t n) {
    Reading r;
    for (std::size_t i = 0; i < n;) {
        const std::uint8_t b = t[i];
        if (b < 0x80) {
            ++i;
        } else if (b >= 0xA1 && b <= 0xDF) {
            ++r.halfWidth;
            ++i;
        } else if (cp932::IsLeadByte(b) && i + 1 < n && t[i + 1] >= 0x40 && t[i + 1] <= 0xFC && t[i + 1] != 0x7F) {
            const unsigned code = unsigned{b} << 8 | t[i + 1];
            if ((code >= 0x829F && code <= 0x82F1) || (code >= 0x8340 && code <= 0x8396) ||
                (code >= 0x889F && code <= 0x9FFC) || (code >= 0xE040 && code <= 0xEAA4))
                ++r.japanese;
            i += 2;
        } else {
            ++r.malformed;
            ++i;
        }
    }
    return r;
}

Reading AsEuc(const std::uint8_t* t, std::size_t n) {
    Reading r;
    for (std::size_t i = 0; i < n;) {
        const std::uint8_t b = t[i];
        if (b < 0x80) {
            ++i;
        } else if (b == 0x8E && i + 1 < n && t[i + 1] >= 0xA1 && t[i + 1] <= 0xDF) {
            ++r.halfWidth;
            i += 2;
        } else if (b == 0x8F && i + 2 < n && IsEucByte(t[i + 1]) && IsEucByte(t[i + 2])) {
            i += 3;
        } else if (IsEucByte(b) && i + 1 < n && IsEucByte(t[i + 1])) {
            const unsigned row = b - 0xA0u;
            if (row == 4 || row == 5 || (row >= 16 && row <= 84)) ++r.japanese;
            i += 2;
        } else {
            ++r.malformed;
            ++i;
        }
    }
    return r;
}

int Decided(std::string_view text, int scanned) { return scanned == kcEucOrSjis ? EucOrShiftJis(text) : scanned; }

}  // namespace

int EucOrShiftJis(std::string_view text) {
    const auto* t = reinterpret_cast<const std::uint8_t*>(text.data());
    const Reading sjis = AsShiftJis(t, text.size()), euc = AsEuc(t, text.size());
    if (sjis.malformed != euc.malformed) return sjis.malformed < euc.malformed ? kcShiftJis : kcEuc;
    const auto score = [](const Reading& r) {
        return static_cast<std::int64_t>(r.japanese) - static_cast<std::int64_t>(r.halfWidth);
    };
    if (score(sjis) != score(euc)) return score(sjis) > score(euc) ? kcShiftJis : kcEuc;
    return kcEucOrSjis;
}

int DetectKanjiCode(std::string_view text) {
    if (text.empty()) return kcNone;
    if (const int mark = Utf16Mark(text)) return mark;
    if (StartsAsBinary(text)) {
        if (const int unicode = UnmarkedUnicode(text)) return unicode;
        return kcBinary;
    }
    if (IsUtf8Text(text) || MostlyUtf8(text)) return kcUtf8;
    return Decided(text, ScanJisEucShiftJis(text));
}

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool IsLabelChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.' || c == ':';
}

// The value after the first "charset" (or `key`) that is followed by "=" in
// the lower-cased `s` from `from` on, without quotes; empty when none.
std::string ValueAfter(std::string_view s, std::string_view key, std::size_t from = 0) {
    for (std::size_t at = s.find(key, from); at != std::string_view::npos; at = s.find(key, at + 1)) {
        std::size_t p = at + key.size();
        while (p < s.size() && (s[p] == ' ' || s[p] == '\t')) ++p;
        if (p >= s.size() || s[p] != '=') continue;
        ++p;
        while (p < s.size() && (s[p] == ' ' || s[p] == '\t' || s[p] == '"' || s[p] == '\'')) ++p;
        std::size_t end = p;
        while (end < s.size() && IsLabelChar(s[end])) ++end;
        return std::string(s.substr(p, end - p));
    }
    return {};
}

}  // namespace

std::optional<int> KanjiCodeOfCharset(std::string_view label) {
    while (!label.empty() && (label.front() == ' ' || label.front() == '"' || label.front() == '\'')) label.remove_prefix(1);
    while (!label.empty() && (label.back() == ' ' || label.back() == '"' || label.back() == '\'')) label.remove_suffix(1);
    static constexpr std::pair<std::string_view, int> kLabels[] = {
        {"shift_jis", kcShiftJis}, {"shift-jis", kcShiftJis}, {"sjis", kcShiftJis}, {"x-sjis", kcShiftJis},
        {"ms_kanji", kcShiftJis}, {"csshiftjis", kcShiftJis}, {"windows-31j", kcShiftJis}, {"cp932", kcShiftJis},
        {"ms932", kcShiftJis}, {"x-ms-cp932", kcShiftJis},
        {"euc-jp", kcEuc}, {"eucjp", kcEuc}, {"x-euc-jp", kcEuc}, {"cseucpkdfmtjapanese", kcEuc}, {"ujis", kcEuc},
        {"iso-2022-jp", kcJisB}, {"csiso2022jp", kcJisB}, {"iso-2022-jp-1", kcJisB}, {"iso-2022-jp-2", kcJisB},
        {"iso-2022-jp-3", kcJisB}, {"jis", kcJisB},
        {"utf-8", kcUtf8}, {"utf8", kcUtf8}, {"unicode-1-1-utf-8", kcUtf8},
        {"utf-16", kcUtf16Le}, {"utf-16le", kcUtf16Le}, {"utf-16be", kcUtf16Be},
        {"utf-32", kcUtf32Le}, {"utf-32le", kcUtf32Le}, {"utf-32be", kcUtf32Be},
    };
    const std::string lower = Lower(label);
    for (const auto& [name, code] : kLabels)
        if (lower == name) return code;
    return std::nullopt;
}

std::optional<int> DeclaredKanjiCode(std::string_view contentType, std::string_view page) {
    if (auto code = KanjiCodeOfCharset(ValueAfter(Lower(contentType), "charset"))) return code;
    const std::string head = Lower(page.substr(0, kCharsetSniffSize));
    // An XML declaration names the code of an XHTML page.
    if (head.starts_with("<?xml")) {
        const std::size_t end = head.find("?>");
        if (auto code = KanjiCodeOfCharset(ValueAfter(std::string_view(head).substr(0, end), "encoding")))
            return code;
    }
    // A charset attribute, or a charset parameter of a content attribute.
    for (std::size_t at = head.find("<meta"); at != std::string::npos; at = head.find("<meta", at + 5)) {
        const std::size_t end = head.find('>', at);
        const std::string_view tag = std::string_view(head).substr(at, end == std::string::npos ? end : end - at);
        if (auto code = KanjiCodeOfCharset(ValueAfter(tag, "charset"))) return code;
    }
    return std::nullopt;
}

int PageKanjiCode(std::string_view contentType, std::string_view page) {
    if (const int mark = Utf16Mark(page)) return mark;
    if (page.starts_with("\xEF\xBB\xBF")) return kcUtf8;
    if (auto declared = DeclaredKanjiCode(contentType, page)) return *declared;
    return DetectKanjiCode(page);
}

std::string Utf16ToUtf8(std::string_view text, int code) {
    const auto* t = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t n = text.size();
    if (code == kcUtf32Le || code == kcUtf32Be) {
        std::string out;
        out.reserve(n);
        for (std::size_t k = Utf16Mark(text) == code ? 4 : 0; k < n; k += 4) {
            char32_t cp = 0xFFFD;
            if (k + 3 < n) {
                cp = code == kcUtf32Be ? char32_t{t[k]} << 24 | char32_t{t[k + 1]} << 16 | char32_t{t[k + 2]} << 8 | t[k + 3]
                                       : char32_t{t[k + 3]} << 24 | char32_t{t[k + 2]} << 16 | char32_t{t[k + 1]} << 8 | t[k];
                if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
            }
            AppendUtf8(out, cp);
        }
        return out;
    }
    const bool big = code == kcUtf16Be;
    auto unit = [&](std::size_t k) -> char32_t { return big ? (t[k] << 8 | t[k + 1]) : (t[k + 1] << 8 | t[k]); };
    std::string out;
    out.reserve(n + n / 2);
    std::size_t k = Utf16Mark(text) == code ? 2 : 0;
    while (k < n) {
        char32_t cp = 0xFFFD;
        if (k + 1 >= n) {
            k = n;
        } else {
            cp = unit(k);
            k += 2;
            if (cp >= 0xD800 && cp <= 0xDBFF && k + 1 < n && unit(k) >= 0xDC00 && unit(k) <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(k) - 0xDC00);
                k += 2;
            } else if (cp >= 0xD800 && cp <= 0xDFFF) {
                cp = 0xFFFD;
            }
        }
        AppendUtf8(out, cp);
    }
    return out;
}

namespace {

// UTF-16 from t[0..n) (its byte-order mark skipped) to CP932 into o; returns
// the bytes written. Each unit of two bytes gives at most two, so o may be t
// itself. An unpaired surrogate, a character beyond the BMP and a last lone
// byte become "?" and are listed.
std::size_t Utf16ToCp932Into(const std::uint8_t* t, std::size_t n, std::uint8_t* o, bool bigEndian,
                             std::vector<KanjiReplacement>* replaced) {
    const std::uint16_t* const table = cp932::Codes();
    auto unit = [&](std::size_t k) -> char32_t {
        return bigEndian ? (char32_t{t[k]} << 8 | t[k + 1]) : (char32_t{t[k + 1]} << 8 | t[k]);
    };
    std::size_t k = n >= 2 && unit(0) == 0xFEFF ? 2 : 0, w = 0;
    while (k < n) {
        if (k + 1 >= n) {
            Report(replaced, k, 1, kNoCharacter, kQuestionStandIn);
            o[w++] = '?';
            break;
        }
        char32_t cp = unit(k);
        std::size_t len = 2;
        if (cp >= 0xD800 && cp <= 0xDBFF && k + 3 < n && unit(k + 2) >= 0xDC00 && unit(k + 2) <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(k + 2) - 0xDC00);
            len = 4;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kNoCharacter;
        }
        PutCp932(cp <= 0xFFFF && cp != kNoCharacter ? table[cp] : cp932::kNone, cp, o, w, k, len, replaced);
        k += len;
    }
    return w;
}

// UTF-32 from t[0..n) (its byte-order mark skipped) to CP932 into o; returns
// the bytes written. Each unit of four bytes gives at most four, so o may be t
// itself. A unit past U+10FFFF, a surrogate and bytes left over become "?"
// and are listed.
std::size_t Utf32ToCp932Into(const std::uint8_t* t, std::size_t n, std::uint8_t* o, bool bigEndian,
                             std::vector<KanjiReplacement>* replaced) {
    const std::uint16_t* const table = cp932::Codes();
    auto unit = [&](std::size_t k) -> char32_t {
        return bigEndian ? char32_t{t[k]} << 24 | char32_t{t[k + 1]} << 16 | char32_t{t[k + 2]} << 8 | t[k + 3]
                         : char32_t{t[k + 3]} << 24 | char32_t{t[k + 2]} << 16 | char32_t{t[k + 1]} << 8 | t[k];
    };
    std::size_t k = n >= 4 && unit(0) == 0xFEFF ? 4 : 0, w = 0;
    for (; k < n; k += 4) {
        if (k + 3 >= n) {
            Report(replaced, k, n - k, kNoCharacter, kQuestionStandIn);
            o[w++] = '?';
            break;
        }
        char32_t cp = unit(k);
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kNoCharacter;
        PutCp932(cp <= 0xFFFF && cp != kNoCharacter ? table[cp] : cp932::kNone, cp, o, w, k, 4, replaced);
    }
    return w;
}

// Shift-JIS from a text read as `code`; nullopt when the text stays as it is
// (ASCII, binary, undecided or already Shift-JIS).
std::optional<std::string> ShiftJisOf(std::string_view text, int code, std::vector<KanjiReplacement>* replaced) {
    switch (code) {
    case kcJisB:
    case kcJisAt:
        return JisToSjis(text, replaced);
    case kcEuc:
        return EucToSjis(text, replaced);
    case kcUtf8:
        return Utf8ToCp932(text, replaced);
    case kcUtf16Le:
    case kcUtf16Be: {
        std::string out(text.size(), '\0');
        out.resize(Utf16ToCp932Into(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(),
                                    reinterpret_cast<std::uint8_t*>(out.data()), code == kcUtf16Be, replaced));
        return out;
    }
    case kcUtf32Le:
    case kcUtf32Be: {
        std::string out(text.size(), '\0');
        out.resize(Utf32ToCp932Into(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(),
                                    reinterpret_cast<std::uint8_t*>(out.data()), code == kcUtf32Be, replaced));
        return out;
    }
    default:
        return std::nullopt;
    }
}

}  // namespace

std::optional<std::string> ConvertedToShiftJis(std::string_view text, std::vector<KanjiReplacement>* replaced) {
    if (replaced) replaced->clear();
    if (const int mark = Utf16Mark(text)) return ShiftJisOf(text, mark, replaced);
    if (text.empty()) return std::nullopt;
    if (StartsAsBinary(text)) {
        if (const int unicode = UnmarkedUnicode(text)) return ShiftJisOf(text, unicode, replaced);
        return std::nullopt;
    }
    // A text with bytes above 0x7F is converted as UTF-8 and checked as it
    // goes: one pass, not a check and then a conversion. A malformed sequence
    // means it is not UTF-8, and the scan decides.
    if (AsciiPrefix(text.data(), text.size()) < text.size()) {
        std::string out;
        if (Utf8ToCp932Copy<true>(text, out, replaced)) return out;
        if (MostlyUtf8(text)) {
            Utf8ToCp932Copy<false>(text, out, replaced);
            return out;
        }
    }
    return ShiftJisOf(text, Decided(text, ScanJisEucShiftJis(text)), replaced);
}

std::optional<std::string> ConvertedToShiftJisFrom(std::string_view text, int code,
                                                   std::vector<KanjiReplacement>* replaced) {
    if (replaced) replaced->clear();
    return ShiftJisOf(text, code, replaced);
}

std::string ConvertKanjiCode(std::string_view text, int target) {
    if (target == kcShiftJis)
        if (auto converted = ConvertedToShiftJis(text)) return std::move(*converted);
    return std::string(text);
}

std::size_t ConvertToShiftJisInBuffer(char* data, std::size_t size, std::string& aside) {
    return ConvertToShiftJisInBuffer(data, size, aside, DetectKanjiCode(std::string_view(data, size)));
}

std::size_t ConvertToShiftJisInBuffer(char* data, std::size_t size, std::string& aside, int code) {
    auto* t = reinterpret_cast<std::uint8_t*>(data);
    const std::string_view text(data, size);
    switch (code) {
    case kcEuc:
        return EucToSjisInto(t, size, t, nullptr);
    case kcUtf8:
        return Utf8ToCp932Into(t, size, t, nullptr);
    case kcUtf16Le:
    case kcUtf16Be:
        return Utf16ToCp932Into(t, size, t, code == kcUtf16Be, nullptr);
    case kcUtf32Le:
    case kcUtf32Be:
        return Utf32ToCp932Into(t, size, t, code == kcUtf32Be, nullptr);
    default:
        if (auto converted = ShiftJisOf(text, code, nullptr)) {
            aside = std::move(*converted);
            return kConvertedAside;
        }
        return size;
    }
}

void ConvertKanjiCodeInPlace(std::string& text, int target) {
    if (target != kcShiftJis) return;
    std::string aside;
    const std::size_t size = ConvertToShiftJisInBuffer(text.data(), text.size(), aside);
    if (size == kConvertedAside)
        text = std::move(aside);
    else
        text.resize(size);
}

}  // namespace verdane
