// Fuzz target: HtmlToText on arbitrary bytes ends, adds no NUL byte and ends
// in CR LF; for small inputs its image and reference steps give the text the
// direct (search-from-the-start) steps give.
#include "../../tests/regex/HtmlReference.h"
#include "HtmlToText.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace verdane::regex;
    static TAWKStr awk;
    static TAWKStr direct;
    const std::string html(reinterpret_cast<const char*>(data), size);
    const std::string text = HtmlToText(awk, html);
    if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) __builtin_trap();
    if (std::count(text.begin(), text.end(), '\0') > std::count(html.begin(), html.end(), '\0')) __builtin_trap();
    if (size <= 4096) {
        if (ImgAltToText(html) != test::DirectImgAltToText(html)) __builtin_trap();
        if (DecodeCharRefs(html) != test::DirectDecodeCharRefs(direct, html)) __builtin_trap();
    }
    return 0;
}
