// The named character references of HTML5 and the base letters of accented
// Latin letters, for HtmlToText. The tables are generated once by
// tools/gen_html_entities.py and committed.
#pragma once

#include <cstddef>

namespace verdane::regex::html {

struct Entity {
    const char* name;  // without "&" and ";", e.g. "hellip"; the table is sorted by it
    char32_t first;
    char32_t second;   // 0 when the reference stands for one character
};
extern const Entity kEntities[];
extern const std::size_t kEntityCount;

struct BaseLetter {
    char32_t letter;  // an accented Latin letter, U+00C0 to U+024F, sorted
    char base;        // its ASCII base letter
};
extern const BaseLetter kBaseLetters[];
extern const std::size_t kBaseLetterCount;

}  // namespace verdane::regex::html
