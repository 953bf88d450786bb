// TBuf::Compress: the DOC writer's greedy scan, made fast.
//
// The scan keeps a candidate D[i..j) that grows by one byte while it is found in
// the bytes before i, and asks each time for its "last occurrence": occurrences
// are taken from the left, each one starting at or after the end of the previous
// one taken (so in "aaa" the string "aa" is found at 0 only), and the last one
// taken is the answer. A candidate found more than 2047 bytes back ends the
// growth. Scanning the whole prefix for every candidate is quadratic; here the
// answer comes from exact links between the occurrences of every pair of bytes
// and from chains linking each position to the previous one with the same first
// three or four bytes (hashed; every hit is checked):
//
//  * the newest occurrence p at or before i - k (k the candidate's length) that
//    lies within reach is the pair's previous occurrence for two bytes, and is
//    found by walking the chain back from i for more; candidates of four bytes
//    and more share one walk along the four-byte chain, each position serving
//    every length up to its match length;
//  * runs of one byte (ruled lines, indentation, padding) are listed before the
//    chains are built, and their insides stay out of the chains. A candidate
//    that is the run's byte repeated is answered from the runs: inside the run
//    before i, or in the newest earlier run long enough, the taken occurrences
//    are the run's start plus multiples of k. A candidate that goes on past
//    such copies occurs only at the ends of runs, found on the chain of its
//    first bytes after the copies;
//  * p is taken unless an earlier occurrence overlaps it, which needs an
//    occurrence in (p - k, p); that one would be on p's chain right behind p,
//    so one look at the next link settles the usual case;
//  * otherwise the left-to-right taking decides. Occurrences less than k apart
//    form a cluster whose first one is taken, and the taking goes on from it,
//    so the cluster around p settles it; a long cluster (a long periodic run
//    such as "ababab...") is replayed from the first occurrence in the record,
//    remembered per candidate string, because the scan asks for the same
//    string again at growing i.
//
// tests/doc holds the plain whole-prefix scan; the tests and a fuzz target
// compare the two.
#include "DocBuffer.h"

#include <algorithm>
#include <array>
#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

namespace verdane {

namespace {

constexpr int kMaxDistance = 2047;
constexpr int kMaxLength = 10;
constexpr int kPadding = 16;

std::uint64_t Load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// Masks selecting the first n bytes (0 to 8) of a word loaded by Load64.
constexpr std::array<std::uint64_t, 9> kLeadingBytes = [] {
    std::array<std::uint64_t, 9> masks{};
    for (int n = 1; n <= 8; ++n) {
        const std::uint64_t low = n == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * n)) - 1;
        masks[n] = std::endian::native == std::endian::little ? low : ~(~std::uint64_t{0} >> (8 * n));
    }
    return masks;
}();
std::uint64_t LeadingBytesMask(int bytes) { return kLeadingBytes[std::min(bytes, 8)]; }

// x rounded down to a multiple of k (k of 1 to 16), by a multiplication,
// exact for x below 2^28: the run formulas need it for every length, and a
// division costs more than the rest of the step.
constexpr std::array<std::uint64_t, 17> kReciprocals = [] {
    std::array<std::uint64_t, 17> r{};
    for (std::uint64_t k = 1; k <= 16; ++k) r[k] = (std::uint64_t{1} << 32) / k + 1;
    return r;
}();
int RoundDown(int x, int k) {
    if (x >= 1 << 28) return x / k * k;
    return static_cast<int>((static_cast<std::uint64_t>(x) * kReciprocals[k]) >> 32) * k;
}

// The finder's tables, kept from record to record of one thread so that a
// database of thousands of records does not allocate and free them for each.
struct FinderScratch {
    std::vector<std::uint8_t> text;
    std::vector<std::uint8_t> tables;  // chain heads and links, 16- or 32-bit
    std::vector<std::int32_t> runs;  // runs of four or more equal bytes: start, length, previous run of the byte
    std::vector<int> pending;
    // The newest position of each pair of bytes, as a stamp: the record's base
    // plus the position. Bases grow from record to record, so the table is
    // never cleared (but when the stamps would overflow).
    std::vector<std::uint32_t> pairs, pairLinks;
    std::uint32_t nextBase = 1;

