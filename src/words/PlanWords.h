// The window's words for a write plan and for the forms of a text: the one
// question a plan asks before anything is written or converted (the other file
// it replaces, the code it changes, the characters the code cannot hold, the
// first three named with their lines, code points and what stands for them),
// and the names of codes and line ends as the status panel shows them. The
// main window and the install dialog ask and name from here.
#pragma once

#include "WritePlan.h"

#include <QString>

namespace verdane {

struct PlanQuestion {
    QString caption;
    // Empty when there is nothing to ask.
    QString text;
};

// What the user has seen already and is not asked about again.
struct PlanSeen {
    // The code and line ends were chosen just now.
    bool form = false;
    // The file dialog asked about replacing the target.
    bool target = false;
};

// The code and line ends `document` was read in ("JIS CR LF", "Shift-JIS 改行混在").
QString FormReadText(const core::Document& document);

// The question of `plan`.
PlanQuestion QuestionOf(const core::WritePlan& plan, const PlanSeen& seen = {});

}  // namespace verdane
