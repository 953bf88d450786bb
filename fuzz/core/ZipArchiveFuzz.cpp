// Fuzz target: any bytes as a .zip archive. Reading must end with the text or
// a reason, never read outside the bytes, and never hand back more than the
// largest entry allowed; choosing a listed text by its name must work the same.
#include "ZipArchive.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const verdane::ArchiveText read = verdane::ReadArchiveText(bytes);
    using Status = verdane::ArchiveText::Status;
    if (read.status != Status::Ok && read.failure.code == verdane::core::FailureCode::Internal) __builtin_trap();
    if (read.status == Status::Ok && read.bytes.size() > verdane::kMaxArchiveEntry) __builtin_trap();
    if (read.status == Status::Several) {
        for (const std::string& name : read.names) {
            const verdane::ArchiveText chosen = verdane::ReadArchiveText(bytes, name);
            if (chosen.status == Status::Ok && chosen.entry != name) __builtin_trap();
            if (chosen.status == Status::Several || chosen.status == Status::NoText) __builtin_trap();
        }
    }
    return 0;
}
