#include "SaveCode.h"

#include "DocumentSession.h"
#include "FileCommands.h"
#include "PlanWords.h"
#include "Prompts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>

namespace verdane {

using platform::FileCode;
using platform::FileForm;

TFormCode::TFormCode(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormCode"));
    setWindowTitle(QStringLiteral("文字コードを指定して保存"));
    ComboCode = new QComboBox(this);
    ComboCode->setObjectName(QStringLiteral("ComboCode"));
    // In the order of FileCode, which SetForm and Form count on.
    for (const FileCode code : {FileCode::ShiftJis, FileCode::EucJp, FileCode::Utf8}) ComboCode->addItem(core::CodeName(code));
    ComboLineEnds = new QComboBox(this);
    ComboLineEnds->setObjectName(QStringLiteral("ComboLineEnds"));
    ComboLineEnds->addItems({core::LineEndsName(core::LineEnds::CrLf, {}) + QStringLiteral(" (Windows)"),
                             core::LineEndsName(core::LineEnds::Lf, {}) + QStringLiteral(" (Linux, macOS)")});
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("文字コード(&C)"), ComboCode);
    layout->addRow(QStringLiteral("改行(&L)"), ComboLineEnds);
    layout->addRow(buttons);
}

void TFormCode::SetForm(const FileForm& form) {
    ComboCode->setCurrentIndex(static_cast<int>(form.code));
    ComboLineEnds->setCurrentIndex(form.crLf ? 0 : 1);
}

FileForm TFormCode::Form(const FileForm& current) const {
    FileForm form;
    form.code = static_cast<FileCode>(ComboCode->currentIndex());
    form.crLf = ComboLineEnds->currentIndex() == 0;
    form.byteOrderMark = form.code == FileCode::Utf8 && current.code == FileCode::Utf8 && current.byteOrderMark;
    return form;
}

SaveCodeCommand::SaveCodeCommand(QWidget& window, DocumentSession& session, FileCommands& files, QLabel& panel)
    : session_(session), files_(files), panel_(panel), form_(new TFormCode(&window)) {
    QObject::connect(&session_, &DocumentSession::DocumentChanged, &panel_, [this] { Show(); });
    panel_.setToolTip(QStringLiteral("次に保存するときの文字コードと改行"));
    Show();
}

void SaveCodeCommand::Run() {
    const FileForm current = session_.Document().SaveForm();
    form_->SetForm(current);
    if (Prompts().RunDialog(*form_) != QDialog::Accepted) return;
    files_.Save(form_->Form(current));
}

void SaveCodeCommand::Show() {
    const core::Document& document = session_.Document();
    const QString written = core::FormName(document.SaveForm());
    // A text file that is not written back as it was read shows what it was read in too.
    const bool lost = document.Kind() == core::DocKind::Text && !document.Path().isEmpty() && !document.FormRead();
    panel_.setText(lost ? FormReadText(document) + QStringLiteral("→") + written : written);
}

}  // namespace verdane
