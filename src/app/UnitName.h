// TFormName: the save-options dialog of the save command (database title,
// compress, include binary). Closing it with its close box cancels the save.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace verdane {

class TFormName : public QDialog {
    Q_OBJECT
public:
    explicit TFormName(QWidget* parent = nullptr);

    QLabel* LabelName;
    QLineEdit* EditStryName;
    QCheckBox* CheckBoxCompress;
    QCheckBox* CheckBoxBinary;
    QPushButton* ButtonOK;

private slots:
    void ButtonOKClick();
};

}  // namespace verdane
