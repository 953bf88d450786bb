// HTML to text, for the HTML command, the download and verdane-cli: the
// pattern component set as the conversion needs it (CR LF lines, no
// dictionaries), then HtmlToText.
#pragma once

#include "KanjiCode.h"
#include "HtmlToText.h"
#include "TAWKStr.h"
#include "WritePlan.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace verdane::core {

// The plain text of an HTML page held as Shift-JIS text. `turns` runs now and
// then during a long conversion (the window paints then). With `replaced`,
// the characters of references that Shift-JIS lacks are listed there (written
// as the conversion policy says), their offsets those in `html`.
// `ruby` says what becomes of a ruby's reading (the Aozora setting's choice).
std::string HtmlPageToText(regex::TAWKStr& awk, std::string_view html, const std::function<void()>& turns = {},
                           std::vector<KanjiReplacement>* replaced = nullptr,
                           regex::HtmlRuby ruby = regex::HtmlRuby::Paren);

// The plan of the HTML command on the editor's `text`: the text in Shift-JIS
// (PlanTextCommand), then the page's plain text in `text`. Every character
// replaced on the way is in `unwritable`, in the order of the page, whichever
// way it came: one of the editor's text that Shift-JIS lacks, or one a
// reference names (&copy;, &#x1F600;); each with its line in the page.
WritePlan PlanHtmlToText(regex::TAWKStr& awk, const Document& document, const QString& text,
                         const std::function<void()>& turns = {}, regex::HtmlRuby ruby = regex::HtmlRuby::Paren);

// The characters a reference named, as the plan lists them: each with its
// line and editor position in `page` (Shift-JIS, CR LF; `replaced` in the
// order of the page) and what stands for it. At most `limit` are listed.
std::vector<platform::Unwritable> UnwritableOf(std::string_view page, const std::vector<KanjiReplacement>& replaced,
                                               std::size_t limit);

}  // namespace verdane::core
