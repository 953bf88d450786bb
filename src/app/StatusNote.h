// A short note on the main window's status bar for a command that succeeded
// without anything to see in the text: a save, an install, a reload.
#pragma once

#include <QString>

class QWidget;

namespace verdane {

// Shown for some seconds on the status bar of the main window that holds `any`;
// a note too wide for the room beside the fields loses its middle ("…"), and
// the whole of it is the bar's tip.
void ShowStatusNote(QWidget* any, const QString& text);

}  // namespace verdane
