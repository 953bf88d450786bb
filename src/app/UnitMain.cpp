#include "UnitMain.h"

#include "AppInfo.h"
#include "EditCommands.h"
#include "EditorCodec.h"
#include "HtmlText.h"
#include "KanjiCode.h"
#include "ReadText.h"
#include "WriteText.h"
#include "FindDialogs.h"
#include "HelpViewer.h"
#include "HistMenu.h"
#include "ProfileFile.h"
#include "RegistryFile.h"
#include "ToolBarImages.h"
#include "UnitAbout.h"
#include "UnitAozora.h"
#include "UnitDay.h"
#include "UnitName.h"
#include "UnitSetting.h"
#include "UnitText.h"
#include "PaintTurns.h"
#include "Messages.h"
#include "TextFill.h"
#include "UnitInst.h"
#include "UnitUser.h"
#include "UnitDL.h"
#include "UnitURL.h"
#include "UserData.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
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

const QString kOpenFilter = QStringLiteral(
    "ﾃｷｽﾄﾌｧｲﾙ(*.TXT)|*.TXT|DOCﾌｧｲﾙ(*.PRC)|*.PRC|DOCﾌｧｲﾙ(*.PDB)|*.PDB|HTMLﾌｧｲﾙ(*.HTML,*.HTML)|*.HTML;*.HTM|"
    "すべてのﾌｧｲﾙ(*.*)|*");
const QString kSaveFilter = QStringLiteral("ﾃｷｽﾄﾌｧｲﾙ(*.TXT)|*.TXT|DOCﾌｧｲﾙ(*.PRC)|*.PRC|DOCﾌｧｲﾙ(*.PDB)|*.PDB");

// While a command works: the hourglass cursor, and the window's controls
// disabled so no second command starts. Restored on every path out.
// The hourglass is shown only while the work runs, never over a dialog that
// waits for the user.
class BusyScope {
public:
    explicit BusyScope(std::initializer_list<QWidget*> widgets) : widgets_(widgets) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        for (QWidget* w : widgets_) w->setEnabled(false);
    }
    ~BusyScope() {
        for (QWidget* w : widgets_) w->setEnabled(true);
        QApplication::restoreOverrideCursor();
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    std::vector<QWidget*> widgets_;
};

// The editor paints nothing while it is filled, and paints again on every way
// out, an error included.
class UpdatesOff {
public:
    explicit UpdatesOff(QWidget& widget) : widget_(widget) { widget_.setUpdatesEnabled(false); }
    ~UpdatesOff() { widget_.setUpdatesEnabled(true); }
    UpdatesOff(const UpdatesOff&) = delete;
    UpdatesOff& operator=(const UpdatesOff&) = delete;

private:
    QWidget& widget_;
};

// Marks the window busy for a long command and gives it its turns to paint;
// a close asked for meanwhile runs when the command is over.
class BusyFlag {
public:
    BusyFlag(bool& busy, bool& closePending, std::unique_ptr<PaintTurns>& turns, QWidget& window)
        : busy_(busy), closePending_(closePending), turns_(turns), window_(window) {
        busy_ = true;
        turns_ = std::make_unique<PaintTurns>();
    }
    ~BusyFlag() {
        turns_.reset();
        busy_ = false;
        if (closePending_) {
            closePending_ = false;
            QTimer::singleShot(0, &window_, &QWidget::close);
        }
    }

private:
    bool& busy_;
    bool& closePending_;
    std::unique_ptr<PaintTurns>& turns_;
    QWidget& window_;
};

using core::FileNamePart;
using core::FolderPart;

QString Local(std::string_view cp932) { return platform::BytesToEditor(cp932); }

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

}  // namespace

TFormMainVerdane::TFormMainVerdane(const platform::TRegistryFile& registry, const QStringList& args, QWidget* parent)
    : QMainWindow(parent) {
    setObjectName(QStringLiteral("FormMainVerdane"));
    resize(513, 427);
    QFont font(kDefaultFontFace);
    font.setPixelSize(12);
    setFont(font);

    RichEditMain = new QPlainTextEdit(this);
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
    StatusLineEnds = panel("StatusLineEnds");
    StatusModified = panel("StatusModified");
    connect(RichEditMain, &QPlainTextEdit::cursorPositionChanged, this, &TFormMainVerdane::ShowCaretPosition);
    connect(RichEditMain->document(), &QTextDocument::modificationChanged, this, &TFormMainVerdane::ShowModifiedMark);
    ShowCaretPosition();
    ShowModifiedMark();

    OpenDialog1.Filter = kOpenFilter;
    OpenDialog1.FilterIndex = 3;
    SaveDialog1.Filter = kSaveFilter;
    SaveDialog1.FilterIndex = 3;

    CreateMenus();
    CreateToolBar();
    FormCreate(registry, args);
    CreateForms();
}

TFormMainVerdane::~TFormMainVerdane() = default;

