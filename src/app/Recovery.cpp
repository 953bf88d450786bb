#include "Recovery.h"

#include "DocumentSession.h"
#include "EditorCodec.h"
#include "FailureJapanese.h"
#include "FailureOf.h"
#include "FileIo.h"
#include "KanjiCode.h"
#include "Open.h"
#include "TextBookmarks.h"
#include "TextFill.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStatusBar>
#include <QStringEncoder>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <span>
#include <string_view>
#include <tuple>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace verdane {

namespace {

// The text as the snapshot holds it: UTF-8 with LF between the lines (the
// editor separates its lines with U+2029). The pieces go as they are encoded;
// the encoder keeps a character whose halves fell into two pieces whole.
QByteArray SnapshotText(QStringList pieces) {
    QStringEncoder encoder(QStringEncoder::Utf8);
    QByteArray out;
    for (QString& piece : pieces) {
        for (QChar& c : piece)
            if (c == QChar::ParagraphSeparator) c = u'\n';
        out += encoder.encode(piece);
        piece = QString();
    }
    return out;
}

// The bookmarks with their places as byte offsets in `utf8`, the text whose
// editor positions they hold, found in one pass over it.
std::vector<DocBookmark> AtBytes(const std::vector<RecoveryBookmark>& marks, const std::string& utf8) {
    std::vector<std::size_t> order(marks.size());
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
    std::sort(order.begin(), order.end(), [&marks](auto a, auto b) { return marks[a].position < marks[b].position; });
    std::vector<DocBookmark> out(marks.size());
    std::size_t at = 0;
    qint64 position = 0;
    for (const std::size_t k : order) {
        // A character of four bytes is two UTF-16 positions; the others one.
        while (at < utf8.size() && position < marks[k].position) {
            const auto lead = static_cast<unsigned char>(utf8[at]);
            // A CR LF is one line break, as the editor holds it.
            const bool crLf = lead == '\r' && at + 1 < utf8.size() && utf8[at + 1] == '\n';
            const std::size_t length = crLf ? 2 : lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            position += length == 4 ? 2 : 1;
            at = std::min(utf8.size(), at + length);
        }
        out[k] = {marks[k].name, static_cast<std::uint32_t>(at)};
    }
    return out;
}

}  // namespace

RecoveryKeeper::RecoveryKeeper(DocumentSession& session, QObject* parent, const QString& folder)
    : QObject(parent), session_(session), folder_(folder), owner_(ThisProcessOwner()),
      file_(SnapshotPath(folder, owner_.id)) {
    setObjectName(QStringLiteral("Recovery"));
    writer_.setMaxThreadCount(1);
    quiet_.setSingleShot(true);
    quiet_.setInterval(kQuietMs);
    longest_.setSingleShot(true);
    longest_.setInterval(kLongestMs);
    connect(&quiet_, &QTimer::timeout, this, &RecoveryKeeper::SnapshotNow);
    connect(&longest_, &QTimer::timeout, this, &RecoveryKeeper::SnapshotNow);
    QTextDocument* document = session_.Editor().document();
    connect(document, &QTextDocument::contentsChanged, this, &RecoveryKeeper::Edited);
    connect(document, &QTextDocument::modificationChanged, this, &RecoveryKeeper::ModificationChanged);
    connect(document, &QTextDocument::contentsChange, this, &RecoveryKeeper::ContentsChange);
    connect(&session_, &DocumentSession::DocumentChanged, this, &RecoveryKeeper::Edited);
}

RecoveryKeeper::~RecoveryKeeper() {
    // The window goes only once the save question was answered: what it held
    // was saved or given up.
    writer_.clear();
    writer_.waitForDone();
    RemoveSnapshot(folder_, file_);
    if (!inherited_.isEmpty()) RemoveSnapshot(folder_, inherited_);
}

void RecoveryKeeper::Edited() {
    if (!session_.Modified()) return;
    quiet_.start();
    if (!longest_.isActive()) longest_.start();
}

void RecoveryKeeper::ModificationChanged(bool modified) {
    if (modified)
        Edited();
    else
        Discard();
}

