// TFormLibrary, the dialog of ファイル > 青空文庫から探す: Aozora Bunko's catalogue
// searched as the user types (title, subtitle, readings, authors; kana and
// width folded), the works found listed with their author, kana usage and
// date, one chosen to open, cleaned or not. Used by the main window.
#pragma once

#include "AozoraCatalog.h"

#include <QDialog>

#include <functional>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace verdane {

class TLibraryModel;

class TFormLibrary : public QDialog {
    Q_OBJECT
public:
    explicit TFormLibrary(QWidget* parent = nullptr);

    QLineEdit* EditSearch;
    QTableView* ListWorks;
    QLabel* LabelFound;           // how many works, and the catalogue's date
    QCheckBox* CheckBoxClean;     // clean the notation after opening
    QPushButton* ButtonRefresh;   // 目録を更新: runs OnRefresh
    QPushButton* ButtonOK;        // 開く: enabled while a work is chosen
    QPushButton* ButtonCancel;

    // The catalogue searched, kept by the caller while the dialog shows it;
    // `about` says where it came from and when ("目録 2026-12-08").
    void SetCatalog(const core::AozoraCatalog* catalog, const QString& about);
    // The work chosen, or nullptr.
    const core::CatalogWork* Chosen() const;

    // Downloads the catalogue again and gives it to SetCatalog (the command
    // that shows the dialog sets it).
    std::function<void()> OnRefresh;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Search();
    void UpdateButtons();

    TLibraryModel* model_;
    const core::AozoraCatalog* catalog_ = nullptr;
    QString about_;
};

}  // namespace verdane
