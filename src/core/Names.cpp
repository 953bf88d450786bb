#include "Names.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace verdane::core {

namespace {

// Position of the extension's "." in `path`, or npos.
std::size_t ExtensionDot(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot <= nameStart) return std::string_view::npos;
    return dot;
}

qsizetype ExtensionDot(const QString& path) {
    const qsizetype nameStart = path.lastIndexOf(u'/') + 1;
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot > nameStart ? dot : -1;
}

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

}  // namespace

QString CaptionFor(const QString& fileName) { return fileName + QStringLiteral(" - ") + kProgramTitle; }

DocKind KindOfPath(std::string_view path) {
    const std::size_t dot = ExtensionDot(path);
    if (dot == std::string_view::npos) return DocKind::Text;
    const std::string ext = Upper(path.substr(dot));
    if (ext == ".PRC") return DocKind::Prc;
    if (ext == ".PDB") return DocKind::Pdb;
    return DocKind::Text;
}

DocKind KindOfPath(const QString& path) { return KindOfPath(std::string_view(path.toUtf8().toStdString())); }

const char* ExtensionOf(DocKind kind) {
    switch (kind) {
    case DocKind::Prc: return ".PRC";
    case DocKind::Pdb: return ".PDB";
    case DocKind::Text:
    case DocKind::Page: break;
    }
    return ".TXT";
}

std::string WithoutExtension(std::string_view path) {
    const std::size_t dot = ExtensionDot(path);
    return std::string(dot == std::string_view::npos ? path : path.substr(0, dot));
}

QString WithoutExtension(const QString& path) {
    const qsizetype dot = ExtensionDot(path);
    return dot < 0 ? path : path.left(dot);
}

QString WithKindExtension(const QString& path, DocKind kind, const QString& currentPath) {
    const QLatin1String extension(ExtensionOf(kind));
    const QString base = WithoutExtension(path);
    if (base.size() < path.size() && path.mid(base.size()).compare(extension, Qt::CaseInsensitive) == 0) return path;
    if (base == path && !currentPath.isEmpty() && WithoutExtension(currentPath) == base &&
        currentPath.mid(base.size()).compare(extension, Qt::CaseInsensitive) == 0)
        return currentPath;
    return base + extension;
}

bool HasExtension(std::string_view path) { return ExtensionDot(path) != std::string_view::npos; }

QString ExpandLongPathName(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || info.isDir()) return {};
    return QDir::cleanPath(info.absoluteFilePath());
}

std::string BaseNameWithoutExtension(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return WithoutExtension(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

QString BaseNameWithoutExtension(const QString& path) { return WithoutExtension(FileNamePart(path)); }

QString FileNamePart(const QString& path) { return path.mid(path.lastIndexOf(u'/') + 1); }

QString FolderPart(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(slash + 1);
}

InstallNameFault CheckInstallName(const QString& name) {
    if (name.contains(u'\\') || name.contains(u'/')) return InstallNameFault::HasPath;
    if (name.contains(u'.')) return InstallNameFault::HasExtension;
    if (name.isEmpty()) return InstallNameFault::Empty;
    return InstallNameFault::None;
}

QString InstallFileName(const QString& name, bool prc) {
    return name + (prc ? QStringLiteral(".PRC") : QStringLiteral(".PDB"));
}

QString ProposedInstallName(const QString& caption) {
    QString name = caption.left(caption.indexOf(QStringLiteral(" -")));
    if (name.contains(u'.')) name = caption.left(caption.indexOf(u'.'));
    return name;
}

QString PageFileName(const QString& url) {
    const QUrl parsed(url);
    // The segment is taken while an encoded "/" is still "%2F", then decoded.
    QString name = QUrl::fromPercentEncoding(parsed.fileName(QUrl::FullyEncoded).toUtf8());
    if (name.isEmpty()) name = parsed.host();
    // Whatever the decoding gave, the name stays one file name.
    for (QChar& c : name)
        if (c == u'/' || c == u'\\' || c.unicode() < 0x20) c = u'_';
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) name = QStringLiteral("page");
    return name;
}

}  // namespace verdane::core
