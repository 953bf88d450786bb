// The tool bar's eight images and the program icon, drawn at run time so the
// window looks the same on every desktop, with or without an icon theme.
#pragma once

#include <QIcon>

namespace verdane {

enum class ToolImage { Open, Save, Undo, Cut, Copy, Paste, Bookmark, Clock };

// The image of one tool-bar button, in the tool bar's order (ImageList1).
QIcon ToolBarImage(ToolImage image);
QIcon ProgramIconImage();

}  // namespace verdane
