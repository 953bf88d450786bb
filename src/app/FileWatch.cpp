#include "FileWatch.h"

#include "CommandGuard.h"
#include "DocumentSession.h"
#include "FileCommands.h"
#include "Prompts.h"
#include "StatusNote.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QAction>
#include <QDockWidget>
#include <QPlainTextEdit>
#include <QTextDocument>

namespace verdane {

namespace {

// Files up to this size are hashed when read or saved, so that a save of
// the same bytes or a touch is told apart from a change; larger ones are
// compared by size and time alone.
constexpr qint64 kHashUpTo = 16 << 20;

// The pause after the last signal of the watcher before the file is looked at.
constexpr int kSettleMs = 250;

}  // namespace

FileWatch::FileWatch(QMainWindow& window, DocumentSession& session, FileCommands& files)
    : QObject(&window), window_(window), session_(session), files_(files), bar_(new TChangedBar) {
    setObjectName(QStringLiteral("FileWatch"));
    // The bar sits right above the editor, across the window: a dock of
    // the top area without title or handles, which takes no room while the
    // bar is hidden and leaves the editor where it is (its place in the
    // window's focus order too).
    auto* dock = new QDockWidget(&window);
    dock->setObjectName(QStringLiteral("ChangedBarDock"));
    dock->setTitleBarWidget(new QWidget(dock));
    dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    dock->setAllowedAreas(Qt::TopDockWidgetArea);
    dock->setWidget(bar_);
    dock->toggleViewAction()->setVisible(false);
    window.addDockWidget(Qt::TopDockWidgetArea, dock);
    dock->hide();
    connect(bar_, &TChangedBar::Shown, dock, &QWidget::setVisible);

    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &FileWatch::Check);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, &settle_, qOverload<>(&QTimer::start));
    // Another editor's save renames a new file over the old one: the watch of
    // the old one ends, and the folder's change brings the new one back in.
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, &settle_, qOverload<>(&QTimer::start));
    connect(&session_, &DocumentSession::DocumentChanged, this, &FileWatch::Follow);
    connect(&session_, &DocumentSession::Written, this, &FileWatch::Follow);
    // 再読み込み opens the file the way a pick from the recent files does.
    connect(bar_, &TChangedBar::ReloadClicked, this, [this] {
        const QString path = path_;
        const bool edited = session_.Modified();
        bool read = false;
        Guarded(&window_, [&] {
            read = files_.OpenRecent(path);
            if (read) ShowStatusNote(&window_, QStringLiteral("「%1」を読み込み直しました").arg(QFileInfo(path).fileName()));
        });
        // What is there now cannot be read as a text (the failure was shown):
        // the text is the only copy of itself, as when the file is gone.
        if (!read && !edited && path_ == path) Announce(TChangedBar::Reason::Unreadable, announced_);
    });
    // The text of a file that is gone is saved the usual ways.
    connect(bar_, &TChangedBar::SaveAsClicked, this, [this] { Guarded(&window_, [this] { files_.Save(); }); });
    connect(bar_, &TChangedBar::SaveHereClicked, this, [this] { Guarded(&window_, [this] { files_.SaveInPlace(); }); });
    files_.MayOverwrite = [this](const QString& path) { return MayOverwrite(path); };
    Follow();
}

FileWatch::DiskState FileWatch::StateOf(const QString& path, bool withHash) {
    DiskState state;
    const QFileInfo info(path);
    if (path.isEmpty()) return state;
    state.present = info.exists() || info.isSymLink();
    if (!info.isFile() || !info.isReadable()) return state;
    state.exists = true;
    state.size = info.size();
    state.modified = info.lastModified();
    if (withHash && state.size <= kHashUpTo) {
        QFile file(path);
        QCryptographicHash hash(QCryptographicHash::Md5);
        if (file.open(QIODevice::ReadOnly) && hash.addData(&file)) state.hash = hash.result();
    }
    return state;
}

bool FileWatch::Same(DiskState& now, const DiskState& before) const {
    if (now.exists != before.exists) return false;
    if (!now.exists) return now.present == before.present;
    if (now.size != before.size) return false;
    if (now.modified == before.modified) return true;
    if (before.hash.isEmpty()) return false;
    if (now.hash.isEmpty()) now = StateOf(path_, true);
    return !now.hash.isEmpty() && now.hash == before.hash;
}

void FileWatch::Follow() {
    const QString path = session_.Document().Path();
    if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
    path_ = path;
    known_ = StateOf(path_, true);
    told_ = false;
    markedGone_ = false;
    bar_->Dismiss();
    if (path_.isEmpty()) return;
    if (known_.exists) watcher_.addPath(path_);
    const QString folder = QFileInfo(path_).absolutePath();
    if (QFileInfo(folder).isDir()) watcher_.addPath(folder);
}

void FileWatch::Check() {
    if (path_.isEmpty()) return;
    DiskState now = StateOf(path_, false);
    if (now.exists && !watcher_.files().contains(path_)) watcher_.addPath(path_);
    if (Same(now, known_)) {
        // Back as it was (a change undone, a file put back): nothing to tell,
        // and a text not edited since is the file's again.
        told_ = false;
        bar_->Dismiss();
        QTextDocument& text = *session_.Editor().document();
        if (markedGone_ && text.revision() == goneRevision_) text.setModified(false);
        markedGone_ = false;
        return;
    }
    if (told_ && Same(now, announced_)) return;
    Announce(now.exists    ? TChangedBar::Reason::Changed
             : now.present ? TChangedBar::Reason::Unreadable
                           : TChangedBar::Reason::Removed,
             now);
}

void FileWatch::Announce(TChangedBar::Reason reason, const DiskState& now) {
    announced_ = now;
    if (announced_.exists && announced_.hash.isEmpty()) announced_ = StateOf(path_, true);
    told_ = true;
    // The text is now the only copy: unsaved text.
    QTextDocument& text = *session_.Editor().document();
    if (reason != TChangedBar::Reason::Changed && !text.isModified()) {
        markedGone_ = true;
        goneRevision_ = text.revision();
        text.setModified(true);
    }
    bar_->ShowFor(reason);
}

bool FileWatch::MayOverwrite(const QString& path) {
    if (path.isEmpty() || path != path_) return true;
    DiskState now = StateOf(path_, false);
    if (!now.exists || Same(now, known_)) return true;
    const auto answer = Prompts().Message(
        &window_, QMessageBox::Warning, QStringLiteral("上書きの確認"),
        QStringLiteral("%1 は、読み込んだ後に他のプログラムで変更されています。\n上書きしますか?")
            .arg(QFileInfo(path).fileName()),
        QMessageBox::Yes | QMessageBox::Cancel, path);
    return answer == QMessageBox::Yes;
}

}  // namespace verdane
