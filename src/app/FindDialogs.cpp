#include "FindDialogs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>
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
    CheckRegExp = new QCheckBox(QStringLiteral("正規表現(&E)"));
    CheckRegExp->setToolTip(QStringLiteral(
        "検索する文字列を正規表現として探します: . [abc] [a-z] [^a] ( ) | * + ? ^ $ \\n \\t \\xHHHH。\n"
        "置換後の文字列の & は見つかった文字列、\\& は & そのもの、\\\\ は \\ です。"));
    CheckFuzzy = new QCheckBox(QStringLiteral("あいまい(&Y)"));
    CheckFuzzy->setToolTip(QStringLiteral("全角と半角、ひらがなとカタカナ、濁点の書き方の違いを区別せずに探します"));
    auto* options = new QGridLayout;
    options->addWidget(CheckWholeWord, 0, 0);
    options->addWidget(CheckMatchCase, 1, 0);
    options->addWidget(CheckRegExp, 0, 1);
    options->addWidget(CheckFuzzy, 1, 1);

    auto* direction = new QGroupBox(QStringLiteral("方向"));
    RadioUp = new QRadioButton(QStringLiteral("上へ(&U)"));
    RadioDown = new QRadioButton(QStringLiteral("下へ(&D)"));
    RadioDown->setChecked(true);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(RadioUp);
    directionLayout->addWidget(RadioDown);
    CheckWrap = new QCheckBox(QStringLiteral("折り返しあり(&O)"));
    CheckWrap->setToolTip(QStringLiteral("末尾(上へでは先頭)まで探したら、反対の端から続けます"));
    CheckWrap->setChecked(true);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(direction);
    bottom->addWidget(CheckWrap);
    bottom->addStretch();

    LabelProblem = new QLabel;
    LabelProblem->setObjectName(QStringLiteral("LabelProblem"));
    LabelProblem->setWordWrap(true);
    LabelProblem->setStyleSheet(QStringLiteral("color: #c00000"));
    LabelProblem->hide();

    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addLayout(options);
    left->addLayout(bottom);
    left->addWidget(LabelProblem);
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

SearchParameters TFindDialog::Parameters() const {
    SearchParameters p;
    p.text = FindText();
    p.matchCase = MatchCase();
    p.wholeWord = WholeWord();
    p.pattern = CheckRegExp->isChecked();
    p.fuzzy = CheckFuzzy->isChecked();
    p.direction = RadioUp->isChecked() ? SearchDirection::Up : SearchDirection::Down;
    p.wrap = CheckWrap->isChecked();
    return p;
}

void TFindDialog::ShowProblem(const QString& text) {
    if (text == LabelProblem->text() && LabelProblem->isVisibleTo(this) == !text.isEmpty()) return;
    LabelProblem->setText(text);
    LabelProblem->setVisible(!text.isEmpty());
    // The dialog grows for the message and shrinks back without it.
    adjustSize();
}

void TFindDialog::SetParameters(const SearchParameters& p) {
    SetFindText(p.text);
    CheckMatchCase->setChecked(p.matchCase);
    CheckWholeWord->setChecked(p.wholeWord);
    CheckRegExp->setChecked(p.pattern);
    CheckFuzzy->setChecked(p.fuzzy);
    (p.direction == SearchDirection::Up ? RadioUp : RadioDown)->setChecked(true);
    CheckWrap->setChecked(p.wrap);
}

TReplaceDialog::TReplaceDialog(QWidget* parent) : TFindDialog(parent, true) {
    connect(ButtonReplace, &QPushButton::clicked, this, &TReplaceDialog::Replace);
    connect(ButtonReplaceAll, &QPushButton::clicked, this, &TReplaceDialog::ReplaceAll);
}

QString TReplaceDialog::ReplaceText() const { return EditReplace->text(); }

}  // namespace verdane
