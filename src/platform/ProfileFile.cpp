#include "ProfileFile.h"

#include "Cp932Table.h"
#include "EditorCodec.h"
#include "EditorPieces.h"
#include "FileIo.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <unordered_map>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace verdane::platform {

namespace {

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

std::optional<std::int32_t> ParseHex(QStringView digits) {
    if (digits.isEmpty()) return std::nullopt;
    std::uint64_t value = 0;
    for (QChar c : digits) {
        const int d = HexDigit(c);
        if (d < 0) return std::nullopt;
        value = value * 16 + static_cast<unsigned>(d);
        if (value > 0xFFFFFFFFull) return std::nullopt;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// One parsed file: its lines (without line ends) and whether it used CR LF.
struct Lines {
    QStringList lines;
    bool crlf = false;
};

Lines Parse(std::string_view bytes) {
    Lines out;
    out.crlf = bytes.find("\r\n") != std::string_view::npos;
    const QString text = DecodeSettingsText(bytes);
    if (!text.isEmpty()) out.lines = text.split(u'\n');
    if (!out.lines.isEmpty() && out.lines.constLast().isEmpty()) out.lines.removeLast();
    return out;
}

// The file's bytes; a missing or unreadable file reads as empty, so every key
// gets its default.
std::string ReadBytes(const QString& fileName) {
    try {
        return ReadWholeFile(fileName.toStdString());
    } catch (const EFileError&) {
        return {};
    }
}

bool IsComment(QStringView trimmed) { return trimmed.startsWith(u';'); }

// The section name of a "[name]" line, or nothing for any other line.
std::optional<QStringView> SectionOf(QStringView line) {
    const QStringView t = line.trimmed();
    if (!t.startsWith(u'[')) return std::nullopt;
    QStringView name = t.mid(1);
    const qsizetype close = name.indexOf(u']');
    if (close >= 0) name = name.left(close);
    return name.trimmed();
}

// The key of a "key=value" line, or nothing.
std::optional<QStringView> KeyOf(QStringView line) {
    const QStringView t = line.trimmed();
    if (t.isEmpty() || IsComment(t)) return std::nullopt;
    const qsizetype eq = t.indexOf(u'=');
    if (eq < 0) return std::nullopt;
    return t.left(eq).trimmed();
}

bool Same(QStringView a, QStringView b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Where a key is (or would go) in the file. The first section and the first key
// of that name count, as with the desktop's own profile functions.
struct Place {
    qsizetype section = -1;   // line of the section header
    qsizetype key = -1;       // line of the key
    qsizetype insertAt = -1;  // line after the section's last key line
};

Place Find(const QStringList& lines, const QString& section, const QString& key) {
    Place place;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const auto name = SectionOf(lines[i])) {
            if (place.section >= 0) break;  // the end of our section
            if (Same(*name, section)) {
                place.section = i;
                place.insertAt = i + 1;
            }
            continue;
        }
        if (place.section < 0) continue;
        if (!lines[i].trimmed().isEmpty()) place.insertAt = i + 1;
        const auto k = KeyOf(lines[i]);
        if (k && place.key < 0 && Same(*k, key)) place.key = i;
    }
    return place;
}

// A section or key name as the index holds it, so that names differing only
// in case are one.
QString Folded(QStringView name) { return name.toString().toCaseFolded(); }

}  // namespace

// The file parsed once, with every section and key it holds, so that reading
// many keys looks at the file once. The first section of a name and the
// first key of a name in it count, as Find says.
struct TProfile::Parsed {
    struct Section {
        qsizetype header = -1, end = -1;  // its header line, and the next section's
        // By folded name: the key's line; made when the section is first read,
        // so the sections the program never reads cost no more than their lines.
        mutable std::optional<std::unordered_map<QString, qsizetype>> keys;
    };
    Lines file;
    std::unordered_map<QString, Section> sections;  // by folded name
    // What the file was when it was read (ignored for the pending bytes of an update).
    struct stat stamp{};
    bool exists = false;
    bool pending = false;

