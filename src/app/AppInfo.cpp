#include "AppInfo.h"

namespace verdane {

QString CaptionFor(const QString& fileName) { return fileName + QStringLiteral(" - ") + kProgramTitle; }

}  // namespace verdane
