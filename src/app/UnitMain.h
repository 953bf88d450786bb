// TFormMainVerdane: the editor window. It holds the one document (the editor's
// text, its Modified flag, DocTitle and the open dialog's file name and filter
// index) and wires the commands together; the commands' work lives in classes
// and functions of their own (DocumentFile, the install and settings layers).
#pragma once

#include "DocSaveOptions.h"
#include "DocumentFile.h"
#include "EditorSearch.h"
#include "Prompts.h"
#include "Settings.h"
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
class TFormSetting;
class TFormDay;
class TFormText;
class TFindDialog;
class TReplaceDialog;
class THistoryMenu;
class TFormURL;
class PaintTurns;
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
    std::unique_ptr<TUserData> UserData;
    // The pattern component of the HTML command: CR LF lines, no dictionaries.
    regex::TAWKStr AWKStr1;

    // The settings file, and the settings read from it at start and written
    // to it at close (InitDir and the save flags live in their own fields).
    QString IniPath;
    TSettings Settings;
    // Find, find next and replace: the search text and options of the last Find.
    TEditorSearch Search;
    // The recent-files list under the separator FileN1.
    THistoryMenu* HistoryMenu1 = nullptr;

    // The other windows, created hidden at start.
    TFormName* FormName;
    TAboutBox* AboutBox;
    TFormSetting* FormSetting = nullptr;
    TFormDay* FormDay = nullptr;
    TFormText* FormText = nullptr;
    TFindDialog* FindDialog1 = nullptr;
    TReplaceDialog* ReplaceDialog1 = nullptr;
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
    // A pick from the recent-files list: opened without the save question.
    void HistoryMenu1HistorySelected(const QString& fileName);

    // The settings file, read at start and written at close; the recent-files
    // list is read and written with them.
    void LoadSettings();
    void SaveSettings();

    // The find and replace dialogs' buttons.
    void FindDialog1Find();
    void ReplaceDialog1Find();
    void ReplaceDialog1Replace();
    void ReplaceDialog1ReplaceAll();
    // The time menu, filled anew each time it opens, and one of its lines.
    void PopupMenuTimePopup();
    void TimeItemClick(const QString& text);

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
    // Whether text goes into the editor: it has the window's focus, or nothing has.
    bool EditorIsActiveControl() const;
    void SetCaption(const QString& fileName);
    void ShowError(const QString& text, const QString& detail = {});
    // Before the text is written with "?" for characters Shift-JIS cannot hold:
    // true when there are none or the user agrees.
    bool ConfirmUnencodable(qsizetype count, qsizetype firstPosition);
    // Runs a command, showing any error that escapes it in a message box.
    void Guarded(const std::function<void()>& command);

    bool clipboardHasText_ = false;
    // A long command runs (a download, the HTML conversion); a close asked for
    // meanwhile waits for its end.
    bool busy_ = false;
    bool closePending_ = false;
    // The window's turns to paint during a long command (null between them).
    std::unique_ptr<PaintTurns> turns_;
};

}  // namespace verdane
