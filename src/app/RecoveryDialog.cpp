#include "RecoveryDialog.h"

#include "DialogButtons.h"
#include "FileIo.h"
#include "Prompts.h"
#include "Recovery.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QProgressDialog>
#include <QEvent>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMainWindow>
#include <QStatusBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace verdane {

namespace {

// The text's size as the list shows it: bytes, KB or MB of its UTF-8.
QString SizeText(qint64 bytes) {
    if (bytes < 1024) return QStringLiteral("%L1 バイト").arg(bytes);
    if (bytes < 1024 * 1024) return QStringLiteral("%L1 KB").arg((bytes + 512) / 1024);
    return QStringLiteral("%L1 MB").arg(double(bytes) / (1024 * 1024), 0, 'f', 1);
}

// Snapshots from this size on are read and restored with a progress dialog
// whose Cancel keeps them for the next start.
constexpr qint64 kProgressFrom = 4 << 20;

QString Title() { return QStringLiteral("文書の復元"); }

// Read again with its text: it may have changed since it was listed. Nothing
// when the user cancelled.
std::optional<RecoverySnapshot> ReadWithProgress(QWidget* parent, const platform::OwnFolder& own,
                                                 const RecoverySnapshot& listed) {
    const QString name = QFileInfo(listed.file).fileName();
    if (listed.bytes < kProgressFrom) return ReadSnapshot(own, name, true);
    QProgressDialog progress(QStringLiteral("%1 を読み込んでいます…").arg(listed.document.DisplayName()),
                             QStringLiteral("キャンセル"), 0, 0, parent);
    progress.setWindowTitle(Title());
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.show();
    RecoverySnapshot snapshot = RunWhilePainting([&own, name] { return ReadSnapshot(own, name, true); },
                                                 [] { QCoreApplication::processEvents(); });
    if (progress.wasCanceled()) return std::nullopt;
    return snapshot;
}

// Fills `keeper`'s window with the snapshot's text, a long one with its
// progress shown and a Cancel that leaves the window empty and the snapshot kept.
void RestoreWithProgress(QWidget* parent, RecoveryKeeper& keeper, const RecoverySnapshot& snapshot) {
    if (snapshot.bytes < kProgressFrom) {
        keeper.Restore(snapshot);
        return;
    }
    QProgressDialog progress(QStringLiteral("%1 を復元しています…").arg(snapshot.document.DisplayName()),
                             QStringLiteral("キャンセル"), 0, 1000, parent);
    progress.setWindowTitle(Title());
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.show();
    TextFillOptions fill;
    // Only the dialog takes input meanwhile (it is modal): its Cancel is live.
    fill.turn = [] { QCoreApplication::processEvents(); };
    fill.progress = [&progress](std::size_t done, std::size_t total) {
        progress.setValue(int(done * 1000 / std::max<std::size_t>(total, 1)));
    };
    fill.cancelled = [&progress] { return progress.wasCanceled(); };
    if (!keeper.Restore(snapshot, fill))
        if (auto* window = qobject_cast<QMainWindow*>(keeper.parent()))
            window->statusBar()->showMessage(
                QStringLiteral("%1 の復元を取り消しました。控えは次の起動まで残してあります").arg(snapshot.document.DisplayName()),
                15000);
}

QString PlaceOf(const core::Document& document) {
    if (document.Kind() == core::DocKind::Page) return document.Url();
    if (document.Path().isEmpty()) return QStringLiteral("(新規の文書)");
    return core::FolderPart(document.Path());
}

// What the detail line says of a snapshot: the document's whole path (or its
// page's address); the snapshot's own file (a name the program made up) only
// when it cannot be restored, for a look by hand, with the reason.
QString DetailOf(const RecoverySnapshot& snapshot) {
    if (snapshot.state == RecoverySnapshot::State::Good) {
        const core::Document& document = snapshot.document;
        if (document.Kind() == core::DocKind::Page) return document.Url();
        return document.Path().isEmpty() ? QStringLiteral("新規の文書 (まだ保存されていません)") : document.Path();
    }
    QString detail = QStringLiteral("控えのファイル: %1").arg(snapshot.file);
    if (!snapshot.problem.isEmpty()) detail += u'\n' + snapshot.problem;
    return detail;
}

}  // namespace

