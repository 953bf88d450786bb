#include "PlanQuestion.h"

#include "Prompts.h"

#include <QPlainTextEdit>
#include <QTextCursor>

namespace verdane {

bool AskPlan(QWidget* parent, const core::WritePlan& plan, QPlainTextEdit* editor, const PlanSeen& seen) {
    const PlanQuestion question = QuestionOf(plan, seen);
    if (question.text.isEmpty()) return true;
    const QString detail = plan.replacesOther && !seen.target ? plan.target : QString();
    if (Prompts().Message(parent, QMessageBox::Warning, question.caption, question.text,
                          QMessageBox::Yes | QMessageBox::No, detail) == QMessageBox::Yes)
        return true;
    // The first character named is shown.
    if (editor && !plan.unwritable.empty()) {
        QTextCursor cursor(editor->document());
        cursor.setPosition(static_cast<int>(plan.unwritable.front().at));
        editor->setTextCursor(cursor);
    }
    return false;
}

}  // namespace verdane
