// TRE_DFA: the stage after TRE_NFA. Builds the complete deterministic automaton
// at compile time by the subset construction, then the tables TMatchCORE runs
// on: a class per character code and a next-state table. Entry point: Run.
#pragma once

#include "TRECharCodes.h"
#include "TRE_NFA.h"

#include <cstdint>
#include <vector>

namespace verdane::regex {

class TRE_DFA {
public:
    explicit TRE_DFA(const TRE_NFA& nfa) : nfa_(&nfa) {}

    // Builds every state; raises ERegExpParser when the automaton would exceed
    // kMaxStates states, kMaxCells table cells or kMaxWork construction steps.
    void Run();

    static constexpr std::uint16_t kDead = 0xFFFF;
    static constexpr std::size_t kMaxStates = 10'000;
    static constexpr std::size_t kMaxCells = 4'000'000;
    static constexpr std::size_t kMaxWork = 100'000'000;

    std::uint16_t StartState() const { return 0; }
    std::size_t StateCount() const { return accepting_.size(); }
    bool LineHead() const { return lineHead_; }
    bool LineTail() const { return lineTail_; }

    // The class of a character: 0 for a code no transition names.
    std::uint16_t ClassOfSingle(unsigned char b) const { return single_[b]; }
    std::uint16_t ClassOfDouble(unsigned char lead, unsigned char trail) const {
        return double_[kLeadIndex[lead] * 256 + trail];
    }
    std::uint16_t ClassOfCode(std::uint16_t code) const;

    bool Accepting(std::uint16_t state) const { return accepting_[state]; }
    std::uint16_t Next(std::uint16_t state, std::uint16_t cls) const { return table_[state * width_ + cls]; }
    // The state reached by the line-head pseudo-character, or kDead.
    std::uint16_t HeadNext(std::uint16_t state) const { return headNext_[state]; }
    // Whether the state has a transition on the line-tail pseudo-character.
    bool TailOK(std::uint16_t state) const { return tailNext_[state] != kDead; }

private:
    std::uint16_t AddState(bool accepting);

    const TRE_NFA* nfa_;  // only while Run builds the automaton
    std::vector<std::pair<std::uint16_t, std::uint16_t>> classes_;  // class c+1 covers classes_[c]
    std::size_t width_ = 1;
    std::vector<std::uint16_t> table_;
    std::vector<std::uint8_t> accepting_;
    std::vector<std::uint16_t> headNext_;
    std::vector<std::uint16_t> tailNext_;
    std::uint16_t single_[256] = {};
    std::vector<std::uint16_t> double_;
    bool lineHead_ = false;
    bool lineTail_ = false;
};

}  // namespace verdane::regex
