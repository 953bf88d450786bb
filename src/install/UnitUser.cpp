#include "UnitUser.h"

#include "DialogParts.h"
#include "Prompts.h"
#include "UserData.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace verdane {

using namespace install_texts;
using dialog_parts::Named;

void FillUserComboBox(QComboBox& comboBox, const TUserData* userData) {
    comboBox.clear();
    const int count = userData ? userData->GetUserCount() : 0;
    comboBox.setEnabled(count != 0);
    if (count == 0) return;
    for (int i = 0; i < count; ++i) comboBox.addItem(QString::fromStdString(userData->GetUserName(i)));
    comboBox.setCurrentIndex(userData->GetLastUserIndex());
}

TFormUser::TFormUser(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormUser"));
    setWindowTitle(QStringLiteral("ﾕｰｻﾞの選択"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    dialog_parts::MakeUserChoice(this, LabelUser, AutoInstallComboBox);
    ButtonOK = Named(new QPushButton(QStringLiteral("OK"), this), "ButtonOK");
    ButtonOK->setDefault(true);
    ButtonCancel = Named(new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this), "ButtonCancel");

    auto* layout = new QGridLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(LabelUser, 0, 0);
    layout->addWidget(AutoInstallComboBox, 0, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonOK);
    buttons->addWidget(ButtonCancel);
    layout->addLayout(buttons, 1, 0, 1, 2);
    setTabOrder(AutoInstallComboBox, ButtonOK);
    setTabOrder(ButtonOK, ButtonCancel);

    connect(ButtonOK, &QPushButton::clicked, this, &TFormUser::ButtonOKClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &TFormUser::ButtonCancelClick);
}

void TFormUser::FormShow(const TUserData* userData) {
    FillUserComboBox(*AutoInstallComboBox, userData);
    AutoInstallComboBox->setFocus();
}

void TFormUser::ButtonOKClick() {
    if (AutoInstallComboBox->currentIndex() < 0) {
        Prompts().Message(this, QMessageBox::Warning, QString::fromUtf8(kNoUserCaption), QString::fromUtf8(kNoUser),
                          QMessageBox::Ok);
        return;
    }
    accept();
}

void TFormUser::ButtonCancelClick() { reject(); }

bool RunOpenInstallFolder(TFormUser& form, TUserData* userData) {
    QWidget* owner = form.parentWidget();
    if (!userData) {
        Prompts().Message(owner, QMessageBox::Critical, QString::fromUtf8(kCannotOpenFolder),
                          QString::fromUtf8(kNoPalmDesktop), QMessageBox::Ok);
        return false;
    }
    form.FormShow(userData);
    if (Prompts().RunDialog(form) != QDialog::Accepted) return false;
    const int index = form.AutoInstallComboBox->currentIndex();
    const QString folder = QString::fromStdString(userData->InstallDirectory(index));
    if (folder.isEmpty()) return false;
    // A user who never installed anything has no install folder yet.
    QString why;
    if (!QDir().mkpath(folder))
        why = QStringLiteral("フォルダを作れません。");
    else if (!Prompts().OpenFolder(folder))
        why = QStringLiteral("フォルダを開くファイルマネージャを起動できませんでした。"
                             "ファイルマネージャ (xdg-utils の xdg-open が使うもの) を入れてください。");
    if (!why.isEmpty()) {
        Prompts().Message(owner, QMessageBox::Critical, QString::fromUtf8(kCannotOpenFolder),
                          QStringLiteral("ｲﾝｽﾄｰﾙﾃﾞｨﾚｸﾄﾘを開けませんでした"), QMessageBox::Ok,
                          folder + QStringLiteral("\n") + why);
        return false;
    }
    return true;
}

}  // namespace verdane
