#include "SaveCode.h"

#include "DocumentSession.h"
#include "FileCommands.h"
#include "KanjiCode.h"
#include "Prompts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QStringList>

namespace verdane {

namespace {

using platform::FileCode;
using platform::FileForm;

// What of the text's own form a save as text cannot keep: a JIS code, CR or
// mixed line ends. Empty for everything else.
QString LostInSave(const core::Document& document) {
    if (document.Kind() != core::DocKind::Text || document.Path().isEmpty()) return {};
    QStringList lost;
    if (document.Code() == kcJisB || document.Code() == kcJisAt) lost << QStringLiteral("JIS");
    if (document.LineEndsRead() == core::LineEnds::Cr) lost << QStringLiteral("CR");
    if (document.LineEndsRead() == core::LineEnds::Mixed) lost << QStringLiteral("改行混在");
    return lost.join(u' ');
}

}  // namespace

FileForm TextFormOf(const core::Document& document, bool byteOrderMark) {
    FileForm form;
    if (document.Kind() != core::DocKind::Text || document.Path().isEmpty()) return form;
    switch (document.Code()) {
    case kcEuc: form.code = FileCode::EucJp; break;
    case kcUtf8: form.code = FileCode::Utf8; break;
    default: break;
    }
    form.byteOrderMark = form.code == FileCode::Utf8 && byteOrderMark;
    // A text of one line keeps the line ends of its code's home: LF for UTF-8.
    const core::LineEnds ends = document.LineEndsRead();
    form.crLf = ends == core::LineEnds::None ? form.code != FileCode::Utf8 : ends != core::LineEnds::Lf;
    return form;
}

QString FileFormName(const FileForm& form, bool withLineEnds) {
    QString name = form.code == FileCode::EucJp  ? QStringLiteral("EUC-JP")
                   : form.code == FileCode::Utf8 ? QStringLiteral("UTF-8")
                                                 : QStringLiteral("Shift-JIS");
    if (form.code == FileCode::Utf8 && form.byteOrderMark) name += QStringLiteral("(BOM)");
    if (withLineEnds) name += form.crLf ? QStringLiteral(" CRLF") : QStringLiteral(" LF");
    return name;
}

TFormCode::TFormCode(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormCode"));
    setWindowTitle(QStringLiteral("文字コードを指定して保存"));
    ComboCode = new QComboBox(this);
    ComboCode->setObjectName(QStringLiteral("ComboCode"));
    ComboCode->addItems({QStringLiteral("Shift-JIS"), QStringLiteral("EUC-JP"), QStringLiteral("UTF-8")});
    ComboLineEnds = new QComboBox(this);
    ComboLineEnds->setObjectName(QStringLiteral("ComboLineEnds"));
    ComboLineEnds->addItems({QStringLiteral("CR LF (Windows)"), QStringLiteral("LF (Linux, macOS)")});
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
    const FileForm current = session_.TextForm();
    form_->SetForm(current);
    if (Prompts().RunDialog(*form_) != QDialog::Accepted) return;
    files_.Save(form_->Form(current));
}

void SaveCodeCommand::Show() {
    const QString written = FileFormName(session_.TextForm());
    // A text that is not written back as it was read shows what it was read in too.
    const QString lost = LostInSave(session_.Document());
    panel_.setText(lost.isEmpty() ? written : lost + QStringLiteral("→") + written);
}

}  // namespace verdane
