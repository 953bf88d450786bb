// Fuzz target: the parts of an EPUB and a whole book. The first byte chooses
// what the rest is read as: 0 a package document, 1 a nav document, 2 an NCX,
// 3 a content document (XHTML to text, with a few ids asked for), 4 the
// container and the encryption list, anything else a whole book (a zip).
// Every reading must end with its result or a reason, within its bounds;
// every place and offset it gives must lie inside the text it gives.
#include "EpubBook.h"
#include "EpubPackage.h"
#include "EpubText.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace {

void Check(bool holds) {
    if (!holds) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    using namespace verdane::core;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0]) {
    case 0:
        if (const auto package = ReadEpubPackage(bytes, "OEBPS/content.opf")) {
            Check(!package->spine.empty() && package->spine.size() <= kMaxEpubSpineItems);
            for (const std::size_t k : package->spine)
                Check(k < package->manifest.size() && !package->manifest[k].path.empty());
            for (const EpubItem& item : package->manifest) Check(!item.path.starts_with("../") && !item.path.starts_with("/"));
        }
        break;
    case 1:
    case 2: {
        const auto toc = data[0] == 1 ? ReadEpubNav(bytes, "OEBPS/nav.xhtml") : ReadEpubNcx(bytes, "OEBPS/toc.ncx");
        if (toc) {
            Check(toc->size() <= kMaxEpubTocEntries);
            for (const EpubTocEntry& entry : *toc) Check(!entry.target.path.empty() && !entry.target.path.starts_with("../"));
        }
        break;
    }
    case 3: {
        const std::unordered_map<std::string, std::size_t> ids = {{"a", 0}, {"c1", 1}, {"note", 2}};
        for (const verdane::AozoraRuby ruby : {verdane::AozoraRuby::Paren, verdane::AozoraRuby::Drop}) {
            EpubTextOptions options;
            options.ruby = ruby;
            const EpubDocumentText document = EpubXhtmlToText(bytes, ids, options);
            Check(document.places.size() == ids.size());
            for (const std::size_t place : document.places) Check(place == std::string::npos || place <= document.text.size());
            for (const auto& r : document.replaced) Check(r.offset + r.length <= document.text.size());
            Check(document.text.find('\x7F') == std::string::npos);
        }
        break;
    }
    case 4:
        (void)ReadEpubContainer(bytes);
        (void)ReadEpubEncryption(bytes);
        break;
    default:
        if (const auto book = ReadEpub(bytes)) {
            for (const auto& mark : book->bookmarks) Check(mark.offset <= book->text.size());
            for (const auto& r : book->replaced) Check(r.offset + r.length <= book->text.size());
        } else {
            Check(book.Code() != FailureCode::Internal);
        }
        break;
    }
    return 0;
}
