// Fuzz target: any bytes read as a snapshot of an unsaved text, as the start
// reads what it finds in the recovery folder. Reading must end without a
// fault; a snapshot read as whole, written again with its own header, must
// read back as the same text and document.
#include "RecoverySnapshot.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using verdane::RecoverySnapshot;
    const RecoverySnapshot read = verdane::ParseSnapshot(std::string(reinterpret_cast<const char*>(data), size), true);
    if (read.state != RecoverySnapshot::State::Good) return 0;
    const std::string again = verdane::SnapshotHeader(read, read.text.size()) + read.text;
    const RecoverySnapshot back = verdane::ParseSnapshot(again, true);
    if (back.state != RecoverySnapshot::State::Good || back.text != read.text || back.caret != read.caret ||
        back.document.Path() != read.document.Path() || back.document.Kind() != read.document.Kind() ||
        back.document.Code() != read.document.Code() || back.document.Title() != read.document.Title() ||
        back.owner.pid != read.owner.pid || back.bookmarks != read.bookmarks)
        std::abort();
    return 0;
}
