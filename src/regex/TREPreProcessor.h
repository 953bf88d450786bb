// TREPreProcessor: the stage between scanning and parsing. Rewrites a pattern so
// that each written character also matches its equivalents from the fuzzy
// character dictionary (and words their synonyms). Entry point: Preprocess.
#pragma once

#include "FuzzyCharDic.h"
#include "TREScanner.h"

#include <string>
#include <string_view>
#include <vector>

namespace verdane::regex {

// A list of dictionaries tried in order; the preprocessor does not own them.
using TREDictionaryList = std::vector<const TREDictionary*>;

class TREPreProcessor {
public:
    void SetText(std::string_view pattern) { pattern_ = std::string(pattern); }

    // Produces the rewritten pattern (also kept in TargetText()). Raises
    // ERegExpParser for patterns the scanner refuses.
    const std::string& Preprocess();
    const std::string& TargetText() const { return target_; }
    // The byte offsets in TargetText() of the "(" the rewriting wrote, in
    // ascending order: they group without capturing, so that a replacement's
    // group numbers stay those of the user's own parentheses.
    const std::vector<std::size_t>& OwnParens() const { return ownParens_; }

    bool UseFuzzyCharDic = false;
    bool UseSynonymDic = false;
    TREDictionaryList FuzzyCharDic;
    TREDictionaryList SynonymDic;

    // Each of ^ ( | ) + * ? . [ ] $ \ gets a backslash in front.
    static std::string EscapeMetaChars(std::string_view entry);

private:
    struct Token {
        TREToken kind;
        std::uint16_t symbol;
        std::size_t start;
        std::size_t end;
    };

    std::string Rewrite(const std::string& text, const TREDictionaryList& dictionaries);

    TREScanner scanner_;
    std::string pattern_;
    std::string target_;
    std::vector<Token> tokens_;
    std::vector<std::size_t> ownParens_;
};

}  // namespace verdane::regex
