// An EPUB content document to text in three steps:
//   1. the markup is rewritten as the plain HTML that HtmlToText reads: ruby,
//      images and references resolved here, hidden parts left out, every
//      other tag reduced to its name, the text made Shift-JIS;
//   2. HtmlToText makes the lines;
//   3. the places marked in step 1 are read off and their marks removed.
// A mark is the byte 0x7F, a kind letter and a five-letter number. 0x7F is
// never a byte of a Shift-JIS character (it is no trail byte) and step 1
// removes it from the text, so a mark is found with one search for the byte.
// HtmlToText writes it like a letter, so it stays before the text it
// precedes on the same line.
#include "EpubText.h"

#include "HtmlToText.h"
#include "HtmlEntityTable.h"
#include "TextBytes.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

namespace verdane::core {

namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr char kMark = '\x7F';
constexpr char kTargetMark = 'T';
constexpr char kReplacedMark = 'R';
constexpr std::size_t kMarkDigits = 5;
constexpr std::size_t kMarkSize = 2 + kMarkDigits;
constexpr std::string_view kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdef";  // 32 letters
constexpr std::size_t kMostMarks = std::size_t{1} << (5 * kMarkDigits);
// How far a tag's quoted attribute values are followed before its end is
// taken as the first ">" after it.
constexpr std::size_t kQuotedTagReach = 4096;

constexpr std::string_view kOpenParen = "\x81\x69";   // （
constexpr std::string_view kCloseParen = "\x81\x6A";  // ）
constexpr std::string_view kKome = "\x81\xA6";        // ※

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
int HexValue(char c) {
    if (IsDigit(c)) return c - '0';
    c = Lower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

bool IsOneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The elements whose content is no text of the book.
constexpr std::array<std::string_view, 7> kHidden = {"head", "script", "style", "title", "template", "noscript", "rp"};

// The tags HtmlToText acts on, passed on by their names alone.
bool IsLayout(std::string_view name) {
    return IsOneOf(name, {"p", "h1", "h2", "h3", "h4", "h5", "h6", "blockquote", "pre", "table", "hr", "ul", "ol", "dl",
                          "li", "div", "tr", "dd", "dt", "section", "article", "header", "footer", "nav", "address",
                          "main", "aside", "figure", "figcaption", "caption", "center", "form", "td", "th", "br"});
}

// Searches for a lower-case end tag ("</script") letter case aside, keeping
// its last answer so that many unclosed elements read the page once.
class EndSearch {
public:
    EndSearch(std::string_view page, std::string needle) : page_(page), needle_(std::move(needle)) {}
    std::size_t From(std::size_t at) {
        if (searched_ && at >= from_ && (found_ == npos || at <= found_)) return found_;
        searched_ = true;
        from_ = at;
        found_ = npos;
        for (std::size_t k = page_.find('<', at); k != npos; k = page_.find('<', k + 1)) {
            if (page_.size() - k < needle_.size()) break;
            std::size_t j = 1;
            while (j < needle_.size() && Lower(page_[k + j]) == needle_[j]) ++j;
            if (j == needle_.size()) {
                const char after = k + j < page_.size() ? page_[k + j] : '>';
                if (!IsAlpha(after) && !IsDigit(after)) {
                    found_ = k;
                    break;
                }
            }
        }
        return found_;
    }

private:
    std::string_view page_;
    std::string needle_;
    bool searched_ = false;
    std::size_t from_ = 0, found_ = npos;
};

struct Tag {
    std::string name;  // lower case, without a namespace prefix
    bool closing = false;
    std::string_view attributes;  // between the name and the end
};

// The value of the attribute `wanted` (lower case, any prefix ignored) in a
// tag's attribute text, references left as they are; nullopt when absent.
std::optional<std::string_view> AttributeOf(std::string_view text, std::string_view wanted) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        while (i < n && (IsSpace(text[i]) || text[i] == '/')) ++i;
        const std::size_t nameStart = i;
        while (i < n && !IsSpace(text[i]) && text[i] != '=' && text[i] != '/' && text[i] != '>') ++i;
        std::string_view name = text.substr(nameStart, i - nameStart);
        if (const std::size_t colon = name.rfind(':'); colon != npos) name.remove_prefix(colon + 1);
        while (i < n && IsSpace(text[i])) ++i;
        std::string_view value;
        bool hasValue = false;
        if (i < n && text[i] == '=') {
            ++i;
            while (i < n && IsSpace(text[i])) ++i;
            hasValue = true;
            if (i < n && (text[i] == '"' || text[i] == '\'')) {
                const char quote = text[i++];
                const std::size_t close = text.find(quote, i);
                const std::size_t end = close == npos ? n : close;
                value = text.substr(i, end - i);
                i = close == npos ? n : close + 1;
            } else {
                const std::size_t start = i;
                while (i < n && !IsSpace(text[i]) && text[i] != '>') ++i;
                value = text.substr(start, i - start);
            }
        }
        if (name.empty()) {
            if (i == nameStart) ++i;
            continue;
        }
        if (name.size() == wanted.size() &&
            std::equal(name.begin(), name.end(), wanted.begin(), [](char a, char b) { return Lower(a) == b; }))
            return hasValue ? value : std::string_view();
    }
    return std::nullopt;
}

