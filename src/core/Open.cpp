#include "Open.h"

#include "AozoraNotation.h"
#include "EditorCodec.h"
#include "EditorFileCodec.h"
#include "EpubBook.h"
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
#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace verdane::core {

Source Source::File(const QString& path) {
    Source source;
    source.kind = Kind::File;
    source.name = path;
    return source;
}

Source Source::StandardInput() {
    Source source;
    source.kind = Kind::StandardInput;
    source.name = QStringLiteral("-");
    return source;
}

Source Source::Bytes(std::string bytes, const QString& name) {
    Source source;
    source.kind = Kind::Bytes;
    source.name = name;
    source.bytes = std::move(bytes);
    return source;
}

Source Source::Snapshot(std::string utf8, Document document) {
    Source source;
    source.kind = Kind::Snapshot;
    source.name = document.DisplayName();
    source.bytes = std::move(utf8);
    source.document = std::move(document);
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

namespace {

// What Open learns of a text while it reads it, before it becomes a Document.
struct Reading {
    OpenedFile file;
    DocKind kind = DocKind::Text;
    std::optional<DocTitleBytes> title;
    int fileCode = 0;  // the code of the bytes, where it differs from file.code (UTF-16)
    LineEnds lineEnds = LineEnds::None;
    bool byteOrderMark = false;
};

// The whole of the file at `path` (a local name), read once. A regular file
// gets its size at once and must keep it: one that is shortened, grows or is
// written to while it is read is refused (FileChanged), never taken in part.
// Anything else (a pipe, a device) is read to the program's input limit.
Result<std::string> ReadWholeInput(const std::string& path, int fd = -1) {
    const bool own = fd < 0;
    if (own) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Failure{FailureCode::FileOpen, path, {}, errno};
    struct Closer {
        int fd;
        bool own;
        ~Closer() {
            if (own) ::close(fd);
        }
    } closer{fd, own};
    struct stat before {};
    if (::fstat(fd, &before) != 0) return Failure{FailureCode::FileRead, path, {}, errno};
    if (S_ISDIR(before.st_mode)) return Failure{FailureCode::FileRead, path, {}, EISDIR};
    const bool sized = S_ISREG(before.st_mode) && before.st_size > 0;
    if (S_ISREG(before.st_mode) && static_cast<std::uint64_t>(before.st_size) > platform::kMaxInputSize)
        return Failure{FailureCode::FileTooLarge, path, {}, EFBIG};
    std::string bytes;
    // A regular file's size and one byte more: that read of nothing tells the end.
    if (sized) bytes.reserve(static_cast<std::size_t>(before.st_size) + 1);
    const platform::ReadEnd end = platform::ReadToLimit(fd, bytes);
    if (end == platform::ReadEnd::Failed) return Failure{FailureCode::FileRead, path, {}, errno};
    if (end == platform::ReadEnd::TooLarge) return Failure{FailureCode::FileTooLarge, path, {}, EFBIG};
    if (sized) {
        struct stat after {};
        const bool same = ::fstat(fd, &after) == 0 && after.st_size == before.st_size &&
                          after.st_mtim.tv_sec == before.st_mtim.tv_sec &&
                          after.st_mtim.tv_nsec == before.st_mtim.tv_nsec;
        if (!same || bytes.size() != static_cast<std::size_t>(before.st_size))
            return Failure{FailureCode::FileChanged, path, {}, 0, static_cast<long long>(before.st_size),
                           static_cast<long long>(bytes.size())};
    }
    return bytes;
}

bool StartsWithMark(std::string_view bytes) {
    return bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF") ||
           bytes.starts_with(std::string_view("\0\0\xFE\xFF", 4));
}

// Line ends counted as the editor counts them: CR LF, a lone LF, a lone CR.
std::size_t LinesBefore(std::string_view text, std::size_t from, std::size_t to, bool& crPending) {
    std::size_t lines = 0;
    for (std::size_t i = from; i < to && i < text.size(); ++i) {
        if (text[i] == '\n') {
            if (!crPending) ++lines;
            crPending = false;
        } else {
            crPending = text[i] == '\r';
            lines += crPending;
        }
    }
    return lines;
}

// The replaced characters' offsets, found in `input` by the conversion, moved
// to the start of the same line in `output`, so that a report counts their
// lines in the text as opened (the conversion changes lengths, not lines).
void PlaceOnLines(std::vector<KanjiReplacement>& replaced, std::string_view input, std::string_view output) {
    std::size_t in = 0, line = 0, out = 0, outLine = 0;
    bool crIn = false, crOut = false;
    for (KanjiReplacement& r : replaced) {
        line += LinesBefore(input, in, r.offset, crIn);
        in = std::max(in, r.offset);
        while (outLine < line && out < output.size()) {
            outLine += LinesBefore(output, out, out + 1, crOut);
            ++out;
        }
        // A CR LF's LF belongs to the line end just counted.
        if (crOut && out < output.size() && output[out] == '\n') {
            ++out;
            crOut = false;
        }
        r.offset = out;
    }
}

// The text's code decided, kept as UTF-8 when it is Unicode (so every
// character reaches the editor), made Shift-JIS otherwise; CR LF line ends.
void DecodeText(std::string bytes, const Source& source, Reading& reading, bool asItIs = false) {
    OpenedFile& file = reading.file;
    const bool page = source.kind == Source::Kind::Page;
    int code = page ? PageKanjiCode(source.contentType, bytes) : DetectKanjiCode(bytes);
    reading.byteOrderMark = StartsWithMark(bytes);
    if (asItIs) {
        // Only the code changes: Shift-JIS whatever it was, line ends as read.
        reading.lineEnds = LineEndsOf(bytes);
        if (std::optional<std::string> converted = ConvertedToShiftJisFrom(bytes, code, &file.replaced)) {
            PlaceOnLines(file.replaced, bytes, *converted);
            bytes = std::move(*converted);
        }
        file.code = code;
        file.text = std::move(bytes);
        return;
    }
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
        reading.fileCode = code;
        code = kcUtf8;
    }
    std::optional<std::string> converted;
    if (code != kcUtf8) converted = ConvertedToShiftJisFrom(bytes, code, &file.replaced);
    file.code = code;
    reading.lineEnds = LineEndsOf(converted ? *converted : bytes);
    if (converted) {
        ToEditorLineEnds(*converted);
        PlaceOnLines(file.replaced, bytes, *converted);
        bytes = std::move(*converted);
    } else {
        ToEditorLineEnds(bytes);
    }
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
    case Source::Kind::StandardInput: return kNewFileName;
    case Source::Kind::Snapshot: return source.document.DisplayName();
    case Source::Kind::Bytes:
        if (source.name.isEmpty() || source.name == QLatin1String("-")) return kNewFileName;
        break;
    case Source::Kind::File: break;
    }
    return FileNamePart(source.name);
}

