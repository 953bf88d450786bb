// TREParseTree: the parse tree TREParser builds and TRE_NFA reads. Character
// ranges are shared leaves; ForceCharsDisjoint splits them so that no two leaves
// overlap, which the DFA construction relies on.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

namespace verdane::regex {

enum TREOp : std::uint8_t {
    opCharRange = 0,
    opLineHead = 1,  // left child: the leaf ^-^ used where "^" is a literal
    opLineTail = 2,  // left child: the leaf $-$ used where "$" is a literal
    opConcat = 3,
    opUnion = 4,
    opClosure = 5,
    opEmpty = 6,
    opNothing = 7,   // matches no string at all (a negated bracket that excludes everything)
    opGroup = 8,     // left child: a parenthesised group; `from` holds its number (1, 2, ...)
};

struct TRENode {
    TREOp op = opEmpty;
    int left = -1;
    int right = -1;
    std::uint16_t from = 0;  // opCharRange only
    std::uint16_t to = 0;
};

class TREParseTree {
public:
    virtual ~TREParseTree() = default;

    int MakeInternalNode(TREOp op, int left, int right);
    // The leaf for from-to; an equal pair gives the same leaf.
    int MakeLeaf(std::uint16_t from, std::uint16_t to);
    int MakeLHeadNode();
    // A capturing group around `child`, numbered `number`.
    int MakeGroupNode(int child, int number);
    int MakeLTailNode();
    // Every character but the end of text (0), LF, CR and codes above 0xFCFC.
    virtual int MakeAnyCharsNode();
    // A left-to-right union of the given ranges; opNothing when there are none.
    int MakeRangesNode(const std::vector<std::pair<std::uint16_t, std::uint16_t>>& ranges);

    // Splits the leaves so that they are pairwise disjoint; each leaf that held
    // more than one piece becomes, in place, a union of its pieces.
    void ForceCharsDisjoint();
    void Clear();

    int root = -1;
    // How many capturing groups the pattern has.
    int groupCount = 0;
    const std::vector<TRENode>& Nodes() const { return nodes_; }
    const std::vector<int>& Leaves() const { return leaves_; }

private:
    int BuildUnion(const std::vector<int>& parts, std::size_t begin, std::size_t end);

    std::vector<TRENode> nodes_;
    std::vector<int> leaves_;
    std::map<std::uint32_t, int> leafByRange_;
};

// The ranges of the any-character set, in order.
inline constexpr std::pair<std::uint16_t, std::uint16_t> kAnyCharRanges[] = {
    {1, 9}, {11, 12}, {14, 0xFCFC}};

}  // namespace verdane::regex
