// The named character references of HTML5, for HtmlToText. The tables are generated once by
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

}  // namespace verdane::regex::html
