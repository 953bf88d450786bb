// Fuzz target: any bytes as a text of unknown Japanese code. Detection and
// conversion must finish without reading outside the text; a text already in
// the target code comes back unchanged; the conversion in place (EUC-JP and
// UTF-8 written over their own bytes) gives the same bytes as the copying one,
// and the text as opened from read-only bytes the same as from a text of one's own.
// The list of replaced characters comes with the same conversion, in text
// order, each inside the text, and each left at least one byte ("?", the
// geta mark or another stand-in) in the converted text. A UTF-8 text made
// whole is valid UTF-8, and a whole one stays as it is.
#include "KanjiCode.h"
#include "TextBytes.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const int code = verdane::DetectKanjiCode(text);
    if (code < 0 || code > 11) __builtin_trap();
    const std::string converted = verdane::ConvertKanjiCode(text, verdane::kcShiftJis);
    if ((code == 0 || code == 1 || code == 5 || code == 6) && converted != text) __builtin_trap();
    std::string inPlace(text);
    verdane::ConvertKanjiCodeInPlace(inPlace, verdane::kcShiftJis);
    if (inPlace != converted) __builtin_trap();
    std::vector<verdane::KanjiReplacement> replaced;
    const auto reported = verdane::ConvertedToShiftJis(text, &replaced);
    if (reported.value_or(std::string(text)) != converted) __builtin_trap();
    if (!reported && !replaced.empty()) __builtin_trap();
    std::size_t next = 0;
    for (const auto& r : replaced) {
        if (r.offset < next || r.length == 0 || r.length > 4 || r.offset + r.length > text.size()) __builtin_trap();
        next = r.offset + r.length;
    }
    if (replaced.size() > converted.size()) __builtin_trap();
    verdane::Utf8ToCp932(text, &replaced);
    std::string repaired(text);
    replaced.clear();
    const bool damaged = verdane::RepairUtf8(repaired, &replaced);
    if (damaged == replaced.empty() || (!damaged && repaired != text)) __builtin_trap();
    const bool high = std::any_of(repaired.begin(), repaired.end(), [](char c) { return (c & 0x80) != 0; });
    if (high && !verdane::IsUtf8Text(repaired)) __builtin_trap();
    std::string opened(text);
    verdane::MakeTextAsOpened(opened);
    if (verdane::TextAsOpenedIfChanged(text).value_or(std::string(text)) != opened) __builtin_trap();
    return 0;
}
