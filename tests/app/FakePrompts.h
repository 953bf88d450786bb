// Answers for the window tests in place of the user: message boxes, file
// dialogs and modal dialogs take their answers from queues, and every message
// shown is recorded.
#pragma once

#include "Prompts.h"

#include <QApplication>
#include <QDialog>
#include <QStringList>

#include <deque>
#include <functional>

namespace verdane::test {

struct ShownMessage {
    QMessageBox::Icon icon;
    QString caption;
    QString text;
    QString detail;
    QMessageBox::StandardButtons buttons;
};

class FakePrompts : public TPrompts {
public:
    FakePrompts() { SetPrompts(this); }
    ~FakePrompts() override { SetPrompts(nullptr); }

    // Answers of message boxes with more than one button, in order; Ok otherwise.
    std::deque<QMessageBox::StandardButton> answers;
    // Choices of the open and save dialogs: a path, or empty to cancel. A save
    // choice may also set the filter index (0 keeps the preset one).
    std::deque<QString> openChoices;
    struct SaveChoice {
        QString path;
        int filterIndex = 0;
    };
    std::deque<SaveChoice> saveChoices;
    // What a modal dialog does: fill its controls and return its result (an
    // empty function shows the real dialog).
    std::deque<std::function<int(QDialog&)>> dialogs;

    std::vector<ShownMessage> messages;
    std::vector<TFileDialogState> saveDialogsShown;
    // The desktop's own open and save dialogs instead of the choices, for
    // tests that drive them with keys.
    bool realFileDialogs = false;
    // The real message boxes, recorded too, for tests that answer them with keys.
    bool realMessageBoxes = false;
    // Dialogs and message boxes shown while the hourglass cursor was set.
    int shownUnderHourglass = 0;

    QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                        const QString& text, QMessageBox::StandardButtons buttons,
                                        const QString& detail) override {
        NoteCursor();
        messages.push_back({icon, caption, text, detail, buttons});
        if (realMessageBoxes) return TPrompts::Message(parent, icon, caption, text, buttons, detail);
        // No answer queued: the box is closed, which answers Cancel where it is offered.
        if (answers.empty() && buttons.testFlag(QMessageBox::Cancel)) return QMessageBox::Cancel;
        if (buttons == QMessageBox::Ok || answers.empty()) return QMessageBox::Ok;
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    bool ChooseOpenFile(QWidget* parent, TFileDialogState& state) override {
        NoteCursor();
        if (realFileDialogs) return TPrompts::ChooseOpenFile(parent, state);
        if (openChoices.empty()) return false;
        const QString path = openChoices.front();
        openChoices.pop_front();
        if (path.isEmpty()) return false;
        state.FileName = path;
        return true;
    }
    bool ChooseSaveFile(QWidget* parent, TFileDialogState& state) override {
        NoteCursor();
        saveDialogsShown.push_back(state);
        if (realFileDialogs) return TPrompts::ChooseSaveFile(parent, state);
        if (saveChoices.empty()) return false;
        const SaveChoice choice = saveChoices.front();
        saveChoices.pop_front();
        if (choice.path.isEmpty()) return false;
        state.FileName = choice.path;
        if (choice.filterIndex) state.FilterIndex = choice.filterIndex;
        return true;
    }
    int RunDialog(QDialog& dialog) override {
        NoteCursor();
        if (dialogs.empty()) return QDialog::Rejected;
        auto run = dialogs.front();
        dialogs.pop_front();
        // An empty entry shows the real dialog, for tests that drive it with keys.
        return run ? run(dialog) : TPrompts::RunDialog(dialog);
    }

    void NoteCursor() {
        if (QApplication::overrideCursor()) ++shownUnderHourglass;
    }

    QStringList Texts() const {
        QStringList out;
        for (const auto& m : messages) out << m.text;
        return out;
    }
};

}  // namespace verdane::test
