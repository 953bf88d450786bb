// The editor window's parts as a user meets them: widgets, actions and dialogs
// found by their names, the text set and read through the editor itself.
#pragma once

#include "EditorCodec.h"
#include "UnitMain.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
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

// The editor's whole text replaced by these CP932 bytes, as a paste would;
// not marked modified (as a text just read).
inline void SetText(const QObject& window, std::string_view bytes) {
    Editor(window)->setPlainText(platform::BytesToEditor(bytes));
}
inline void SetModified(const QObject& window, bool modified) { Editor(window)->document()->setModified(modified); }

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
