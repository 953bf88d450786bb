// The editor window's parts as a user meets them: widgets, actions and dialogs
// found by their names, the text set and read through the editor itself.
#pragma once

#include "DocumentSession.h"
#include "EditorCodec.h"
#include "HistMenu.h"
#include "UnitMain.h"

#include <QAction>
#include <QEventLoop>
#include <QMenu>
#include <QTimer>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <QWindow>
#include <QLabel>
#include <QPlainTextEdit>
#include <QtGlobal>

#include <string_view>

namespace verdane::test {

template <class T>
T* Part(const QObject& window, const char* name) {
    T* part = window.findChild<T*>(QString::fromLatin1(name));
    if (!part) qFatal("the window has no part named %s", name);
    return part;
}

inline QPlainTextEdit* Editor(const QObject& window) { return Part<QPlainTextEdit>(window, "RichEditMain"); }
inline QAction* Action(const QObject& window, const char* name) { return Part<QAction>(window, name); }
inline QString StatusText(const QObject& window) { return Part<QLabel>(window, "StatusPanel0")->text(); }
// The caption as the desktop shows it, the modified mark resolved.
inline QString Caption(QWidget& window) {
    window.winId();  // the desktop's window exists, as once it is shown
    return window.windowHandle()->title();
}

// The editor's whole text replaced by these CP932 bytes, as a paste would;
// not marked modified (as a text just read).
inline void SetText(const QObject& window, std::string_view bytes) {
    Editor(window)->setPlainText(platform::BytesToEditor(bytes));
}
inline void SetModified(const QObject& window, bool modified) { Editor(window)->document()->setModified(modified); }

// The open document, as the window's session holds it.
inline DocumentSession& Session(const QObject& window) { return *Part<DocumentSession>(window, "Session"); }
inline std::string Bytes(const QObject& window) { return Session(window).Bytes(); }
inline bool Modified(const QObject& window) { return Session(window).Modified(); }
inline const TSettings& SettingsOf(const QObject& window) { return Part<TWindowSettings>(window, "Settings")->values; }
inline QStringList RecentFiles(const QObject& window) {
    return Part<THistoryMenu>(window, "HistoryMenu1")->List().Items();
}

// The event loop runs until it waits, so the idle handler runs as in the program.
inline void RunIdle() {
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
}

// A menu item chosen, as the user chooses it.
inline void Trigger(const QObject& window, const char* name) { Action(window, name)->trigger(); }
// The same once the idle handler has set the items' states (Undo, Cut, ...).
inline void TriggerWhenIdle(const QObject& window, const char* name) {
    RunIdle();
    Trigger(window, name);
}
// The save command; true when it wrote the document.
inline bool Save(const QObject& window) {
    int written = 0;
    const QMetaObject::Connection counting =
        QObject::connect(&Session(window), &DocumentSession::Written, [&written] { ++written; });
    Trigger(window, "MenuSave");
    QObject::disconnect(counting);
    return written == 1;
}
// A pick from the recent-files list (put on it first when it is not there).
inline void PickRecent(const QObject& window, const QString& path) {
    auto* history = Part<THistoryMenu>(window, "HistoryMenu1");
    if (!history->List().Items().contains(path)) history->AddHistory(path);
    for (QAction* item : Part<QMenu>(window, "MenuFile")->actions())
        if (item->data().toString() == path) return item->trigger();
    qFatal("no recent-files item for %s", qPrintable(path));
}

// Files dragged onto the window and dropped, as the desktop delivers them.
inline void Drop(QWidget& window, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
}

}  // namespace verdane::test
