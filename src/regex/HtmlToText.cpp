// HtmlToText in one pass: a reader of markup (comments, tags, references)
// feeds a writer of lines that trims each line and collapses blank runs as it
// goes, so the text is written once and never copied.
//
// Lines: the page's own line ends end lines, and each line is trimmed of bytes
// 0x00-0x20 at both ends and of spaces, tabs and full-width spaces at its end;
// at most one empty line follows another line. A line that held only markup
// (a tag, a comment, a skipped element) is no line of the text. br ends a
// line (two in a row leave an empty one); a block element ends the line it
// is on, and a paragraph element also leaves one empty line before the text
// after it. A line end of the page right after such a break ends nothing more.
#include "HtmlToText.h"

#include "Cp932Table.h"
#include "HtmlEntityTable.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace verdane::regex {

namespace {

constexpr std::size_t npos = std::string_view::npos;
// How far a tag's quoted attribute values are followed before its end is
// taken as the first ">" after it, so that a stray quote costs little.
constexpr std::size_t kQuotedTagReach = 4096;

void Yield(const HtmlYield& yield) {
    if (yield) yield();
}

bool IsBlank(unsigned char b) { return b <= 0x20; }
bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlnum(char c) { return IsAlpha(c) || IsDigit(c); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
int HexValue(char c) {
    if (IsDigit(c)) return c - '0';
    c = Lower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && IsBlank(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// Finds a lower-case `needle` in the page, letter case aside (and, for a tag
// name, not followed by a letter or digit). It keeps its last answer: a search
// from between the last start and the place found gives that place again
// without reading, so the searches from one page's tags read it once.
class PageSearch {
public:
    PageSearch(std::string_view page, std::string_view needle) : page_(page), needle_(needle) {}

    std::size_t From(std::size_t at) {
        if (searched_ && at >= from_ && (found_ == npos || at <= found_)) return found_;
        searched_ = true;
        from_ = at;
        found_ = Search(at);
        return found_;
    }

private:
    std::size_t Search(std::size_t at) const {
        while (at < page_.size()) {
            const void* hit = std::memchr(page_.data() + at, needle_[0], page_.size() - at);
            if (!hit) return npos;
            at = static_cast<std::size_t>(static_cast<const char*>(hit) - page_.data());
            if (Matches(at)) return at;
            ++at;
        }
        return npos;
    }
    bool Matches(std::size_t at) const {
        if (page_.size() - at < needle_.size()) return false;
        for (std::size_t k = 1; k < needle_.size(); ++k)
            if (Lower(page_[at + k]) != needle_[k]) return false;
        const std::size_t after = at + needle_.size();
        return needle_[0] != '<' || after >= page_.size() || !IsAlnum(page_[after]);
    }

    std::string_view page_;
    std::string_view needle_;
    bool searched_ = false;
    std::size_t from_ = 0;
    std::size_t found_ = npos;
};

// The writer of lines (see the top of the file), appending to `out`.
class Lines {
public:
    enum class End { Page, Br, Block };

    explicit Lines(std::string& out) : out_(out) {}

    void Put(char c) {
        bytes_ = true;
        if (space_) {
            space_ = false;
            // No space between two wide characters, nor after a list mark.
            const bool wide = static_cast<unsigned char>(c) >= 0x81;
            if (out_.size() > lineStart_ && !(wide && lastWide_) && !OnlyMark())
                Put(' ');
        }
        const auto b = static_cast<unsigned char>(c);
        lastWide_ = trail_ || (b >= 0xA1 && b <= 0xDF);
        trail_ = !trail_ && cp932::IsLeadByte(b);
        if (out_.size() == lineStart_) {
            if (IsBlank(static_cast<unsigned char>(c))) return;  // a line starts with its first non-blank byte
            if (wantBlank_ && breaks_ == 1) {
                out_ += "\r\n";
                breaks_ = 2;
                lineStart_ = out_.size();
            }
            wantBlank_ = false;
        }
        out_ += c;
    }
    void Put(std::string_view bytes) {
        for (char c : bytes) Put(c);
    }
    // White space between words of a page: one space at most, none at the
    // ends of a line and none between two wide characters.
    void Space() { space_ = out_.size() > lineStart_; }
    void Markup() { markup_ = true; }

    void EndLine(End end) {
        TrimEnd();
        if (out_.size() > lineStart_) {
            out_ += "\r\n";
            breaks_ = 1;
        } else if ((end == End::Page && !markup_ && !afterTag_) || end == End::Br) {
            if (breaks_ < 2) {
                out_ += "\r\n";
                ++breaks_;
            }
        }
        lineStart_ = out_.size();
        bytes_ = markup_ = space_ = trail_ = false;
        afterTag_ = end != End::Page;
    }
    void EndParagraph() {
        if (OnlyMark()) return;  // a list item's first paragraph follows its mark
        EndLine(End::Block);
        wantBlank_ = true;
    }
    // True when the line holds a list item's mark alone.
    bool OnlyMark() const { return out_.compare(lineStart_, npos, "\x81\x45") == 0; }
    // The last line ends like any other, if anything was written on it.
    void Finish() {
        if (bytes_ || out_.size() > lineStart_) EndLine(End::Page);
    }

private:
    // Bytes 0x00-0x20, then spaces, tabs and full-width spaces, whole
    // characters read from the line's start.
    void TrimEnd() {
        while (out_.size() > lineStart_ && IsBlank(static_cast<unsigned char>(out_.back()))) out_.pop_back();
        std::size_t keep = lineStart_;
        for (std::size_t p = lineStart_; p < out_.size();) {
            if (cp932::IsLeadByte(static_cast<std::uint8_t>(out_[p])) && p + 1 < out_.size()) {
                if (out_[p] != '\x81' || out_[p + 1] != '\x40') keep = p + 2;
                p += 2;
            } else {
                if (out_[p] != ' ' && out_[p] != '\t') keep = p + 1;
                ++p;
            }
        }
        out_.resize(keep);
    }

    std::string& out_;
    std::size_t lineStart_ = 0;
    int breaks_ = 0;          // line ends in a row at the end of the text
    bool bytes_ = false;      // the line has had a byte, blank or not
    bool markup_ = false;     // the line has held markup
    bool afterTag_ = false;   // the line was begun by a tag's break
    bool wantBlank_ = false;  // a paragraph ended: an empty line before the next text
    bool space_ = false;      // a space is due before the next byte
    bool trail_ = false;      // the next byte is the trail byte of a double-byte character
    bool lastWide_ = false;   // the last byte ended a wide character
};

// True when the page holds a br tag or a tag of a block element: its line
// ends are then white space, as in any browser; a page without one keeps them.
bool IsStructured(std::string_view page) {
    static constexpr std::string_view kNames[] = {"br", "p", "div", "li", "h1", "h2", "h3", "h4", "h5", "h6",
                                                  "tr", "table", "dd", "dt", "blockquote", "section", "article"};
    for (std::size_t at = page.find('<'); at != npos; at = page.find('<', at + 1)) {
        std::size_t k = at + 1;
        if (k < page.size() && page[k] == '/') ++k;
        std::string name;
        while (k < page.size() && IsAlnum(page[k]) && name.size() < 12) name += Lower(page[k++]);
        if (std::find(std::begin(kNames), std::end(kNames), name) != std::end(kNames)) return true;
    }
    return false;
}

bool IsOneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The elements whose content is not text, with the end tag each waits for.
constexpr std::array<std::string_view, 5> kHidden = {"script", "style", "title", "noscript", "template"};
constexpr std::array<std::string_view, 5> kHiddenEnds = {"</script", "</style", "</title", "</noscript",
                                                         "</template"};

class Reader {
public:
    Reader(std::string_view page, std::string& out, const HtmlYield& yield, std::vector<KanjiReplacement>* replaced,
           HtmlRuby ruby)
        : ruby_(ruby),
          page_(page),
          lines_(out),
          yield_(yield),
          replaced_(replaced),
          commentEnd_(page, "-->"),
          headEnd_(page, "</head"),
          bodyStart_(page, "<body"),
          hiddenEnds_{PageSearch(page, kHiddenEnds[0]), PageSearch(page, kHiddenEnds[1]),
                      PageSearch(page, kHiddenEnds[2]), PageSearch(page, kHiddenEnds[3]),
                      PageSearch(page, kHiddenEnds[4])} {}

    void Run() {
        const std::size_t n = page_.size();
        std::size_t i = 0;
        while (i < n) {
            const char c = page_[i];
            if (c == '<') {
                i = Markup(i);
            } else if (c == '&') {
                i = Reference(page_, i, 0);
            } else if (structured_ && pre_ == 0 && (c == '\r' || c == '\n' || c == ' ' || c == '\t')) {
                lines_.Space();
                ++i;
            } else if (c == '\r' || c == '\n') {
                if (inHead_) lines_.Markup();
                lines_.EndLine(Lines::End::Page);
                i += c == '\r' && i + 1 < n && page_[i + 1] == '\n' ? 2 : 1;
            } else {
                Put(c);
                ++i;
            }
            Yield(yield_);
        }
        EndReading();
        lines_.Finish();
    }

private:
    void Put(char c) {
        if (!Muted()) lines_.Put(c);
    }
    // Text that is not shown: the head's, a reading dropped, a page's own
    // parentheses around a reading.
    bool Muted() const { return inHead_ || inRp_ || (inRt_ && ruby_ == HtmlRuby::Drop); }

    // A reading ends: at </rt>, or where the next <rt>, <rp> or </ruby> says so.
    void EndReading() {
        if (inRt_ && ruby_ == HtmlRuby::Paren && !inHead_) lines_.Put("\x81\x6A");  // "）"
        inRt_ = false;
    }

    // The "<" at i: a comment, a tag, or a "<" of the text.
    std::size_t Markup(std::size_t i) {
        const std::size_t n = page_.size();
        if (page_.compare(i, 4, "<!--") == 0) {
            // Its end may share the dashes of its start: "<!-->" is a whole comment.
            lines_.Markup();
            const std::size_t end = commentEnd_.From(i + 2);
            return end == npos ? n : end + 3;
        }
        const char d = i + 1 < n ? page_[i + 1] : '\0';
        const std::size_t end = IsAlpha(d) || d == '/' || d == '!' || d == '?' ? TagEnd(i) : npos;
        if (end == npos) {
            Put('<');
            return i + 1;
        }
        lines_.Markup();
        std::size_t at = i + 1;
        const bool closing = page_[at] == '/';
        if (closing) ++at;
        std::string name;
        while (at < end && IsAlnum(page_[at]) && name.size() < 16) name += Lower(page_[at++]);
        return Element(name, closing, i, end + 1);
    }

    // The ">" that ends the tag at i, quoted attribute values read over; npos
    // when no ">" follows.
    std::size_t TagEnd(std::size_t i) {
        if (noTagEndFrom_ != npos && i >= noTagEndFrom_) return npos;
        const std::size_t reach = std::min(page_.size(), i + kQuotedTagReach);
        for (std::size_t k = i + 1; k < reach; ++k) {
            const char c = page_[k];
            if (c == '>') return k;
            if ((c == '"' || c == '\'') && AfterEquals(i, k)) {
                const void* close = std::memchr(page_.data() + k + 1, c, reach - k - 1);
                if (close) k = static_cast<std::size_t>(static_cast<const char*>(close) - page_.data());
            }
        }
        const std::size_t gt = page_.find('>', i + 1);
        if (gt == npos) noTagEndFrom_ = i;
        return gt;
    }
    bool AfterEquals(std::size_t tagStart, std::size_t k) const {
        while (k > tagStart && IsBlank(static_cast<unsigned char>(page_[k - 1]))) --k;
        return k > tagStart && page_[k - 1] == '=';
    }

    // What the tag page_[start..next) does; returns where reading goes on.
    std::size_t Element(const std::string& name, bool closing, std::size_t start, std::size_t next) {
        if (name == "br") {
            lines_.EndLine(Lines::End::Br);
        } else if (name == "rt" || name == "rp" || name == "ruby") {
            EndReading();
            inRp_ = name == "rp" && !closing;
            if (name == "rt" && !closing) {
                inRt_ = true;
                if (ruby_ == HtmlRuby::Paren && !inHead_) lines_.Put("\x81\x69");  // "（"
            }
        } else if (name == "img" && !closing) {
            const std::string_view tag = page_.substr(start, next - start);
            const std::string alt = ExtractAltText(tag);
            if (!alt.empty() && !inHead_) {
                lines_.Put('[');
                const std::size_t base = start + tag.find(alt);
                for (std::size_t k = 0; k < alt.size();) k = alt[k] == '&' ? Reference(alt, k, base) : (Put(alt[k]), k + 1);
                lines_.Put(']');
            }
        } else if (name == "li") {
            lines_.EndLine(Lines::End::Block);
            items_ = closing ? std::max(items_, 1) - 1 : items_ + 1;
            if (!closing && !inHead_) lines_.Put("\x81\x45");  // "・"
        } else if (IsOneOf(name, {"p", "h1", "h2", "h3", "h4", "h5", "h6", "blockquote", "pre", "table", "hr", "ul",
                                  "ol", "dl"})) {
            // Paragraphs within a list item are its lines; the list itself
            // stands apart from the text around it.
            if (items_ > 0 && name == "p") {
                if (!lines_.OnlyMark()) lines_.EndLine(Lines::End::Block);
            } else {
                lines_.EndParagraph();
            }
            if (name == "ul" || name == "ol") items_ = 0;
            // Preformatted text keeps its line ends and blanks.
            if (name == "pre") pre_ = closing ? std::max(pre_, 1) - 1 : pre_ + 1;
        } else if (IsOneOf(name, {"div", "tr", "dd", "dt", "section", "article", "header", "footer", "nav", "address",
                                  "main", "aside", "figure", "figcaption", "caption", "center", "form"})) {
            if (!lines_.OnlyMark()) lines_.EndLine(Lines::End::Block);
        } else if ((name == "td" || name == "th") && !closing) {
            Put(' ');
        } else if (name == "head") {
            // Its content is not text, if it ends at all.
            inHead_ = !closing && (headEnd_.From(next) != npos || bodyStart_.From(next) != npos);
        } else if (name == "body") {
            inHead_ = false;
        } else if (!closing) {
            const auto hidden = std::find(kHidden.begin(), kHidden.end(), name);
            if (hidden != kHidden.end()) {
                const std::size_t end = hiddenEnds_[static_cast<std::size_t>(hidden - kHidden.begin())].From(next);
                // Without its end tag, the content stays text.
                if (end != npos) {
                    const std::size_t gt = page_.find('>', end);
                    return gt == npos ? page_.size() : gt + 1;
                }
            }
        }
        return next;
    }

    // The "&" at text[i]: a reference, decoded, or an "&" of the text. `base`
    // is text's offset in the page, for the list of replaced characters.
    std::size_t Reference(std::string_view text, std::size_t i, std::size_t base) {
        const std::size_t n = text.size();
        std::size_t k = i + 1;
        if (k < n && text[k] == '#') {
            ++k;
            const bool hex = k < n && (text[k] == 'x' || text[k] == 'X');
            if (hex) ++k;
            const std::size_t digits = k;
            std::uint64_t value = 0;
            for (; k < n && (hex ? HexValue(text[k]) >= 0 : IsDigit(text[k])); ++k)
                value = std::min<std::uint64_t>(value * (hex ? 16 : 10) + static_cast<unsigned>(HexValue(text[k])),
                                                std::uint64_t{1} << 32);
            if (k == digits || k >= n || text[k] != ';') {
                Put('&');
                return i + 1;
            }
            // A value beyond a signed 32-bit integer is read as a space.
            Character(value > 0x7FFFFFFF ? U' ' : static_cast<char32_t>(value), base + i, k + 1 - i);
            return k + 1;
        }
        while (k < n && IsAlnum(text[k]) && k - i <= 32) ++k;
        if (k < n && text[k] == ';' && k > i + 1) {
            const std::string_view name = text.substr(i + 1, k - i - 1);
            const html::Entity* end = html::kEntities + html::kEntityCount;
            const html::Entity* e = std::lower_bound(html::kEntities, end, name,
                                                     [](const html::Entity& a, std::string_view b) { return a.name < b; });
            if (e != end && e->name == name) {
                Character(e->first, base + i, k + 1 - i);
                if (e->second) Character(e->second, base + i, k + 1 - i);
                return k + 1;
            }
        }
        Put('&');
        return i + 1;
    }

    // One decoded character: its Shift-JIS bytes, or what the conversion
    // policy writes for a text where CP932 lacks it (listed).
    void Character(char32_t cp, std::size_t at, std::size_t length) {
        if (Muted() || cp == 0 || cp == U'\r') return;
        if (cp == U'\n') {
            lines_.EndLine(Lines::End::Page);
        } else if (cp < 0x80) {
            lines_.Put(static_cast<char>(cp));
        } else if (const std::uint16_t code = cp932::CodeOf(cp); code != cp932::kNone) {
            if (code > 0xFF) lines_.Put(static_cast<char>(code >> 8));
            lines_.Put(static_cast<char>(code & 0xFF));
        } else {
            char written[kMaxWrittenBytes];
            StandIn standIn;
            const std::size_t size = WriteStandIn(cp, FileCode::ShiftJis, Lacking::Question, written, &standIn);
            for (std::size_t k = 0; k < size; ++k) lines_.Put(written[k]);
            if (replaced_) replaced_->push_back({at, length, cp, standIn});
        }
    }

    const HtmlRuby ruby_;
    bool inRt_ = false;  // inside a reading (<rt>)
    bool inRp_ = false;  // inside a page's parenthesis for a reading (<rp>)
    std::string_view page_;
    Lines lines_;
    const HtmlYield& yield_;
    std::vector<KanjiReplacement>* replaced_;
    PageSearch commentEnd_, headEnd_, bodyStart_;
    std::array<PageSearch, kHidden.size()> hiddenEnds_;
    std::size_t noTagEndFrom_ = npos;  // no ">" after this place
    bool inHead_ = false;
    bool structured_ = IsStructured(page_);
    int pre_ = 0;    // pre elements open
    int items_ = 0;  // list items open
};

}  // namespace

std::string ExtractAltText(std::string_view tag) {
    std::size_t at = tag.find("alt=\"");
    if (at == std::string_view::npos) at = tag.find("ALT=\"");
    if (at == std::string_view::npos) return {};
    const std::size_t start = at + 5;
    const std::size_t close = tag.find('"', start);
    if (close == std::string_view::npos) return {};
    return std::string(Trim(tag.substr(start, close - start)));
}

std::string HtmlToText(std::string_view html, const HtmlYield& yield, std::vector<KanjiReplacement>* replaced,
                       HtmlRuby ruby) {
    if (replaced) replaced->clear();
    std::string text;
    // Room for the text once: a line end may gain a byte (LF or CR alone to
    // CR LF), and so may a tag (a paragraph's empty line); nothing else grows.
    // A string that outgrew its room would double it.
    text.reserve(html.size() + static_cast<std::size_t>(std::count(html.begin(), html.end(), '\n')) +
                 static_cast<std::size_t>(std::count(html.begin(), html.end(), '\r')) +
                 static_cast<std::size_t>(std::count(html.begin(), html.end(), '<')) + 4);
    Reader(html, text, yield, replaced, ruby).Run();
    text += "\r\n";
    return text;
}

std::string HtmlPageTitle(std::string_view html) {
    const std::size_t start = PageSearch(html, "<title").From(0);
    const std::size_t gt = start == npos ? npos : html.find('>', start);
    const std::size_t end = gt == npos ? npos : PageSearch(html, "</title").From(gt + 1);
    if (end == npos) return {};
    const std::string text = HtmlToText(html.substr(gt + 1, end - gt - 1));
    std::string title;
    bool blank = false;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const char c = text[k];
        // Single-byte blanks only: the trail byte of a two-byte character is never one.
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            blank = !title.empty();
            continue;
        }
        if (blank) title += ' ';
        blank = false;
        title += c;
        if (cp932::IsLeadByte(static_cast<unsigned char>(c)) && k + 1 < text.size()) title += text[++k];
    }
    return title;
}

std::string HtmlToText(TAWKStr& /*awk*/, std::string_view html, const HtmlYield& yield) {
    return HtmlToText(html, yield);
}

}  // namespace verdane::regex
