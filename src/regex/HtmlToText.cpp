// HtmlToText: nine steps, each working on the result of the one before.
// The image and reference steps give the text a search from the start would
// give after every replacement, but continue from where a new occurrence can
// begin instead of searching the whole text again.
#include "HtmlToText.h"

#include "Cp932Table.h"
#include "TRECharCodes.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace verdane::regex {

namespace {

void Yield(const HtmlYield& yield) {
    if (yield) yield();
}

bool IsBlank(unsigned char b) { return b <= 0x20; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && IsBlank(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// One pass of ImgAltToText for one spelling of the tag name. The text before
// `rest` is final; a replacement is written into the space of the tag it
// replaces (it is always shorter), together with the last bytes of the final
// part, so that an occurrence formed across the junction is found next.
std::string ReplaceImageTags(std::string text, std::string_view literal, const HtmlYield& yield) {
    std::string out;
    std::size_t rest = 0;
    for (;;) {
        std::size_t a = text.find(literal, rest);
        if (a == std::string::npos) break;
        std::size_t gt = text.find('>', a);
        if (gt == std::string::npos) break;  // no tag ends here, nor after any later "<img"
        std::string alt = ExtractAltText(std::string_view(text).substr(a, gt - a + 1));
        out.append(text, rest, a - rest);
        std::size_t pos = gt + 1;
        if (!alt.empty()) {
            std::string replacement = "[" + alt + "]";
            pos -= replacement.size();
            text.replace(pos, replacement.size(), replacement);
        }
        std::size_t keep = std::min(out.size(), literal.size() - 1);
        pos -= keep;
        text.replace(pos, keep, out, out.size() - keep, keep);
        out.resize(out.size() - keep);
        rest = pos;
        Yield(yield);
    }
    out.append(text, rest, std::string::npos);
    return out;
}

// The bytes a decimal reference becomes: 1-127 that byte, a larger value the
// Unicode character in CP932 or "?", 0 nothing; never a NUL byte.
std::string ReferenceBytes(int value) {
    std::string bytes;
    if (value <= 0) return bytes;
    if (value < 0x80) {
        bytes += static_cast<char>(value);
        return bytes;
    }
    int code = cp932::Encode(static_cast<char32_t>(value));
    if (code <= 0)
        bytes += '?';
    else
        AppendCode(bytes, static_cast<std::uint16_t>(code));
    return bytes;
}

}  // namespace

std::string RemoveComments(std::string_view text, const HtmlYield& yield) {
    std::string out;
    out.reserve(text.size());
    bool inComment = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '<' && i + 3 < text.size() && text.compare(i + 1, 3, "!--") == 0) inComment = true;
        if (!inComment)
            out += text[i];
        else if (i >= 2 && text.compare(i - 2, 3, "-->") == 0)
            inComment = false;
        Yield(yield);
    }
    return out;
}

std::string ExtractAltText(std::string_view tag) {
    std::size_t at = tag.find("alt=\"");
    if (at == std::string_view::npos) at = tag.find("ALT=\"");
    if (at == std::string_view::npos) return {};
    std::size_t start = at + 5;
    std::size_t close = tag.find('"', start);
    if (close == std::string_view::npos) return {};
    return std::string(Trim(tag.substr(start, close - start)));
}

std::string ImgAltToText(std::string_view text, const HtmlYield& yield) {
    return ReplaceImageTags(ReplaceImageTags(std::string(text), "<img", yield), "<IMG", yield);
}

std::string StripTags(std::string_view text, const HtmlYield& yield) {
    std::string out;
    out.reserve(text.size());
    bool inTag = false;
    for (char c : text) {
        if (c == '<')
            inTag = true;
        else if (!inTag)
            out += c;
        else if (c == '>')
            inTag = false;
        Yield(yield);
    }
    return out;
}

std::string DecodeNamedEntities(TAWKStr& awk, std::string text, const HtmlYield& yield) {
    static constexpr std::pair<const char*, const char*> kEntities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "\\&"}, {"&quot;", "\""}, {"&nbsp;", " "}};
    for (auto [pattern, replacement] : kEntities) {
        awk.SetRegExp(pattern);
        awk.GSub(replacement, text);
        Yield(yield);
    }
    return text;
}

