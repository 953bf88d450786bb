// The program's name and version as the window captions show them.
#pragma once

#include <QString>

namespace verdane {

inline const QString kProgramTitle = QStringLiteral("Verdane Ver1.22");
inline const QString kNewFileName = QStringLiteral("NewFile");

// "memo.txt - Verdane Ver1.22"
QString CaptionFor(const QString& fileName);

}  // namespace verdane
