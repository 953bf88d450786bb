// TRegularExpression: the compiled-pattern cache and the compile pipeline.
#include "TRegularExpression.h"

#include "ERegExpParser.h"
#include "TREParser.h"
#include "TRE_NFA.h"

#include <cstdint>

namespace verdane::regex {

TRegularExpression::TRegularExpression() {
    cache_.reserve(kCacheCapacity);
    cache_.push_back({std::string(), nullptr});
    Compile(std::string());
}

TRegularExpression::~TRegularExpression() = default;

std::vector<std::string> TRegularExpression::CachedPatterns() const {
    std::vector<std::string> patterns;
    for (const auto& entry : cache_) patterns.push_back(entry.pattern);
    return patterns;
}

void TRegularExpression::Compile(const std::string& pattern) {
    ++compileCount_;
    try {
        TREParser parser(pattern);
        parser.Run();
        try {
            TRE_NFA nfa(parser, LineTailCode(), LineHeadCode());
            nfa.Run();
            auto dfa = std::make_unique<TRE_DFA>(nfa);
            dfa->Run();
            cache_[current_].dfa = std::move(dfa);
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
        while (found < cache_.size() && cache_[found].pattern != p) ++found;
        if (found < cache_.size()) {
            current_ = found;
        } else {
            if (cache_.size() == kCacheCapacity) cache_.pop_back();
            cache_.insert(cache_.begin() + 1, Entry{p, nullptr});
            current_ = 1;
            Compile(p);
        }
        regExp_ = std::string(pattern);
    } catch (...) {
        current_ = 0;
        regExp_.clear();
        throw;
    }
}

}  // namespace verdane::regex
