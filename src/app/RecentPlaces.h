// RecentPlaces: the recent-files list remembers where the user was in each
// file (the caret and the first line shown) when the file is left, by opening
// another or closing the window, and puts the user back there when the file is
// opened again, from the list or any other way. A pick of a file that is gone
// says so and offers to take it off the list. The main window creates one.
#pragma once

#include <QObject>
#include <QString>

class QMainWindow;
class QPlainTextEdit;

namespace verdane {

class DocumentSession;
class FileCommands;
class THistoryMenu;

class RecentPlaces : public QObject {
    Q_OBJECT
public:
    // Takes over the list's picks and the open command's news of a file read.
    RecentPlaces(QMainWindow& window, QPlainTextEdit& editor, DocumentSession& session, FileCommands& files,
                 THistoryMenu& history);

    // A pick from the list: true when the file was opened.
    bool Pick(const QString& path);
    // The caret and the scroll as they were when `path` was left, within its text.
    void Restore(const QString& path);
    // Notes where the user is in the open file.
    void Remember();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QMainWindow& window_;
    QPlainTextEdit& editor_;
    DocumentSession& session_;
    FileCommands& files_;
    THistoryMenu& history_;
    QString path_;  // the file the editor holds
};

}  // namespace verdane
