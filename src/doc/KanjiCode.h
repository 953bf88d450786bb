// Japanese character-code detection and conversion to Shift-JIS (JIS, EUC-JP and
// UTF-8 in). Every text the program reads passes through ConvertKanjiCode with
// target 5. Any bytes are accepted; nothing is read outside the text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace verdane {

// The code numbers of detection and conversion targets.
enum KanjiCode : int {
    kcNone = 0,       // nothing decisive (plain ASCII)
    kcBinary = 1,     // a byte 0x00-0x07 or 0xFF
    kcJisB = 2,       // JIS, ESC $ B
    kcJisAt = 3,      // JIS, ESC $ @
    kcEuc = 4,
    kcShiftJis = 5,
    kcEucOrSjis = 6,  // EUC or Shift-JIS, undecided
    kcUtf8 = 7,       // valid UTF-8 holding at least one multi-byte sequence or a byte-order mark
};

int DetectKanjiCode(std::string_view text);
std::string ConvertKanjiCode(std::string_view text, int target);

}  // namespace verdane
