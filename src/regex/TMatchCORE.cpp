// TMatchCORE: leftmost-longest search with the line-head and line-tail
// pseudo-characters: "^" at the text start and after every LF, "$" before the
// line separator (CR, or LF with mcls_LF) and at the text end.
#include "TMatchCORE.h"

#include <algorithm>
#include <cstring>

namespace verdane::regex {

void TMatchCORE::FailureMemo::Start(std::size_t positions) {
    window_ = std::max<std::size_t>(1, std::min(positions, memoWindow));
    near_.assign(window_ * kSlots, 0);
    // The sparse part takes at most as much memory as the window.
    stride_ = std::max<std::size_t>(1, memoSparseStride);
    while (positions / stride_ > std::max<std::size_t>(window_, 1u << 16)) stride_ *= 2;
    far_.assign((positions / stride_ + 1) * kSlots, 0);
    windowStart_ = 0;
}

void TMatchCORE::FailureMemo::MoveTo(std::size_t position) {
    if (position <= windowStart_) return;
    // The slots of the positions left behind serve the positions entering.
    const std::size_t leaving = std::min(position - windowStart_, window_);
    for (std::size_t k = 0; k < leaving; ++k)
        std::memset(&near_[((windowStart_ + k) % window_) * kSlots], 0, kSlots * sizeof(std::uint16_t));
    windowStart_ = position;
}

bool TMatchCORE::FailureMemo::Seen(std::size_t position, std::uint16_t state) {
    const auto tag = static_cast<std::uint16_t>(state + 1);
    bool seen = false;
    if (position >= windowStart_ && position - windowStart_ < window_) {
        std::uint16_t& slot = near_[(position % window_) * kSlots + state % kSlots];
        seen = slot == tag;
        slot = tag;
    }
    if (position % stride_ == 0) {
        std::uint16_t& slot = far_[position / stride_ * kSlots + state % kSlots];
        seen = seen || slot == tag;
        slot = tag;
    }
    return seen;
}

void TMatchCORE::FailureMemo::Forget(std::size_t first, std::size_t last) {
    for (std::size_t p = std::max(first, windowStart_); p <= last && p - windowStart_ < window_; ++p)
        std::memset(&near_[(p % window_) * kSlots], 0, kSlots * sizeof(std::uint16_t));
    for (std::size_t p = (first + stride_ - 1) / stride_ * stride_; p <= last; p += stride_)
        std::memset(&far_[p / stride_ * kSlots], 0, kSlots * sizeof(std::uint16_t));
}

TMatchCORE::Search::Search(const TMatchCORE& core, std::string_view text)
    : dfa_(core.CurrentDFA()),
      base_(reinterpret_cast<const Byte*>(text.data())),
      end_(base_ + UpToNul(text).size()),
      separator_(core.LineSeparator == mcls_LF ? '\n' : '\r') {
    const std::uint16_t start = dfa_.StartState();
    for (int b = 0; b < 256; ++b) {
        std::uint16_t cls = dfa_.ClassOfSingle(static_cast<Byte>(b));
        startLiveSingle_[b] = dfa_.Next(start, cls) != TRE_DFA::kDead || (b == separator_ && dfa_.TailOK(start));
    }
}

const TMatchCORE::Search::Byte* TMatchCORE::Search::Candidate(const Byte* p, bool inside) const {
    const std::uint16_t start = dfa_.StartState();
    if (dfa_.Accepting(start)) return p;
    const bool stopAtLf = inside && dfa_.LineHead();
    while (p < end_) {
        Byte b = *p;
        if (IsLeadByte(b) && p + 1 < end_) {
            if (dfa_.Next(start, dfa_.ClassOfDouble(b, p[1])) != TRE_DFA::kDead) return p;
            p += 2;
        } else {
            if (startLiveSingle_[b] || (stopAtLf && b == '\n')) return p;
            ++p;
        }
    }
    return p;
}

const TMatchCORE::Search::Byte* TMatchCORE::Search::RunFrom(const Byte* p, std::uint16_t state) {
    const Byte* lastAccept = nullptr;
    const Byte* recordFrom = nullptr;
    int steps = 0;
    auto result = [&](const Byte* end) {
        // Records at or before the end found were not failures after all.
        if (end && recordFrom && recordFrom <= end)
            memo_.Forget(static_cast<std::size_t>(recordFrom - base_), static_cast<std::size_t>(end - base_));
        return end;
    };
    if (memo_.Active()) memo_.MoveTo(static_cast<std::size_t>(p - base_));
    for (;;) {
        if (memo_.Active()) {
            if (memo_.Seen(static_cast<std::size_t>(p - base_), state)) return result(lastAccept);
            if (!recordFrom) recordFrom = p;
        } else if (++steps > memoAfterSteps) {
            memo_.Start(static_cast<std::size_t>(end_ - base_ + 1));
            memo_.MoveTo(static_cast<std::size_t>(p - base_));
            continue;
        }
        // "$" holds before a line separator and at the text end, whether or not
        // the run could go on past that separator.
        if (dfa_.Accepting(state) || (dfa_.TailOK(state) && (p >= end_ || *p == separator_))) lastAccept = p;
        if (p >= end_) return result(lastAccept);
        const Byte b = *p;
        const Byte* next;
        std::uint16_t cls;
        if (IsLeadByte(b) && p + 1 < end_) {
            cls = dfa_.ClassOfDouble(b, p[1]);
            next = p + 2;
        } else {
            cls = dfa_.ClassOfSingle(b);
            next = p + 1;
        }
        std::uint16_t target = dfa_.Next(state, cls);
        if (target == TRE_DFA::kDead) return result(lastAccept);
        state = target;
        p = next;
    }
}

const TMatchCORE::Search::Byte* TMatchCORE::Search::HeadFrom(const Byte* p, std::uint16_t state) {
    if (!dfa_.LineHead()) return RunFrom(p, state);
    std::uint16_t head = dfa_.HeadNext(state);
    if (head == TRE_DFA::kDead) return nullptr;
    const Byte* r1 = RunFrom(p, head);
    if (!r1) return nullptr;
    const Byte* r2 = RunFrom(p, state);
    return r2 && r2 >= r1 ? r2 : r1;
}

std::optional<std::size_t> TMatchCORE::Search::Run(std::size_t at, std::uint16_t state) {
    return Offset(RunFrom(base_ + at, state));
}

std::optional<std::size_t> TMatchCORE::Search::Head(std::size_t at, std::uint16_t state) {
    return Offset(HeadFrom(base_ + at, state));
}

std::optional<TMatchRange> TMatchCORE::Search::Std(std::size_t from) {
    const Byte* p = base_ + from;
    const std::uint16_t start = dfa_.StartState();
    if (p >= end_) {
        if (p == base_ && dfa_.Accepting(start)) return TMatchRange{from, from};
        return std::nullopt;
    }
    for (p = Candidate(p, false); p < end_; p = Candidate(Step(p), false)) {
        if (const Byte* e = RunFrom(p, start)) return TMatchRange{*Offset(p), *Offset(e)};
    }
    return std::nullopt;
}

std::optional<TMatchRange> TMatchCORE::Search::Inside(std::size_t from) {
    const std::uint16_t start = dfa_.StartState();
    for (const Byte* p = Candidate(base_ + from, true); p < end_; p = Candidate(Step(p), true)) {
        if (const Byte* e = RunFrom(p, start)) return TMatchRange{*Offset(p), *Offset(e)};
        if (*p == '\n' && dfa_.LineHead()) {
            if (const Byte* e = HeadFrom(p + 1, start)) return TMatchRange{*Offset(p + 1), *Offset(e)};
        }
    }
    // At the end only an empty match is left: through "$", or (for the empty
    // text, where no position was tried) an empty alternative beside a "^".
    if (const Byte* e = RunFrom(end_, start)) return TMatchRange{End(), *Offset(e)};
    return std::nullopt;
}

std::optional<TMatchRange> TMatchCORE::Search::EX(std::size_t from) {
    if (const Byte* e = HeadFrom(base_ + from, dfa_.StartState())) return TMatchRange{from, *Offset(e)};
    return Inside(from);
}

std::optional<TMatchRange> TMatchCORE::MatchStd(std::string_view text) const { return Search(*this, text).Std(0); }
std::optional<TMatchRange> TMatchCORE::MatchEX(std::string_view text) const { return Search(*this, text).EX(0); }
std::optional<TMatchRange> TMatchCORE::MatchInside(std::string_view text) const {
    return Search(*this, text).Inside(0);
}
std::optional<std::size_t> TMatchCORE::MatchHead(std::string_view text, std::uint16_t state) const {
    return Search(*this, text).Head(0, state);
}
std::optional<std::size_t> TMatchCORE::RunDFA(std::string_view text, std::uint16_t state) const {
    return Search(*this, text).Run(0, state);
}

}  // namespace verdane::regex
