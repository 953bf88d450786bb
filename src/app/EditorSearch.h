// Find, find next, replace and replace all in the editor's document. The main
// window keeps one TEditorSearch and calls it from its find and replace
// commands; the search itself works on a QTextDocument, so it is tested without
// a window. A plain find text is searched in the editor's own text; a pattern
// (正規表現) or a fuzzy text (あいまい) by the program's pattern engine over the
// text's Shift-JIS bytes (EditorPattern).
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QPlainTextEdit;
class QTextDocument;

namespace verdane {

class EditorBytes;
class EditorPattern;
struct PatternMatchEdges;

// Bits of TEditorSearch::SearchOptions.
inline constexpr std::uint8_t kSearchWholeWord = 1;
inline constexpr std::uint8_t kSearchMatchCase = 2;

struct TextMatch {
    int start = 0;
    int length = 0;
    bool operator==(const TextMatch&) const = default;
};

// Whether `text` equals `what` under the case rule of `options`.
bool SameUnderCaseRule(const QString& text, const QString& what, std::uint8_t options);

enum class SearchDirection : std::uint8_t { Down, Up };

// Everything a find dialog sets.
struct SearchParameters {
    QString text;
    bool matchCase = false;
    bool wholeWord = false;
    bool pattern = false;  // 正規表現: the engine's pattern syntax
    bool fuzzy = false;    // あいまい: the fuzzy character dictionary
    SearchDirection direction = SearchDirection::Down;
    bool wrap = false;     // past the end (or start) go on from the other end
};

// How the last search ended, for the status bar.
enum class SearchOutcome : std::uint8_t { Found, FoundAfterWrap, NotFound, Problem };

class TEditorSearch {
public:
    TEditorSearch();
    ~TEditorSearch();
    TEditorSearch(TEditorSearch&&) noexcept;
    TEditorSearch& operator=(TEditorSearch&&) noexcept;

    std::uint8_t SearchOptions = 0;  // kSearchWholeWord | kSearchMatchCase
    QString SearchText;
    bool SearchFound = false;
    SearchOutcome Outcome = SearchOutcome::NotFound;
    // Why the last search or replacement could not run (a malformed pattern).
    QString Problem;

    // The parameters of a Find Next pressed in a dialog. The short form keeps
    // the plain, downward search without wrapping.
    void TakeParameters(const QString& text, bool matchCase, bool wholeWord);
    void TakeParameters(const SearchParameters& parameters);
    const SearchParameters& Parameters() const { return parameters_; }

    // Downward: moves the caret to the end of the selection and selects the
    // next match from there; upward: the last match that starts before the
    // selection. Past the end (start) it goes on from the start (end) when the
    // parameters say wrap; without a match the caret stays there.
    void FindNext(QPlainTextEdit& editor);

    // Replaces the selection when it is a match of the search (under the
    // search's case rule), then finds the next match. A pattern's replacement
    // is in the engine's syntax (EditorPattern::Replacement).
    void Replace(QPlainTextEdit& editor, const QString& replacement);

    // Replaces every match, each search starting after the previous
    // replacement, as one undo step: with wrap in the whole text, else from the
    // selection's start to the end (downward) or from the start to the
    // selection's end (upward). Returns the number of replacements (0 and
    // Outcome Problem when the pattern or replacement is malformed); the caret
    // ends after the last one.
    int ReplaceAll(QPlainTextEdit& editor, const QString& replacement);

    // The matches of the search in `text`, the editor text from `base` on,
    // which starts and ends at line boundaries; at most `limit`. None when the
    // search cannot run. For highlighting what is on the screen.
    std::vector<TextMatch> MatchesIn(QStringView text, int base, std::size_t limit);

private:
    // Compiles the pattern when the search uses the engine (once per parameters).
    const EditorPattern* Pattern();
    // The whole document as the engine reads it, made anew only after edits.
    const EditorBytes& DocumentBytes(const QTextDocument& document);
    std::optional<TextMatch> Seek(const QTextDocument& document, int from, SearchDirection direction, int skipEmptyAt);
    std::optional<TextMatch> SeekPattern(const QTextDocument& document, int from, SearchDirection direction,
                                         int skipEmptyAt);
    bool SelectionIsAMatch(QPlainTextEdit& editor);
    QString ReplacementFor(const QString& replacement, QStringView matched, PatternMatchEdges edges) const;

    SearchParameters parameters_;
    std::unique_ptr<EditorPattern> pattern_;
    bool patternTried_ = false;
    QString patternProblem_;
    QString bytesOf_;
    std::unique_ptr<EditorBytes> bytes_;
    std::optional<TextMatch> lastMatch_;
};

}  // namespace verdane
