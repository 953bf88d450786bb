#include "FileCommands.h"

#include "CommandGuard.h"
#include "DocumentSession.h"
#include "LongWork.h"
#include "Open.h"
#include "FailureJapanese.h"
#include "Settings.h"
#include "StatusNote.h"
#include "TextBookmarks.h"
#include "TextFill.h"
#include "UnitAozora.h"
#include "UnitInst.h"
#include "UnitName.h"
#include "UnitUser.h"
#include "PlanQuestion.h"
#include "WritePlan.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTextCursor>
#include <QThread>

namespace verdane {

namespace {

// The open dialog starts on every file the open command reads (texts, DOC
// databases, HTML, .zip archives and EPUB books), so a newcomer's texts are
// not hidden; one filter per kind follows. The save dialog has its own list,
// whose indexes name the kind a text is saved as.
const QString kOpenFilter = QStringLiteral(
    "読み込めるﾌｧｲﾙ(*.TXT;*.PDB;*.PRC;*.HTML;*.HTM;*.ZIP;*.EPUB)|*.TXT;*.PDB;*.PRC;*.HTML;*.HTM;*.ZIP;*.EPUB|"
    "ﾃｷｽﾄﾌｧｲﾙ(*.TXT)|*.TXT|DOCﾌｧｲﾙ(*.PRC)|*.PRC|DOCﾌｧｲﾙ(*.PDB)|*.PDB|HTMLﾌｧｲﾙ(*.HTML;*.HTM)|*.HTML;*.HTM|"
    "ｱｰｶｲﾌﾞﾌｧｲﾙ(*.ZIP)|*.ZIP|電子書籍 (*.epub)|*.epub|すべてのﾌｧｲﾙ(*.*)|*");
const QString kSaveFilter = QStringLiteral("ﾃｷｽﾄﾌｧｲﾙ(*.TXT)|*.TXT|DOCﾌｧｲﾙ(*.PRC)|*.PRC|DOCﾌｧｲﾙ(*.PDB)|*.PDB");

}  // namespace

FileCommands::FileCommands(QWidget& window, DocumentSession& session, LongWork& work, TSettings& settings,
                           const Forms& forms, QProgressBar& progress)
    : window_(window), session_(session), work_(work), settings_(settings), forms_(forms), progress_(progress) {
    openDialog_.Filter = kOpenFilter;
    openDialog_.FilterIndex = 1;
    saveDialog_.Filter = kSaveFilter;
    saveDialog_.FilterIndex = 3;
}

void FileCommands::Recent(const QString& path) {
    if (OnRecent) OnRecent(path);
}

bool FileCommands::MaybeSave() {
    if (!session_.Modified()) return true;
    const auto answer = Prompts().Message(&window_, QMessageBox::Warning, QStringLiteral("変更されています"),
                                          QStringLiteral("文書が変更されています。\n保存しますか?"),
                                          QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    // Cancel, Esc or the box closed: the command that asked does not go on.
    if (answer == QMessageBox::No) return true;
    if (answer != QMessageBox::Yes) return false;
    // A save that did not happen stops the command, so nothing is lost.
    return Save();
}

bool FileCommands::ReplaceDocument(const std::function<std::optional<Replacement>()>& load) {
    // A text still coming in is not replaced by another.
    if (work_.Busy()) return false;
    if (!MaybeSave()) return false;
    std::optional<Replacement> next = load();
    if (!next) return false;
    // The caption first: a long text is seen coming in under its name.
    session_.Bookmarks().Clear();
    session_.Adopt(std::move(next->document));
    if (next->file) {
        FillFromFile(*next->file);
        session_.Bookmarks().Place(next->file->bookmarks, next->file->text, next->file->code);
        // The bytes read go now; the editor's document is the one copy left.
        next.reset();
        if (OnOpened) OnOpened(session_.Document().Path());
    } else if (next->saved) {
        session_.SetSavedText(next->text);
    } else {
        LongWork::Scope scope(work_);
        session_.ReplaceText(next->text, work_.Turns());
        session_.Editor().document()->setModified(true);
        // A page or a work is read from its start.
        session_.Editor().moveCursor(QTextCursor::Start);
    }
    if (!next->file && !next->bookmarks.empty()) session_.Bookmarks().PlaceAt(next->bookmarks);
    return true;
}

void FileCommands::FillFromFile(const core::OpenedFile& file) {
    // Texts from this size on show their progress on the status bar.
    constexpr std::size_t kProgressFrom = 4 << 20;
    const platform::EditorBytes form = file.code == kcUtf8 ? platform::EditorBytes::Utf8 : platform::EditorBytes::ShiftJis;
    LongWork::Scope scope(work_);
    TextFillOptions options;
    // The pieces of 25 ms make one edit each; the turns decide when the window paints.
    options.turn = work_.Turns();
    options.turnEveryMs = 25;
    if (file.text.size() >= kProgressFrom) {
        progress_.setValue(0);
        progress_.show();
        options.progress = [this](std::size_t done, std::size_t total) {
            progress_.setValue(static_cast<int>(done * 1000 / std::max<std::size_t>(total, 1)));
        };
    }
    struct HideProgress {
        QProgressBar& bar;
        ~HideProgress() { bar.hide(); }
    } hide{progress_};
    FillEditor(session_.Editor(), file.text, form, options);
}

AozoraRuby FileCommands::Ruby() const {
    return forms_.aozora.RadioRubyDrop->isChecked() ? AozoraRuby::Drop : AozoraRuby::Paren;
}

std::optional<FileCommands::Replacement> FileCommands::LoadFile(const QString& path, ReadOutcome& outcome) {
    core::OpenOptions options;
    options.ruby = Ruby();
    // An archive of several texts: the user picks one, on the window's thread,
    // from the archive already read.
    options.chooseEntry = [this](const std::vector<std::string>& names) {
        std::optional<std::string> chosen;
        OnWindowThread([&] { chosen = ChooseArchiveEntry(names); });
        return chosen;
    };
    core::Result<core::OpenedFile> opened = [&] {
        // The window keeps painting while a long file is read and converted.
        LongWork::Scope scope(work_);
        return RunWhilePainting([&path, &options] { return core::Open(core::Source::File(path), options); },
                                work_.Turns());
    }();
    if (!opened) {
        if (opened.Code() == core::FailureCode::Cancelled) {
            outcome = ReadOutcome::Stopped;
        } else if (opened.Code() == core::FailureCode::NotDoc) {
            outcome = ReadOutcome::Refused;
            Prompts().Message(&window_, QMessageBox::Critical, QStringLiteral("開けません"),
                              QStringLiteral("そのファイルは、PilotDOC形式のファイルではありません。\nVerdaneでは開けません。"),
                              QMessageBox::Ok);
        } else {
            outcome = ReadOutcome::Failed;
            ShowErrorBox(&window_, JapaneseText(opened.Fault()));
        }
        return std::nullopt;
    }
    outcome = ReadOutcome::Read;
    Replacement next;
    next.document = opened->document;
    next.file = std::move(*opened);
    return next;
}

void FileCommands::OnWindowThread(const std::function<void()>& work) {
    if (QThread::currentThread() == window_.thread()) {
        work();
        return;
    }
    // The window's thread runs it at its next turn while the reader waits.
    QMetaObject::invokeMethod(&window_, work, Qt::BlockingQueuedConnection);
}

std::optional<std::string> FileCommands::ChooseArchiveEntry(const std::vector<std::string>& names) {
    // Asked in the middle of a download: the hourglass makes way for the
    // dialog and comes back after it.
    struct CursorLifted {
        bool lifted = QApplication::overrideCursor() != nullptr;
        CursorLifted() {
            if (lifted) QApplication::restoreOverrideCursor();
        }
        ~CursorLifted() {
            if (lifted) QApplication::setOverrideCursor(Qt::WaitCursor);
        }
    } cursor;
    forms_.entry.SetNames(names);
    if (Prompts().RunDialog(forms_.entry) != QDialog::Accepted) return std::nullopt;
    std::string chosen = forms_.entry.Chosen();
    if (chosen.empty()) return std::nullopt;
    return chosen;
}

FileCommands::ReadOutcome FileCommands::OpenFile(const QString& path) {
    ReadOutcome outcome = ReadOutcome::Stopped;
    ReplaceDocument([&] { return LoadFile(path, outcome); });
    return outcome;
}

bool FileCommands::OpenRecent(const QString& path) {
    // The list puts the path on top itself once it is opened.
    return !path.isEmpty() && OpenFile(path) == ReadOutcome::Read;
}

void FileCommands::OpenFromCommandLine(const QString& argument) {
    QString path = core::ExpandLongPathName(argument);
    if (!QFileInfo::exists(path)) path = QFileInfo(argument).absoluteFilePath();
    if (!QFileInfo::exists(path)) path = argument;
    // A file opened from the desktop or a terminal is a recent file too.
    if (OpenFile(path) == ReadOutcome::Read) Recent(path);
}

void FileCommands::OpenDropped(const QStringList& paths) {
    if (paths.isEmpty()) return;
    window_.activateWindow();
    window_.raise();
    const QString path = paths.first();
    // A dropped file goes on the recent-files list when it was read.
    if (OpenFile(path) != ReadOutcome::Read) return;
    Recent(path);
    // One document at a time: the others dropped with it are not lost unseen.
    if (paths.size() > 1)
        ShowStatusNote(&window_, QStringLiteral("ドロップされた %1 個のファイルのうち「%2」だけを開きました")
                                     .arg(paths.size())
                                     .arg(core::FileNamePart(path)));
}

void FileCommands::New() {
    ReplaceDocument([this] {
        Replacement next;
        // A new text has no title until it is saved.
        next.document = core::Document();
        return std::optional<Replacement>(std::move(next));
    });
}

void FileCommands::Open() {
    QString path;
    ReadOutcome outcome = ReadOutcome::Stopped;
    ReplaceDocument([&]() -> std::optional<Replacement> {
        openDialog_.InitialDir = session_.Folder();
        if (!Prompts().ChooseOpenFile(&window_, openDialog_)) return std::nullopt;
        path = openDialog_.FileName;
        return LoadFile(path, outcome);
    });
    // Only a file read goes on the recent-files list: one refused or unreadable
    // would only fail again from there.
    if (outcome == ReadOutcome::Read) Recent(path);
}

DocSaveOptions FileCommands::SharedOptions() const {
    DocSaveOptions options;
    options.Compress = settings_.Compress;
    options.IncludeBinary = settings_.IncludeBinary;
    return options;
}

bool FileCommands::Save(const std::optional<platform::FileForm>& chosen) {
    const core::Document& document = session_.Document();
    saveDialog_.FileName = document.SaveProposal(session_.Folder());
    saveDialog_.FilterIndex = chosen ? core::FilterIndexOf(core::DocKind::Text)
                              : document.Path().isEmpty() && document.Kind() != core::DocKind::Page
                                  ? core::FilterIndexOf(core::DocKind::Pdb)
                                  : document.SaveFilterIndex();
    saveDialog_.InitialDir = session_.Folder();
    if (!Prompts().ChooseSaveFile(&window_, saveDialog_)) return false;
    // The type chosen in the dialog decides the kind and the extension, in
    // place of any extension typed.
    core::SaveRequest request;
    request.path = saveDialog_.FileName;
    request.kind = core::KindOfFilterIndex(saveDialog_.FilterIndex);
    if (request.kind != core::DocKind::Text) {
        TFormName& form = forms_.name;
        // The text's own title, or the file's name for a text that has none.
        form.EditStryName->setText(core::ProposedTitle(document, request.path));
        form.CheckBoxCompress->setChecked(settings_.Compress);
        form.CheckBoxBinary->setChecked(settings_.IncludeBinary);
        if (Prompts().RunDialog(form) != QDialog::Accepted) return false;
        settings_.Compress = request.compress = form.CheckBoxCompress->isChecked();
        settings_.IncludeBinary = request.includeBinary = form.CheckBoxBinary->isChecked();
        request.title = form.EditStryName->text();
        // The bookmarks go back into the database at their places now.
        request.bookmarks = session_.Bookmarks().AtEditor();
    }
    // The file dialog asked about the name chosen, not about another file the
    // type's extension names.
    return WriteSave(request, chosen, saveDialog_.FileName);
}

bool FileCommands::SaveInPlace() {
    const core::Document& document = session_.Document();
    if (document.Path().isEmpty()) return Save();
    // The name, kind and title the text has: what the save dialog proposes,
    // taken without asking.
    core::SaveRequest request;
    request.path = document.SaveProposal(session_.Folder());
    request.kind = document.Kind() == core::DocKind::Page ? core::DocKind::Text : document.Kind();
    if (request.kind != core::DocKind::Text) {
        request.title = core::ProposedTitle(document, request.path);
        request.compress = settings_.Compress;
        request.includeBinary = settings_.IncludeBinary;
        request.bookmarks = session_.Bookmarks().AtEditor();
    }
    return WriteSave(request, std::nullopt, document.Path());
}

bool FileCommands::WriteSave(const core::SaveRequest& request, const std::optional<platform::FileForm>& chosen,
                             const QString& seenTarget) {
    // A text in the code and line ends chosen for this save, else in its own.
    const core::Document document = chosen ? session_.Document().WithForm(*chosen) : session_.Document();
    auto makePlan = [&] {
        LongWork::Scope scope(work_);
        return core::PlanSave(document, session_.Text(), request);
    };
    core::Result<core::WritePlan> plan = makePlan();
    core::Result<core::Document> written = core::Failure{core::FailureCode::Cancelled};
    for (int round = 0;; ++round) {
        const bool first = round == 0;
        if (!first) plan = makePlan();
        if (!plan) {
            ShowErrorBox(&window_, JapaneseText(plan.Fault()));
            return false;
        }
        if (first && MayOverwrite && !MayOverwrite(plan->target)) return false;
        // One question for what changes unseen.
        PlanSeen seen;
        seen.form = chosen.has_value();
        seen.target = first && plan->target == seenTarget;
        if (!AskPlan(&window_, *plan, &session_.Editor(), seen)) return false;
        written = [&] {
            LongWork::Scope scope(work_);
            return core::Save(*plan);
        }();
        // Another program put a file there, or changed it, while the question
        // waited: nothing was written, and the new plan is asked about (a file
        // that changes all the time is reported after a few rounds).
        if (written || written.Code() != core::FailureCode::TargetChanged || round == 2) break;
    }
    const QString target = plan->target;
    if (!written) {
        ShowErrorBox(&window_, QStringLiteral("%1 を保存できません。\n%2").arg(target, JapaneseText(written.Fault())));
        return false;
    }
    // The editor holds what the file holds: the stand-ins written go into the
    // text, one step that Undo takes back. A text with more of them than a
    // plan lists is planned again for the rest, into the same step.
    for (bool join = false; plan && plan->unwritableCount > 0; join = true) {
        const bool listedAll = plan->unwritable.size() == plan->unwritableCount;
        session_.PutStandIns(plan->unwritable, join);
        if (listedAll) break;
        plan = core::PlanSave(document, session_.Text(), request);
    }
    // The document is now the file just written; it goes on the recent-files list.
    session_.Saved(std::move(*written));
    Recent(target);
    ShowStatusNote(&window_, QStringLiteral("「%1」に保存しました").arg(core::FileNamePart(target)));
    return true;
}

void FileCommands::Install() {
    if (work_.Busy()) return;
    DocSaveOptions options = SharedOptions();
    // The database sent to the handheld keeps the text's bookmarks, as a saved one does.
    const QString name = session_.InstallName();
    const InstallJob job{session_.Document(), session_.Text(), name, core::ProposedTitle(session_.Document(), name),
                         session_.Bookmarks().AtEditor(), &session_.Editor()};
    if (RunInstall(forms_.install, UserData, job, options)) ShowStatusNote(&window_, InstalledNote(forms_.install));
    settings_.Compress = options.Compress;
    settings_.IncludeBinary = options.IncludeBinary;
}

void FileCommands::OpenInstallFolder() { RunOpenInstallFolder(forms_.user, UserData); }

}  // namespace verdane
