#include "EditorSearch.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

namespace verdane {

namespace {

bool IsWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c.isMark(); }

Qt::CaseSensitivity CaseOf(std::uint8_t options) {
    return (options & kSearchMatchCase) ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

// The first occurrence in `text` at `from` or later. `before` stands for the
// character in front of `from` when the text there has been replaced (a null
// QChar: no character), for the whole-word test of a match right at `from`.
qsizetype FindInText(QStringView text, QStringView what, qsizetype from, std::uint8_t options,
                     std::optional<QChar> before = std::nullopt) {
    if (what.isEmpty()) return -1;
    const Qt::CaseSensitivity cs = CaseOf(options);
    for (qsizetype at = from;; ++at) {
        at = text.indexOf(what, at, cs);
        if (at < 0 || !(options & kSearchWholeWord)) return at;
        QChar previous = at > 0 ? text[at - 1] : QChar();
        if (at == from && before) previous = *before;
        const qsizetype end = at + what.size();
        const QChar next = end < text.size() ? text[end] : QChar();
        if (!IsWordChar(previous) && !IsWordChar(next)) return at;
    }
}

}  // namespace

std::optional<TextMatch> FindInDocument(const QTextDocument& document, const QString& what, int from,
                                        std::uint8_t options) {
    // Lines are joined by U+2029 in the raw text; a search text holding a line
    // break could only match across lines, which the editor's find never does.
    if (what.isEmpty() || what.contains(QChar::ParagraphSeparator) || what.contains(u'\n')) return std::nullopt;
    // One search over the whole text is several times faster than one per line:
    // long texts are searched with a skip table, short lines one by one.
    const QString text = document.toRawText();
    const qsizetype at = FindInText(text, what, std::max(from, 0), options);
    if (at < 0) return std::nullopt;
    return TextMatch{static_cast<int>(at), static_cast<int>(what.size())};
}

bool SameUnderCaseRule(const QString& text, const QString& what, std::uint8_t options) {
    return text.compare(what, CaseOf(options)) == 0;
}

void TEditorSearch::TakeParameters(const QString& text, bool matchCase, bool wholeWord) {
    SearchOptions = 0;
    if (matchCase) SearchOptions = kSearchMatchCase;
    if (wholeWord) SearchOptions |= kSearchWholeWord;
    SearchText = text;
}

void TEditorSearch::FindNext(QPlainTextEdit& editor) {
    QTextCursor cursor = editor.textCursor();
    cursor.setPosition(cursor.selectionEnd());
    SearchFound = false;
    if (const auto match = FindInDocument(*editor.document(), SearchText, cursor.position(), SearchOptions)) {
        SearchFound = true;
        cursor.setPosition(match->start);
        cursor.setPosition(match->start + match->length, QTextCursor::KeepAnchor);
    }
    editor.setTextCursor(cursor);
}

void TEditorSearch::Replace(QPlainTextEdit& editor, const QString& replacement) {
    QTextCursor cursor = editor.textCursor();
    // The selection is compared under the case rule that found it, so a match
    // found without match case is replaced as well.
    if (!SearchText.isEmpty() && cursor.hasSelection() &&
        SameUnderCaseRule(cursor.selectedText(), SearchText, SearchOptions)) {
        cursor.insertText(replacement);
        editor.setTextCursor(cursor);
    }
    FindNext(editor);
}

int TEditorSearch::ReplaceAll(QPlainTextEdit& editor, const QString& replacement) {
    QTextCursor cursor = editor.textCursor();
    const int from = cursor.selectionStart();
    cursor.setPosition(from);
    editor.setTextCursor(cursor);
    SearchFound = false;
    if (SearchText.isEmpty()) return 0;

    // All occurrences are found in one pass over the text as it will read after
    // each replacement: the search goes on after the replaced text, and a whole
    // word right behind it is judged by the replacement's last character.
    const QString text = editor.document()->toRawText();
    const QChar last = replacement.isEmpty() ? QChar() : replacement.back();
    QString replaced;
    int first = -1;
    int end = from;
    int count = 0;
    std::optional<QChar> before;
    for (qsizetype at = FindInText(text, SearchText, from, SearchOptions, before); at >= 0;
         at = FindInText(text, SearchText, end, SearchOptions, before)) {
        if (first < 0) first = static_cast<int>(at);
        else replaced += QStringView(text).mid(end, at - end);
        replaced += replacement;
        if (!replacement.isEmpty()) before = last;
        else if (at > end || !before) before = at > 0 ? text[at - 1] : QChar();
        end = static_cast<int>(at + SearchText.size());
        ++count;
    }
    if (count == 0) return 0;

    // One edit of the span from the first to the last occurrence: one undo step,
    // and one change for the editor to lay out instead of one per occurrence.
    cursor.setPosition(first);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.beginEditBlock();
    cursor.insertText(replaced);
    cursor.endEditBlock();
    editor.setTextCursor(cursor);
    return count;
}

}  // namespace verdane
