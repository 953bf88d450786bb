// Filling the editor with an opened text, piece by piece: the window gets a
// turn to paint between the pieces and the status bar can show how far the
// text has come, so a text of tens of megabytes never leaves the window frozen.
// The main window uses it for every way of opening; tests use it directly.
#pragma once

#include "EditorPieces.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <future>
#include <string_view>
#include <thread>

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
    // Asked after each turn: true stops the fill there (the text that came in
    // so far stays; the caller decides what becomes of it).
    std::function<bool()> cancelled;
};

// Replaces the whole text of `editor` by the editor text of `bytes` (in form
// `form`): the old text goes, the new one is inserted at the end piece by piece,
// between turns. Filling is no edit of the user's: Undo cannot take it back, the
// undo history starts afresh and the Modified flag is cleared; the caret is at
// the start. Only the decoded piece in hand exists beside `bytes` and the
// editor's document, never the whole text a third time. False when
// `options.cancelled` stopped it.
bool FillEditor(QPlainTextEdit& editor, std::string_view bytes, platform::EditorBytes form,
                const TextFillOptions& options = {});

// Runs `work` (which touches no widget) on a thread of its own and gives the
// window `turn` about every `everyMs` until it is done; the result, or the
// exception it threw, comes back here. Without a turn the work runs right here.
template <class Work>
auto RunWhilePainting(Work work, const std::function<void()>& turn, int everyMs = 20) -> decltype(work()) {
    if (!turn) return work();
    std::packaged_task<decltype(work())()> task(std::move(work));
    auto result = task.get_future();
    std::jthread worker(std::move(task));
    while (result.wait_for(std::chrono::milliseconds(everyMs)) != std::future_status::ready) turn();
    return result.get();
}

}  // namespace verdane
