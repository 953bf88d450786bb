#include "UnitAozora.h"

#include "DialogButtons.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QVBoxLayout>

namespace verdane {

TFormAozora::TFormAozora(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormAozora"));
    setWindowTitle(QStringLiteral("青空文庫の注記を整える"));
    auto* readings = new QGroupBox(QStringLiteral("ルビ"), this);
    RadioRubyParen = new QRadioButton(QStringLiteral("括弧に入れて残す(&P)  吾輩（わがはい）"), readings);
    RadioRubyParen->setObjectName(QStringLiteral("RadioRubyParen"));
    RadioRubyParen->setChecked(true);
    RadioRubyDrop = new QRadioButton(QStringLiteral("取り除く(&R)  吾輩"), readings);
    RadioRubyDrop->setObjectName(QStringLiteral("RadioRubyDrop"));
    auto* readingsLayout = new QVBoxLayout(readings);
    readingsLayout->addWidget(RadioRubyParen);
    readingsLayout->addWidget(RadioRubyDrop);
    CheckBoxBookmarks = new QCheckBox(QStringLiteral("見出しの行頭にﾌﾞｯｸﾏｰｸを付ける(&B)"), this);
    CheckBoxBookmarks->setObjectName(QStringLiteral("CheckBoxBookmarks"));
    CheckBoxBookmarks->setChecked(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(readings);
    layout->addWidget(CheckBoxBookmarks);
    layout->addLayout(MakeAcceptRejectRow(this, ButtonOK, ButtonCancel));
}

AozoraOptions TFormAozora::Options(const std::string& mark) const {
    AozoraOptions options;
    options.ruby = RadioRubyDrop->isChecked() ? AozoraRuby::Drop : AozoraRuby::Paren;
    options.bookmarks = CheckBoxBookmarks->isChecked();
    options.bookmarkMark = mark;
    return options;
}

TFormEntry::TFormEntry(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormEntry"));
    setWindowTitle(QStringLiteral("テキストを選ぶ"));
    auto* label = new QLabel(QStringLiteral("この書庫にはテキストが複数あります。開くものを選んでください(&L)"), this);
    ListBoxEntry = new QListWidget(this);
    ListBoxEntry->setObjectName(QStringLiteral("ListBoxEntry"));
    label->setBuddy(ListBoxEntry);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(ListBoxEntry);
    layout->addLayout(MakeAcceptRejectRow(this, ButtonOK, ButtonCancel));
    connect(ListBoxEntry, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

void TFormEntry::SetNames(const std::vector<std::string>& names) {
    ListBoxEntry->clear();
    for (const std::string& name : names) ListBoxEntry->addItem(QString::fromStdString(name));
    if (!names.empty()) ListBoxEntry->setCurrentRow(0);
}

std::string TFormEntry::Chosen() const {
    const QListWidgetItem* item = ListBoxEntry->currentItem();
    return item ? item->text().toStdString() : std::string();
}

}  // namespace verdane
