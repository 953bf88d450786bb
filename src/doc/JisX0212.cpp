// Look-up in the JIS X 0212 table.
#include "JisX0212Table.h"

#include <algorithm>

namespace verdane::jisx0212 {

const Entry* Find(std::uint8_t b2, std::uint8_t b3) {
    const auto jis = static_cast<std::uint16_t>(((b2 & 0x7Fu) << 8) | (b3 & 0x7Fu));
    const Entry* end = kEntries + kEntryCount;
    const Entry* at = std::lower_bound(kEntries, end, jis, [](const Entry& e, std::uint16_t j) { return e.jis < j; });
    return at != end && at->jis == jis ? at : nullptr;
}

}  // namespace verdane::jisx0212
