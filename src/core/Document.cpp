#include "Document.h"

#include <algorithm>
#include <cstring>

namespace verdane::core {

std::string DocTitleText(const DocTitleBytes& title) {
    return std::string(title.data(), ::strnlen(title.data(), title.size()));
}

DocTitleBytes DocTitleOf(std::string_view database) {
    DocTitleBytes title{};
    std::memcpy(title.data(), database.data(), std::min(database.size(), title.size()));
    title.back() = '\0';
    return title;
}

LineEnds LineEndsOf(std::string_view text) {
    bool crLf = false, lf = false, cr = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                crLf = true;
                ++i;
            } else {
                cr = true;
            }
        } else if (text[i] == '\n') {
            lf = true;
        }
    }
    const int kinds = int(crLf) + int(lf) + int(cr);
    if (kinds == 0) return LineEnds::None;
    if (kinds > 1) return LineEnds::Mixed;
    return crLf ? LineEnds::CrLf : lf ? LineEnds::Lf : LineEnds::Cr;
}

Document Document::ReadFrom(const QString& path, DocKind kind, const DocTitleBytes& title, int code,
                            LineEnds lineEnds) {
    Document document;
    document.path_ = path;
    document.kind_ = kind;
    document.title_ = title;
    document.code_ = code;
    document.lineEnds_ = lineEnds;
    return document;
}

Document Document::Fetched(const QString& url, const DocTitleBytes& title, int code) {
    Document document;
    document.kind_ = DocKind::Page;
    document.url_ = url;
    document.title_ = title;
    document.code_ = code;
    document.lineEnds_ = LineEnds::CrLf;
    return document;
}

Document Document::SavedAs(const QString& path, DocKind kind, int code, LineEnds lineEnds,
                           const DocTitleBytes& title) const {
    Document saved = *this;
    saved.title_ = title;
    saved.path_ = path;
    saved.kind_ = kind;
    saved.url_.clear();
    saved.code_ = code;
    saved.lineEnds_ = lineEnds;
    return saved;
}

QString Document::DisplayName() const {
    if (kind_ == DocKind::Page) return PageFileName(url_);
    if (path_.isEmpty()) return kNewFileName;
    return FileNamePart(path_);
}

QString Document::SaveProposal(const QString& folder) const {
    if (kind_ == DocKind::Page) return folder + WithoutExtension(PageFileName(url_));
    if (path_.isEmpty()) return {};
    return WithoutExtension(path_);
}

int Document::SaveFilterIndex() const {
    return kind_ == DocKind::Prc || kind_ == DocKind::Pdb ? FilterIndexOf(kind_) : FilterIndexOf(DocKind::Prc);
}

int FilterIndexOf(DocKind kind) {
    switch (kind) {
    case DocKind::Prc: return 2;
    case DocKind::Pdb: return 3;
    case DocKind::Text:
    case DocKind::Page: break;
    }
    return 1;
}

DocKind KindOfFilterIndex(int index) {
    return index == 2 ? DocKind::Prc : index == 3 ? DocKind::Pdb : DocKind::Text;
}

}  // namespace verdane::core