void RecoveryKeeper::Discard() {
    quiet_.stop();
    longest_.stop();
    again_ = false;
    copying_ = false;
    pieces_.clear();
    // After any write still queued, so nothing writes the snapshot again.
    const QString folder = folder_, file = file_;
    writer_.start([folder, file] { RemoveSnapshot(folder, file); });
}

void RecoveryKeeper::SnapshotNow() {
    quiet_.stop();
    longest_.stop();
    if (!session_.Modified()) return;
    if (copying_ || writing_) {
        // One snapshot at a time; the next starts when this one is written, with the text as it is then.
        again_ = true;
        return;
    }
    copying_ = true;
    pieces_.clear();
    copied_ = 0;
    CopySlice(++generation_);
}

bool RecoveryKeeper::Busy() const { return copying_ || writing_; }

std::pair<qsizetype, int> RecoveryKeeper::PieceAt(int position) const {
    qsizetype piece = 0;
    while (piece < pieces_.size() && position > pieces_[piece].size()) position -= int(pieces_[piece++].size());
    return {piece, position};
}

void RecoveryKeeper::ContentsChange(int position, int removed, int added) {
    // Edits after what was copied are read with the rest.
    if (!copying_ || position >= copied_) return;
    auto [piece, offset] = PieceAt(position);
    if (piece >= pieces_.size()) {
        // Never so; should the copy not match the text, it starts again.
        pieces_.clear();
        copied_ = 0;
        return;
    }
    if (position + removed > copied_) {
        // The edit reaches past the copy: the copy ends where it starts.
        pieces_[piece].truncate(offset);
        pieces_.erase(pieces_.begin() + piece + 1, pieces_.end());
        copied_ = position;
        return;
    }
    // The same edit made to the copy: its characters out, the new ones in.
    for (int left = removed; left > 0 && piece < pieces_.size();) {
        if (offset == pieces_[piece].size()) {
            ++piece;
            offset = 0;
            continue;
        }
        const int n = std::min<int>(left, int(pieces_[piece].size()) - offset);
        pieces_[piece].remove(offset, n);
        left -= n;
    }
    if (added > 0) {
        QTextCursor inserted(session_.Editor().document());
        inserted.setPosition(position);
        inserted.setPosition(position + added, QTextCursor::KeepAnchor);
        std::tie(piece, offset) = PieceAt(position);
        if (piece == pieces_.size()) pieces_.append(QString());
        pieces_[piece].insert(offset, inserted.selectedText());
    }
    copied_ += added - removed;
}

