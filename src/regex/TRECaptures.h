// TRECaptures: the groups of a match. The DFA finds where a match starts and
// ends but keeps no groups; when a replacement names a group, this program,
// built from the same parse tree, runs over that one match alone and records
// where each group matched. Entry point: TRECaptures::Run.
#pragma once

#include "TREParseTree.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace verdane::regex {

class TRECaptures {
public:
    // Groups 1..kMaxGroup are recorded; later ones group without being kept.
    static constexpr int kMaxGroup = 9;
    static constexpr std::size_t kUnset = static_cast<std::size_t>(-1);
    // Byte offsets: group g matched [at[2g], at[2g+1]); both kUnset when it
    // took no part in the match. Group 0 is the whole match.
    using Slots = std::array<std::size_t, 2 * (kMaxGroup + 1)>;

    explicit TRECaptures(const TREParseTree& tree);

    // The groups of the match [start, end) of `text` (which ends at its first
    // NUL byte, after the match), the match the DFA found there. Of the ways the pattern can
    // match exactly that text, the one taken prefers, at each choice, the
    // earlier alternative and one more repetition; a repeated group keeps its
    // last repetition. "^" holds at the text start and after LF, "$" before
    // `separator` and at the text end. Linear in the match length times the
    // pattern size. Nothing when the pattern cannot match exactly that text.
    std::optional<Slots> Run(std::string_view text, std::size_t start, std::size_t end, unsigned char separator) const;

    int GroupCount() const { return groupCount_; }
    std::size_t ProgramSize() const { return program_.size(); }

private:
    enum Op : std::uint8_t { kRange, kSplit, kJump, kSave, kHead, kTail, kFail, kMatch };
    struct Inst {
        Op op;
        std::uint16_t from = 0, to = 0;  // kRange
        int x = 0, y = 0;                // kSplit: x first, then y; kJump: x; kSave: slot x
    };

    int Emit(Inst inst);
    void Compile(const TREParseTree& tree, int node, bool atEntry, bool atExit);

    std::vector<Inst> program_;
    int groupCount_ = 0;
};

}  // namespace verdane::regex
