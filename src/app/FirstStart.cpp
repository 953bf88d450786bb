#include "FirstStart.h"

#include "DialogButtons.h"
#include "FileIo.h"
#include "HelpViewer.h"
#include "PalmDesktop.h"
#include "ProfileFile.h"
#include "Prompts.h"
#include "RegistryFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <cstdlib>

#include <pwd.h>
#include <unistd.h>

namespace verdane {

namespace {

// Where the settings file keeps the registry file chosen at a first start.
const QString kDesktopSection = QStringLiteral("PalmDesktop");
const QString kRegistryKey = QStringLiteral("Registry");

platform::TProfile SettingsFile() {
    return platform::TProfile(platform::SettingsFilePath(QCoreApplication::applicationFilePath()));
}

}  // namespace

QString RememberedRegistryPath() { return SettingsFile().ReadString(kDesktopSection, kRegistryKey, QString()); }

void RememberRegistryPath(const QString& path) { SettingsFile().WriteString(kDesktopSection, kRegistryKey, path); }

QString DefaultPalmDesktopFolder() {
    // The base directory specification counts relative paths as invalid.
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || QDir::isRelativePath(data)) data = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(data + QStringLiteral("/verdane/palm-desktop"));
}

QString DefaultHandheldUserName() {
    QString login;
    QString fullName;
    if (const passwd* entry = ::getpwuid(::getuid())) {
        login = QString::fromLocal8Bit(entry->pw_name);
        if (entry->pw_gecos) fullName = QString::fromLocal8Bit(entry->pw_gecos).section(u',', 0, 0).trimmed();
    }
    if (login.isEmpty()) login = qEnvironmentVariable("USER", qEnvironmentVariable("LOGNAME"));
    // In the full name "&" stands for the login name with a capital first letter.
    if (fullName.contains(u'&') && !login.isEmpty())
        fullName.replace(u'&', login.left(1).toUpper() + login.mid(1));
    if (!fullName.isEmpty() && platform::CheckPalmUserName(fullName.toStdString()) == platform::PalmSetupFault::None)
        return fullName;
    if (platform::CheckPalmUserName(login.toStdString()) == platform::PalmSetupFault::None) return login;
    return {};
}

QString PalmSetUpFaultText(platform::PalmSetupFault fault, const QString& subject) {
    using platform::PalmSetupFault;
    switch (fault) {
    case PalmSetupFault::None: return {};
    case PalmSetupFault::NoUser:
    case PalmSetupFault::EmptyName: return QStringLiteral("携帯端末のユーザー名を入力してください。");
    case PalmSetupFault::TooManyUsers: return QStringLiteral("ユーザーは 255 人までです。");
    case PalmSetupFault::ControlCharacter:
        return QStringLiteral("ユーザー名に制御文字 (改行やタブなど) は使えません。");
    case PalmSetupFault::RepeatedName: return QStringLiteral("ユーザー名 %1 が重複しています。").arg(subject);
    case PalmSetupFault::FolderPath:
        return subject.isEmpty() ? QStringLiteral("フォルダを入力してください。")
                                 : QStringLiteral("フォルダ名に制御文字 (改行やタブなど) は使えません。");
    case PalmSetupFault::RegistryExists:
        return QStringLiteral("レジストリファイル %1 が既にあります。上書きはしません。").arg(subject);
    }
    return {};
}