    // Gives the memory of an unusually long text back after use.
    void Trim() {
        constexpr std::size_t kKeep = 1u << 20;
        if (tables.capacity() > kKeep) std::vector<std::uint8_t>().swap(tables);
        if (text.capacity() > kKeep) std::vector<std::uint8_t>().swap(text);
        if (runs.capacity() > kKeep) std::vector<std::int32_t>().swap(runs);
        if (pairLinks.capacity() > kKeep) std::vector<std::uint32_t>().swap(pairLinks);
    }
};

FinderScratch& ThreadScratch() {
    thread_local FinderScratch scratch;
    return scratch;
}

// Pos holds positions in the record: 16 bits for records of up to 32767 bytes
// (all of them in a DOC database) keep the chains small, 32 bits for longer data.
template <typename Pos>
class LastOccurrenceFinder {
public:
    LastOccurrenceFinder(const std::uint8_t* data, int size, FinderScratch& scratch)
        : size_(size), text_(scratch.text), tables_(scratch.tables), runs_(scratch.runs), pending_(scratch.pending) {
        text_.resize(static_cast<std::size_t>(size) + kPadding);
        std::memcpy(text_.data(), data, static_cast<std::size_t>(size));
        std::memset(text_.data() + size, 0, kPadding);
        d_ = text_.data();
        runs_.clear();
        if (scratch.pairs.empty() || scratch.nextBase > UINT32_MAX - static_cast<std::uint32_t>(size) - 2) {
            scratch.pairs.assign(std::size_t{1} << 16, 0);
            scratch.nextBase = 1;
        }
        pairs_ = scratch.pairs.data();
        scratch.pairLinks.resize(static_cast<std::size_t>(size) + 1);
        pairLinks_ = scratch.pairLinks.data();
        base_ = scratch.nextBase;
        scratch.nextBase += static_cast<std::uint32_t>(size) + 1;
        BuildChains();
    }

    // Grows the candidate D[i..i+k) one byte at a time while it is found, as
    // the scan does, and returns the first length at which it is not found or
    // may not grow (longer than 10, or reaching the end of the record); `m` is
    // set to the answer for each length found. The answer for a length is the
    // start of the last occurrence taken from the left without overlap, if it
    // lies at most 2047 bytes back.
    [[gnu::always_inline]] int Grow(int i, int k, int& m) {
        const int maxK = std::min(kMaxLength, size_ - 1 - i);
        if (k > maxK) return k;
        if (i > 0 && d_[i - 1] == d_[i]) {
            // Inside a run of one byte (ruled lines, indentation, padding): while
            // the candidate is that byte repeated and fits in the run's part
            // before i, its last taken occurrence is the run's start plus a
            // multiple of k, always near.
            const int length = i - RecentRunStart(i - 1);
            const int top = std::min(length, Copies(i, maxK));
            if (k <= top) {
                // Only the answer for the last length counts.
                m = i - length + RoundDown(length - top, top);
                k = top + 1;
                if (k > maxK) return k;
            }
        }
        const int lowest = std::max(0, i - kMaxDistance);
        if (k == 1) {
            const int b = FindByte(i);
            if (b < 0) return k;
            m = b;
            if (++k > maxK) return k;
        }
        int newest = -1;  // the newest occurrence of the first two bytes
        if (k == 2) {
            newest = NewestPair(i, lowest);
            if (newest < 0) return k;
            // "cc" overlaps itself: inside a run the taking decides.
            if (d_[i + 1] == d_[i] && newest > 0 && d_[newest - 1] == d_[i]) {
                const int b = LastTakenInRun(newest, 2);
                if (b < lowest) return k;
                m = b;
            } else {
                m = newest;
            }
            if (++k > maxK) return k;
        }
        if (k == 3) {
            // The newest occurrence of three bytes is the pair's, if its third byte agrees.
            const int b = newest >= 0 && newest <= i - 3 && d_[newest + 2] == d_[i + 2]
                              ? TakenOrLower(i, 3, newest, prev3_, lowest)
                              : FindOnChain(i, 3, prev3_, lowest);
            if (b < 0) return k;
            m = b;
            if (++k > maxK) return k;
        }
        if (Load32(d_ + i) == d_[i] * 0x01010101u) return GrowInRuns(i, k, m, maxK, lowest);
        // Longer candidates: one walk along the chain of the first four bytes.
        return WalkChain(i, k, m, maxK, lowest, prev4_, 0, 0);
    }

