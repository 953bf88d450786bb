#include "UnitURL.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace verdane {

TFormURL::TFormURL(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormURL"));
    setWindowTitle(QStringLiteral("URLから開く"));
    LabelURL = new QLabel(QStringLiteral("URL(&U)"), this);
    EditURL = new QComboBox(this);
    EditURL->setObjectName(QStringLiteral("EditURL"));
    EditURL->setEditable(true);
    EditURL->setInsertPolicy(QComboBox::NoInsert);
    EditURL->setMinimumContentsLength(40);
    EditURL->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    LabelURL->setBuddy(EditURL);
    ButtonOK = new QPushButton(QStringLiteral("OK"), this);
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonOK->setDefault(true);
    ButtonCancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    CheckBoxHTML = new QCheckBox(QStringLiteral("HTML→ﾃｷｽﾄ処理を行う(&H)"), this);
    CheckBoxHTML->setObjectName(QStringLiteral("CheckBoxHTML"));
    CheckBoxHTML->setChecked(true);
    connect(ButtonOK, &QPushButton::clicked, this, &TFormURL::ButtonOKClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &TFormURL::ButtonCancelClick);

    auto* layout = new QGridLayout(this);
    layout->addWidget(LabelURL, 0, 0);
    layout->addWidget(EditURL, 0, 1, 1, 3);
    layout->addWidget(CheckBoxHTML, 1, 1);
    layout->addWidget(ButtonOK, 1, 2);
    layout->addWidget(ButtonCancel, 1, 3);
    layout->setColumnStretch(1, 1);
    setTabOrder(EditURL, CheckBoxHTML);
    setTabOrder(CheckBoxHTML, ButtonOK);
    setTabOrder(ButtonOK, ButtonCancel);
}

QString TFormURL::Url() const { return EditURL->currentText().trimmed(); }

QStringList TFormURL::RecentUrls() const {
    QStringList urls;
    for (int i = 0; i < EditURL->count(); ++i) urls << EditURL->itemText(i);
    return urls;
}

QString UrlWithoutCredentials(const QString& url) {
    // The authority runs from "//" to the first "/", "?" or "#"; what comes
    // before its last "@" is the user information.
    const qsizetype scheme = url.indexOf(QStringLiteral("://"));
    const qsizetype start = scheme < 0 ? (url.startsWith(QStringLiteral("//")) ? 2 : 0) : scheme + 3;
    qsizetype end = start;
    while (end < url.size() && url[end] != u'/' && url[end] != u'?' && url[end] != u'#') ++end;
    if (end == start) return url;
    const qsizetype at = url.lastIndexOf(u'@', end - 1);
    if (at < start) return url;
    return url.left(start) + url.mid(at + 1);
}

void TFormURL::SetRecentUrls(const QStringList& given) {
    // A list written before credentials were kept out loses them here, so the
    // next write of the settings file holds none.
    QStringList urls;
    for (const QString& url : given) urls << UrlWithoutCredentials(url);
    EditURL->clear();
    for (const QString& url : urls) {
        if (url.isEmpty() || EditURL->findText(url, Qt::MatchExactly) >= 0) continue;
        if (EditURL->count() == kRecentUrls) break;
        EditURL->addItem(url);
    }
    EditURL->setCurrentIndex(EditURL->count() > 0 ? 0 : -1);
}

void TFormURL::RememberUrl(const QString& url) {
    const QString kept = UrlWithoutCredentials(url);
    QStringList urls = RecentUrls();
    urls.removeAll(kept);
    urls.prepend(kept);
    SetRecentUrls(urls);
}

void TFormURL::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    EditURL->setFocus(Qt::OtherFocusReason);
    if (QLineEdit* edit = EditURL->lineEdit()) edit->selectAll();
}

void TFormURL::ButtonOKClick() { accept(); }
void TFormURL::ButtonCancelClick() { reject(); }

}  // namespace verdane
