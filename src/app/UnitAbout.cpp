#include "UnitAbout.h"

#include "AppInfo.h"
#include "ToolBarImages.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace verdane {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    ProgramIcon = new QLabel(this);
    ProgramIcon->setPixmap(ProgramIconImage().pixmap(32, 32));
    ProductName = new QLabel(this);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    QFont bold = ProductName->font();
    bold.setBold(true);
    bold.setPixelSize(13);
    ProductName->setFont(bold);
    ProductName->setAlignment(Qt::AlignCenter);
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(ProgramIcon);
    top->addWidget(ProductName, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);
    resize(318, 129);
}

void TAboutBox::showEvent(QShowEvent* event) {
    ProductName->setText(kProgramTitle);
    QDialog::showEvent(event);
}

}  // namespace verdane
