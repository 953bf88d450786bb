#include "LongWork.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace verdane {

LongWork::LongWork(QWidget& window) : window_(window) {}

LongWork::~LongWork() = default;

void LongWork::Guard(QWidget* widget) { guarded_.emplace_back(widget); }

LongWork::Scope::Scope(LongWork& work) : work_(work), outer_(work.depth_ == 0) {
    if (outer_) work_.Begin();
    ++work_.depth_;
}

LongWork::Scope::~Scope() {
    --work_.depth_;
    if (outer_) work_.End();
}

void LongWork::Begin() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Disabling the editor takes its focus away; it gets it back at the end.
    // The window's own focus child counts too: a file read at start runs
    // before the window is active, and the first enabled button would
    // otherwise take the focus when it becomes active.
    focus_ = QApplication::focusWidget();
    windowFocus_ = window_.focusWidget();
    for (const QPointer<QWidget>& widget : guarded_)
        if (widget) widget->setEnabled(false);
    turns_ = std::make_unique<PaintTurns>();
}

void LongWork::End() {
    turns_.reset();
    for (const QPointer<QWidget>& widget : guarded_)
        if (widget) widget->setEnabled(true);
    QApplication::restoreOverrideCursor();
    // No input reached the window meanwhile, so the focus goes back where it
    // was, whatever widget Qt moved it to while the editor was disabled.
    if (windowFocus_ && windowFocus_->isEnabled()) windowFocus_->setFocus();
    if (focus_ && focus_->isEnabled()) focus_->setFocus();
    focus_ = nullptr;
    windowFocus_ = nullptr;
    if (closePending_) {
        closePending_ = false;
        QTimer::singleShot(0, &window_, &QWidget::close);
    }
}

}  // namespace verdane