    // How many candidates in a row, from i on, are ten copies of the byte
    // before i with at least ten copies before them and ten more bytes after
    // them in the record: each is found at the same `distance` (the run's
    // start plus a multiple of ten lies 10 to 19 bytes back).
    int LongestInRun(int i, int& distance) {
        if (i == 0 || i >= size_ || d_[i - 1] != d_[i]) return 0;
        const int length = i - RecentRunStart(i - 1);
        if (length < kMaxLength) return 0;
        distance = length - RoundDown(length - kMaxLength, kMaxLength);
        return std::min(Copies(i, size_ - i), size_ - 1 - i) / kMaxLength;
    }

private:
    static std::uint32_t Load32(const std::uint8_t* p) {
        std::uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }

    // Grows the candidate from length k up to `top` along `chain`, newest first:
    // every occurrence of the candidate has its key `shift` bytes in, so it lies
    // `shift` bytes before a position on the chain through i + shift (the chain
    // also holds other keys of the same hash; the match length tells). Each
    // position serves every length up to its match length. The three-byte
    // chain through i + replayShift holds every occurrence too, for the rare
    // replay of the taking.
    int WalkChain(int i, int k, int& m, int top, int lowest, const Pos* chain, int shift, int replayShift) {
        for (int q = chain[i + shift]; q - shift >= lowest; q = chain[q]) {
            const int p = q - shift;
            const int length = std::min(MatchLength(p, i, top), i - p);
            if (k <= length && chain[q] <= q - length) {
                // Nothing on the chain lies within `length` bytes before q, so
                // no earlier occurrence overlaps p for any of these lengths.
                m = p;
                k = length + 1;
            }
            for (; k <= length; ++k) {
                const int b = LastTakenFrom(i, k, q, chain, shift, replayShift);
                if (b < lowest) return k;
                m = b;
            }
            if (k > top) return k;
        }
        return k;
    }

    // The last occurrence taken of D[i..i+k), given its newest occurrence
    // q - shift with q on `chain` (keyed `shift` bytes into the candidate).
    // Occurrences less than k apart form a cluster whose first one is taken
    // (nothing overlaps it), and the taking goes on from it left to right; so
    // the cluster ending at q decides. A long cluster (a long periodic run)
    // falls back to the replay, which is remembered along the scan.
    int LastTakenFrom(int i, int k, int q, const Pos* chain, int shift, int replayShift) {
        constexpr int kMaxCluster = 32;
        std::array<int, kMaxCluster> members;
        int n = 0;
        members[n++] = q;
        for (int at = q;;) {
            int before = -1;
            for (int o = chain[at]; o >= 0 && o > at - k; o = chain[o])
                if (o >= shift && Equal(o - shift, i, k)) {
                    before = o;
                    break;
                }
            if (before < 0) break;
            if (n == kMaxCluster) return LastTakenReplayed(i, k, replayShift);
            members[n++] = at = before;
        }
        int taken = members[n - 1];
        for (int t = n - 2; t >= 0; --t)
            if (members[t] >= taken + k) taken = members[t];
        return taken - shift;
    }

