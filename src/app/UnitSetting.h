// TFormSetting, the settings dialog: the editor's font, text colour and
// background with a sample, the bookmark mark, and the web proxy. The main window's
// MenuSettingClick fills it, runs it and applies it after OK.
#pragma once

#include "Settings.h"

#include <QDialog>

class QCheckBox;
class QColorDialog;
class QFontDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace verdane {

class TFormSetting : public QDialog {
    Q_OBJECT
public:
    explicit TFormSetting(QWidget* parent = nullptr);

    // Fills the controls: the sample from the editor's font and colours, the
    // bookmark and proxy fields from the settings.
    void FormShow(const QFont& editorFont, TColorValue fontColor, TColorValue background, const TSettings& settings);
    // After OK: the sample's font and colours and the fields into `settings`.
    void ApplyTo(TSettings& settings) const;

    void ButtonFontClick();
    void ButtonColorClick();
    void ButtonFontColorClick();
    void CheckBoxUseProxyClick();
    void ButtonOKClick();
    void ButtonCancelClick();

    // The sample's look.
    QFont SampleFont;
    TColorValue SampleFontColor = kColorWindowText;
    TColorValue SampleBackground = kColorWhite;

    QGroupBox* GroupBoxEditor;
    QLabel* LabelFont;
    QLabel* StaticTextFont;
    QPushButton* ButtonFont;
    QPushButton* ButtonColor;
    QPushButton* ButtonFontColor;
    QLabel* LabelBM;
    QLineEdit* EditBM;
    QGroupBox* GroupBoxProxy;
    QCheckBox* CheckBoxUseProxy;
    QLabel* LabelProxy;
    QLineEdit* EditProxy;
    QLabel* LabelPort;
    QLineEdit* EditPort;
    QLabel* LabelUser;
    QLineEdit* EditUser;
    QLabel* LabelPass;
    QLineEdit* EditPass;
    QPushButton* ButtonOK;
    QPushButton* ButtonCancel;
    QFontDialog* FontDialog1;
    QColorDialog* ColorDialog1;

private:
    void ShowSample();
    QFont editorFont_;
};

}  // namespace verdane
