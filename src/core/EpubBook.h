// A DRM-free EPUB book (EPUB 2 or 3) as one Shift-JIS text with its chapters
// as DOC bookmarks, for Open (every way of opening a file) and so for the
// window and every verdane-cli command that reads a text. The pipeline:
// the archive (ZipArchive) -> META-INF/container.xml -> the package document
// (EpubPackage: title, author, manifest, spine) -> each content document in
// reading order (EpubText: XHTML through HtmlToText) -> the table of
// contents (nav, else NCX) placed in the text.
//
// Bad input: an encrypted book, an archive that is no EPUB, a part that is
// missing, damaged, outside the archive, or too large, a package listing too
// many items, and parts that together inflate past kMaxEpubInflated are
// refused with a Failure saying why; nothing is ever expanded or read beyond
// those bounds.
#pragma once

#include "AozoraNotation.h"
#include "DocConvert.h"
#include "KanjiCode.h"
#include "Result.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace verdane::core {

// The most bytes all the parts read out of one book may inflate to.
inline constexpr std::uint64_t kMaxEpubInflated = 1ull << 30;

struct EpubOptions {
    // Ruby readings in full-width parentheses after their base, or dropped.
    AozoraRuby ruby = AozoraRuby::Paren;
    // Runs now and then while a long book is read (the window paints then).
    std::function<void()> turns;
};

struct EpubBook {
    std::string title;   // dc:title (UTF-8); empty when the book gives none
    std::string author;  // the authors (UTF-8), joined by "、"
    // Shift-JIS with CR LF line ends: the title line, the author line, an
    // empty line, then each content document's text, an empty line between
    // two documents.
    std::string text;
    // One per entry of the table of contents whose target is in the text,
    // named after its label (Shift-JIS), at the byte offset in `text` where
    // the target starts; ordered by offset, entries of one place in the
    // table's order. No more than a DOC database holds beside the text.
    std::vector<DocBookmark> bookmarks;
    // The characters Shift-JIS lacks that the text holds, at their offsets.
    std::vector<KanjiReplacement> replaced;
};

// True when the bytes are a zip archive holding an entry "mimetype" that
// reads "application/epub+zip", or an entry "META-INF/container.xml".
bool IsEpub(std::string_view bytes);

// The book in the archive `bytes`.
Result<EpubBook> ReadEpub(std::string_view bytes, const EpubOptions& options = {});

}  // namespace verdane::core
