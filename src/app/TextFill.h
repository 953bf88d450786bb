// Filling the editor with an opened text, piece by piece: the window gets a
// turn to paint between the pieces and the status bar can show how far the
// text has come, so a text of tens of megabytes never leaves the window frozen.
// The main window uses it for every way of opening; tests use it directly.
#pragma once

#include "EditorPieces.h"

#include <cstddef>
#include <functional>
#include <string_view>

class QPlainTextEdit;

namespace verdane {

struct TextFillOptions {
    // Bytes decoded and inserted at a time.
    std::size_t pieceBytes = 64 * 1024;
    // The window's turn to paint, given at most every `turnEveryMs`; none: the
    // text goes in without a pause.
    std::function<void()> turn;
    int turnEveryMs = 40;
    // Told the bytes done and the total before each turn and at the end.
    std::function<void(std::size_t done, std::size_t total)> progress;
};

// Replaces the whole text of `editor` by the editor text of `bytes` (in form
// `form`): the old text goes, the new one is inserted at the end piece by piece,
// between turns. Filling is no edit of the user's: Undo cannot take it back, the
// undo history starts afresh and the Modified flag is cleared; the caret is at
// the start. Only the decoded piece in hand exists beside `bytes` and the
// editor's document, never the whole text a third time.
void FillEditor(QPlainTextEdit& editor, std::string_view bytes, platform::EditorBytes form,
                const TextFillOptions& options = {});

}  // namespace verdane
