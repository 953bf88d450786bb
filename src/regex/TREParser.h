// TREParser: the stage after preprocessing. Reads the tokens of a pattern by
// recursive descent and builds its TREParseTree, negated brackets as explicit
// ranges, leaves made disjoint. Entry point: TREParser::Run.
#pragma once

#include "TREParseTree.h"
#include "TREScanner.h"

#include <string_view>
#include <utility>
#include <vector>

namespace verdane::regex {

class TREParser {
public:
    explicit TREParser(std::string_view pattern) : scanner_(pattern) {}
    // `plainParens`: byte offsets (ascending) of "(" that group without
    // capturing; the others are numbered 1, 2, ... by their position.
    TREParser(std::string_view pattern, std::vector<std::size_t> plainParens)
        : scanner_(pattern), plainParens_(std::move(plainParens)) {}

    // Builds the tree; raises ERegExpParser for a malformed pattern.
    void Run();
    const TREParseTree& Tree() const { return tree_; }

    // Groups nested deeper than this are refused, so that no pattern can
    // exhaust the stack.
    static constexpr int kMaxDepth = 500;

private:
    using Ranges = std::vector<std::pair<std::uint16_t, std::uint16_t>>;

    int Expression();
    int Term();
    int Factor();
    int Primary();
    Ranges BracketMembers();
    void Next() { scanner_.GetToken(); }
    [[noreturn]] void Fail(const char* message) const;

    TREScanner scanner_;
    TREParseTree tree_;
    int depth_ = 0;
    std::vector<std::size_t> plainParens_;
};

}  // namespace verdane::regex
