// The recent-files menu: a most-recent-first list of paths kept in a section of
// the settings file and shown as numbered items of a menu. The main window owns
// one (HistoryMenu1), anchored at the separator after the fixed-phrase command
// of its File menu. Beside each path it keeps where the user was in that file
// (RecentPlaces notes and restores it).
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

class QAction;
class QMenu;

namespace verdane {

// Activation without a target menu item: "ターゲットが指定されていません".
struct EHistoryMenuError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The paths, most recent first, compared exactly (file names are case-sensitive).
class THistoryList {
public:
    int MaxCount = 32;

    // An entry equal to `path` moves to the top; otherwise `path` goes to the top
    // and the list is cut to MaxCount.
    void Add(const QString& path);
    void Remove(const QString& path);
    void Clear() { items_.clear(); }
    int Count() const { return static_cast<int>(items_.size()); }
    const QString& operator[](int i) const { return items_[i]; }
    const QStringList& Items() const { return items_; }

private:
    QStringList items_;
};

// Where the user was in a file: the caret (a character position) and the
// first line shown (a line of the text, not of the wrapped display).
struct TRecentPlace {
    int caret = 0;
    int firstLine = 0;
    bool operator==(const TRecentPlace&) const = default;
};

class THistoryMenu : public QObject {
    Q_OBJECT
public:
    // Where the items go, from the kind of target (see SetTargetMenuItem).
    enum class Placement {
        SubItems = 0,           // a command of a menu: sub-items of the target
        SubItemsAfterSeparator = 1,  // a menu of the menu bar: its items, after a separator
        AfterTarget = 2,        // a separator in a menu: right after it, in that menu
    };

    explicit THistoryMenu(QObject* parent = nullptr);
    ~THistoryMenu() override;  // an active menu saves its list first

    bool Active() const { return active_; }
    // On: reads the list and shows its items (throws EHistoryMenuError without a
    // target, staying off). Off: writes the list and removes the items. Setting
    // the current value does nothing.
    void SetActive(bool on);

    int HistoryNum() const { return historyNum_; }
    // The number of entries shown, at most MaxCount; the items are rebuilt.
    void SetHistoryNum(int count);

    QAction* TargetMenuItem() const { return target_; }
    void SetTargetMenuItem(QAction* target);
    Placement PlacementMode() const { return placement_; }

    QString FileName;                            // the settings file
    QString SectionName = QStringLiteral("History");
    // Called with the path of a picked item; true when the file was opened,
    // which moves it to the top.
    std::function<bool(const QString&)> OnHistorySelected;

    // Puts a path at the top of the list (ignored when empty) and rebuilds the items.
    void AddHistory(const QString& path);
    // Takes a path off the list and rebuilds the items.
    void RemoveHistory(const QString& path);
    const THistoryList& List() const { return list_; }

    // The place noted for a path, kept in the section beside the list as keys
    // "P0", "P1", ... ("caret,first line,path"), which readers of the list
    // alone pass over.
    std::optional<TRecentPlace> PlaceOf(const QString& path) const;
    void SetPlace(const QString& path, TRecentPlace place);

    void LoadHistory();  // throws nothing: a missing section is an empty list
    void SaveHistory();  // throws platform::EProfileError
    void RebuildMenu();
    void RemoveMenuItems();

    // The items the last rebuild inserted, separator included, in menu order.
    std::vector<QAction*> MenuItems() const;

protected:
    // Raises OnHistorySelected; a subclass may handle the pick itself.
    virtual bool DoHistorySelected(const QString& path);

private:
    void HistoryItemClick(QAction* item);
    QMenu* SubMenu();

    THistoryList list_;
    QHash<QString, TRecentPlace> places_;
    bool active_ = false;
    int historyNum_ = 8;
    QPointer<QAction> target_;
    Placement placement_ = Placement::SubItemsAfterSeparator;
    bool showNumbers_ = true;
    int prefixWidth_ = 0;
    std::vector<QPointer<QAction>> items_;
    std::unique_ptr<QMenu> ownSubMenu_;
};

}  // namespace verdane
