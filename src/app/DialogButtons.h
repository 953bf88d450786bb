// The OK and Cancel buttons at the foot of the settings and fixed-phrase
// dialogs, right-aligned, OK the default.
#pragma once

#include <QHBoxLayout>
#include <QPushButton>

namespace verdane {

inline QHBoxLayout* MakeOkCancelRow(QPushButton*& ok, QPushButton*& cancel) {
    ok = new QPushButton(QStringLiteral("OK"));
    ok->setDefault(true);
    cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"));
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

}  // namespace verdane