// The reference at text[i] ("&amp;", "&#x3042;"): its code point(s) and its
// length, or 0 when it is none.
std::size_t ReferenceAt(std::string_view text, std::size_t i, char32_t& first, char32_t& second) {
    const std::size_t n = text.size();
    std::size_t k = i + 1;
    second = 0;
    if (k < n && text[k] == '#') {
        ++k;
        const bool hex = k < n && (text[k] == 'x' || text[k] == 'X');
        if (hex) ++k;
        const std::size_t digits = k;
        std::uint64_t value = 0;
        for (; k < n && (hex ? HexValue(text[k]) >= 0 : IsDigit(text[k])); ++k)
            value = std::min<std::uint64_t>(value * (hex ? 16 : 10) + static_cast<unsigned>(HexValue(text[k])), 0x110000);
        if (k == digits || k >= n || text[k] != ';') return 0;
        first = value >= 0x110000 ? 0xFFFD : static_cast<char32_t>(value);
        return k + 1 - i;
    }
    while (k < n && (IsAlpha(text[k]) || IsDigit(text[k])) && k - i <= 32) ++k;
    if (k >= n || text[k] != ';' || k == i + 1) return 0;
    const std::string_view name = text.substr(i + 1, k - i - 1);
    const regex::html::Entity* end = regex::html::kEntities + regex::html::kEntityCount;
    const regex::html::Entity* e = std::lower_bound(
        regex::html::kEntities, end, name, [](const regex::html::Entity& a, std::string_view b) { return a.name < b; });
    if (e == end || e->name != name) return 0;
    first = e->first;
    second = e->second;
    return k + 1 - i;
}

// Step 1: the rewriting of the markup (see the top of the file).
class Rewriter {
public:
    Rewriter(std::string_view page, bool utf8, const std::unordered_map<std::string, std::size_t>& ids,
             const EpubTextOptions& options, std::vector<KanjiReplacement>& replaced)
        : page_(page), utf8_(utf8), ids_(ids), options_(options), replaced_(replaced) {
        for (std::size_t k = 0; k < kHidden.size(); ++k) hiddenEnds_.emplace_back(page, "</" + std::string(kHidden[k]));
        out_.reserve(page.size() + page.size() / 8 + 16);
        // A block tag first: the page's own line ends are then white space.
        out_ += "<div>";
    }

