// The document text as the editor holds it: Shift-JIS bytes with CR LF line
// ends. Used by the commands that read files or pages the way the open command does.
#pragma once

#include <string>
#include <string_view>

namespace verdane {

// CR LF, lone LF and lone CR each become one CR LF, as the editor returns a text.
std::string EditorLineEnds(std::string_view text);

// A file's bytes as the open command shows them: converted to Shift-JIS with
// ConvertKanjiCode, then with the editor's line ends.
std::string TextAsOpened(std::string_view fileBytes);

}  // namespace verdane
