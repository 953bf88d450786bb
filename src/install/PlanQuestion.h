// Asks the one question of a write plan (PlanWords) in a message box before
// anything is written or converted, and shows the first character it names
// when the user declines.
#pragma once

#include "PlanWords.h"

class QPlainTextEdit;
class QWidget;

namespace verdane {

// Asks the question of `plan`, if any: true when the caller may go on (nothing
// to ask, or Yes). On No, Esc or a closed box, `editor`'s caret (if given)
// goes to the first character named.
bool AskPlan(QWidget* parent, const core::WritePlan& plan, QPlainTextEdit* editor, const PlanSeen& seen = {});

}  // namespace verdane