void TFormMainVerdane::CreateMenus() {
    MenuFile = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    MenuFile->setObjectName(QStringLiteral("MenuFile"));
    MenuNew = AddItem(MenuFile, "MenuNew", QStringLiteral("新規作成(&N)"), QKeySequence(Qt::CTRL | Qt::Key_N));
    MenuOpen = AddItem(MenuFile, "MenuOpen", QStringLiteral("開く(&O)..."), QKeySequence(Qt::CTRL | Qt::Key_O));
    URLU1 = AddItem(MenuFile, "URLU1", QStringLiteral("URLから開く(&U)..."));
    MenuSave = AddItem(MenuFile, "MenuSave", QStringLiteral("保存(&S)..."), QKeySequence(Qt::CTRL | Qt::Key_S));
    MenuInstall = AddItem(MenuFile, "MenuInstall", QStringLiteral("ｲﾝｽﾄｰﾙ(&I)..."), QKeySequence(Qt::CTRL | Qt::Key_I));
    MenuOpenInstDir = AddItem(MenuFile, "MenuOpenInstDir", QStringLiteral("ｲﾝｽﾄｰﾙﾃﾞｨﾚｸﾄﾘを開く(&D)..."));
    FileN2 = AddSeparator(MenuFile, "FileN2");
    MenuSetting = AddItem(MenuFile, "MenuSetting", QStringLiteral("設定(&C)..."));
    T1 = AddItem(MenuFile, "T1", QStringLiteral("定型文の編集(&T)..."), QKeySequence(Qt::CTRL | Qt::Key_T));
    FileN1 = AddSeparator(MenuFile, "FileN1");
    MenuQuit = AddItem(MenuFile, "MenuQuit", QStringLiteral("終了(&Q)"), QKeySequence(Qt::CTRL | Qt::Key_Q));

    MenuEdit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    MenuEdit->setObjectName(QStringLiteral("MenuEdit"));
    MenuUndo = AddItem(MenuEdit, "MenuUndo", QStringLiteral("元に戻す(&U)"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    MenuRedo = AddItem(MenuEdit, "MenuRedo", QStringLiteral("やり直し(&R)"));
    MenuRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    AddSeparator(MenuEdit, "EditN1");
    EditCut = AddItem(MenuEdit, "EditCut", QStringLiteral("ｶｯﾄ(&T)"), QKeySequence(Qt::CTRL | Qt::Key_X));
    EditCopy = AddItem(MenuEdit, "EditCopy", QStringLiteral("ｺﾋﾟｰ(&C)"), QKeySequence(Qt::CTRL | Qt::Key_C));
    EditPaste = AddItem(MenuEdit, "EditPaste", QStringLiteral("ﾍﾟｰｽﾄ(&P)"), QKeySequence(Qt::CTRL | Qt::Key_V));
    EditSelectAll = AddItem(MenuEdit, "EditSelectAll", QStringLiteral("すべて選択(&L)"), QKeySequence(Qt::CTRL | Qt::Key_A));
    AddSeparator(MenuEdit, "EditN2");
    MenuBM = AddItem(MenuEdit, "MenuBM", QStringLiteral("ﾌﾞｯｸﾏｰｸを挿入(&B)"), QKeySequence(Qt::CTRL | Qt::Key_B));
    EditDay = AddItem(MenuEdit, "EditDay", QStringLiteral("日付を挿入(&D)"), QKeySequence(Qt::CTRL | Qt::Key_D));
    AddSeparator(MenuEdit, "EditN3");
    MenuEditHTML = AddItem(MenuEdit, "MenuEditHTML", QStringLiteral("HTML→テキスト処理(&H)"));
    MenuEditAozora = AddItem(MenuEdit, "MenuEditAozora", QStringLiteral("青空文庫の注記を整える(&A)"));

    MenuFind = menuBar()->addMenu(QStringLiteral("検索(&S)"));
    MenuFind->setObjectName(QStringLiteral("MenuFind"));
    FindFind = AddItem(MenuFind, "FindFind", QStringLiteral("検索(&F)..."), QKeySequence(Qt::CTRL | Qt::Key_F));
    FindReplace = AddItem(MenuFind, "FindReplace", QStringLiteral("置換(&R)..."), QKeySequence(Qt::CTRL | Qt::Key_R));
    FindNext = AddItem(MenuFind, "FindNext", QStringLiteral("次を検索(&N)"), QKeySequence(Qt::Key_F3));

    MenuHelp = menuBar()->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    MenuHelp->setObjectName(QStringLiteral("MenuHelp"));
    MenuHelpContents = AddItem(MenuHelp, "MenuHelpContents", QStringLiteral("目次(&C)"));
    HelpAbout = AddItem(MenuHelp, "HelpAbout", QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)..."));

    PopupMenuEdit = new QMenu(this);
    PopupMenuEdit->setObjectName(QStringLiteral("PopupMenuEdit"));
    PopupUndo = AddItem(PopupMenuEdit, "PopupUndo", QStringLiteral("元に戻す(&U)"));
    AddSeparator(PopupMenuEdit, "PopupN1");
    PopupCut = AddItem(PopupMenuEdit, "PopupCut", QStringLiteral("ｶｯﾄ(&T)"));
    PopupCopy = AddItem(PopupMenuEdit, "PopupCopy", QStringLiteral("ｺﾋﾟｰ(&C)"));
    PopupPaste = AddItem(PopupMenuEdit, "PopupPaste", QStringLiteral("ﾍﾟｰｽﾄ(&P)"));
    connect(RichEditMain, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenuEdit->popup(RichEditMain->mapToGlobal(pos)); });

    PopupMenuTime = new QMenu(this);
    PopupMenuTime->setObjectName(QStringLiteral("PopupMenuTime"));

    auto bind = [this](QAction* action, void (TFormMainVerdane::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
    };
    bind(MenuNew, &TFormMainVerdane::MenuNewClick);
    bind(MenuOpen, &TFormMainVerdane::MenuOpenClick);
    bind(URLU1, &TFormMainVerdane::URLU1Click);
    connect(MenuSave, &QAction::triggered, this, [this] { Guarded([this] { MenuSaveClick(); }); });
    bind(MenuInstall, &TFormMainVerdane::MenuInstallClick);
    bind(MenuOpenInstDir, &TFormMainVerdane::MenuOpenInstDirClick);
    bind(MenuSetting, &TFormMainVerdane::MenuSettingClick);
    bind(T1, &TFormMainVerdane::T1Click);
    bind(MenuQuit, &TFormMainVerdane::MenuQuitClick);
    for (QAction* action : {MenuUndo, PopupUndo}) bind(action, &TFormMainVerdane::MenuUndoClick);
    bind(MenuRedo, &TFormMainVerdane::MenuRedoClick);
    bind(EditSelectAll, &TFormMainVerdane::MenuSelectAllClick);
    for (QAction* action : {EditCut, PopupCut}) bind(action, &TFormMainVerdane::EditCutClick);
    for (QAction* action : {EditCopy, PopupCopy}) bind(action, &TFormMainVerdane::EditCopyClick);
    for (QAction* action : {EditPaste, PopupPaste}) bind(action, &TFormMainVerdane::EditPasteClick);
    bind(MenuBM, &TFormMainVerdane::MenuBMClick);
    bind(EditDay, &TFormMainVerdane::EditDayClick);
    bind(MenuEditHTML, &TFormMainVerdane::MenuEditHTMLClick);
    bind(MenuEditAozora, &TFormMainVerdane::MenuEditAozoraClick);
    bind(FindFind, &TFormMainVerdane::FindFindClick);
    bind(FindReplace, &TFormMainVerdane::FindReplaceClick);
    bind(FindNext, &TFormMainVerdane::FindNextClick);
    bind(MenuHelpContents, &TFormMainVerdane::MenuHelpContentsClick);
    bind(HelpAbout, &TFormMainVerdane::HelpAboutClick);
}

void TFormMainVerdane::CreateToolBar() {
    ToolBarMain = addToolBar(QStringLiteral("ToolBarMain"));
    ToolBarMain->setObjectName(QStringLiteral("ToolBarMain"));
    ToolBarMain->setMovable(false);
    ToolBarMain->setFloatable(false);
    ToolBarMain->setIconSize(QSize(16, 16));
    ToolBarMain->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);

    auto button = [this](const char* name, ToolImage image, const QString& hint, std::function<void()> run) {
        auto* b = new QToolButton(ToolBarMain);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(ToolBarImage(image));
        b->setToolTip(hint);
        b->setAutoRaise(true);
        connect(b, &QToolButton::clicked, this, [this, run] { Guarded(run); });
        ToolBarMain->addWidget(b);
        return b;
    };
    ToolBarMain->addSeparator();
    ToolButtonOpen = button("ToolButtonOpen", ToolImage::Open, QStringLiteral("ﾌｧｲﾙを開く"), [this] { MenuOpenClick(); });
    ToolButtonClose = button("ToolButtonClose", ToolImage::Save, QStringLiteral("ﾌｧｲﾙを保存する"), [this] { MenuSaveClick(); });
    ToolBarMain->addSeparator();
    ToolButtonUndo = button("ToolButtonUndo", ToolImage::Undo, QStringLiteral("内容を元に戻す"), [this] { MenuUndoClick(); });
    ToolBarMain->addSeparator();
    ToolButtonCut = button("ToolButtonCut", ToolImage::Cut, QStringLiteral("カット"), [this] { EditCutClick(); });
    ToolButtonCopy = button("ToolButtonCopy", ToolImage::Copy, QStringLiteral("コピー"), [this] { EditCopyClick(); });
    ToolButtonPaste = button("ToolButtonPaste", ToolImage::Paste, QStringLiteral("ペースト"), [this] { EditPasteClick(); });
    ToolBarMain->addSeparator();
    ToolButtonBM = button("ToolButtonBM", ToolImage::Bookmark, QStringLiteral("ブックマークを挿入する"), [this] { MenuBMClick(); });
    ToolButtonTime = button("ToolButtonTime", ToolImage::Clock, QString(), [this] { EditDayClick(); });
    ToolButtonTime->setPopupMode(QToolButton::MenuButtonPopup);
    ToolButtonTime->setMenu(PopupMenuTime);
}

void TFormMainVerdane::FormCreate(const platform::TRegistryFile& registry, const QStringList& args) {
    try {
        UserData = std::make_unique<TUserData>(registry);
    } catch (const DllError& e) {
        ShowError(QString::fromUtf8(e.what()), QString::fromStdString(e.Detail()));
    }
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
    HistoryMenu1->OnHistorySelected = [this](const QString& path) { HistoryMenu1HistorySelected(path); };
    Guarded([this] { LoadSettings(); });
    OpenDialog1.InitialDir = Settings.InitDir;
    SaveDialog1.InitialDir = Settings.InitDir;
    OpenAtStart(args);
}

void TFormMainVerdane::OpenAtStart(const QStringList& args) {
    if (!args.isEmpty()) Guarded([&] { OpenFromCommandLine(args.first()); });
}

void TFormMainVerdane::CreateForms() {
    FormSetting = new TFormSetting(this);
    FormName = new TFormName(this);
    AboutBox = new TAboutBox(this);
    FormDay = new TFormDay(platform::DatePatternFilePath(QCoreApplication::applicationFilePath()), this);
    FormInst = new TFormInst(this);
    FormUser = new TFormUser(this);
    FormDL = new TFormDL(this);
    FormURL = new TFormURL(this);
    FormAozora = new TFormAozora(this);
    FormEntry = new TFormEntry(this);
    FormURL->SetRecentUrls(Settings.RecentUrls);
    FormURL->CheckBoxHTML->setChecked(Settings.UrlHtml);
    FormText = new TFormText(this);
    FindDialog1 = new TFindDialog(this);
    FindDialog1->setObjectName(QStringLiteral("FindDialog1"));
    ReplaceDialog1 = new TReplaceDialog(this);
    ReplaceDialog1->setObjectName(QStringLiteral("ReplaceDialog1"));
    connect(FindDialog1, &TFindDialog::Find, this, [this] { Guarded([this] { FindDialog1Find(); }); });
    connect(ReplaceDialog1, &TFindDialog::Find, this, [this] { Guarded([this] { ReplaceDialog1Find(); }); });
    connect(ReplaceDialog1, &TReplaceDialog::Replace, this, [this] { Guarded([this] { ReplaceDialog1Replace(); }); });
    connect(ReplaceDialog1, &TReplaceDialog::ReplaceAll, this,
            [this] { Guarded([this] { ReplaceDialog1ReplaceAll(); }); });
    connect(PopupMenuTime, &QMenu::aboutToShow, this, [this] { Guarded([this] { PopupMenuTimePopup(); }); });
}

void TFormMainVerdane::LoadSettings() {
    const platform::TProfile ini(IniPath);
    // The editor's font and the window's bounds as they are now are the
    // defaults of their keys.
    Settings.EditorFont = RichEditMain->font();
    Settings.WindowBounds = QRect(pos(), size());
    verdane::LoadSettings(ini, Settings);
    ApplyEditorLook(*RichEditMain, Settings.EditorFont, Settings.EditorFontColor, Settings.EditorBackground);
    // Without a stored position the desktop places the window; a size too
    // small to use (a damaged file) gives way to the usual one.
    const QRect& bounds = Settings.WindowBounds;
    if (ini.ValueExists(QStringLiteral("Window"), QStringLiteral("Left")) ||
        ini.ValueExists(QStringLiteral("Window"), QStringLiteral("Top")))
        move(bounds.topLeft());
    resize(bounds.width() >= 100 ? bounds.width() : 513, bounds.height() >= 80 ? bounds.height() : 427);
    HistoryMenu1->FileName = IniPath;
    HistoryMenu1->SetActive(true);
}

void TFormMainVerdane::SaveSettings() {
    Settings.EditorFont = RichEditMain->font();
    Settings.WindowBounds = QRect(pos(), size());
    Settings.RecentUrls = FormURL->RecentUrls();
    Settings.UrlHtml = FormURL->CheckBoxHTML->isChecked();
    platform::TProfile ini(IniPath);
    verdane::SaveSettings(ini, Settings);
    HistoryMenu1->SetActive(false);
}

std::string TFormMainVerdane::DocumentBytes() const {
    return platform::EditorToBytes(RichEditMain->document()->toRawText()).bytes;
}

bool TFormMainVerdane::Modified() const { return RichEditMain->document()->isModified(); }
void TFormMainVerdane::SetModified(bool modified) { RichEditMain->document()->setModified(modified); }

QStringList TFormMainVerdane::RecentFiles() const {
    return HistoryMenu1 ? HistoryMenu1->List().Items() : QStringList();
}

void TFormMainVerdane::ShowDocument() {
    const QString caption = document_.Caption();
    setWindowTitle(caption);
    SetApplicationTitle(caption);
    StatusPanel0->setText(Local(core::DocTitleText(document_.title)));
    ShowTextForm();
}

void TFormMainVerdane::ShowCaretPosition() {
    const QTextCursor cursor = RichEditMain->textCursor();
    StatusCaret->setText(QStringLiteral("%1 行, %2 桁").arg(cursor.blockNumber() + 1).arg(cursor.positionInBlock() + 1));
}

void TFormMainVerdane::ShowModifiedMark() {
    StatusModified->setText(Modified() ? QStringLiteral("変更あり") : QString());
}

void TFormMainVerdane::ShowTextForm() {
    // The code and line ends the text was read in; a new text is written in
    // Shift-JIS with CR LF.
    QString code = QStringLiteral("Shift-JIS");
    switch (document_.code) {
        case kcJisB:
        case kcJisAt: code = QStringLiteral("JIS"); break;
        case kcEuc: code = QStringLiteral("EUC-JP"); break;
        case kcUtf8: code = QStringLiteral("UTF-8"); break;
        default: break;
    }
    StatusCode->setText(code);
    QString ends = QStringLiteral("CRLF");
    switch (document_.lineEnds) {
        case core::LineEnds::Lf: ends = QStringLiteral("LF"); break;
        case core::LineEnds::Cr: ends = QStringLiteral("CR"); break;
        case core::LineEnds::Mixed: ends = QStringLiteral("改行混在"); break;
        default: break;
    }
    StatusLineEnds->setText(ends);
}

void TFormMainVerdane::ShowError(const QString& text, const QString& detail) {
    Prompts().Message(this, QMessageBox::Critical, QStringLiteral("Verdane"), text, QMessageBox::Ok, detail);
}

bool TFormMainVerdane::ConfirmUnencodable(qsizetype count, qsizetype firstPosition) {
    if (count == 0) return true;
    const auto answer = Prompts().Message(
        this, QMessageBox::Warning, QStringLiteral("保存できない文字"),
        QStringLiteral("この文書には Shift-JIS で保存できない文字が %1 個あります。\n"
                       "「?」に置き換えて保存しますか?")
            .arg(count),
        QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes) return true;
    QTextCursor cursor(RichEditMain->document());
    cursor.setPosition(static_cast<int>(firstPosition));
    RichEditMain->setTextCursor(cursor);
    return false;
}

std::string TFormMainVerdane::EditorBytes(bool& agreed) {
    platform::EncodeResult encoded = platform::EditorToBytes(RichEditMain->document()->toRawText());
    agreed = ConfirmUnencodable(static_cast<qsizetype>(encoded.unencodable), encoded.firstUnencodable);
    return std::move(encoded.bytes);
}

void TFormMainVerdane::Guarded(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowError(QStringLiteral("unknown error"));
    }
}

