// Fuzz target: a Content-Type value (the bytes up to the first NUL) and a
// page (the rest). The declared and sniffed codes are known codes; the page
// converts from its code with every replaced character inside it, and the
// conversion in the page's own buffer gives the same text as the copy.
#include "KanjiCode.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace verdane;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    const std::string contentType = nul == std::string::npos ? std::string() : input.substr(0, nul);
    const std::string page = nul == std::string::npos ? input : input.substr(nul + 1);
    if (auto declared = DeclaredKanjiCode(contentType, page); declared && (*declared < kcJisB || *declared > kcUtf16Be))
        __builtin_trap();
    const int code = PageKanjiCode(contentType, page);
    if (code < kcNone || code > kcUtf16Be) __builtin_trap();
    std::vector<KanjiReplacement> replaced;
    const std::optional<std::string> converted = ConvertedToShiftJisFrom(page, code, &replaced);
    for (const auto& r : replaced)
        if (r.offset + r.length > page.size()) __builtin_trap();
    std::string buffer = page, aside;
    const std::size_t n = ConvertToShiftJisInBuffer(buffer.data(), buffer.size(), aside, code);
    const std::string inBuffer = n == kConvertedAside ? aside : buffer.substr(0, n);
    if (inBuffer != converted.value_or(page)) __builtin_trap();
    return 0;
}