int CharRefValue(std::string_view reference, const HtmlYield& yield) {
    std::int64_t value = 0;
    bool digits = false;
    bool overflow = false;
    for (char c : reference) {
        if (c >= '0' && c <= '9') {
            digits = true;
            value = value * 10 + (c - '0');
            if (value > 0x7FFFFFFF) {
                overflow = true;
                value = 0;
            }
        }
        Yield(yield);
    }
    return digits && !overflow ? static_cast<int>(value) : 32;
}

std::string DecodeCharRefs(std::string_view text, const HtmlYield& yield) {
    // A recogniser of "&#[0-9]+;" over whole characters. Decoded bytes are read
    // again before the rest of the text, and each "&" remembers the state before
    // it, so a reference that a decoding completes, even one that began earlier
    // («&#3&#56;;»), is decoded as a search from the start would decode it.
    enum class Phase : std::uint8_t { None, Amp, Hash, Digits };
    struct Amp {
        std::size_t pos;
        Phase before;
    };
    const std::size_t limit = UpToNul(text).size();  // a search ends at the first NUL byte
    std::string out;
    out.reserve(text.size());
    std::vector<Amp> amps;
    Phase phase = Phase::None;
    std::string pending;
    std::size_t pendingPos = 0;
    std::size_t i = 0;
    for (;;) {
        std::string_view ch;
        if (pendingPos < pending.size()) {
            std::size_t from = pendingPos;
            ReadChar(pending, pendingPos, FinalLead::Single);
            ch = std::string_view(pending).substr(from, pendingPos - from);
        } else if (i < limit) {
            std::size_t len = IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < limit ? 2 : 1;
            ch = text.substr(i, len);
            i += len;
        } else {
            break;
        }
        const char c = ch.size() == 1 ? ch[0] : '\0';
        if (c == '&') {
            if (phase == Phase::None) amps.clear();
            amps.push_back({out.size(), phase});
            phase = Phase::Amp;
        } else if (c == '#') {
            phase = phase == Phase::Amp ? Phase::Hash : Phase::None;
        } else if (c >= '0' && c <= '9') {
            phase = phase == Phase::Hash || phase == Phase::Digits ? Phase::Digits : Phase::None;
        } else if (c == ';' && phase == Phase::Digits) {
            const Amp amp = amps.back();
            amps.pop_back();
            int value = CharRefValue(std::string_view(out).substr(amp.pos), yield);
            out.resize(amp.pos);
            phase = amp.before;
            pending = ReferenceBytes(value) + pending.substr(pendingPos);
            pendingPos = 0;
            Yield(yield);
            continue;
        } else {
            phase = Phase::None;
        }
        out.append(ch);
    }
    out.append(text.substr(limit));
    return out;
}

std::string TrimLines(std::string_view text, const HtmlYield& yield) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = text.find_first_of("\r\n", i);
        if (end == std::string_view::npos) end = text.size();
        out.append(Trim(text.substr(i, end - i)));
        out += "\r\n";
        i = end;
        if (i < text.size()) i += text.compare(i, 2, "\r\n") == 0 ? 2 : 1;
        Yield(yield);
    }
    return out;
}

std::string HtmlToText(TAWKStr& awk, std::string_view html, const HtmlYield& yield) {
    std::string text = RemoveComments(html, yield);
    text = ImgAltToText(text, yield);
    text = StripTags(text, yield);
    text = DecodeNamedEntities(awk, std::move(text), yield);
    text = DecodeCharRefs(text, yield);
    text = TrimLines(text, yield);
    awk.SetRegExp("[ \x81\x40\\t]*(\\r\\n)");
    awk.GSub("\\r\\n", text);
    Yield(yield);
    awk.SetRegExp("(\\r\\n)(\\r\\n)+");
    awk.GSub("\\r\\n\\r\\n", text);
    text += "\r\n";
    return text;
}

}  // namespace verdane::regex
