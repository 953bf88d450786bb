// Fuzz target: any bytes read as a snapshot of an unsaved text, as the start
// reads what it finds in the recovery folder. Reading must end without a
// fault; a snapshot read as whole, written again with its own header, must
// read back as the same text and document; the list's reading of the header
// alone (from its first bytes and the file's size) must agree with it.
#include "RecoverySnapshot.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using verdane::RecoverySnapshot;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const RecoverySnapshot read = verdane::ParseSnapshot(std::string(bytes), true);
    const RecoverySnapshot head =
        verdane::ParseSnapshotHead(bytes.substr(0, verdane::kMaxSnapshotHeader), static_cast<qint64>(size));
    // The header alone cannot see a text that is not UTF-8; everything else it sees.
    const bool textOnly = read.state == RecoverySnapshot::State::Damaged && head.state == RecoverySnapshot::State::Good &&
                          read.problem == QStringLiteral("本文が UTF-8 ではありません");
    if (head.state != read.state && !textOnly) std::abort();
    if (read.state != RecoverySnapshot::State::Good) return 0;
    if (head.bytes != static_cast<qint64>(read.text.size()) || head.caret != read.caret) std::abort();
    const std::string again = verdane::SnapshotHeader(read, read.text.size()) + read.text;
    const RecoverySnapshot back = verdane::ParseSnapshot(again, true);
    if (back.state != RecoverySnapshot::State::Good || back.text != read.text || back.caret != read.caret ||
        back.document.Path() != read.document.Path() || back.document.Kind() != read.document.Kind() ||
        back.document.Code() != read.document.Code() || back.document.Title() != read.document.Title() ||
        back.owner.pid != read.owner.pid || back.bookmarks != read.bookmarks)
        std::abort();
    return 0;
}
