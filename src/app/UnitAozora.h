// The small dialogs of Aozora Bunko works: TFormAozora, the options of the Edit
// command that tidies Aozora's notation, and TFormEntry, the choice among the
// texts of an archive that holds several. Used by the main window.
#pragma once

#include "AozoraNotation.h"

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace verdane {

class TFormAozora : public QDialog {
    Q_OBJECT
public:
    explicit TFormAozora(QWidget* parent = nullptr);

    QRadioButton* RadioRubyParen;  // readings kept in parentheses
    QRadioButton* RadioRubyDrop;   // readings dropped
    QCheckBox* CheckBoxBookmarks;  // headings start with the bookmark mark
    QPushButton* ButtonOK;
    QPushButton* ButtonCancel;

    // The options chosen, the headings marked with `mark` (CP932).
    AozoraOptions Options(const std::string& mark) const;
};

class TFormEntry : public QDialog {
    Q_OBJECT
public:
    explicit TFormEntry(QWidget* parent = nullptr);

    QListWidget* ListBoxEntry;
    QPushButton* ButtonOK;
    QPushButton* ButtonCancel;

    // The archive's texts (UTF-8 names), the first one chosen.
    void SetNames(const std::vector<std::string>& names);
    // The chosen name, empty when none is.
    std::string Chosen() const;
};

}  // namespace verdane
