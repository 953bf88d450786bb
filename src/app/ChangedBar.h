// The bar above the editor that says the open file was changed, removed or
// made unreadable by another program: 再読み込み for a change; for a file that
// is gone, 名前を付けて保存 and 元の場所に保存 (the text now exists only in the
// editor); and a close button. It is a strip in the
// window, not a modal box: the user finishes what they are typing and decides
// when to look. FileWatch shows and hides it.
#pragma once

#include <QFrame>

class QLabel;
class QPushButton;
class QToolButton;

namespace verdane {

class TChangedBar : public QFrame {
    Q_OBJECT
public:
    // Unreadable: something is at the file's place that cannot be read as
    // it was (a folder, a file without permission to read).
    enum class Reason { Changed, Removed, Unreadable };

    explicit TChangedBar(QWidget* parent = nullptr);

    // Shows the bar for `reason`; a file gone offers saving in place of reloading.
    void ShowFor(Reason reason);
    // Hides the bar (its close button too).
    void Dismiss();
    Reason ShownFor() const { return reason_; }

    QLabel* LabelText;
    QPushButton* ButtonReload;
    QPushButton* ButtonSaveAs;
    QPushButton* ButtonSaveHere;
    QToolButton* ButtonClose;

signals:
    void ReloadClicked();
    void SaveAsClicked();
    void SaveHereClicked();
    // The bar was shown (true) or hidden (false): its holder follows.
    void Shown(bool shown);

private:
    Reason reason_ = Reason::Changed;
};

}  // namespace verdane
