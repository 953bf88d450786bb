// TFormMainVerdane: the editor window. It holds the one document (the editor's
// text, its Modified flag, DocTitle and the open dialog's file name and filter
// index) and wires the commands together; the commands' work lives in classes
// and functions of their own (DocumentFile, the install and settings layers).
#pragma once

#include "DocSaveOptions.h"
#include "DocumentFile.h"
#include "Prompts.h"
#include "TAWKStr.h"
#include "UnitDL.h"

#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QToolBar;
class QToolButton;

namespace verdane {

namespace platform {
class TRegistryFile;
}
class TUserData;
class TFormName;
class TAboutBox;
class TFormURL;
class TFormInst;
class TFormUser;

class TFormMainVerdane : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window and runs its creation steps: the Palm Desktop access
    // object from `registry`, settings, and the file named by args[0] if any.
    TFormMainVerdane(const platform::TRegistryFile& registry, const QStringList& args, QWidget* parent = nullptr);
    ~TFormMainVerdane() override;

    // The editor and its surroundings.
    QPlainTextEdit* RichEditMain;
    QToolBar* ToolBarMain;
    QLabel* StatusPanel0;
    QMenu* PopupMenuEdit;
    QMenu* PopupMenuTime;

    // Main menu.
    QMenu *MenuFile, *MenuEdit, *MenuFind, *MenuHelp;
    QAction *MenuNew, *MenuOpen, *URLU1, *MenuSave, *MenuInstall, *MenuOpenInstDir, *FileN2, *MenuSetting, *T1,
        *FileN1, *MenuQuit;
    QAction *MenuUndo, *EditCut, *EditCopy, *EditPaste, *MenuBM, *EditDay, *MenuEditHTML;
    QAction *FindFind, *FindReplace, *FindNext, *MenuHelpContents, *HelpAbout;
    // Context menu of the editor.
    QAction *PopupUndo, *PopupCut, *PopupCopy, *PopupPaste;
    // Tool bar.
    QToolButton *ToolButtonOpen, *ToolButtonClose, *ToolButtonUndo, *ToolButtonCut, *ToolButtonCopy,
        *ToolButtonPaste, *ToolButtonBM, *ToolButtonTime;

    // The document's state beyond the editor.
    DocTitleBytes DocTitle{};
    TFileDialogState OpenDialog1;
    TFileDialogState SaveDialog1;
    DocSaveOptions SaveOptions;
    QString InitDir;
    TProxySettings Proxy;
    std::unique_ptr<TUserData> UserData;
    // The pattern component of the HTML command: CR LF lines, no dictionaries.
    regex::TAWKStr AWKStr1;

    // The other windows, created hidden at start.
    TFormName* FormName;
    TAboutBox* AboutBox;
    TFormInst* FormInst;
    TFormUser* FormUser;
    TFormDL* FormDL;
    TFormURL* FormURL;

    // The document text as bytes (CP932, CR LF) and back.
    std::string DocumentBytes() const;
    void SetDocumentBytes(std::string_view bytes);
    // Replaces the whole text as one step that Undo takes back.
    void ReplaceDocumentBytes(std::string_view bytes);
    bool Modified() const;
    void SetModified(bool modified);

    // Commands.
    void MenuNewClick();
    void MenuOpenClick();
    // True when the document was written.
    bool MenuSaveClick();
    void MenuQuitClick();
    void MenuHelpContentsClick();
    void HelpAboutClick();
    void URLU1Click();
    void MenuInstallClick();
    void MenuOpenInstDirClick();
    void MenuSettingClick();
    void T1Click();
    void MenuUndoClick();
    void EditCutClick();
    void EditCopyClick();
    void EditPasteClick();
    void MenuBMClick();
    void EditDayClick();
    void MenuEditHTMLClick();
    void FindFindClick();
    void FindReplaceClick();
    void FindNextClick();

    // Reads a file into the editor for the open command and the recent-files
    // menu; a path that names no file does nothing.
    void OpenDocument(const QString& path);
    // The command line's and a drop's ways of opening.
    void OpenFromCommandLine(const QString& argument);
    void WMDropFiles(const QStringList& paths);

    // Sets the enabled state of undo, cut, copy and paste; runs whenever the
    // application becomes idle.
    void UpdateCommandStates();

    // The HTML-to-text conversion through AWKStr1; the window keeps painting
    // while a long page is converted.
    std::string HtmlToText(const std::string& html);

    // Adds a path to the recent-files list.
    void AddToHistory(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class ReadWay { OpenCommand, CommandLineOrDrop };
    enum class ReadOutcome { Read, Refused, Failed };

    void CreateMenus();
    void CreateToolBar();
    void CreateForms();
    void FormCreate(const platform::TRegistryFile& registry, const QStringList& args);
    // The core shared by every way of opening.
    ReadOutcome ReadIntoEditor(const QString& path);
    void AfterCommandLineOrDropRead(const QString& path, ReadOutcome outcome);
    // The save question; true when the caller may go on (No, or Yes and saved).
    bool AskSaveQuestion();
    // Writes the document as text or as a DOC database; false when not written.
    bool SaveTo(const QString& path, FileKind kind);
    bool RichEditMainKeyDown(QKeyEvent* event);
    void SetCaption(const QString& fileName);
    void ShowError(const QString& text, const QString& detail = {});
    // Before the text is written with "?" for characters Shift-JIS cannot hold:
    // true when there are none or the user agrees.
    bool ConfirmUnencodable(qsizetype count, qsizetype firstPosition);
    void NotAvailableYet();
    // Runs a command, showing any error that escapes it in a message box.
    void Guarded(const std::function<void()>& command);

    bool clipboardHasText_ = false;
    // A long command runs (a download, the HTML conversion); a close asked for
    // meanwhile waits for its end.
    bool busy_ = false;
    bool closePending_ = false;
};

}  // namespace verdane
