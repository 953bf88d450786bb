// Fuzz target: any bytes as a document text. Written with TextToDoc and read
// back with DocToText (include-binary set), compressed or not, the text must
// come back byte for byte; and the fast compressor must write exactly what the
// plain whole-prefix scan writes.
#include "DocBuffer.h"
#include "DocConvert.h"
#include "ReferenceCompressor.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (bool compress : {true, false}) {
        verdane::TMemoryStream in(text), database, out;
        if (verdane::TextToDoc(in, database, "Fuzz", compress, true) != 0) __builtin_trap();
        if (verdane::DocToText(database, out, true) != 0 || out.Bytes() != text) __builtin_trap();
    }
    if (size <= 1024) {
        verdane::TBuf buf;
        buf.SetData(text);
        buf.Compress();
        if (buf.Data() != verdane::reference::Compress(text)) __builtin_trap();
    }
    return 0;
}
