// RecoveryKeeper: while the window's text has unsaved edits, a snapshot of it
// and its document is kept in the recovery folder, so a crash, a kill or a
// power cut loses nothing. The window makes one and forgets it; the start's
// offer (RecoveryDialog) hands it a snapshot to restore.
//
// A snapshot is written a moment after typing pauses and at most 10 s after
// the first edit it holds. The window's thread only copies the characters,
// a slice per turn of its event loop, so even a text of 50 MB never holds up
// the typing; an edit inside what was already copied is applied to the copy.
// Encoding and writing run on a thread of their own, one write at a time.
// Saving, or the text becoming unmodified otherwise (the save question
// answered No and another text opened), removes the snapshot, as does closing
// the window: it closes only after the save question. A write that fails is
// said once on the window's status bar.
#pragma once

#include "RecoverySnapshot.h"
#include "TextFill.h"

#include <QObject>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>

#include <utility>

namespace verdane {

class DocumentSession;

class RecoveryKeeper : public QObject {
    Q_OBJECT
public:
    // Pauses in typing this long (ms) write a snapshot; so does this long
    // after the first edit a snapshot lacks, however the typing goes on.
    static constexpr int kQuietMs = 1500;
    static constexpr int kLongestMs = 10000;

    RecoveryKeeper(DocumentSession& session, QObject* parent, const QString& folder = RecoveryFolder());
    // Waits for a write under way, then removes the window's snapshot.
    ~RecoveryKeeper() override;

    // The window's snapshot file.
    const QString& SnapshotFile() const { return file_; }

    // Characters copied per turn of the event loop. A text up to kAtOnce
    // characters is copied in one turn: one copy of the whole text is several
    // times cheaper than slices, and this short it takes about as long as one.
    static constexpr int kSlice = 128 * 1024;
    static constexpr int kAtOnce = 512 * 1024;

    // Takes the snapshot now: the copy starts here and goes on in the next
    // turns; the writing is queued once it is complete.
    void SnapshotNow();
    // Whether a snapshot is being copied or written.
    bool Busy() const;
    // Runs the event loop until every copy, write and removal is done (tests, benchmarks).
    void WaitForWrites();

    // The window takes the text and document of `snapshot` (read with its
    // text): the text is modified, the caret where it was, and its snapshot
    // becomes this window's own (the old file goes once the new one is
    // written). `fill` gives the turns, progress and cancel of a long text;
    // a cancelled restore leaves a new empty text and the snapshot as it was,
    // and gives false.
    bool Restore(const RecoverySnapshot& snapshot, const TextFillOptions& fill = {});

private:
    void Edited();
    void CopySlice(int generation);
    void ContentsChange(int position, int removed, int added);
    // The piece and offset in it of the copy's character `position`.
    std::pair<qsizetype, int> PieceAt(int position) const;
    void ModificationChanged(bool modified);
    void Discard();
    void WriteDone(bool ok, const QString& problem, const QString& detail);

    DocumentSession& session_;
    QString folder_;
    RecoveryOwner owner_;
    QString file_;
    // A snapshot this window restored: removed once its own is written.
    QString inherited_;
    QTimer quiet_;
    QTimer longest_;
    QThreadPool writer_;
    // The copy under way: its pieces (the characters before `copied_`).
    bool copying_ = false;
    int generation_ = 0;
    QStringList pieces_;
    int copied_ = 0;
    bool writing_ = false;
    bool again_ = false;
    QString lastProblem_;
};

}  // namespace verdane
