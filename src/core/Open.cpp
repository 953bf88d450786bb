#include "Open.h"

#include "AozoraNotation.h"
#include "EditorCodec.h"
#include "EditorFileCodec.h"
#include "FailureOf.h"
#include "FileIo.h"
#include "HtmlText.h"
#include "HtmlToText.h"
#include "HttpProt.h"
#include "KanjiCode.h"
#include "PdbFile.h"
#include "TextBytes.h"
#include "ZipArchive.h"

#include <QFile>

#include <algorithm>
#include <exception>
#include <iterator>

namespace verdane::core {

Source Source::File(const QString& path) {
    Source source;
    source.kind = Kind::File;
    source.name = path;
    return source;
}

Source Source::Bytes(std::string bytes, const QString& name) {
    Source source;
    source.kind = Kind::Bytes;
    source.name = name;
    source.bytes = std::move(bytes);
    return source;
}

Source Source::Page(const QString& url, std::string body, std::string contentType) {
    Source source;
    source.kind = Kind::Page;
    source.name = url;
    source.bytes = std::move(body);
    source.contentType = std::move(contentType);
    return source;
}

DocTitleBytes TitleOfName(const QString& name) {
    TDocHeader header;
    header.SetName(platform::EditorToBytes(name.isEmpty() ? kNewFileName : name).bytes);
    return header.Name;
}

namespace {

bool StartsWithMark(std::string_view bytes) {
    return bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF") ||
           bytes.starts_with(std::string_view("\0\0\xFE\xFF", 4));
}

// The text's code decided, kept as UTF-8 when it is Unicode (so every
// character reaches the editor), made Shift-JIS otherwise; CR LF line ends.
void DecodeText(std::string bytes, const Source& source, OpenedFile& file) {
    const bool page = source.kind == Source::Kind::Page;
    int code = page ? PageKanjiCode(source.contentType, bytes) : DetectKanjiCode(bytes);
    file.byteOrderMark = StartsWithMark(bytes);
    // Declared UTF-8 but not: read it as detected. A UTF-8 text damaged at a
    // few places has each damaged sequence replaced by "?" and named.
    if (code == kcUtf8 && !IsUtf8Text(bytes)) {
        code = DetectKanjiCode(bytes);
        if (code == kcUtf8) RepairUtf8(bytes, &file.replaced);
    }
    // A database's bookmarks move with the conversion below.
    PlaceInOpenedText(file.bookmarks, bytes, code);
    if (IsUtf16Or32(code)) {
        // Kept as UTF-8 text, as a UTF-8 file is: every character reaches the editor.
        bytes = Utf16ToUtf8(bytes, code);
        file.fileCode = code;
        code = kcUtf8;
    }
    if (code != kcUtf8) {
        if (std::optional<std::string> converted = ConvertedToShiftJisFrom(bytes, code, &file.replaced))
            bytes = std::move(*converted);
    }
    file.code = code;
    file.lineEnds = LineEndsOf(bytes);
    ToEditorLineEnds(bytes);
    // A page's last line ends as its others do, as it always has in the editor.
    if (page && !bytes.empty() && !bytes.ends_with("\r\n")) bytes += "\r\n";
    file.text = std::move(bytes);
}

// A UTF-8 page (CR LF) in Shift-JIS for the HTML conversion, each character
// Shift-JIS lacks written as the program's one conversion policy says (a
// no-break space a space, é its base letter, the rest "?") and added to
// `replaced` with its offset in the result.
std::string ShiftJisPage(const std::string& utf8, std::vector<KanjiReplacement>& replaced) {
    QString text = QString::fromUtf8(utf8);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const platform::FileForm form{platform::FileCode::ShiftJis, true, false};
    platform::FileTextOptions options;
    options.escapedBytes = false;
    platform::FileText first = platform::EncodeForFile(text, form, options);
    if (first.unwritable.empty()) return std::move(first.bytes);
    // A second pass gives each listed character its offset in the bytes.
    std::vector<qsizetype> places;
    for (const platform::Unwritable& u : first.unwritable) places.push_back(u.at);
    options.places = places;
    platform::FileText located = platform::EncodeForFile(text, form, options);
    for (std::size_t k = 0; k < first.unwritable.size(); ++k) {
        const QList<uint> standIn = first.unwritable[k].writtenAs.toUcs4();
        StandIn writtenAs;
        for (qsizetype c = 0; c < standIn.size() && c < 2; ++c) writtenAs.chars[static_cast<std::size_t>(c)] = standIn[c];
        replaced.push_back({located.offsets[k], static_cast<std::size_t>(first.unwritable[k].writtenAs.toUtf8().size()),
                            first.unwritable[k].codePoint, writtenAs});
    }
    return std::move(located.bytes);
}

// The name the document is shown under, and the source's base name.
QString DisplayNameOf(const Source& source) {
    switch (source.kind) {
    case Source::Kind::Page: return PageFileName(source.name);
    case Source::Kind::Bytes:
        if (source.name.isEmpty() || source.name == QLatin1String("-")) return kNewFileName;
        break;
    case Source::Kind::File: break;
    }
    return FileNamePart(source.name);
}

// A database's text: its own title, its kind by the name (a .PRC stays PRC).
Result<OpenedFile> OpenDatabase(const std::string& bytes, const Source& source, OpenedFile file) {
    file.kind = source.kind == Source::Kind::Page ? DocKind::Page
                : KindOfPath(source.name) == DocKind::Prc ? DocKind::Prc
                                                          : DocKind::Pdb;
    file.title = DocTitleOf(bytes);
    Result<std::string> text = DocDatabaseText(bytes, &file.bookmarks);
    if (!text) return text.Fault();
    DecodeText(std::move(*text), Source{}, file);
    return file;
}

}  // namespace

Result<OpenedFile> Open(Source source, const OpenOptions& options) {
    const std::string local = QFile::encodeName(source.name).toStdString();
    auto named = [&](Failure failure) {
        if (failure.subject.empty()) failure.subject = source.kind == Source::Kind::Page ? source.name.toStdString() : local;
        return failure;
    };
    try {
        if (source.kind == Source::Kind::File) source.bytes = platform::ReadWholeFile(local);
        std::string& bytes = source.bytes;

        OpenedFile file;
        file.name = DisplayNameOf(source);
        file.kind = source.kind == Source::Kind::Page ? DocKind::Page : DocKind::Text;

        // An archive by its first bytes, or by its name (a damaged one is then
        // refused as an archive, not read as text).
        if (LooksLikeZip(bytes) || IsZipPath(local) || IsZipPath(PageFileName(source.name).toStdString())) {
            ArchiveText archive = ReadArchiveText(bytes, options.entry);
            if (archive.status == ArchiveText::Status::Several && options.chooseEntry) {
                const std::optional<std::string> chosen = options.chooseEntry(archive.names);
                if (!chosen) return Failure{FailureCode::Cancelled};
                archive = ReadArchiveText(bytes, *chosen);
            }
            if (archive.status != ArchiveText::Status::Ok) return named(archive.failure);
            std::string().swap(bytes);
            file.archiveEntry = std::move(archive.entry);
            DecodeText(std::move(archive.bytes), Source{}, file);
            // The work's title is its first line, as Aozora Bunko's texts give it.
            const std::string firstLine = AozoraTitle(file.text);
            file.title = file.code == kcUtf8 ? TitleOfName(QString::fromStdString(firstLine))
                             : TitleOfText(file.text);
            if (DocTitleText(*file.title).empty()) file.title = TitleOfName(BaseNameWithoutExtension(file.name));
        } else if (!options.entry.empty()) {
            return named(Failure{FailureCode::NotArchive});
        } else if (HasDocSignature(bytes)) {
            Result<OpenedFile> database = OpenDatabase(bytes, source, std::move(file));
            if (!database) return named(database.Fault());
            return database;
        } else if (source.kind != Source::Kind::Page && KindOfPath(source.name) != DocKind::Text) {
            // Named .PDB or .PRC but no DOC database: refused, nothing read as text.
            return named(Failure{FailureCode::NotDoc});
        } else {
            DecodeText(std::move(bytes), source, file);
            file.title = TitleOfName(BaseNameWithoutExtension(file.name));
        }

        // An archive's text is a text, never HTML.
        if (options.html && file.archiveEntry.empty()) {
            if (file.code == kcUtf8) file.text = ShiftJisPage(file.text, file.replaced);
            // A page is titled by its <title>, else by its name.
            if (const std::string title = regex::HtmlPageTitle(file.text); !title.empty()) file.title = TitleOfText(title);
            regex::TAWKStr awk;
            std::vector<KanjiReplacement> references;
            std::string plain = HtmlPageToText(awk, file.text, options.turns, &references);
            // The characters references named are replaced too: all are
            // listed, in the order of the page.
            std::vector<KanjiReplacement> all;
            all.reserve(file.replaced.size() + references.size());
            std::merge(file.replaced.begin(), file.replaced.end(), references.begin(), references.end(),
                       std::back_inserter(all),
                       [](const KanjiReplacement& a, const KanjiReplacement& b) { return a.offset < b.offset; });
            file.replaced = std::move(all);
            file.text = std::move(plain);
            file.code = kcShiftJis;
        }
        return file;
    } catch (const std::exception& e) {
        return named(FailureOf(e));
    }
}

Result<OpenedFile> OpenUrl(PageFetch& fetch, FetchRequest request, const OpenOptions& options) {
    Result<std::string> body = fetch.Run(request);
    if (!body) return body.Fault();
    return Open(Source::Page(QString::fromStdString(request.url), std::move(*body), fetch.Client().ContentType()),
                options);
}

Document DocumentOf(const QString& path, const OpenedFile& file) {
    return Document::ReadFrom(path, file.kind, file.title.value_or(TitleOfFile(path)), file.CodeOnDisk(), file.lineEnds,
                              file.byteOrderMark);
}

}  // namespace verdane::core
