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
#pragma once

#include "Document.h"

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
    // The text's length in characters (the UTF-8 bytes decoded).
    qint64 characters = 0;
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
// Makes the folder (and those above it that are missing) readable by its owner
// only; false with `problem` set when it cannot.
bool MakeRecoveryFolder(const QString& folder, QString& problem);
// The snapshot file of the window with id `id` in `folder`.
QString SnapshotPath(const QString& folder, const QString& id);

// The header of a snapshot (up to and with the empty line before the text)
// that says what `about` says besides its text, whose length is `textBytes`.
std::string SnapshotHeader(const RecoverySnapshot& about, std::size_t textBytes);
// Reads the snapshot at `path`; with `withText` its text is kept in `text`.
RecoverySnapshot ReadSnapshot(const QString& path, bool withText);
// The snapshot that the file content `bytes` holds (`file` left empty).
RecoverySnapshot ParseSnapshot(std::string bytes, bool withText);
// Every snapshot in `folder` whose owner is no longer running, oldest first;
// temporary files left by a write that was cut off are removed.
std::vector<RecoverySnapshot> OrphanedSnapshots(const QString& folder);

}  // namespace verdane
