// Reading a whole EPUB: the parts in the order the book names them, each read
// once out of the archive, the text built document after document and the
// table of contents placed in it.
#include "EpubBook.h"

#include "EpubPackage.h"
#include "EpubText.h"
#include "FileIo.h"
#include "ShownText.h"
#include "ZipArchive.h"

#include <algorithm>
#include <unordered_map>

namespace verdane::core {

namespace {

constexpr std::size_t npos = std::string::npos;
constexpr std::string_view kEpubType = "application/epub+zip";
constexpr std::string_view kContainer = "META-INF/container.xml";

// The parts of the book out of its archive, all of them together bounded.
class Parts {
public:
    explicit Parts(std::string_view bytes) : zip_(bytes) {}

    const std::optional<Failure>& Fault() const { return zip_.Fault(); }
    bool Has(const std::string& name) const { return zip_.Has(name); }

    Result<std::string> Read(const std::string& name, std::uint64_t limit) {
        if (!zip_.Has(name)) return Failure{FailureCode::EpubMissing, {}, EscapeControls(name)};
        const std::uint64_t room = kMaxEpubInflated - inflated_;
        ArchiveText part = zip_.Read(name, std::min(limit, room));
        if (part.status != ArchiveText::Status::Ok) {
            if (part.failure.code == FailureCode::ArchiveEntryTooLarge && room < limit) return TooLarge();
            return part.failure;
        }
        inflated_ += part.bytes.size();
        return std::move(part.bytes);
    }

