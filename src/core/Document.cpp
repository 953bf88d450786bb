#include "Document.h"

#include "KanjiCode.h"

#include <QFile>

#include <algorithm>
#include <cstdint>
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

namespace {

// Whether the eight bytes at `p` may hold a CR or an LF (a byte equal to
// neither gives no false alarm).
bool MayHoldLineEnd(const char* p) {
    std::uint64_t x;
    std::memcpy(&x, p, 8);
    auto zeroByte = [](std::uint64_t v) { return (v - 0x0101010101010101ull) & ~v & 0x8080808080808080ull; };
    return (zeroByte(x ^ 0x0A0A0A0A0A0A0A0Aull) | zeroByte(x ^ 0x0D0D0D0D0D0D0D0Dull)) != 0;
}

}  // namespace

LineEnds LineEndsOf(std::string_view text) {
    bool crLf = false, lf = false, cr = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // The runs between line ends, eight bytes at a time.
        while (i + 8 <= text.size() && !MayHoldLineEnd(text.data() + i)) i += 8;
        if (i >= text.size()) break;
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
                            LineEnds lineEnds, bool byteOrderMark) {
    Document document;
    document.byteOrderMark_ = byteOrderMark;
    document.path_ = path;
    document.kind_ = kind;
    document.title_ = title;
    document.code_ = code;
    document.lineEnds_ = lineEnds;
    document.read_ = kind == DocKind::Text;
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

namespace {

const char* KindName(DocKind kind) {
    switch (kind) {
    case DocKind::Text: break;
    case DocKind::Prc: return "prc";
    case DocKind::Pdb: return "pdb";
    case DocKind::Page: return "page";
    }
    return "text";
}

const char* EndsName(LineEnds ends) {
    switch (ends) {
    case LineEnds::None: break;
    case LineEnds::CrLf: return "crlf";
    case LineEnds::Lf: return "lf";
    case LineEnds::Cr: return "cr";
    case LineEnds::Mixed: return "mixed";
    }
    return "none";
}

}  // namespace

std::vector<std::pair<QByteArray, QByteArray>> Document::Record() const {
    // Paths are the file system's bytes and may hold line breaks: percent-encoded.
    return {
        {"kind", KindName(kind_)},
        {"path", QFile::encodeName(path_).toPercentEncoding()},
        {"url", url_.toUtf8().toPercentEncoding()},
        {"title", QByteArray(title_.data(), qsizetype(title_.size())).toHex()},
        {"code", QByteArray::number(code_)},
        {"ends", EndsName(lineEnds_)},
        {"bom", byteOrderMark_ ? "1" : "0"},
    };
}

Document Document::FromRecord(const std::map<QByteArray, QByteArray>& fields) {
    const auto field = [&fields](const char* key) {
        const auto it = fields.find(key);
        return it == fields.end() ? QByteArray() : it->second;
    };
    DocTitleBytes title{};
    const QByteArray titleBytes = QByteArray::fromHex(field("title"));
    std::memcpy(title.data(), titleBytes.constData(), std::min<std::size_t>(titleBytes.size(), title.size() - 1));
    bool ok = false;
    int code = field("code").toInt(&ok);
    if (!ok || code < 0) code = 0;
    DocKind kind = DocKind::Text;
    for (const DocKind k : {DocKind::Prc, DocKind::Pdb, DocKind::Page})
        if (field("kind") == KindName(k)) kind = k;
    LineEnds ends = LineEnds::None;
    for (const LineEnds e : {LineEnds::CrLf, LineEnds::Lf, LineEnds::Cr, LineEnds::Mixed})
        if (field("ends") == EndsName(e)) ends = e;
    if (kind == DocKind::Page) return Fetched(QString::fromUtf8(QByteArray::fromPercentEncoding(field("url"))), title, code);
    const QString path = QFile::decodeName(QByteArray::fromPercentEncoding(field("path")));
    if (path.isEmpty()) return Document();
    return ReadFrom(path, kind, title, code, ends, field("bom") == "1");
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
    saved.read_ = true;
    saved.byteOrderMark_ = false;
    saved.chosen_.reset();
    return saved;
}

Document Document::SavedAs(const QString& path, DocKind kind, const platform::FileForm& form,
                           const DocTitleBytes& title) const {
    using platform::FileCode;
    const int code = form.code == FileCode::Utf8 ? kcUtf8 : form.code == FileCode::EucJp ? kcEuc : kcShiftJis;
    Document saved = SavedAs(path, kind, code, form.crLf ? LineEnds::CrLf : LineEnds::Lf, title);
    saved.byteOrderMark_ = form.code == FileCode::Utf8 && form.byteOrderMark;
    return saved;
}

Document Document::WithForm(const platform::FileForm& form) const {
    Document chosen = *this;
    chosen.chosen_ = form;
    if (form.code != platform::FileCode::Utf8) chosen.chosen_->byteOrderMark = false;
    return chosen;
}

namespace {

// The code a text read as `code` keeps when written back, if this program writes it.
std::optional<platform::FileCode> WrittenCodeOf(int code) {
    switch (code) {
    case kcNone:
    case kcShiftJis:
    case kcEucOrSjis: return platform::FileCode::ShiftJis;
    case kcEuc: return platform::FileCode::EucJp;
    case kcUtf8: return platform::FileCode::Utf8;
    default: return std::nullopt;  // JIS, UTF-16, binary
    }
}

}  // namespace

bool Document::ReadAsUnicode() const { return code_ == kcUtf8 || IsUtf16Or32(code_); }

std::optional<platform::FileForm> Document::FormRead() const {
    if (kind_ != DocKind::Text || !read_) return std::nullopt;
    const std::optional<platform::FileCode> code = WrittenCodeOf(code_);
    if (!code || lineEnds_ == LineEnds::Cr || lineEnds_ == LineEnds::Mixed) return std::nullopt;
    return platform::FileForm{*code, lineEnds_ != LineEnds::Lf, *code == platform::FileCode::Utf8 && byteOrderMark_};
}

platform::FileForm Document::SaveForm() const {
    if (chosen_) return *chosen_;
    if (kind_ != DocKind::Text || !read_) return {};
    // A file in a code this program does not write becomes Shift-JIS CR LF,
    // but UTF-16 UTF-8 with its mark, which holds every character it held;
    // otherwise its code stays, and only LF line ends are kept as they are.
    if (IsUtf16Or32(code_))
        return {platform::FileCode::Utf8, lineEnds_ != LineEnds::Lf, true};
    const std::optional<platform::FileCode> code = WrittenCodeOf(code_);
    if (!code) return {};
    return {*code, lineEnds_ != LineEnds::Lf, *code == platform::FileCode::Utf8 && byteOrderMark_};
}

QString Document::FormReadName() const {
    return FormName(code_, byteOrderMark_, lineEnds_, QStringLiteral("(mixed line ends)"));
}

QString CodeName(int code, bool byteOrderMark) {
    switch (code) {
    case kcJisB:
    case kcJisAt: return QStringLiteral("JIS");
    case kcEuc: return QStringLiteral("EUC-JP");
    case kcUtf8: return byteOrderMark ? QStringLiteral("UTF-8 (BOM)") : QStringLiteral("UTF-8");
    case kcUtf16Le:
    case kcUtf16Be: return QStringLiteral("UTF-16");
    case kcUtf32Le:
    case kcUtf32Be: return QStringLiteral("UTF-32");
    default: break;
    }
    return QStringLiteral("Shift-JIS");
}

QString CodeName(platform::FileCode code, bool byteOrderMark) {
    switch (code) {
    case platform::FileCode::EucJp: return CodeName(kcEuc);
    case platform::FileCode::Utf8: return CodeName(kcUtf8, byteOrderMark);
    case platform::FileCode::ShiftJis: break;
    }
    return CodeName(kcShiftJis);
}

QString LineEndsName(LineEnds lineEnds, const QString& mixed) {
    switch (lineEnds) {
    case LineEnds::Lf: return QStringLiteral("LF");
    case LineEnds::Cr: return QStringLiteral("CR");
    case LineEnds::Mixed: return mixed;
    case LineEnds::CrLf:
    case LineEnds::None: break;
    }
    return QStringLiteral("CR LF");
}

QString FormName(int code, bool byteOrderMark, LineEnds lineEnds, const QString& mixed) {
    return CodeName(code, byteOrderMark) + u' ' + LineEndsName(lineEnds, mixed);
}

QString FormName(const platform::FileForm& form) {
    return CodeName(form.code, form.byteOrderMark) + u' ' +
           LineEndsName(form.crLf ? LineEnds::CrLf : LineEnds::Lf, {});
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
