#include "RecoverySnapshot.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <map>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

namespace verdane {

namespace {

constexpr std::string_view kMagic = "VerdaneRecovery ";
// A header is a few lines; anything longer is not one of ours.
constexpr qint64 kMaxHeader = 64 * 1024;
// The largest text the editor holds is 256 MB of Shift-JIS, at most 1.5 times
// that in UTF-8; a longer file is not a snapshot.
constexpr qint64 kMaxSnapshot = qint64(1) << 30;

QByteArray FirstLine(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readLine(4096).trimmed();
}

// The start time (field 22 of /proc/PID/stat) of a running process; 0 when
// there is none or it has ended and only waits to be reaped (a zombie).
struct ProcessStat {
    bool readable = false;
    bool ended = false;
    quint64 start = 0;
};
ProcessStat ReadProcessStat(qint64 pid) {
    // The name (field 2) may hold blanks and ")", so the fields are counted
    // from the last ")".
    const QByteArray stat = FirstLine(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0) return {};
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    if (fields.size() <= 19) return {};
    return {true, fields[0] == "Z" || fields[0] == "X", fields[19].toULongLong()};
}

QString BootId() { return QString::fromLatin1(FirstLine(QStringLiteral("/proc/sys/kernel/random/boot_id"))); }

// The number of characters of valid UTF-8 `text`, or -1 when it is not
// (a stray or missing continuation byte, an overlong form, a surrogate, a
// code point above U+10FFFF).
qint64 Utf8Characters(std::string_view text) {
    qint64 count = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        const unsigned char lead = *p;
        int more = 0;
        char32_t code = lead;
        if (lead < 0x80) {
            ++p;
            ++count;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1, code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2, code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3, code = lead & 0x07;
        } else {
            return -1;
        }
        if (end - p <= more) return -1;
        for (int i = 1; i <= more; ++i) {
            if ((p[i] & 0xC0) != 0x80) return -1;
            code = (code << 6) | (p[i] & 0x3F);
        }
        if ((more == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (more == 3 && (code < 0x10000 || code > 0x10FFFF)))
            return -1;
        p += more + 1;
        ++count;
    }
    return count;
}

bool ToNumber(const QByteArray& text, qint64& out) {
    bool ok = false;
    out = text.toLongLong(&ok);
    return ok;
}

}  // namespace

RecoveryOwner ThisProcessOwner() {
    RecoveryOwner owner;
    owner.pid = ::getpid();
    owner.start = ReadProcessStat(owner.pid).start;
    owner.boot = BootId();
    owner.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    return owner;
}

bool OwnerAlive(const RecoveryOwner& owner) {
    if (owner.pid <= 0) return false;
    const QString boot = BootId();
    if (!boot.isEmpty() && !owner.boot.isEmpty() && boot != owner.boot) return false;
    if (::kill(static_cast<pid_t>(owner.pid), 0) != 0 && errno == ESRCH) return false;
    // A process that ended and waits to be reaped is gone too; another
    // process that got the same id later started at another time.
    const ProcessStat stat = ReadProcessStat(owner.pid);
    if (!stat.readable) return true;
    return !stat.ended && (owner.start == 0 || stat.start == owner.start);
}

QString RecoveryFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // The base directory specification ignores a relative path.
    if (state.isEmpty() || QDir::isRelativePath(state)) state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/verdane/recovery");
}

bool MakeRecoveryFolder(const QString& folder, QString& problem) {
    // Each missing folder on the way is made for its owner only, as the base
    // directory specification asks of the state folder itself.
    const QByteArray path = QFile::encodeName(QDir::cleanPath(folder));
    for (qsizetype slash = path.indexOf('/', 1);; slash = path.indexOf('/', slash + 1)) {
        const QByteArray part = slash < 0 ? path : path.left(slash);
        if (::mkdir(part.constData(), 0700) != 0 && errno != EEXIST) {
            problem =
                QStringLiteral("%1 (%2)").arg(QString::fromLocal8Bit(std::strerror(errno)), QFile::decodeName(part));
            return false;
        }
        if (slash < 0) break;
    }
    struct stat info{};
    if (::stat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        problem = QStringLiteral("フォルダではありません (%1)").arg(folder);
        return false;
    }
    // The snapshots are the user's texts: nobody else may list or read them.
    if ((info.st_mode & 0777) != 0700 && ::chmod(path.constData(), 0700) != 0) {
        problem = QStringLiteral("%1 (%2)").arg(QString::fromLocal8Bit(std::strerror(errno)), folder);
        return false;
    }
    return true;
}

