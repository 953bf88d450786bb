// The install dialog and the main window's install command: the document is
// made into a DOC database and queued in a handheld user's install folder for
// the next synchronisation.
#pragma once

#include "DocSaveOptions.h"
#include "WritePlan.h"

#include <QDialog>
#include <QString>

#include <string>
#include <vector>

class QCheckBox;
class QPlainTextEdit;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace verdane {

class TUserData;

// What one install sends: the open document and the editor's text, with the
// file name and title proposed and the bookmarks; the editor whose caret shows
// a character the question names, if any.
struct InstallJob {
    core::Document document;
    QString text;
    QString proposedName;
    QString proposedTitle;
    std::vector<core::EditorBookmark> bookmarks;
    QPlainTextEdit* editor = nullptr;
};

// "ｲﾝｽﾄｰﾙ": user, extension, file name, title and the two DOC options. Created
// once by the main window and kept for the whole run, so the extension chosen
// stays chosen from one install to the next (.PDB at start).
class TFormInst : public QDialog {
    Q_OBJECT
public:
    explicit TFormInst(QWidget* parent = nullptr);

    QLabel* LabelUser;
    QComboBox* AutoInstallComboBox;
    QPushButton* ButtonInst;
    QPushButton* Button2;
    QGroupBox* GroupBoxExt;
    QRadioButton* RadioButtonPRC;
    QRadioButton* RadioButtonPDB;
    QLabel* LabelFile;
    QLineEdit* EditFile;
    QLabel* LabelTitle;
    QLineEdit* EditTitle;
    QCheckBox* CheckBoxCompress;
    QCheckBox* CheckBoxBinary;

    // What one opening of the dialog installs, the shared DOC options and the
    // desktop. Set by RunInstall for the time the dialog is shown.
    void SetJob(TUserData* userData, const InstallJob* job, DocSaveOptions* options);
    // Fills the user list and sets the check boxes from the shared options.
    void FormShow();
    // Checks the file name (no path, no extension, not empty), the title (not
    // empty) and the user, asks the write plan's one question (a database of
    // that name waiting, characters Shift-JIS lacks), then writes the database
    // and queues it; closes with OK when it was queued, otherwise says why
    // and stays open with its contents.
    void ButtonInstClick();
    void Button2Click();
    // The title follows the file name as it is typed.
    void EditFileChange();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Refuse(const QString& caption, const QString& text);

    TUserData* userData_ = nullptr;
    const InstallJob* job_ = nullptr;
    DocSaveOptions* options_ = nullptr;
};

// The install command (MenuInstallClick). Shows `form` through
// Prompts().RunDialog with the job's proposed name as the file name (the
// document's name without extension) and its proposed title (the document's
// own, as Save proposes it; the file name when it is empty); the dialog writes
// the job's text as a DOC database with the title and options chosen, which
// become the shared `options`' Compress and IncludeBinary, and queues it for
// the chosen user.
// Without `userData` it shows why the command cannot work instead. Messages are
// parented to the dialog, or to `form`'s parent (the main window) before it is
// shown. Returns true when a database was queued.
bool RunInstall(TFormInst& form, TUserData* userData, const InstallJob& job, DocSaveOptions& options);

// What an accepted install dialog queued, for the status bar: the database's
// file name and the user who receives it at the next synchronisation.
QString InstalledNote(const TFormInst& form);

}  // namespace verdane
