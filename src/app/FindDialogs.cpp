#include "FindDialogs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace verdane {

TFindDialog::TFindDialog(QWidget* parent) : TFindDialog(parent, false) {}

TFindDialog::TFindDialog(QWidget* parent, bool withReplace) : QDialog(parent) {
    setWindowTitle(withReplace ? QStringLiteral("置換") : QStringLiteral("検索"));
    setModal(false);

    auto* fields = new QGridLayout;
    auto* findLabel = new QLabel(QStringLiteral("検索する文字列(&N):"));
    EditFind = new QLineEdit;
    EditFind->setObjectName(QStringLiteral("EditFind"));
    findLabel->setBuddy(EditFind);
    fields->addWidget(findLabel, 0, 0);
    fields->addWidget(EditFind, 0, 1);
    if (withReplace) {
        auto* replaceLabel = new QLabel(QStringLiteral("置換後の文字列(&P):"));
        EditReplace = new QLineEdit;
        EditReplace->setObjectName(QStringLiteral("EditReplace"));
        replaceLabel->setBuddy(EditReplace);
        fields->addWidget(replaceLabel, 1, 0);
        fields->addWidget(EditReplace, 1, 1);
    }
    CheckWholeWord = new QCheckBox(QStringLiteral("単語単位で探す(&W)"));
    CheckMatchCase = new QCheckBox(QStringLiteral("大文字と小文字を区別する(&C)"));
    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addWidget(CheckWholeWord);
    left->addWidget(CheckMatchCase);
    left->addStretch();

    ButtonFindNext = new QPushButton(QStringLiteral("次を検索(&F)"));
    ButtonFindNext->setDefault(true);
    ButtonCancel = new QPushButton(QStringLiteral("キャンセル"));
    auto* right = new QVBoxLayout;
    right->addWidget(ButtonFindNext);
    if (withReplace) {
        ButtonReplace = new QPushButton(QStringLiteral("置換して次に(&R)"));
        ButtonReplaceAll = new QPushButton(QStringLiteral("すべて置換(&A)"));
        right->addWidget(ButtonReplace);
        right->addWidget(ButtonReplaceAll);
    }
    right->addWidget(ButtonCancel);
    right->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);

    connect(ButtonFindNext, &QPushButton::clicked, this, &TFindDialog::Find);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(EditFind, &QLineEdit::textChanged, this, &TFindDialog::UpdateButtons);
    UpdateButtons();
}

void TFindDialog::UpdateButtons() {
    // Searching for nothing finds nothing: the buttons wait for a text.
    const bool any = !EditFind->text().isEmpty();
    ButtonFindNext->setEnabled(any);
    if (ButtonReplace) ButtonReplace->setEnabled(any);
    if (ButtonReplaceAll) ButtonReplaceAll->setEnabled(any);
}

QString TFindDialog::FindText() const { return EditFind->text(); }
void TFindDialog::SetFindText(const QString& text) { EditFind->setText(text); }
bool TFindDialog::MatchCase() const { return CheckMatchCase->isChecked(); }
bool TFindDialog::WholeWord() const { return CheckWholeWord->isChecked(); }

TReplaceDialog::TReplaceDialog(QWidget* parent) : TFindDialog(parent, true) {
    connect(ButtonReplace, &QPushButton::clicked, this, &TReplaceDialog::Replace);
    connect(ButtonReplaceAll, &QPushButton::clicked, this, &TReplaceDialog::ReplaceAll);
}

QString TReplaceDialog::ReplaceText() const { return EditReplace->text(); }

}  // namespace verdane
