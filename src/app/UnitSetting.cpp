#include "UnitSetting.h"
#include "DialogButtons.h"

#include "ProfileFile.h"
#include "Prompts.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace verdane {

namespace {

QLabel* Label(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

QLineEdit* Edit(const char* name) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

}  // namespace

TFormSetting::TFormSetting(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormSetting"));
    setWindowTitle(QStringLiteral("設定"));

    GroupBoxEditor = new QGroupBox(QStringLiteral("ｴﾃﾞｨﾀ"));
    StaticTextFont = new QLabel(QStringLiteral("テキストのサンプルです。"));
    StaticTextFont->setObjectName(QStringLiteral("StaticTextFont"));
    StaticTextFont->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StaticTextFont->setAutoFillBackground(true);
    StaticTextFont->setMinimumHeight(48);
    LabelFont = Label(QStringLiteral("ﾌｫﾝﾄと色(&F)"), StaticTextFont);
    ButtonFont = new QPushButton(QStringLiteral("ﾌｫﾝﾄ(&O)"));
    ButtonColor = new QPushButton(QStringLiteral("背景色(&C)"));
    ButtonFontColor = new QPushButton(QStringLiteral("文字色(&T)"));
    EditBM = Edit("EditBM");
    LabelBM = Label(QStringLiteral("ﾌﾞｯｸﾏｰｸ(&B)"), EditBM);
    auto* editor = new QGridLayout(GroupBoxEditor);
    editor->addWidget(LabelFont, 0, 0, 1, 3);
    editor->addWidget(StaticTextFont, 1, 0, 1, 3);
    editor->addWidget(ButtonFont, 2, 0);
    editor->addWidget(ButtonFontColor, 2, 1);
    editor->addWidget(ButtonColor, 2, 2);
    editor->addWidget(LabelBM, 3, 0);
    editor->addWidget(EditBM, 3, 1, 1, 2);
    editor->setRowStretch(4, 1);

    GroupBoxProxy = new QGroupBox(QStringLiteral("PROXY"));
    CheckBoxUseProxy = new QCheckBox(QStringLiteral("PROXYを使う(&U)"));
    EditProxy = Edit("EditProxy");
    EditPort = Edit("EditPort");
    EditUser = Edit("EditUser");
    EditPass = Edit("EditPass");
    // Host names and port numbers are typed in plain letters and digits.
    EditProxy->setAttribute(Qt::WA_InputMethodEnabled, false);
    EditPort->setAttribute(Qt::WA_InputMethodEnabled, false);
    EditPass->setEchoMode(QLineEdit::Password);
    EditPass->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // "*"
    LabelProxy = Label(QStringLiteral("PROXYｻｰﾊﾞ(&S)"), EditProxy);
    LabelPort = Label(QStringLiteral("ﾎﾟｰﾄ(&P)"), EditPort);
    LabelUser = Label(QStringLiteral("ﾕｰｻﾞ名(&N)"), EditUser);
    LabelPass = Label(QStringLiteral("ﾊﾟｽﾜｰﾄﾞ(&W)"), EditPass);
    auto* proxy = new QGridLayout(GroupBoxProxy);
    proxy->addWidget(CheckBoxUseProxy, 0, 0, 1, 2);
    proxy->addWidget(LabelProxy, 1, 0);
    proxy->addWidget(EditProxy, 1, 1);
    proxy->addWidget(LabelPort, 2, 0);
    proxy->addWidget(EditPort, 2, 1);
    proxy->addWidget(LabelUser, 3, 0);
    proxy->addWidget(EditUser, 3, 1);
    proxy->addWidget(LabelPass, 4, 0);
    proxy->addWidget(EditPass, 4, 1);
    proxy->setRowStretch(5, 1);

    auto* buttons = MakeOkCancelRow(ButtonOK, ButtonCancel);

    auto* groups = new QHBoxLayout;
    groups->addWidget(GroupBoxEditor);
    groups->addWidget(GroupBoxProxy);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(buttons);

    FontDialog1 = new QFontDialog(this);
    FontDialog1->setObjectName(QStringLiteral("FontDialog1"));
    ColorDialog1 = new QColorDialog(this);
    ColorDialog1->setObjectName(QStringLiteral("ColorDialog1"));

    connect(ButtonFont, &QPushButton::clicked, this, &TFormSetting::ButtonFontClick);
    connect(ButtonColor, &QPushButton::clicked, this, &TFormSetting::ButtonColorClick);
    connect(ButtonFontColor, &QPushButton::clicked, this, &TFormSetting::ButtonFontColorClick);
    connect(CheckBoxUseProxy, &QCheckBox::clicked, this, &TFormSetting::CheckBoxUseProxyClick);
    connect(ButtonOK, &QPushButton::clicked, this, &TFormSetting::ButtonOKClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &TFormSetting::ButtonCancelClick);

    // A fixed dialog of at least its designed size; Japanese texts of larger
    // system fonts still fit.
    const QSize hint = sizeHint();
    setFixedSize(std::max(549, hint.width()), std::max(261, hint.height()));
}

void TFormSetting::ShowSample() {
    StaticTextFont->setFont(SampleFont);
    QPalette palette = StaticTextFont->palette();
    palette.setColor(QPalette::WindowText, ColorOf(SampleFontColor));
    palette.setColor(QPalette::Window, ColorOf(SampleBackground));
    StaticTextFont->setPalette(palette);
}

void TFormSetting::FormShow(const QFont& editorFont, TColorValue fontColor, TColorValue background,
                            const TSettings& settings) {
    editorFont_ = editorFont;
    SampleFont = editorFont;
    SampleFontColor = fontColor;
    SampleBackground = background;
    ShowSample();
    EditBM->setText(settings.BookmarkMark);
    EditProxy->setText(settings.Proxy.ProxyServer);
    EditPort->setText(QString::number(settings.Proxy.ProxyPort));
    CheckBoxUseProxy->setChecked(settings.Proxy.ProxyEnable);
    EditUser->setText(settings.Proxy.ProxyUser);
    EditPass->setText(settings.Proxy.ProxyPass);
    CheckBoxUseProxyClick();
}

void TFormSetting::ButtonFontClick() {
    // Always from the editor's font, not from a font chosen a moment ago, and
    // under the face the editor really shows: a name the desktop substitutes
    // (a Windows face of an old settings file) is in no list of the dialog.
    QFont start = editorFont_;
    start.setFamily(QFontInfo(editorFont_).family());
    FontDialog1->setCurrentFont(start);
    if (Prompts().RunDialog(*FontDialog1) != QDialog::Accepted) return;
    SampleFont = FontDialog1->currentFont();
    ShowSample();
}

void TFormSetting::ButtonColorClick() {
    ColorDialog1->setCurrentColor(ColorOf(SampleBackground));
    if (Prompts().RunDialog(*ColorDialog1) != QDialog::Accepted) return;
    SampleBackground = ColorValueOf(ColorDialog1->currentColor());
    ShowSample();
}

void TFormSetting::ButtonFontColorClick() {
    ColorDialog1->setCurrentColor(ColorOf(SampleFontColor));
    if (Prompts().RunDialog(*ColorDialog1) != QDialog::Accepted) return;
    SampleFontColor = ColorValueOf(ColorDialog1->currentColor());
    ShowSample();
}

void TFormSetting::CheckBoxUseProxyClick() {
    const bool on = CheckBoxUseProxy->isChecked();
    for (QLineEdit* edit : {EditProxy, EditPort, EditUser, EditPass}) edit->setEnabled(on);
}

void TFormSetting::ButtonOKClick() {
    if (!platform::ParseInteger(EditPort->text())) {
        Prompts().Message(this, QMessageBox::Critical, QStringLiteral("入力した値が正しくありません"),
                          QStringLiteral("ポート番号の入力が正しくありません。\nもう一度入力しなおしてください。"),
                          QMessageBox::Ok);
        return;
    }
    if (CheckBoxUseProxy->isChecked() && EditProxy->text().isEmpty()) {
        Prompts().Message(this, QMessageBox::Critical, QStringLiteral("入力してください"),
                          QStringLiteral("PROXYｻｰﾊﾞ名を入力してください。"), QMessageBox::Ok);
        return;
    }
    accept();
}

void TFormSetting::ButtonCancelClick() { reject(); }

void TFormSetting::ApplyTo(TSettings& settings) const {
    settings.EditorFont = SampleFont;
    settings.EditorFontColor = SampleFontColor;
    settings.EditorBackground = SampleBackground;
    settings.BookmarkMark = EditBM->text();
    settings.Proxy.ProxyServer = EditProxy->text();
    settings.Proxy.ProxyPort = platform::ParseInteger(EditPort->text()).value_or(settings.Proxy.ProxyPort);
    settings.Proxy.ProxyUser = EditUser->text();
    settings.Proxy.ProxyPass = EditPass->text();
    settings.Proxy.ProxyEnable = CheckBoxUseProxy->isChecked();
}

}  // namespace verdane
