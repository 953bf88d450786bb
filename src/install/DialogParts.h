// What the install dialog and the user-choice dialog share: their message texts
// and the making of their controls.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QString>

namespace verdane::install_texts {

inline constexpr const char* kCannotInstall = "ｲﾝｽﾄｰﾙできません";
inline constexpr const char* kCannotOpenFolder = "ｲﾝｽﾄｰﾙﾃﾞｨﾚｸﾄﾘを開けません";
inline constexpr const char* kNoPalmDesktop = "PalmDesktopが正しくインストールされていません！";
inline constexpr const char* kNoUserCaption = "ﾕｰｻﾞが選択されていません";
inline constexpr const char* kNoUser = "ﾕｰｻﾞを選択して下さい";

}  // namespace verdane::install_texts

namespace verdane::dialog_parts {

// A control with its component name as object name, so tests and style sheets find it.
template <class Widget>
Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The user choice both dialogs open with: "ﾕｰｻﾞ名(&U)" and its combo box.
inline void MakeUserChoice(QWidget* parent, QLabel*& label, QComboBox*& comboBox) {
    label = new QLabel(QStringLiteral("ﾕｰｻﾞ名(&U)"), parent);
    comboBox = Named(new QComboBox(parent), "AutoInstallComboBox");
    comboBox->setMinimumWidth(200);
    label->setBuddy(comboBox);
}

}  // namespace verdane::dialog_parts
