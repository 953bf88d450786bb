// Fuzz target: a downloaded body made Shift-JIS as it arrives. Byte 0 chooses
// the answer's Content-Type, byte 1 the size of the pieces it comes in. A page
// declared Shift-JIS or EUC-JP gives the same bytes in pieces as in one; and
// Shift-JIS kept as bytes is what the window writes for the editor text read
// from them. Nothing may crash or throw.
#include "EditorCodec.h"
#include "PageStream.h"
#include "ShiftJisBytes.h"
#include "TextBytes.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace verdane;

namespace {

std::string Streamed(const char* contentType, std::string_view body, std::size_t cut) {
    std::string out;
    core::PageStream stream(contentType, [&out](std::string_view bytes) { out.append(bytes); }, 128);
    for (std::size_t at = 0; at < body.size(); at += cut) stream.Append(body.substr(at, cut));
    stream.Finish();
    if (stream.ReplacedCount() < stream.Replaced().size()) std::abort();
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    static const char* const types[] = {"text/plain; charset=Shift_JIS", "text/plain; charset=EUC-JP", "",
                                        "text/html; charset=utf-8"};
    const std::string_view body(reinterpret_cast<const char*>(data) + 2, size - 2);
    const int type = data[0] & 3;
    const std::string pieces = Streamed(types[type], body, 1 + data[1] % 61);
    // A byte-order mark speaks louder than the declaration, and then the
    // first piece decides whether the page is UTF-8.
    const bool marked = body.starts_with("\xEF\xBB\xBF") || body.starts_with("\xFF\xFE") || body.starts_with("\xFE\xFF");
    if (type < 2 && !marked && pieces != Streamed(types[type], body, body.size() + 1)) std::abort();

    std::string text = EditorLineEnds(body);
    const std::string window = platform::EditorToBytes(platform::BytesToEditor(text)).bytes;
    core::MakeWindowShiftJis(text);
    if (text != window) std::abort();
    return 0;
}
