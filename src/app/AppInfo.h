// The program's name and version as the window captions show them.
#pragma once

#include "Names.h"

#include <QString>

namespace verdane {

using core::CaptionFor;
using core::kNewFileName;
using core::kProgramTitle;

}  // namespace verdane

namespace verdane {

// The application's title, which the desktop shows beside the window caption.
void SetApplicationTitle(const QString& title);
QString ApplicationTitle();

// Maps the Windows font names the settings may hold ("ＭＳ Ｐゴシック") to the
// Japanese fonts of this desktop.
void InstallFontSubstitutions();

}  // namespace verdane
