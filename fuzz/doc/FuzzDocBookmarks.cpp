// Fuzz target: any bytes as a DOC database with bookmarks. DocToText returns
// 0 or 3 or refuses the file with EDocFormat; every bookmark lies in the text
// and its name in 16 bytes; written back with them, the database reads as the
// same text with the bookmarks at the same places.
#include "DocConvert.h"
#include "DocFormatError.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace verdane;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    for (bool includeBinary : {true, false}) {
        TMemoryStream database(bytes);
        TMemoryStream text;
        std::vector<DocBookmark> marks;
        try {
            const int result = DocToText(database, text, includeBinary, &marks);
            if (result != 0 && result != 3) __builtin_trap();
        } catch (const EDocFormat&) {
            continue;
        }
        for (const DocBookmark& m : marks)
            if (m.offset > text.Size() || m.name.size() > kDocBookmarkNameSize) __builtin_trap();
        if (!includeBinary || marks.empty() || text.Size() == 0) continue;
        TMemoryStream again;
        if (TextToDoc(text.Bytes(), again, "Fuzz", true, true, marks) != 0) continue;  // too many records
        TMemoryStream back;
        std::vector<DocBookmark> backMarks;
        again.Seek(0);
        if (DocToText(again, back, true, &backMarks) != 0 || back.Bytes() != text.Bytes()) __builtin_trap();
        if (backMarks.size() != marks.size()) __builtin_trap();
        for (std::size_t k = 0; k < marks.size(); ++k)
            if (backMarks[k].offset != marks[k].offset || !marks[k].name.starts_with(backMarks[k].name))
                __builtin_trap();
    }
    return 0;
}