    std::string Run() {
        Read();
        // Ids whose text never came are at the document's end.
        FlushTargets();
        return std::move(out_);
    }

private:
    void Read() {
        const std::size_t n = page_.size();
        std::size_t i = 0;
        while (i < n) {
            std::size_t next = i;
            while (next < n && page_[next] != '<' && page_[next] != '&') ++next;
            if (next > i) Text(page_.substr(i, next - i));
            if (next >= n) break;
            i = page_[next] == '<' ? Markup(next) : Reference(next);
            if (options_.turns) options_.turns();
        }
    }

    bool Skipping() const {
        return rp_ > 0 || (options_.ruby == AozoraRuby::Drop && (rt_ > 0 || rtc_ > 0));
    }

    // The text `run` (the page's own bytes), with any marks due before its
    // first byte that is not white space.
    void Text(std::string_view run) {
        if (Skipping()) return;
        if (!pending_.empty()) {
            std::size_t k = 0;
            while (k < run.size() && IsSpace(run[k])) ++k;
            if (k < run.size()) {
                Append(run.substr(0, k));
                FlushTargets();
                run.remove_prefix(k);
            }
        }
        Append(run);
    }

    // Bytes of the page in Shift-JIS, control byte 0x7F left out; a UTF-8
    // page's characters that Shift-JIS lacks are marked and listed.
    void Append(std::string_view run) {
        if (run.empty()) return;
        if (!utf8_) {
            if (std::memchr(run.data(), kMark, run.size()) == nullptr) {
                out_ += run;
            } else {
                for (const char c : run)
                    if (c != kMark) out_ += c;
            }
            return;
        }
        std::string converted = Utf8ToCp932(run, &scratch_);
        if (scratch_.empty()) {
            AppendClean(converted);
            return;
        }
        // Converted again piece by piece, so each stand-in follows its mark.
        const std::vector<KanjiReplacement> lacking = std::move(scratch_);
        std::size_t from = 0;
        for (const KanjiReplacement& r : lacking) {
            AppendClean(Utf8ToCp932(run.substr(from, r.offset - from)));
            Mark(kReplacedMark, replaced_.size());
            replaced_.push_back({npos, 0, r.codePoint});
            const std::size_t before = out_.size();
            AppendClean(Utf8ToCp932(run.substr(r.offset, r.length)));
            replaced_.back().length = out_.size() - before;
            from = r.offset + r.length;
        }
        AppendClean(Utf8ToCp932(run.substr(from)));
    }
    void AppendClean(std::string_view bytes) {
        if (std::memchr(bytes.data(), kMark, bytes.size()) == nullptr) {
            out_ += bytes;
            return;
        }
        for (const char c : bytes)
            if (c != kMark) out_ += c;
    }

    void Mark(char kind, std::size_t number) {
        if (number >= kMostMarks) return;
        out_ += kMark;
        out_ += kind;
        for (std::size_t d = kMarkDigits; d-- > 0;) out_ += kDigits[(number >> (5 * d)) & 31];
    }
    void FlushTargets() {
        for (const std::size_t slot : pending_) Mark(kTargetMark, slot);
        pending_.clear();
    }

    // Text made here (a reading's parentheses, an image's words): its marks
    // come first, as for the page's own text.
    void Made(std::string_view shiftJis) {
        if (Skipping() || shiftJis.empty()) return;
        FlushTargets();
        out_ += shiftJis;
    }

    // The character of a reference, or of an attribute's words.
    void Character(char32_t cp) {
        if (cp == 0xA0) cp = U' ';
        if (cp == U'<') {
            Made("&lt;");
        } else if (cp == U'&') {
            Made("&amp;");
        } else if (cp == U' ' || cp == U'\t' || cp == U'\n' || cp == U'\r') {
            if (!Skipping()) out_ += static_cast<char>(cp);
        } else if (cp >= 0x20 && cp != 0x7F && !(cp >= 0x80 && cp < 0xA0)) {
            std::string utf8;
            AppendUtf8(utf8, cp);
            const bool wasUtf8 = utf8_;
            utf8_ = true;
            Text(utf8);
            utf8_ = wasUtf8;
        }
    }

