// Test-only: HtmlToText's image and reference steps written the direct way,
// searching the whole text again from its start after every replacement. Slow
// (quadratic) but plainly right; the real steps must give the same text.
#pragma once

#include "Cp932Table.h"
#include "HtmlToText.h"
#include "TAWKStr.h"

#include <string>

namespace verdane::regex::test {

inline std::string DirectImgAltToText(std::string text) {
    for (const char* literal : {"<img", "<IMG"}) {
        for (;;) {
            std::size_t a = text.find(literal);
            if (a == std::string::npos) break;
            std::size_t gt = text.find('>', a);
            if (gt == std::string::npos) break;
            std::string alt = ExtractAltText(std::string_view(text).substr(a, gt - a + 1));
            text.replace(a, gt - a + 1, alt.empty() ? std::string() : "[" + alt + "]");
        }
    }
    return text;
}

inline std::string DirectReferenceBytes(int value) {
    if (value <= 0) return "";
    if (value < 0x80) return std::string(1, static_cast<char>(value));
    int code = cp932::Encode(static_cast<char32_t>(value));
    if (code <= 0) return "?";
    std::string bytes;
    if (code > 0xFF) bytes += static_cast<char>(code >> 8);
    bytes += static_cast<char>(code & 0xFF);
    return bytes;
}

inline std::string DirectDecodeCharRefs(TAWKStr& awk, std::string text) {
    long long start = 0, length = 0;
    awk.SetRegExp("&#[0-9]+;");
    while (awk.Match(text, start, length) > 0) {
        int value = CharRefValue(std::string_view(text).substr(start - 1, length));
        text.replace(start - 1, length, DirectReferenceBytes(value));
        awk.SetRegExp("&#[0-9]+;");
    }
    return text;
}

inline std::string DirectHtmlToText(TAWKStr& awk, std::string_view html) {
    std::string text = RemoveComments(html);
    text = DirectImgAltToText(text);
    text = StripTags(text);
    text = DecodeNamedEntities(awk, text);
    text = DirectDecodeCharRefs(awk, text);
    text = TrimLines(text);
    awk.SetRegExp("[ \x81\x40\\t]*(\\r\\n)");
    awk.GSub("\\r\\n", text);
    awk.SetRegExp("(\\r\\n)(\\r\\n)+");
    awk.GSub("\\r\\n\\r\\n", text);
    return text + "\r\n";
}

}  // namespace verdane::regex::test
