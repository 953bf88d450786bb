// TFormURL: the dialog of the open-from-URL command. It keeps the last URL, the
// check box and a list of the URLs used lately between uses.
#pragma once

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace verdane {

class TFormURL : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRecentUrls = 10;

    explicit TFormURL(QWidget* parent = nullptr);

    QLabel* LabelURL;
    QComboBox* EditURL;  // editable: the URL typed, or one of the last used
    QPushButton* ButtonOK;
    QPushButton* ButtonCancel;
    QCheckBox* CheckBoxHTML;

    QString Url() const;
    // The URLs used lately, the newest first; the newest is in the edit.
    QStringList RecentUrls() const;
    void SetRecentUrls(const QStringList& urls);
    // Puts a URL at the top of the list (once, at most kRecentUrls kept). The
    // list never keeps a user name or password: they belong to one request.
    void RememberUrl(const QString& url);

protected:
    // Each time the dialog opens, the URL field has the focus and its text
    // is selected, whatever had the focus when it closed (the check box).
    void showEvent(QShowEvent* event) override;

private slots:
    void ButtonOKClick();
    void ButtonCancelClick();
};

// The URL without the "user:password@" of its authority, as typed otherwise.
QString UrlWithoutCredentials(const QString& url);

}  // namespace verdane