    std::size_t Reference(std::size_t i) {
        char32_t first = 0, second = 0;
        const std::size_t length = ReferenceAt(page_, i, first, second);
        if (length == 0) {
            Made("&amp;");
            return i + 1;
        }
        Character(first);
        if (second) Character(second);
        return i + length;
    }

    // Words of an attribute (an image's alternative text) as text:
    // references decoded, blanks around them dropped.
    std::string AttributeText(std::string_view value) {
        std::string saved;
        saved.swap(out_);
        const std::vector<std::size_t> pending = std::move(pending_);
        pending_.clear();
        std::size_t i = 0;
        while (i < value.size()) {
            std::size_t next = value.find('&', i);
            if (next == npos) next = value.size();
            if (next > i) Append(value.substr(i, next - i));
            if (next >= value.size()) break;
            i = Reference(next);
        }
        std::string text;
        text.swap(out_);
        out_.swap(saved);
        pending_ = pending;
        std::size_t a = 0, b = text.size();
        while (a < b && static_cast<unsigned char>(text[a]) <= 0x20) ++a;
        while (b > a && static_cast<unsigned char>(text[b - 1]) <= 0x20) --b;
        return text.substr(a, b - a);
    }

    // The ">" that ends the tag at i, quoted values read over (so far), else
    // the first ">" after it; npos when none follows, which is remembered, so
    // a page of "<" without ">" is read once.
    std::size_t TagEnd(std::size_t i) {
        if (noTagEndFrom_ != npos && i >= noTagEndFrom_) return npos;
        const std::size_t reach = std::min(page_.size(), i + kQuotedTagReach);
        for (std::size_t k = i + 1; k < reach; ++k) {
            const char c = page_[k];
            if (c == '>') return k;
            if (c == '"' || c == '\'') {
                const void* close = std::memchr(page_.data() + k + 1, c, reach - k - 1);
                if (close == nullptr) break;
                k = static_cast<std::size_t>(static_cast<const char*>(close) - page_.data());
            }
        }
        const std::size_t gt = page_.find('>', i + 1);
        if (gt == npos) noTagEndFrom_ = i;
        return gt;
    }

    std::size_t Markup(std::size_t i) {
        const std::size_t n = page_.size();
        if (page_.compare(i, 4, "<!--") == 0) {
            const std::size_t end = page_.find("-->", i + 4);
            return end == npos ? n : end + 3;
        }
        if (page_.compare(i, 9, "<![CDATA[") == 0) {
            const std::size_t end = page_.find("]]>", i + 9);
            const std::string_view data = page_.substr(i + 9, (end == npos ? n : end) - i - 9);
            for (std::size_t k = 0; k < data.size();) {
                std::size_t next = data.find_first_of("<&", k);
                if (next == npos) next = data.size();
                Text(data.substr(k, next - k));
                if (next < data.size()) Made(data[next] == '<' ? "&lt;" : "&amp;");
                k = next + 1;
            }
            return end == npos ? n : end + 3;
        }
        const char d = i + 1 < n ? page_[i + 1] : '\0';
        if (d == '!' || d == '?') {
            // A declaration or processing instruction; a DOCTYPE's internal
            // subset ends with "]>".
            const std::size_t gt = page_.find('>', i);
            if (gt == npos) return n;
            const std::size_t bracket = page_.substr(0, gt).find('[', i);
            if (bracket != npos && d == '!') {
                const std::size_t end = page_.find("]>", bracket);
                return end == npos ? n : end + 2;
            }
            return gt + 1;
        }
        if (!IsAlpha(d) && d != '/') {
            Made("&lt;");
            return i + 1;
        }
        const std::size_t end = TagEnd(i);
        if (end == npos) {
            Made("&lt;");
            return i + 1;
        }
        Tag tag;
        std::size_t k = i + 1;
        if (page_[k] == '/') {
            tag.closing = true;
            ++k;
        }
        const std::size_t nameStart = k;
        while (k < end && !IsSpace(page_[k]) && page_[k] != '/' && page_[k] != '>') ++k;
        std::string_view name = page_.substr(nameStart, k - nameStart);
        if (const std::size_t colon = name.rfind(':'); colon != npos) name.remove_prefix(colon + 1);
        tag.name.reserve(name.size());
        for (const char c : name) tag.name += Lower(c);
        tag.attributes = page_.substr(k, end - k);
        const bool selfClosing = end > i && page_[end - 1] == '/';
        return Element(tag, selfClosing, end + 1);
    }