    explicit Parsed(std::string_view bytes) : file(Parse(bytes)) {
        Section* current = nullptr;
        for (qsizetype i = 0; i < file.lines.size(); ++i) {
            const QString& line = file.lines[i];
            // Only a line whose first non-blank character is "[" can be a header.
            qsizetype first = 0;
            while (first < line.size() && line[first].isSpace()) ++first;
            if (first == line.size() || line[first] != u'[') continue;
            const auto name = SectionOf(line);
            if (current) current->end = i;
            const auto [it, added] = sections.try_emplace(Folded(*name));
            current = added ? &it->second : nullptr;
            if (current) current->header = i;
        }
        if (current) current->end = file.lines.size();
    }

    const QString* Line(const QString& section, const QString& key) const {
        const auto s = sections.find(section.toCaseFolded());
        if (s == sections.end()) return nullptr;
        const Section& sec = s->second;
        if (!sec.keys) {
            sec.keys.emplace();
            for (qsizetype i = sec.header + 1; i < sec.end; ++i)
                if (const auto k = KeyOf(file.lines[i])) sec.keys->try_emplace(Folded(*k), i);
        }
        const auto k = sec.keys->find(key.toCaseFolded());
        return k == sec.keys->end() ? nullptr : &file.lines[k->second];
    }
};

namespace {

// A value as read: blanks around it dropped, and one pair of matching quotes
// around it taken off, so a value written with quotes reads back exactly.
QString Unquote(QStringView raw) {
    QStringView v = raw.trimmed();
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v.toString();
}

// A value as written. Blanks at its ends or enclosing quotes would be lost on
// reading, so such a value is written in double quotes. A line break would end
// the line and break the file; it is written as a blank.
QString Quote(const QString& value) {
    QString v = value;
    v.replace(QLatin1String("\r\n"), QLatin1String(" "));
    v.replace(u'\r', u' ');
    v.replace(u'\n', u' ');
    const bool blankEnds = !v.isEmpty() && (v.front().isSpace() || v.back().isSpace());
    const bool quoted = v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front();
    return blankEnds || quoted ? u'"' + v + u'"' : v;
}

// The value cut to the longest prefix of whole characters whose CP932 form fits.
QString CutToByteLimit(const QString& value) {
    int bytes = 0;
    for (qsizetype i = 0; i < value.size();) {
        char32_t cp = value[i].unicode();
        qsizetype step = 1;
        if (QChar::isHighSurrogate(cp) && i + 1 < value.size() && value[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(value[i], value[i + 1]);
            step = 2;
        }
        const bool escaped = cp >= kEscapedByteBase && cp <= kEscapedByteBase + 0xFF;
        const int code = escaped ? 0 : cp932::Encode(cp);
        const int width = code > 0xFF ? 2 : 1;
        if (bytes + width > kMaxProfileStringBytes) return value.left(i);
        bytes += width;
        i += step;
    }
    return value;
}

QString ValueOfLine(const QString& line) {
    return CutToByteLimit(Unquote(QStringView(line).mid(line.indexOf(u'=') + 1)));
}

[[noreturn]] void FailWrite(const QString& fileName, int error) {
    throw EProfileError(fileName, error);
}

// Makes the folder of a new settings file (owner only, as it holds a password).
void MakeFolder(const QString& fileName) {
    const QString folder = QFileInfo(fileName).absolutePath();
    if (QFileInfo(folder).isDir()) return;
    QStringList missing;
    for (QString f = folder; !f.isEmpty() && !QFileInfo(f).exists(); f = QFileInfo(f).absolutePath()) {
        missing.prepend(f);
        if (f == QFileInfo(f).absolutePath()) break;
    }
    for (const QString& f : missing) {
        if (::mkdir(QFile::encodeName(f).constData(), 0700) != 0 && errno != EEXIST) FailWrite(fileName, errno);
    }
}

void Store(const QString& fileName, const std::string& bytes) {
    const QByteArray path = QFile::encodeName(fileName);
    MakeFolder(fileName);
    // The rename of an atomic save would replace a file the user made read-only
    // as easily as any other; such a file stays as it is.
    struct stat st{};
    const bool exists = ::stat(path.constData(), &st) == 0;
    // The write bits are looked at too, since access() grants everything to root.
    if (exists && ::access(path.constData(), W_OK) != 0) FailWrite(fileName, errno);
    if (exists && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0) FailWrite(fileName, EACCES);
    // It holds the proxy password: a file others could read (made by another
    // program, or copied) is narrowed to its owner before anything is written.
    if (exists && S_ISREG(st.st_mode) && (st.st_mode & 077) != 0 && ::chmod(path.constData(), st.st_mode & 07700) != 0)
        FailWrite(fileName, errno);
    bool created = false;
    if (!exists) {
        // Created empty with owner-only permissions first; the atomic write keeps
        // the permissions of the file it replaces.
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) FailWrite(fileName, errno);
        ::close(fd);
        created = true;
    }
    try {
        WriteFileAtomically(path.toStdString(), bytes);
    } catch (const EFileError& e) {
        if (created) ::unlink(path.constData());
        throw EProfileError(fileName, e.Error);
    }
}

QString ConfigFolder() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/verdane");
}

// The executable's path with its extension (if any) replaced by `extension`.
QString BesideExecutable(const QString& executablePath, const QString& extension) {
    const QFileInfo info(executablePath);
    const QString suffix = info.suffix();
    QString base = info.absoluteFilePath();
    if (!suffix.isEmpty()) base.chop(suffix.size() + 1);
    return base + extension;
}

}  // namespace

