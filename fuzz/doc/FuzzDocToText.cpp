// Fuzz target: any bytes as a DOC database. DocToText must return 0 or 3 or
// refuse the file with EDocFormat, never read outside the stream.
#include "DocConvert.h"
#include "DocFormatError.h"
#include "PdbFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    verdane::HasDocSignature(bytes);
    for (bool includeBinary : {true, false}) {
        verdane::TMemoryStream database(bytes);
        verdane::TMemoryStream text;
        try {
            const int result = verdane::DocToText(database, text, includeBinary);
            if (result != 0 && result != 3) __builtin_trap();
        } catch (const verdane::EDocFormat&) {
        }
    }
    return 0;
}