    std::size_t Element(const Tag& tag, bool selfClosing, std::size_t next) {
        const std::string& name = tag.name;
        if (!tag.closing) Targets(tag);
        // Hidden content goes whole, when its end tag comes.
        if (!tag.closing && !selfClosing) {
            const auto hidden = std::find(kHidden.begin(), kHidden.end(), name);
            if (hidden != kHidden.end()) {
                const std::size_t end = hiddenEnds_[static_cast<std::size_t>(hidden - kHidden.begin())].From(next);
                if (end != npos) {
                    const std::size_t gt = page_.find('>', end);
                    return gt == npos ? page_.size() : gt + 1;
                }
                if (name == "rp") ++rp_;
                return next;
            }
        }
        if (name == "rp") {
            if (tag.closing && rp_ > 0) --rp_;
        } else if (name == "rt" || name == "rtc") {
            Reading(name == "rtc", tag.closing || selfClosing, selfClosing);
        } else if (name == "ruby") {
            if (tag.closing) EndRuby();
        } else if ((name == "img" || name == "image") && !tag.closing) {
            Image(tag);
        } else if (IsLayout(name) && !(name == "br" && tag.closing)) {
            EndRuby();
            if (!Skipping()) {
                out_ += tag.closing ? "</" : "<";
                out_ += name;
                out_ += '>';
            }
        }
        return next;
    }

    // The ids a table of contents points at: due before the next text.
    void Targets(const Tag& tag) {
        if (ids_.empty()) return;
        for (const std::string_view key : {std::string_view("id"), std::string_view("name")}) {
            if (key == "name" && tag.name != "a") break;
            const std::optional<std::string_view> id = AttributeOf(tag.attributes, key);
            if (!id || id->empty()) continue;
            const auto found = ids_.find(std::string(*id));
            if (found != ids_.end() && !seen_[found->second]) {
                seen_[found->second] = true;
                pending_.push_back(found->second);
            }
        }
    }

    // The start or end of an rt (or rtc): its reading in parentheses, or
    // nothing (Skipping() leaves it out).
    void Reading(bool container, bool closing, bool selfClosing) {
        int& depth = container ? rtc_ : rt_;
        if (selfClosing) return;
        if (!closing) {
            // An rt whose end never came ends at the next one.
            if (!container && rt_ > 0) CloseReading(rt_);
            ++depth;
            if (options_.ruby == AozoraRuby::Paren && (container || rtc_ == 0)) {
                FlushTargets();
                opened_.push_back(out_.size());
                out_ += kOpenParen;
            }
        } else if (depth > 0) {
            CloseReading(depth);
        }
    }
    void CloseReading(int& depth) {
        --depth;
        const bool container = &depth == &rtc_;
        if (options_.ruby != AozoraRuby::Paren || (!container && rtc_ > 0) || opened_.empty()) return;
        const std::size_t at = opened_.back();
        opened_.pop_back();
        // An empty reading leaves no parentheses.
        if (out_.size() == at + kOpenParen.size()) {
            out_.resize(at);
        } else {
            out_ += kCloseParen;
        }
    }
    void EndRuby() {
        while (rt_ > 0) CloseReading(rt_);
        while (rtc_ > 0) CloseReading(rtc_);
        rp_ = 0;
    }