    // Candidates of four bytes and more that start with four copies of one byte
    // c (ruled lines, indentation, padding). Their occurrences lie in the runs
    // of c, so the walk goes from run to run instead of through every position
    // of every run on the chain:
    //  * while the candidate is c repeated (k up to a, the copies of c ahead of
    //    i), the last occurrence taken lies in the newest run holding k copies,
    //    at its start plus a multiple of k;
    //  * once it reaches past them (c repeated a times, then another byte y),
    //    each run of at least a copies followed by y holds one occurrence at
    //    most, its last a bytes followed by the rest.
    // The part of the current run before i was dealt with by Grow's shortcut.
    [[gnu::noinline]] int GrowInRuns(int i, int k, int& m, int maxK, int lowest) {
        const int a = Copies(i, maxK);
        // The scan moves forward: the run holding i is the one found last or a later one.
        const int runCount = static_cast<int>(runs_.size() / 3);
        while (runCursor_ + 1 < runCount && RunField(runCursor_ + 1, 0) <= i) ++runCursor_;
        const int r0 = PreviousRun(runCursor_);
        for (int r = r0; r >= 0 && k <= a; r = PreviousRun(r)) {
            const int start = RunField(r, 0), length = RunField(r, 1);
            if (start + length - k < lowest) return k;  // this run and the older ones are out of reach
            const int last = std::min(a, length);
            if (k <= last && start + length - 2 * last + 1 >= lowest) {
                // Every answer up to `last` lies within reach: only the last counts.
                m = start + RoundDown(length - last, last);
                k = last + 1;
            }
            for (; k <= last; ++k) {
                const int t = start + RoundDown(length - k, k);
                if (t < lowest) return k;
                m = t;
            }
        }
        if (k <= a || k > maxK) return k;
        // Past the copies of c: an occurrence ends a run of c with its last a
        // bytes, so its last two copies and the byte after them lie on the
        // three-byte chain through i + a - 2, which holds no other positions
        // of the runs; from three bytes past them on, the four-byte chain
        // through i + a - 1 is narrower still.
        const int top3 = std::min(a + 2, maxK);
        k = WalkChain(i, k, m, top3, lowest, prev3_, a - 2, a - 2);
        if (k <= top3 || k > maxK) return k;
        return WalkChain(i, k, m, maxK, lowest, prev4_, a - 1, a - 2);
    }

    // The record's runs of four or more equal bytes, in order, each linked to
    // the previous run of the same byte: three numbers per run.
    void BuildRuns() {
        std::array<std::int32_t, 256> last;
        last.fill(-1);
        for (int p = 0;;) {
            const int start = NextRunStart(p);
            if (start + 3 >= size_) break;
            const int end = start + Copies(start, size_ - start) - 1;
            const auto index = static_cast<std::int32_t>(runs_.size() / 3);
            runs_.push_back(start);
            runs_.push_back(end - start + 1);
            runs_.push_back(last[d_[start]]);
            last[d_[start]] = index;
            p = end + 1;
        }
    }

    // The first position at or after p where four equal bytes start, looked
    // for many starts at a time, or a position at or past size - 3 when none
    // (the bytes past the record are padding).
    int NextRunStart(int p) const {
#if defined(__SSE2__)
        for (; p + 3 < size_; p += 14) {
            const auto* at = reinterpret_cast<const __m128i*>(d_ + p);
            const auto equal = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(at), _mm_loadu_si128(reinterpret_cast<const __m128i*>(d_ + p + 1)))));
            const unsigned starts = equal & equal >> 1 & equal >> 2 & 0x3FFFu;  // bit t: D[p+t..p+t+3] equal
            if (starts != 0) return p + std::countr_zero(starts);
        }
#else
        constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
        for (; p + 3 < size_; p += 6) {
            std::uint64_t x = Load64(d_ + p) ^ Load64(d_ + p + 1);
            if constexpr (std::endian::native == std::endian::big) x = __builtin_bswap64(x);  // byte t at bits 8t
            const std::uint64_t same = x | x >> 8 | x >> 16 | 0xFFFF000000000000ull;  // byte t zero: a run at t
            const std::uint64_t zeros = (same - kOnes) & ~same & kHighs;
            if (zeros != 0) return p + std::countr_zero(zeros) / 8;
        }
