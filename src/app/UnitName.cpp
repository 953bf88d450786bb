#include "UnitName.h"

#include "FailureJapanese.h"
#include "Prompts.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace verdane {

TFormName::TFormName(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormName"));
    setWindowTitle(QStringLiteral("保存設定"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    LabelName = new QLabel(QStringLiteral("ﾀｲﾄﾙ(&T)"), this);
    EditStryName = new QLineEdit(this);
    EditStryName->setObjectName(QStringLiteral("EditStryName"));
    EditStryName->setMaxLength(32);
    LabelName->setBuddy(EditStryName);
    CheckBoxCompress = new QCheckBox(QStringLiteral("ﾃｷｽﾄを圧縮する(&P)"), this);
    CheckBoxCompress->setObjectName(QStringLiteral("CheckBoxCompress"));
    CheckBoxBinary = new QCheckBox(QStringLiteral("バイナリを含む(&N)"), this);
    CheckBoxBinary->setObjectName(QStringLiteral("CheckBoxBinary"));
    ButtonOK = new QPushButton(QStringLiteral("OK"), this);
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonOK->setDefault(true);
    connect(ButtonOK, &QPushButton::clicked, this, &TFormName::ButtonOKClick);

    auto* layout = new QGridLayout(this);
    layout->addWidget(LabelName, 0, 0);
    layout->addWidget(EditStryName, 0, 1, 1, 2);
    layout->addWidget(CheckBoxCompress, 1, 0, 1, 2);
    layout->addWidget(CheckBoxBinary, 2, 0, 1, 2);
    layout->addWidget(ButtonOK, 2, 2);
    layout->setColumnStretch(1, 1);
    resize(278, 134);
}

void TFormName::ButtonOKClick() {
    // A database needs a name: the dialog stays open until it has one.
    if (EditStryName->text().isEmpty()) {
        Prompts().Message(this, QMessageBox::Warning, QStringLiteral("ﾀｲﾄﾙがありません"),
                          JapaneseText(core::Failure{core::FailureCode::EmptyTitle}), QMessageBox::Ok);
        EditStryName->setFocus();
        return;
    }
    accept();
}

}  // namespace verdane
