// The first start without a Palm Desktop: a message that offers to make one and
// opens the manual before anything is set up, and the small dialog that asks for
// the desktop's folder and the handheld user's name and makes the desktop with
// the same code as `verdane-cli palm-desktop init`. Startup uses it.
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

// The first-start message: what is missing and the buttons 作成(&C)... (the
// set-up dialog; accepted once a desktop is made), ヘルプ(&H) (the manual; the
// message stays) and 終了(&Q) (rejected).
class TFormFirstStart : public QDialog {
    Q_OBJECT

public:
    explicit TFormFirstStart(const QString& registryPath, QWidget* parent = nullptr);

    QLabel* LabelMessage;
    QPushButton* ButtonCreate;
    QPushButton* ButtonHelp;
    QPushButton* ButtonQuit;

private:
    void ButtonCreateClick();
    void ButtonHelpClick();
    QString registryPath_;
};

// Shows the first-start message; true when a desktop was made and its registry
// file written at `registryPath`.
bool OfferPalmDesktopSetUp(const QString& registryPath);

}  // namespace verdane
