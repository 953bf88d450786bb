// TRegularExpression: the compile step of the pattern engine. Preprocesses a
// pattern, compiles it (TREParser -> TRE_NFA -> TRE_DFA) and keeps the last 30
// compiled patterns. Entry point: SetRegExp. Base of TMatchCORE and TAWKStr.
#pragma once

#include "TRECaptures.h"
#include "TREPreProcessor.h"
#include "TRE_DFA.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace verdane::regex {

class TRegularExpression {
public:
    TRegularExpression();
    virtual ~TRegularExpression();
    TRegularExpression(const TRegularExpression&) = delete;
    TRegularExpression& operator=(const TRegularExpression&) = delete;

    // The pattern as last set (not preprocessed); empty after a failed set.
    const std::string& RegExp() const { return regExp_; }
    // Preprocesses and compiles (or finds in the cache) the pattern. Raises
    // ERegExpParser for a malformed pattern and then leaves the empty pattern current.
    virtual void SetRegExp(std::string_view pattern);

    virtual std::uint16_t LineHeadCode() const { return kLineHeadCode; }
    virtual std::uint16_t LineTailCode() const { return kLineTailCode; }

    bool HasLineHead() const { return CurrentDFA().LineHead(); }
    bool HasLineTail() const { return CurrentDFA().LineTail(); }
    // How many capturing groups the current pattern has.
    int GroupCount() const { return CurrentCaptures().GroupCount(); }
    TREDictionaryList& FuzzyCharDic() { return preprocessor_.FuzzyCharDic; }

    static constexpr std::size_t kCacheCapacity = 30;
    // The preprocessed texts of the cache entries, entry 0 (the empty pattern) first.
    std::vector<std::string> CachedPatterns() const;
    std::size_t CurrentEntry() const { return current_; }
    // How many patterns were compiled so far (the cache saves the others).
    std::size_t CompileCount() const { return compileCount_; }

protected:
    virtual void Compile(const std::string& pattern, const std::vector<std::size_t>& plainParens);
    const TRE_DFA& CurrentDFA() const { return *cache_[current_].dfa; }
    const TRECaptures& CurrentCaptures() const { return *cache_[current_].captures; }

    TREPreProcessor preprocessor_;

private:
    struct Entry {
        std::string pattern;
        std::vector<std::size_t> plainParens;  // the preprocessor's own "(": no groups
        std::unique_ptr<TRE_DFA> dfa;
        std::unique_ptr<TRECaptures> captures;  // the groups, for replacements that name them
    };
    std::vector<Entry> cache_;
    std::size_t current_ = 0;
    std::size_t compileCount_ = 0;
    std::string regExp_;
};

}  // namespace verdane::regex
