#include "TextFill.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

namespace verdane {

bool FillEditor(QPlainTextEdit& editor, std::string_view bytes, platform::EditorBytes form,
                const TextFillOptions& options) {
    QTextDocument* document = editor.document();
    editor.clear();
    // Without undo the document keeps no record of the pieces (a second copy
    // of the text); turning it back on starts an empty history.
    document->setUndoRedoEnabled(false);
    QTextCursor cursor(document);
    bool first = true;
    QElapsedTimer sinceTurn;
    sinceTurn.start();
    // The pieces between two turns make one edit: the document tells the
    // editor's layout about them once, not once a piece.
    cursor.beginEditBlock();
    for (std::size_t from = 0; from < bytes.size();) {
        const std::size_t end = platform::NextPieceEnd(bytes, from, options.pieceBytes, form);
        cursor.insertText(platform::PieceToEditor(bytes, from, end, form));
        from = end;
        if (first) {
            // The editor's caret sat where the text goes in and went along with
            // the first piece; it goes back to the start, and stays there as the
            // rest goes in after it.
            editor.setTextCursor(QTextCursor(document));
            first = false;
        }
        if (options.turn && from < bytes.size() && sinceTurn.elapsed() >= options.turnEveryMs) {
            cursor.endEditBlock();
            // What has come in so far is no edit of the user's.
            document->setModified(false);
            if (options.progress) options.progress(from, bytes.size());
            options.turn();
            if (options.cancelled && options.cancelled()) {
                document->setUndoRedoEnabled(true);
                document->setModified(false);
                return false;
            }
            sinceTurn.restart();
            cursor.beginEditBlock();
        }
    }
    cursor.endEditBlock();
    document->setUndoRedoEnabled(true);
    document->setModified(false);
    QTextCursor start(document);
    editor.setTextCursor(start);
    if (options.progress) options.progress(bytes.size(), bytes.size());
    return true;
}

}  // namespace verdane
