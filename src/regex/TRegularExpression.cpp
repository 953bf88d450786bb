// TRegularExpression: the compiled-pattern cache and the compile pipeline.
#include "TRegularExpression.h"

#include "ERegExpParser.h"
#include "TREParser.h"
#include "TRE_NFA.h"

#include <cstdint>

namespace verdane::regex {

TRegularExpression::TRegularExpression() {
    cache_.reserve(kCacheCapacity);
    cache_.push_back({});
    Compile(std::string(), {});
}

TRegularExpression::~TRegularExpression() = default;

std::vector<std::string> TRegularExpression::CachedPatterns() const {
    std::vector<std::string> patterns;
    for (const auto& entry : cache_) patterns.push_back(entry.pattern);
    return patterns;
}

void TRegularExpression::Compile(const std::string& pattern, const std::vector<std::size_t>& plainParens) {
    ++compileCount_;
    try {
        TREParser parser(pattern, plainParens);
        parser.Run();
        try {
            TRE_NFA nfa(parser, LineTailCode(), LineHeadCode());
            nfa.Run();
            auto dfa = std::make_unique<TRE_DFA>(nfa);
            dfa->Run();
            auto captures = std::make_unique<TRECaptures>(parser.Tree());
            cache_[current_].dfa = std::move(dfa);
            cache_[current_].captures = std::move(captures);
        } catch (const ERegExpParser& e) {
            // An automaton too large for its budget: the whole pattern is at fault.
            throw ERegExpParser(e, pattern.size() + 1);
        }
    } catch (...) {
        if (current_ != 0) cache_.erase(cache_.begin() + static_cast<std::ptrdiff_t>(current_));
        current_ = 0;
        throw;
    }
}

void TRegularExpression::SetRegExp(std::string_view pattern) {
    try {
        preprocessor_.SetText(pattern);
        const std::string& p = preprocessor_.Preprocess();
        std::size_t found = 0;
        const std::vector<std::size_t>& plain = preprocessor_.OwnParens();
        while (found < cache_.size() && (cache_[found].pattern != p || cache_[found].plainParens != plain)) ++found;
        if (found < cache_.size()) {
            current_ = found;
        } else {
            if (cache_.size() == kCacheCapacity) cache_.pop_back();
            cache_.insert(cache_.begin() + 1, Entry{p, plain, nullptr, nullptr});
            current_ = 1;
            Compile(p, plain);
        }
        regExp_ = std::string(pattern);
    } catch (...) {
        current_ = 0;
        regExp_.clear();
        throw;
    }
}

}  // namespace verdane::regex
