// TAWKStr: the pattern component the program uses, AWK style. Set RegExp, then
// Match (where and how long is the first match) or GSub (replace every match).
// Built on TMatchCORE; keeps the fuzzy character dictionary in its preprocessor.
#pragma once

#include "TMatchCORE.h"

#include <string>
#include <string_view>
#include <vector>

namespace verdane::regex {

class TAWKStr : public TMatchCORE {
public:
    TAWKStr();

    void SetRegExp(std::string_view pattern) override;

    bool UseFuzzyCharDic() const { return preprocessor_.UseFuzzyCharDic; }
    void SetUseFuzzyCharDic(bool on);
    bool UseSynonymDic() const { return preprocessor_.UseSynonymDic; }
    void SetUseSynonymDic(bool on);

    // The first match in `text` (up to its first NUL byte): 1-based start and
    // length in bytes, both 0 when there is none. Returns start. Positions and
    // counts are 64-bit: the command line takes texts beyond 2 GB.
    long long Match(std::string_view text, long long& start, long long& length) const;

    // Replaces every match in `text` and returns how many were replaced. Bytes
    // from a NUL byte on are kept unchanged. When there is a match, raises
    // ERegExpParser for a replacement that ends in a lone backslash or holds a
    // malformed escape; `text` is then unchanged.
    long long GSub(std::string_view replacement, std::string& text) const;

    // The matches in `text` that start at byte `from` or later and before
    // `until`, in order, as GSub finds them (after an empty match the next one
    // is looked for a character later), at most `limit` of them. `from` counts
    // as a line start for "^" only when it is 0 or follows an LF. The editor's
    // find, replace and highlighting search with it.
    std::vector<TMatchRange> MatchAll(std::string_view text, std::size_t from, std::size_t until,
                                      std::size_t limit) const;

    // The replacement for one match: "&" is the matched text, "\&" a literal
    // ampersand, escapes name characters.
    static std::string ExpandReplacement(std::string_view replacement, std::string_view matched);
    static std::string DecodeEscapes(std::string_view text);

private:
    std::optional<TMatchRange> Find(Search& search, std::size_t from) const {
        return useEX_ ? search.EX(from) : search.Std(from);
    }

    bool useEX_ = false;
};

}  // namespace verdane::regex
