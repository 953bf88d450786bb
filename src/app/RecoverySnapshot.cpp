#include "RecoverySnapshot.h"

#include "FileIo.h"

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

#include <ctime>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace verdane {

namespace {

constexpr std::string_view kMagic = "VerdaneRecovery ";
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

platform::OwnFolder OpenRecoveryFolder(const QString& folder) {
    // The state folder's own part and the recovery folder in it are the
    // program's; what lies above is the user's location, taken as it is.
    const QStringList parts = QDir::cleanPath(folder).split(u'/');
    if (parts.size() < 4 || parts[parts.size() - 1].isEmpty() || parts[parts.size() - 2].isEmpty())
        throw platform::EFileError(platform::FileOp::CreateFolder, folder.toStdString(), EINVAL,
                                   "cannot use the folder " + folder.toStdString());
    const std::string base = QFile::encodeName(parts.mid(0, parts.size() - 2).join(u'/')).toStdString();
    const std::string own[] = {QFile::encodeName(parts[parts.size() - 2]).toStdString(),
                               QFile::encodeName(parts.back()).toStdString()};
    return platform::OwnFolder::Open(base, own);
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

void RemoveSnapshot(const QString& folder, const QString& path) {
    // Nothing to remove: the folder is not made just to find that out.
    if (!QFileInfo(path).isSymLink() && !QFileInfo::exists(path)) return;
    try {
        OpenRecoveryFolder(folder).Remove(QFile::encodeName(QFileInfo(path).fileName()).toStdString());
    } catch (const platform::EFileError&) {
        // Not the user's folder: nothing of ours is in it.
    }
}

RecoverySnapshot ReadSnapshot(const platform::OwnFolder& folder, const QString& name, bool withText) {
    RecoverySnapshot snapshot;
    const QString path = QFile::decodeName(QByteArray::fromStdString(folder.Path())) + u'/' + name;
    // Only the user's own snapshots: never a link, a FIFO or a file someone
    // else could have put or read there.
    const std::optional<platform::OwnFolder::File> file = folder.OpenFile(QFile::encodeName(name).toStdString(), 0600);
    if (!file) {
        snapshot.problem = QStringLiteral("自分だけが読み書きできる通常のファイルではありません");
    } else if (file->info.st_size > kMaxSnapshot) {
        ::close(file->fd);
        snapshot.problem = QStringLiteral("控えとしては大きすぎます");
    } else if (withText) {
        try {
            snapshot = ParseSnapshot(platform::ReadWholeFile(file->fd, path.toStdString()), true);
        } catch (const platform::EFileError& e) {
            snapshot.problem = QStringLiteral("読めません (%1)").arg(QString::fromUtf8(e.what()));
        }
    } else {
        // The header alone: a text of a gigabyte is not read to show its size.
        std::string head(kMaxSnapshotHeader, '\0');
        std::size_t got = 0;
        while (got < head.size()) {
            const ssize_t n = ::pread(file->fd, head.data() + got, head.size() - got, off_t(got));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += std::size_t(n);
        }
        head.resize(got);
        ::close(file->fd);
        snapshot = ParseSnapshotHead(head, file->info.st_size);
    }
    if (snapshot.state == RecoverySnapshot::State::Damaged && snapshot.problem.isEmpty())
        snapshot.problem = QStringLiteral("読めません");
    snapshot.file = path;
    return snapshot;
}

RecoverySnapshot ParseSnapshot(std::string bytes, bool withText) {
    RecoverySnapshot snapshot = ParseSnapshotHead(bytes, qint64(bytes.size()));
    if (snapshot.state != RecoverySnapshot::State::Good) return snapshot;
    bytes.erase(0, bytes.size() - std::size_t(snapshot.bytes));
    snapshot.text = std::move(bytes);
    snapshot.characters = Utf8Characters(snapshot.text);
    if (snapshot.characters < 0) {
        snapshot.state = RecoverySnapshot::State::Damaged;
        snapshot.problem = QStringLiteral("本文が UTF-8 ではありません");
        std::string().swap(snapshot.text);
    }
    if (!withText) std::string().swap(snapshot.text);
    return snapshot;
}

RecoverySnapshot ParseSnapshotHead(std::string_view bytes, qint64 fileSize) {
    RecoverySnapshot snapshot;
    auto damaged = [&snapshot](const QString& why) {
        snapshot.state = RecoverySnapshot::State::Damaged;
        snapshot.problem = why;
        return snapshot;
    };
    const QByteArray head =
        QByteArray::fromRawData(bytes.data(), qsizetype(std::min<std::size_t>(bytes.size(), kMaxSnapshotHeader)));
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
    if (fileSize - textStart != length)
        return damaged(QStringLiteral("本文の長さが見出しと合いません (%1 バイトのはずが %2 バイト)")
                           .arg(length)
                           .arg(fileSize - textStart));
    snapshot.bytes = length;
    snapshot.state = RecoverySnapshot::State::Good;
    return snapshot;
}

std::vector<RecoverySnapshot> OrphanedSnapshots(const QString& folder) {
    std::vector<RecoverySnapshot> found;
    std::optional<platform::OwnFolder> dir;
    try {
        dir.emplace(OpenRecoveryFolder(folder));
    } catch (const platform::EFileError&) {
        // Not the user's own folder: nothing in it is offered (the window's
        // keeper says why when it tries to write there).
        return found;
    }
    // A write cut off by a kill leaves its temporary file (".verdane-..."); one
    // that old is no write still running.
    const std::time_t stale = std::time(nullptr) - 3600;
    for (const std::string& name : dir->Names()) {
        struct stat info{};
        if (::fstatat(dir->Fd(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (name.starts_with(".verdane-")) {
            if (info.st_mtime < stale) dir->Remove(name);
            continue;
        }
        if (!name.ends_with(".snapshot")) continue;
        // Another user's file, a link or a file others may read is not ours to offer.
        const std::optional<platform::OwnFolder::File> own = dir->OpenFile(name, 0600);
        if (!own) continue;
        ::close(own->fd);
        RecoverySnapshot snapshot = ReadSnapshot(*dir, QFile::decodeName(QByteArray::fromStdString(name)), false);
        if (snapshot.owner.pid > 0 && OwnerAlive(snapshot.owner)) continue;
        if (!snapshot.saved.isValid()) snapshot.saved = QDateTime::fromSecsSinceEpoch(info.st_mtime);
        found.push_back(std::move(snapshot));
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const RecoverySnapshot& a, const RecoverySnapshot& b) { return a.saved < b.saved; });
    return found;
}

}  // namespace verdane
