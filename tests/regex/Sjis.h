// Test helper: Japanese written in UTF-8 in the test source, turned into the
// CP932 bytes the engine works on.
#pragma once

#include "Cp932Table.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace verdane::regex::test {

inline std::string Sjis(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        auto b = static_cast<unsigned char>(utf8[i]);
        std::size_t len = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        char32_t cp = len == 1 ? b : b & (0x7F >> len);
        for (std::size_t k = 1; k < len; ++k) cp = cp << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += len;
        int code = cp932::Encode(cp);
        if (code < 0) throw std::invalid_argument("not in CP932");
        if (code > 0xFF) out += static_cast<char>(code >> 8);
        out += static_cast<char>(code & 0xFF);
    }
    return out;
}

}  // namespace verdane::regex::test