    // An image: ※（description） for an Aozora-style gaiji, else its
    // alternative text, else nothing.
    void Image(const Tag& tag) {
        if (Skipping()) return;
        const std::optional<std::string_view> altValue = AttributeOf(tag.attributes, "alt");
        if (!altValue) return;
        std::string alt = AttributeText(*altValue);
        if (alt.empty()) return;
        const std::optional<std::string_view> classes = AttributeOf(tag.attributes, "class");
        const bool gaiji = alt.starts_with(kKome) || (classes && classes->find("gaiji") != npos);
        if (!gaiji) {
            Made(alt);
            return;
        }
        std::string_view description(alt);
        if (description.starts_with(kKome)) description.remove_prefix(kKome.size());
        if (description.starts_with("(") && description.ends_with(")")) {
            description = description.substr(1, description.size() - 2);
        } else if (description.starts_with(kOpenParen) && description.ends_with(kCloseParen) &&
                   description.size() >= 4) {
            description = description.substr(2, description.size() - 4);
        }
        std::string made(kKome);
        made += kOpenParen;
        made += description;
        made += kCloseParen;
        Made(made);
    }

    std::string_view page_;
    bool utf8_;
    const std::unordered_map<std::string, std::size_t>& ids_;
    const EpubTextOptions& options_;
    std::vector<KanjiReplacement>& replaced_;
    std::vector<KanjiReplacement> scratch_;
    std::vector<EndSearch> hiddenEnds_;
    std::string out_;
    std::vector<std::size_t> pending_;
    std::vector<bool> seen_ = std::vector<bool>(ids_.size(), false);
    std::vector<std::size_t> opened_;  // where each open reading's "（" is
    std::size_t noTagEndFrom_ = npos;  // no ">" after this place
    int rt_ = 0, rtc_ = 0, rp_ = 0;
};

bool IsWideLead(unsigned char b) { return b >= 0x81; }
bool IsDoubleLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Whether the character before a place of a growing text is a wide one (a
// double-byte character or a half-width katakana), read once from its start.
class WideBefore {
public:
    explicit WideBefore(const std::string& text) : text_(text) {}
    bool At(std::size_t end) {
        while (walked_ < end) {
            const auto b = static_cast<unsigned char>(text_[walked_]);
            wide_ = IsWideLead(b);
            walked_ += IsDoubleLead(b) ? 2 : 1;
        }
        // A character cut by `end` (damaged bytes) counts as it began.
        walked_ = end;
        return wide_;
    }

private:
    const std::string& text_;
    std::size_t walked_ = 0;
    bool wide_ = false;
};

// Step 3: the marks read off the lines and removed.
void ReadMarks(std::string_view lines, EpubDocumentText& document) {
    std::string& text = document.text;
    text.reserve(lines.size());
    WideBefore wideBefore(text);
    std::size_t from = 0;
    while (true) {
        const void* hit = std::memchr(lines.data() + from, kMark, lines.size() - from);
        if (!hit) break;
        const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - lines.data());
        text += lines.substr(from, at - from);
        from = at + 1;
        if (lines.size() - at < kMarkSize) continue;
        std::size_t number = 0;
        bool good = true;
        for (std::size_t d = 0; d < kMarkDigits; ++d) {
            const std::size_t v = kDigits.find(lines[at + 2 + d]);
            good = good && v != npos;
            number = number * 32 + (v == npos ? 0 : v);
        }
        if (!good) continue;
        from = at + kMarkSize;
        // HtmlToText put a space before the mark that two wide characters
        // around it do not take.
        if (text.size() >= 2 && text.back() == ' ' && from < lines.size() &&
            IsWideLead(static_cast<unsigned char>(lines[from])) && wideBefore.At(text.size() - 1))
            text.pop_back();
        if (lines[at + 1] == kTargetMark && number < document.places.size()) {
            document.places[number] = text.size();
        } else if (lines[at + 1] == kReplacedMark && number < document.replaced.size()) {
            document.replaced[number].offset = text.size();
        }
    }
    text += lines.substr(from);
}

}  // namespace

