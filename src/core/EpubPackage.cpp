// Reading the XML parts of an EPUB with QXmlStreamReader: one forward pass
// over each part, no tree, no recursion, so a deep or long part costs time in
// proportion to its bytes and nothing more.
#include "EpubPackage.h"

#include "HtmlEntityTable.h"
#include "ShownText.h"

#include <QByteArray>
#include <QXmlStreamReader>

#include <algorithm>
#include <unordered_map>

namespace verdane::core {

namespace {

constexpr QStringView kDcNs = u"http://purl.org/dc/elements/1.1/";
constexpr QStringView kOpfNs = u"http://www.idpf.org/2007/opf";
constexpr QStringView kOpsNs = u"http://www.idpf.org/2007/ops";
constexpr QStringView kEncNs = u"http://www.w3.org/2001/04/xmlenc#";

Failure XmlFailure(FailureCode code, std::string_view part, std::string words = {}) {
    Failure failure{code};
    failure.detail = EscapeControls(part);
    if (!words.empty()) failure.detail += ": " + words;
    return failure;
}

// A reader over a part's bytes that refuses entity declarations before any
// expansion could happen: a part that holds "<!ENTITY" is refused unread,
// and the DTD the reader reports is checked again.
class XmlPart {
public:
    XmlPart(std::string_view bytes, std::string_view name)
        : name_(name),
          reader_(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()))),
          declares_(bytes.find("<!ENTITY") != std::string_view::npos) {}

    // The next start element, end element or text; false at the end or on
    // a fault (Fault() then says which).
    bool Next() {
        if (declares_ || failed_) return false;
        while (!reader_.atEnd()) {
            switch (reader_.readNext()) {
            case QXmlStreamReader::DTD:
                if (!reader_.entityDeclarations().isEmpty()) {
                    declares_ = true;
                    return false;
                }
                break;
            case QXmlStreamReader::StartElement:
            case QXmlStreamReader::EndElement:
            case QXmlStreamReader::Characters:
            case QXmlStreamReader::EntityReference: return true;
            case QXmlStreamReader::Invalid: failed_ = true; return false;
            default: break;
            }
        }
        return false;
    }
    // The fault that ended reading, if any.
    std::optional<Failure> Fault() const {
        if (declares_) return XmlFailure(FailureCode::EpubEntities, name_);
        if (!reader_.hasError()) return std::nullopt;
        Failure failure = XmlFailure(FailureCode::EpubXml, name_, reader_.errorString().toStdString());
        failure.count = reader_.lineNumber();
        return failure;
    }

    bool Start(QStringView local) const { return reader_.isStartElement() && reader_.name() == local; }
    bool End(QStringView local) const { return reader_.isEndElement() && reader_.name() == local; }
    bool In(QStringView ns) const { return reader_.namespaceUri() == ns; }
    std::string Attribute(QStringView local) const { return reader_.attributes().value(local.toString()).toString().toStdString(); }
    std::string Attribute(QStringView ns, QStringView local) const {
        return reader_.attributes().value(ns.toString(), local.toString()).toString().toStdString();
    }
    // The text of a character token, or of an entity reference the reader
    // could not resolve (an HTML name such as &nbsp; in an XHTML part).
    QString Text() const {
        if (!reader_.isEntityReference()) return reader_.text().toString();
        const std::string name = reader_.name().toString().toStdString();
        const regex::html::Entity* end = regex::html::kEntities + regex::html::kEntityCount;
        const regex::html::Entity* e = std::lower_bound(regex::html::kEntities, end, name,
                                                 [](const regex::html::Entity& a, const std::string& b) { return a.name < b; });
        if (e == end || e->name != name) return {};
        QString text = QString::fromUcs4(&e->first, 1);
        if (e->second) text += QString::fromUcs4(&e->second, 1);
        return text;
    }
    QXmlStreamReader& Reader() { return reader_; }

private:
    std::string name_;
    QXmlStreamReader reader_;
    bool declares_ = false;
    bool failed_ = false;
};

