// The encode table built once from the generated tables.
#include "Cp932Table.h"

#include <memory>

namespace verdane::cp932 {

namespace {

struct Alias {
    char32_t unicode;
    std::uint16_t sjis;
};
// The JIS X 0208 forms of the wave dash, minus sign, double vertical line, em
// dash, cent, pound and not signs.
constexpr Alias kJisForms[] = {
    {0x00A2, 0x8191}, {0x00A3, 0x8192}, {0x00AC, 0x81CA}, {0x2014, 0x815C},
    {0x2016, 0x8161}, {0x2212, 0x817C}, {0x301C, 0x8160},
};

}  // namespace

const std::uint16_t* Codes() {
    static const std::unique_ptr<std::uint16_t[]> table = [] {
        auto codes = std::make_unique<std::uint16_t[]>(0x10000);
        for (std::size_t k = 0; k < 0x10000; ++k) codes[k] = kNone;
        for (std::size_t k = 0; k < kEncodeCount; ++k) codes[kEncode[k].unicode] = kEncode[k].sjis;
        for (const Alias& a : kJisForms)
            if (codes[a.unicode] == kNone) codes[a.unicode] = a.sjis;
        return codes;
    }();
    return table.get();
}

int Encode(char32_t codePoint) {
    const std::uint16_t code = CodeOf(codePoint);
    return code == kNone ? -1 : code;
}

}  // namespace verdane::cp932
