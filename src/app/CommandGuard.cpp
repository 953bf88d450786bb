#include "CommandGuard.h"

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
        ShowErrorBox(parent, QString::fromUtf8(e.what()));
    } catch (...) {
        ShowErrorBox(parent, QStringLiteral("unknown error"));
    }
}

}  // namespace verdane
