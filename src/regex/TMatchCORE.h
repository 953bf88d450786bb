// TMatchCORE: the searching stage of the pattern engine. Runs the current
// pattern's DFA over a Shift-JIS text and finds the leftmost, then longest,
// match. Entry points: MatchStd (no anchors) and MatchEX (with "^" or "$").
#pragma once

#include "TRegularExpression.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace verdane::regex {

enum TMatchCORE_LineSeparator : std::uint8_t { mcls_CRLF = 0, mcls_LF = 1 };

// A match as 0-based byte offsets into the searched text; end is just past it.
struct TMatchRange {
    std::size_t start;
    std::size_t end;
    bool operator==(const TMatchRange&) const = default;
};

class TMatchCORE : public TRegularExpression {
public:
    TMatchCORE_LineSeparator LineSeparator = mcls_CRLF;

    // Each searches `text` up to its first NUL byte, which ends the text.
    std::optional<TMatchRange> MatchStd(std::string_view text) const;
    std::optional<TMatchRange> MatchEX(std::string_view text) const;
    std::optional<TMatchRange> MatchInside(std::string_view text) const;
    std::optional<std::size_t> MatchHead(std::string_view text, std::uint16_t state) const;
    std::optional<std::size_t> RunDFA(std::string_view text, std::uint16_t state) const;
    bool IsLineSeparator(std::uint16_t code) const { return code == (LineSeparator == mcls_LF ? 10 : 13); }

    // Runs longer than this many characters start sharing what they learn (see
    // Search); shorter ones, the usual case, allocate nothing. Tests lower it.
    inline static int memoAfterSteps = 256;
    // The positions from the start of the current run on that the memo keeps
    // exactly (8 bytes each); farther positions are kept every 16th (the
    // stride) or sparser,
    // so the memo never takes more than about 16 MB. Tests lower it.
    inline static std::size_t memoWindow = std::size_t{1} << 20;
    inline static std::size_t memoSparseStride = 16;

protected:
    // The (state, position) pairs from which a run is known to reach no
    // accepting position. Each position has four slots, chosen by the state,
    // holding state + 1; a slot that holds another state tells nothing. The
    // positions from the current run's start on (a window that moves with the
    // runs) all have slots; beyond it only every `stride_`-th position has, so
    // a run that joins the path of an earlier failed run stops at most one
    // stride later, and the search stays linear in the text.
    class FailureMemo {
    public:
        bool Active() const { return !near_.empty(); }
        void Start(std::size_t positions);
        // Moves the window to start at `position` (never back).
        void MoveTo(std::size_t position);
        // True when (state, position) was recorded; records it otherwise.
        bool Seen(std::size_t position, std::uint16_t state);
        // Drops every record of the positions first..last.
        void Forget(std::size_t first, std::size_t last);

    private:
        static constexpr std::size_t kSlots = 4;
        std::vector<std::uint16_t> near_;  // window: position p at (p % window_) * kSlots
        std::vector<std::uint16_t> far_;   // every stride_-th position of the text
        std::size_t window_ = 0, windowStart_ = 0, stride_ = 16;
    };

    // One or more searches of the current DFA over one text. Positions are
    // byte offsets into the whole text, so a caller can search the rest of the
    // text after a match (GSub) and the searches share what they learnt: a
    // (state, position) from which a run is known to fail ends later runs that
    // reach it, which keeps long failing runs from making a search quadratic.
    class Search {
    public:
        Search(const TMatchCORE& core, std::string_view text);

        std::size_t End() const { return static_cast<std::size_t>(end_ - base_); }
        std::optional<TMatchRange> Std(std::size_t from);
        std::optional<TMatchRange> EX(std::size_t from);
        std::optional<TMatchRange> Inside(std::size_t from);
        std::optional<std::size_t> Head(std::size_t at, std::uint16_t state);
        std::optional<std::size_t> Run(std::size_t at, std::uint16_t state);

    private:
        using Byte = unsigned char;
        const Byte* RunFrom(const Byte* p, std::uint16_t state);
        const Byte* HeadFrom(const Byte* p, std::uint16_t state);
        const Byte* Step(const Byte* p) const { return IsLeadByte(*p) && p + 1 < end_ ? p + 2 : p + 1; }
        // The first position from p on where a run from the start state can do
        // anything; `inside` also stops at LF for patterns with "^".
        const Byte* Candidate(const Byte* p, bool inside) const;
        std::optional<std::size_t> Offset(const Byte* p) const {
            return p ? std::optional<std::size_t>(static_cast<std::size_t>(p - base_)) : std::nullopt;
        }

        const TRE_DFA& dfa_;
        const Byte* base_;
        const Byte* end_;
        Byte separator_;
        bool startLiveSingle_[256];
        FailureMemo memo_;
    };
};

}  // namespace verdane::regex