bool TFormMainVerdane::MaybeSave() {
    if (!Modified()) return true;
    const auto answer = Prompts().Message(this, QMessageBox::Warning, QStringLiteral("変更されています"),
                                          QStringLiteral("文書が変更されています。\n保存しますか?"),
                                          QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    // Cancel, Esc or the box closed: the command that asked does not go on.
    if (answer == QMessageBox::No) return true;
    if (answer != QMessageBox::Yes) return false;
    // A save that did not happen stops the command, so nothing is lost.
    return MenuSaveClick();
}

bool TFormMainVerdane::ReplaceDocument(const std::function<std::optional<Replacement>()>& load) {
    // A text still coming in is not replaced by another.
    if (busy_) return false;
    if (!MaybeSave()) return false;
    std::optional<Replacement> next = load();
    if (!next) return false;
    document_ = std::move(next->document);
    if (!document_.path.isEmpty()) {
        Settings.InitDir = FolderPart(document_.path);
        OpenDialog1.InitialDir = Settings.InitDir;
        SaveDialog1.InitialDir = Settings.InitDir;
    }
    // The caption first: a long text is seen coming in under its name.
    ShowDocument();
    if (next->file) {
        FillFromFile(*next->file);
        // The bytes read go now; the editor's document is the one copy left.
        next.reset();
    } else if (next->saved) {
        RichEditMain->setPlainText(next->text);
        SetModified(false);
    } else {
        ReplaceEditorText(next->text);
        SetModified(true);
    }
    ShowModifiedMark();
    ShowCaretPosition();
    return true;
}

void TFormMainVerdane::FillFromFile(const core::OpenedFile& file) {
    // Texts from this size on show their progress on the status bar.
    constexpr std::size_t kProgressFrom = 4 << 20;
    const platform::EditorBytes form = file.code == kcUtf8 ? platform::EditorBytes::Utf8 : platform::EditorBytes::ShiftJis;
    TextFillOptions options;
    std::optional<BusyFlag> flag;
    if (isVisible()) {
        // Turns to paint; a click or key waits for the text (it would land in
        // the middle of it), a close asked for meanwhile runs after it.
        flag.emplace(busy_, closePending_, turns_, *this);
        options.turn = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
        options.turnEveryMs = 25;
        if (file.text.size() >= kProgressFrom) {
            StatusProgress->setValue(0);
            StatusProgress->show();
            options.progress = [this](std::size_t done, std::size_t total) {
                StatusProgress->setValue(static_cast<int>(done * 1000 / std::max<std::size_t>(total, 1)));
            };
        }
    }
    struct HideProgress {
        QProgressBar* bar;
        ~HideProgress() { bar->hide(); }
    } hide{StatusProgress};
    FillEditor(*RichEditMain, file.text, form, options);
}

std::optional<TFormMainVerdane::Replacement> TFormMainVerdane::LoadFile(const QString& path, ReadOutcome& outcome) {
    // An archive of several texts: the user picks one before anything is read.
    std::string entry;
    if (core::IsArchivePath(path)) {
        const core::Result<std::vector<std::string>> names = core::ArchiveTexts(path);
        if (names && names->size() > 1) {
            std::optional<std::string> chosen = ChooseArchiveEntry(*names);
            if (!chosen) return std::nullopt;
            entry = std::move(*chosen);
        }
    }
    core::Result<core::OpenedFile> opened = [&] {
        BusyScope busy{menuBar(), ToolBarMain, RichEditMain};
        // A shown window keeps painting while a long file is read and converted;
        // a close asked for meanwhile waits for the end of the command.
        std::function<void()> turn;
        std::optional<BusyFlag> flag;
        if (isVisible()) {
            flag.emplace(busy_, closePending_, turns_, *this);
            turn = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
        }
        return RunWhilePainting([&path, &entry] { return core::ReadDocumentFile(path, entry); }, turn);
    }();
    if (!opened) {
        if (opened.Why() == core::Failure::Why::NotDocFile) {
            outcome = ReadOutcome::Refused;
            Prompts().Message(this, QMessageBox::Critical, QStringLiteral("開けません"),
                              QStringLiteral("そのファイルは、PilotDOC形式のファイルではありません。\nVerdaneでは開けません。"),
                              QMessageBox::Ok);
        } else {
            outcome = ReadOutcome::Failed;
            ShowError(FileFailureText(opened.Reason()));
        }
        return std::nullopt;
    }
    outcome = ReadOutcome::Read;
    Replacement next;
    next.document.path = path;
    next.document.kind = opened->kind;
    // The name of the last DOC database read stays until another is read.
    next.document.title = opened->title ? *opened->title : document_.title;
    next.document.code = opened->code;
    next.document.lineEnds = opened->lineEnds;
    next.file = std::move(*opened);
    return next;
}

std::optional<std::string> TFormMainVerdane::ChooseArchiveEntry(const std::vector<std::string>& names) {
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
    FormEntry->SetNames(names);
    if (Prompts().RunDialog(*FormEntry) != QDialog::Accepted) return std::nullopt;
    std::string chosen = FormEntry->Chosen();
    if (chosen.empty()) return std::nullopt;
    return chosen;
}

TFormMainVerdane::ReadOutcome TFormMainVerdane::OpenFile(const QString& path) {
    ReadOutcome outcome = ReadOutcome::Stopped;
    ReplaceDocument([&] { return LoadFile(path, outcome); });
    return outcome;
}

void TFormMainVerdane::OpenFromCommandLine(const QString& argument) {
    QString path = core::ExpandLongPathName(argument);
    if (!QFileInfo::exists(path)) path = QFileInfo(argument).absoluteFilePath();
    if (!QFileInfo::exists(path)) path = argument;
    OpenFile(path);
}

void TFormMainVerdane::WMDropFiles(const QStringList& paths) {
    if (paths.isEmpty()) return;
    activateWindow();
    raise();
    const QString path = paths.first();
    // A dropped file goes on the recent-files list when it was read.
    if (OpenFile(path) == ReadOutcome::Read) AddToHistory(path);
}

void TFormMainVerdane::MenuNewClick() {
    ReplaceDocument([this] {
        Replacement next;
        // The name of the last DOC database read stays, as in the status panel.
        next.document.title = document_.title;
        return std::optional<Replacement>(std::move(next));
    });
}

void TFormMainVerdane::MenuOpenClick() {
    QString path;
    ReadOutcome outcome = ReadOutcome::Stopped;
    ReplaceDocument([&]() -> std::optional<Replacement> {
        if (!Prompts().ChooseOpenFile(this, OpenDialog1)) return std::nullopt;
        path = OpenDialog1.FileName;
        return LoadFile(path, outcome);
    });
    // The chosen path goes on the recent-files list, also when it was refused,
    // but not when it could not be read.
    if (outcome == ReadOutcome::Read || outcome == ReadOutcome::Refused) AddToHistory(path);
}

bool TFormMainVerdane::MenuSaveClick() {
    SaveDialog1.FileName = document_.SaveProposal(Settings.InitDir);
    SaveDialog1.FilterIndex = document_.path.isEmpty() && document_.kind != core::DocKind::Page
                                  ? core::FilterIndexOf(core::DocKind::Pdb)
                                  : document_.SaveFilterIndex();
    SaveDialog1.InitialDir = Settings.InitDir;
    if (!Prompts().ChooseSaveFile(this, SaveDialog1)) return false;
    // The type chosen in the dialog decides the kind and the extension, in
    // place of any extension typed.
    const core::DocKind kind = core::KindOfFilterIndex(SaveDialog1.FilterIndex);
    const QString path = core::WithKindExtension(SaveDialog1.FileName, kind, document_.path);

    bool agreed = false;
    const std::string text = EditorBytes(agreed);
    if (!agreed) return false;
    DocSaveOptions options;
    options.Compress = Settings.Compress;
    options.IncludeBinary = Settings.IncludeBinary;
    if (kind == core::DocKind::Prc || kind == core::DocKind::Pdb) {
        FormName->EditStryName->setText(Local(core::DocTitleText(document_.title)));
        FormName->CheckBoxCompress->setChecked(Settings.Compress);
        FormName->CheckBoxBinary->setChecked(Settings.IncludeBinary);
        if (FormName->EditStryName->text().isEmpty())
            FormName->EditStryName->setText(core::BaseNameWithoutExtension(path));
        if (Prompts().RunDialog(*FormName) != QDialog::Accepted) return false;
        Settings.Compress = options.Compress = FormName->CheckBoxCompress->isChecked();
        Settings.IncludeBinary = options.IncludeBinary = FormName->CheckBoxBinary->isChecked();
        options.title = platform::EditorToBytes(FormName->EditStryName->text()).bytes;
    }
    core::Outcome written = [&] {
        BusyScope busy{menuBar(), ToolBarMain, RichEditMain};
        return core::WriteDocumentFile(path, kind, text, options);
    }();
    if (!written) {
        ShowError(QStringLiteral("%1 を保存できません。\n%2").arg(path, FileFailureText(written.Reason())));
        return false;
    }
    SetModified(false);
    // The document is now the file just written, in Shift-JIS with CR LF.
    document_.path = path;
    document_.kind = kind;
    document_.url.clear();
    document_.code = kcShiftJis;
    document_.lineEnds = core::LineEnds::CrLf;
    Settings.InitDir = FolderPart(path);
    ShowDocument();
    // The saved path, with its forced extension, goes on the recent-files list.
    AddToHistory(path);
    return true;
}

void TFormMainVerdane::MenuQuitClick() { close(); }

void TFormMainVerdane::closeEvent(QCloseEvent* event) {
    if (busy_) {
        // A download or a conversion runs: end it, then close.
        closePending_ = true;
        if (FormDL->Running()) FormDL->ButtonCancelClick();
        event->ignore();
        return;
    }
    bool mayClose = true;
    Guarded([&] { mayClose = MaybeSave(); });
    if (!mayClose) {
        event->ignore();
        return;
    }
    // The folder of the document; a run without one keeps the folder the
    // settings file gave, rather than forgetting it.
    if (!document_.path.isEmpty()) Settings.InitDir = FolderPart(document_.path);
    // A settings file that cannot be written is reported; the window still closes.
    Guarded([this] { SaveSettings(); });
    event->accept();
}

void TFormMainVerdane::MenuHelpContentsClick() {
    if (!ShowHelpContents(this, HelpFilePath()))
        ShowError(QStringLiteral("ヘルプファイルが見つかりません: %1")
                      .arg(QCoreApplication::applicationFilePath() + QStringLiteral(".HLP")));
}

void TFormMainVerdane::HelpAboutClick() { Prompts().RunDialog(*AboutBox); }

void TFormMainVerdane::UpdateCommandStates() {
    const bool canUndo = RichEditMain->document()->isUndoAvailable();
    MenuRedo->setEnabled(RichEditMain->document()->isRedoAvailable());
    MenuUndo->setEnabled(canUndo);
    PopupUndo->setEnabled(canUndo);
    ToolButtonUndo->setEnabled(canUndo);
    EditPaste->setEnabled(clipboardHasText_);
    PopupPaste->setEnabled(clipboardHasText_);
    ToolButtonPaste->setEnabled(clipboardHasText_);
    const bool selected = RichEditMain->textCursor().hasSelection();
    EditCut->setEnabled(selected);
    PopupCut->setEnabled(selected);
    ToolButtonCut->setEnabled(selected);
    EditCopy->setEnabled(selected);
    PopupCopy->setEnabled(selected);
    ToolButtonCopy->setEnabled(selected);
}

void TFormMainVerdane::AddToHistory(const QString& path) {
    if (HistoryMenu1) HistoryMenu1->AddHistory(path);
}

void TFormMainVerdane::HistoryMenu1HistorySelected(const QString& fileName) {
    // A path that names no file does nothing; the list puts the path on top
    // itself once it is opened.
    if (fileName.isEmpty() || !QFileInfo(fileName).isFile()) return;
    OpenFile(fileName);
}


void TFormMainVerdane::ReplaceEditorText(const QString& text) {
    // A long text goes in by pieces, so the window gets its turns to paint; the
    // pieces make one edit block and so one undo step.
    constexpr qsizetype kPiece = 128 * 1024;
    std::optional<PaintTurns> own;
    if (!turns_) own.emplace();
    PaintTurns& turns = turns_ ? *turns_ : *own;
    QTextCursor cursor(RichEditMain->document());
    cursor.beginEditBlock();
    // The old text goes from the end, piece by piece, for the same reason.
    for (int end = RichEditMain->document()->characterCount() - 1; end > 0; end -= kPiece) {
        cursor.setPosition(std::max<int>(0, end - kPiece));
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        turns();
    }
    for (qsizetype at = 0; at < text.size(); at += kPiece) {
        cursor.insertText(text.mid(at, kPiece));
        turns();
    }
    cursor.endEditBlock();
}

std::string TFormMainVerdane::HtmlToText(const std::string& html) {
    std::optional<PaintTurns> own;
    if (!turns_) own.emplace();
    PaintTurns& turns = turns_ ? *turns_ : *own;
    return core::HtmlPageToText(AWKStr1, html, [&turns] { turns(); });
}

void TFormMainVerdane::MenuEditHTMLClick() {
    if (busy_) return;
    BusyFlag flag(busy_, closePending_, turns_, *this);
    BusyScope busy{menuBar(), ToolBarMain, RichEditMain};
    // The conversion is an edit of the text: one step that Undo takes back.
    const std::string html = DocumentBytes();
    (*turns_)();
    const std::string text = HtmlToText(html);
    UpdatesOff quiet(*RichEditMain);
    ReplaceEditorText(Local(text));
}

void TFormMainVerdane::MenuEditAozoraClick() {
    if (busy_) return;
    if (Prompts().RunDialog(*FormAozora) != QDialog::Accepted) return;
    platform::EncodeResult encoded = platform::EditorToBytes(RichEditMain->document()->toRawText());
    // The notation is Shift-JIS; a character Shift-JIS lacks is not dropped unasked.
    if (encoded.unencodable > 0 &&
        Prompts().Message(this, QMessageBox::Warning, QStringLiteral("Shift-JISにない文字"),
                          QStringLiteral("この文書には Shift-JIS にない文字が %1 個あります。\n"
                                         "「?」に置き換えて注記を整えますか?")
                              .arg(encoded.unencodable),
                          QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    BusyFlag flag(busy_, closePending_, turns_, *this);
    BusyScope busy{menuBar(), ToolBarMain, RichEditMain};
    const std::string mark = platform::EditorToBytes(Settings.BookmarkMark).bytes;
    const AozoraCleaned cleaned = CleanAozoraText(encoded.bytes, FormAozora->Options(mark));
    (*turns_)();
    // The cleaning is an edit of the text: one step that Undo takes back.
    UpdatesOff quiet(*RichEditMain);
    ReplaceEditorText(AozoraEditorText(cleaned));
}

void TFormMainVerdane::URLU1Click() {
    if (busy_) return;
    QString failure;
    std::size_t replaced = 0;
    ReplaceDocument([&]() -> std::optional<Replacement> {
        if (Prompts().RunDialog(*FormURL) != QDialog::Accepted) return std::nullopt;
        const QString url = FormURL->Url();
        const bool html = FormURL->CheckBoxHTML->isChecked();
        if (url.isEmpty()) return std::nullopt;
        FormURL->RememberUrl(url);
        BusyFlag flag(busy_, closePending_, turns_, *this);
        BusyScope busy{menuBar(), ToolBarMain, RichEditMain};
        FormDL->show();
        core::Result<core::PageText> page = FormDL->RunDownload(
            url, Settings.Proxy, html, [this] { (*turns_)(); },
            [this](const std::vector<std::string>& names) { return ChooseArchiveEntry(names); });
        FormDL->hide();
        if (!page) {
            failure = DownloadFailureText(page.Reason());
            return std::nullopt;
        }
        Replacement next;
        next.document.kind = core::DocKind::Page;
        next.document.url = url;
        // An archive's text proposes the work's title, as when it is opened from a file.
        next.document.title = core::IsArchivePath(core::PageFileName(url)) ? core::TitleOfText(page->View())
                                                                            : document_.title;
        next.document.code = page->Code();
        next.document.lineEnds = core::LineEnds::CrLf;
        next.text = core::EditorTextOf(page->View(), page->Code());
        replaced = page->Replaced();
        // A page is new text: it stays marked modified until it is saved.
        next.saved = false;
        return next;
    });
    // A failed download always says why, whatever the editor holds.
    if (!failure.isEmpty())
        Prompts().Message(this, QMessageBox::Information, QStringLiteral("Verdane"),
                          QStringLiteral("ﾀﾞｳﾝﾛｰﾄﾞ出来ませんでした"), QMessageBox::Ok, failure);
    // The HTML conversion works on Shift-JIS: characters of a UTF-8 page that
    // it cannot hold are never dropped without a word.
    if (replaced > 0)
        Prompts().Message(this, QMessageBox::Information, QStringLiteral("保存できない文字"),
                          QStringLiteral("このページの %1 文字は Shift-JIS にないため「?」に置き換えました。\n"
                                         "HTML→ﾃｷｽﾄ処理を行わずに開くと、そのままの文字で開けます。")
                              .arg(replaced),
                          QMessageBox::Ok);
}

void TFormMainVerdane::MenuUndoClick() { RichEditMain->undo(); }
void TFormMainVerdane::MenuRedoClick() { RichEditMain->redo(); }
void TFormMainVerdane::MenuSelectAllClick() { RichEditMain->selectAll(); }
void TFormMainVerdane::EditCutClick() { RichEditMain->cut(); }
void TFormMainVerdane::EditCopyClick() { RichEditMain->copy(); }
void TFormMainVerdane::EditPasteClick() { RichEditMain->paste(); }

void TFormMainVerdane::MenuInstallClick() {
    bool agreed = false;
    const std::string text = EditorBytes(agreed);
    if (!agreed) return;
    DocSaveOptions options;
    options.Compress = Settings.Compress;
    options.IncludeBinary = Settings.IncludeBinary;
    RunInstall(*FormInst, UserData.get(), text, windowTitle(), options);
    Settings.Compress = options.Compress;
    Settings.IncludeBinary = options.IncludeBinary;
}

void TFormMainVerdane::MenuOpenInstDirClick() { RunOpenInstallFolder(*FormUser, UserData.get()); }

void TFormMainVerdane::MenuSettingClick() {
    FormSetting->FormShow(RichEditMain->font(), Settings.EditorFontColor, Settings.EditorBackground, Settings);
    if (Prompts().RunDialog(*FormSetting) != QDialog::Accepted) return;
    FormSetting->ApplyTo(Settings);
    ApplyEditorLook(*RichEditMain, Settings.EditorFont, Settings.EditorFontColor, Settings.EditorBackground);
}

void TFormMainVerdane::T1Click() {
    FormText->FixedPhrases = Settings.FixedPhrases;
    FormText->FormShow();
    if (Prompts().RunDialog(*FormText) == QDialog::Accepted) Settings.FixedPhrases = FormText->FixedPhrases;
}

void TFormMainVerdane::MenuBMClick() { InsertBookmark(*RichEditMain, Settings.BookmarkMark); }

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
        connect(item, &QAction::triggered, this, [this, line] { Guarded([this, line] { TimeItemClick(line); }); });
    }
}

void TFormMainVerdane::TimeItemClick(const QString& text) {
    if (EditorIsActiveControl()) InsertAtSelectionStart(*RichEditMain, text);
}

void TFormMainVerdane::FindFindClick() {
    FindDialog1->show();
    FindDialog1->raise();
    FindDialog1->activateWindow();
}

void TFormMainVerdane::FindReplaceClick() {
    ReplaceDialog1->show();
    ReplaceDialog1->raise();
    ReplaceDialog1->activateWindow();
}

void TFormMainVerdane::FindNextClick() {
    Search.FindNext(*RichEditMain);
    SayWhenNothingFurther();
}

void TFormMainVerdane::SayWhenNothingFurther() {
    // Nothing further: said, rather than nothing happening.
    if (!Search.SearchFound && !Search.SearchText.isEmpty()) {
        QWidget* over = ReplaceDialog1 && ReplaceDialog1->isVisible() ? static_cast<QWidget*>(ReplaceDialog1)
                         : FindDialog1 && FindDialog1->isVisible()     ? static_cast<QWidget*>(FindDialog1)
                                                                       : this;
        Prompts().Message(over, QMessageBox::Information, QStringLiteral("検索"),
                          QStringLiteral("「%1」はこの先に見つかりません。").arg(Search.SearchText), QMessageBox::Ok);
    }
}

void TFormMainVerdane::FindDialog1Find() {
    Search.TakeParameters(FindDialog1->FindText(), FindDialog1->MatchCase(), FindDialog1->WholeWord());
    FindNextClick();
}

void TFormMainVerdane::ReplaceDialog1Find() {
    Search.TakeParameters(ReplaceDialog1->FindText(), ReplaceDialog1->MatchCase(), ReplaceDialog1->WholeWord());
    FindNextClick();
}

void TFormMainVerdane::ReplaceDialog1Replace() {
    // The text and options of the last Find Next, not those in the dialog now.
    Search.Replace(*RichEditMain, ReplaceDialog1->ReplaceText());
    SayWhenNothingFurther();
}

void TFormMainVerdane::ReplaceDialog1ReplaceAll() {
    Search.TakeParameters(ReplaceDialog1->FindText(), ReplaceDialog1->MatchCase(), ReplaceDialog1->WholeWord());
    Search.ReplaceAll(*RichEditMain, ReplaceDialog1->ReplaceText());
    ReplaceDialog1->close();
}

bool TFormMainVerdane::RichEditMainKeyDown(QKeyEvent* event) {
    if (const int n = FixedPhraseNumber(*event)) InsertFixedPhrase(*RichEditMain, Settings.FixedPhrases[n - 1]);
    // The editor still receives the key, except Ctrl with a keypad digit: the
    // editor would type the digit, where Ctrl with a digit types nothing.
    return IsCtrlKeypadDigit(*event);
}

namespace {

QStringList LocalFiles(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    return paths;
}

}  // namespace

void TFormMainVerdane::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TFormMainVerdane::dropEvent(QDropEvent* event) {
    const QStringList paths = LocalFiles(event->mimeData());
    if (paths.isEmpty()) return;
    event->acceptProposedAction();
    Guarded([&] { WMDropFiles(paths); });
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
                Guarded([&] { WMDropFiles(paths); });
                return true;
            }
        }
    } else if (watched == RichEditMain && event->type() == QEvent::KeyPress) {
        bool handled = false;
        Guarded([&] { handled = RichEditMainKeyDown(static_cast<QKeyEvent*>(event)); });
        if (handled) return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace verdane
