// The user-choice dialog and the main window's "open install folder" command:
// the user picks a handheld user and the user's install folder opens in the
// desktop's file browser.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace verdane {

class TUserData;

// Fills a user combo box from `userData` (null: no users): the names in index
// order and the last user selected, or disabled and empty when there are none.
void FillUserComboBox(QComboBox& comboBox, const TUserData* userData);

// "ﾕｰｻﾞの選択": a user combo box, OK (default) and Cancel. Created once by the
// main window and kept for the whole run.
class TFormUser : public QDialog {
    Q_OBJECT
public:
    explicit TFormUser(QWidget* parent = nullptr);

    QLabel* LabelUser;
    QComboBox* AutoInstallComboBox;
    QPushButton* ButtonOK;
    QPushButton* ButtonCancel;

    // Fills the user list from `userData` (may be null). Called before each showing.
    void FormShow(const TUserData* userData);
    // Closes with OK when a user is chosen; otherwise says so and stays.
    void ButtonOKClick();
    void ButtonCancelClick();
};

// The "open install folder" command (MenuOpenInstDirClick): shows `form` through
// Prompts().RunDialog; on OK opens <core>/<user folder>/Install (made when
// missing) with Prompts().OpenFolder. Without `userData` it shows why the
// command cannot work instead. Messages are parented to `form`'s parent (the
// main window). Returns true when a folder was opened.
bool RunOpenInstallFolder(TFormUser& form, TUserData* userData);

}  // namespace verdane
