// The snapshot of an unsaved text that the window keeps while the text has
// edits, so a crash, a kill or a power cut loses nothing: its file format, the
// folder the snapshots live in, and which of them belong to no running window.
// The window's RecoveryKeeper writes them; the start's offer reads them.
//
// A snapshot is a small header of "key: value" lines after the line
// "VerdaneRecovery <version>", an empty line, then the text as UTF-8 (line
// breaks as LF). Reading never trusts the file: a header that is not ours, a
// missing field, a text shorter or longer than the header says, or bytes that
// are not UTF-8 make it Damaged; a version above ours makes it Newer and it is
// left as it is for the program that wrote it.
//
// The folder is the user's own (see OwnFolder): made and opened without
// following links, refused when it is a link or another user's. Only the
// user's own regular files of mode 0600 in it are read as snapshots.
#pragma once

#include "Document.h"
#include "OwnFolder.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>
#include <vector>

namespace verdane {

inline constexpr int kRecoveryVersion = 1;

// Who wrote a snapshot: a window of one running process. The process's start
// time (since boot) and the boot's id tell a live owner from a later process
// that happens to have the same id.
struct RecoveryOwner {
    qint64 pid = 0;
    quint64 start = 0;
    QString boot;
    // The window's own id, unique among every window that ever ran.
    QString id;
};

// A bookmark of a text read from a DOC database: its place (an editor
// position) and its name as the database holds it (Shift-JIS).
struct RecoveryBookmark {
    int position = 0;
    std::string name;
    friend bool operator==(const RecoveryBookmark&, const RecoveryBookmark&) = default;
};

struct RecoverySnapshot {
    enum class State { Good, Damaged, Newer };
    State state = State::Damaged;
    // Why a Damaged snapshot is, in Japanese.
    QString problem;
    QString file;
    RecoveryOwner owner;
    QDateTime saved;
    core::Document document;
    // A UTF-8 text file that began with a byte-order mark: saved with one again.
    bool byteOrderMark = false;
    int caret = 0;
    std::vector<RecoveryBookmark> bookmarks;
    // The text's length in bytes, as its header says and its file confirms.
    qint64 bytes = 0;
    // The text's length in characters (the UTF-8 bytes decoded); -1 when only
    // the header was read.
    qint64 characters = -1;
    // The text as UTF-8 with LF line breaks (only when read with the text).
    std::string text;
};

// This process as the owner of a window's snapshots, with a fresh id.
RecoveryOwner ThisProcessOwner();
// Whether `owner`'s process is still running: the same boot, a process of
// that id, started at the same time.
bool OwnerAlive(const RecoveryOwner& owner);

// $XDG_STATE_HOME/verdane/recovery (default ~/.local/state/verdane/recovery).
QString RecoveryFolder();
// Makes and opens `folder` as the user's own: its last two parts (the
// program's state folder and the recovery folder in it) are made for the user
// only and must not be links or another user's. Throws platform::EFileError.
platform::OwnFolder OpenRecoveryFolder(const QString& folder);
// The snapshot file of the window with id `id` in `folder`.
QString SnapshotPath(const QString& folder, const QString& id);
// Removes the snapshot file `path` from its recovery folder `folder` (never
// through a link); nothing when the folder is not the user's own.
void RemoveSnapshot(const QString& folder, const QString& path);

// The header of a snapshot (up to and with the empty line before the text)
// that says what `about` says besides its text, whose length is `textBytes`.
std::string SnapshotHeader(const RecoverySnapshot& about, std::size_t textBytes);
// Reads the snapshot `name` in the recovery folder `folder`, when it is the
// user's own regular file of mode 0600 (otherwise it is Damaged with the
// reason). With `withText` its text is read and checked and kept in `text`;
// without, only its header is read and the file's size checked against it.
RecoverySnapshot ReadSnapshot(const platform::OwnFolder& folder, const QString& name, bool withText);
// The snapshot that the file content `bytes` holds (`file` left empty).
RecoverySnapshot ParseSnapshot(std::string bytes, bool withText);
// The snapshot whose file, `fileSize` bytes long, starts with `head` (its
// first bytes, up to kMaxSnapshotHeader): what its header says, Good when the
// header is whole and the file as long as it says (the text is not read).
RecoverySnapshot ParseSnapshotHead(std::string_view head, qint64 fileSize);
inline constexpr std::size_t kMaxSnapshotHeader = 64 * 1024;
// Every snapshot in `folder` whose owner is no longer running, oldest first,
// each read up to its header; temporary files left by a write that was cut
// off are removed. Files that are not the user's own regular 0600 files are
// not read; a folder that is not the user's own offers nothing.
std::vector<RecoverySnapshot> OrphanedSnapshots(const QString& folder);

}  // namespace verdane
