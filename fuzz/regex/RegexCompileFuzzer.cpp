// Fuzz target: any pattern either compiles or raises ERegExpParser, within the
// size budget, and a compiled pattern searches a small text; the groups of
// each match lie inside it, and a replacement by the whole match ("\0")
// changes nothing. The first byte chooses the fuzzy dictionary and the line
// separator.
#include "ERegExpParser.h"
#include "TAWKStr.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace verdane::regex;
    if (size == 0) return 0;
    const std::uint8_t flags = data[0];
    const std::string pattern(reinterpret_cast<const char*>(data + 1), size - 1);
    static TAWKStr awk;
    awk.LineSeparator = flags & 2 ? mcls_LF : mcls_CRLF;
    try {
        awk.SetUseFuzzyCharDic(flags & 1);
        awk.SetRegExp(pattern);
    } catch (const ERegExpParser&) {
        if (!awk.RegExp().empty() || awk.CurrentEntry() != 0) __builtin_trap();
        return 0;
    }
    static const std::string text = "a\r\n\x82\xA0\x83\x41 b$^\n\x95\x5C" "c\t\x81";
    long long start = 0, length = 0;
    awk.Match(text, start, length);
    if (start < 0 || length < 0 || static_cast<std::size_t>(start + length) > text.size() + 1) __builtin_trap();
    std::string copy = text;
    try {
        awk.GSub("<&>", copy);
        copy = text;
        awk.GSub("\\0", copy);
        if (copy != text) __builtin_trap();
        awk.GSub("\\9\\1-\\2", copy);
    } catch (const ERegExpParser&) {
        __builtin_trap();
    }
    for (const TMatchRange& m : awk.MatchAll(text, 0, text.size(), 32)) {
        const TMatchGroups groups = awk.Groups(text, m);
        if (!groups[0] || *groups[0] != m) __builtin_trap();
        for (std::size_t g = 1; g < groups.size(); ++g) {
            if (!groups[g]) continue;
            if (static_cast<int>(g) > awk.GroupCount()) __builtin_trap();
            if (groups[g]->start > groups[g]->end || groups[g]->start < m.start || groups[g]->end > m.end)
                __builtin_trap();
        }
    }
    return 0;
}