void RecoveryKeeper::CopySlice(int generation) {
    if (!copying_ || generation != generation_) return;
    QTextDocument* text = session_.Editor().document();
    const int length = text->characterCount() - 1;
    if (length <= kAtOnce) {
        pieces_ = QStringList{text->toRawText()};
    } else if (copied_ < length) {
        QTextCursor slice(text);
        slice.setPosition(copied_);
        slice.setPosition(std::min(length, copied_ + kSlice), QTextCursor::KeepAnchor);
        pieces_ << slice.selectedText();
        copied_ = slice.position();
        if (copied_ < length) {
            QTimer::singleShot(0, this, [this, generation] { CopySlice(generation); });
            return;
        }
    }
    // Every edit came through ContentsChange; should the lengths still differ,
    // the text is taken whole rather than written wrong.
    qsizetype total = 0;
    for (const QString& piece : pieces_) total += piece.size();
    if (total != length) pieces_ = QStringList{text->toRawText()};
    copying_ = false;
    writing_ = true;
    QStringList pieces = std::move(pieces_);
    pieces_.clear();
    // What the snapshot says besides the text, as it is now.
    RecoverySnapshot about;
    about.owner = owner_;
    about.document = session_.Document();
    about.byteOrderMark = session_.Document().ByteOrderMark();
    about.caret = session_.Editor().textCursor().position();
    const TextBookmarks& marks = session_.Bookmarks();
    for (int k = 0; k < marks.Count(); ++k)
        about.bookmarks.push_back({marks.Position(k), platform::EditorToBytes(marks.Name(k)).bytes});
    const QString folder = folder_, file = file_, inherited = inherited_;
    QPointer<RecoveryKeeper> self(this);
    writer_.start([self, pieces = std::move(pieces), about = std::move(about), folder, file, inherited]() mutable {
        bool ok = true;
        QString problem, detail;
        try {
            const QByteArray utf8 = SnapshotText(std::move(pieces));
            about.saved = QDateTime::currentDateTimeUtc();
            const std::string header = SnapshotHeader(about, std::size_t(utf8.size()));
            const std::array<std::string_view, 2> parts{header, std::string_view(utf8.constData(), utf8.size())};
            // Made and checked for every write: a folder that is a link or
            // another user's never receives the text.
            const platform::OwnFolder own = OpenRecoveryFolder(folder);
            own.Write(QFile::encodeName(QFileInfo(file).fileName()).toStdString(), parts, 0600);
            if (!inherited.isEmpty()) RemoveSnapshot(folder, inherited);
        } catch (const platform::EFileError& e) {
            ok = false;
            // A folder that is not the user's is named in few words, so the
            // status bar shows all of it; its path goes to the log.
            if (e.Op == platform::FileOp::Link)
                problem = QStringLiteral("復元用の控えは作りません: ﾌｫﾙﾀﾞがリンクです");
            else if (e.Op == platform::FileOp::Foreign)
                problem = QStringLiteral("復元用の控えは作りません: ﾌｫﾙﾀﾞが他人のものです");
            else
                problem = QStringLiteral("復元用の控えを保存できません: %1").arg(JapaneseText(core::FailureOf(e)));
            detail = QString::fromUtf8(e.what());
        } catch (const std::exception& e) {
            ok = false;
            problem = QStringLiteral("復元用の控えを保存できません: %1").arg(QString::fromUtf8(e.what()));
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, ok, problem, detail] {
                if (self) self->WriteDone(ok, problem, detail);
            },
            Qt::QueuedConnection);
    });
}

void RecoveryKeeper::WriteDone(bool ok, const QString& problem, const QString& detail) {
    writing_ = false;
    if (ok) {
        inherited_.clear();
        lastProblem_.clear();
    } else if (problem != lastProblem_) {
        // Said once on the status bar: the edits are not lost yet, but would be in a crash.
        lastProblem_ = problem;
        if (!detail.isEmpty()) qWarning("%s", qPrintable(detail));
        if (auto* window = qobject_cast<QMainWindow*>(parent()))
            window->statusBar()->showMessage(problem, 15000);
    }
    if (again_) {
        again_ = false;
        SnapshotNow();
    }
}

void RecoveryKeeper::WaitForWrites() {
    while (Busy() || writer_.activeThreadCount() > 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        writer_.waitForDone(1);
    }
}

bool RecoveryKeeper::Restore(const RecoverySnapshot& snapshot, const TextFillOptions& fill) {
    QPlainTextEdit& editor = session_.Editor();
    // Opened as every text is, with the document it was kept for.
    core::Result<core::OpenedFile> opened =
        core::Open(core::Source::Snapshot(snapshot.text, snapshot.document));
    if (!opened) return false;
    // The caption first, so a long text is seen coming in under its name.
    session_.Adopt(opened->document);
    TextFillOptions options = fill;
    if (!options.turn) options.turn = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    if (!FillEditor(editor, opened->text, platform::EditorBytes::Utf8, options)) {
        // Half a text is no text of the user's: the window starts afresh
        // and the snapshot stays for the next start.
        editor.clear();
        editor.document()->setModified(false);
        session_.Adopt(core::Document());
        return false;
    }
    session_.Bookmarks().Place(AtBytes(snapshot.bookmarks, opened->text), opened->text, kcUtf8);
    QTextCursor caret(editor.document());
    caret.setPosition(std::clamp(snapshot.caret, 0, editor.document()->characterCount() - 1));
    editor.setTextCursor(caret);
    editor.ensureCursorVisible();
    // The old snapshot stays until this window's own holds the text.
    if (snapshot.file != file_) inherited_ = snapshot.file;
    editor.document()->setModified(true);
    SnapshotNow();
    return true;
}

}  // namespace verdane
