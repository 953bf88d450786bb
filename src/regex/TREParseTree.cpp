// TREParseTree: nodes, shared leaves and the disjoint splitting of leaves.
#include "TREParseTree.h"

#include "ERegExpParser.h"

#include <algorithm>
#include <stdexcept>

namespace verdane::regex {

int TREParseTree::MakeInternalNode(TREOp op, int left, int right) {
    TRENode node;
    node.op = op;
    node.left = left;
    node.right = right;
    nodes_.push_back(node);
    return static_cast<int>(nodes_.size() - 1);
}

int TREParseTree::MakeLeaf(std::uint16_t from, std::uint16_t to) {
    std::uint32_t key = std::uint32_t{from} << 16 | to;
    auto it = leafByRange_.find(key);
    if (it != leafByRange_.end()) return it->second;
    TRENode node;
    node.op = opCharRange;
    node.from = from;
    node.to = to;
    nodes_.push_back(node);
    int index = static_cast<int>(nodes_.size() - 1);
    leaves_.push_back(index);
    leafByRange_.emplace(key, index);
    return index;
}

int TREParseTree::MakeLHeadNode() { return MakeInternalNode(opLineHead, MakeLeaf('^', '^'), -1); }

int TREParseTree::MakeGroupNode(int child, int number) {
    int node = MakeInternalNode(opGroup, child, -1);
    nodes_[node].from = static_cast<std::uint16_t>(number);
    return node;
}

int TREParseTree::MakeLTailNode() { return MakeInternalNode(opLineTail, MakeLeaf('$', '$'), -1); }

int TREParseTree::MakeAnyCharsNode() {
    return MakeRangesNode({std::begin(kAnyCharRanges), std::end(kAnyCharRanges)});
}

int TREParseTree::MakeRangesNode(const std::vector<std::pair<std::uint16_t, std::uint16_t>>& ranges) {
    int node = -1;
    for (auto [from, to] : ranges) {
        int leaf = MakeLeaf(from, to);
        node = node < 0 ? leaf : MakeInternalNode(opUnion, node, leaf);
    }
    return node < 0 ? MakeInternalNode(opNothing, -1, -1) : node;
}

int TREParseTree::BuildUnion(const std::vector<int>& parts, std::size_t begin, std::size_t end) {
    if (end - begin == 1) return parts[begin];
    std::size_t mid = begin + (end - begin) / 2;
    int left = BuildUnion(parts, begin, mid);
    int right = BuildUnion(parts, mid, end);
    return MakeInternalNode(opUnion, left, right);
}

void TREParseTree::ForceCharsDisjoint() {
    // The elementary pieces are the intervals between consecutive range
    // boundaries; every leaf is the union of the pieces it covers. This gives the
    // same language as splitting overlapping pairs one by one, in one pass.
    std::vector<std::uint32_t> bounds;
    bounds.reserve(leaves_.size() * 2);
    for (int leaf : leaves_) {
        bounds.push_back(nodes_[leaf].from);
        bounds.push_back(std::uint32_t{nodes_[leaf].to} + 1);
    }
    std::sort(bounds.begin(), bounds.end());
    bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());

    const std::vector<int> original = leaves_;
    std::vector<char> converted(nodes_.size(), 0);
    for (int leaf : original) {
        const std::uint16_t from = nodes_[leaf].from;
        const std::uint16_t to = nodes_[leaf].to;
        auto lo = std::lower_bound(bounds.begin(), bounds.end(), std::uint32_t{from});
        auto hi = std::lower_bound(bounds.begin(), bounds.end(), std::uint32_t{to} + 1);
        if (hi - lo <= 1) continue;
        leafByRange_.erase(std::uint32_t{from} << 16 | to);
        converted[leaf] = 1;
        std::vector<int> pieces;
        for (auto it = lo; it != hi; ++it)
            pieces.push_back(MakeLeaf(static_cast<std::uint16_t>(*it), static_cast<std::uint16_t>(*(it + 1) - 1)));
        if (pieces.size() < 2) throw std::runtime_error(msg::kTreeFatal);
        std::size_t mid = pieces.size() / 2;
        int left = BuildUnion(pieces, 0, mid);
        int right = BuildUnion(pieces, mid, pieces.size());
        TRENode& node = nodes_[leaf];
        node.op = opUnion;
        node.left = left;
        node.right = right;
    }
    std::erase_if(leaves_, [&](int leaf) {
        return static_cast<std::size_t>(leaf) < converted.size() && converted[leaf];
    });
}

void TREParseTree::Clear() {
    nodes_.clear();
    leaves_.clear();
    leafByRange_.clear();
    root = -1;
    groupCount = 0;
}

}  // namespace verdane::regex
