// Placeholder: detection and conversion land with the kanji-code work.
#include "KanjiCode.h"

namespace verdane {

int DetectKanjiCode(std::string_view) { return kcNone; }
std::string ConvertKanjiCode(std::string_view text, int) { return std::string(text); }

}  // namespace verdane