EProfileError::EProfileError(const QString& fileName, int error)
    : std::runtime_error("cannot write " + fileName.toStdString() + ": " + std::strerror(error)),
      fileName_(fileName),
      error_(error) {}

std::optional<std::int32_t> ParseInteger(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ') ++i;
    QStringView rest = text.mid(i);
    if (rest.startsWith(u'$')) return ParseHex(rest.mid(1));
    if (rest.startsWith(u'x') || rest.startsWith(u'X')) return ParseHex(rest.mid(1));
    if (rest.size() > 2 && rest[0] == u'0' && (rest[1] == u'x' || rest[1] == u'X')) return ParseHex(rest.mid(2));
    bool negative = false;
    if (rest.startsWith(u'+') || rest.startsWith(u'-')) {
        negative = rest[0] == u'-';
        rest = rest.mid(1);
    }
    if (rest.isEmpty()) return std::nullopt;
    std::int64_t value = 0;
    for (QChar c : rest) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
        if (value > 0x80000000ll) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > 0x7FFFFFFFll) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

QString DecodeSettingsText(std::string_view bytes) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (utf8.hasError()) return BytesToEditor(bytes);
    JoinCrLf(text, true);
    return text;
}

QString SettingsFilePath(const QString& executablePath) {
    const QString portable = BesideExecutable(executablePath, QStringLiteral(".INI"));
    if (QFileInfo::exists(portable)) return portable;
    return ConfigFolder() + QStringLiteral("/verdane.INI");
}

QString DatePatternFilePath(const QString& executablePath) {
    const QString portable = BesideExecutable(executablePath, QStringLiteral(".DFF"));
    if (QFileInfo::exists(portable)) return portable;
    return ConfigFolder() + QStringLiteral("/verdane.DFF");
}

std::optional<QString> ProfileValue(std::string_view fileBytes, const QString& section, const QString& key) {
    const Lines file = Parse(fileBytes);
    const Place place = Find(file.lines, section, key);
    if (place.key < 0) return std::nullopt;
    return ValueOfLine(file.lines[place.key]);
}

std::vector<std::pair<QString, QString>> ProfileSection(std::string_view fileBytes, const QString& section) {
    const Lines file = Parse(fileBytes);
    const Place place = Find(file.lines, section, QString());
    std::vector<std::pair<QString, QString>> out;
    if (place.section < 0) return out;
    for (qsizetype i = place.section + 1; i < file.lines.size() && !SectionOf(file.lines[i]); ++i) {
        if (const auto key = KeyOf(file.lines[i])) out.emplace_back(key->toString(), ValueOfLine(file.lines[i]));
    }
    return out;
}

