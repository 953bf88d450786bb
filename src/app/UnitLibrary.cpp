#include "UnitLibrary.h"

#include "DialogButtons.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>

namespace verdane {

namespace {

QString Q(std::string_view utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }

// A catalogue text on one row: each line break (CR LF, CR, LF, U+2028, U+2029)
// and any other control character becomes one space, so a subtitle of two
// lines keeps its row one line high. The tip shows it as the catalogue has it.
QString OneLine(QString line) {
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    for (QChar& c : line)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u' ';
    return line;
}

}  // namespace

// The works found, one row each: a view of the catalogue's own entries, so a
// search that finds thousands costs no widget per work.
class TLibraryModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void SetWorks(std::vector<const core::CatalogWork*> works) {
        beginResetModel();
        works_ = std::move(works);
        endResetModel();
    }
    const core::CatalogWork* Work(int row) const {
        return row >= 0 && row < static_cast<int>(works_.size()) ? works_[static_cast<std::size_t>(row)] : nullptr;
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(works_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 4; }
    QVariant data(const QModelIndex& index, int role) const override {
        const core::CatalogWork* work = Work(index.row());
        if (!work || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
        QString text;
        switch (index.column()) {
        case 0: text = work->subtitle.empty() ? Q(work->title) : Q(work->title) + u'　' + Q(work->subtitle); break;
        case 1: text = QString::fromStdString(work->Authors()); break;
        case 2: text = Q(work->kanaUse); break;
        default: text = Q(work->published); break;
        }
        return role == Qt::DisplayRole ? OneLine(text) : text;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        static const char16_t* const kTitles[] = {u"作品名", u"著者", u"文字遣い種別", u"公開日"};
        return QString::fromUtf16(kTitles[section]);
    }

private:
    std::vector<const core::CatalogWork*> works_;
};

TFormLibrary::TFormLibrary(QWidget* parent) : QDialog(parent), model_(new TLibraryModel(this)) {
    setObjectName(QStringLiteral("FormLibrary"));
    setWindowTitle(QStringLiteral("青空文庫から探す"));
    auto* label = new QLabel(QStringLiteral("作品名・著者名（漢字かよみ）を入れてください(&S)"), this);
    EditSearch = new QLineEdit(this);
    EditSearch->setObjectName(QStringLiteral("EditSearch"));
    EditSearch->setClearButtonEnabled(true);
    label->setBuddy(EditSearch);
    ListWorks = new QTableView(this);
    ListWorks->setObjectName(QStringLiteral("ListWorks"));
    ListWorks->setModel(model_);
    ListWorks->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListWorks->setSelectionMode(QAbstractItemView::SingleSelection);
    ListWorks->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListWorks->setAlternatingRowColors(true);
    ListWorks->verticalHeader()->hide();
    ListWorks->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    ListWorks->horizontalHeader()->setStretchLastSection(false);
    LabelFound = new QLabel(this);
    LabelFound->setObjectName(QStringLiteral("LabelFound"));
    CheckBoxClean = new QCheckBox(QStringLiteral("開いたら注記を整える(&C)"), this);
    CheckBoxClean->setObjectName(QStringLiteral("CheckBoxClean"));
    CheckBoxClean->setChecked(true);

    ButtonRefresh = new QPushButton(QStringLiteral("目録を更新(&R)"), this);
    ButtonRefresh->setObjectName(QStringLiteral("ButtonRefresh"));
    ButtonRefresh->setAutoDefault(false);
    connect(ButtonRefresh, &QPushButton::clicked, this, [this] {
        if (OnRefresh) OnRefresh();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(EditSearch);
    layout->addWidget(ListWorks, 1);
    auto* foundRow = new QHBoxLayout;
    foundRow->addWidget(LabelFound, 1);
    foundRow->addWidget(ButtonRefresh);
    layout->addLayout(foundRow);
    layout->addWidget(CheckBoxClean);
    layout->addLayout(MakeAcceptRejectRow(this, ButtonOK, ButtonCancel));
    ButtonOK->setText(QStringLiteral("開く(&O)"));
    resize(640, 420);

    connect(EditSearch, &QLineEdit::textChanged, this, &TFormLibrary::Search);
    connect(ListWorks, &QTableView::doubleClicked, this, [this] {
        if (Chosen()) accept();
    });
    // The arrow keys in the search box choose a work; Enter opens it (the
    // default button).
    EditSearch->installEventFilter(this);
    connect(model_, &QAbstractItemModel::modelReset, this, &TFormLibrary::UpdateButtons);
    UpdateButtons();
}

void TFormLibrary::SetCatalog(const core::AozoraCatalog* catalog, const QString& about) {
    catalog_ = catalog;
    about_ = about;
    Search();
}

const core::CatalogWork* TFormLibrary::Chosen() const {
    const QModelIndexList rows = ListWorks->selectionModel()->selectedRows();
    return rows.isEmpty() ? nullptr : model_->Work(rows.front().row());
}

void TFormLibrary::Search() {
    const std::string words = EditSearch->text().toStdString();
    std::vector<const core::CatalogWork*> found;
    if (catalog_) found = catalog_->Search({words});
    const std::size_t count = found.size();
    model_->SetWorks(std::move(found));
    // The first work is chosen, so Enter opens it.
    if (count > 0) ListWorks->selectRow(0);
    QString text = EditSearch->text().trimmed().isEmpty() ? QString() : QStringLiteral("%1 件").arg(count);
    if (!about_.isEmpty()) text += (text.isEmpty() ? QString() : QStringLiteral("　")) + about_;
    LabelFound->setText(text);
    UpdateButtons();
}

bool TFormLibrary::eventFilter(QObject* watched, QEvent* event) {
    if (watched == EditSearch && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
            QCoreApplication::sendEvent(ListWorks, event);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormLibrary::UpdateButtons() {
    ButtonOK->setEnabled(Chosen() != nullptr);
    connect(ListWorks->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TFormLibrary::UpdateButtons,
            Qt::UniqueConnection);
}

}  // namespace verdane
