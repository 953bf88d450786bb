#include "EditorSearch.h"

#include "EditorPattern.h"
#include "TRECharCodes.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <limits>

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

// The last occurrence in `text` that starts before `before`.
qsizetype FindLastInText(QStringView text, QStringView what, qsizetype before, std::uint8_t options) {
    if (what.isEmpty()) return -1;
    const Qt::CaseSensitivity cs = CaseOf(options);
    for (qsizetype at = before - 1; at >= 0; --at) {
        at = text.lastIndexOf(what, at, cs);
        if (at < 0 || !(options & kSearchWholeWord)) return at;
        const QChar previous = at > 0 ? text[at - 1] : QChar();
        const qsizetype end = at + what.size();
        const QChar next = end < text.size() ? text[end] : QChar();
        if (!IsWordChar(previous) && !IsWordChar(next)) return at;
    }
    return -1;
}

bool HasLineBreak(const QString& what) { return what.contains(QChar::ParagraphSeparator) || what.contains(u'\n'); }

// Whether the match stands as a whole word in `text` (which starts at editor
// position `base`; outside it lie line breaks).
bool WholeWordAt(QStringView text, int base, const TextMatch& m) {
    const qsizetype at = m.start - base;
    const qsizetype end = at + m.length;
    const QChar previous = at > 0 ? text[at - 1] : QChar();
    const QChar next = end < text.size() ? text[end] : QChar();
    return !IsWordChar(previous) && !IsWordChar(next);
}

// The byte after the character at byte `at`, as the engine steps.
std::size_t NextCharacter(const std::string& bytes, std::size_t at) {
    const auto b = static_cast<unsigned char>(bytes[at]);
    if (at + 1 < bytes.size() && regex::IsLeadByte(b)) return at + 2;
    return at + 1;
}

// The start of the line that holds byte `at`.
std::size_t LineStart(const std::string& bytes, std::size_t at) {
    if (at == 0) return 0;
    const std::size_t lf = bytes.rfind('\n', at - 1);
    return lf == std::string::npos ? 0 : lf + 1;
}

}  // namespace

bool SameUnderCaseRule(const QString& text, const QString& what, std::uint8_t options) {
    return text.compare(what, CaseOf(options)) == 0;
}

TEditorSearch::TEditorSearch() = default;
TEditorSearch::~TEditorSearch() = default;
TEditorSearch::TEditorSearch(TEditorSearch&&) noexcept = default;
TEditorSearch& TEditorSearch::operator=(TEditorSearch&&) noexcept = default;

void TEditorSearch::TakeParameters(const QString& text, bool matchCase, bool wholeWord) {
    SearchParameters parameters;
    parameters.text = text;
    parameters.matchCase = matchCase;
    parameters.wholeWord = wholeWord;
    TakeParameters(parameters);
}

void TEditorSearch::TakeParameters(const SearchParameters& parameters) {
    const bool samePattern = parameters.text == parameters_.text && parameters.matchCase == parameters_.matchCase &&
                             parameters.pattern == parameters_.pattern && parameters.fuzzy == parameters_.fuzzy;
    parameters_ = parameters;
    SearchOptions = 0;
    if (parameters.matchCase) SearchOptions = kSearchMatchCase;
    if (parameters.wholeWord) SearchOptions |= kSearchWholeWord;
    SearchText = parameters.text;
    if (!samePattern) {
        pattern_.reset();
        patternTried_ = false;
    }
}

const EditorPattern* TEditorSearch::Pattern() {
    if (!parameters_.pattern && !parameters_.fuzzy) return nullptr;
    if (!pattern_) {
        // A malformed pattern is reported at every search, not compiled anew
        // only to fail again.
        if (patternTried_) throw SearchProblem(patternProblem_);
        patternTried_ = true;
        try {
            pattern_ = std::make_unique<EditorPattern>(SearchText, parameters_.pattern, parameters_.fuzzy,
                                                       parameters_.matchCase);
        } catch (const SearchProblem& problem) {
            patternProblem_ = problem.Text();
            throw;
        }
    }
    return pattern_.get();
}

const EditorBytes& TEditorSearch::DocumentBytes(const QTextDocument& document) {
    QString text = document.toRawText();
    if (!bytes_ || text != bytesOf_) {
        bytes_ = std::make_unique<EditorBytes>(text, 0);
        bytesOf_ = std::move(text);
    }
    return *bytes_;
}

std::optional<TextMatch> TEditorSearch::Seek(const QTextDocument& document, int from, SearchDirection direction,
                                             int skipEmptyAt) {
    if (SearchText.isEmpty()) return std::nullopt;
    if (Pattern()) return SeekPattern(document, from, direction, skipEmptyAt);
    if (HasLineBreak(SearchText)) return std::nullopt;
    const QString text = document.toRawText();
    const qsizetype at = direction == SearchDirection::Down ? FindInText(text, SearchText, std::max(from, 0), SearchOptions)
                                                             : FindLastInText(text, SearchText, from, SearchOptions);
    if (at < 0) return std::nullopt;
    return TextMatch{static_cast<int>(at), static_cast<int>(SearchText.size())};
}

