// Text that comes from outside (a server's reason phrase or header value, a
// name inside an archive) made safe to show on a terminal or in a message box:
// a control character would otherwise reach the terminal as a command (ESC
// sequences set its title, clear the screen, colour a false message).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace verdane {

// `text` with every control character written as "\x1b": C0 controls, DEL,
// the C1 controls (U+0080 to U+009F) and every byte that is no part of valid
// UTF-8. Other characters stay as they are, and so do the controls in `kept`
// (a text of several lines keeps its "\n").
inline std::string EscapeControls(std::string_view text, std::string_view kept = {}) {
    std::string out;
    out.reserve(text.size());
    auto escape = [&out](unsigned char byte) {
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\x%02x", byte);
        out += hex;
    };
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if ((c < 0x20 || c == 0x7F) && kept.find(static_cast<char>(c)) == std::string_view::npos) escape(c);
            else out += static_cast<char>(c);
            ++i;
            continue;
        }
        // The length of a UTF-8 sequence and the range of its second byte
        // (no overlong forms, no surrogates, nothing past U+10FFFF).
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) length = 2;
        else if (c >= 0xE0 && c <= 0xEF) length = 3, low = c == 0xE0 ? 0xA0 : 0x80, high = c == 0xED ? 0x9F : 0xBF;
        else if (c >= 0xF0 && c <= 0xF4) length = 4, low = c == 0xF0 ? 0x90 : 0x80, high = c == 0xF4 ? 0x8F : 0xBF;
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto b = static_cast<unsigned char>(text[i + k]);
            valid = k == 1 ? b >= low && b <= high : b >= 0x80 && b <= 0xBF;
        }
        // U+0080 to U+009F: C2 80 to C2 9F.
        if (valid && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F) valid = false;
        if (!valid) {
            escape(c);
            ++i;
            continue;
        }
        out.append(text.substr(i, length));
        i += length;
    }
    return out;
}

// Whether `text` holds a C0 control character or DEL, which must never reach
// a request line or header.
inline bool HoldsControl(std::string_view text) {
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) return true;
    }
    return false;
}

}  // namespace verdane
