// The one question a write plan asks before anything is written or converted:
// the other file it replaces, the code it changes, and the characters the code
// cannot hold, the first three named with their lines, code points and what
// stands for them. A plan that changes nothing unseen asks nothing.
#pragma once

#include "WritePlan.h"

#include <QString>

class QPlainTextEdit;
class QWidget;

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

// The code and line ends `document` was read in, as the window names them
// ("JIS CR LF", "Shift-JIS 改行混在").
QString FormReadText(const core::Document& document);

// The question of `plan`.
PlanQuestion QuestionOf(const core::WritePlan& plan, const PlanSeen& seen = {});

// Asks the question of `plan`, if any: true when the caller may go on (nothing
// to ask, or Yes). On No, Esc or a closed box, `editor`'s caret (if given)
// goes to the first character named.
bool AskPlan(QWidget* parent, const core::WritePlan& plan, QPlainTextEdit* editor, const PlanSeen& seen = {});

}  // namespace verdane
