#include "DocumentFile.h"

#include "DocConvert.h"
#include "FileIo.h"
#include "KanjiCode.h"
#include "MemoryStream.h"
#include "PdbFile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstring>

namespace verdane {

FileKind FileKindOf(const QString& path) {
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString ext = dot < 0 ? QString() : name.mid(dot).toUpper();
    if (ext == QLatin1String(".PRC")) return FileKind::Prc;
    if (ext == QLatin1String(".PDB")) return FileKind::Pdb;
    return FileKind::Text;
}

ReadDocumentResult ReadDocumentFile(const QString& path) {
    ReadDocumentResult result;
    result.kind = FileKindOf(path);
    const std::string local = QFile::encodeName(path).toStdString();
    if (result.kind == FileKind::Text) {
        result.text = platform::ReadWholeFile(local);
    } else {
        // Read first, so a missing or unreadable file is reported as such and
        // not as a file of the wrong kind; the signature is then tested on the
        // bytes already read.
        TMemoryStream database(platform::ReadWholeFile(local));
        if (!HasDocSignature(database.Bytes())) {
            result.outcome = ReadDocumentResult::Outcome::NotDocFile;
            return result;
        }
        const std::string& bytes = database.Bytes();
        std::memcpy(result.docTitle.data(), bytes.data(), std::min(bytes.size(), result.docTitle.size()));
        result.docTitle.back() = '\0';
        result.hasDocTitle = true;
        TMemoryStream text;
        DocToText(database, text, true);
        result.text = text.TakeBytes();
    }
    ConvertKanjiCodeInPlace(result.text, kcShiftJis);
    return result;
}

QString ExpandLongPathName(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || info.isDir()) return {};
    return QDir::cleanPath(info.absoluteFilePath());
}

std::string DocTitleText(const DocTitleBytes& title) { return std::string(title.data(), ::strnlen(title.data(), title.size())); }

}  // namespace verdane
