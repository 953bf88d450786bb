// Fuzz target: a fixed set of patterns searched over arbitrary texts. Match and
// GSub must give a result inside the text, agree with each other, and keep
// every byte from a NUL byte on; the groups of the first match lie inside it.
#include "TAWKStr.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace verdane::regex;

struct Compiled {
    TAWKStr awk;
    explicit Compiled(const char* pattern, bool fuzzy) {
        awk.SetUseFuzzyCharDic(fuzzy);
        awk.SetRegExp(pattern);
    }
};

std::vector<std::unique_ptr<Compiled>>& Patterns() {
    static std::vector<std::unique_ptr<Compiled>> patterns = [] {
        std::vector<std::unique_ptr<Compiled>> list;
        for (const char* p : {"&lt;", "&amp;", "&#[0-9]+;", "[ \x81\x40\\t]*(\\r\\n)", "(\\r\\n)(\\r\\n)+", "x*",
                              "^", "$", "^a|b$", "^$", ".*", "[^a-z]+", "(a|ab)(c|bcd)(d*)", "\x82\xA0+|\x83\x41",
                              "(  )* x", "a$|a\\r\\nx"})
            list.push_back(std::make_unique<Compiled>(p, false));
        for (const char* p : {"\x83\x4B\x83\x43\x83\x68", "abc", "\\."}) list.push_back(std::make_unique<Compiled>(p, true));
        return list;
    }();
    return patterns;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    auto& patterns = Patterns();
    TAWKStr& awk = patterns[data[0] % patterns.size()]->awk;
    awk.LineSeparator = data[0] & 0x80 ? mcls_LF : mcls_CRLF;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::size_t end = text.find('\0');
    if (end == std::string::npos) end = text.size();

    long long start = 0, length = 0;
    awk.Match(text, start, length);
    if (start < 0 || length < 0) __builtin_trap();
    if (start > 0 && static_cast<std::size_t>(start - 1 + length) > end) __builtin_trap();

    if (start > 0) {
        const TMatchRange m{static_cast<std::size_t>(start - 1), static_cast<std::size_t>(start - 1 + length)};
        const TMatchGroups groups = awk.Groups(text, m);
        if (!groups[0] || *groups[0] != m) __builtin_trap();
        for (const auto& g : groups)
            if (g && (g->start > g->end || g->start < m.start || g->end > m.end)) __builtin_trap();
    }
    // Replacing with groups finds the same matches as with "&".
    std::string swapped = text;
    const long long swaps = awk.GSub("\\2\\1", swapped);

    std::string copy = text;
    long long count = awk.GSub("[&]", copy);
    if ((count == 0) != (start == 0) || swaps != count) __builtin_trap();
    if (count == 0 && copy != text) __builtin_trap();
    if (copy.size() < text.size() - end || copy.compare(copy.size() - (text.size() - end), std::string::npos,
                                                         text, end, std::string::npos) != 0)
        __builtin_trap();
    return 0;
}
