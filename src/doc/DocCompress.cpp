// TBuf::Compress: the DOC writer's greedy scan, made fast.
//
// The scan keeps a candidate D[i..j) that grows by one byte while it is found in
// the bytes before i, and asks each time for its "last occurrence": occurrences
// are taken from the left, each one starting at or after the end of the previous
// one taken (so in "aaa" the string "aa" is found at 0 only), and the last one
// taken is the answer. A candidate found more than 2047 bytes back ends the
// growth. Scanning the whole prefix for every candidate is quadratic; here the
// answer comes from chains of earlier positions that share the candidate's first
// two or three bytes, walked backwards from i:
//
//  * the newest occurrence p at or before i - k (k the candidate's length) that
//    lies within reach is found by walking the chain; when the candidate grows by
//    a byte at the same i, the walk goes on from p, since a longer string's
//    occurrences are among the shorter one's;
//  * if the candidate cannot overlap itself (no proper prefix equals a suffix),
//    no two occurrences overlap, every occurrence is taken, and p is the answer;
//  * otherwise the left-to-right taking decides: for a run of one byte the taken
//    occurrences are the run's start plus multiples of k; for other periodic
//    candidates (e.g. "ababa") the taking is replayed from the first occurrence
//    in the record, and remembered per candidate string, because the scan asks
//    for the same string again at growing i.
//
// tests/doc holds the plain whole-prefix scan, and the tests compare the two
// on many texts.
#include "DocBuffer.h"

#include <algorithm>
#include <bit>
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

// A mask selecting the first `bytes` bytes (0 to 8) of a word loaded by Load64.
std::uint64_t LeadingBytesMask(int bytes) {
    if (bytes >= 8) return ~std::uint64_t{0};
    const std::uint64_t low = (std::uint64_t{1} << (8 * bytes)) - 1;
    if constexpr (std::endian::native == std::endian::little) return low;
    return ~(~std::uint64_t{0} >> (8 * bytes));
}

class LastOccurrenceFinder {
public:
    LastOccurrenceFinder(const std::uint8_t* data, int size) : size_(size) {
        text_.assign(data, data + size);
        text_.resize(static_cast<std::size_t>(size) + kPadding, 0);
        d_ = text_.data();
        BuildChains();
    }

    // The answer for the candidate D[i..i+k) (1 <= k <= 10, i + k < size), or -1
    // when it has no occurrence before i or the last one lies more than 2047
    // bytes back.
    int Find(int i, int k) {
        if (k == 1) return FindByte(i);
        const int lowest = std::max(0, i - kMaxDistance);
        const bool goOn = k >= 4 && i == walkI_ && k == walkK_ + 1 && walkP_ >= 0;
        const int* prev = k == 2 ? prev2_.data() : prev3_.data();
        int p = goOn ? walkP_ : prev[i];
        while (p >= lowest && !(p <= i - k && Equal(p, i, k))) p = prev[p];
        walkI_ = i;
        walkK_ = k;
        walkP_ = p;
        if (p < lowest) return -1;
        if (!OverlapsItself(i, k)) return p;
        const int taken = AllSameByte(i, k) ? LastTakenInRun(p, k) : LastTakenReplayed(i, k);
        return taken >= lowest ? taken : -1;
    }

private:
    static unsigned Hash(std::uint32_t v, int bits) { return (v * 0x9E3779B1u) >> (32 - bits); }

    void BuildChains() {
        int bits = 8;
        while (bits < 16 && (1 << bits) < size_) ++bits;
        std::vector<int> head2(std::size_t{1} << bits, -1);
        std::vector<int> head3(std::size_t{1} << bits, -1);
        prev2_.assign(static_cast<std::size_t>(std::max(size_, 1)), -1);
        prev3_.assign(static_cast<std::size_t>(std::max(size_, 1)), -1);
        for (int p = 0; p + 2 <= size_; ++p) {
            const std::uint32_t two = d_[p] | (std::uint32_t{d_[p + 1]} << 8);
            int& h2 = head2[Hash(two | 0x1000000u, bits)];
            prev2_[p] = h2;
            h2 = p;
            if (p + 3 <= size_) {
                int& h3 = head3[Hash(two | (std::uint32_t{d_[p + 2]} << 16), bits)];
                prev3_[p] = h3;
                h3 = p;
            }
        }
    }