namespace {

// The code the page's XML declaration names, if it names one.
std::optional<int> DeclaredCode(std::string_view page) {
    if (!page.starts_with("<?xml")) return std::nullopt;
    const std::string_view declaration = page.substr(0, std::min(page.find("?>"), std::size_t{256}));
    const std::size_t at = declaration.find("encoding");
    if (at == npos) return std::nullopt;
    const std::size_t open = declaration.find_first_of("\"'", at);
    if (open == npos) return std::nullopt;
    const std::size_t close = declaration.find(declaration[open], open + 1);
    if (close == npos) return std::nullopt;
    return KanjiCodeOfCharset(declaration.substr(open + 1, close - open - 1));
}

// Moves an offset of the text before `cut` bytes were taken off its start
// and it was cut to `size` bytes.
std::size_t Moved(std::size_t offset, std::size_t cut, std::size_t size) {
    return std::min(offset > cut ? offset - cut : 0, size);
}

}  // namespace

EpubDocumentText EpubXhtmlToText(std::string_view xhtml, const std::unordered_map<std::string, std::size_t>& ids,
                                 const EpubTextOptions& options) {
    EpubDocumentText document;
    document.places.assign(ids.size(), npos);

    // The page as UTF-8, or as Shift-JIS when it says it is in a Japanese code.
    std::string decoded, spaced, converted;
    std::string_view page = xhtml;
    bool utf8 = true;
    if (page.starts_with("\xFF\xFE") || page.starts_with(std::string_view("<\0?\0", 4))) {
        decoded = Utf16ToUtf8(page, kcUtf16Le);
        page = decoded;
    } else if (page.starts_with("\xFE\xFF") || page.starts_with(std::string_view("\0<\0?", 4))) {
        decoded = Utf16ToUtf8(page, kcUtf16Be);
        page = decoded;
    } else if (page.starts_with("\xEF\xBB\xBF")) {
        page.remove_prefix(3);
    } else if (const std::optional<int> code = DeclaredCode(page);
               code && *code != kcUtf8 && *code != kcUtf16Le && *code != kcUtf16Be) {
        utf8 = false;
        if (*code != kcShiftJis) {
            decoded = ConvertKanjiCode(page, kcShiftJis);
            page = decoded;
        }
    }
    if (utf8) {
        // A no-break space is a space of the text.
        if (page.find("\xC2\xA0") != npos) {
            spaced.reserve(page.size());
            for (std::size_t k = 0; k < page.size(); ++k) {
                if (page[k] == '\xC2' && k + 1 < page.size() && page[k + 1] == '\xA0') {
                    spaced += ' ';
                    ++k;
                } else {
                    spaced += page[k];
                }
            }
            page = spaced;
        }
        // A page whose every character Shift-JIS holds is converted whole,
        // once; the others character run by character run.
        std::vector<KanjiReplacement> lacking;
        converted = Utf8ToCp932(page, &lacking);
        if (lacking.empty()) {
            page = converted;
            utf8 = false;
        }
    }

    const std::string html = Rewriter(page, utf8, ids, options, document.replaced).Run();
    std::string().swap(converted);
    const std::string lines = regex::HtmlToText(html, options.turns);
    ReadMarks(lines, document);

    // No empty line at either end, no line end after the last line.
    std::string& text = document.text;
    std::size_t cut = 0;
    while (cut + 1 < text.size() && text[cut] == '\r' && text[cut + 1] == '\n') cut += 2;
    text.erase(0, cut);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    for (std::size_t& place : document.places)
        if (place != npos) place = Moved(place, cut, text.size());
    std::erase_if(document.replaced, [](const KanjiReplacement& r) { return r.offset == npos; });
    for (KanjiReplacement& r : document.replaced) {
        r.offset = Moved(r.offset, cut, text.size());
        r.length = std::min(r.length, text.size() - r.offset);
    }
    return document;
}

}  // namespace verdane::core
