#include "StatusNote.h"

#include <QFontMetrics>
#include <QMainWindow>
#include <QStatusBar>

#include <algorithm>

namespace verdane {

namespace {

// The note as wide as the bar has room for: a note is drawn from the left
// edge up to the first field that stays beside it (the caret's line and
// column); a wider one loses its middle, where a long file name is.
QString Fitted(const QStatusBar& bar, const QString& text) {
    // While a note shows, the fields that make way for it are hidden: the
    // ones still shown are those it must not run into.
    int right = bar.width() - 12;
    for (const QWidget* field : bar.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (field->isVisible()) right = std::min(right, field->x() - 2);
    constexpr int kMargins = 6 + 4;
    const int room = right - kMargins;
    if (room <= 0) return text;
    return QFontMetrics(bar.font()).elidedText(text, Qt::ElideMiddle, room);
}

}  // namespace

void ShowStatusNote(QWidget* any, const QString& text) {
    constexpr int kShownMs = 10000;
    auto* window = any ? qobject_cast<QMainWindow*>(any->window()) : nullptr;
    if (!window) return;
    QStatusBar* bar = window->statusBar();
    bar->showMessage(text, kShownMs);
    // A bar not on the screen has no width to fit to.
    const QString shown = bar->isVisible() ? Fitted(*bar, text) : text;
    if (shown != text) bar->showMessage(shown, kShownMs);
    // The whole note stays readable as the bar's tip while a shortened one shows.
    bar->setToolTip(shown == text ? QString() : text);
    if (!bar->property("noteTipFollows").toBool()) {
        bar->setProperty("noteTipFollows", true);
        QObject::connect(bar, &QStatusBar::messageChanged, bar, [bar](const QString& now) {
            if (now.isEmpty()) bar->setToolTip(QString());
        });
    }
}

}  // namespace verdane
