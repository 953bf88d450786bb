// JIS X 0213 (planes 1 and 2) to Unicode. The Aozora notation cleaner uses it to
// turn a character described by plane, row and cell ("1-85-56") into the
// character itself. The table is generated once from glibc's charmaps by
// tools/gen_jisx0213.py and committed.
#pragma once

#include <cstdint>

namespace verdane::jisx0213 {

extern const std::uint32_t kCodePoints[2][94][94];

// The code point at plane 1-2, row 1-94, cell 1-94, or 0 when the place is empty
// or outside those ranges. Places JIS X 0208 defines give the code point
// Windows reads for the same character, so CP932 finds every one it holds.
inline char32_t ToUnicode(int plane, int row, int cell) {
    if (plane < 1 || plane > 2 || row < 1 || row > 94 || cell < 1 || cell > 94) return 0;
    return kCodePoints[plane - 1][row - 1][cell - 1];
}

}  // namespace verdane::jisx0213
