#include "HistMenu.h"

#include "ProfileFile.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include <iterator>
#include <map>
#include <optional>

namespace verdane {

void THistoryList::Add(const QString& path) {
    // File names on Linux are case-sensitive: /a/X.txt and /a/x.txt are two files.
    for (qsizetype i = 0; i < items_.size(); ++i) {
        if (items_[i] == path) {
            items_.move(i, 0);
            return;
        }
    }
    items_.prepend(path);
    while (items_.size() > MaxCount) items_.removeLast();
}

void THistoryList::Remove(const QString& path) { items_.removeAll(path); }

THistoryMenu::THistoryMenu(QObject* parent) : QObject(parent) {}

THistoryMenu::~THistoryMenu() {
    if (!active_) return;
    try {
        SaveHistory();
    } catch (const std::exception&) {
        // Nothing can report it any more; the close of the window saved already.
    }
    RemoveMenuItems();
}

void THistoryMenu::SetActive(bool on) {
    if (on == active_) return;
    if (on) {
        LoadHistory();
        if (!target_) throw EHistoryMenuError("ターゲットが指定されていません");
        active_ = true;
        RebuildMenu();
        return;
    }
    active_ = false;
    // The items go even when the list cannot be written; the error is reported.
    struct Remove {
        THistoryMenu* menu;
        ~Remove() { menu->RemoveMenuItems(); }
    } remove{this};
    SaveHistory();
}

void THistoryMenu::SetHistoryNum(int count) {
    historyNum_ = std::min(count, list_.MaxCount);
    if (active_) RebuildMenu();
}

void THistoryMenu::SetTargetMenuItem(QAction* target) {
    if (active_) RemoveMenuItems();
    target_ = target;
    placement_ = Placement::SubItemsAfterSeparator;
    if (target) {
        for (QObject* owner : target->associatedObjects()) {
            if (qobject_cast<QMenu*>(owner)) {
                placement_ = target->isSeparator() ? Placement::AfterTarget : Placement::SubItems;
                break;
            }
        }
    }
    if (active_) RebuildMenu();
}

void THistoryMenu::AddHistory(const QString& path) {
    if (path.isEmpty()) return;
    list_.Add(path);
    if (active_) RebuildMenu();
}

void THistoryMenu::RemoveHistory(const QString& path) {
    list_.Remove(path);
    places_.remove(path);
    if (active_) RebuildMenu();
}

std::optional<TRecentPlace> THistoryMenu::PlaceOf(const QString& path) const {
    const auto it = places_.constFind(path);
    if (it == places_.constEnd()) return std::nullopt;
    return *it;
}

void THistoryMenu::SetPlace(const QString& path, TRecentPlace place) {
    if (!path.isEmpty()) places_.insert(path, place);
}

namespace {

// "caret,first line,path"; nothing from a value that is not of that form.
std::optional<std::pair<QString, TRecentPlace>> ParsePlace(const QString& value) {
    const qsizetype first = value.indexOf(u',');
    const qsizetype second = first < 0 ? -1 : value.indexOf(u',', first + 1);
    if (second < 0 || second + 1 >= value.size()) return std::nullopt;
    bool okCaret = false;
    bool okLine = false;
    const int caret = value.left(first).toInt(&okCaret);
    const int line = value.mid(first + 1, second - first - 1).toInt(&okLine);
    if (!okCaret || !okLine || caret < 0 || line < 0) return std::nullopt;
    return std::pair{value.mid(second + 1), TRecentPlace{caret, line}};
}

}  // namespace

void THistoryMenu::LoadHistory() {
    list_.Clear();
    places_.clear();
    if (FileName.isEmpty()) return;
    // The section is read once. Keys are found without regard to case, the
    // first of a name counting; "H" keys by their number.
    std::optional<std::int32_t> count;
    std::map<int, QString> entries;
    std::map<int, QString> places;
    for (const auto& [key, value] : platform::TProfile(FileName).ReadSection(SectionName)) {
        const QString k = key.toCaseFolded();
        if (k == QLatin1String("count")) {
            if (!count) count = platform::ParseProfileInteger(value).value_or(0);
            continue;
        }
        bool ok = false;
        const bool place = k.startsWith(u'p');
        const int n = k.startsWith(u'h') || place ? k.mid(1).toInt(&ok) : -1;
        if (ok && n >= 0 && QString::number(n) == k.mid(1)) (place ? places : entries).try_emplace(n, value);
    }
    // From the oldest to the newest, so "H0" ends on top; duplicates collapse and
    // more than MaxCount entries keep the most recent. A missing key within the
    // count is the entry "BUG"; a run of missing keys adds the same "BUG" again
    // and again, which changes nothing, so the run is passed over at once (a
    // damaged Count of a billion costs no more than a small one).
    for (int i = count.value_or(0) - 1; i >= 0;) {
        if (const auto it = entries.find(i); it != entries.end()) {
            list_.Add(it->second);
            --i;
            continue;
        }
        list_.Add(QStringLiteral("BUG"));
        auto below = entries.lower_bound(i);
        if (below == entries.begin()) break;
        i = std::prev(below)->first;
    }
    // The places of the entries within the count; each names its path, so a
    // list that another version reordered keeps them with their files. The
    // key beside its entry speaks for it; another one only when that is missing.
    for (const bool beside : {true, false}) {
        for (const auto& [n, value] : places) {
            if (n >= count.value_or(0)) break;
            const auto place = ParsePlace(value);
            if (!place || places_.contains(place->first)) continue;
            if (beside ? n < list_.Count() && list_[n] == place->first : list_.Items().contains(place->first))
                places_.insert(place->first, place->second);
        }
    }
}

void THistoryMenu::SaveHistory() {
    if (FileName.isEmpty()) return;
    platform::TProfile ini(FileName);
    ini.BeginUpdate();
    ini.WriteInteger(SectionName, QStringLiteral("Count"), list_.Count());
    for (int i = 0; i < list_.Count(); ++i) {
        ini.WriteString(SectionName, QStringLiteral("H%1").arg(i), list_[i]);
        if (const auto place = places_.constFind(list_[i]); place != places_.constEnd())
            ini.WriteString(SectionName, QStringLiteral("P%1").arg(i),
                            QStringLiteral("%1,%2,%3").arg(place->caret).arg(place->firstLine).arg(list_[i]));
    }
    ini.EndUpdate();
}

QMenu* THistoryMenu::SubMenu() {
    if (QMenu* menu = target_->menu()) return menu;
    ownSubMenu_ = std::make_unique<QMenu>();
    target_->setMenu(ownSubMenu_.get());
    return ownSubMenu_.get();
}

void THistoryMenu::RemoveMenuItems() {
    // Taken out of their menu at once, deleted later: the item being picked is
    // still delivering its click when the pick rebuilds the menu.
    for (const QPointer<QAction>& item : items_) {
        if (!item) continue;
        for (QObject* owner : item->associatedObjects())
            if (auto* widget = qobject_cast<QWidget*>(owner)) widget->removeAction(item);
        item->deleteLater();
    }
    items_.clear();
}

std::vector<QAction*> THistoryMenu::MenuItems() const {
    std::vector<QAction*> out;
    for (const QPointer<QAction>& item : items_)
        if (item) out.push_back(item.data());
    return out;
}

void THistoryMenu::RebuildMenu() {
    RemoveMenuItems();
    if (!target_ || historyNum_ < 1 || list_.Count() == 0) return;
    const int last = std::min(list_.Count(), historyNum_) - 1;

    QMenu* menu = nullptr;       // where the items go
    QAction* before = nullptr;   // inserted in front of this one, or appended
    QAction* trailingSeparator = nullptr;
    if (placement_ == Placement::AfterTarget) {
        for (QObject* owner : target_->associatedObjects()) {
            if ((menu = qobject_cast<QMenu*>(owner))) break;
        }
        if (!menu) return;
        const QList<QAction*> actions = menu->actions();
        const qsizetype at = actions.indexOf(target_);
        QAction* next = at + 1 < actions.size() ? actions[at + 1] : nullptr;
        // The file items come between the target and a separator of their own.
        trailingSeparator = new QAction(menu);
        trailingSeparator->setSeparator(true);
        menu->insertAction(next, trailingSeparator);
        before = trailingSeparator;
    } else {
        menu = SubMenu();
        if (placement_ == Placement::SubItemsAfterSeparator && !menu->actions().isEmpty())
            items_.push_back(menu->addSeparator());
    }

    prefixWidth_ = static_cast<int>(QString::number(last).size()) + 2;
    for (int i = 0; i <= last; ++i) {
        // A "&" of the path is doubled so that it shows instead of underlining;
        // the path itself travels in the item's data.
        QString path = list_[i];
        path.replace(u'&', QLatin1String("&&"));
        const QString caption = showNumbers_ ? (u'&' + QString::number(i) + u' ').rightJustified(prefixWidth_, u' ') + path : path;
        auto* item = new QAction(caption, menu);
        item->setData(list_[i]);
        connect(item, &QAction::triggered, this, [this, item] { HistoryItemClick(item); });
        menu->insertAction(before, item);
        items_.push_back(item);
    }
    if (trailingSeparator) items_.push_back(trailingSeparator);
}

void THistoryMenu::HistoryItemClick(QAction* item) {
    if (!OnHistorySelected) return;
    const QString path = item->data().toString();
    // A file that could not be opened (refused, gone, the question cancelled)
    // keeps its place in the list.
    if (DoHistorySelected(path)) AddHistory(path);
}

bool THistoryMenu::DoHistorySelected(const QString& path) { return OnHistorySelected(path); }

}  // namespace verdane
