// The committed CP932 table and the UTF-8 conversion built on it, compared with
// glibc's iconv "CP932" over every byte pair and every BMP code point.
#include "Cp932Table.h"
#include "KanjiCode.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <cstring>
#include <map>
#include <optional>

namespace verdane {
namespace {

class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
    }
    ~Iconv() { iconv_close(cd_); }
    // The whole input converted, or nothing when iconv refuses any of it.
    std::optional<std::string> operator()(std::string_view in) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out(16, '\0');
        char* ip = const_cast<char*>(in.data());
        std::size_t il = in.size();
        char* op = out.data();
        std::size_t ol = out.size();
        if (iconv(cd_, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) || il != 0) return std::nullopt;
        out.resize(out.size() - ol);
        return out;
    }

private:
    iconv_t cd_;
};

std::string Utf8(char32_t cp) {
    std::string s;
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | cp >> 6);
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | cp >> 12);
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return s;
}

TEST(Cp932Table, DecodesEveryByteAndPairLikeIconv) {
    Iconv decode("UTF-8", "CP932");
    int compared = 0;
    for (int b = 0; b < 256; ++b) {
        if (cp932::IsLeadByte(static_cast<std::uint8_t>(b))) {
            for (int t = 0; t < 256; ++t) {
                const auto got = decode(std::string{static_cast<char>(b), static_cast<char>(t)});
                const std::uint16_t ours = cp932::DecodeDouble(static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(t));
                ASSERT_EQ(got.has_value(), ours != cp932::kNone) << std::hex << b << " " << t;
                ASSERT_EQ(got.value_or(""), got ? Utf8(ours) : "") << std::hex << b << " " << t;
                ++compared;
            }
        } else {
            const auto got = decode(std::string(1, static_cast<char>(b)));
            const std::uint16_t ours = cp932::DecodeSingle(static_cast<std::uint8_t>(b));
            ASSERT_EQ(got.has_value(), ours != cp932::kNone) << std::hex << b;
            ASSERT_EQ(got.value_or(""), got ? Utf8(ours) : "") << std::hex << b;
            ++compared;
        }
    }
    EXPECT_GT(compared, 15000);
}

// The one table holds what iconv writes, the JIS X 0208 forms of a few CP932
// characters included, but for the yen sign and the overline, which iconv
// turns into a backslash and a tilde. The UTF-8 conversion writes what the
// table holds and the conversion policy's stand-in for the rest.
TEST(Cp932Table, EncodesEveryCodePointLikeIconv) {
    Iconv encode("CP932", "UTF-8");
    std::map<unsigned, std::string> onlyIconv;
    for (char32_t cp = 1; cp < 0x10000; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        const auto got = encode(Utf8(cp));
        const int ours = cp932::Encode(cp);
        if (ours >= 0) {
            ASSERT_TRUE(got.has_value()) << std::hex << static_cast<unsigned>(cp);
            const std::string bytes = ours > 0xFF ? std::string{static_cast<char>(ours >> 8), static_cast<char>(ours)}
                                                  : std::string(1, static_cast<char>(ours));
            ASSERT_EQ(*got, bytes) << std::hex << static_cast<unsigned>(cp);
        } else if (got) {
            onlyIconv[cp] = *got;
        }
        // A byte-order mark is dropped at the start of a text.
        if (cp != 0xFEFF) {
            char standIn[kMaxWrittenBytes];
            const std::string expected = ours >= 0 ? *got
                                                   : std::string(standIn, WriteStandIn(cp, FileCode::ShiftJis,
                                                                                       Lacking::Question, standIn));
            ASSERT_EQ(Utf8ToCp932("a" + Utf8(cp)), "a" + expected) << std::hex << static_cast<unsigned>(cp);
        }
    }
    std::map<unsigned, std::string> expected = {{0x00A5, "\x5C"}, {0x203E, "\x7E"}};
    EXPECT_EQ(onlyIconv, expected);
}

}  // namespace
}  // namespace verdane
