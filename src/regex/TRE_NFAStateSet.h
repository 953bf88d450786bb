// TRE_NFAStateSet: a set of NFA states as a bit set; one per DFA state while
// TRE_DFA builds the automaton (the set is the DFA state's identity).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace verdane::regex {

class TRE_NFAStateSet {
public:
    explicit TRE_NFAStateSet(std::size_t stateCount) : bits_(stateCount / 8 + 1, '\0') {}

    void Include(std::size_t state) { bits_[state / 8] = static_cast<char>(bits_[state / 8] | (1 << (state % 8))); }
    bool Has(std::size_t state) const { return (bits_[state / 8] >> (state % 8)) & 1; }
    bool operator==(const TRE_NFAStateSet& other) const { return bits_ == other.bits_; }

    // The bytes of the set, usable as a hash key.
    std::string_view Bytes() const { return bits_; }

private:
    std::string bits_;
};

}  // namespace verdane::regex
