// Fuzz target: any bytes as a text in Aozora's notation, the first byte
// choosing the options. The cleaner must finish without reading outside the
// text, and a text without a single two-byte character starting with 0x81 (no
// notation at all) and no rule line of "-" must come back unchanged. The
// accented letters listed must lie in the text, in order, as ASCII letters.
#include "AozoraNotation.h"
#include "Cp932Table.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool HasNotationLead(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == 0x81) return true;
        if (verdane::cp932::IsLeadByte(c)) ++i;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    verdane::AozoraOptions options;
    options.ruby = (data[0] & 1) ? verdane::AozoraRuby::Drop : verdane::AozoraRuby::Paren;
    options.bookmarks = (data[0] & 2) != 0;
    options.bookmarkMark = "(BM)";
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const verdane::AozoraCleaned cleaned = verdane::CleanAozoraText(text, options);
    const std::string& clean = cleaned.text;
    // Each accented letter stands in the text as its base letters, in order.
    std::size_t from = 0;
    for (const verdane::KanjiReplacement& accent : cleaned.accents) {
        if (accent.offset < from || accent.length == 0 || accent.offset + accent.length > clean.size()) __builtin_trap();
        for (std::size_t i = accent.offset; i < accent.offset + accent.length; ++i)
            if (static_cast<unsigned char>(clean[i]) >= 0x80) __builtin_trap();
        from = accent.offset + accent.length;
    }
    // Each heading lies in the text, after the one before, named in at most
    // the 15 bytes of a bookmark's name; each has its place in the editor's text.
    from = 0;
    for (const verdane::DocBookmark& heading : cleaned.headings) {
        if (heading.offset < from || heading.offset >= clean.size() || heading.name.size() > 15) __builtin_trap();
        from = heading.offset + 1;
    }
    std::vector<qsizetype> places;
    const QString editor = verdane::AozoraEditorText(cleaned, &places);
    if (places.size() != cleaned.headings.size()) __builtin_trap();
    for (const qsizetype place : places)
        if (place < 0 || place > editor.size()) __builtin_trap();
    if (!HasNotationLead(text) && text.find("-----") == std::string_view::npos && clean != text) __builtin_trap();
    verdane::AozoraTitle(text);
    return 0;
}
