// Room for a large text in a std::string, backed by large memory pages where
// the system grants them. A file of many megabytes otherwise costs one page
// fault per 4 KB when its buffer is first written. Used by the conversions of
// whole texts and by verdane-cli's input.
#pragma once

#include <cstddef>
#include <string>

namespace verdane {

// Reserves room for `capacity` bytes in `text`, keeping its bytes, and for a
// large room asks for large pages over its whole pages (a hint, fine if
// refused).
void ReserveLarge(std::string& text, std::size_t capacity);

}  // namespace verdane
