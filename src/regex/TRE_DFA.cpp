// TRE_DFA: subset construction over the NFA's disjoint character classes, and
// the code -> class tables that let the matcher do one table lookup per character.
#include "TRE_DFA.h"

#include "ERegExpParser.h"
#include "TRECharCodes.h"
#include "TRE_NFAStateSet.h"

#include <algorithm>
#include <string>
#include <unordered_map>

namespace verdane::regex {

std::uint16_t TRE_DFA::AddState(bool accepting) {
    if (accepting_.size() >= kMaxStates || (accepting_.size() + 1) * width_ > kMaxCells)
        throw ERegExpParser(msg::kTooComplex, 0);
    accepting_.push_back(accepting);
    headNext_.push_back(kDead);
    tailNext_.push_back(kDead);
    table_.resize(table_.size() + width_, kDead);
    return static_cast<std::uint16_t>(accepting_.size() - 1);
}

std::uint16_t TRE_DFA::ClassOfCode(std::uint16_t code) const {
    auto it = std::upper_bound(classes_.begin(), classes_.end(), code,
                               [](std::uint16_t c, const auto& range) { return c < range.first; });
    if (it == classes_.begin()) return 0;
    --it;
    return code <= it->second ? static_cast<std::uint16_t>(it - classes_.begin() + 1) : 0;
}

void TRE_DFA::Run() {
    const TRE_NFA& nfa = *nfa_;
    const auto& states = nfa.States();
    classes_ = nfa.Classes();
    width_ = classes_.size() + 1;
    lineHead_ = nfa.LineHead();
    lineTail_ = nfa.LineTail();

    // Code 0 is the end of a text: no class, so nothing ever matches it and a
    // pattern naming it cannot make the matcher stand still.
    for (int b = 1; b < 256; ++b) single_[b] = ClassOfCode(static_cast<std::uint16_t>(b));
    double_.assign(kLeadCount * 256, 0);
    for (int lead = 0; lead < 256; ++lead) {
        if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
        for (int trail = 1; trail < 256; ++trail)
            double_[kLeadIndex[lead] * 256 + trail] = ClassOfCode(static_cast<std::uint16_t>(lead << 8 | trail));
    }

    const std::size_t n = states.size();
    std::size_t work = 0;
    auto spend = [&](std::size_t units) {
        work += units;
        if (work > kMaxWork) throw ERegExpParser(msg::kTooComplex, 0);
    };

    std::vector<TRE_NFAStateSet> sets;
    std::unordered_map<std::string, std::uint16_t> known;
    std::vector<int> stack;

    // The empty closure of `seeds`, looked up among the existing states or added.
    auto lookup = [&](const std::vector<int>& seeds) -> std::uint16_t {
        TRE_NFAStateSet set(n);
        for (int s : seeds) {
            if (set.Has(s)) continue;
            set.Include(s);
            stack.push_back(s);
            while (!stack.empty()) {
                int u = stack.back();
                stack.pop_back();
                spend(1 + states[u].emptyMoves.size());
                for (int v : states[u].emptyMoves) {
                    if (!set.Has(v)) {
                        set.Include(v);
                        stack.push_back(v);
                    }
                }
            }
        }
        std::string key(set.Bytes());
        auto it = known.find(key);
        if (it != known.end()) return it->second;
        spend(key.size() / 8 + 1);
        std::uint16_t id = AddState(set.Has(TRE_NFA::kExit));
        known.emplace(std::move(key), id);
        sets.push_back(std::move(set));
        return id;
    };

    lookup({TRE_NFA::kEntry});

    // Buckets of move targets by label: 0 line head, 1 line tail, c+2 class c.
    std::vector<std::vector<int>> buckets(classes_.size() + 2);
    std::vector<int> touched;
    for (std::size_t current = 0; current < sets.size(); ++current) {
        for (std::size_t u = 0; u < n; ++u) {
            if (!sets[current].Has(u)) continue;
            spend(1 + states[u].moves.size());
            for (const auto& move : states[u].moves) {
                std::size_t label = move.label == TRE_NFA::kLineHeadLabel   ? 0
                                    : move.label == TRE_NFA::kLineTailLabel ? 1
                                                                            : static_cast<std::size_t>(move.label) + 2;
                if (buckets[label].empty()) touched.push_back(static_cast<int>(label));
                buckets[label].push_back(move.target);
            }
        }
        spend(n / 64 + 1);
        for (int label : touched) {
            std::uint16_t target = lookup(buckets[label]);
            buckets[label].clear();
            if (label == 0)
                headNext_[current] = target;
            else if (label == 1)
                tailNext_[current] = target;
            else
                table_[current * width_ + static_cast<std::size_t>(label - 1)] = target;
        }
        touched.clear();
    }
    nfa_ = nullptr;
}

}  // namespace verdane::regex
