// The DOC compressor written the plain way: every candidate is searched in the
// whole prefix from the left, occurrence after non-overlapping occurrence. It is
// slow and obviously faithful to the scan; the tests compare TBuf::Compress with
// it, and bench/doc measures both.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace verdane::reference {

// The start of the last of the occurrences of `c` taken from the left without
// overlap in `prefix`, or -1.
inline long LastOccurrence(std::string_view c, std::string_view prefix) {
    long last = -1;
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = prefix.find(c, from);
        if (at == std::string_view::npos) return last;
        last = static_cast<long>(at);
        from = at + c.size();
    }
}

inline std::string Compress(std::string_view data) {
    std::string work;
    bool spacePending = false;
    auto put = [&](unsigned b) { work += static_cast<char>(b); };
    auto putLiteral = [&](std::uint8_t x) {
        const bool escape = (x >= 1 && x <= 8) || x >= 0x80;
        if (spacePending) {
            spacePending = false;
            if (x >= 0x40 && x <= 0x7F) return put(x ^ 0x80);
            put(0x20);
        } else if (x == 0x20) {
            spacePending = true;
            return;
        }
        if (escape) put(0x01);
        put(x);
    };

    const long size = static_cast<long>(data.size());
    long i = 0, j = 1, m = 0;
    while (i != size) {
        const long b = LastOccurrence(data.substr(i, j - i), data.substr(0, i));
        if (b < 0 || i - b > 2047 || j - i > 10 || j == size) {
            if (j - i >= 4) {
                const long n = j - i - 1, d = i - m;
                if (spacePending) {
                    put(0x20);
                    spacePending = false;
                }
                const unsigned v = 0x8000 + d * 8 + (n - 3);
                put(v >> 8);
                put(v & 0xFF);
                i = j - 1;
            } else {
                putLiteral(static_cast<std::uint8_t>(data[i]));
                ++i;
            }
            m = i;
        } else {
            m = b;
        }
        if (j < size) ++j;
    }
    if (spacePending) put(0x20);

    std::string merged;
    for (std::size_t k = 0; k < work.size();) {
        const auto c = static_cast<std::uint8_t>(work[k]);
        if (c >= 0x80 && c <= 0xBF) {
            merged += work.substr(k, 2);
            k += 2;
        } else if (c == 0x01) {
            std::string run(1, work[k + 1]);
            k += 2;
            while (k < work.size() && work[k] == 0x01 && run.size() < 8) {
                run += work[k + 1];
                k += 2;
            }
            merged += static_cast<char>(run.size());
            merged += run;
        } else {
            merged += work[k++];
        }
    }
    return merged;
}

}  // namespace verdane::reference