    bool Equal(int p, int i, int k) const {
        const std::uint64_t first = Load64(d_ + p) ^ Load64(d_ + i);
        if (k <= 8) return (first & LeadingBytesMask(k)) == 0;
        return first == 0 && ((Load64(d_ + p + 8) ^ Load64(d_ + i + 8)) & LeadingBytesMask(k - 8)) == 0;
    }

    // A one-byte string never overlaps itself: the answer is its newest occurrence.
    int FindByte(int i) const {
        const void* hit = ::memrchr(d_, d_[i], static_cast<std::size_t>(i));
        if (!hit) return -1;
        const int p = static_cast<int>(static_cast<const std::uint8_t*>(hit) - d_);
        return i - p <= kMaxDistance ? p : -1;
    }

    // True when some proper prefix of D[i..i+k) equals its suffix, so that two
    // occurrences can overlap.
    bool OverlapsItself(int i, int k) const {
        for (int shift = 1; shift < k; ++shift)
            if (d_[i + shift] == d_[i] && Equal(i, i + shift, k - shift)) return true;
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
        if (runStart_.empty()) {
            runStart_.resize(static_cast<std::size_t>(size_));
            for (int t = 0; t < size_; ++t) runStart_[t] = t > 0 && d_[t] == d_[t - 1] ? runStart_[t - 1] : t;
        }
        const int start = runStart_[p];
        return start + (p - start) / k * k;
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
        int next = -1;       // the next position of its chain not yet looked at
    };

    // Replays the taking of occurrences of D[i..i+k) from the first one in the
    // record up to i - k and returns the last one taken. The replay of a string
    // is kept and resumed, so a string costs one pass over its chain per record.
    int LastTakenReplayed(int i, int k) {
        if (next3_.empty()) {
            next3_.assign(prev3_.size(), -1);
            for (int p = 0; p < size_; ++p)
                if (prev3_[p] >= 0) next3_[prev3_[p]] = p;
        }
        const Key key{Load64(d_ + i) & LeadingBytesMask(k),
                      (k > 8 ? Load64(d_ + i + 8) & LeadingBytesMask(k - 8) : 0) | (std::uint64_t(k) << 56)};
        auto [it, isNew] = replays_.try_emplace(key);
        Replay& replay = it->second;
        if (isNew) {
            int first = i;
            while (prev3_[first] >= 0) first = prev3_[first];
            replay.next = first;
        }
        const int limit = i - k;
        int o = replay.next;
        while (o >= 0 && o <= limit) {
            if ((replay.lastTaken < 0 || o >= replay.lastTaken + k) && Equal(o, i, k)) replay.lastTaken = o;
            o = next3_[o];
        }
        replay.next = o;
        return replay.lastTaken;
    }

    int size_;
    std::vector<std::uint8_t> text_;
    const std::uint8_t* d_ = nullptr;
    std::vector<int> prev2_, prev3_, next3_, runStart_;
    std::unordered_map<Key, Replay, KeyHash> replays_;
    int walkI_ = -1, walkK_ = 0, walkP_ = -1;
};

}  // namespace

int TBuf::Compress() {
    const int size = static_cast<int>(data_.size());
    const auto* d = reinterpret_cast<const std::uint8_t*>(data_.data());
    // At most two work bytes per input byte (an escaped literal, or a space that
    // cannot pair followed by an escaped byte).
    work_.assign(std::max<std::size_t>(12288, 2 * data_.size() + 8), '\0');
    workPos_ = 0;
    spacePending_ = false;
    LastOccurrenceFinder finder(d, size);

    int i = 0;  // start of the bytes not yet encoded
    int j = 1;  // end of the candidate D[i..j)
    int m = 0;  // where the candidate was last found
    while (i != size) {
        int found = -1;
        if (j - i <= kMaxLength && j != size) found = finder.Find(i, j - i);
        if (found < 0) {
            if (j - i >= 4) {
                const int length = j - i - 1;
                const int distance = i - m;
                if (spacePending_) {
                    PutWork(0x20);
                    spacePending_ = false;
                }
                const unsigned v = 0x8000u + static_cast<unsigned>(distance) * 8 + static_cast<unsigned>(length - 3);
                PutWork(static_cast<std::uint8_t>(v >> 8));
                PutWork(static_cast<std::uint8_t>(v));
                i = j - 1;
            } else {
                PutLiteral(d[i]);
                ++i;
            }
            m = i;
        } else {
            m = found;
        }
        if (j < size) ++j;
    }
    if (spacePending_) {
        PutWork(0x20);
        spacePending_ = false;
    }
    MergeLiteralRuns();
    return static_cast<int>(data_.size());
}

}  // namespace verdane
