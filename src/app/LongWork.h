// LongWork: the window's one way of running a long command (a download, the
// HTML conversion, a long file read and filled into the editor). While it runs,
// every way of changing the text is disabled (menus, tool bar, editor, the
// modeless find and replace dialogs), the hourglass shows, the window gets its
// turns to paint, and a close asked for meanwhile waits for the end.
#pragma once

#include "PaintTurns.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace verdane {

class LongWork {
public:
    // `window` is closed after the work when a close was asked for meanwhile.
    explicit LongWork(QWidget& window);
    ~LongWork();
    LongWork(const LongWork&) = delete;
    LongWork& operator=(const LongWork&) = delete;

    // A widget through which the user could change the text: disabled while
    // the work runs.
    void Guard(QWidget* widget);

    // The work in progress; nested scopes belong to the outer one.
    class Scope {
    public:
        explicit Scope(LongWork& work);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        LongWork& work_;
        bool outer_;
    };

    bool Busy() const { return depth_ > 0; }
    // The window's turn to paint when one is due (about every 50 ms); user
    // input waits for the end of the work. Does nothing outside a scope.
    void Turn() {
        if (turns_) (*turns_)();
    }
    std::function<void()> Turns() {
        return [this] { Turn(); };
    }
    // A close asked for while the work runs: done when it is over.
    void CloseWhenDone() { closePending_ = true; }

private:
    void Begin();
    void End();

    QWidget& window_;
    std::vector<QPointer<QWidget>> guarded_;
    QPointer<QWidget> focus_;
    QPointer<QWidget> windowFocus_;
    int depth_ = 0;
    bool closePending_ = false;
    std::unique_ptr<PaintTurns> turns_;
};

}  // namespace verdane