// A database's text: its own title, its kind by the name (a .PRC stays PRC).
std::optional<Failure> OpenDatabase(const std::string& bytes, const Source& source, Reading& reading) {
    reading.kind = source.kind == Source::Kind::Page ? DocKind::Page
                   : KindOfPath(source.name) == DocKind::Prc ? DocKind::Prc
                                                             : DocKind::Pdb;
    reading.title = DocTitleOf(bytes);
    Result<std::string> text = DocDatabaseText(bytes, &reading.file.bookmarks);
    if (!text) return text.Fault();
    DecodeText(std::move(*text), Source{}, reading);
    // A database's text is its own: no byte-order mark of the file's.
    reading.byteOrderMark = false;
    return std::nullopt;
}

// The document of what was read: a file's (its path), a page's (its address),
// or a text without a file (standard input, bytes named "-").
Document DocumentOfReading(const Source& source, const Reading& reading) {
    const DocTitleBytes title = reading.title.value_or(DocTitleBytes{});
    const int code = reading.fileCode ? reading.fileCode : reading.file.code;
    switch (source.kind) {
    case Source::Kind::Snapshot: return source.document;
    case Source::Kind::Page: return Document::Fetched(source.name, title, code);
    case Source::Kind::StandardInput: return Document::ReadFrom({}, reading.kind, title, code, reading.lineEnds);
    case Source::Kind::Bytes:
        if (source.name.isEmpty() || source.name == QLatin1String("-"))
            return Document::ReadFrom({}, reading.kind, title, code, reading.lineEnds);
        break;
    case Source::Kind::File: break;
    }
    return Document::ReadFrom(source.name, reading.kind, title, code, reading.lineEnds, reading.byteOrderMark);
}

}  // namespace

