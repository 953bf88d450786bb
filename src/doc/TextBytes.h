// The document text as the editor holds it: Shift-JIS bytes with CR LF line
// ends. Used by the commands that read files or pages the way the open command
// does, and by the download, which joins a page's blocks as they arrive.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace verdane {

struct KanjiReplacement;

// CR LF, lone LF and lone CR each become one CR LF, as the editor returns a text.
std::string EditorLineEnds(std::string_view text);
// The same on a text of one's own: a text whose line ends are all CR LF
// already is left as it is, without a copy, and one with room enough in its
// buffer grows there.
void ToEditorLineEnds(std::string& text);
// True when every CR is followed by an LF and every LF follows a CR.
bool HasEditorLineEnds(std::string_view text);
// True when from position `from` on every LF follows a CR and every CR before
// an LF, the bytes before `from` looked at but not judged: for a text that
// grows, checked a block at a time. A CR that ends the text is not judged.
bool LineEndsPairedFrom(std::string_view text, std::size_t from);

// A file's bytes as the open command shows them: converted to Shift-JIS with
// ConvertKanjiCode, then with the editor's line ends. The second form works on
// the bytes in place, copying only what changes length.
std::string TextAsOpened(std::string_view fileBytes);
void MakeTextAsOpened(std::string& fileBytes);
// The same on bytes that stay as they are (a mapped file): the text as opened
// when it differs from them, nullopt when they are that text already. With
// `replaced`, the characters the code conversion could not carry over are
// listed there, their offsets in `fileBytes` (see ConvertedToShiftJis).
std::optional<std::string> TextAsOpenedIfChanged(std::string_view fileBytes,
                                                 std::vector<KanjiReplacement>* replaced = nullptr);

// Joins a text that arrives in blocks (a download) into one text with the
// editor's line ends, copying each byte once: a block already in CR LF form is
// appended as it is, any other goes through EditorLineEnds. A CR at the end of
// a block waits for the next block, which may start with its LF. Finish gives
// the last line its line end, as every line of a downloaded page gets one.
// Appends the code point `cp` to `out` in UTF-8 (one to four bytes).
void AppendUtf8(std::string& out, char32_t cp);

class EditorLineEndJoiner {
public:
    explicit EditorLineEndJoiner(std::string& out) : out_(out) {}

    void Append(std::string_view block);
    void Finish();

private:
    std::string& out_;
    bool pendingCr_ = false;
};

}  // namespace verdane
