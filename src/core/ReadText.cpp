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
#include "Open.h"
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

bool IsArchivePath(const QString& path) { return IsZipPath(QFile::encodeName(path).toStdString()); }

bool IsArchiveFile(const QString& path) {
    if (IsArchivePath(path)) return true;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && LooksLikeZip(file.read(4).toStdString());
}

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

Result<OpenedFile> ReadDocumentFile(const QString& path, std::string_view entry) {
    OpenOptions options;
    options.entry = std::string(entry);
    return Open(Source::File(path), options);
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
