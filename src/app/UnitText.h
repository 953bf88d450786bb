// TFormText, the fixed-phrase dialog: eight edits for the phrases of Ctrl+1 to
// Ctrl+8. The main window fills it, runs it, and takes the phrases after OK.
#pragma once

#include <QDialog>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace verdane {

class TFormText : public QDialog {
    Q_OBJECT
public:
    explicit TFormText(QWidget* parent = nullptr);

    std::array<QString, 8> FixedPhrases;

    // The edits show FixedPhrases.
    void FormShow();
    // FixedPhrases take the edits' texts; the dialog closes with OK.
    void ButtonOKClick();
    void ButtonCancelClick();

    std::array<QLabel*, 8> Labels{};
    std::array<QLineEdit*, 8> Edits{};  // Edit1 .. Edit8
    QPushButton* ButtonOK;
    QPushButton* ButtonCancel;
};

}  // namespace verdane
