// TextBookmarks: the bookmarks of the open text, read with a DOC database.
// Each is a place that moves with the edits (a QTextCursor of the editor's
// document); the search menu lists them to jump to, and the save command
// writes them back as the database's bookmark records.
#pragma once

#include "DocConvert.h"
#include "WritePlan.h"

#include <QObject>
#include <QString>
#include <QTextCursor>

#include <string>
#include <string_view>
#include <vector>

class QMenu;
class QPlainTextEdit;

namespace verdane {

class TextBookmarks : public QObject {
    Q_OBJECT
public:
    TextBookmarks(QPlainTextEdit& editor, QObject* parent);

    // The bookmarks of a text just filled into the editor from `text` (the
    // bytes as opened, CR LF line ends, in `code`), each offset a byte
    // position in it. Replaces those there were.
    void Place(const std::vector<DocBookmark>& marks, std::string_view text, int code);
    // The bookmarks at these editor positions (a text the program made, such
    // as the headings of a cleaned Aozora work). Replaces those there were.
    void PlaceAt(const std::vector<core::EditorBookmark>& marks);
    // No bookmarks: another text or file was opened, or the whole text replaced.
    void Clear();

    int Count() const { return static_cast<int>(marks_.size()); }
    QString Name(int k) const;
    // The editor position (UTF-16 index) the k-th bookmark is at now.
    int Position(int k) const { return marks_[static_cast<std::size_t>(k)].place.position(); }
    // The caret goes to the k-th bookmark, the editor shows it.
    void Jump(int k);

    // The bookmarks, in their order, each at its editor position now (the
    // write plan finds their places in the bytes written).
    std::vector<core::EditorBookmark> AtEditor() const;

    // The submenu of `menu` that lists the bookmarks (disabled without any).
    QMenu* AddMenuTo(QMenu& menu);

signals:
    void Changed();

private:
    struct Mark {
        std::string name;  // as the database holds it (Shift-JIS)
        QTextCursor place;
    };
    QPlainTextEdit& editor_;
    std::vector<Mark> marks_;
};

}  // namespace verdane
