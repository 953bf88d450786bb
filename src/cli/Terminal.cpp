#include "Terminal.h"

#include "ShownText.h"

namespace verdane::cli {

void WriteTerminal(std::FILE* to, std::string_view text) {
    const std::string shown = EscapeControls(text, "\n\t");
    std::fwrite(shown.data(), 1, shown.size(), to);
    std::fflush(to);
}

std::string OneLine(std::string_view text) { return EscapeControls(text); }

}  // namespace verdane::cli