    static Failure TooLarge() {
        Failure failure{FailureCode::EpubTooLarge};
        failure.limit = static_cast<long long>(kMaxEpubInflated);
        return failure;
    }

private:
    ZipEntries zip_;
    std::uint64_t inflated_ = 0;
};

// The table of contents: the nav document's, else the NCX's.
Result<std::vector<EpubTocEntry>> TableOfContents(Parts& parts, const EpubPackage& package) {
    std::optional<Failure> navFault;
    if (package.nav) {
        const std::string& path = package.manifest[*package.nav].path;
        Result<std::string> nav = parts.Read(path, kMaxEpubXmlPart);
        if (!nav) return nav.Fault();
        Result<std::vector<EpubTocEntry>> entries = ReadEpubNav(*nav, path);
        if (entries && (!entries->empty() || !package.ncx)) return entries;
        if (!entries) navFault = entries.Fault();
    }
    if (package.ncx) {
        const std::string& path = package.manifest[*package.ncx].path;
        Result<std::string> ncx = parts.Read(path, kMaxEpubXmlPart);
        if (!ncx) return navFault ? *navFault : ncx.Fault();
        Result<std::vector<EpubTocEntry>> entries = ReadEpubNcx(*ncx, path);
        if (!entries && navFault) return *navFault;
        return entries;
    }
    if (navFault) return *navFault;
    return std::vector<EpubTocEntry>{};
}

// Appends the UTF-8 `line` in Shift-JIS and a line end, listing what
// Shift-JIS lacks.
void AppendLine(std::string& text, std::string_view line, std::vector<KanjiReplacement>& replaced) {
    std::vector<KanjiReplacement> lacking;
    const std::string bytes = Utf8ToCp932(line, &lacking);
    if (!lacking.empty()) {
        // Offsets in the Shift-JIS line: each character before the first
        // replaced one counted by converting the line up to it.
        for (const KanjiReplacement& r : lacking) {
            const std::size_t at = Utf8ToCp932(line.substr(0, r.offset)).size();
            replaced.push_back({text.size() + at, Utf8ToCp932(line.substr(r.offset, r.length)).size(), r.codePoint});
        }
    }
    text += bytes;
    text += "\r\n";
}

bool IsTextless(const EpubItem& item) {
    return item.mediaType.starts_with("image/") && item.mediaType != "image/svg+xml";
}

}  // namespace

bool IsEpub(std::string_view bytes) {
    if (!LooksLikeZip(bytes)) return false;
    // Most books start with their mimetype entry stored, as they should.
    if (bytes.size() >= 38 + kEpubType.size() && bytes.substr(26, 4) == std::string_view("\x08\0\0\0", 4) &&
        bytes.substr(30, 8) == "mimetype" && bytes.substr(38, kEpubType.size()) == kEpubType)
        return true;
    const ZipEntries zip(bytes);
    if (zip.Fault()) return false;
    if (zip.Has(std::string(kContainer))) return true;
    if (!zip.Has("mimetype")) return false;
    const ArchiveText type = zip.Read("mimetype", 256);
    return type.status == ArchiveText::Status::Ok && type.bytes.starts_with(kEpubType);
}

Result<EpubBook> ReadEpub(std::string_view bytes, const EpubOptions& options) {
    Parts parts(bytes);
    if (parts.Fault()) return *parts.Fault();
    // A rights file (Adobe's, Apple's) comes with a locked book.
    if (parts.Has("META-INF/rights.xml") || parts.Has("META-INF/sinf.xml")) return Failure{FailureCode::EpubEncrypted};
    std::vector<std::string> encrypted;
    if (parts.Has("META-INF/encryption.xml")) {
        Result<std::string> xml = parts.Read("META-INF/encryption.xml", kMaxEpubXmlPart);
        if (!xml) return xml.Fault();
        Result<std::vector<std::string>> listed = ReadEpubEncryption(*xml);
        if (!listed) return listed.Fault();
        encrypted = std::move(*listed);
    }

    Result<std::string> container = parts.Read(std::string(kContainer), kMaxEpubXmlPart);
    if (!container) return container.Fault();
    Result<std::string> packagePath = ReadEpubContainer(*container);
    if (!packagePath) return packagePath.Fault();
    Result<std::string> packageXml = parts.Read(*packagePath, kMaxEpubXmlPart);
    if (!packageXml) return packageXml.Fault();
    Result<EpubPackage> read = ReadEpubPackage(*packageXml, *packagePath);
    if (!read) return read.Fault();
    std::string().swap(*packageXml);
    const EpubPackage& package = *read;

    // Locked: any part the text is read from is encrypted.
    auto locked = [&](const std::string& path) {
        return std::find(encrypted.begin(), encrypted.end(), path) != encrypted.end();
    };
    if (locked(*packagePath)) return Failure{FailureCode::EpubEncrypted};
    for (const std::size_t k : package.spine)
        if (locked(package.manifest[k].path)) return Failure{FailureCode::EpubEncrypted};
    for (const std::optional<std::size_t>& toc : {package.nav, package.ncx})
        if (toc && locked(package.manifest[*toc].path)) return Failure{FailureCode::EpubEncrypted};
    for (const std::size_t k : package.spine)
        if (!parts.Has(package.manifest[k].path))
            return Failure{FailureCode::EpubMissing, {}, EscapeControls(package.manifest[k].path)};

    Result<std::vector<EpubTocEntry>> toc = TableOfContents(parts, package);
    if (!toc) return toc.Fault();

    // Where each entry points: a document of the spine (its first reading),
    // its start or an id in it.
    std::unordered_map<std::string, std::size_t> spineOf;
    for (std::size_t k = 0; k < package.spine.size(); ++k) spineOf.emplace(package.manifest[package.spine[k]].path, k);
    std::vector<std::unordered_map<std::string, std::size_t>> idsOf(package.spine.size());
    struct Place {
        std::size_t document = npos;  // npos: not in the text
        std::size_t id = npos;        // npos: the document's start
        std::size_t offset = npos;    // in the body, once known
    };
    std::vector<Place> places(toc->size());
    std::vector<std::vector<std::size_t>> entriesOf(package.spine.size());
    for (std::size_t j = 0; j < toc->size(); ++j) {
        const EpubTocEntry& entry = (*toc)[j];
        const auto found = spineOf.find(entry.target.path);
        if (found == spineOf.end()) continue;
        places[j].document = found->second;
        entriesOf[found->second].push_back(j);
        if (!entry.target.fragment.empty())
            places[j].id = idsOf[found->second].emplace(entry.target.fragment, idsOf[found->second].size()).first->second;
    }

    EpubBook book;
    book.title = package.title;
    book.author = package.author;
    std::string body;
    std::vector<KanjiReplacement> replaced;
    EpubTextOptions textOptions;
    textOptions.ruby = options.ruby;
    textOptions.turns = options.turns;
    // Entries whose document gave no text wait for the next that does.
    std::vector<std::size_t> waiting;
    for (std::size_t k = 0; k < package.spine.size(); ++k) {
        const EpubItem& item = package.manifest[package.spine[k]];
        EpubDocumentText document;
        document.places.assign(idsOf[k].size(), npos);
        if (!IsTextless(item)) {
            Result<std::string> xhtml = parts.Read(item.path, kMaxArchiveEntry);
            if (!xhtml) return xhtml.Fault();
            document = EpubXhtmlToText(*xhtml, idsOf[k], textOptions);
        }
        if (options.turns) options.turns();
        std::size_t start = body.size();
        if (!document.text.empty()) {
            if (!body.empty()) body += "\r\n\r\n";
            start = body.size();
            for (const std::size_t j : waiting) places[j].offset = start;
            waiting.clear();
            body += document.text;
            for (KanjiReplacement& r : document.replaced) r.offset += start;
            replaced.insert(replaced.end(), document.replaced.begin(), document.replaced.end());
            if (body.size() > platform::kMaxInputSize) return Failure{FailureCode::FileTooLarge};
        }
        for (const std::size_t j : entriesOf[k]) {
            const std::size_t within = places[j].id == npos ? npos : document.places[places[j].id];
            if (document.text.empty()) {
                waiting.push_back(j);
            } else {
                places[j].offset = within == npos ? start : start + within;
            }
        }
    }
    for (const std::size_t j : waiting) places[j].offset = body.size();

    // The title and author lines, as an Aozora work begins.
    if (!book.title.empty()) AppendLine(book.text, book.title, book.replaced);
    if (!book.author.empty()) AppendLine(book.text, book.author, book.replaced);
    if (!book.text.empty()) book.text += "\r\n";
    const std::size_t head = book.text.size();
    book.text += body;
    if (!body.empty()) book.text += "\r\n";
    std::string().swap(body);
    for (KanjiReplacement& r : replaced) r.offset += head;
    book.replaced.insert(book.replaced.end(), replaced.begin(), replaced.end());

    // The bookmarks, in the text's order; a DOC database holds as many as
    // its records leave room for beside the text.
    for (std::size_t j = 0; j < places.size(); ++j) {
        if (places[j].document == npos) continue;
        std::string name = Utf8ToCp932((*toc)[j].label);
        if (name.empty()) continue;
        book.bookmarks.push_back({std::move(name), static_cast<std::uint32_t>(head + places[j].offset)});
    }
    std::stable_sort(book.bookmarks.begin(), book.bookmarks.end(),
                     [](const DocBookmark& a, const DocBookmark& b) { return a.offset < b.offset; });
    const std::size_t blocks = (book.text.size() + kDocBlockSize - 1) / kDocBlockSize;
    const std::size_t room = blocks < kMaxDocBlocks ? kMaxDocBlocks - blocks : 0;
    if (book.bookmarks.size() > room) book.bookmarks.resize(room);
    return book;
}

}  // namespace verdane::core