std::optional<TextMatch> TEditorSearch::SeekPattern(const QTextDocument& document, int from, SearchDirection direction,
                                                    int skipEmptyAt) {
    const EditorPattern& pattern = *Pattern();
    const EditorBytes& b = DocumentBytes(document);
    const std::string& bytes = b.Bytes();
    from = std::clamp(from, 0, b.End());
    auto accept = [&](const regex::TMatchRange& r) -> std::optional<TextMatch> {
        const int start = b.StartOf(r.start);
        const TextMatch m{start, b.EndOf(r.end) - start};
        if (m.length == 0 && m.start == skipEmptyAt) return std::nullopt;
        if ((SearchOptions & kSearchWholeWord) && !WholeWordAt(bytesOf_, 0, m)) return std::nullopt;
        return m;
    };
    if (direction == SearchDirection::Down) {
        for (std::size_t at = b.ByteOf(from);;) {
            const auto found = pattern.MatchAll(bytes, at, std::string::npos, 1);
            if (found.empty()) return std::nullopt;
            if (auto m = accept(found[0])) return m;
            // Refused (not a whole word, or the empty match just found): the
            // next try starts a character later.
            if (found[0].start >= bytes.size()) return std::nullopt;
            at = NextCharacter(bytes, found[0].start);
        }
    }
    // Upward: the last match that starts before `from`, looked for in the
    // line that holds the caret, then in ever longer pieces before it.
    std::size_t limit = b.ByteOf(from);
    if (limit == 0) return std::nullopt;
    std::size_t chunk = LineStart(bytes, limit - 1);
    for (;;) {
        const auto found = pattern.MatchAll(bytes, chunk, limit, std::numeric_limits<std::size_t>::max());
        for (auto it = found.rbegin(); it != found.rend(); ++it)
            if (auto m = accept(*it)) return m;
        if (chunk == 0) return std::nullopt;
        const std::size_t span = std::max<std::size_t>(limit - chunk, 4096) * 2;
        limit = chunk;
        chunk = LineStart(bytes, chunk > span ? chunk - span : 0);
    }
}

void TEditorSearch::FindNext(QPlainTextEdit& editor) {
    QTextCursor cursor = editor.textCursor();
    const bool down = parameters_.direction == SearchDirection::Down;
    const int from = down ? cursor.selectionEnd() : cursor.selectionStart();
    // An empty match just found is passed over, so F3 moves on.
    const int skip = !cursor.hasSelection() && lastMatch_ && lastMatch_->length == 0 && lastMatch_->start == from
                         ? from
                         : -1;
    SearchFound = false;
    Problem.clear();
    std::optional<TextMatch> match;
    bool wrapped = false;
    try {
        match = Seek(*editor.document(), from, parameters_.direction, skip);
        if (!match && parameters_.wrap) {
            const int end = editor.document()->characterCount() - 1;
            match = Seek(*editor.document(), down ? 0 : end, parameters_.direction, -1);
            wrapped = match.has_value();
        }
    } catch (const SearchProblem& problem) {
        // The selection stays as it was: nothing was searched.
        Problem = problem.Text();
        Outcome = SearchOutcome::Problem;
        return;
    }
    cursor.setPosition(from);
    lastMatch_ = match;
    if (match) {
        SearchFound = true;
        cursor.setPosition(match->start);
        cursor.setPosition(match->start + match->length, QTextCursor::KeepAnchor);
    }
    Outcome = !match ? SearchOutcome::NotFound : wrapped ? SearchOutcome::FoundAfterWrap : SearchOutcome::Found;
    editor.setTextCursor(cursor);
}

bool TEditorSearch::SelectionIsAMatch(QPlainTextEdit& editor) {
    const QTextCursor cursor = editor.textCursor();
    if (SearchText.isEmpty()) return false;
    if (!Pattern()) return cursor.hasSelection() && SameUnderCaseRule(cursor.selectedText(), SearchText, SearchOptions);
    // A pattern's match is the longest at its start: the selection is one when
    // the search from its start selects it again.
    const auto match = Seek(*editor.document(), cursor.selectionStart(), SearchDirection::Down, -1);
    return match && match->start == cursor.selectionStart() && match->start + match->length == cursor.selectionEnd();
}

QString TEditorSearch::ReplacementFor(const QString& replacement, QStringView matched,
                                      PatternMatchEdges edges) const {
    return parameters_.pattern && pattern_ ? pattern_->Replacement(replacement, matched, edges) : replacement;
}

