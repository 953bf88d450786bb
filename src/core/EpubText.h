// One content document of an EPUB book (XHTML) as Shift-JIS text, for
// EpubBook: ruby readings in parentheses or dropped as the Aozora setting
// says, images as their alternative text, Aozora-style gaiji images as
// ※（description）, styling dropped; then HtmlToText with the rules of
// today's pages. The places of the ids a table of contents points at are
// found in the text, and so are the characters Shift-JIS lacks.
//
// Any bytes are accepted: the document is read as markup whether or not it is
// well-formed, never outside its bytes, in time linear in its size.
#pragma once

#include "AozoraNotation.h"
#include "KanjiCode.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace verdane::core {

struct EpubTextOptions {
    AozoraRuby ruby = AozoraRuby::Paren;
    // Runs now and then during a long document (the window paints then).
    std::function<void()> turns;
};

struct EpubDocumentText {
    // Shift-JIS with CR LF line ends, without empty lines at its start or
    // its end, and without a line end after its last line.
    std::string text;
    // For each id asked for (by its number), the byte offset in `text` where
    // the element with that id starts its text; npos when no element has it.
    std::vector<std::size_t> places;
    // The characters Shift-JIS lacks that reached the text, at their offsets
    // in `text` (each written as the conversion writes it).
    std::vector<KanjiReplacement> replaced;
};

// `ids` maps each id wanted to its number (0, 1, ...: `places` has that many
// entries). The document's code is its byte-order mark's, else its XML
// declaration's, else UTF-8.
EpubDocumentText EpubXhtmlToText(std::string_view xhtml, const std::unordered_map<std::string, std::size_t>& ids,
                                 const EpubTextOptions& options = {});

}  // namespace verdane::core
