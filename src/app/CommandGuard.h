// How the window runs a command: an error that escapes it is shown in a
// message box, in the words of its failure code, and the program goes on.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace verdane {

// A failure in a message box over `parent`, with its details.
void ShowErrorBox(QWidget* parent, const QString& text, const QString& detail = {});
// Runs `command`; an exception it throws is shown over `parent` in the words
// of its failure code (a settings file that cannot be written, a file, ...).
void Guarded(QWidget* parent, const std::function<void()>& command);

}  // namespace verdane
