// The OK and Cancel buttons at the foot of the dialogs, right-aligned, OK the
// default, named ButtonOK and ButtonCancel.
#pragma once

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

namespace verdane {

inline QHBoxLayout* MakeOkCancelRow(QPushButton*& ok, QPushButton*& cancel) {
    ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("ButtonOK"));
    ok->setDefault(true);
    cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"));
    cancel->setObjectName(QStringLiteral("ButtonCancel"));
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

// The same row for a dialog whose OK accepts and whose Cancel rejects it.
inline QHBoxLayout* MakeAcceptRejectRow(QDialog* dialog, QPushButton*& ok, QPushButton*& cancel) {
    QHBoxLayout* row = MakeOkCancelRow(ok, cancel);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return row;
}

}  // namespace verdane
