// Aozora Bunko's notation turned into plain text a DOC reader shows well.
// Used by the Edit command that tidies an Aozora text and by `verdane-cli aozora`.
// Works on the document text (CP932 bytes); it never fails: whatever does not
// read as notation stays as it is.
#pragma once

#include <string>
#include <string_view>

namespace verdane {

enum class AozoraRuby {
    Paren,  // 吾輩《わがはい》 -> 吾輩（わがはい）
    Drop,   // 吾輩《わがはい》 -> 吾輩
};

struct AozoraOptions {
    AozoraRuby ruby = AozoraRuby::Paren;
    // When set, every heading's line starts with `bookmarkMark` (CP932), so the
    // handheld's reader lists the chapters.
    bool bookmarks = false;
    std::string bookmarkMark;
};

// The text with Aozora's notation cleaned:
// - the block of notes at the top (from the first line of 50 or more "-" among
//   the first 30 lines to the next such line, both included) is removed;
// - readings base《reading》 keep the reading in full-width parentheses or drop
//   it; the base starts after a "｜" of the same line, else it is the run of
//   characters of one kind (kanji, hiragana, katakana, Latin letters and digits)
//   before "《";
// - a character described in a note (※［＃…、第3水準1-85-56］, 1-13-21,
//   U+546D) becomes that character when CP932 holds it, else ※（description);
// - ［＃N字下げ］ at the start of a line gives N ideographic spaces; between
//   ［＃ここからN字下げ］ and ［＃ここで字下げ終わり］ every line starts with N;
// - every other annotation ［＃…］ is removed, and a line that held nothing but
//   annotations goes with its line end; other lines keep their line ends;
// - with `bookmarks`, a heading's line (見出し annotations) starts with the mark.
// Everything else, the colophon at the end included, stays byte for byte.
std::string CleanAozoraNotation(std::string_view text, const AozoraOptions& options);

// The work's title as Aozora texts give it: the first line, without its line
// end and without blanks around it.
std::string AozoraTitle(std::string_view text);

}  // namespace verdane
