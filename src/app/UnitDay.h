// TFormDay, the date dialog: the current date and time in every date pattern,
// one line each; the main window inserts the chosen line. The same patterns
// fill the tool bar's time menu. The pattern list is read once at start.
#pragma once

#include <QDateTime>
#include <QDialog>
#include <QLocale>
#include <QStringList>

#include <functional>

class QListWidget;
class QPushButton;

namespace verdane {

// The 28 patterns used when there is no pattern file.
QStringList BuiltInDatePatterns();
// The patterns of a pattern file (UTF-8, or CP932 as Windows editors write it):
// one a line, "#" lines and empty lines skipped, blanks kept. Without the file,
// or when it cannot be read, the built-in patterns.
QStringList LoadDatePatterns(const QString& path);
// `when` in each pattern; a pattern that cannot be formatted is left out.
QStringList FormatDatePatterns(const QStringList& patterns, const std::function<QDateTime()>& now,
                               const QLocale& locale);

class TFormDay : public QDialog {
    Q_OBJECT
public:
    // FormCreate: the patterns from `patternFile` (see LoadDatePatterns).
    TFormDay(const QString& patternFile, QWidget* parent = nullptr);

    QStringList DateFormats;
    int SelectedFormat = 0;  // the line chosen last, kept for the whole run
    // The clock and the names; tests set their own.
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };
    QLocale Locale = QLocale::system();

    // Each time the dialog opens: the lines anew, the last choice selected.
    void FormShow();
    // The text of line SelectedFormat as shown, or empty.
    QString SelectedText() const;
    // The formatted lines, for the time menu.
    QStringList FormattedLines() const { return FormatDatePatterns(DateFormats, Now, Locale); }

    void ButtonOKClick();
    void ButtonCloseClick();

    QListWidget* ListBoxFormat;
    QPushButton* ButtonOK;
    QPushButton* ButtonClose;
};

}  // namespace verdane
