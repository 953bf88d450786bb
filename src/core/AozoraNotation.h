// Aozora Bunko's notation turned into plain text a DOC reader shows well.
// Used by the Edit command that tidies an Aozora text and by `verdane-cli aozora`.
// Works on the document text (CP932 bytes); it never fails: whatever does not
// read as notation stays as it is.
#pragma once

#include "DocConvert.h"
#include "KanjiCode.h"
#include "WritePlan.h"

#include <QString>

#include <string>
#include <string_view>
#include <vector>

namespace verdane {

enum class AozoraRuby {
    Paren,  // 吾輩《わがはい》 -> 吾輩（わがはい）
    Drop,   // 吾輩《わがはい》 -> 吾輩
};

struct AozoraOptions {
    AozoraRuby ruby = AozoraRuby::Paren;
    // When set, every heading gets a bookmark (AozoraCleaned::headings), and
    // `bookmarkMark` (CP932), when there is one, right before its first
    // character, so the handheld's reader lists the chapters.
    bool bookmarks = false;
    std::string bookmarkMark;
};

// The text with Aozora's notation cleaned (CleanAozoraText):
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
// - kunten stay in the text: kaeriten ［＃二］ ［＃上レ］ as their characters,
//   okurigana ［＃（ノ）］ as what the parentheses hold;
// - a warichu ［＃割り注］…［＃割り注終わり］ is put in full-width parentheses;
// - a group 〔…〕 holding accent notation (e' a` o^ u: n~ c, o/ a& ae& s& e_
//   !@ ?@) becomes the accented letters without the 〔〕, each written in CP932
//   as the conversion policy says (WriteStandIn) and listed in `accents`; a
//   reading right after a 〔…〕 group has the group as its base;
// - readings given in annotations (左に「X」のルビ付き終わり, 「X」の注記付き終わり,
//   「B」の左に「X」のルビ, 「B」に「X」の注記) are readings of their base like
//   base《X》: kept in parentheses or dropped;
// - every other annotation ［＃…］ is removed, and a line that held nothing but
//   annotations goes with its line end; other lines keep their line ends;
// - with `bookmarks`, each heading (the line of a 見出し annotation, or the
//   next line when the annotation stood alone) is listed in `headings`, and
//   with a mark the mark goes right before the heading's first character (after
//   its indentation); a text that got marks ends with the line "<mark>", as
//   the bookmark command writes it, from which DOC readers list the marks.
// Everything else, the colophon at the end included, stays byte for byte.
struct AozoraCleaned {
    std::string text;  // CP932
    // The accented letters, each written in `text` as a Shift-JIS text gets
    // it ("e" for é, "?" for æ): where, how many bytes, and the letter itself.
    std::vector<KanjiReplacement> accents;
    // With `bookmarks`: one per heading, in the order of the text, at the
    // heading's first character (its mark, when there is one), named after
    // the heading as much as a DOC bookmark record's name holds (CP932).
    std::vector<DocBookmark> headings;
};
AozoraCleaned CleanAozoraText(std::string_view text, const AozoraOptions& options);
// The cleaned text alone, accented letters as a Shift-JIS text gets them.
std::string CleanAozoraNotation(std::string_view text, const AozoraOptions& options);
// The cleaned text as the editor holds it: every accented letter as itself.
// `headingPlaces`, when given, gets the editor position of each heading.
QString AozoraEditorText(const AozoraCleaned& cleaned, std::vector<qsizetype>* headingPlaces = nullptr);

// The headings of `cleaned` as bookmarks of its editor text (`places` from
// AozoraEditorText).
std::vector<core::EditorBookmark> AozoraEditorBookmarks(const AozoraCleaned& cleaned,
                                                        const std::vector<qsizetype>& places);

// The work's title as Aozora texts give it: the first line, without its line
// end and without blanks around it.
std::string AozoraTitle(std::string_view text);

}  // namespace verdane
