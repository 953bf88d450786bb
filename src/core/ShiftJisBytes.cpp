#include "ShiftJisBytes.h"

#include "Cp932Table.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace verdane::core {

namespace {

// For each lead byte (0x80-0xFF) and trail byte, the pair as the window
// writes it, or 0 when the two bytes name no character (the lead byte is then
// read on its own, as the editor reads it).
using PairTable = std::array<std::array<std::uint16_t, 256>, 128>;

const PairTable& Pairs() {
    static const PairTable table = [] {
        PairTable t{};
        for (int lead = 0x80; lead < 0x100; ++lead) {
            if (!cp932::IsLeadByte(static_cast<std::uint8_t>(lead))) continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (trail == 0x7F) continue;
                const std::uint16_t cp = cp932::DecodeDouble(static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail));
                if (cp == cp932::kNone) continue;
                const int code = cp932::Encode(cp);
                t[lead - 0x80][trail] = static_cast<std::uint16_t>(code > 0xFF ? code : lead << 8 | trail);
            }
        }
        return t;
    }();
    return table;
}

// Only a pair led by one of these bytes has a duplicate: 0x87 (NEC row 13),
// 0xED and 0xEE (NEC-selected IBM extensions), 0xFA to 0xFC (IBM extensions).
bool MayChange(std::uint8_t b) { return b == 0x87 || b == 0xED || b == 0xEE || (b >= 0xFA && b <= 0xFC); }

// The first byte from `at` on that MayChange, or `size`: sixteen at a time.
std::size_t NextCandidate(const std::uint8_t* p, std::size_t at, std::size_t size) {
#if defined(__SSE2__)
    const __m128i nec = _mm_set1_epi8(static_cast<char>(0x87)), ed = _mm_set1_epi8(static_cast<char>(0xED)),
                  ee = _mm_set1_epi8(static_cast<char>(0xEE)), fa = _mm_set1_epi8(static_cast<char>(0xFA)),
                  fc = _mm_set1_epi8(static_cast<char>(0xFC));
    for (; at + 16 <= size; at += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
        const __m128i ibm = _mm_and_si128(_mm_cmpeq_epi8(_mm_max_epu8(x, fa), x), _mm_cmpeq_epi8(_mm_min_epu8(x, fc), x));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, nec), _mm_cmpeq_epi8(x, ed)),
                                         _mm_or_si128(_mm_cmpeq_epi8(x, ee), ibm));
        if (const int mask = _mm_movemask_epi8(hit)) return at + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    while (at < size && !MayChange(p[at])) ++at;
    return at;
}

}  // namespace

std::size_t MakeWindowShiftJis(char* data, std::size_t size, bool last) {
    const PairTable& pairs = Pairs();
    auto* p = reinterpret_cast<std::uint8_t*>(data);
    // The length of the character that starts at `k`, as the editor reads it:
    // a lead byte and a trail byte that name a character, else one byte.
    auto step = [&](std::size_t k) -> std::size_t {
        return k + 1 < size && cp932::IsLeadByte(p[k]) && pairs[p[k] - 0x80][p[k + 1]] != 0 ? 2 : 1;
    };
    // Where a character starts at or before `at`: after the last byte before
    // it that cannot lead a pair (it ends a character, whatever it is), or at
    // `known`, a start already found. Then walked forward to `at` or past it.
    std::size_t known = 0;
    auto startAtOrAfter = [&](std::size_t at) {
        if (known > at) return known;  // `at` is inside a character already read
        std::size_t k = at;
        while (k > known && cp932::IsLeadByte(p[k - 1])) --k;
        while (k < at) k += step(k);
        return k;
    };
    for (std::size_t k = 0;;) {
        const std::size_t j = NextCandidate(p, k, size);
        if (j >= size) break;
        const std::size_t start = startAtOrAfter(j);
        if (start != j) {  // a trail byte
            known = k = start;
            continue;
        }
        if (j + 1 >= size) break;
        const std::uint16_t code = pairs[p[j] - 0x80][p[j + 1]];
        if (code == 0) {
            known = k = j + 1;
            continue;
        }
        p[j] = static_cast<std::uint8_t>(code >> 8);
        p[j + 1] = static_cast<std::uint8_t>(code);
        known = k = j + 2;
    }
    // A lead byte that ends the block waits for its trail byte.
    if (!last && size > 0 && cp932::IsLeadByte(p[size - 1]) && startAtOrAfter(size - 1) == size - 1) return size - 1;
    return size;
}

}  // namespace verdane::core
