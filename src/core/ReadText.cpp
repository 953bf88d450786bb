#include "ReadText.h"

#include "AozoraNotation.h"
#include "DocConvert.h"
#include "DocFormatError.h"
#include "EditorCodec.h"
#include "EditorPieces.h"
#include "FailureOf.h"
#include "FileIo.h"
#include "KanjiCode.h"
#include "MemoryStream.h"
#include "Names.h"
#include "PdbFile.h"
#include "TextBytes.h"
#include "ZipArchive.h"

#include <QFile>
#include <QStringDecoder>

#include <exception>

namespace verdane::core {

Result<std::string> DocDatabaseText(std::string_view database) {
    try {
        TMemoryStream stream{std::string(database)};
        TMemoryStream text;
        if (DocToText(stream, text, true) == kDocNotDoc) return Failure{FailureCode::NotDoc};
        return text.TakeBytes();
    } catch (const std::exception& e) {
        return FailureOf(e);
    }
}

Result<OpenedFile> OpenBytes(std::string bytes, DocKind kind) {
    OpenedFile file;
    file.kind = kind;
    if (kind == DocKind::Prc || kind == DocKind::Pdb) {
        if (!HasDocSignature(bytes)) return Failure{FailureCode::NotDoc};
        file.title = DocTitleOf(bytes);
        Result<std::string> text = DocDatabaseText(bytes);
        if (!text) return text.Fault();
        file.text = std::move(*text);
    } else {
        file.text = std::move(bytes);
    }
    file.code = DetectKanjiCode(file.text);
    // A UTF-16 text keeps every character it holds, as a UTF-8 text does.
    if (file.code == kcUtf16Le || file.code == kcUtf16Be) {
        file.text = Utf16ToUtf8(file.text, file.code);
        file.code = kcUtf8;
    }
    file.lineEnds = LineEndsOf(file.text);
    // A UTF-8 text keeps its characters; every other code becomes Shift-JIS.
    if (file.code != kcUtf8) ConvertKanjiCodeInPlace(file.text, kcShiftJis);
    ToEditorLineEnds(file.text);
    return file;
}

bool IsArchivePath(const QString& path) { return IsZipPath(QFile::encodeName(path).toStdString()); }

Result<std::vector<std::string>> ArchiveTexts(const QString& path) {
    const std::string name = QFile::encodeName(path).toStdString();
    ArchiveText archive = ReadArchiveTextFile(name);
    switch (archive.status) {
    case ArchiveText::Status::Ok:
    case ArchiveText::Status::Several:
        return std::move(archive.names);
    case ArchiveText::Status::NoText:
    case ArchiveText::Status::Refused:
        break;
    }
    if (archive.failure.subject.empty()) archive.failure.subject = name;
    return archive.failure;
}

DocTitleBytes TitleOfText(std::string_view shiftJisText) {
    // The database header's own rule cuts the line at a character boundary.
    TDocHeader header;
    header.SetName(AozoraTitle(shiftJisText));
    return header.Name;
}

DocTitleBytes TitleOfTyped(std::string_view shiftJisTitle) {
    TDocHeader header;
    header.SetName(shiftJisTitle);
    return header.Name;
}

DocTitleBytes TitleOfName(const QString& name) {
    return TitleOfTyped(platform::EditorToBytes(BaseNameWithoutExtension(name)).bytes);
}

Result<OpenedFile> ReadDocumentFile(const QString& path, std::string_view entry) {
    if (IsArchivePath(path)) {
        const std::string name = QFile::encodeName(path).toStdString();
        ArchiveText archive = ReadArchiveTextFile(name, entry);
        if (archive.status != ArchiveText::Status::Ok) {
            if (archive.failure.subject.empty()) archive.failure.subject = name;
            return archive.failure;
        }
        Result<OpenedFile> file = OpenBytes(std::move(archive.bytes), DocKind::Text);
        if (!file) return file;
        file->archiveEntry = std::move(archive.entry);
        // The work's title is taken from the text as Shift-JIS; a UTF-8 text,
        // or one whose first line is blank, is named after the archive.
        if (file->code != kcUtf8) file->title = TitleOfText(file->text);
        if (!file->title || (*file->title)[0] == '\0') file->title = TitleOfName(path);
        return file;
    }
    std::string bytes;
    try {
        // Read first, so a missing or unreadable file is reported as such and
        // not as a file of the wrong kind.
        bytes = platform::ReadWholeFile(QFile::encodeName(path).toStdString());
    } catch (const std::exception& e) {
        return FailureOf(e);
    }
    Result<OpenedFile> file = OpenBytes(std::move(bytes), KindOfPath(path));
    // A database's failure names its file.
    if (!file && file.Fault().subject.empty()) {
        Failure named = file.Fault();
        named.subject = QFile::encodeName(path).toStdString();
        return named;
    }
    // A text is named after its file; a database keeps its own name.
    if (file && !file->title) file->title = TitleOfName(path);
    return file;
}

QString EditorTextOf(const OpenedFile& file) { return EditorTextOf(file.text, file.code); }

QString EditorTextOf(std::string_view bytes, int code) {
    if (code != kcUtf8) return platform::BytesToEditor(bytes);
    std::string_view utf8 = bytes;
    if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);
    // One byte-order mark is dropped above; the decoder keeps any other
    // U+FEFF at the start as the character it is.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(QByteArrayView(utf8.data(), static_cast<qsizetype>(utf8.size())));
    // The text has CR LF line ends; the editor has one '\n' per line.
    platform::JoinCrLf(text);
    return text;
}

std::optional<std::string> ShiftJisTextIfChanged(std::string_view fileBytes,
                                                 std::vector<KanjiReplacement>* replaced) {
    return TextAsOpenedIfChanged(fileBytes, replaced);
}

void MakeShiftJisText(std::string& fileBytes) { MakeTextAsOpened(fileBytes); }

}  // namespace verdane::core
