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
    focus_ = QApplication::focusWidget();
    for (const QPointer<QWidget>& widget : guarded_)
        if (widget) widget->setEnabled(false);
    turns_ = std::make_unique<PaintTurns>();
}

void LongWork::End() {
    turns_.reset();
    for (const QPointer<QWidget>& widget : guarded_)
        if (widget) widget->setEnabled(true);
    QApplication::restoreOverrideCursor();
    if (focus_ && focus_->isEnabled() && !QApplication::focusWidget()) focus_->setFocus();
    focus_ = nullptr;
    if (closePending_) {
        closePending_ = false;
        QTimer::singleShot(0, &window_, &QWidget::close);
    }
}

}  // namespace verdane