#endif
        return size_;
    }
    int RunField(int r, int field) const { return runs_[static_cast<std::size_t>(3 * r + field)]; }
    int PreviousRun(int r) const { return RunField(r, 2); }
    // The run holding p, which must lie in a run of four or more.
    int CurrentRun(int p) const {
        int lo = 0, hi = static_cast<int>(runs_.size() / 3) - 1;
        while (lo < hi) {
            const int mid = (lo + hi + 1) / 2;
            if (RunField(mid, 0) <= p)
                lo = mid;
            else
                hi = mid - 1;
        }
        return lo;
    }

    // How many copies of D[i] start at i, at most `cap` (compared eight bytes at a time).
    int Copies(int i, int cap) const {
        const std::uint64_t copies = d_[i] * 0x0101010101010101ull;
        int n = 0;
        while (n < cap) {
            const std::uint64_t diff = Load64(d_ + i + n) ^ copies;
            if (diff != 0) return std::min(cap, n + FirstDifferentByte(diff));
            n += 8;
        }
        return cap;
    }

    static unsigned Hash(std::uint32_t v, int bits) { return (v * 0x9E3779B1u) >> (32 - bits); }

    void BuildChains() {
        int bits = 8;
        while (bits < 16 && (1 << bits) < size_) ++bits;  // as many heads as positions: few collisions
        // Chains on the first three and four bytes; the padding makes the last
        // positions' keys differ from every full key only harmlessly, since Equal
        // checks each hit.
        const auto n = static_cast<std::size_t>(std::max(size_, 1));
        const std::size_t headCount = std::size_t{2} << bits;
        tables_.resize((headCount + 2 * n) * sizeof(Pos));
        Pos* const heads = reinterpret_cast<Pos*>(tables_.data());
        std::fill_n(heads, headCount, Pos{-1});
        Pos* head3 = heads;
        Pos* head4 = head3 + (std::size_t{1} << bits);
        // Every position but the last two gets its links below.
        prev3_ = heads + headCount;
        prev4_ = prev3_ + n;
        prev3_[n - 1] = prev4_[n - 1] = Pos{-1};
        if (n >= 2) prev3_[n - 2] = prev4_[n - 2] = Pos{-1};
        // Pairs link exactly, by a table of every pair's newest position; its
        // stamps (base plus position) tell this record's entries from older ones.
        std::uint32_t* const pairs = pairs_;
        std::uint32_t* const pairLinks = pairLinks_;
        const std::uint32_t base = base_;
        const std::uint8_t* const d = d_;
        // (Pairs are asked for at i <= size - 3 only: a candidate ends before the last byte.)
        Pos* const prev3 = prev3_;
        Pos* const prev4 = prev4_;
        auto link = [=](int from, int to) {
            for (int p = from; p < to; ++p) {
                std::uint32_t four;
                std::memcpy(&four, d + p, 4);
                if constexpr (std::endian::native == std::endian::big) four = __builtin_bswap32(four);
                std::uint32_t& pair = pairs[four & 0xFFFFu];
                pairLinks[p] = pair;
                pair = base + static_cast<std::uint32_t>(p);
                Pos& h3 = head3[Hash(four & 0xFFFFFFu, bits)];
                prev3[p] = h3;
                h3 = static_cast<Pos>(p);
                Pos& h4 = head4[Hash(four, bits)];
                prev4[p] = h4;
                h4 = static_cast<Pos>(p);
            }
        };
        // Inside a run, the positions whose four bytes are one byte repeated
        // link to the chains' heads but never become heads: candidates of such
        // bytes are answered from the runs, and no other candidate occurs
        // there, so the chains stay short.
        BuildRuns();
        int from = 0;
        for (std::size_t r = 0; r < runs_.size(); r += 3) {
            const int start = runs_[r], last = runs_[r] + runs_[r + 1] - 4;
            link(from, start);
            std::uint32_t four;
            std::memcpy(&four, d + start, 4);
            std::fill(prev3_ + start, prev3_ + last + 1, head3[Hash(four & 0xFFFFFFu, bits)]);
            std::fill(prev4_ + start, prev4_ + last + 1, head4[Hash(four, bits)]);
            std::uint32_t& pair = pairs[four & 0xFFFFu];
            pairLinks[start] = pair;
            for (int t = start + 1; t <= last; ++t) pairLinks[t] = base + static_cast<std::uint32_t>(t - 1);
            pair = base + static_cast<std::uint32_t>(last);
            from = last + 1;
        }
        link(from, size_ - 2);
    }

    bool Equal(int p, int i, int k) const {
        const std::uint64_t first = Load64(d_ + p) ^ Load64(d_ + i);
        if (k <= 8) return (first & LeadingBytesMask(k)) == 0;
        return first == 0 && ((Load64(d_ + p + 8) ^ Load64(d_ + i + 8)) & LeadingBytesMask(k - 8)) == 0;
    }

    // How many bytes (up to `cap`) D[p..] and D[i..] have in common.
    int MatchLength(int p, int i, int cap) const {
        int n;
        const std::uint64_t x = Load64(d_ + p) ^ Load64(d_ + i);
        if (x != 0) {
            n = FirstDifferentByte(x);
        } else {
            const std::uint64_t y = Load64(d_ + p + 8) ^ Load64(d_ + i + 8);
            n = y != 0 ? 8 + FirstDifferentByte(y) : 16;
        }
        return std::min(n, cap);
    }

    static int FirstDifferentByte(std::uint64_t x) {
        if constexpr (std::endian::native == std::endian::little) return std::countr_zero(x) / 8;
        return std::countl_zero(x) / 8;
    }

    // The newest occurrence p <= i - 2 of the pair D[i], D[i+1] within reach, or
    // -1: the pair's previous occurrence, or the one before when that one
    // overlaps i (inside a run).
    int NewestPair(int i, int lowest) const {
        const std::uint32_t self = base_ + static_cast<std::uint32_t>(i);
        std::uint32_t stamp = pairLinks_[i];
        if (stamp == self - 1) stamp = pairLinks_[i - 1];
        if (stamp < base_ + static_cast<std::uint32_t>(lowest)) return -1;
        return static_cast<int>(stamp - base_);
    }

    // The answer for D[i..i+3) from its chain, or -1.
    int FindOnChain(int i, int k, const Pos* prev, int lowest) {
        int p = prev[i];
        while (p >= lowest && !(p <= i - k && Equal(p, i, k))) p = prev[p];
        if (p < lowest) return -1;
        return TakenOrLower(i, k, p, prev, lowest);
    }

    // The answer for D[i..i+3) given its newest occurrence p, or -1.
    int TakenOrLower(int i, int k, int p, const Pos* prev, int lowest) {
        // Three bytes overlap themselves only when the first recurs.
        if (d_[i + 1] != d_[i] && d_[i + 2] != d_[i]) return p;
        const int b = TakenAt(i, k, p, prev);
        return b >= lowest ? b : -1;
    }

    // The last occurrence taken, given the newest occurrence p of D[i..i+k) on
    // `chain`, a chain keyed on at most k first bytes.
    int TakenAt(int i, int k, int p, const Pos* chain) {
        if (AllSameByte(i, k)) return LastTakenInRun(p, k);  // the chains leave out the runs' insides
        if (!OverlapsEarlierOccurrence(i, k, p, chain)) return p;
        return LastTakenFrom(i, k, p, chain, 0, 0);
    }

    // A one-byte string never overlaps itself: the answer is its newest occurrence.
    int FindByte(int i) const {
        const void* hit = ::memrchr(d_, d_[i], static_cast<std::size_t>(i));
        if (!hit) return -1;
        const int p = static_cast<int>(static_cast<const std::uint8_t*>(hit) - d_);
        return i - p <= kMaxDistance ? p : -1;
    }

    // An occurrence p of C = D[i..i+k) is taken unless an earlier taken one
    // overlaps it, which needs an occurrence in (p - k, p). Such an occurrence
    // shares the key of p's chain, so it would be among the chain's next
    // entries; usually the next entry lies farther back and p is the answer
    // without replaying the taking.
    bool OverlapsEarlierOccurrence(int i, int k, int p, const Pos* chain) const {
        for (int q = chain[p]; q >= 0 && q > p - k; q = chain[q])
            if (Equal(q, i, k)) return true;
        return false;
    }

    bool AllSameByte(int i, int k) const {
        for (int t = 1; t < k; ++t)
            if (d_[i + t] != d_[i]) return false;
        return true;
    }

    // For k copies of one byte: occurrences of different runs never overlap, and
    // inside a run the taken ones are the run's start plus multiples of k.
    int LastTakenInRun(int p, int k) {
        const int start = RunStart(p);
        return start + RoundDown(p - start, k);
    }

    // The same for the run holding i - 1 as the scan moves forward: the run
    // found last is extended instead of walked again.
    int RecentRunStart(int p) {
        if (p < recentRunStart_) recentRunEnd_ = recentRunStart_ = p;
        if (recentRunEnd_ < p) recentRunEnd_ = std::min(p, recentRunEnd_ + Copies(recentRunEnd_, p - recentRunEnd_ + 1) - 1);
        if (recentRunEnd_ < p) {
            // Another run: walk back from p to its start (never past the old run's end).
            recentRunEnd_ = recentRunStart_ = p;
            while (recentRunStart_ > 0 && d_[recentRunStart_ - 1] == d_[p]) --recentRunStart_;
        }
        return recentRunStart_;
    }

    // The first position of the run of equal bytes holding p: a short walk back
    // for the usual short runs, the list of runs for long ones.
    int RunStart(int p) {
        if (p >= knownRunStart_ && p <= knownRunEnd_) return knownRunStart_;  // the run asked for last
        constexpr int kWalk = 256;
        int start = p;
        while (start > 0 && p - start < kWalk && d_[start - 1] == d_[p]) --start;
        if (start == 0 || d_[start - 1] != d_[p]) {
            int end = p;
            while (end + 1 < size_ && end - p < kWalk && d_[end + 1] == d_[p]) ++end;
            knownRunStart_ = start;
            knownRunEnd_ = end;
            return start;
        }
        return RunField(CurrentRun(p), 0);
    }

    struct Key {
        std::uint64_t head, tail;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const { return key.head * 0x9E3779B97F4A7C15ull ^ key.tail; }
    };
    // The left-to-right taking of one candidate string, carried forward as i grows.
    struct Replay {
        int lastTaken = -1;  // the last occurrence taken so far
        int scanned = -1;    // the last position of its chain looked at
    };

    // Replays the taking of occurrences of D[i..i+k) from the first one in the
    // record up to i - k and returns the last one taken. The replay of a string
    // is kept and resumed, so a string costs one pass over its chain per record.
    int LastTakenReplayed(int i, int k, int shift) {
        const Key key{Load64(d_ + i) & LeadingBytesMask(k),
                      (k > 8 ? Load64(d_ + i + 8) & LeadingBytesMask(k - 8) : 0) | (std::uint64_t(k) << 56)};
        Replay& replay = replays_[key];
        // Every occurrence shares the string's three bytes at `shift`, so it
        // lies `shift` bytes before a position on the chain through i + shift;
        // gather the positions not yet looked at, oldest last.
        const int limit = i - k;
        pending_.clear();
        for (int q = prev3_[i + shift]; q - shift > replay.scanned; q = prev3_[q])
            if (q - shift <= limit) pending_.push_back(q - shift);
        for (auto it = pending_.rbegin(); it != pending_.rend(); ++it) {
            const int o = *it;
            if ((replay.lastTaken < 0 || o >= replay.lastTaken + k) && Equal(o, i, k)) replay.lastTaken = o;
        }
        if (!pending_.empty()) replay.scanned = pending_.front();
        return replay.lastTaken;
    }

    int size_;
    std::vector<std::uint8_t>& text_;
    std::vector<std::uint8_t>& tables_;
    std::vector<std::int32_t>& runs_;
    std::vector<int>& pending_;
    int recentRunStart_ = 0, recentRunEnd_ = 0;
    int knownRunStart_ = 0, knownRunEnd_ = -1;
    int runCursor_ = 0;  // the run of four or more that the scan reached last
    const std::uint8_t* d_ = nullptr;
    Pos *prev3_ = nullptr, *prev4_ = nullptr;
    std::uint32_t* pairs_;
    std::uint32_t* pairLinks_;  // the stamp of each position's previous pair
    std::uint32_t base_;        // the stamp of position 0
    std::unordered_map<Key, Replay, KeyHash> replays_;
};

