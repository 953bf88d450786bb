#include "EditCommands.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>

namespace verdane {

void InsertBookmark(QPlainTextEdit& editor, const QString& mark) {
    QTextCursor cursor = editor.textCursor();
    const int caret = cursor.selectionStart();
    const QString marker = u'<' + mark + u'>';
    cursor.beginEditBlock();
    if (editor.document()->lastBlock().text() != marker) {
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(u'\n' + marker);
    }
    cursor.setPosition(caret);
    cursor.insertText(mark);
    cursor.endEditBlock();
    editor.setTextCursor(cursor);
}

void InsertAtSelectionStart(QPlainTextEdit& editor, const QString& text) {
    QTextCursor cursor = editor.textCursor();
    cursor.setPosition(cursor.selectionStart());
    cursor.insertText(text);
    editor.setTextCursor(cursor);
}

int FixedPhraseNumber(const QKeyEvent& event) {
    if (!(event.modifiers() & Qt::ControlModifier) || (event.modifiers() & Qt::KeypadModifier)) return 0;
    if (event.key() >= Qt::Key_1 && event.key() <= Qt::Key_8) return event.key() - Qt::Key_0;
    // With Shift the key is the shifted sign ("!" on most layouts); the key's
    // position tells the digit. X11 and Wayland number the keys 1 to 8 of the
    // main keyboard 10 to 17.
    const QString platform = QGuiApplication::platformName();
    if ((event.modifiers() & Qt::ShiftModifier) && (platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland")))) {
        const quint32 code = event.nativeScanCode();
        if (code >= 10 && code <= 17) return static_cast<int>(code) - 9;
    }
    return 0;
}

bool IsCtrlKeypadDigit(const QKeyEvent& event) {
    const Qt::KeyboardModifiers m = event.modifiers();
    return (m & Qt::ControlModifier) && (m & Qt::KeypadModifier) && !(m & Qt::AltModifier) &&
           event.key() >= Qt::Key_0 && event.key() <= Qt::Key_9;
}

void InsertFixedPhrase(QPlainTextEdit& editor, const QString& phrase) {
    if (phrase.isEmpty()) return;
    QTextCursor cursor = editor.textCursor();
    cursor.insertText(phrase);
    editor.setTextCursor(cursor);
}

}  // namespace verdane