QString SnapshotPath(const QString& folder, const QString& id) {
    return folder + u'/' + id + QStringLiteral(".snapshot");
}

std::string SnapshotHeader(const RecoverySnapshot& about, std::size_t textBytes) {
    const RecoveryOwner& owner = about.owner;
    QByteArray out = QByteArray(kMagic.data(), kMagic.size()) + QByteArray::number(kRecoveryVersion) + '\n';
    auto line = [&out](const char* key, const QByteArray& value) { out += key + QByteArray(": ") + value + '\n'; };
    line("id", owner.id.toLatin1().toPercentEncoding());
    line("pid", QByteArray::number(owner.pid));
    line("start", QByteArray::number(owner.start));
    line("boot", owner.boot.toLatin1().toPercentEncoding());
    line("saved", about.saved.toUTC().toString(Qt::ISODateWithMs).toLatin1());
    // The document keeps its own record (its path percent-encoded).
    for (const auto& [key, value] : about.document.Record()) line(key.constData(), value);
    line("caret", QByteArray::number(about.caret));
    // Each bookmark as "position:name in hex", separated by blanks.
    QByteArray marks;
    for (const RecoveryBookmark& mark : about.bookmarks)
        marks += (marks.isEmpty() ? "" : " ") + QByteArray::number(mark.position) + ':' +
                 QByteArray::fromStdString(mark.name).toHex();
    line("marks", marks);
    line("bytes", QByteArray::number(qulonglong(textBytes)));
    out += '\n';
    return out.toStdString();
}

RecoverySnapshot ReadSnapshot(const QString& path, bool withText) {
    RecoverySnapshot snapshot;
    QFile file(path);
    std::string bytes;
    if (!file.open(QIODevice::ReadOnly)) {
        snapshot.problem = QStringLiteral("読めません (%1)").arg(file.errorString());
    } else if (file.size() > kMaxSnapshot) {
        snapshot.problem = QStringLiteral("控えとしては大きすぎます");
    } else {
        bytes.resize(std::size_t(file.size()));
        if (file.read(bytes.data(), file.size()) != file.size())
            snapshot.problem = QStringLiteral("読めません (%1)").arg(file.errorString());
    }
    if (snapshot.problem.isEmpty()) snapshot = ParseSnapshot(std::move(bytes), withText);
    snapshot.file = path;
    return snapshot;
}

