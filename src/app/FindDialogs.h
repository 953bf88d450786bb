// The modeless find and replace dialogs of the editor (FindDialog1 and
// ReplaceDialog1 of the main window): the search text, whole word, match case,
// 正規表現, あいまい, the direction and wrapping, and the buttons Find Next,
// Replace, Replace All and Cancel. They only report the buttons;
// SearchCommands runs the search with TEditorSearch.
#pragma once

#include "EditorSearch.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace verdane {

class TFindDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFindDialog(QWidget* parent = nullptr);

    QString FindText() const;
    void SetFindText(const QString& text);
    bool MatchCase() const;
    bool WholeWord() const;
    // Every choice of the dialog at once, and the same set back.
    SearchParameters Parameters() const;
    void SetParameters(const SearchParameters& parameters);
    // Shows why the search could not run (a malformed pattern), or hides it.
    void ShowProblem(const QString& text);

    QLineEdit* EditFind = nullptr;
    QCheckBox* CheckWholeWord = nullptr;
    QCheckBox* CheckMatchCase = nullptr;
    QCheckBox* CheckRegExp = nullptr;
    QCheckBox* CheckFuzzy = nullptr;
    QRadioButton* RadioUp = nullptr;
    QRadioButton* RadioDown = nullptr;
    QCheckBox* CheckWrap = nullptr;
    QLabel* LabelProblem = nullptr;
    QPushButton* ButtonFindNext = nullptr;
    QPushButton* ButtonCancel = nullptr;

signals:
    void Find();

protected:
    // The form shared with the replace dialog: rows of labels and edits, the
    // two options below them, the buttons on the right.
    TFindDialog(QWidget* parent, bool withReplace);
    QLineEdit* EditReplace = nullptr;
    QPushButton* ButtonReplace = nullptr;
    QPushButton* ButtonReplaceAll = nullptr;

private:
    void UpdateButtons();
};

class TReplaceDialog : public TFindDialog {
    Q_OBJECT
public:
    explicit TReplaceDialog(QWidget* parent = nullptr);

    QString ReplaceText() const;
    QLineEdit* EditReplaceText() const { return EditReplace; }
    QPushButton* ButtonReplaceOne() const { return ButtonReplace; }
    QPushButton* ButtonReplaceEvery() const { return ButtonReplaceAll; }

signals:
    void Replace();
    void ReplaceAll();
};

}  // namespace verdane
