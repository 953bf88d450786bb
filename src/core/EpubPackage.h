// The XML parts of an EPUB book, read with QXmlStreamReader: the container
// (where the package document is), the package document (title, author,
// manifest, spine), the encryption list, and the table of contents (an EPUB 3
// nav document or an EPUB 2 NCX). Used by EpubBook, which reads the parts out
// of the archive; each function here takes a part's bytes and its name in the
// archive, and never looks at anything else.
//
// Bad input: a part that is not well-formed XML, or that declares entities
// (they are never expanded, so an entity bomb costs nothing), is refused with
// a Failure naming the part; counts are bounded (manifest, spine and table of
// contents), and no name leaves the archive: a reference that climbs above
// its root, is absolute, or names another scheme is "outside".
#pragma once

#include "Result.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace verdane::core {

// The largest XML part read (container, package document, nav, NCX,
// encryption list): real ones are a few hundred kilobytes at most.
inline constexpr std::uint64_t kMaxEpubXmlPart = 32ull << 20;
inline constexpr std::size_t kMaxEpubManifestItems = 100000;
inline constexpr std::size_t kMaxEpubSpineItems = 20000;
inline constexpr std::size_t kMaxEpubTocEntries = 20000;

// A reference (an href of the package or of a table of contents) resolved
// against the folder of the part that holds it: the archive's entry name it
// names, percent-escapes decoded, and its fragment (after "#", decoded).
struct EpubTarget {
    std::string path;
    std::string fragment;
};
// nullopt when the reference leaves the archive: it climbs above the root
// with "..", starts with "/", names a scheme ("http:", "file:") or is empty.
std::optional<EpubTarget> ResolveEpubHref(std::string_view partPath, std::string_view href);

// The package document's entry name, from META-INF/container.xml: the first
// rootfile of the package media type (or the first rootfile of all).
Result<std::string> ReadEpubContainer(std::string_view xml);

struct EpubItem {
    std::string id;
    std::string path;  // the entry name; empty when the href leaves the archive
    std::string href;  // as the package gives it, for messages
    std::string mediaType;
    bool nav = false;  // properties holds "nav"
};

struct EpubPackage {
    std::string title;   // the first dc:title, blanks collapsed (UTF-8)
    std::string author;  // the authors among the dc:creator elements, joined by "、"
    std::vector<EpubItem> manifest;
    // The manifest's items in reading order: the spine's linear items, then
    // those marked linear="no".
    std::vector<std::size_t> spine;
    std::optional<std::size_t> nav;  // the EPUB 3 navigation document
    std::optional<std::size_t> ncx;  // the EPUB 2 table of contents (spine's toc)
};
// The package document at `path`. A spine item whose idref names no manifest
// item, or whose href leaves the archive, is refused; so is a spine with no
// item, and a manifest or spine longer than its bound.
Result<EpubPackage> ReadEpubPackage(std::string_view xml, std::string_view path);

// The entry names META-INF/encryption.xml says are encrypted, except fonts
// obfuscated by the two font-embedding schemes (readers undo those without a
// key, and they hold no text).
Result<std::vector<std::string>> ReadEpubEncryption(std::string_view xml);

// One entry of a table of contents, in the order the table gives them
// (nested entries after their parent).
struct EpubTocEntry {
    std::string label;  // blanks collapsed (UTF-8)
    EpubTarget target;
};
// The entries of the nav document at `path`: the links of its nav of
// epub:type "toc" (or of its first nav when none says so). Entries whose
// target leaves the archive are left out; at most kMaxEpubTocEntries.
Result<std::vector<EpubTocEntry>> ReadEpubNav(std::string_view xhtml, std::string_view path);
// The same from an NCX's navMap: each navPoint's label and content src.
Result<std::vector<EpubTocEntry>> ReadEpubNcx(std::string_view xml, std::string_view path);

}  // namespace verdane::core
