// The editor's text as the pattern engine reads it, and a pattern compiled for
// the find dialogs' 正規表現 and あいまい boxes. TEditorSearch uses both: the
// engine runs over the text's Shift-JIS bytes with LF line ends (so "\n" is a
// line break, "^" and "$" a line's start and end, as in every editor), and each
// match is mapped back to editor positions.
#pragma once

#include "TAWKStr.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace verdane {

// Shift-JIS bytes of a piece of editor text, with the byte offset of each of
// its UTF-16 units. A line break is LF; an escaped byte is that byte; a
// character Shift-JIS lacks (a surrogate pair, U+0000 too) is the unassigned
// code 0x8540, so "." matches it and no written character does.
class EditorBytes {
public:
    // `text` is the editor text from position `base` on.
    EditorBytes(QStringView text, int base);

    const std::string& Bytes() const { return bytes_; }
    int Base() const { return base_; }
    int End() const { return base_ + static_cast<int>(offsets_.size()) - 1; }
    std::size_t ByteOf(int position) const { return offsets_[static_cast<std::size_t>(position - base_)]; }
    // The editor position of the character that holds byte `byte` (rounding
    // down), and of the first character that starts at or after it (rounding up).
    int StartOf(std::size_t byte) const;
    int EndOf(std::size_t byte) const;

private:
    std::string bytes_;
    std::vector<std::uint32_t> offsets_;  // one per unit, and the end
    int base_;
};

// A find text the program cannot search for, said in Japanese.
class SearchProblem : public std::runtime_error {
public:
    explicit SearchProblem(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& Text() const { return text_; }

private:
    QString text_;
};

// A compiled find text: a pattern in the engine's syntax, or (without
// `isPattern`) a plain text taken literally. Without match case, letters match
// in either case (full-width and Greek and Cyrillic ones too); with `fuzzy`,
// each character also matches its forms in the fuzzy dictionary. Raises
// SearchProblem for a malformed pattern or a character Shift-JIS lacks.
class EditorPattern {
public:
    EditorPattern(const QString& what, bool isPattern, bool fuzzy, bool matchCase);

    // As TAWKStr::MatchAll.
    std::vector<regex::TMatchRange> MatchAll(const std::string& bytes, std::size_t from, std::size_t until,
                                             std::size_t limit) const {
        return awk_->MatchAll(bytes, from, until, limit);
    }

    // The text that replaces `matched`: for a pattern, `replacement` in the
    // engine's syntax ("&" the matched text, "\&" an ampersand, "\\" a
    // backslash, \n \t \xHHHH \ooo characters); for a plain text, itself.
    // Raises SearchProblem for a malformed replacement.
    QString Replacement(const QString& replacement, QStringView matched) const;

private:
    std::unique_ptr<regex::TAWKStr> awk_;
    bool isPattern_;
};

}  // namespace verdane
