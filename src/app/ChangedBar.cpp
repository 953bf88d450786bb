#include "ChangedBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

namespace verdane {

TChangedBar::TChangedBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("ChangedBar"));
    // A pale amber strip with a border, the colours desktops use for a
    // warning that needs no answer right away.
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral("#ChangedBar { background: #fff4ce; border: 1px solid #d9a400; border-radius: 3px; }"
                                 "#ChangedBar QLabel { color: #3b2f00; }"));
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16, 16));
    LabelText = new QLabel(this);
    LabelText->setObjectName(QStringLiteral("LabelChanged"));
    LabelText->setWordWrap(true);
    ButtonReload = new QPushButton(QStringLiteral("再読み込み(&R)"), this);
    ButtonReload->setObjectName(QStringLiteral("ButtonReload"));
    ButtonSaveAs = new QPushButton(QStringLiteral("名前を付けて保存(&A)..."), this);
    ButtonSaveAs->setObjectName(QStringLiteral("ButtonSaveAs"));
    ButtonSaveHere = new QPushButton(QStringLiteral("元の場所に保存(&O)"), this);
    ButtonSaveHere->setObjectName(QStringLiteral("ButtonSaveHere"));
    ButtonClose = new QToolButton(this);
    ButtonClose->setObjectName(QStringLiteral("ButtonCloseBar"));
    ButtonClose->setAutoRaise(true);
    ButtonClose->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    ButtonClose->setToolTip(QStringLiteral("閉じる"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 3, 3);
    layout->addWidget(icon);
    layout->addWidget(LabelText, 1);
    layout->addWidget(ButtonReload);
    layout->addWidget(ButtonSaveAs);
    layout->addWidget(ButtonSaveHere);
    layout->addWidget(ButtonClose);

    connect(ButtonReload, &QPushButton::clicked, this, &TChangedBar::ReloadClicked);
    connect(ButtonSaveAs, &QPushButton::clicked, this, &TChangedBar::SaveAsClicked);
    connect(ButtonSaveHere, &QPushButton::clicked, this, &TChangedBar::SaveHereClicked);
    connect(ButtonClose, &QToolButton::clicked, this, &TChangedBar::Dismiss);
    hide();
}

void TChangedBar::ShowFor(Reason reason) {
    reason_ = reason;
    switch (reason) {
    case Reason::Changed: LabelText->setText(QStringLiteral("ファイルが他のプログラムで変更されました。")); break;
    case Reason::Removed: LabelText->setText(QStringLiteral("ファイルが削除されました。")); break;
    case Reason::Unreadable: LabelText->setText(QStringLiteral("ファイルが読めなくなりました。")); break;
    }
    const bool gone = reason != Reason::Changed;
    ButtonReload->setVisible(!gone);
    ButtonSaveAs->setVisible(gone);
    ButtonSaveHere->setVisible(gone);
    show();
    emit Shown(true);
}

void TChangedBar::Dismiss() {
    hide();
    emit Shown(false);
}

}  // namespace verdane
