// Lookup functions over the generated CP932 tables.
#include "Cp932Table.h"

#include <algorithm>

namespace verdane::cp932 {

int Encode(char32_t codePoint) {
    if (codePoint > 0xFFFF) return -1;
    const auto* end = kEncode + kEncodeCount;
    const auto* it = std::lower_bound(kEncode, end, codePoint,
                                      [](const EncodeEntry& e, char32_t u) { return e.unicode < u; });
    if (it == end || it->unicode != codePoint) return -1;
    return it->sjis;
}

}  // namespace verdane::cp932
