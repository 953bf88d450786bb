// The help command's manual: an HTML file shown in a small viewer window.
#pragma once

#include <QString>

class QWidget;

namespace verdane {

// Where the manual is: "<executable path>.HLP" beside the executable, else the
// installed data folder (<prefix>/share/verdane/verdane.HLP). Empty when neither exists.
QString HelpFilePath();

// Shows the manual's contents page in a viewer window (one for the whole run).
// Returns false when there is no manual.
bool ShowHelpContents(QWidget* parent, const QString& path);

}  // namespace verdane
