#include "CommandGuard.h"

#include "FailureJapanese.h"
#include "FailureOf.h"
#include "Prompts.h"

#include <exception>

namespace verdane {

void ShowErrorBox(QWidget* parent, const QString& text, const QString& detail) {
    Prompts().Message(parent, QMessageBox::Critical, QStringLiteral("Verdane"), text, QMessageBox::Ok, detail);
}

void Guarded(QWidget* parent, const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& e) {
        // Said through the failure codes, as every use case's failure is.
        ShowErrorBox(parent, JapaneseText(core::FailureOf(e)));
    } catch (...) {
        ShowErrorBox(parent, JapaneseText(core::Failure{core::FailureCode::Internal}));
    }
}

}  // namespace verdane
