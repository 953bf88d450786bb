// Find, find next, replace and replace all in the editor's document. The main
// window keeps one TEditorSearch and calls it from its find and replace
// commands; the search itself works on a QTextDocument, so it is tested without
// a window.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

class QPlainTextEdit;
class QTextDocument;

namespace verdane {

// Bits of TEditorSearch::SearchOptions.
inline constexpr std::uint8_t kSearchWholeWord = 1;
inline constexpr std::uint8_t kSearchMatchCase = 2;

struct TextMatch {
    int start = 0;
    int length = 0;
};

// The first occurrence of `what` that starts at `from` or later, up to and with
// the last character of the document. Matches do not span line breaks. A whole
// word has no letter, digit or "_" right before or after it. Without match case,
// letters match in any case, full-width letters (Ａ and ａ) included. An empty
// `what` is never found.
std::optional<TextMatch> FindInDocument(const QTextDocument& document, const QString& what, int from,
                                        std::uint8_t options);

// Whether `text` equals `what` under the case rule of `options`.
bool SameUnderCaseRule(const QString& text, const QString& what, std::uint8_t options);

class TEditorSearch {
public:
    std::uint8_t SearchOptions = 0;  // kSearchWholeWord | kSearchMatchCase
    QString SearchText;
    bool SearchFound = false;

    // The parameters of a Find Next pressed in a dialog.
    void TakeParameters(const QString& text, bool matchCase, bool wholeWord);

    // Moves the caret to the end of the selection and selects the next
    // occurrence from there. Without one, the caret stays there (no wrap).
    void FindNext(QPlainTextEdit& editor);

    // Replaces the selection by `replacement` when it is the search text (under
    // the search's case rule), then finds the next occurrence.
    void Replace(QPlainTextEdit& editor, const QString& replacement);

    // Replaces every occurrence from the selection's start to the end of the text,
    // each search starting after the previous replacement, as one undo step.
    // Returns the number of replacements; the caret ends after the last one.
    int ReplaceAll(QPlainTextEdit& editor, const QString& replacement);
};

}  // namespace verdane