TFormPalmSetUp::TFormPalmSetUp(const QString& registryPath, QWidget* parent)
    : QDialog(parent), registryPath_(registryPath) {
    setObjectName(QStringLiteral("FormPalmSetUp"));
    setWindowTitle(QStringLiteral("Palm Desktop の作成"));
    auto* intro = new QLabel(QStringLiteral("携帯端末に送るファイルを置く Palm Desktop のフォルダを作ります。"
                                            "インストールしたファイルは「フォルダ/Palm/ユーザー名/Install」に置かれ、"
                                            "同期ソフトがそこから携帯端末に送ります。"),
                             this);
    intro->setWordWrap(true);
    auto* labelFolder = new QLabel(QStringLiteral("フォルダ(&F)"), this);
    EditFolder = new QLineEdit(DefaultPalmDesktopFolder(), this);
    EditFolder->setObjectName(QStringLiteral("EditFolder"));
    labelFolder->setBuddy(EditFolder);
    ButtonBrowse = new QPushButton(QStringLiteral("参照(&B)..."), this);
    ButtonBrowse->setObjectName(QStringLiteral("ButtonBrowse"));
    ButtonBrowse->setAutoDefault(false);
    connect(ButtonBrowse, &QPushButton::clicked, this, &TFormPalmSetUp::ButtonBrowseClick);
    auto* labelUser = new QLabel(QStringLiteral("ユーザー名(&U)"), this);
    EditUser = new QLineEdit(DefaultHandheldUserName(), this);
    EditUser->setObjectName(QStringLiteral("EditUser"));
    labelUser->setBuddy(EditUser);
    auto* registry = new QLabel(QStringLiteral("レジストリファイル: %1").arg(registryPath_), this);
    registry->setWordWrap(true);
    registry->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LabelProblem = new QLabel(this);
    LabelProblem->setObjectName(QStringLiteral("LabelProblem"));
    LabelProblem->setWordWrap(true);
    LabelProblem->setStyleSheet(QStringLiteral("color: #b00000"));
    LabelProblem->hide();

    auto* grid = new QGridLayout;
    grid->addWidget(labelFolder, 0, 0);
    grid->addWidget(EditFolder, 0, 1);
    grid->addWidget(ButtonBrowse, 0, 2);
    grid->addWidget(labelUser, 1, 0);
    grid->addWidget(EditUser, 1, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(grid);
    layout->addWidget(registry);
    layout->addWidget(LabelProblem);
    layout->addLayout(MakeAcceptRejectRow(this, ButtonOK, ButtonCancel));
    ButtonOK->setText(QStringLiteral("作成(&O)"));
    resize(520, sizeHint().height());
    EditUser->setFocus();
}

void TFormPalmSetUp::ButtonBrowseClick() {
    const QString chosen = QFileDialog::getExistingDirectory(this, QStringLiteral("Palm Desktop のフォルダ"), EditFolder->text());
    if (!chosen.isEmpty()) EditFolder->setText(chosen);
}

void TFormPalmSetUp::accept() {
    // "~" is the home folder, as in a shell, and so is the base of a relative path.
    QString folder = EditFolder->text().trimmed();
    if (folder == u'~' || folder.startsWith(QStringLiteral("~/"))) folder = QDir::homePath() + folder.mid(1);
    if (!folder.isEmpty() && QDir::isRelativePath(folder)) folder = QDir::home().absoluteFilePath(folder);
    // The handheld keeps 32 bytes of a name: a longer one is cut here, in
    // view, and made only when OK is pressed again.
    const QString user = EditUser->text().trimmed();
    const std::string kept = platform::TruncateUserName(user.toStdString());
    if (platform::CheckPalmUserName(user.toStdString()) == platform::PalmSetupFault::None && kept != user.toStdString()) {
        EditUser->setText(QString::fromStdString(kept));
        LabelProblem->setText(QStringLiteral("携帯端末のユーザー名は Shift-JIS で 32 バイトまでなので、"
                                             "「%1」に縮めました。よければもう一度「作成」を押してください。")
                                  .arg(QString::fromStdString(kept)));
        LabelProblem->show();
        return;
    }
    QString problem;
    try {
        platform::CreatePalmDesktop(QDir::cleanPath(folder).toStdString(), {user.toStdString()},
                                    registryPath_.toStdString());
    } catch (const platform::EPalmDesktopSetup& e) {
        problem = PalmSetUpFaultText(e.Fault(), QString::fromStdString(e.Subject()));
    } catch (const std::exception& e) {
        // A folder that cannot be made or a file that cannot be written: the
        // system's reason as it gave it.
        problem = QStringLiteral("Palm Desktop を作成できませんでした。\n%1").arg(QString::fromUtf8(e.what()));
    }
    if (!problem.isEmpty()) {
        LabelProblem->setText(problem);
        LabelProblem->show();
        return;
    }
    QDialog::accept();
}

TFormFirstStart::TFormFirstStart(const QString& registryPath, QWidget* parent)
    : QDialog(parent), registryPath_(registryPath) {
    setObjectName(QStringLiteral("FormFirstStart"));
    setWindowTitle(QStringLiteral("Verdane"));
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    LabelMessage = new QLabel(
        QStringLiteral("<p><b>Palm Desktop が見つかりません。</b></p>"
                       "<p>Verdane は、携帯端末のユーザーとインストールフォルダを Palm Desktop のレジストリファイル"
                       " %1 から読み込みます。まだ無ければ、ここで新しく作れます。</p>"
                       "<p>既にある Palm Desktop を使うときは、そのレジストリファイルを選んでください"
                       " (次からもそれを使います)。Palm Desktop なしでも編集はできますが、"
                       "インストールはできません。</p>")
            .arg(registryPath_.toHtmlEscaped()),
        this);
    LabelMessage->setObjectName(QStringLiteral("LabelMessage"));
    LabelMessage->setWordWrap(true);
    LabelMessage->setTextFormat(Qt::RichText);
    ButtonCreate = new QPushButton(QStringLiteral("作成(&C)..."), this);
    ButtonCreate->setObjectName(QStringLiteral("ButtonCreate"));
    ButtonCreate->setDefault(true);
    ButtonChoose = new QPushButton(QStringLiteral("既存のPalm Desktopを選ぶ(&E)..."), this);
    ButtonChoose->setObjectName(QStringLiteral("ButtonChoose"));
    ButtonChoose->setAutoDefault(false);
    ButtonWithout = new QPushButton(QStringLiteral("Palm Desktopなしで続ける(&W)"), this);
    ButtonWithout->setObjectName(QStringLiteral("ButtonWithout"));
    ButtonWithout->setAutoDefault(false);
    ButtonHelp = new QPushButton(QStringLiteral("ヘルプ(&H)"), this);
    ButtonHelp->setObjectName(QStringLiteral("ButtonHelp"));
    ButtonHelp->setAutoDefault(false);
    ButtonQuit = new QPushButton(QStringLiteral("終了(&Q)"), this);
    ButtonQuit->setObjectName(QStringLiteral("ButtonQuit"));
    ButtonQuit->setAutoDefault(false);
    connect(ButtonCreate, &QPushButton::clicked, this, &TFormFirstStart::ButtonCreateClick);
    connect(ButtonHelp, &QPushButton::clicked, this, &TFormFirstStart::ButtonHelpClick);
    connect(ButtonChoose, &QPushButton::clicked, this, &TFormFirstStart::ButtonChooseClick);
    connect(ButtonWithout, &QPushButton::clicked, this, [this] { done(int(FirstStartChoice::Without)); });
    connect(ButtonQuit, &QPushButton::clicked, this, [this] { done(int(FirstStartChoice::Quit)); });

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(LabelMessage, 1);
    // The ways to a desktop on one row, the ways on without one below.
    auto* ways = new QHBoxLayout;
    ways->addStretch();
    ways->addWidget(ButtonCreate);
    ways->addWidget(ButtonChoose);
    auto* row = new QHBoxLayout;
    row->addWidget(ButtonHelp);
    row->addStretch();
    row->addWidget(ButtonWithout);
    row->addWidget(ButtonQuit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(ways);
    layout->addLayout(row);
    resize(520, sizeHint().height());
}

void TFormFirstStart::reject() { done(int(FirstStartChoice::Without)); }

void TFormFirstStart::ButtonCreateClick() {
    TFormPalmSetUp setUp(registryPath_, this);
    if (Prompts().RunDialog(setUp) == QDialog::Accepted) done(int(FirstStartChoice::Made));
}

void TFormFirstStart::ButtonChooseClick() {
    TFileDialogState dialog;
    dialog.Filter = QStringLiteral("ﾚｼﾞｽﾄﾘﾌｧｲﾙ(*.REG)|*.REG|すべてのﾌｧｲﾙ(*.*)|*");
    dialog.InitialDir = QFileInfo(registryPath_).absolutePath();
    if (!Prompts().ChooseOpenFile(this, dialog)) return;
    // Taken only when it names a Palm Desktop; otherwise the message stays
    // for another choice.
    QString problem;
    try {
        if (platform::PalmRootKey(platform::TRegistryFile::Load(dialog.FileName.toStdString())).empty())
            problem = QStringLiteral("Palm Desktop の設定がありません。");
    } catch (const std::exception&) {
        problem = QStringLiteral("レジストリファイル (REGEDIT4 の形式) として読めません。");
    }
    if (!problem.isEmpty()) {
        Prompts().Message(this, QMessageBox::Warning, QStringLiteral("Verdane"),
                          QStringLiteral("%1 は、Palm Desktop のレジストリファイルではありません。").arg(dialog.FileName),
                          QMessageBox::Ok, problem);
        return;
    }
    chosen_ = QFileInfo(dialog.FileName).absoluteFilePath();
    done(int(FirstStartChoice::Chosen));
}

void TFormFirstStart::ButtonHelpClick() {
    // The viewer is this message's own window, so the modal message leaves it
    // usable; the message stays for the answer.
    if (!ShowHelpContents(this, HelpFilePath()))
        Prompts().Message(this, QMessageBox::Warning, QStringLiteral("Verdane"),
                          QStringLiteral("ヘルプファイルが見つかりません: %1")
                              .arg(QCoreApplication::applicationFilePath() + QStringLiteral(".HLP")),
                          QMessageBox::Ok);
}

FirstStartAnswer OfferPalmDesktopSetUp(const QString& registryPath) {
    TFormFirstStart message(registryPath);
    FirstStartAnswer answer;
    answer.choice = static_cast<FirstStartChoice>(Prompts().RunDialog(message));
    if (answer.choice == FirstStartChoice::Made) answer.registryPath = registryPath;
    if (answer.choice == FirstStartChoice::Chosen) {
        answer.registryPath = message.ChosenRegistry();
        RememberRegistryPath(answer.registryPath);
    }
    // A manual opened from the message stays open for the window that follows.
    if (auto* viewer = message.findChild<QWidget*>(QStringLiteral("HelpViewer")); viewer && viewer->isVisible()) {
        viewer->setParent(nullptr, Qt::Window);
        viewer->show();
    }
    return answer;
}

}  // namespace verdane
