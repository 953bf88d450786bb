// FileWatch: notices when the open file is changed or removed by another
// program and says so in a bar above the editor (TChangedBar), whose
// 再読み込み opens the file again the usual way (the save question first when
// the text is edited). A file that is gone, or that cannot be read any more,
// leaves the editor's text as the only copy: the text is then modified (so
// closing asks), and the bar offers to save it, under a new name or where it
// was; the file put back as it was makes it unmodified again. It also gives the save command its question before
// writing over a file that changed on disk since it was read or saved. The
// main window creates one (its child named "FileWatch").
#pragma once

#include "ChangedBar.h"

#include <QByteArray>
#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

class QMainWindow;

namespace verdane {

class DocumentSession;
class FileCommands;

class FileWatch : public QObject {
    Q_OBJECT
public:
    // Puts the bar above the window's central widget, follows the session's
    // file, and gives `files`' save command its question.
    FileWatch(QMainWindow& window, DocumentSession& session, FileCommands& files);

    // Asked by the save command before it writes `path`: true when `path` is
    // not the open file, is gone, or is as it was read or last saved, or when
    // the user agrees to replace what another program wrote.
    bool MayOverwrite(const QString& path);

    TChangedBar& Bar() const { return *bar_; }
    // Looks at the file now; the watcher's signals call it after a short pause,
    // so a program that writes in several steps is seen once, when it is done.
    void Check();

private:
    // What the file on disk is: enough to tell a change from our own save or a
    // mere touch without reading it each time.
    struct DiskState {
        // A regular file that can be read is there.
        bool exists = false;
        // Anything is at the path (also what cannot be read as the file).
        bool present = false;
        qint64 size = -1;
        QDateTime modified;
        QByteArray hash;  // of the whole file, when it is small enough to read cheaply
    };
    static DiskState StateOf(const QString& path, bool withHash);
    // Whether `now` is the same file contents as `before`; reads `now`'s hash
    // only when size agrees and the time does not.
    bool Same(DiskState& now, const DiskState& before) const;
    // The document changed (opened, saved, new): watch its file.
    void Follow();
    void Announce(TChangedBar::Reason reason, const DiskState& now);

    QMainWindow& window_;
    DocumentSession& session_;
    FileCommands& files_;
    TChangedBar* bar_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    QString path_;
    DiskState known_;      // as read or last saved
    DiskState announced_;  // as the bar last told it, so it is told once
    bool told_ = false;
    // The text was made modified because its file went, at this revision of
    // the editor's text.
    bool markedGone_ = false;
    int goneRevision_ = 0;
};

}  // namespace verdane
