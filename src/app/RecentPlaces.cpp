#include "RecentPlaces.h"

#include "CommandGuard.h"
#include "DocumentSession.h"
#include "FileCommands.h"
#include "HistMenu.h"
#include "Prompts.h"
#include "StatusNote.h"

#include <QEvent>
#include <QFileInfo>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>

namespace verdane {

RecentPlaces::RecentPlaces(QMainWindow& window, QPlainTextEdit& editor, DocumentSession& session, FileCommands& files,
                           THistoryMenu& history)
    : QObject(&window), window_(window), editor_(editor), session_(session), files_(files), history_(history) {
    setObjectName(QStringLiteral("RecentPlaces"));
    history_.OnHistorySelected = [this](const QString& path) {
        bool opened = false;
        Guarded(&window_, [&] { opened = Pick(path); });
        return opened;
    };
    files_.OnOpened = [this](const QString& path) { Restore(path); };
    // The document is about to change while the editor still shows the old
    // text: the place in the file being left is noted first.
    connect(&session_, &DocumentSession::DocumentChanged, this, [this] {
        Remember();
        path_ = session_.Document().Path();
    });
    // The window's close comes before the list is written.
    window_.installEventFilter(this);
    path_ = session_.Document().Path();
}

bool RecentPlaces::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::Close) Remember();
    return QObject::eventFilter(watched, event);
}

void RecentPlaces::Remember() {
    if (path_.isEmpty()) return;
    const int firstLine = editor_.cursorForPosition(QPoint(0, 0)).blockNumber();
    history_.SetPlace(path_, TRecentPlace{editor_.textCursor().position(), std::max(0, firstLine)});
}

void RecentPlaces::Restore(const QString& path) {
    const std::optional<TRecentPlace> place = history_.PlaceOf(path);
    if (!place) return;
    QTextDocument& document = *editor_.document();
    QTextCursor cursor(&document);
    cursor.setPosition(std::clamp(place->caret, 0, document.characterCount() - 1));
    editor_.setTextCursor(cursor);
    // The first line shown: the scroll bar counts display lines, so the line
    // of the text is turned into the display line it starts on. Once more
    // when the window has settled, for a window that is still being laid out.
    const int line = std::clamp(place->firstLine, 0, document.blockCount() - 1);
    auto scroll = [this, line, text = &document] {
        if (editor_.document() != text) return;
        editor_.verticalScrollBar()->setValue(text->findBlockByNumber(line).firstLineNumber());
    };
    scroll();
    QTimer::singleShot(0, this, scroll);
}

bool RecentPlaces::Pick(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        const auto answer =
            Prompts().Message(&window_, QMessageBox::Question, QStringLiteral("ファイルが見つかりません"),
                              QStringLiteral("「%1」が見つかりません。\n一覧から削除しますか?").arg(path),
                              QMessageBox::Yes | QMessageBox::No);
        if (answer == QMessageBox::Yes) {
            history_.RemoveHistory(path);
            ShowStatusNote(&window_, QStringLiteral("「%1」を一覧から削除しました").arg(QFileInfo(path).fileName()));
        }
        return false;
    }
    return files_.OpenRecent(path);
}

}  // namespace verdane
