// TAWKStr: Match, GSub and replacement texts.
#include "TAWKStr.h"

#include "ERegExpParser.h"
#include "TRECharCodes.h"

namespace verdane::regex {

namespace {

// Pass 1 of a replacement: "\&" becomes "\\&" so that, once escapes are decoded,
// a backslash still protects the ampersand. A final backslash is kept alone, and
// DecodeEscapes refuses it.
std::string ProtectAmpersands(std::string_view replacement) {
    std::string out;
    for (std::size_t pos = 0; pos < replacement.size();) {
        std::size_t start = pos;
        std::uint16_t c = ReadChar(replacement, pos, FinalLead::Single);
        out.append(replacement.substr(start, pos - start));
        if (c != '\\' || pos >= replacement.size()) continue;
        start = pos;
        c = ReadChar(replacement, pos, FinalLead::Single);
        if (c == '&') out += '\\';
        out.append(replacement.substr(start, pos - start));
    }
    return out;
}

// Pass 3: substitutes the matched text for "&" in a decoded replacement.
void Substitute(std::string_view decoded, std::string_view matched, std::string& out) {
    for (std::size_t pos = 0; pos < decoded.size();) {
        std::size_t start = pos;
        std::uint16_t c = ReadChar(decoded, pos, FinalLead::Single);
        if (c == '&') {
            out.append(matched);
        } else if (c == '\\' && pos < decoded.size() && decoded[pos] == '&') {
            out += '&';
            ++pos;
        } else {
            out.append(decoded.substr(start, pos - start));
        }
    }
}

}  // namespace

TAWKStr::TAWKStr() { FuzzyCharDic().push_back(&FuzzyCharDictionary()); }

void TAWKStr::SetRegExp(std::string_view pattern) {
    TRegularExpression::SetRegExp(pattern);
    useEX_ = HasLineHead() || HasLineTail();
}

void TAWKStr::SetUseFuzzyCharDic(bool on) {
    preprocessor_.UseFuzzyCharDic = on;
    SetRegExp(std::string(RegExp()));
}

void TAWKStr::SetUseSynonymDic(bool on) {
    preprocessor_.UseSynonymDic = on;
    SetRegExp(std::string(RegExp()));
}

long long TAWKStr::Match(std::string_view text, long long& start, long long& length) const {
    Search search(*this, text);
    auto match = Find(search, 0);
    if (!match) {
        start = length = 0;
        return 0;
    }
    start = static_cast<long long>(match->start) + 1;
    length = static_cast<long long>(match->end - match->start);
    return start;
}

std::vector<TMatchRange> TAWKStr::MatchAll(std::string_view text, std::size_t from, std::size_t until,
                                           std::size_t limit) const {
    std::vector<TMatchRange> found;
    Search search(*this, text);
    const std::size_t end = search.End();
    if (from > end || limit == 0) return found;
    // One search object for all of them: what a failing run learnt serves the
    // later searches, as in GSub.
    auto at = [&](std::size_t p) { return p == 0 || text[p - 1] == '\n' ? Find(search, p) : search.Inside(p); };
    for (auto match = at(from); match && match->start < until;) {
        found.push_back(*match);
        if (found.size() >= limit) break;
        std::size_t next = match->end;
        if (match->start == next) {
            if (next >= end) break;
            const auto b = static_cast<unsigned char>(text[next]);
            std::size_t step = 1;
            if (IsLeadByte(b) && next + 1 < end) step = 2;
            if (LineSeparator == mcls_CRLF && b == '\r' && next + 1 < end && text[next + 1] == '\n') step = 2;
            next += step;
        }
        if (next >= end) break;
        match = at(next);
    }
    return found;
}

std::string TAWKStr::DecodeEscapes(std::string_view text) {
    text = UpToNul(text);
    std::string out;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t start = pos;
        std::uint16_t c = ReadChar(text, pos, FinalLead::Single);
        if (c == '\\')
            AppendCode(out, DecodeEscape(text, pos, FinalLead::Single));
        else
            out.append(text.substr(start, pos - start));
    }
    return out;
}

std::string TAWKStr::ExpandReplacement(std::string_view replacement, std::string_view matched) {
    std::string out;
    Substitute(DecodeEscapes(ProtectAmpersands(UpToNul(replacement))), matched, out);
    return out;
}

long long TAWKStr::GSub(std::string_view replacement, std::string& text) const {
    Search search(*this, text);
    const std::size_t end = search.End();
    auto match = Find(search, 0);
    if (!match) return 0;

    // Passes 1 and 2 do not depend on the match: do them once. Without a match
    // the replacement is never read, so a malformed one raises nothing then.
    const std::string decoded = DecodeEscapes(ProtectAmpersands(UpToNul(replacement)));

    std::string out;
    long long count = 0;
    std::size_t rest = 0;
    if (end == 0) {
        // The pattern matched the empty text.
        Substitute(decoded, {}, out);
        text.replace(0, 0, out);
        return 1;
    }
    while (match) {
        const std::size_t s = match->start;
        std::size_t e = match->end;
        out.append(text, rest, s - rest);
        Substitute(decoded, std::string_view(text).substr(s, e - s), out);
        if (s == e && e < end) {
            // An empty match moves on by one character, keeping CR LF together.
            const auto b = static_cast<unsigned char>(text[s]);
            std::size_t step = 1;
            if (IsLeadByte(b) && s + 1 < end) step = 2;
            if (LineSeparator == mcls_CRLF && b == '\r' && s + 1 < end && text[s + 1] == '\n') step = 2;
            out.append(text, s, step);
            e += step;
        }
        ++count;
        rest = e;
        if (rest >= end) break;
        match = text[e - 1] == '\n' ? Find(search, rest) : search.Inside(rest);
    }
    out.append(text, rest, std::string::npos);
    text = std::move(out);
    return count;
}

}  // namespace verdane::regex