void TEditorSearch::Replace(QPlainTextEdit& editor, const QString& replacement) {
    QTextCursor cursor = editor.textCursor();
    // The selection is compared under the case rule that found it, so a match
    // found without match case is replaced as well.
    try {
        if (SelectionIsAMatch(editor)) {
            const int start = cursor.selectionStart();
            const bool empty = !cursor.hasSelection();
            const QTextDocument& document = *editor.document();
            const QChar around[] = {start > 0 ? document.characterAt(start - 1) : QChar(u'\n'),
                                    document.characterAt(cursor.selectionEnd())};
            cursor.insertText(ReplacementFor(replacement, cursor.selectedText(), EditorPattern::EdgesIn(QStringView(around, 2), 1, 1)));
            // Upward, the search goes on before the replacement.
            if (parameters_.direction == SearchDirection::Up) cursor.setPosition(start);
            editor.setTextCursor(cursor);
            lastMatch_.reset();
            if (empty) lastMatch_ = TextMatch{cursor.position(), 0};
        }
    } catch (const SearchProblem& problem) {
        Problem = problem.Text();
        Outcome = SearchOutcome::Problem;
        SearchFound = false;
        return;
    }
    FindNext(editor);
}

int TEditorSearch::ReplaceAll(QPlainTextEdit& editor, const QString& replacement) {
    QTextCursor cursor = editor.textCursor();
    const bool up = parameters_.direction == SearchDirection::Up;
    const int selectionEnd = cursor.selectionEnd();
    const int from = parameters_.wrap || up ? 0 : cursor.selectionStart();
    const int until = parameters_.wrap || !up ? editor.document()->characterCount() - 1 : selectionEnd;
    cursor.setPosition(up ? selectionEnd : cursor.selectionStart());
    editor.setTextCursor(cursor);
    SearchFound = false;
    Problem.clear();
    Outcome = SearchOutcome::NotFound;
    lastMatch_.reset();
    if (SearchText.isEmpty()) return 0;

    QString replaced;
    int first = -1;
    int end = from;
    int count = 0;
    try {
        if (const EditorPattern* pattern = Pattern()) {
            const EditorBytes& b = DocumentBytes(*editor.document());
            const QString& text = bytesOf_;
            for (const auto& r : pattern->MatchAll(b.Bytes(), b.ByteOf(from), std::string::npos,
                                                   std::numeric_limits<std::size_t>::max())) {
                const int start = b.StartOf(r.start);
                const TextMatch m{start, b.EndOf(r.end) - start};
                if (m.start + m.length > until) break;
                if ((SearchOptions & kSearchWholeWord) && !WholeWordAt(text, 0, m)) continue;
                if (first < 0) first = m.start;
                else replaced += QStringView(text).mid(end, m.start - end);
                replaced += ReplacementFor(replacement, QStringView(text).mid(m.start, m.length),
                                           EditorPattern::EdgesIn(text, m.start, m.start + m.length));
                end = m.start + m.length;
                ++count;
            }
        } else if (!HasLineBreak(SearchText)) {
            // All occurrences are found in one pass over the text as it will
            // read after each replacement: the search goes on after the
            // replaced text, and a whole word right behind it is judged by the
            // replacement's last character.
            const QString text = editor.document()->toRawText();
            const QChar last = replacement.isEmpty() ? QChar() : replacement.back();
            std::optional<QChar> before;
            for (qsizetype at = FindInText(text, SearchText, from, SearchOptions, before);
                 at >= 0 && at + SearchText.size() <= until; at = FindInText(text, SearchText, end, SearchOptions, before)) {
                if (first < 0) first = static_cast<int>(at);
                else replaced += QStringView(text).mid(end, at - end);
                replaced += replacement;
                if (!replacement.isEmpty()) before = last;
                else if (at > end || !before) before = at > 0 ? text[at - 1] : QChar();
                end = static_cast<int>(at + SearchText.size());
                ++count;
            }
        }
    } catch (const SearchProblem& problem) {
        Problem = problem.Text();
        Outcome = SearchOutcome::Problem;
        return 0;
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
    Outcome = SearchOutcome::Found;
    return count;
}

std::vector<TextMatch> TEditorSearch::MatchesIn(QStringView text, int base, std::size_t limit) {
    std::vector<TextMatch> matches;
    if (SearchText.isEmpty() || limit == 0) return matches;
    try {
        if (const EditorPattern* pattern = Pattern()) {
            const EditorBytes b(text, base);
            for (const auto& r : pattern->MatchAll(b.Bytes(), 0, std::string::npos, limit)) {
                const int start = b.StartOf(r.start);
                const TextMatch m{start, b.EndOf(r.end) - start};
                if (m.length == 0) continue;
                if ((SearchOptions & kSearchWholeWord) && !WholeWordAt(text, base, m)) continue;
                matches.push_back(m);
            }
            return matches;
        }
    } catch (const SearchProblem&) {
        return matches;
    }
    if (HasLineBreak(SearchText)) return matches;
    for (qsizetype at = FindInText(text, SearchText, 0, SearchOptions); at >= 0 && matches.size() < limit;
         at = FindInText(text, SearchText, at + SearchText.size(), SearchOptions))
        matches.push_back({base + static_cast<int>(at), static_cast<int>(SearchText.size())});
    return matches;
}

}  // namespace verdane
