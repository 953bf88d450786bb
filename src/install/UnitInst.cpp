#include "UnitInst.h"

#include "DialogParts.h"
#include "EditorCodec.h"
#include "FailureJapanese.h"
#include "FailureOf.h"
#include "Names.h"
#include "PlanQuestion.h"
#include "Prompts.h"
#include "UnitUser.h"
#include "UserData.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include <optional>

namespace verdane {

using namespace install_texts;
using dialog_parts::Named;

namespace {

const QString kBadName = QStringLiteral("ﾌｧｲﾙ名が正しくありません");

// The dialog disabled and the hourglass shown while the database is written;
// both undone on every way out.
class BusyDialog {
public:
    explicit BusyDialog(QWidget& dialog) : dialog_(dialog) {
        dialog_.setEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyDialog() {
        QApplication::restoreOverrideCursor();
        dialog_.setEnabled(true);
    }
    BusyDialog(const BusyDialog&) = delete;
    BusyDialog& operator=(const BusyDialog&) = delete;

private:
    QWidget& dialog_;
};

}  // namespace

TFormInst::TFormInst(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormInst"));
    setWindowTitle(QStringLiteral("ｲﾝｽﾄｰﾙ"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    dialog_parts::MakeUserChoice(this, LabelUser, AutoInstallComboBox);

    ButtonInst = Named(new QPushButton(QStringLiteral("ｲﾝｽﾄｰﾙ"), this), "ButtonInst");
    ButtonInst->setDefault(true);
    Button2 = Named(new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this), "Button2");

    GroupBoxExt = Named(new QGroupBox(QStringLiteral("拡張子"), this), "GroupBoxExt");
    RadioButtonPRC = Named(new QRadioButton(QStringLiteral("拡張子を.PRCにする(&C)"), GroupBoxExt), "RadioButtonPRC");
    RadioButtonPDB = Named(new QRadioButton(QStringLiteral("拡張子を.PDBにする(&B)"), GroupBoxExt), "RadioButtonPDB");
    RadioButtonPDB->setChecked(true);
    auto* extLayout = new QVBoxLayout(GroupBoxExt);
    extLayout->addWidget(RadioButtonPRC);
    extLayout->addWidget(RadioButtonPDB);

    // Plain text: the "<...>" of the label is not markup.
    LabelFile = new QLabel(QStringLiteral("ﾌｧｲﾙ名(&F) <ﾊﾟｽ、拡張子は含まない>"), this);
    LabelFile->setTextFormat(Qt::PlainText);
    EditFile = Named(new QLineEdit(this), "EditFile");
    LabelFile->setBuddy(EditFile);
    LabelTitle = new QLabel(QStringLiteral("ﾀｲﾄﾙ(&T)"), this);
    EditTitle = Named(new QLineEdit(this), "EditTitle");
    EditTitle->setMaxLength(31);
    LabelTitle->setBuddy(EditTitle);
    CheckBoxCompress = Named(new QCheckBox(QStringLiteral("ﾃｷｽﾄを圧縮する(&P)"), this), "CheckBoxCompress");
    CheckBoxBinary = Named(new QCheckBox(QStringLiteral("ﾊﾞｲﾅﾘを含む(&N)"), this), "CheckBoxBinary");

    auto* layout = new QGridLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(LabelUser, 0, 0);
    layout->addWidget(AutoInstallComboBox, 1, 0);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ButtonInst);
    buttons->addWidget(Button2);
    buttons->addStretch();
    layout->addLayout(buttons, 0, 1, 3, 1);
    layout->addWidget(GroupBoxExt, 2, 0);
    layout->addWidget(LabelFile, 3, 0, 1, 2);
    layout->addWidget(EditFile, 4, 0, 1, 2);
    layout->addWidget(LabelTitle, 5, 0, 1, 2);
    layout->addWidget(EditTitle, 6, 0, 1, 2);
    layout->addWidget(CheckBoxCompress, 7, 0, 1, 2);
    layout->addWidget(CheckBoxBinary, 8, 0, 1, 2);

    QWidget* order[] = {AutoInstallComboBox, ButtonInst, Button2, RadioButtonPRC, RadioButtonPDB,
                        EditFile, EditTitle, CheckBoxCompress, CheckBoxBinary};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

    connect(ButtonInst, &QPushButton::clicked, this, &TFormInst::ButtonInstClick);
    connect(Button2, &QPushButton::clicked, this, &TFormInst::Button2Click);
    connect(EditFile, &QLineEdit::textChanged, this, &TFormInst::EditFileChange);
}

void TFormInst::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

void TFormInst::SetJob(TUserData* userData, const InstallJob* job, DocSaveOptions* options) {
    userData_ = userData;
    job_ = job;
    options_ = options;
}

void TFormInst::FormShow() {
    FillUserComboBox(*AutoInstallComboBox, userData_);
    if (options_) {
        CheckBoxCompress->setChecked(options_->Compress);
        CheckBoxBinary->setChecked(options_->IncludeBinary);
    }
    AutoInstallComboBox->setFocus();
}

void TFormInst::EditFileChange() { EditTitle->setText(EditFile->text()); }

void TFormInst::Refuse(const QString& caption, const QString& text) {
    Prompts().Message(this, QMessageBox::Warning, caption, text, QMessageBox::Ok);
}

namespace {

// The registry file read again when it changed on disk; `index` then names the
// same user (by name) in the list as it is now. The reason when the install
// cannot go on.
std::optional<QString> RereadRegistry(TUserData& userData, int& index) {
    const std::string chosen = userData.GetUserName(index);
    try {
        if (!userData.Reread()) return std::nullopt;
    } catch (const DllError& e) {
        return QStringLiteral("%1\n%2").arg(QString::fromUtf8(e.what()), QString::fromStdString(e.Detail()));
    }
    index = userData.Desktop().FindUser(chosen);
    if (index < 0) return JapaneseText(core::Failure{core::FailureCode::NoSuchUser, chosen});
    return std::nullopt;
}

}  // namespace

void TFormInst::ButtonInstClick() {
    // The name is a QString of whole characters: the second byte of a
    // double-byte character can never be taken for "\" or ".".
    const QString name = EditFile->text();
    if (const core::InstallNameFault fault = core::CheckInstallName(name); fault != core::InstallNameFault::None)
        return Refuse(kBadName, JapaneseText(core::InstallNameFailure(fault, name)));
    if (EditTitle->text().isEmpty())
        return Refuse(QStringLiteral("ﾀｲﾄﾙがありません"), JapaneseText(core::Failure{core::FailureCode::EmptyTitle}));
    const int index = AutoInstallComboBox->currentIndex();
    if (!userData_ || !job_ || !options_ || index < 0)
        return Refuse(QString::fromUtf8(kNoUserCaption), QString::fromUtf8(kNoUser));
    core::InstallRequest request;
    request.userIndex = index;
    request.name = name;
    request.prc = RadioButtonPRC->isChecked();
    request.title = EditTitle->text();
    request.compress = CheckBoxCompress->isChecked();
    request.includeBinary = CheckBoxBinary->isChecked();
    request.bookmarks = job_->bookmarks;
    const QString fileName = core::InstallFileName(name, request.prc);
    const QString refused = QStringLiteral("%1 をｲﾝｽﾄｰﾙできませんでした").arg(fileName);
    core::Result<core::Document> queued = core::Failure{core::FailureCode::Cancelled};
    for (int round = 0;; ++round) {
        // The registry file as it is now: a user renamed or a folder moved
        // since the window started sends the database where the desktop looks.
        const int shown = request.userIndex;
        const std::optional<QString> reread = RereadRegistry(*userData_, request.userIndex);
        if (reread || request.userIndex != shown) {
            FillUserComboBox(*AutoInstallComboBox, userData_);
            if (reread) return Refuse(refused, *reread);
            AutoInstallComboBox->setCurrentIndex(request.userIndex);
        }
        const core::Result<core::WritePlan> plan = core::PlanInstall(userData_->Desktop(), job_->document, job_->text, request);
        if (!plan) return Refuse(refused, JapaneseText(plan.Fault()));
        // One question: a database of this name still waiting for the user (it
        // may be another book), characters Shift-JIS lacks.
        if (!AskPlan(this, *plan, job_->editor)) return;
        queued = [&] {
            BusyDialog busy(*this);
            options_->Compress = request.compress;
            options_->IncludeBinary = request.includeBinary;
            return core::Save(*plan);
        }();
        // Another program queued a database of this name while the question
        // waited: nothing was written, and the new plan asks again.
        if (queued || queued.Code() != core::FailureCode::TargetChanged || round == 2) break;
    }
    if (!queued) {
        Prompts().Message(this, QMessageBox::Critical, QString::fromUtf8(kCannotInstall),
                          QStringLiteral("%1 をｲﾝｽﾄｰﾙできませんでした").arg(fileName), QMessageBox::Ok,
                          QStringLiteral("%1 をｲﾝｽﾄｰﾙ用ﾌｫﾙﾀﾞに置けません: %2").arg(fileName, JapaneseText(queued.Fault())));
        return;
    }
    accept();
}

void TFormInst::Button2Click() { reject(); }

bool RunInstall(TFormInst& form, TUserData* userData, const InstallJob& job, DocSaveOptions& options) {
    if (!userData) {
        Prompts().Message(form.parentWidget(), QMessageBox::Critical, QString::fromUtf8(kCannotInstall),
                          QString::fromUtf8(kNoPalmDesktop), QMessageBox::Ok);
        return false;
    }
    form.SetJob(userData, &job, &options);
    form.EditFile->setText(job.proposedName);
    form.EditFileChange();  // also when the name is the one of the last opening
    if (!job.proposedTitle.isEmpty()) form.EditTitle->setText(job.proposedTitle);
    form.FormShow();
    const int result = Prompts().RunDialog(form);
    form.SetJob(nullptr, nullptr, nullptr);
    return result == QDialog::Accepted;
}

QString InstalledNote(const TFormInst& form) {
    return QStringLiteral("「%1」を %2 のインストール待ちに入れました")
        .arg(core::InstallFileName(form.EditFile->text(), form.RadioButtonPRC->isChecked()),
             form.AutoInstallComboBox->currentText());
}

}  // namespace verdane
