// Fuzz target: any bytes cut into pieces for the editor give, piece by piece,
// the editor text of the whole, in both forms, and every piece makes progress.
// Input: byte 0 chooses the form (bit 0) and the piece size (the rest), then the text.
#include "EditorPieces.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace verdane::platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const EditorBytes form = (data[0] & 1) ? EditorBytes::Utf8 : EditorBytes::ShiftJis;
    const std::size_t pieceSize = 1 + (data[0] >> 1);
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    QString pieces;
    for (std::size_t from = 0; from < bytes.size();) {
        const std::size_t end = NextPieceEnd(bytes, from, pieceSize, form);
        if (end <= from || end > bytes.size()) std::abort();
        pieces += PieceToEditor(bytes, from, end, form);
        from = end;
    }
    if (pieces != WholeToEditor(bytes, form)) std::abort();
    return 0;
}
