// FileCommands: the window's ways in and out of files. New, Open, a recent
// pick, the command line and a drop replace the document through one function
// after the save question; Save writes it; Install queues it for a handheld.
// Every question goes through Prompts(), so tests answer them.
#pragma once

#include "AozoraNotation.h"
#include "DocSaveOptions.h"
#include "Document.h"
#include "EditorFileCodec.h"
#include "Prompts.h"
#include "ReadText.h"
#include "WritePlan.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QProgressBar;
class QWidget;

namespace verdane {

class DocumentSession;
class LongWork;
class TFormAozora;
class TFormEntry;
class TFormInst;
class TFormName;
class TFormUser;
class TUserData;
struct TSettings;

class FileCommands {
public:
    struct Forms {
        TFormName& name;
        TFormEntry& entry;
        TFormInst& install;
        TFormUser& user;
        // Its readings option says what becomes of an EPUB book's ruby.
        TFormAozora& aozora;
    };
    FileCommands(QWidget& window, DocumentSession& session, LongWork& work, TSettings& settings, const Forms& forms,
                 QProgressBar& progress);

    // Told each path that goes on the recent-files list.
    std::function<void(const QString&)> OnRecent;
    // Told each path opened (read and now in the editor).
    std::function<void(const QString&)> OnOpened;
    // Asked before a save writes over a file; false stops the save.
    std::function<bool(const QString&)> MayOverwrite;
    // The Palm Desktop access, when the desktop was found.
    TUserData* UserData = nullptr;

    // What replaces the document: the new document and the editor's text. A
    // file read is the saved state (not modified); a page is new text, one
    // step that Undo takes back, and stays modified until it is saved.
    struct Replacement {
        core::Document document;
        QString text;
        bool saved = true;
        // A file read: its bytes go into the editor in pieces, in place of `text`.
        std::optional<core::OpenedFile> file;
        // The bookmarks of `text` (the headings of a cleaned work).
        std::vector<core::EditorBookmark> bookmarks;
    };
    // The one way the document is replaced: the save question first (Cancel,
    // or a Yes whose save did not happen, stops here), then `load` gives the
    // replacement (nothing: the document stays as it was, a failure was
    // already shown), then text and document change together. False when
    // nothing was replaced.
    bool ReplaceDocument(const std::function<std::optional<Replacement>()>& load);
    // The save question (Yes, No, Cancel); true when the caller may go on: No,
    // or Yes and saved. Cancel, Esc and a closed box stop the caller.
    bool MaybeSave();

    void New();
    void Open();
    // True when the document was written: as a text in the text file's own
    // code and line ends, or in `form` when one is given (文字コードを指定して
    // 保存, whose save dialog starts on the text type); as a DOC database in
    // Shift-JIS.
    bool Save(const std::optional<platform::FileForm>& form = std::nullopt);
    // The text written where it was read from, as it was (name, kind and DOC
    // title), without the save dialog: the changed bar's 元の場所に保存 once
    // the file is gone. A new text asks for its name as Save does.
    bool SaveInPlace();
    // A pick from the recent-files list: opened after the save question; true
    // when it was read.
    bool OpenRecent(const QString& path);
    // The command line's way: a short or relative name as the file it names.
    void OpenFromCommandLine(const QString& argument);
    // Files dropped on the window: the first is opened.
    void OpenDropped(const QStringList& paths);
    void Install();
    void OpenInstallFolder();

    // The text of an archive that holds several, chosen by the user; nullopt
    // when the choice was cancelled.
    std::optional<std::string> ChooseArchiveEntry(const std::vector<std::string>& names);
    // The readings of a book or a page turned into text, as the Aozora
    // dialog's setting says: in parentheses or dropped.
    AozoraRuby Ruby() const;

private:
    // How a read went, for the recent-files list.
    enum class ReadOutcome { Read, Refused, Failed, Stopped };
    std::optional<Replacement> LoadFile(const QString& path, ReadOutcome& outcome);
    ReadOutcome OpenFile(const QString& path);
    // Runs `work` on the window's thread, waiting for it when called from
    // another (the thread that reads a file).
    void OnWindowThread(const std::function<void()>& work);
    // Fills the editor with a file's text; a long text shows its progress.
    void FillFromFile(const core::OpenedFile& file);
    // Plans, asks and writes a save; `seenTarget` is the name the user saw
    // chosen (no question for replacing it). Afterwards the editor holds what
    // was written.
    bool WriteSave(const core::SaveRequest& request, const std::optional<platform::FileForm>& chosen,
                   const QString& seenTarget);
    DocSaveOptions SharedOptions() const;
    void Recent(const QString& path);

    QWidget& window_;
    DocumentSession& session_;
    LongWork& work_;
    TSettings& settings_;
    Forms forms_;
    QProgressBar& progress_;
    // The open and save dialogs' filter and name between uses.
    TFileDialogState openDialog_;
    TFileDialogState saveDialog_;
};

}  // namespace verdane
