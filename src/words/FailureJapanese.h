// The failures of the use cases (core::Failure) in the window's words, in
// Japanese like the rest of its texts: the main window, the download window
// and the install dialog show them. The subject (a path, a host) and a
// library's own words (a server's reason phrase) stay as they are given.
#pragma once

#include "Failure.h"

#include <QString>

namespace verdane {

QString JapaneseText(const core::Failure& failure);

// The system's reason for an error number in Japanese (the common ones), else
// the system's own words.
QString SystemErrorText(int error);

}  // namespace verdane