// Bytes that cannot stand for themselves in a compressed record: they would be
// read as a literal run count or as a back-reference or space pair.
constexpr bool NeedsEscape(std::uint8_t x) { return (x >= 0x01 && x <= 0x08) || x >= 0x80; }

}  // namespace

// The token writer. A byte that needs escaping is written as a literal run of
// one (01 x) that joins the run written just before it while that run holds
// fewer than eight bytes: the same bytes as writing all one-byte runs first and
// merging consecutive ones afterwards, in one pass.
struct TBuf::TokenWriter {
    std::uint8_t* out;
    int pos;
    int runAt;     // the count byte of the run written last
    int runCount;  // the bytes in that run, 0 when something else followed it
    bool spacePending;

    void Plain(std::uint8_t b) {
        out[pos++] = b;
        runCount = 0;
    }
    void Escaped(std::uint8_t x) {
        if (runCount > 0 && runCount < 8) {
            out[runAt] = static_cast<std::uint8_t>(++runCount);
        } else {
            runAt = pos;
            runCount = 1;
            out[pos++] = 1;
        }
        out[pos++] = x;
    }
    void FlushSpace() {
        if (spacePending) {
            Plain(0x20);
            spacePending = false;
        }
    }
    void Literal(std::uint8_t x) {
        if (spacePending) {
            spacePending = false;
            if (x >= 0x40 && x <= 0x7F) return Plain(x ^ 0x80);  // one byte for the space and the character
            Plain(0x20);
        } else if (x == 0x20) {
            spacePending = true;
            return;
        }
        if (NeedsEscape(x))
            Escaped(x);
        else
            Plain(x);
    }
    void BackReference(int distance, int length) {
        FlushSpace();
        const unsigned v = 0x8000u + static_cast<unsigned>(distance) * 8 + static_cast<unsigned>(length - 3);
        Plain(static_cast<std::uint8_t>(v >> 8));
        out[pos++] = static_cast<std::uint8_t>(v);
    }
};

