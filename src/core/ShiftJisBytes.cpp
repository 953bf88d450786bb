#include "ShiftJisBytes.h"

#include "Cp932Table.h"

#include <array>
#include <cstdint>
#include <cstring>

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

// The ASCII bytes from data[at] on, eight at a time.
std::size_t AsciiRun(const std::uint8_t* p, std::size_t at, std::size_t size) {
    std::size_t k = at;
    while (k + 8 <= size) {
        std::uint64_t block;
        std::memcpy(&block, p + k, 8);
        if (block & 0x8080808080808080ull) break;
        k += 8;
    }
    while (k < size && p[k] < 0x80) ++k;
    return k - at;
}

}  // namespace

std::size_t MakeWindowShiftJis(char* data, std::size_t size, bool last) {
    const PairTable& pairs = Pairs();
    auto* p = reinterpret_cast<std::uint8_t*>(data);
    std::size_t k = 0;
    while (k < size) {
        k += AsciiRun(p, k, size);
        if (k >= size) break;
        const std::uint8_t b = p[k];
        if (!cp932::IsLeadByte(b)) {
            ++k;
            continue;
        }
        if (k + 1 >= size) return last ? size : k;
        const std::uint16_t code = pairs[b - 0x80][p[k + 1]];
        if (code == 0) {
            ++k;
            continue;
        }
        p[k] = static_cast<std::uint8_t>(code >> 8);
        p[k + 1] = static_cast<std::uint8_t>(code);
        k += 2;
    }
    return size;
}

}  // namespace verdane::core
