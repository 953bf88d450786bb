#include "UnitDay.h"

#include "DateTimeFormat.h"
#include "FileIo.h"
#include "ProfileFile.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace verdane {

QStringList BuiltInDatePatterns() {
    return {
        QStringLiteral("(yyyy/mm/dd)"),
        QStringLiteral("(yyyy/mm/dd hh:nn:ss)"),
        QStringLiteral("yyyy/mm"),
        QStringLiteral("mm/dd(aaa)"),
        QStringLiteral("dd(aaa)"),
        QStringLiteral("c"),
        QStringLiteral("mm.dd.yyyy"),
        QStringLiteral("yy/mm/dd"),
        QStringLiteral("yyyy/mm/dd"),
        QStringLiteral("yy/mm/dd (aaa)"),
        QStringLiteral("yy/m/d (aaa)"),
        QStringLiteral("yyyy/mm/dd (aaa)"),
        QStringLiteral("yyyy/m/d (aaa)"),
        QStringLiteral("yyyy-mm-dd"),
        QStringLiteral("yyyy\"年\"m\"月\"d\"日\""),
        QStringLiteral("yyyy\"年\"mm\"月\"dd\"日\""),
        QStringLiteral("yyyy\"年\"m\"月\"d\"日\" aaaa"),
        QStringLiteral("yyyy\"年\"mm\"月\"dd\"日\" aaaa"),
        QStringLiteral("yy\"年\"m\"月\"d\"日\""),
        QStringLiteral("yy\"年\"m\"月\"d\"日\" aaaa"),
        QStringLiteral("yy\"年\"mm\"月\"dd\"日\""),
        QStringLiteral("yy\"年\"mm\"月\"dd\"日\" aaaa"),
        QStringLiteral("hh:nn"),
        QStringLiteral("hh:nn:ss"),
        QStringLiteral("ampm h:n:s"),
        QStringLiteral("ampm hh:nn:ss"),
        QStringLiteral("AM/PM h:n:s"),
        QStringLiteral("AM/PM hh:nn:ss"),
    };
}

QStringList LoadDatePatterns(const QString& path) {
    if (path.isEmpty() || !QFileInfo::exists(path)) return BuiltInDatePatterns();
    std::string bytes;
    try {
        bytes = platform::ReadWholeFile(path.toStdString());
    } catch (const platform::EFileError&) {
        return BuiltInDatePatterns();
    }
    QStringList patterns;
    for (const QString& line : platform::DecodeSettingsText(bytes).split(u'\n')) {
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        patterns << line;
    }
    return patterns;
}

QStringList FormatDatePatterns(const QStringList& patterns, const std::function<QDateTime()>& now,
                               const QLocale& locale) {
    QStringList lines;
    for (const QString& pattern : patterns) {
        try {
            lines << platform::FormatDateTime(pattern, now(), locale);  // the clock read anew for each
        } catch (const platform::EDateFormatError&) {
            // left out without a message
        }
    }
    return lines;
}

TFormDay::TFormDay(const QString& patternFile, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormDay"));
    setWindowTitle(QStringLiteral("日付の挿入"));
    ListBoxFormat = new QListWidget;
    ListBoxFormat->setObjectName(QStringLiteral("ListBoxFormat"));
    ButtonOK = new QPushButton(QStringLiteral("OK"));
    ButtonOK->setDefault(true);
    ButtonClose = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ButtonOK);
    buttons->addStretch();
    buttons->addWidget(ButtonClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListBoxFormat);
    layout->addLayout(buttons);
    setFixedSize(246, 262);

    connect(ButtonOK, &QPushButton::clicked, this, &TFormDay::ButtonOKClick);
    connect(ButtonClose, &QPushButton::clicked, this, &TFormDay::ButtonCloseClick);
    connect(ListBoxFormat, &QListWidget::itemDoubleClicked, this, &TFormDay::ButtonOKClick);

    DateFormats = LoadDatePatterns(patternFile);
}

void TFormDay::FormShow() {
    ListBoxFormat->clear();
    ListBoxFormat->addItems(FormattedLines());
    if (SelectedFormat < ListBoxFormat->count()) ListBoxFormat->setCurrentRow(SelectedFormat);
}

QString TFormDay::SelectedText() const {
    const QListWidgetItem* item = ListBoxFormat->item(SelectedFormat);
    return item ? item->text() : QString();
}

void TFormDay::ButtonOKClick() {
    const int row = ListBoxFormat->currentRow();
    if (row < 0 || !ListBoxFormat->currentItem()->isSelected()) return;
    SelectedFormat = row;
    accept();
}

void TFormDay::ButtonCloseClick() { reject(); }

}  // namespace verdane
