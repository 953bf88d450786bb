// Base letters: for each BMP character whose canonical decomposition holds
// combining marks, the character that is left without them (é -> e, ά -> α).
// Generated once by tools/gen_base_letters.py and committed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace verdane::baseletters {

struct Entry {
    std::uint16_t letter;
    std::uint16_t base;
};

// Sorted by letter.
extern const Entry kEntries[];
extern const std::size_t kEntryCount;

}  // namespace verdane::baseletters
