#include "LargeBuffer.h"

#include <cstdint>
#include <sys/mman.h>

namespace verdane {

void ReserveLarge(std::string& text, std::size_t capacity) {
    constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
    if (capacity <= text.capacity()) return;
    if (capacity < 2 * kLargePage) return text.reserve(capacity);
    // The new room is advised before the bytes already there move into it, so
    // that they land on large pages too.
    std::string grown;
    grown.reserve(capacity);
    const auto start = reinterpret_cast<std::uintptr_t>(grown.data());
    const auto from = (start + kLargePage - 1) & ~(kLargePage - 1);
    const auto to = (start + grown.capacity()) & ~(kLargePage - 1);
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
    grown.append(text);
    text.swap(grown);
}

}  // namespace verdane
