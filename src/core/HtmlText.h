// HTML to text, for the HTML command, the download and verdane-cli: the
// pattern component set as the conversion needs it (CR LF lines, no
// dictionaries), then HtmlToText.
#pragma once

#include "KanjiCode.h"
#include "HtmlToText.h"
#include "TAWKStr.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace verdane::core {

// The plain text of an HTML page held as Shift-JIS text. `turns` runs now and
// then during a long conversion (the window paints then). With `replaced`,
// the references to characters Shift-JIS lacks (written "?") are listed
// there, their offsets those in `html`.
// `ruby` says what becomes of a ruby's reading (the Aozora setting's choice).
std::string HtmlPageToText(regex::TAWKStr& awk, std::string_view html, const std::function<void()>& turns = {},
                           std::vector<KanjiReplacement>* replaced = nullptr,
                           regex::HtmlRuby ruby = regex::HtmlRuby::Paren);

}  // namespace verdane::core
