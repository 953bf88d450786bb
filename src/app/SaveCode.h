// The code and line ends a save writes a text in. A text file is written back
// as it was read (a UTF-8 text with LF stays so, its byte-order mark too); a
// new text, a page and every DOC database are Shift-JIS with CR LF. The File
// menu's 文字コードを指定して保存 lets the user choose another for one save,
// and a status panel always shows what the next save writes.
#pragma once

#include "Document.h"
#include "EditorFileCodec.h"

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QWidget;

namespace verdane {

class DocumentSession;
class FileCommands;

// The dialog of 文字コードを指定して保存: the code and the line ends.
class TFormCode : public QDialog {
    Q_OBJECT
public:
    explicit TFormCode(QWidget* parent = nullptr);

    QComboBox* ComboCode;
    QComboBox* ComboLineEnds;

    void SetForm(const platform::FileForm& form);
    // The chosen form; a UTF-8 text keeps the byte-order mark of `current`.
    platform::FileForm Form(const platform::FileForm& current) const;
};

class SaveCodeCommand {
public:
    // `panel` shows what the next save writes; it follows the session.
    SaveCodeCommand(QWidget& window, DocumentSession& session, FileCommands& files, QLabel& panel);

    // 文字コードを指定して保存: the form chosen, then the save dialog.
    void Run();

private:
    void Show();

    DocumentSession& session_;
    FileCommands& files_;
    QLabel& panel_;
    TFormCode* form_;
};

}  // namespace verdane
