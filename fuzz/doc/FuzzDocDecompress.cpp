// Fuzz target: any bytes as a compressed record. Decompress must decode them or
// refuse them with EDocFormat; whatever it decodes must compress and decode back
// to the same bytes.
#include "DocBuffer.h"
#include "DocFormatError.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    verdane::TBuf buf;
    buf.SetData(data, size);
    try {
        buf.Decompress();
    } catch (const verdane::EDocFormat&) {
        return 0;
    }
    const std::string text(buf.Data());
    buf.Compress();
    buf.Decompress();
    if (buf.Data() != text) __builtin_trap();
    return 0;
}
