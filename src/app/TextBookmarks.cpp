#include "TextBookmarks.h"

#include "EditorCodec.h"
#include "ReadText.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QTextDocument>

#include <algorithm>
#include <numeric>

namespace verdane {

namespace {

// The indexes of `places` in the order of their values, equal ones as listed.
template <class Place>
std::vector<std::size_t> InOrder(const std::vector<Place>& places) {
    std::vector<std::size_t> order(places.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&places](std::size_t a, std::size_t b) { return places[a] < places[b]; });
    return order;
}

}  // namespace

TextBookmarks::TextBookmarks(QPlainTextEdit& editor, QObject* parent) : QObject(parent), editor_(editor) {
    setObjectName(QStringLiteral("Bookmarks"));
}

void TextBookmarks::Place(const std::vector<DocBookmark>& marks, std::string_view text, int code) {
    marks_.clear();
    // Each byte offset becomes the editor position of the same place: the
    // pieces between the bookmarks are decoded one after the other, as the
    // whole text was, and their lengths added up.
    std::vector<std::size_t> offsets;
    for (const DocBookmark& mark : marks) offsets.push_back(std::min<std::size_t>(mark.offset, text.size()));
    std::vector<core::EditorBookmark> placed(marks.size());
    std::size_t done = 0;
    qsizetype position = 0;
    for (const std::size_t k : InOrder(offsets)) {
        position += core::EditorTextOf(text.substr(done, offsets[k] - done), code).size();
        done = offsets[k];
        placed[k] = {marks[k].name, position};
    }
    PlaceAt(placed);
}

void TextBookmarks::PlaceAt(const std::vector<core::EditorBookmark>& marks) {
    marks_.clear();
    QTextDocument* document = editor_.document();
    const qsizetype end = document->characterCount() - 1;
    for (const core::EditorBookmark& mark : marks) {
        QTextCursor place(document);
        place.setPosition(static_cast<int>(std::clamp<qsizetype>(mark.position, 0, end)));
        marks_.push_back({mark.name, place});
    }
    emit Changed();
}

void TextBookmarks::Clear() {
    if (marks_.empty()) return;
    marks_.clear();
    emit Changed();
}

QString TextBookmarks::Name(int k) const { return platform::BytesToEditor(marks_[static_cast<std::size_t>(k)].name); }

void TextBookmarks::Jump(int k) {
    QTextCursor caret(editor_.document());
    caret.setPosition(Position(k));
    editor_.setTextCursor(caret);
    editor_.centerCursor();
    editor_.setFocus();
}

std::vector<core::EditorBookmark> TextBookmarks::AtEditor() const {
    std::vector<core::EditorBookmark> out;
    out.reserve(marks_.size());
    for (const Mark& mark : marks_) out.push_back({mark.name, mark.place.position()});
    return out;
}

QMenu* TextBookmarks::AddMenuTo(QMenu& menu) {
    QMenu* list = menu.addMenu(QStringLiteral("ｼｵﾘ(&M)"));
    list->setObjectName(QStringLiteral("MenuBookmarks"));
    list->setEnabled(false);
    connect(this, &TextBookmarks::Changed, list, [this, list] { list->setEnabled(!marks_.empty()); });
    // The items are made as the submenu opens, from the bookmarks there are then.
    connect(list, &QMenu::aboutToShow, this, [this, list] {
        list->clear();
        for (int k = 0; k < Count(); ++k) {
            QAction* item = list->addAction(Name(k).replace(u'&', QStringLiteral("&&")));
            item->setObjectName(QStringLiteral("Bookmark%1").arg(k));
            connect(item, &QAction::triggered, this, [this, k] {
                if (k < Count()) Jump(k);
            });
        }
    });
    return list;
}

}  // namespace verdane