// Blanks (and no-break spaces) collapsed to one space, none at the ends.
std::string Collapsed(const QString& text) { return text.simplified().replace(QChar(0xA0), QChar(' ')).simplified().toStdString(); }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() + 0 && HexDigit(s[i + 1]) >= 0 && HexDigit(s[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(s[i + 1]) * 16 + HexDigit(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

Failure TooMany(std::string_view part, std::size_t limit) {
    Failure failure{FailureCode::EpubTooMany};
    failure.detail = EscapeControls(part);
    failure.limit = static_cast<long long>(limit);
    failure.count = static_cast<long long>(limit) + 1;
    return failure;
}

}  // namespace

std::optional<EpubTarget> ResolveEpubHref(std::string_view partPath, std::string_view href) {
    while (!href.empty() && (href.front() == ' ' || href.front() == '\t' || href.front() == '\n' || href.front() == '\r'))
        href.remove_prefix(1);
    while (!href.empty() && (href.back() == ' ' || href.back() == '\t' || href.back() == '\n' || href.back() == '\r'))
        href.remove_suffix(1);
    EpubTarget target;
    if (const std::size_t hash = href.find('#'); hash != std::string_view::npos) {
        target.fragment = PercentDecoded(href.substr(hash + 1));
        href = href.substr(0, hash);
    }
    if (const std::size_t query = href.find('?'); query != std::string_view::npos) href = href.substr(0, query);
    // A scheme ("http:", "file:") comes before any "/".
    const std::size_t colon = href.find(':');
    if (colon != std::string_view::npos && href.substr(0, colon).find('/') == std::string_view::npos) return std::nullopt;
    if (href.starts_with('/') || href.starts_with('\\')) return std::nullopt;
    // A reference to the part itself ("#note3") keeps the part's name.
    std::vector<std::string> segments;
    const std::size_t slash = partPath.rfind('/');
    const std::string_view folder = slash == std::string_view::npos ? std::string_view() : partPath.substr(0, slash);
    const std::string decoded = href.empty() ? std::string(partPath.substr(folder.empty() ? 0 : slash + 1))
                                             : PercentDecoded(href);
    if (decoded.find('\0') != std::string::npos) return std::nullopt;
    const std::string whole = folder.empty() ? decoded : std::string(folder) + "/" + decoded;
    std::size_t from = 0;
    while (from <= whole.size()) {
        std::size_t end = whole.find('/', from);
        if (end == std::string::npos) end = whole.size();
        const std::string_view segment = std::string_view(whole).substr(from, end - from);
        if (segment == "..") {
            if (segments.empty()) return std::nullopt;
            segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.emplace_back(segment);
        }
        from = end + 1;
    }
    if (segments.empty()) return std::nullopt;
    for (const std::string& segment : segments) {
        if (!target.path.empty()) target.path += '/';
        target.path += segment;
    }
    return target;
}

Result<std::string> ReadEpubContainer(std::string_view xml) {
    constexpr std::string_view kPart = "META-INF/container.xml";
    XmlPart part(xml, kPart);
    std::string first;
    while (part.Next()) {
        if (!part.Start(u"rootfile")) continue;
        const std::string path = part.Attribute(u"full-path");
        if (path.empty()) continue;
        if (part.Attribute(u"media-type") == "application/oebps-package+xml") return path;
        if (first.empty()) first = path;
    }
    if (std::optional<Failure> fault = part.Fault()) return *fault;
    if (first.empty()) return Failure{FailureCode::EpubNoPackage};
    return first;
}

Result<EpubPackage> ReadEpubPackage(std::string_view xml, std::string_view path) {
    XmlPart part(xml, path);
    EpubPackage package;
    std::unordered_map<std::string, std::size_t> byId;
    std::vector<std::pair<std::string, bool>> spine;  // idref, linear
    std::string tocId;
    // The creators with their ids and roles, the roles refinements give.
    struct Creator {
        std::string name, id, role;
    };
    std::vector<Creator> creators;
    std::unordered_map<std::string, std::string> refinedRoles;
    bool metadata = false;
    while (part.Next()) {
        QXmlStreamReader& r = part.Reader();
        if (part.Start(u"metadata")) metadata = true;
        if (part.End(u"metadata")) metadata = false;
        if (!r.isStartElement()) continue;
        if (metadata && part.In(kDcNs) && part.Start(u"title")) {
            const std::string title = Collapsed(r.readElementText(QXmlStreamReader::IncludeChildElements));
            if (package.title.empty()) package.title = title;
        } else if (metadata && part.In(kDcNs) && part.Start(u"creator")) {
            Creator creator;
            creator.id = part.Attribute(u"id");
            creator.role = part.Attribute(kOpfNs, u"role");
            creator.name = Collapsed(r.readElementText(QXmlStreamReader::IncludeChildElements));
            if (!creator.name.empty()) creators.push_back(std::move(creator));
        } else if (metadata && part.Start(u"meta") && part.Attribute(u"property") == "role") {
            std::string refines = part.Attribute(u"refines");
            const std::string role = Collapsed(r.readElementText(QXmlStreamReader::IncludeChildElements));
            if (refines.starts_with('#')) refinedRoles[refines.substr(1)] = role;
        } else if (part.Start(u"item")) {
            if (package.manifest.size() == kMaxEpubManifestItems) return TooMany(path, kMaxEpubManifestItems);
            EpubItem item;
            item.id = part.Attribute(u"id");
            item.href = part.Attribute(u"href");
            item.mediaType = part.Attribute(u"media-type");
            const std::string properties = " " + part.Attribute(u"properties") + " ";
            item.nav = properties.find(" nav ") != std::string::npos;
            if (std::optional<EpubTarget> target = ResolveEpubHref(path, item.href)) item.path = std::move(target->path);
            if (item.nav && !package.nav) package.nav = package.manifest.size();
            byId.emplace(item.id, package.manifest.size());
            package.manifest.push_back(std::move(item));
        } else if (part.Start(u"spine")) {
            tocId = part.Attribute(u"toc");
        } else if (part.Start(u"itemref")) {
            if (spine.size() == kMaxEpubSpineItems) return TooMany(path, kMaxEpubSpineItems);
            spine.emplace_back(part.Attribute(u"idref"), part.Attribute(u"linear") != "no");
        }
    }
    if (std::optional<Failure> fault = part.Fault()) return *fault;

    for (const bool linear : {true, false}) {
        for (const auto& [idref, isLinear] : spine) {
            if (isLinear != linear) continue;
            const auto found = byId.find(idref);
            if (found == byId.end()) return Failure{FailureCode::EpubMissing, {}, EscapeControls(idref)};
            const EpubItem& item = package.manifest[found->second];
            if (item.path.empty()) return Failure{FailureCode::EpubOutside, {}, EscapeControls(item.href)};
            package.spine.push_back(found->second);
        }
    }
    if (package.spine.empty()) return Failure{FailureCode::EpubNoSpine, {}, EscapeControls(path)};
    if (!tocId.empty())
        if (const auto found = byId.find(tocId); found != byId.end() && !package.manifest[found->second].path.empty())
            package.ncx = found->second;
    if (!package.ncx) {
        for (std::size_t i = 0; i < package.manifest.size(); ++i)
            if (package.manifest[i].mediaType == "application/x-dtbncx+xml" && !package.manifest[i].path.empty()) {
                package.ncx = i;
                break;
            }
    }
    if (package.nav && package.manifest[*package.nav].path.empty()) package.nav.reset();

    // The authors: creators whose role is "aut", or all of them when no
    // creator says its role.
    bool roles = false;
    for (Creator& creator : creators) {
        if (creator.role.empty() && !creator.id.empty())
            if (const auto refined = refinedRoles.find(creator.id); refined != refinedRoles.end()) creator.role = refined->second;
        roles = roles || !creator.role.empty();
    }
    for (const Creator& creator : creators) {
        if (roles && creator.role != "aut") continue;
        if (!package.author.empty()) package.author += "\xE3\x80\x81";  // "、"
        package.author += creator.name;
    }
    return package;
}

Result<std::vector<std::string>> ReadEpubEncryption(std::string_view xml) {
    constexpr std::string_view kPart = "META-INF/encryption.xml";
    XmlPart part(xml, kPart);
    std::vector<std::string> encrypted;
    std::string algorithm;
    while (part.Next()) {
        if (part.Start(u"EncryptedData")) algorithm.clear();
        if (part.Start(u"EncryptionMethod") && part.In(kEncNs)) algorithm = part.Attribute(u"Algorithm");
        if (!part.Start(u"CipherReference")) continue;
        // Font obfuscation (IDPF's and Adobe's) hides a font, not the text.
        if (algorithm == "http://www.idpf.org/2008/embedding" || algorithm == "http://ns.adobe.com/pdf/enc#RC") continue;
        // URIs are relative to the archive's root, not to META-INF.
        if (std::optional<EpubTarget> target = ResolveEpubHref("encryption.xml", part.Attribute(u"URI"))) {
            encrypted.push_back(std::move(target->path));
        } else {
            encrypted.push_back(part.Attribute(u"URI"));
        }
    }
    if (std::optional<Failure> fault = part.Fault()) return *fault;
    return encrypted;
}

namespace {

// Adds an entry for `href` (in the part at `path`) named `label`, unless it
// leaves the archive.
bool AddEntry(std::vector<EpubTocEntry>& entries, std::string_view path, const std::string& href, const QString& label) {
    std::optional<EpubTarget> target = ResolveEpubHref(path, href);
    if (!target) return true;
    if (entries.size() == kMaxEpubTocEntries) return false;
    entries.push_back({Collapsed(label), std::move(*target)});
    return true;
}

}  // namespace

Result<std::vector<EpubTocEntry>> ReadEpubNav(std::string_view xhtml, std::string_view path) {
    // Two passes at most: the nav of epub:type "toc", else the first nav.
    for (const bool anyNav : {false, true}) {
        XmlPart part(xhtml, path);
        std::vector<EpubTocEntry> entries;
        int navDepth = 0;   // inside the chosen nav (nested navs counted)
        bool done = false;  // the chosen nav has ended
        bool sawNav = false;
        std::string href;   // the link being read
        QString label;
        int linkDepth = 0;  // elements open inside the link
        while (!done && part.Next()) {
            QXmlStreamReader& r = part.Reader();
            if (navDepth == 0) {
                if (!part.Start(u"nav")) continue;
                sawNav = true;
                const std::string type = " " + part.Attribute(kOpsNs, u"type") + " ";
                if (anyNav || type.find(" toc ") != std::string::npos) navDepth = 1;
                continue;
            }
            if (r.isStartElement()) {
                if (part.Start(u"nav")) ++navDepth;
                if (linkDepth > 0) {
                    ++linkDepth;
                } else if (part.Start(u"a")) {
                    href = part.Attribute(u"href");
                    label.clear();
                    linkDepth = 1;
                }
            } else if (r.isEndElement()) {
                if (linkDepth > 0 && --linkDepth == 0 && !href.empty() && !AddEntry(entries, path, href, label))
                    return TooMany(path, kMaxEpubTocEntries);
                if (part.End(u"nav") && --navDepth == 0) done = true;
            } else if (linkDepth > 0) {
                label += part.Text();
            }
        }
        if (std::optional<Failure> fault = part.Fault()) return *fault;
        if (done || !sawNav || anyNav) return entries;
    }
    return std::vector<EpubTocEntry>{};
}

Result<std::vector<EpubTocEntry>> ReadEpubNcx(std::string_view xml, std::string_view path) {
    XmlPart part(xml, path);
    std::vector<EpubTocEntry> entries;
    bool inMap = false;
    int labelDepth = 0;  // elements open inside a navLabel
    QString label;
    while (part.Next()) {
        QXmlStreamReader& r = part.Reader();
        if (part.Start(u"navMap")) inMap = true;
        if (part.End(u"navMap")) inMap = false;
        if (!inMap) continue;
        if (r.isStartElement()) {
            if (labelDepth > 0) {
                ++labelDepth;
            } else if (part.Start(u"navLabel")) {
                labelDepth = 1;
                label.clear();
            } else if (part.Start(u"content")) {
                // A navPoint's content follows its label and comes before
                // the navPoints inside it: entries are in reading order.
                if (!AddEntry(entries, path, part.Attribute(u"src"), label)) return TooMany(path, kMaxEpubTocEntries);
                label.clear();
            }
        } else if (r.isEndElement()) {
            if (labelDepth > 0) --labelDepth;
        } else if (labelDepth > 0) {
            label += part.Text();
        }
    }
    if (std::optional<Failure> fault = part.Fault()) return *fault;
    return entries;
}

}  // namespace verdane::core