RecoverySnapshot ParseSnapshot(std::string bytes, bool withText) {
    RecoverySnapshot snapshot;
    auto damaged = [&snapshot](const QString& why) {
        snapshot.state = RecoverySnapshot::State::Damaged;
        snapshot.problem = why;
        snapshot.text.clear();
        return snapshot;
    };
    const QByteArray head =
        QByteArray::fromRawData(bytes.data(), qsizetype(std::min<std::size_t>(bytes.size(), kMaxHeader)));
    const qsizetype firstEnd = head.indexOf('\n');
    const QByteArray first = head.left(firstEnd);
    if (firstEnd < 0 || !first.startsWith(QByteArray(kMagic.data(), kMagic.size())))
        return damaged(QStringLiteral("Verdane の控えの形式ではありません"));
    bool versionOk = false;
    const int version = first.mid(qsizetype(kMagic.size())).toInt(&versionOk);
    if (!versionOk || version < 1) return damaged(QStringLiteral("形式の版がわかりません"));
    const qsizetype headerEnd = head.indexOf("\n\n");
    std::map<QByteArray, QByteArray> fields;
    const QByteArray lines = head.mid(firstEnd + 1, headerEnd < 0 ? -1 : headerEnd - firstEnd);
    for (const QByteArray& line : lines.split('\n')) {
        const qsizetype colon = line.indexOf(": ");
        if (colon > 0) fields[line.left(colon)] = line.mid(colon + 2);
    }
    // What the header says, as far as it says it: a newer or damaged snapshot
    // is still shown by its name and time.
    qint64 number = 0;
    snapshot.owner.id = QString::fromLatin1(QByteArray::fromPercentEncoding(fields["id"]));
    if (ToNumber(fields["pid"], number)) snapshot.owner.pid = number;
    snapshot.owner.start = fields["start"].toULongLong();
    snapshot.owner.boot = QString::fromLatin1(QByteArray::fromPercentEncoding(fields["boot"]));
    snapshot.saved = QDateTime::fromString(QString::fromLatin1(fields["saved"]), Qt::ISODateWithMs);
    snapshot.document = core::Document::FromRecord(fields);
    snapshot.byteOrderMark = fields["bom"] == "1";
    if (ToNumber(fields["caret"], number)) snapshot.caret = int(std::clamp<qint64>(number, 0, INT32_MAX));
    for (const QByteArray& mark : fields["marks"].split(' ')) {
        const qsizetype colon = mark.indexOf(':');
        if (colon > 0 && ToNumber(mark.left(colon), number))
            snapshot.bookmarks.push_back({int(std::clamp<qint64>(number, 0, INT32_MAX)),
                                          QByteArray::fromHex(mark.mid(colon + 1)).toStdString()});
    }

    if (version > kRecoveryVersion) {
        // Written by a later Verdane: only that one knows how to read it.
        snapshot.state = RecoverySnapshot::State::Newer;
        snapshot.problem = QStringLiteral("新しい版の Verdane の控えです");
        return snapshot;
    }
    if (headerEnd < 0) return damaged(QStringLiteral("見出しが壊れています"));
    qint64 length = 0;
    if (snapshot.owner.id.isEmpty() || snapshot.owner.pid <= 0 || !ToNumber(fields["bytes"], length) || length < 0 ||
        !fields.count("kind"))
        return damaged(QStringLiteral("見出しに欠けている項目があります"));
    const qint64 textStart = headerEnd + 2;
    if (qint64(bytes.size()) - textStart != length)
        return damaged(QStringLiteral("本文の長さが見出しと合いません (%1 バイトのはずが %2 バイト)")
                           .arg(length)
                           .arg(qint64(bytes.size()) - textStart));
    bytes.erase(0, std::size_t(textStart));
    snapshot.text = std::move(bytes);
    snapshot.characters = Utf8Characters(snapshot.text);
    if (snapshot.characters < 0) return damaged(QStringLiteral("本文が UTF-8 ではありません"));
    snapshot.state = RecoverySnapshot::State::Good;
    if (!withText) std::string().swap(snapshot.text);
    return snapshot;
}

std::vector<RecoverySnapshot> OrphanedSnapshots(const QString& folder) {
    std::vector<RecoverySnapshot> found;
    const QDir dir(folder);
    // A write cut off by a kill leaves its temporary file (".verdane-..."); one
    // that old is no write still running.
    const QDateTime stale = QDateTime::currentDateTimeUtc().addSecs(-3600);
    for (const QFileInfo& info : dir.entryInfoList({QStringLiteral(".verdane-*")}, QDir::Files | QDir::Hidden))
        if (info.lastModified().toUTC() < stale) QFile::remove(info.filePath());
    for (const QFileInfo& info : dir.entryInfoList({QStringLiteral("*.snapshot")}, QDir::Files)) {
        RecoverySnapshot snapshot = ReadSnapshot(info.filePath(), false);
        if (snapshot.owner.pid > 0 && OwnerAlive(snapshot.owner)) continue;
        if (!snapshot.saved.isValid()) snapshot.saved = info.lastModified();
        found.push_back(std::move(snapshot));
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const RecoverySnapshot& a, const RecoverySnapshot& b) { return a.saved < b.saved; });
    return found;
}

}  // namespace verdane
