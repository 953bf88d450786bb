// The bar above the editor that says the open file was changed or removed by
// another program, with 再読み込み and a close button. It is a strip in the
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
    enum class Reason { Changed, Removed };

    explicit TChangedBar(QWidget* parent = nullptr);

    // Shows the bar for `reason`; a removed file offers no reload.
    void ShowFor(Reason reason);
    // Hides the bar (its close button too).
    void Dismiss();
    Reason ShownFor() const { return reason_; }

    QLabel* LabelText;
    QPushButton* ButtonReload;
    QToolButton* ButtonClose;

signals:
    void ReloadClicked();
    // The bar was shown (true) or hidden (false): its holder follows.
    void Shown(bool shown);


private:
    Reason reason_ = Reason::Changed;
};

}  // namespace verdane
