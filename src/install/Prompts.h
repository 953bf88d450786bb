// The small interface through which commands ask the user something: choose a
// file, answer a question, read a message, fill in a dialog. The program uses
// the desktop's dialogs; tests put their own answers in its place, so no test
// blocks on a modal dialog.
#pragma once

#include <QMessageBox>
#include <QString>

class QDialog;
class QWidget;

namespace verdane {

// The state of an open or save dialog that outlives one use of it: its file name
// and filter index serve the main window as the current document's path and kind.
struct TFileDialogState {
    QString Filter;        // "description|pattern|description|pattern" (patterns separated by ";")
    int FilterIndex = 1;   // 1-based
    QString FileName;      // full path of the last choice
    QString InitialDir;
};

class TPrompts {
public:
    virtual ~TPrompts() = default;

    // A message box; returns the button pressed. `detail` is shown as the box's
    // detailed text when not empty. Where Cancel is offered, Esc and closing
    // the box answer Cancel.
    virtual QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                                const QString& text, QMessageBox::StandardButtons buttons,
                                                const QString& detail = {});
    // The open dialog: true when a file was chosen; FileName and FilterIndex updated.
    virtual bool ChooseOpenFile(QWidget* parent, TFileDialogState& state);
    // The save dialog (asks before overwriting): true when a file was chosen.
    virtual bool ChooseSaveFile(QWidget* parent, TFileDialogState& state);
    // Shows a dialog modally and returns its result (QDialog::Accepted or Rejected).
    virtual int RunDialog(QDialog& dialog);
    // Opens a folder in the desktop's file browser; false when that failed.
    virtual bool OpenFolder(const QString& path);
};

// The prompts in use; the program's own unless a test set others.
TPrompts& Prompts();
// Replaces the prompts in use (tests); nullptr restores the program's own.
void SetPrompts(TPrompts* prompts);

// A filter of the "description|pattern" form as the desktop's file dialogs take it:
// each description shown as written, its patterns matched without regard to case.
QStringList FileDialogNameFilters(const QString& filter);
// The 0-based index in `filters` of the filter a file dialog reports as
// selected, given whole or as its caption alone; -1 when none matches.
int NameFilterIndex(const QStringList& filters, const QString& selected);

}  // namespace verdane
