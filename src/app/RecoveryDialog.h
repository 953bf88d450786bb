// The start's offer of unsaved texts: the snapshots of windows that ended
// without closing (a crash, a kill, a power cut), each shown with its name,
// place, time and size, to restore, discard or keep for a later start.
// Startup calls OfferRecovery once the first window shows.
#pragma once

#include "RecoverySnapshot.h"

#include <QDialog>

#include <functional>
#include <vector>

class QComboBox;
class QPushButton;
class QTreeWidget;

namespace verdane {

class RecoveryKeeper;

class TFormRecovery : public QDialog {
    Q_OBJECT
public:
    enum class Choice { Restore, Discard, Keep };
    // Snapshots preset to be restored at most (the newest); the rest are
    // kept for later until the user chooses otherwise.
    static constexpr int kPresetRestore = 3;

    TFormRecovery(const std::vector<RecoverySnapshot>& snapshots, QWidget* parent);
    // What the user chose for the snapshot in `row`.
    Choice ChoiceOf(int row) const;

    QTreeWidget* ListSnapshots;
    QPushButton* ButtonOK;
    QPushButton* ButtonCancel;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<QComboBox*> choices_;
};

// Offers the snapshots in `folder` that no running window owns, when there
// are any. Each one chosen for restoring goes into the window `windowFor`
// gives (called with 0, 1, ... in turn); each one discarded is removed after
// the user confirmed it; the rest stay for the next start. A snapshot that
// cannot be read any more is named and kept.
void OfferRecovery(QWidget* parent, const std::function<RecoveryKeeper*(int)>& windowFor,
                   const QString& folder = RecoveryFolder());

}  // namespace verdane
