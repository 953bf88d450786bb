// TAboutBox: the version box of the help menu.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace verdane {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QLabel* ProgramIcon;
    QLabel* ProductName;
    QPushButton* OKButton;

protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace verdane
