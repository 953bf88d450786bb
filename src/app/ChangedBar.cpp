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
    layout->addWidget(ButtonClose);

    connect(ButtonReload, &QPushButton::clicked, this, &TChangedBar::ReloadClicked);
    connect(ButtonClose, &QToolButton::clicked, this, &TChangedBar::Dismiss);
    hide();
}

void TChangedBar::ShowFor(Reason reason) {
    reason_ = reason;
    LabelText->setText(reason == Reason::Changed ? QStringLiteral("ファイルが他のプログラムで変更されました。")
                                                 : QStringLiteral("ファイルが削除されました。"));
    ButtonReload->setVisible(reason == Reason::Changed);
    show();
    emit Shown(true);
}

void TChangedBar::Dismiss() {
    hide();
    emit Shown(false);
}

}  // namespace verdane
