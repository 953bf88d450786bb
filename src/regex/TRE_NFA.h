// TRE_NFA: the stage after parsing. Turns a TREParseTree into a
// nondeterministic automaton with empty moves, for TRE_DFA to determinise.
// Entry point: TRE_NFA::Run.
#pragma once

#include "TREParser.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace verdane::regex {

class TRE_NFA {
public:
    // Transition labels: a character class (0 .. ClassCount()-1, one per disjoint
    // leaf of the tree), or one of the two anchor moves.
    static constexpr int kLineHeadLabel = -1;
    static constexpr int kLineTailLabel = -2;

    struct Move {
        int label;
        int target;
    };
    struct State {
        std::vector<Move> moves;
        std::vector<int> emptyMoves;
    };

    TRE_NFA(const TREParser& parser, std::uint16_t lineTailCode, std::uint16_t lineHeadCode);

    // Builds the states from the tree; raises ERegExpParser when the automaton
    // would be larger than kMaxSize states and moves.
    void Run();
    void GenerateStateList(int node, int from, int to);

    static constexpr int kEntry = 0;
    static constexpr int kExit = 1;
    static constexpr std::size_t kMaxSize = 1'000'000;

    const std::vector<State>& States() const { return states_; }
    // The character range of each class, ascending and pairwise disjoint.
    const std::vector<std::pair<std::uint16_t, std::uint16_t>>& Classes() const { return classes_; }
    bool LineHead() const { return lineHead_; }
    bool LineTail() const { return lineTail_; }
    std::uint16_t LineHeadCode() const { return lineHeadCode_; }
    std::uint16_t LineTailCode() const { return lineTailCode_; }

private:
    int NewState();
    void AddMove(int from, int label, int to);
    void AddEmpty(int from, int to);

    const TREParseTree& tree_;
    std::vector<State> states_;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> classes_;
    std::vector<int> classOfNode_;
    std::size_t size_ = 0;
    bool lineHead_ = false;
    bool lineTail_ = false;
    std::uint16_t lineTailCode_;
    std::uint16_t lineHeadCode_;
};

}  // namespace verdane::regex
