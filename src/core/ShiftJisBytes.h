// Shift-JIS text kept as bytes on its way out. A text read as Shift-JIS (or
// ASCII, or converted to it once while read) needs no round trip through the
// editor's UTF-16 to be written as the window writes it: the only bytes that
// change are the pairs CP932 holds twice (the NEC and IBM duplicates, such as
// 0x8790 and 0x81E0 for "≒"), which the window writes in the one form Windows
// writes. Every other byte, an undecodable one included, stays as it is.
#pragma once

#include <cstddef>
#include <string>

namespace verdane::core {

// Writes each duplicate pair of `data[0..size)` in the window's form, in place
// (both forms are two bytes). Returns the bytes done: all of them with `last`,
// else all but a lead byte that ends the block, whose trail byte may come with
// the next block.
std::size_t MakeWindowShiftJis(char* data, std::size_t size, bool last = true);
inline void MakeWindowShiftJis(std::string& text) { MakeWindowShiftJis(text.data(), text.size(), true); }

}  // namespace verdane::core
