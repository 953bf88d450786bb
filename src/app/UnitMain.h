// TFormMainVerdane: the editor window. It wires the commands to the widgets and
// the prompts; the work is done by the use cases of src/core (read, write,
// fetch, install, HTML to text), and what the open text is lives in one
// core::Document, replaced by one function after the save question.
#pragma once

#include "DocSaveOptions.h"
#include "Document.h"
#include "EditorSearch.h"
#include "Prompts.h"
#include "ReadText.h"
#include "Settings.h"
#include "TAWKStr.h"

#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QLabel;
class QProgressBar;
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
class TFormDL;
class TFormAozora;
class TFormEntry;
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

    // What the window holds.
    const core::Document& CurrentDocument() const { return document_; }
    // The editor's text as the save command writes it (CP932, CR LF; "?" for a
    // character Shift-JIS cannot hold).
    std::string DocumentBytes() const;
    bool Modified() const;
    // The settings as they are now (written to the settings file at close).
    const TSettings& CurrentSettings() const { return Settings; }
    // The recent-files list, most recent first.
    QStringList RecentFiles() const;

    // Commands, as the menu items and tool buttons run them.
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
    void MenuRedoClick();
    void MenuSelectAllClick();
    void EditCutClick();
    void EditCopyClick();
    void EditPasteClick();
    void MenuBMClick();
    void EditDayClick();
    void MenuEditHTMLClick();
    void MenuEditAozoraClick();
    void FindFindClick();
    void FindReplaceClick();
    void FindNextClick();
    // A pick from the recent-files list: opened after the save question.
    void HistoryMenu1HistorySelected(const QString& fileName);
    // The command line's and a drop's ways of opening.
    void OpenFromCommandLine(const QString& argument);
    // The start's way: args[0], if any, opened as the command line names it.
    // RunVerdane calls it once the window shows, so a long text is seen to come in.
    void OpenAtStart(const QStringList& args);
    void WMDropFiles(const QStringList& paths);

    // Sets the enabled state of undo, cut, copy and paste; runs whenever the
    // application becomes idle.
    void UpdateCommandStates();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What replaces the document: the new document and the editor's text. A
    // file read is the saved state (Modified cleared); a page is new text, one
    // step that Undo takes back, and stays modified until it is saved.
    struct Replacement {
        core::Document document;
        QString text;
        bool saved = true;
        // A file read: its bytes go into the editor in pieces, in place of `text`.
        std::optional<core::OpenedFile> file;
    };
    // How a read went, for the recent-files list.
    enum class ReadOutcome { Read, Refused, Failed, Stopped };

    void CreateMenus();
    void CreateToolBar();
    void CreateForms();
    void FormCreate(const platform::TRegistryFile& registry, const QStringList& args);

    // The one way the document is replaced: the save question first (a "Yes"
    // whose save did not happen stops here), then `load` gives the replacement
    // (nothing: the document stays as it was, a failure was already shown),
    // then the editor's text, the document, the caption, the status panel and
    // the dialogs' folder change together. False when nothing was replaced.
    bool ReplaceDocument(const std::function<std::optional<Replacement>()>& load);
    // The save question (Yes, No, Cancel); true when the caller may go on: No,
    // or Yes and saved. Cancel, Esc and a closed box stop the caller.
    bool MaybeSave();
    // Shows the document's identity: caption, application title, status panel.
    void ShowDocument();
    // Reads a file for every way of opening; refusals and failures are shown.
    std::optional<Replacement> LoadFile(const QString& path, ReadOutcome& outcome);
    // The text of an archive that holds several, chosen by the user; nullopt
    // when the choice was cancelled.
    std::optional<std::string> ChooseArchiveEntry(const std::vector<std::string>& names);
    // Replaces the file at `path` through ReplaceDocument, for the open command,
    // a recent pick, the command line and a drop.
    ReadOutcome OpenFile(const QString& path);

    std::string EditorBytes(bool& agreed);
    bool RichEditMainKeyDown(QKeyEvent* event);
    // Whether text goes into the editor: it has the window's focus, or nothing has.
    bool EditorIsActiveControl() const;
    void SetModified(bool modified);
    // Replaces the whole text as one step that Undo takes back.
    void ReplaceEditorText(const QString& text);
    // Fills the editor with a file's text; a visible window paints meanwhile and
    // shows the progress of a long text on the status bar.
    void FillFromFile(const core::OpenedFile& file);
    // The status bar's panels beside the DOC title: caret, code, line ends, mark.
    void ShowCaretPosition();
    void ShowModifiedMark();
    void ShowTextForm();
    std::string HtmlToText(const std::string& html);
    void AddToHistory(const QString& path);
    void LoadSettings();
    void SaveSettings();
    void ShowError(const QString& text, const QString& detail = {});
    // Before the text is written with "?" for characters Shift-JIS cannot hold:
    // true when there are none or the user agrees.
    bool ConfirmUnencodable(qsizetype count, qsizetype firstPosition);
    // Runs a command, showing any error that escapes it in a message box.
    void Guarded(const std::function<void()>& command);

    // Tells the user when the last search found nothing further.
    void SayWhenNothingFurther();
    void FindDialog1Find();
    void ReplaceDialog1Find();
    void ReplaceDialog1Replace();
    void ReplaceDialog1ReplaceAll();
    void PopupMenuTimePopup();
    void TimeItemClick(const QString& text);

    // The editor and its surroundings.
    QPlainTextEdit* RichEditMain;
    QToolBar* ToolBarMain;
    QLabel* StatusPanel0;
    // Beside the panel of the DOC title: line and column of the caret, the code
    // the text was read in, its line ends, the modified mark, and the progress
    // of a long text coming in.
    QLabel* StatusCaret;
    QLabel* StatusCode;
    QLabel* StatusLineEnds;
    QLabel* StatusModified;
    QProgressBar* StatusProgress;
    QMenu* PopupMenuEdit;
    QMenu* PopupMenuTime;

    // Main menu.
    QMenu *MenuFile, *MenuEdit, *MenuFind, *MenuHelp;
    QAction *MenuNew, *MenuOpen, *URLU1, *MenuSave, *MenuInstall, *MenuOpenInstDir, *FileN2, *MenuSetting, *T1,
        *FileN1, *MenuQuit;
    QAction *MenuUndo, *MenuRedo, *EditSelectAll, *EditCut, *EditCopy, *EditPaste, *MenuBM, *EditDay, *MenuEditHTML, *MenuEditAozora;
    QAction *FindFind, *FindReplace, *FindNext, *MenuHelpContents, *HelpAbout;
    // Context menu of the editor.
    QAction *PopupUndo, *PopupCut, *PopupCopy, *PopupPaste;
    // Tool bar.
    QToolButton *ToolButtonOpen, *ToolButtonClose, *ToolButtonUndo, *ToolButtonCut, *ToolButtonCopy,
        *ToolButtonPaste, *ToolButtonBM, *ToolButtonTime;

    // The open document.
    core::Document document_;
    // The open and save dialogs' filter and folder between uses.
    TFileDialogState OpenDialog1;
    TFileDialogState SaveDialog1;
    std::unique_ptr<TUserData> UserData;
    // The pattern component of the HTML command: CR LF lines, no dictionaries.
    regex::TAWKStr AWKStr1;

    // The settings file, and the settings read from it at start and written
    // to it at close.
    QString IniPath;
    TSettings Settings;
    // Find, find next and replace: the search text and options of the last Find.
    TEditorSearch Search;
    // The recent-files list under the separator FileN1.
    THistoryMenu* HistoryMenu1 = nullptr;

    // The other windows, created hidden at start.
    TFormName* FormName = nullptr;
    TAboutBox* AboutBox = nullptr;
    TFormSetting* FormSetting = nullptr;
    TFormDay* FormDay = nullptr;
    TFormText* FormText = nullptr;
    TFindDialog* FindDialog1 = nullptr;
    TReplaceDialog* ReplaceDialog1 = nullptr;
    TFormInst* FormInst = nullptr;
    TFormUser* FormUser = nullptr;
    TFormDL* FormDL = nullptr;
    TFormURL* FormURL = nullptr;
    TFormAozora* FormAozora = nullptr;
    TFormEntry* FormEntry = nullptr;

    bool clipboardHasText_ = false;
    // A long command runs (a download, the HTML conversion); a close asked for
    // meanwhile waits for its end.
    bool busy_ = false;
    bool closePending_ = false;
    // The window's turns to paint during a long command (null between them).
    std::unique_ptr<PaintTurns> turns_;
};

}  // namespace verdane
