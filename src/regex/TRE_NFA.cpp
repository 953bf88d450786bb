// TRE_NFA: Thompson-style construction over the parse tree, with "^" and "$"
// as anchor moves only where they touch the entry or the exit state.
#include "TRE_NFA.h"

#include "ERegExpParser.h"

#include <algorithm>
#include <stdexcept>

namespace verdane::regex {

TRE_NFA::TRE_NFA(const TREParser& parser, std::uint16_t lineTailCode, std::uint16_t lineHeadCode)
    : tree_(parser.Tree()), lineTailCode_(lineTailCode), lineHeadCode_(lineHeadCode) {}

int TRE_NFA::NewState() {
    if (++size_ > kMaxSize) throw ERegExpParser(msg::kTooComplex, 0);
    states_.emplace_back();
    return static_cast<int>(states_.size() - 1);
}

void TRE_NFA::AddMove(int from, int label, int to) {
    if (++size_ > kMaxSize) throw ERegExpParser(msg::kTooComplex, 0);
    states_[from].moves.push_back({label, to});
}

void TRE_NFA::AddEmpty(int from, int to) {
    if (++size_ > kMaxSize) throw ERegExpParser(msg::kTooComplex, 0);
    states_[from].emptyMoves.push_back(to);
}

void TRE_NFA::Run() {
    // One class per leaf, numbered in ascending order of the ranges.
    std::vector<int> leaves = tree_.Leaves();
    const auto& nodes = tree_.Nodes();
    std::sort(leaves.begin(), leaves.end(), [&](int a, int b) { return nodes[a].from < nodes[b].from; });
    classOfNode_.assign(nodes.size(), -1);
    for (int leaf : leaves) {
        classOfNode_[leaf] = static_cast<int>(classes_.size());
        classes_.emplace_back(nodes[leaf].from, nodes[leaf].to);
    }
    NewState();  // entry
    NewState();  // exit
    GenerateStateList(tree_.root, kEntry, kExit);
}

void TRE_NFA::GenerateStateList(int root, int from, int to) {
    struct Work {
        int node, a, b;
    };
    std::vector<Work> work{{root, from, to}};
    const auto& nodes = tree_.Nodes();
    while (!work.empty()) {
        auto [node, a, b] = work.back();
        work.pop_back();
        const TRENode& n = nodes[node];
        switch (n.op) {
        case opCharRange:
            AddMove(a, classOfNode_[node], b);
            break;
        case opLineHead:
            if (a == kEntry) {
                lineHead_ = true;
                AddMove(a, kLineHeadLabel, b);
            } else {
                work.push_back({n.left, a, b});
            }
            break;
        case opLineTail:
            if (b == kExit) {
                lineTail_ = true;
                AddMove(a, kLineTailLabel, b);
            } else {
                work.push_back({n.left, a, b});
            }
            break;
        case opConcat: {
            int c = NewState();
            work.push_back({n.right, c, b});
            work.push_back({n.left, a, c});
            break;
        }
        case opUnion:
            work.push_back({n.right, a, b});
            work.push_back({n.left, a, b});
            break;
        case opClosure: {
            int c = NewState();
            int d = NewState();
            AddEmpty(a, c);
            AddEmpty(d, c);
            AddEmpty(c, b);
            work.push_back({n.left, c, d});
            break;
        }
        case opEmpty:
            AddEmpty(a, b);
            break;
        case opNothing:
            break;
        case opGroup:
            // A group only matters to the captures of a replacement.
            work.push_back({n.left, a, b});
            break;
        default:
            throw std::runtime_error(msg::kNfaCannotHappen);
        }
    }
}

}  // namespace verdane::regex
