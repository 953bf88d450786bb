// The options of writing a DOC database, shared by the save command and the
// install command: the last choice in either dialog is the next default of both.
#pragma once

#include "DocConvert.h"

#include <string>
#include <vector>

namespace verdane {

struct DocSaveOptions {
    std::string title;          // the database name, CP932 bytes (at most 31 are stored)
    bool Compress = true;       // settings key "Compress"
    bool IncludeBinary = true;  // settings key "Binary"
    // Written after the text records; each offset a byte position in the text.
    std::vector<DocBookmark> bookmarks;
};

}  // namespace verdane