std::optional<std::int32_t> ParseProfileInteger(QStringView text) {
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) return ParseHex(text.mid(2));
    return ParseInteger(text);
}

std::string ProfileWithValue(std::string_view fileBytes, const QString& section, const QString& key,
                             const QString& value) {
    Lines file = Parse(fileBytes);
    const Place place = Find(file.lines, section, key);
    const QString line = key + u'=' + Quote(value);
    if (place.key >= 0) {
        file.lines[place.key] = line;
    } else if (place.section >= 0) {
        file.lines.insert(place.insertAt, line);
    } else {
        file.lines << u'[' + section + u']' << line;
    }
    const QString eol = file.crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString text;
    for (const QString& l : file.lines) text += l + eol;
    return text.toStdString();
}

TProfile::TProfile(QString fileName) : fileName_(std::move(fileName)) {}

bool TProfile::Exists() const { return QFileInfo::exists(fileName_); }

namespace {

// Whether `a` and `b` describe the same file, unchanged.
bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

}  // namespace

const TProfile::Parsed& TProfile::Current() const {
    if (pending_) {
        if (!parsed_ || !parsed_->pending) {
            parsed_ = std::make_shared<Parsed>(*pending_);
            parsed_->pending = true;
        }
        return *parsed_;
    }
    // The file is looked at for every value, so several objects on one file
    // agree; it is read and parsed again only when it changed.
    struct stat now{};
    const bool exists = ::stat(QFile::encodeName(fileName_).constData(), &now) == 0;
    if (parsed_ && !parsed_->pending && parsed_->exists == exists && (!exists || SameFile(parsed_->stamp, now)))
        return *parsed_;
    parsed_ = std::make_shared<Parsed>(ReadBytes(fileName_));
    parsed_->exists = exists;
    parsed_->stamp = now;
    return *parsed_;
}

QString TProfile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const {
    const QString* line = Current().Line(section, key);
    return line ? ValueOfLine(*line) : defaultValue;
}

std::int32_t TProfile::ReadInteger(const QString& section, const QString& key, std::int32_t defaultValue) const {
    return ParseProfileInteger(ReadString(section, key, QString())).value_or(defaultValue);
}

bool TProfile::ReadBool(const QString& section, const QString& key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool TProfile::ValueExists(const QString& section, const QString& key) const {
    return Current().Line(section, key) != nullptr;
}

void TProfile::WriteString(const QString& section, const QString& key, const QString& value) {
    std::string bytes = ProfileWithValue(Bytes(), section, key, value);
    parsed_.reset();
    if (pending_) pending_ = std::move(bytes);
    else Store(fileName_, bytes);
}

std::vector<std::pair<QString, QString>> TProfile::ReadSection(const QString& section) const {
    const Parsed& parsed = Current();
    std::vector<std::pair<QString, QString>> out;
    const auto s = parsed.sections.find(section.toCaseFolded());
    if (s == parsed.sections.end()) return out;
    const QStringList& lines = parsed.file.lines;
    for (qsizetype i = s->second.header + 1; i < s->second.end; ++i) {
        if (const auto key = KeyOf(lines[i])) out.emplace_back(key->toString(), ValueOfLine(lines[i]));
    }
    return out;
}

std::string TProfile::Bytes() const { return pending_ ? *pending_ : ReadBytes(fileName_); }

void TProfile::BeginUpdate() {
    if (!pending_) pending_ = ReadBytes(fileName_);
}

void TProfile::EndUpdate() {
    if (!pending_) return;
    const std::string bytes = std::move(*pending_);
    pending_.reset();
    parsed_.reset();
    Store(fileName_, bytes);
}

void TProfile::WriteInteger(const QString& section, const QString& key, std::int32_t value) {
    WriteString(section, key, QString::number(value));
}

void TProfile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

}  // namespace verdane::platform
