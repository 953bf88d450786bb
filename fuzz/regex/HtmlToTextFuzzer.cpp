// Fuzz target: HtmlToText on arbitrary bytes ends, adds no NUL byte, ends in
// CR LF, lists only references that lie in the page, each with what stands for
// its character, and stays within the
// size a page can grow to (line ends, list marks and paragraph breaks), with
// readings kept or dropped; the page's title is one line without blanks at
// its ends.
#include "HtmlToText.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace verdane::regex;
    const std::string html(reinterpret_cast<const char*>(data), size);
    std::vector<verdane::KanjiReplacement> replaced;
    const HtmlRuby ruby = size > 0 && (data[0] & 1) ? HtmlRuby::Drop : HtmlRuby::Paren;
    const std::string text = HtmlToText(html, {}, &replaced, ruby);
    const std::string title = HtmlPageTitle(html);
    if (title.find_first_of("\r\n") != std::string::npos || title.size() > 2 * size) __builtin_trap();
    if (!title.empty() && (title.front() == ' ' || title.back() == ' ')) __builtin_trap();
    if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) __builtin_trap();
    if (std::count(text.begin(), text.end(), '\0') > std::count(html.begin(), html.end(), '\0')) __builtin_trap();
    if (text.size() > 2 * size + 4) __builtin_trap();
    for (const auto& r : replaced)
        if (r.offset + r.length > size || html[r.offset] != '&' || r.writtenAs.size() == 0) __builtin_trap();
    return 0;
}
