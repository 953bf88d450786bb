// Fuzz inputs grown large: the fuzzer's inputs stay small, but the readers'
// faults may lie in long files (a cost that grows with the square of the
// keys). The last byte of an input says how many times the text before it is
// repeated, each time with every "#" written as the repetition's number, so a
// few kept bytes become thousands of distinct keys and removals.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace verdane::fuzz {

struct LargeInput {
    std::string_view small;  // the input without its last byte
    std::string large;       // `small` from `from` on, repeated
};

// `from`: the bytes of `small` before it (a header) come once, at the start;
// the repetitions stop once `mostBytes` are there.
inline LargeInput Grow(const std::uint8_t* data, std::size_t size, std::size_t from = 0,
                       std::size_t mostBytes = std::size_t{1} << 20) {
    LargeInput input;
    if (size == 0) return input;
    input.small = std::string_view(reinterpret_cast<const char*>(data), size - 1);
    from = std::min(from, input.small.size());
    const std::string_view head = input.small.substr(0, from), body = input.small.substr(from);
    const std::size_t repeats = 1 + std::size_t{data[size - 1]} * 64;
    input.large = head;
    for (std::size_t i = 0; i < repeats && input.large.size() < mostBytes && !body.empty(); ++i) {
        const std::string number = std::to_string(i);
        for (char c : body) {
            if (c == '#') input.large += number;
            else input.large += c;
        }
    }
    return input;
}

}  // namespace verdane::fuzz
