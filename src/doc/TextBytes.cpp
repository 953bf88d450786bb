#include "TextBytes.h"

#include "KanjiCode.h"

namespace verdane {

std::string EditorLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\r\n";
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string TextAsOpened(std::string_view fileBytes) {
    return EditorLineEnds(ConvertKanjiCode(fileBytes, kcShiftJis));
}

}  // namespace verdane
