// HtmlToText: the last stage, built on TAWKStr. Turns an HTML page held as
// Shift-JIS document text into readable plain text with CR LF line ends: comments
// and tags go, images become their alternative text, entities and decimal
// references are decoded, lines trimmed, blank runs collapsed. Entry point:
// HtmlToText. Any bytes are accepted; nothing is read outside the text.
#pragma once

#include "TAWKStr.h"

#include <functional>
#include <string>
#include <string_view>

namespace verdane::regex {

// Called where the conversion lets the window keep painting: after every byte
// of comment and tag removal, every image and reference replaced, every digit
// CharRefValue examines, every line trimmed and every whole-text pattern
// replacement. It may be empty.
using HtmlYield = std::function<void()>;

// `awk` is the program's pattern component (line separator CR LF, no fuzzy or
// synonym dictionaries); its RegExp is set anew before each use.
std::string HtmlToText(TAWKStr& awk, std::string_view html, const HtmlYield& yield = {});

// The steps, in the order HtmlToText runs them.
std::string RemoveComments(std::string_view text, const HtmlYield& yield = {});
std::string ImgAltToText(std::string_view text, const HtmlYield& yield = {});
std::string ExtractAltText(std::string_view tag);
std::string StripTags(std::string_view text, const HtmlYield& yield = {});
std::string DecodeNamedEntities(TAWKStr& awk, std::string text, const HtmlYield& yield = {});
std::string DecodeCharRefs(std::string_view text, const HtmlYield& yield = {});
int CharRefValue(std::string_view reference, const HtmlYield& yield = {});
std::string TrimLines(std::string_view text, const HtmlYield& yield = {});

}  // namespace verdane::regex
