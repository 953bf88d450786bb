// The committed JIS X 0213 table compared with glibc's iconv "EUC-JISX0213" at
// every plane, row and cell: the same character, or, at a place JIS X 0208
// defines, the one CP932 reads from the same Shift-JIS bytes.
#include "Cp932Table.h"
#include "JisX0213Table.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace verdane {
namespace {

// The code points iconv reads from EUC-JISX0213 bytes, or nothing when it refuses them.
class EucJisX0213 {
public:
    EucJisX0213() : cd_(iconv_open("UTF-32LE", "EUC-JISX0213")) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
    }
    ~EucJisX0213() { iconv_close(cd_); }
    std::optional<std::vector<char32_t>> operator()(std::string in) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char32_t out[4] = {};
        char* ip = in.data();
        std::size_t il = in.size();
        char* op = reinterpret_cast<char*>(out);
        std::size_t ol = sizeof out;
        if (iconv(cd_, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) || il != 0) return std::nullopt;
        // A character made of two code points waits in iconv until the end.
        iconv(cd_, nullptr, nullptr, &op, &ol);
        return std::vector<char32_t>(out, out + (sizeof out - ol) / sizeof(char32_t));
    }

private:
    iconv_t cd_;
};

// The Shift-JIS bytes of a plane-1 place, by the JIS X 0208 arithmetic.
char32_t Cp932AtPlace(int row, int cell) {
    const int a = row + 0x20, b = cell + 0x20;
    const int lead = (a + 1) / 2 + (a <= 0x5E ? 0x70 : 0xB0);
    const int trail = a % 2 == 0 ? b + 0x7E : b + (b <= 0x5F ? 0x1F : 0x20);
    return cp932::DecodeDouble(static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail));
}

TEST(JisX0213Table, EveryPlaceAsIconvReadsIt) {
    EucJisX0213 decode;
    int compared = 0, cp932Spelling = 0;
    for (int plane = 1; plane <= 2; ++plane) {
        for (int row = 1; row <= 94; ++row) {
            for (int cell = 1; cell <= 94; ++cell) {
                std::string bytes;
                if (plane == 2) bytes += '\x8F';
                bytes += static_cast<char>(0xA0 + row);
                bytes += static_cast<char>(0xA0 + cell);
                const char32_t ours = jisx0213::ToUnicode(plane, row, cell);
                const auto theirs = decode(bytes);
                if (!theirs || theirs->size() != 1) {
                    // An empty place, or a kana with a combining mark: no one code point.
                    EXPECT_EQ(ours, 0u) << plane << "-" << row << "-" << cell;
                    continue;
                }
                ++compared;
                if (ours == theirs->front()) continue;
                ++cp932Spelling;
                EXPECT_EQ(plane, 1) << row << "-" << cell;
                EXPECT_EQ(ours, Cp932AtPlace(row, cell)) << plane << "-" << row << "-" << cell;
            }
        }
    }
    EXPECT_GT(compared, 11000);
    // WAVE DASH, DOUBLE VERTICAL LINE, MINUS SIGN and the like: a handful.
    EXPECT_GT(cp932Spelling, 0);
    EXPECT_LT(cp932Spelling, 20);
    EXPECT_EQ(jisx0213::ToUnicode(1, 1, 33), U'\uFF5E');  // 〜 as CP932 holds it
    EXPECT_EQ(jisx0213::ToUnicode(1, 85, 56), U'\u67BB');
    EXPECT_EQ(jisx0213::ToUnicode(3, 1, 1), 0u);
    EXPECT_EQ(jisx0213::ToUnicode(1, 0, 1), 0u);
    EXPECT_EQ(jisx0213::ToUnicode(1, 1, 95), 0u);
}

}  // namespace
}  // namespace verdane
