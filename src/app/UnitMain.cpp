#include "UnitMain.h"

#include "AppInfo.h"
#include "CommandGuard.h"
#include "DocumentSession.h"
#include "DownloadCommand.h"
#include "LibraryCommand.h"
#include "UnitLibrary.h"
#include "EditCommands.h"
#include "EditorView.h"
#include "FileCommands.h"
#include "FileWatch.h"
#include "HelpViewer.h"
#include "HistMenu.h"
#include "LongWork.h"
#include "Recovery.h"
#include "ProfileFile.h"
#include "RecentPlaces.h"
#include "RegistryFile.h"
#include "SaveCode.h"
#include "SearchCommands.h"
#include "Startup.h"
#include "TextBookmarks.h"
#include "TextCommands.h"
#include "ToolBarImages.h"
#include "UnitAbout.h"
#include "UnitAozora.h"
#include "UnitDL.h"
#include "UnitDay.h"
#include "UnitInst.h"
#include "UnitName.h"
#include "UnitSetting.h"
#include "UnitText.h"
#include "UnitURL.h"
#include "UnitUser.h"
#include "UserData.h"
#include "ViewCommands.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolBar>
#include <QToolButton>

namespace verdane {

namespace {

QAction* AddItem(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut = {}) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    return action;
}

QAction* AddSeparator(QMenu* menu, const char* name) {
    QAction* action = menu->addSeparator();
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QKeySequence Ctrl(Qt::Key key) { return QKeySequence(Qt::CTRL | key); }

QStringList LocalFiles(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    return paths;
}

}  // namespace

void TFormMainVerdane::CommandParts::SetEnabled(bool enabled) const {
    for (QAction* action : actions) action->setEnabled(enabled);
    for (QToolButton* button : buttons) button->setEnabled(enabled);
}

TFormMainVerdane::TFormMainVerdane(const platform::TRegistryFile& registry, const QStringList& args, QWidget* parent)
    : QMainWindow(parent), Settings(new TWindowSettings(this)) {
    setObjectName(QStringLiteral("FormMainVerdane"));
    Settings->setObjectName(QStringLiteral("Settings"));
    resize(513, 427);
    QFont font(kDefaultFontFace);
    font.setPixelSize(12);
    setFont(font);

    CreateEditor();
    RichEditMain->setFocus();
    session_ = new DocumentSession(*RichEditMain, this);
    new RecoveryKeeper(*session_, this);
    work_ = std::make_unique<LongWork>(*this);
    CreateStatusBar();
    CreateForms();
    CreateMenus();
    CreateToolBar();
    for (QWidget* widget : {static_cast<QWidget*>(menuBar()), static_cast<QWidget*>(ToolBarMain),
                            static_cast<QWidget*>(RichEditMain)})
        work_->Guard(widget);
    connect(session_, &DocumentSession::DocumentChanged, this, &TFormMainVerdane::ShowDocument);
    FormCreate(registry, args);
}

TFormMainVerdane::~TFormMainVerdane() = default;

void TFormMainVerdane::CreateEditor() {
    RichEditMain = new EditorView(this);
    RichEditMain->setObjectName(QStringLiteral("RichEditMain"));
    RichEditMain->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    RichEditMain->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    RichEditMain->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichEditMain->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEditMain->setTabChangesFocus(false);
    RichEditMain->setContextMenuPolicy(Qt::CustomContextMenu);
    RichEditMain->installEventFilter(this);
    RichEditMain->viewport()->installEventFilter(this);
    // A selection stays as visible when the editor loses the focus.
    QPalette palette = RichEditMain->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    RichEditMain->setPalette(palette);
    setCentralWidget(RichEditMain);
}

void TFormMainVerdane::CreateStatusBar() {
    StatusPanel0 = new QLabel(this);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setMinimumWidth(50);
    statusBar()->setObjectName(QStringLiteral("StatusBarMain"));
    statusBar()->addWidget(StatusPanel0, 1);
    auto panel = [this](const char* name) {
        auto* label = new QLabel(this);
        label->setObjectName(QString::fromLatin1(name));
        statusBar()->addPermanentWidget(label);
        return label;
    };
    StatusProgress = new QProgressBar(this);
    StatusProgress->setObjectName(QStringLiteral("StatusProgress"));
    StatusProgress->setRange(0, 1000);
    StatusProgress->setFormat(QStringLiteral("読み込み中 %p%"));
    StatusProgress->setMaximumWidth(160);
    StatusProgress->hide();
    statusBar()->addPermanentWidget(StatusProgress);
    StatusCaret = panel("StatusCaret");
    StatusCode = panel("StatusCode");
    StatusModified = panel("StatusModified");
    connect(RichEditMain, &QPlainTextEdit::cursorPositionChanged, this, &TFormMainVerdane::ShowCaretPosition);
    connect(RichEditMain->document(), &QTextDocument::modificationChanged, this, &TFormMainVerdane::ShowModifiedMark);
    ShowCaretPosition();
    ShowModifiedMark();
}

void TFormMainVerdane::CreateForms() {
    FormSetting = new TFormSetting(this);
    AboutBox = new TAboutBox(this);
    FormDay = new TFormDay(platform::DatePatternFilePath(QCoreApplication::applicationFilePath()), this);
    FormDL = new TFormDL(this);
    FormURL = new TFormURL(this);
    FormText = new TFormText(this);
    auto* aozora = new TFormAozora(this);
    const FileCommands::Forms forms{*new TFormName(this), *new TFormEntry(this), *new TFormInst(this),
                                    *new TFormUser(this), *aozora};
    files_ = std::make_unique<FileCommands>(*this, *session_, *work_, Settings->values, forms, *StatusProgress);
    download_ = std::make_unique<DownloadCommand>(*this, *session_, *files_, *work_, Settings->values, *FormURL, *FormDL);
    library_ = std::make_unique<LibraryCommand>(*this, *files_, *work_, Settings->values, IniPath,
                                                LibraryCommand::Forms{*new TFormLibrary(this), *FormDL, *aozora});
    text_ = std::make_unique<TextCommands>(*this, *session_, *work_, Settings->values, *aozora);
    search_ = std::make_unique<SearchCommands>(*this, *session_, *work_, Settings->values.Find);
    saveCode_ = std::make_unique<SaveCodeCommand>(*this, *session_, *files_, *StatusCode);
}

void TFormMainVerdane::Run(const std::function<void()>& command) { Guarded(this, command); }

void TFormMainVerdane::CreateMenus() {
    // While long work runs no command starts, whatever reaches its item (a
    // shortcut, a tool button): only the work's own Cancel and a close are live.
    auto on = [this](QAction* action, std::function<void()> command) {
        connect(action, &QAction::triggered, this, [this, command] {
            if (!work_->Busy()) Run(command);
        });
        return action;
    };
    QPlainTextEdit* editor = RichEditMain;

    QMenu* file = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    file->setObjectName(QStringLiteral("MenuFile"));
    on(AddItem(file, "MenuNew", QStringLiteral("新規作成(&N)"), Ctrl(Qt::Key_N)), [this] { files_->New(); });
    on(AddItem(file, "MenuOpen", QStringLiteral("開く(&O)..."), Ctrl(Qt::Key_O)), [this] { files_->Open(); });
    on(AddItem(file, "URLU1", QStringLiteral("URLから開く(&U)...")), [this] { download_->Run(); });
    on(AddItem(file, "MenuLibrary", QStringLiteral("青空文庫から探す(&B)...")), [this] { library_->Run(); });
    on(AddItem(file, "MenuSave", QStringLiteral("保存(&S)..."), Ctrl(Qt::Key_S)), [this] { files_->Save(); });
    on(AddItem(file, "MenuSaveCode", QStringLiteral("文字コードを指定して保存(&E)...")), [this] { saveCode_->Run(); });
    on(AddItem(file, "MenuInstall", QStringLiteral("ｲﾝｽﾄｰﾙ(&I)..."), Ctrl(Qt::Key_I)), [this] { files_->Install(); });
    on(AddItem(file, "MenuOpenInstDir", QStringLiteral("ｲﾝｽﾄｰﾙﾃﾞｨﾚｸﾄﾘを開く(&D)...")),
       [this] { files_->OpenInstallFolder(); });
    AddSeparator(file, "FileN2");
    on(AddItem(file, "MenuSetting", QStringLiteral("設定(&C)...")), [this] { MenuSettingClick(); });
    on(AddItem(file, "T1", QStringLiteral("定型文の編集(&T)..."), Ctrl(Qt::Key_T)), [this] { T1Click(); });
    FileN1 = AddSeparator(file, "FileN1");
    connect(AddItem(file, "MenuQuit", QStringLiteral("終了(&Q)"), Ctrl(Qt::Key_Q)), &QAction::triggered, this,
            &QWidget::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    edit->setObjectName(QStringLiteral("MenuEdit"));
    undoParts_.actions.push_back(on(AddItem(edit, "MenuUndo", QStringLiteral("元に戻す(&U)"), Ctrl(Qt::Key_Z)),
                                    [editor] { editor->undo(); }));
    QAction* redo = on(AddItem(edit, "MenuRedo", QStringLiteral("やり直し(&R)")), [editor] { editor->redo(); });
    redo->setShortcuts({Ctrl(Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    redoParts_.actions.push_back(redo);
    AddSeparator(edit, "EditN1");
    cutCopyParts_.actions.push_back(
        on(AddItem(edit, "EditCut", QStringLiteral("ｶｯﾄ(&T)"), Ctrl(Qt::Key_X)), [editor] { editor->cut(); }));
    cutCopyParts_.actions.push_back(
        on(AddItem(edit, "EditCopy", QStringLiteral("ｺﾋﾟｰ(&C)"), Ctrl(Qt::Key_C)), [editor] { editor->copy(); }));
    pasteParts_.actions.push_back(
        on(AddItem(edit, "EditPaste", QStringLiteral("ﾍﾟｰｽﾄ(&P)"), Ctrl(Qt::Key_V)), [editor] { editor->paste(); }));
    on(AddItem(edit, "EditSelectAll", QStringLiteral("すべて選択(&L)"), Ctrl(Qt::Key_A)), [editor] { editor->selectAll(); });
    AddSeparator(edit, "EditN2");
    on(AddItem(edit, "MenuBM", QStringLiteral("ﾌﾞｯｸﾏｰｸを挿入(&B)"), Ctrl(Qt::Key_B)),
       [this] { InsertBookmark(*RichEditMain, Settings->values.BookmarkMark); });
    on(AddItem(edit, "EditDay", QStringLiteral("日付を挿入(&D)"), Ctrl(Qt::Key_D)), [this] { EditDayClick(); });
    AddSeparator(edit, "EditN3");
    on(AddItem(edit, "MenuEditHTML", QStringLiteral("HTML→テキスト処理(&H)")), [this] { text_->HtmlToText(); });
    on(AddItem(edit, "MenuEditAozora", QStringLiteral("青空文庫の注記を整える(&A)")), [this] { text_->CleanAozora(); });

    QMenu* find = menuBar()->addMenu(QStringLiteral("検索(&S)"));
    find->setObjectName(QStringLiteral("MenuFind"));
    on(AddItem(find, "FindFind", QStringLiteral("検索(&F)..."), Ctrl(Qt::Key_F)), [this] { search_->ShowFind(); });
    on(AddItem(find, "FindReplace", QStringLiteral("置換(&R)..."), Ctrl(Qt::Key_R)), [this] { search_->ShowReplace(); });
    on(AddItem(find, "FindNext", QStringLiteral("次を検索(&N)"), QKeySequence(Qt::Key_F3)), [this] { search_->FindNext(); });
    find->addSeparator();
    session_->Bookmarks().AddMenuTo(*find);

    QMenu* help = menuBar()->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    help->setObjectName(QStringLiteral("MenuHelp"));
    on(AddItem(help, "MenuHelpContents", QStringLiteral("目次(&C)")), [this] { MenuHelpContentsClick(); });
    on(AddItem(help, "HelpAbout", QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)...")), [this] { Prompts().RunDialog(*AboutBox); });

    PopupMenuEdit = new QMenu(this);
    PopupMenuEdit->setObjectName(QStringLiteral("PopupMenuEdit"));
    undoParts_.actions.push_back(on(AddItem(PopupMenuEdit, "PopupUndo", QStringLiteral("元に戻す(&U)")), [editor] { editor->undo(); }));
    AddSeparator(PopupMenuEdit, "PopupN1");
    cutCopyParts_.actions.push_back(on(AddItem(PopupMenuEdit, "PopupCut", QStringLiteral("ｶｯﾄ(&T)")), [editor] { editor->cut(); }));
    cutCopyParts_.actions.push_back(on(AddItem(PopupMenuEdit, "PopupCopy", QStringLiteral("ｺﾋﾟｰ(&C)")), [editor] { editor->copy(); }));
    pasteParts_.actions.push_back(on(AddItem(PopupMenuEdit, "PopupPaste", QStringLiteral("ﾍﾟｰｽﾄ(&P)")), [editor] { editor->paste(); }));
    connect(RichEditMain, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenuEdit->popup(RichEditMain->mapToGlobal(pos)); });

    PopupMenuTime = new QMenu(this);
    PopupMenuTime->setObjectName(QStringLiteral("PopupMenuTime"));
    connect(PopupMenuTime, &QMenu::aboutToShow, this, [this] { Run([this] { PopupMenuTimePopup(); }); });
}

void TFormMainVerdane::CreateToolBar() {
    ToolBarMain = addToolBar(QStringLiteral("ToolBarMain"));
    ToolBarMain->setObjectName(QStringLiteral("ToolBarMain"));
    ToolBarMain->setMovable(false);
    ToolBarMain->setFloatable(false);
    ToolBarMain->setIconSize(QSize(16, 16));
    ToolBarMain->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);

    // Each button runs the menu item of its command.
    auto button = [this](const char* name, ToolImage image, const QString& hint, const char* item,
                         CommandParts* parts = nullptr) {
        auto* b = new QToolButton(ToolBarMain);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(ToolBarImage(image));
        b->setToolTip(hint);
        b->setAutoRaise(true);
        QAction* action = findChild<QAction*>(QString::fromLatin1(item));
        connect(b, &QToolButton::clicked, action, &QAction::trigger);
        ToolBarMain->addWidget(b);
        if (parts) parts->buttons.push_back(b);
        return b;
    };
    ToolBarMain->addSeparator();
    button("ToolButtonOpen", ToolImage::Open, QStringLiteral("ﾌｧｲﾙを開く"), "MenuOpen");
    button("ToolButtonClose", ToolImage::Save, QStringLiteral("ﾌｧｲﾙを保存する"), "MenuSave");
    ToolBarMain->addSeparator();
    button("ToolButtonUndo", ToolImage::Undo, QStringLiteral("内容を元に戻す"), "MenuUndo", &undoParts_);
    ToolBarMain->addSeparator();
    button("ToolButtonCut", ToolImage::Cut, QStringLiteral("カット"), "EditCut", &cutCopyParts_);
    button("ToolButtonCopy", ToolImage::Copy, QStringLiteral("コピー"), "EditCopy", &cutCopyParts_);
    button("ToolButtonPaste", ToolImage::Paste, QStringLiteral("ペースト"), "EditPaste", &pasteParts_);
    ToolBarMain->addSeparator();
    button("ToolButtonBM", ToolImage::Bookmark, QStringLiteral("ブックマークを挿入する"), "MenuBM");
    QToolButton* time = button("ToolButtonTime", ToolImage::Clock, QString(), "EditDay");
    time->setPopupMode(QToolButton::MenuButtonPopup);
    time->setMenu(PopupMenuTime);
}

void TFormMainVerdane::FormCreate(const platform::TRegistryFile& registry, const QStringList& args) {
    // Without a Palm Desktop (chosen at the first start) the text is edited
    // as usual; install says why it cannot.
    if (PalmDesktopInstalled(registry)) {
        try {
            UserData = std::make_unique<TUserData>(registry);
        } catch (const DllError& e) {
            ShowErrorBox(this, QString::fromUtf8(e.what()), QString::fromStdString(e.Detail()));
        }
    }
    files_->UserData = UserData.get();
    setAcceptDrops(true);

    // The idle handler: the event loop is about to wait, every pending event done.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TFormMainVerdane::UpdateCommandStates);
    // Asking the clipboard at every idle moment would ask the display server each
    // time; its contents are noted when they change instead.
    QClipboard* clipboard = QApplication::clipboard();
    auto noteClipboard = [this, clipboard] {
        const QMimeData* data = clipboard->mimeData();
        clipboardHasText_ = data && data->hasText();
    };
    connect(clipboard, &QClipboard::dataChanged, this, noteClipboard);
    noteClipboard();

    ShowDocument();
    IniPath = platform::SettingsFilePath(QCoreApplication::applicationFilePath());
    HistoryMenu1 = new THistoryMenu(this);
    HistoryMenu1->setObjectName(QStringLiteral("HistoryMenu1"));
    HistoryMenu1->SetTargetMenuItem(FileN1);
    new RecentPlaces(*this, *RichEditMain, *session_, *files_, *HistoryMenu1);
    new FileWatch(*this, *session_, *files_);
    files_->OnRecent = [this](const QString& path) { HistoryMenu1->AddHistory(path); };
    Run([this] { LoadSettings(); });
    new ViewCommands(*this, *RichEditMain, Settings->values, *work_);
    FormURL->SetRecentUrls(Settings->values.RecentUrls);
    FormURL->CheckBoxHTML->setChecked(Settings->values.UrlHtml);
    session_->SetFolder(Settings->values.InitDir);
    OpenAtStart(args);
}

void TFormMainVerdane::OpenAtStart(const QStringList& args) {
    if (!args.isEmpty()) Run([&] { files_->OpenFromCommandLine(args.first()); });
}

void TFormMainVerdane::LoadSettings() {
    TSettings& settings = Settings->values;
    const platform::TProfile ini(IniPath);
    // The editor's font and the window's bounds as they are now are the
    // defaults of their keys.
    settings.EditorFont = RichEditMain->font();
    settings.WindowBounds = QRect(pos(), size());
    verdane::LoadSettings(ini, settings);
    ApplyEditorLook(*RichEditMain, settings);
    // Without a stored position the desktop places the window; a size too
    // small to use (a damaged file) gives way to the usual one.
    const QRect& bounds = settings.WindowBounds;
    if (ini.ValueExists(QStringLiteral("Window"), QStringLiteral("Left")) ||
        ini.ValueExists(QStringLiteral("Window"), QStringLiteral("Top")))
        move(bounds.topLeft());
    resize(bounds.width() >= 100 ? bounds.width() : 513, bounds.height() >= 80 ? bounds.height() : 427);
    HistoryMenu1->FileName = IniPath;
    HistoryMenu1->SetActive(true);
}

void TFormMainVerdane::SaveSettings() {
    TSettings& settings = Settings->values;
    settings.WindowBounds = QRect(pos(), size());
    settings.RecentUrls = FormURL->RecentUrls();
    settings.UrlHtml = FormURL->CheckBoxHTML->isChecked();
    settings.InitDir = session_->Folder();
    platform::TProfile ini(IniPath);
    verdane::SaveSettings(ini, settings);
    HistoryMenu1->SetActive(false);
}

void TFormMainVerdane::ShowDocument() {
    const core::Document& document = session_->Document();
    const QString caption = document.Caption();
    setWindowTitle(CaptionWithModifiedMark(document));
    SetApplicationTitle(caption);
    StatusPanel0->setText(platform::BytesToEditor(core::DocTitleText(document.Title())));
    ShowModifiedMark();
    ShowCaretPosition();
}

void TFormMainVerdane::ShowCaretPosition() {
    const QTextCursor cursor = RichEditMain->textCursor();
    StatusCaret->setText(QStringLiteral("%1 行, %2 桁").arg(cursor.blockNumber() + 1).arg(cursor.positionInBlock() + 1));
}

void TFormMainVerdane::ShowModifiedMark() {
    StatusModified->setText(session_->Modified() ? QStringLiteral("変更あり") : QString());
}

void TFormMainVerdane::UpdateCommandStates() {
    QTextDocument* document = RichEditMain->document();
    undoParts_.SetEnabled(document->isUndoAvailable());
    redoParts_.SetEnabled(document->isRedoAvailable());
    pasteParts_.SetEnabled(clipboardHasText_);
    cutCopyParts_.SetEnabled(RichEditMain->textCursor().hasSelection());
}

void TFormMainVerdane::closeEvent(QCloseEvent* event) {
    if (work_->Busy()) {
        // A download or a conversion runs: end it, then close.
        work_->CloseWhenDone();
        if (FormDL->Running()) FormDL->ButtonCancelClick();
        event->ignore();
        return;
    }
    bool mayClose = true;
    Run([&] { mayClose = files_->MaybeSave(); });
    if (!mayClose) {
        event->ignore();
        return;
    }
    // A settings file that cannot be written is reported; the window still closes.
    Run([this] { SaveSettings(); });
    event->accept();
}

void TFormMainVerdane::MenuHelpContentsClick() {
    if (!ShowHelpContents(this, HelpFilePath()))
        ShowErrorBox(this, QStringLiteral("ヘルプファイルが見つかりません: %1")
                               .arg(QCoreApplication::applicationFilePath() + QStringLiteral(".HLP")));
}

void TFormMainVerdane::MenuSettingClick() {
    TSettings& settings = Settings->values;
    FormSetting->FormShow(settings.EditorFont, settings.EditorFontColor, settings.EditorBackground, settings);
    if (Prompts().RunDialog(*FormSetting) != QDialog::Accepted) return;
    FormSetting->ApplyTo(settings);
    ApplyEditorLook(*RichEditMain, settings);
}

void TFormMainVerdane::T1Click() {
    FormText->FixedPhrases = Settings->values.FixedPhrases;
    FormText->FormShow();
    if (Prompts().RunDialog(*FormText) == QDialog::Accepted) Settings->values.FixedPhrases = FormText->FixedPhrases;
}

bool TFormMainVerdane::EditorIsActiveControl() const {
    const QWidget* focus = focusWidget();
    return !focus || focus == RichEditMain;
}

void TFormMainVerdane::EditDayClick() {
    FormDay->FormShow();
    if (Prompts().RunDialog(*FormDay) != QDialog::Accepted || !EditorIsActiveControl()) return;
    InsertAtSelectionStart(*RichEditMain, FormDay->SelectedText());
}

void TFormMainVerdane::PopupMenuTimePopup() {
    const QList<QAction*> old = PopupMenuTime->actions();
    for (auto it = old.rbegin(); it != old.rend(); ++it) {
        PopupMenuTime->removeAction(*it);
        (*it)->deleteLater();
    }
    for (const QString& line : FormDay->FormattedLines()) {
        // "&" of a date shows as itself rather than marking an accelerator.
        QString caption = line;
        caption.replace(u'&', QLatin1String("&&"));
        QAction* item = PopupMenuTime->addAction(caption);
        connect(item, &QAction::triggered, this, [this, line] {
            if (EditorIsActiveControl() && !work_->Busy()) InsertAtSelectionStart(*RichEditMain, line);
        });
    }
}

bool TFormMainVerdane::RichEditMainKeyDown(QKeyEvent* event) {
    // Alt with a letter is the key of a menu or a button, never text: one that
    // names none types nothing (the editor would take the letter as typed).
    const Qt::KeyboardModifiers held = event->modifiers();
    if ((held & Qt::AltModifier) && !(held & Qt::ControlModifier) && !event->text().isEmpty() &&
        event->text().front().isPrint())
        return true;
    if (const int n = FixedPhraseNumber(*event)) InsertFixedPhrase(*RichEditMain, Settings->values.FixedPhrases[n - 1]);
    // The editor still receives the key, except Ctrl with a keypad digit: the
    // editor would type the digit, where Ctrl with a digit types nothing.
    return IsCtrlKeypadDigit(*event);
}

void TFormMainVerdane::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TFormMainVerdane::dropEvent(QDropEvent* event) {
    const QStringList paths = LocalFiles(event->mimeData());
    if (paths.isEmpty()) return;
    event->acceptProposedAction();
    Run([&] { files_->OpenDropped(paths); });
}

bool TFormMainVerdane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == RichEditMain->viewport()) {
        // Files dropped on the editor open as a document instead of being pasted as text.
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (!LocalFiles(drag->mimeData()).isEmpty()) {
                drag->acceptProposedAction();
                return true;
            }
        } else if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            const QStringList paths = LocalFiles(drop->mimeData());
            if (!paths.isEmpty()) {
                drop->acceptProposedAction();
                Run([&] { files_->OpenDropped(paths); });
                return true;
            }
        }
    } else if (watched == RichEditMain && event->type() == QEvent::KeyPress) {
        bool handled = false;
        Run([&] { handled = RichEditMainKeyDown(static_cast<QKeyEvent*>(event)); });
        if (handled) return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace verdane
