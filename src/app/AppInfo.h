// The program's name and version as the window captions show them.
#pragma once

#include <QString>

namespace verdane {

inline const QString kProgramTitle = QStringLiteral("Verdane Ver1.22");
inline const QString kNewFileName = QStringLiteral("NewFile");

// "memo.txt - Verdane Ver1.22"
QString CaptionFor(const QString& fileName);

}  // namespace verdane

namespace verdane {

// The application's title, which the desktop shows beside the window caption.
void SetApplicationTitle(const QString& title);
QString ApplicationTitle();

// Maps the Windows font names the settings may hold ("ＭＳ Ｐゴシック") to the
// Japanese fonts of this desktop.
void InstallFontSubstitutions();

}  // namespace verdane
