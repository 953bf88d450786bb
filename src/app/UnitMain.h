// TFormMainVerdane: the editor window. It builds the widgets and wires the
// menu items, tool buttons and keys to the commands (FileCommands,
// DownloadCommand, TextCommands, SearchCommands). The open document lives in
// its DocumentSession, long work runs through its LongWork.
#pragma once

#include "Settings.h"

#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <memory>
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
class DocumentSession;
class DownloadCommand;
class EditorView;
class LibraryCommand;
class FileCommands;
class LongWork;
class SaveCodeCommand;
class SearchCommands;
class TextCommands;
class TUserData;
class TAboutBox;
class TFormSetting;
class TFormDay;
class TFormText;
class THistoryMenu;
class TFormURL;
class TFormDL;
class TFormAozora;

// The settings as they are now, written to the settings file at close: the
// window's child named "Settings".
class TWindowSettings : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    TSettings values;
};

class TFormMainVerdane : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window and runs its creation steps: the Palm Desktop access
    // object from `registry`, settings, and the file named by args[0] if any.
    TFormMainVerdane(const platform::TRegistryFile& registry, const QStringList& args, QWidget* parent = nullptr);
    ~TFormMainVerdane() override;

    // The start's way: args[0], if any, opened as the command line names it.
    // RunVerdane calls it once the window shows, so a long text is seen to come in.
    void OpenAtStart(const QStringList& args);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateEditor();
    void CreateStatusBar();
    void CreateMenus();
    void CreateToolBar();
    void CreateForms();
    void FormCreate(const platform::TRegistryFile& registry, const QStringList& args);
    // A command run from a menu item, tool button or key, its errors shown.
    void Run(const std::function<void()>& command);

    void LoadSettings();
    void SaveSettings();
    // Shows the document's identity: caption, application title, status panels.
    void ShowDocument();
    void ShowCaretPosition();
    void ShowModifiedMark();
    // Sets the enabled state of undo, redo, cut, copy and paste; runs whenever
    // the application becomes idle.
    void UpdateCommandStates();

    void MenuSettingClick();
    void T1Click();
    void EditDayClick();
    void MenuHelpContentsClick();
    void PopupMenuTimePopup();
    // Whether text goes into the editor: it has the window's focus, or nothing has.
    bool EditorIsActiveControl() const;
    bool RichEditMainKeyDown(QKeyEvent* event);

    EditorView* RichEditMain;
    QToolBar* ToolBarMain = nullptr;
    QLabel* StatusPanel0;
    // Beside the panel of the DOC title: line and column of the caret, the code
    // and line ends the next save writes, the modified mark, and the progress
    // of a long text coming in.
    QLabel* StatusCaret;
    QLabel* StatusCode;
    QLabel* StatusModified;
    QProgressBar* StatusProgress;
    QMenu* PopupMenuEdit = nullptr;
    QMenu* PopupMenuTime = nullptr;
    QAction* FileN1 = nullptr;  // the recent-files list goes below it
    // The parts that follow the state of the editor: menu items, their
    // context-menu twins and the tool buttons.
    struct CommandParts {
        std::vector<QAction*> actions;
        std::vector<QToolButton*> buttons;
        void SetEnabled(bool enabled) const;
    };
    CommandParts undoParts_, redoParts_, cutCopyParts_, pasteParts_;

    TWindowSettings* Settings;
    QString IniPath;
    std::unique_ptr<TUserData> UserData;
    THistoryMenu* HistoryMenu1 = nullptr;

    // The other windows, created hidden at start.
    TAboutBox* AboutBox = nullptr;
    TFormSetting* FormSetting = nullptr;
    TFormDay* FormDay = nullptr;
    TFormText* FormText = nullptr;
    TFormDL* FormDL = nullptr;
    TFormURL* FormURL = nullptr;

    DocumentSession* session_;
    std::unique_ptr<LongWork> work_;
    std::unique_ptr<FileCommands> files_;
    std::unique_ptr<DownloadCommand> download_;
    std::unique_ptr<LibraryCommand> library_;
    std::unique_ptr<TextCommands> text_;
    std::unique_ptr<SearchCommands> search_;
    std::unique_ptr<SaveCodeCommand> saveCode_;
    bool clipboardHasText_ = false;
};

}  // namespace verdane
