// The first start without a Palm Desktop: a message that offers to make one,
// to choose the registry file of one there already (remembered in the
// settings file), or to go on without one (editing works, installing does
// not), and opens the manual before anything is set up; and the small dialog
// that asks for the desktop's folder and the handheld user's name and makes
// the desktop with the same code as `verdane-cli palm-desktop init`. Startup
// uses it.
#pragma once

#include "PalmDesktopSetup.h"

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace verdane {

// The folder the set-up dialog proposes: $XDG_DATA_HOME/verdane/palm-desktop
// (XDG_DATA_HOME defaults to ~/.local/share; a relative value is ignored).
QString DefaultPalmDesktopFolder();
// The user name it proposes: the full name of the login's passwd entry (the
// GECOS field up to its first ",", "&" standing for the login name), else the
// login name. Empty when neither is known.
QString DefaultHandheldUserName();
// The reason a desktop cannot be made, in the window's words.
QString PalmSetUpFaultText(platform::PalmSetupFault fault, const QString& subject);

// The set-up dialog. OK makes the desktop (core folder and install folder in
// EditFolder, the registry file at the path given) and closes; when the desktop
// cannot be made the reason is shown in LabelProblem and the dialog stays open.
class TFormPalmSetUp : public QDialog {
    Q_OBJECT

public:
    explicit TFormPalmSetUp(const QString& registryPath, QWidget* parent = nullptr);

    QLineEdit* EditFolder;
    QPushButton* ButtonBrowse;
    QLineEdit* EditUser;
    QLabel* LabelProblem;
    QPushButton* ButtonOK;
    QPushButton* ButtonCancel;

    void accept() override;

private:
    void ButtonBrowseClick();
    QString registryPath_;
};

// The registry file chosen at a first start, as the settings file remembers
// it; empty when none was chosen.
QString RememberedRegistryPath();
void RememberRegistryPath(const QString& path);

// What the first start ended with.
enum class FirstStartChoice {
    Quit,     // 終了: the program ends
    Made,     // a desktop was made, its registry file at the path offered
    Chosen,   // an existing registry file was chosen (ChosenRegistry)
    Without,  // go on without a desktop; also Esc and closing the message
};

// The first-start message: what is missing and the buttons 作成(&C)... (the
// set-up dialog), 既存のPalm Desktopを選ぶ(&E)... (a registry file, taken
// once it names a Palm Desktop), ヘルプ(&H) (the manual; the message stays),
// Palm Desktopなしで続ける(&W) and 終了(&Q). The dialog's result is a
// FirstStartChoice.
class TFormFirstStart : public QDialog {
    Q_OBJECT

public:
    explicit TFormFirstStart(const QString& registryPath, QWidget* parent = nullptr);

    QLabel* LabelMessage;
    QPushButton* ButtonCreate;
    QPushButton* ButtonChoose;
    QPushButton* ButtonHelp;
    QPushButton* ButtonWithout;
    QPushButton* ButtonQuit;

    // The registry file chosen (FirstStartChoice::Chosen).
    const QString& ChosenRegistry() const { return chosen_; }
    // Esc and the close button go on without a desktop: nothing is lost, and
    // 終了 is one click away.
    void reject() override;

private:
    void ButtonCreateClick();
    void ButtonChooseClick();
    void ButtonHelpClick();
    QString registryPath_;
    QString chosen_;
};

struct FirstStartAnswer {
    FirstStartChoice choice = FirstStartChoice::Quit;
    // Made: the registry file written; Chosen: the one chosen (and remembered).
    QString registryPath;
};

// Shows the first-start message, offering to make the desktop's registry
// file at `registryPath`.
FirstStartAnswer OfferPalmDesktopSetUp(const QString& registryPath);

}  // namespace verdane
