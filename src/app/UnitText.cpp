#include "UnitText.h"
#include "DialogButtons.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace verdane {

TFormText::TFormText(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormText"));
    setWindowTitle(QStringLiteral("定型文の編集"));
    auto* rows = new QGridLayout;
    for (int n = 1; n <= 8; ++n) {
        auto* label = new QLabel(QStringLiteral("定型文-%1").arg(n));
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        auto* edit = new QLineEdit;
        edit->setObjectName(QStringLiteral("Edit%1").arg(n));
        edit->setMaxLength(32767 * 1024);  // no practical limit
        label->setBuddy(edit);
        rows->addWidget(label, n - 1, 0);
        rows->addWidget(edit, n - 1, 1);
        Labels[n - 1] = label;
        Edits[n - 1] = edit;
    }
    auto* buttons = MakeOkCancelRow(ButtonOK, ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(rows);
    layout->addStretch();
    layout->addLayout(buttons);
    const QSize hint = sizeHint();
    setFixedSize(std::max(409, hint.width()), std::max(299, hint.height()));

    connect(ButtonOK, &QPushButton::clicked, this, &TFormText::ButtonOKClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &TFormText::ButtonCancelClick);
}

void TFormText::FormShow() {
    for (int n = 0; n < 8; ++n) Edits[n]->setText(FixedPhrases[n]);
}

void TFormText::ButtonOKClick() {
    for (int n = 0; n < 8; ++n) FixedPhrases[n] = Edits[n]->text();
    accept();
}

void TFormText::ButtonCancelClick() { reject(); }

}  // namespace verdane