TBuf::TokenWriter TBuf::Writer() {
    return TokenWriter{reinterpret_cast<std::uint8_t*>(work_.data()), workPos_, runAt_, runCount_, spacePending_};
}

void TBuf::Keep(const TokenWriter& w) {
    workPos_ = w.pos;
    runAt_ = w.runAt;
    runCount_ = w.runCount;
    spacePending_ = w.spacePending;
}

void TBuf::PutLiteral(std::uint8_t x) {
    if (work_.size() < static_cast<std::size_t>(workPos_) + 3) work_.resize(static_cast<std::size_t>(workPos_) + 64);
    TokenWriter w = Writer();
    w.Literal(x);
    Keep(w);
}

int TBuf::Compress() {
    const int size = static_cast<int>(data_.size());
    const auto* d = reinterpret_cast<const std::uint8_t*>(data_.data());
    // At most two work bytes per input byte (an escaped literal, or a space that
    // cannot pair followed by an escaped byte).
    const std::size_t workSize = std::max<std::size_t>(12288, 2 * data_.size() + 8);
    if (work_.size() < workSize) work_.resize(workSize);
    workPos_ = 0;
    runAt_ = 0;
    runCount_ = 0;
    spacePending_ = false;
    FinderScratch& scratch = ThreadScratch();
    if (size <= INT16_MAX) {
        LastOccurrenceFinder<std::int16_t> finder(d, size, scratch);
        Scan(d, size, finder);
    } else {
        LastOccurrenceFinder<std::int32_t> finder(d, size, scratch);
        Scan(d, size, finder);
    }
    scratch.Trim();
    data_.assign(work_.data(), static_cast<std::size_t>(workPos_));
    return static_cast<int>(data_.size());
}

template <typename Finder>
void TBuf::Scan(const std::uint8_t* d, int size, Finder& finder) {
    TokenWriter w = Writer();

    int i = 0;  // start of the bytes not yet encoded
    int j = 1;  // end of the candidate D[i..j)
    int m = 0;  // where the candidate was last found
    while (i != size) {
        // The candidate grows while it is found; j moves with it.
        const int k = finder.Grow(i, j - i, m);
        j = i + k;
        if (k >= 4) {
            w.BackReference(i - m, k - 1);
            i = j - 1;
            // Deep in a long run of one byte every next candidate grows to the
            // longest length and is found at the same distance: the tokens
            // repeat as long as ten more copies follow.
            if (int distance; k - 1 == kMaxLength)
                for (int n = finder.LongestInRun(i, distance); n > 0; --n) {
                    w.BackReference(distance, kMaxLength);
                    i += kMaxLength;
                }
            j = i + 1;
        } else {
            w.Literal(d[i]);
            ++i;
        }
        m = i;
        if (j < size) ++j;
    }
    w.FlushSpace();
    Keep(w);
}

}  // namespace verdane