Result<OpenedFile> Open(Source source, const OpenOptions& options) {
    const std::string local = QFile::encodeName(source.name).toStdString();
    auto named = [&](Failure failure) {
        if (failure.subject.empty())
            failure.subject = source.kind == Source::Kind::Page            ? source.name.toStdString()
                              : source.kind == Source::Kind::StandardInput ? std::string("standard input")
                                                                           : local;
        return failure;
    };
    try {
        if (source.kind == Source::Kind::File || source.kind == Source::Kind::StandardInput) {
            Result<std::string> read = source.kind == Source::Kind::File ? ReadWholeInput(local)
                                                                         : ReadWholeInput({}, STDIN_FILENO);
            if (!read) return named(read.Fault());
            source.bytes = std::move(*read);
        }
        std::string& bytes = source.bytes;

        Reading reading;
        OpenedFile& file = reading.file;
        const QString name = DisplayNameOf(source);
        const bool withoutName = source.kind == Source::Kind::StandardInput ||
                                 (source.kind == Source::Kind::Bytes && name == kNewFileName);
        reading.kind = source.kind == Source::Kind::Page ? DocKind::Page : DocKind::Text;
        bool database = false;
        bool book = false;

        if (source.kind == Source::Kind::Snapshot) {
            // Kept by this program as UTF-8: no code to find, no archive or database.
            file.code = kcUtf8;
            ToEditorLineEnds(bytes);
            file.text = std::move(bytes);
        } else if (options.textAsItIs) {
            DecodeText(std::move(bytes), source, reading, true);
            if (!withoutName) reading.title = TitleOfFile(name);
        } else if (LooksLikeZip(bytes) && IsEpub(bytes)) {
            // An EPUB book, whatever it is called: its text in Shift-JIS with
            // its chapters as bookmarks, titled after the book.
            EpubOptions epub;
            epub.ruby = options.ruby;
            epub.turns = options.turns;
            Result<EpubBook> read = ReadEpub(bytes, epub);
            if (!read) return named(read.Fault());
            std::string().swap(bytes);
            book = true;
            file.text = std::move(read->text);
            file.code = kcShiftJis;
            file.bookmarks = std::move(read->bookmarks);
            file.replaced = std::move(read->replaced);
            reading.lineEnds = LineEnds::CrLf;
            if (!read->title.empty()) {
                // Written as a typed title is: an accented letter its base
                // letter, what Shift-JIS lacks the geta mark.
                platform::FileTextOptions geta;
                geta.lacking = platform::Lacking::Geta;
                reading.title = TitleOfTyped(platform::EncodeForFile(QString::fromStdString(read->title), {}, geta).bytes);
            } else if (!withoutName) {
                reading.title = TitleOfFile(name);
            }
        } else if (LooksLikeZip(bytes) || IsZipPath(local) || IsZipPath(PageFileName(source.name).toStdString())) {
            // An archive by its first bytes, or by its name (a damaged one is
            // then refused as an archive, not read as text).
            ArchiveText archive = ReadArchiveText(bytes, options.entry);
            if (archive.status == ArchiveText::Status::Several && options.chooseEntry) {
                const std::optional<std::string> chosen = options.chooseEntry(archive.names);
                if (!chosen) return Failure{FailureCode::Cancelled};
                archive = ReadArchiveText(bytes, *chosen);
            }
            if (archive.status != ArchiveText::Status::Ok) return named(archive.failure);
            std::string().swap(bytes);
            file.archiveEntry = std::move(archive.entry);
            DecodeText(std::move(archive.bytes), Source{}, reading);
            // The work's title is its first line, as Aozora Bunko's texts give it.
            const std::string firstLine = AozoraTitle(file.text);
            reading.title = file.code == kcUtf8 ? TitleOfTyped(platform::EditorToBytes(QString::fromStdString(firstLine)).bytes)
                                                : TitleOfText(file.text);
            if (DocTitleText(*reading.title).empty() && !withoutName) reading.title = TitleOfFile(name);
        } else if (!options.entry.empty()) {
            return named(Failure{FailureCode::NotArchive});
        } else if (HasDocSignature(bytes)) {
            database = true;
            if (std::optional<Failure> damaged = OpenDatabase(bytes, source, reading)) return named(*damaged);
        } else if (source.kind != Source::Kind::Page && KindOfPath(source.name) != DocKind::Text) {
            // Named .PDB or .PRC but no DOC database: refused, nothing read as text.
            return named(Failure{FailureCode::NotDoc});
        } else {
            DecodeText(std::move(bytes), source, reading);
            // A text without a name has no title of its own.
            if (!withoutName) reading.title = TitleOfFile(name);
        }
        if (!options.title.isEmpty()) {
            // Written as a typed title is: what Shift-JIS lacks is the geta mark.
            platform::FileTextOptions geta;
            geta.lacking = platform::Lacking::Geta;
            reading.title = TitleOfTyped(platform::EncodeForFile(options.title, {}, geta).bytes);
        }

        // An archive's or a database's text is a text, never HTML.
        if (options.html && file.archiveEntry.empty() && !database && !book) {
            if (file.code == kcUtf8) file.text = ShiftJisPage(file.text, file.replaced);
            // A page is titled by its <title>, else by its name.
            if (const std::string title = regex::HtmlPageTitle(file.text); !title.empty()) reading.title = TitleOfText(title);
            regex::TAWKStr awk;
            std::vector<KanjiReplacement> references;
            std::string plain = HtmlPageToText(awk, file.text, options.turns, &references,
                                               options.ruby == AozoraRuby::Drop ? regex::HtmlRuby::Drop
                                                                                : regex::HtmlRuby::Paren);
            // The characters references named are replaced too: all are
            // listed, in the order of the page.
            std::vector<KanjiReplacement> all;
            all.reserve(file.replaced.size() + references.size());
            std::merge(file.replaced.begin(), file.replaced.end(), references.begin(), references.end(),
                       std::back_inserter(all),
                       [](const KanjiReplacement& a, const KanjiReplacement& b) { return a.offset < b.offset; });
            file.replaced = std::move(all);
            file.text = std::move(plain);
            // The page is now a Shift-JIS text, whatever code it came in.
            file.code = kcShiftJis;
            reading.fileCode = 0;
        }
        file.document = DocumentOfReading(source, reading);
        return std::move(file);
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

}  // namespace verdane::core
