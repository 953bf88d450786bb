// HtmlToText: the last stage of the pattern subsystem. Turns an HTML page held as
// Shift-JIS document text into readable plain text with CR LF line ends, as a
// text browser's dump reads it: comments, tags and the contents of script,
// style, head, title, noscript and template go; br ends a line and block
// elements their paragraph; list items start with "・"; images become their
// alternative text; every named, decimal and hexadecimal reference is decoded;
// lines are trimmed and blank runs collapsed. Entry point: HtmlToText.
//
// Any bytes are accepted; nothing is read outside the text. Nothing is
// deleted that is not markup: a "<" that starts no tag is text, and so is an
// element's content when its end tag never comes. One pass over the page;
// the result is the only large allocation (memory stays within three times
// the page).
#pragma once

#include "KanjiCode.h"
#include "TAWKStr.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace verdane::regex {

// Called where the conversion lets the window keep painting: after every byte
// of the page. It may be empty.
using HtmlYield = std::function<void()>;

// What becomes of a ruby's reading (<rt>): in full-width parentheses after
// its base (漢字（かんじ）), or dropped. A page's own parentheses for readers
// without ruby (<rp>) always go, so a page gives the same text with or
// without them.
enum class HtmlRuby { Paren, Drop };

// With `replaced`, each character of a reference that Shift-JIS lacks is
// listed there (emptied first), its offset and length those of the reference
// in `html`; it is written as the conversion policy says for a text (a
// no-break space as a space, é as e, ¥ as ￥, © as "?").
std::string HtmlToText(std::string_view html, const HtmlYield& yield = {},
                       std::vector<KanjiReplacement>* replaced = nullptr, HtmlRuby ruby = HtmlRuby::Paren);
// The same; the pattern component is not needed any more and is left as it is.
std::string HtmlToText(TAWKStr& awk, std::string_view html, const HtmlYield& yield = {});

// The page's title: the text of its first <title> element, references
// decoded, on one line with single spaces and no blanks at its ends; empty
// when there is none. Shift-JIS, as the page.
std::string HtmlPageTitle(std::string_view html);

// The alternative text of an image tag: the double-quoted value of alt= (or,
// only when there is none, ALT=), trimmed of bytes 0x00-0x20; empty when none.
std::string ExtractAltText(std::string_view tag);
// The value of a decimal reference's digits; 32 (a space) when there are none
// or they overflow a signed 32-bit integer.
int CharRefValue(std::string_view reference);

}  // namespace verdane::regex
