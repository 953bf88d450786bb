// Fuzz target: any bytes opened by the one way in, named as a text file, a DOC
// database or an archive (byte 0 chooses), then given to the editor. Nothing may
// crash or throw; a UTF-8 text reaches the editor with every character it
// holds (only the byte-order mark and the kind of line end may change).
#include "KanjiCode.h"
#include "Open.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace verdane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    static const QString names[] = {QStringLiteral("in.txt"), QStringLiteral("in.pdb"), QStringLiteral("in.zip"),
                                    QStringLiteral("-")};
    std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const core::Result<core::OpenedFile> opened = core::Open(core::Source::Bytes(bytes, names[data[0] & 3]));
    if (!opened) {
        if (opened.Reason().empty()) std::abort();
        return 0;
    }
    const QString text = core::EditorTextOf(*opened);
    if (opened->code == kcUtf8) {
        std::string expected = opened->text;
        if (expected.rfind("\xEF\xBB\xBF", 0) == 0) expected.erase(0, 3);
        std::string lines;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            if (expected[i] == '\r' && i + 1 < expected.size() && expected[i + 1] == '\n') continue;
            lines += expected[i];
        }
        if (text.toUtf8().toStdString() != lines) std::abort();
    }
    return 0;
}
