#include "StatusNote.h"

#include <QMainWindow>
#include <QStatusBar>

namespace verdane {

void ShowStatusNote(QWidget* any, const QString& text) {
    constexpr int kShownMs = 10000;
    if (auto* window = any ? qobject_cast<QMainWindow*>(any->window()) : nullptr)
        window->statusBar()->showMessage(text, kShownMs);
}

}  // namespace verdane