TFormRecovery::TFormRecovery(const std::vector<RecoverySnapshot>& snapshots, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormRecovery"));
    setWindowTitle(QStringLiteral("文書の復元"));
    auto* text = new QLabel(QStringLiteral("前回、保存されないまま終わった文書があります。\n"
                                           "それぞれの扱いを選んで OK を押してください。"
                                           "「後で」を選んだ文書は次の起動でもう一度尋ねます。"),
                            this);
    text->setWordWrap(true);
    ListSnapshots = new QTreeWidget(this);
    ListSnapshots->setObjectName(QStringLiteral("ListSnapshots"));
    ListSnapshots->setRootIsDecorated(false);
    ListSnapshots->setHeaderLabels({QStringLiteral("文書"), QStringLiteral("場所"), QStringLiteral("控えの時刻"),
                                    QStringLiteral("大きさ"), QStringLiteral("扱い")});
    // Only the latest few are chosen for restoring at once, each in a window
    // of its own; the rest wait for a choice of the user's.
    std::size_t good = 0;
    for (const RecoverySnapshot& snapshot : snapshots) good += snapshot.state == RecoverySnapshot::State::Good;
    std::size_t goodSeen = 0;
    for (const RecoverySnapshot& snapshot : snapshots) {
        auto* item = new QTreeWidgetItem(ListSnapshots);
        item->setText(0, snapshot.document.DisplayName());
        item->setText(1, PlaceOf(snapshot.document));
        item->setToolTip(0, snapshot.document.DisplayName());
        item->setToolTip(1, item->text(1));
        item->setText(2, snapshot.saved.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
        auto* choice = new QComboBox(ListSnapshots);
        switch (snapshot.state) {
            case RecoverySnapshot::State::Good:
                item->setText(3, SizeText(snapshot.bytes));
                choice->addItem(QStringLiteral("復元する"), int(Choice::Restore));
                choice->addItem(QStringLiteral("破棄する"), int(Choice::Discard));
                choice->addItem(QStringLiteral("後で"), int(Choice::Keep));
                // The list is oldest first: the newest kPresetRestore are preset.
                if (good - goodSeen++ > std::size_t(kPresetRestore)) choice->setCurrentIndex(2);
                break;
            case RecoverySnapshot::State::Damaged:
                // A damaged file may still be worth a look by hand: it stays unless discarded.
                item->setText(3, QStringLiteral("壊れています"));
                choice->addItem(QStringLiteral("後で"), int(Choice::Keep));
                choice->addItem(QStringLiteral("破棄する"), int(Choice::Discard));
                break;
            case RecoverySnapshot::State::Newer:
                // Only the later Verdane that wrote it can read it.
                item->setText(3, QStringLiteral("新しい版の控え"));
                choice->addItem(QStringLiteral("後で"), int(Choice::Keep));
                choice->setEnabled(false);
                break;
        }
        // Why a snapshot cannot be restored, when the pointer rests on it.
        item->setToolTip(3, snapshot.problem.isEmpty() ? item->text(3) : snapshot.problem);
        ListSnapshots->setItemWidget(item, 4, choice);
        choice->installEventFilter(this);
        choices_.push_back(choice);
    }
    // Every column as wide as what it holds (a choice's box counts for its
    // column), the place taking what is left and losing its middle when the
    // dialog is too narrow for it; the dialog as wide as the columns, up to
    // the screen's width.
    ListSnapshots->setTextElideMode(Qt::ElideMiddle);
    QHeaderView* header = ListSnapshots->header();
    header->setStretchLastSection(false);
    int choiceWidth = header->sectionSizeHint(4);
    for (const QComboBox* choice : choices_) choiceWidth = std::max(choiceWidth, choice->sizeHint().width());
    int wanted = 0;
    for (int column = 0; column < 5; ++column) {
        if (column == 4) ListSnapshots->setColumnWidth(4, choiceWidth + 4);
        else ListSnapshots->resizeColumnToContents(column);
        wanted += ListSnapshots->columnWidth(column);
    }
    header->setSectionResizeMode(1, QHeaderView::Stretch);
    header->setMinimumSectionSize(40);
    // The chosen snapshot's document in full, or its file and why it cannot be restored.
    auto* detail = new QLabel(this);
    detail->setObjectName(QStringLiteral("LabelDetail"));
    detail->setTextInteractionFlags(Qt::TextSelectableByMouse);
    detail->setWordWrap(true);
    connect(ListSnapshots, &QTreeWidget::currentItemChanged, detail, [detail, snapshots, this](QTreeWidgetItem* item) {
        const int row = ListSnapshots->indexOfTopLevelItem(item);
        if (row < 0) return;
        const RecoverySnapshot& snapshot = snapshots[std::size_t(row)];
        detail->setText(DetailOf(snapshot));
    });
    ListSnapshots->setCurrentItem(ListSnapshots->topLevelItem(0));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(ListSnapshots);
    layout->addWidget(detail);
    layout->addLayout(MakeAcceptRejectRow(this, ButtonOK, ButtonCancel));
    ButtonCancel->setText(QStringLiteral("後で決める"));
    // The keys go from one row's choice to the next (Up and Down change it),
    // then to the buttons; Enter takes the choices.
    ListSnapshots->setFocusPolicy(Qt::NoFocus);
    QWidget* previous = nullptr;
    for (QComboBox* choice : choices_) {
        if (previous) setTabOrder(previous, choice);
        previous = choice;
    }
    if (previous) setTabOrder(previous, ButtonOK);
    if (!choices_.empty() && choices_.front()->isEnabled())
        choices_.front()->setFocus();
    else
        ButtonOK->setFocus();
    const int frame = 2 * ListSnapshots->frameWidth() + ListSnapshots->verticalScrollBar()->sizeHint().width() + 24;
    const QScreen* screen = this->screen();
    const int most = screen ? screen->availableGeometry().width() * 9 / 10 : 1200;
    resize(std::clamp(wanted + frame, 560, std::max(560, most)), 300);
}

bool TFormRecovery::eventFilter(QObject* watched, QEvent* event) {
    // The row whose choice has the keys is the one the detail speaks of.
    if (event->type() == QEvent::FocusIn)
        for (std::size_t row = 0; row < choices_.size(); ++row)
            if (choices_[row] == watched) ListSnapshots->setCurrentItem(ListSnapshots->topLevelItem(int(row)));
    return QDialog::eventFilter(watched, event);
}

TFormRecovery::Choice TFormRecovery::ChoiceOf(int row) const {
    return static_cast<Choice>(choices_.at(std::size_t(row))->currentData().toInt());
}

void OfferRecovery(QWidget* parent, const std::function<RecoveryKeeper*(int)>& windowFor, const QString& folder) {
    const std::vector<RecoverySnapshot> snapshots = OrphanedSnapshots(folder);
    if (snapshots.empty()) return;
    TFormRecovery form(snapshots, parent);
    int discarding = 0;
    for (;;) {
        if (Prompts().RunDialog(form) != QDialog::Accepted) return;  // all kept for the next start
        discarding = 0;
        for (int row = 0; row < int(snapshots.size()); ++row)
            discarding += form.ChoiceOf(row) == TFormRecovery::Choice::Discard;
        // Discarded texts are gone for good: asked once more.
        if (discarding == 0 ||
            Prompts().Message(parent, QMessageBox::Warning, QStringLiteral("文書の復元"),
                              QStringLiteral("%1 件の文書を破棄します。破棄した文書は元に戻せません。\nよろしいですか?")
                                  .arg(discarding),
                              QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
            break;
    }
    std::optional<platform::OwnFolder> own;
    try {
        own.emplace(OpenRecoveryFolder(folder));
    } catch (const platform::EFileError&) {
        return;  // gone meanwhile: nothing can be restored or removed
    }
    int restored = 0;
    for (int row = 0; row < int(snapshots.size()); ++row) {
        const RecoverySnapshot& listed = snapshots[std::size_t(row)];
        switch (form.ChoiceOf(row)) {
            case TFormRecovery::Choice::Keep: break;
            case TFormRecovery::Choice::Discard:
                own->Remove(QFile::encodeName(QFileInfo(listed.file).fileName()).toStdString());
                break;
            case TFormRecovery::Choice::Restore: {
                const std::optional<RecoverySnapshot> read = ReadWithProgress(parent, *own, listed);
                if (!read) break;  // cancelled: kept for the next start
                const RecoverySnapshot& snapshot = *read;
                if (snapshot.state != RecoverySnapshot::State::Good) {
                    Prompts().Message(parent, QMessageBox::Warning, QStringLiteral("文書の復元"),
                                      QStringLiteral("%1 を復元できません。控えは残してあります。\n%2")
                                          .arg(listed.document.DisplayName(), snapshot.problem),
                                      QMessageBox::Ok, listed.file);
                    break;
                }
                if (RecoveryKeeper* keeper = windowFor(restored++)) RestoreWithProgress(parent, *keeper, snapshot);
                break;
            }
        }
    }
}

}  // namespace verdane
