// TAWKStr: GSub, replacement texts and the compiled-pattern cache.
#include "ERegExpParser.h"
#include "Sjis.h"
#include "TAWKStr.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

namespace verdane::regex {
namespace {

using test::Sjis;

struct GSubCase {
    std::string pattern;
    std::string replacement;
    std::string text;
    std::string expected;
    int count;
    TMatchCORE_LineSeparator separator = mcls_CRLF;
};

class GSubCases : public ::testing::TestWithParam<GSubCase> {};

TEST_P(GSubCases, ReplaceEveryMatch) {
    const GSubCase& c = GetParam();
    TAWKStr awk;
    awk.LineSeparator = c.separator;
    awk.SetRegExp(c.pattern);
    std::string text = c.text;
    EXPECT_EQ(awk.GSub(c.replacement, text), c.count) << c.pattern;
    EXPECT_EQ(text, c.expected) << c.pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, GSubCases,
    ::testing::Values(
        GSubCase{"a", "[&]", "banana", "b[a]n[a]n[a]", 3},
        // "\&" is a literal ampersand for each match.
        GSubCase{"a", "\\&", "banana", "b&n&n&", 3}, GSubCase{"a", "&", "banana", "banana", 3},
        GSubCase{"a", "\\\\&", "banana", "b&n&n&", 3}, GSubCase{"a", "\\\\", "banana", "b\\n\\n\\", 3},
        GSubCase{"a", "\\x26\\x26", "ba", "baa", 1}, GSubCase{"a", "\\q\\x41", "ba", "bqA", 1},
        GSubCase{"x*", "-", "abc", "-a-b-c", 3}, GSubCase{"^", "> ", "a\r\nb", "> a\r\n> b", 2},
        GSubCase{"$", "<", "a\r\nb", "a<\r\nb<", 2}, GSubCase{"$", "<", "a\nb", "a<\nb<", 2, mcls_LF},
        GSubCase{"x*", "-", "\r\n", "-\r\n", 1}, GSubCase{"x*", "-", "\r\n", "-\r-\n", 2, mcls_LF},
        // An empty match steps over a whole character, and a lone CR alone.
        GSubCase{"x*", "-", "\x82\xA0" "a", "-\x82\xA0-a", 2}, GSubCase{"x*", "-", "\ra", "-\r-a", 2},
        GSubCase{"x*", "-", "a\x82", "-a-\x82", 2},
        GSubCase{"b", "\\r\\n", "abc", "a\r\nc", 1}, GSubCase{"x", "y", "abc", "abc", 0},
        GSubCase{"x*", "[&]", "", "[]", 1}, GSubCase{"x", "y", "", "", 0},
        GSubCase{"^a|b$", "_", "ab\r\nab", "__\r\n__", 4},
        // Nothing after a NUL byte is searched, and nothing after it is lost.
        GSubCase{"a", "x", std::string("aa\0aa", 5), std::string("xx\0aa", 5), 2},
        GSubCase{"x*", "-", std::string("\0a", 2), std::string("-\0a", 3), 1},
        GSubCase{"(\\r\\n)(\\r\\n)+", "\\r\\n\\r\\n", "a\r\n\r\n\r\n\r\nb\r\n", "a\r\n\r\nb\r\n", 1}));

TEST(GSubJapanese, ReplacesWholeCharacters) {
    TAWKStr awk;
    awk.SetRegExp(Sjis("[ァ-ヶ]+"));
    std::string text = Sjis("ひらがなとカタカナと表ソ");
    EXPECT_EQ(awk.GSub(Sjis("「&」"), text), 2);
    EXPECT_EQ(text, Sjis("ひらがなと「カタカナ」と表「ソ」"));
    // A replacement whose trail byte is 0x5C is not a backslash escape.
    awk.SetRegExp("x");
    text = "axb";
    EXPECT_EQ(awk.GSub(Sjis("表&"), text), 1);
    EXPECT_EQ(text, Sjis("a表xb"));
}

TEST(GSubErrors, ATrailingBackslashRaisesAndLeavesTheText) {
    TAWKStr awk;
    awk.SetRegExp("a");
    std::string text = "banana";
    try {
        awk.GSub("x\\", text);
        FAIL();
    } catch (const ERegExpParser& e) {
        EXPECT_STREQ(e.what(), "\"\\\"の次には文字が必要です。");
    }
    EXPECT_EQ(text, "banana");
    EXPECT_THROW(awk.GSub("\\xq", text), ERegExpParser);
    EXPECT_EQ(text, "banana");
}

TEST(GSubErrors, AReplacementIsOnlyReadWhenThereIsAMatchToReplace) {
    TAWKStr awk;
    awk.SetRegExp("x");
    for (const char* replacement : {"x\\", "\\xq", "\\x"}) {
        std::string text = "banana";
        EXPECT_EQ(awk.GSub(replacement, text), 0) << replacement;
        EXPECT_EQ(text, "banana");
    }
}

TEST(ExpandReplacement, FollowsTheAmpersandAndBackslashRules) {
    EXPECT_EQ(TAWKStr::ExpandReplacement("[&]", "m"), "[m]");
    EXPECT_EQ(TAWKStr::ExpandReplacement("\\&", "m"), "&");
    EXPECT_EQ(TAWKStr::ExpandReplacement("\\\\&", "m"), "&");
    EXPECT_EQ(TAWKStr::ExpandReplacement("\\\\", "m"), "\\");
    EXPECT_EQ(TAWKStr::ExpandReplacement("\\x26", "m"), "m");
    EXPECT_EQ(TAWKStr::ExpandReplacement("\\t\\b\\n\\r", "m"), "\t\b\n\r");
    EXPECT_EQ(TAWKStr::ExpandReplacement("\\x82a0", "m"), Sjis("あ"));
    EXPECT_EQ(TAWKStr::DecodeEscapes("a\\x41\\102\\\\"), "aAB\\");
}

TEST(CompiledPatternCache, KeepsThe29LatestPatternsBesideTheEmptyOne) {
    TAWKStr awk;
    const std::size_t compiledAtStart = awk.CompileCount();
    for (int i = 1; i <= 29; ++i) awk.SetRegExp("P" + std::to_string(i));
    auto cached = awk.CachedPatterns();
    ASSERT_EQ(cached.size(), 30u);
    EXPECT_EQ(cached[0], "");
    EXPECT_EQ(cached[1], "P29");
    EXPECT_EQ(cached[29], "P1");
    awk.SetRegExp("P30");
    cached = awk.CachedPatterns();
    EXPECT_EQ(cached.size(), 30u);
    EXPECT_EQ(cached[1], "P30");
    EXPECT_EQ(std::count(cached.begin(), cached.end(), "P1"), 0);
    // Found again: not compiled, not moved.
    const std::size_t compiled = awk.CompileCount();
    awk.SetRegExp("P2");
    EXPECT_EQ(awk.CompileCount(), compiled);
    EXPECT_EQ(awk.CachedPatterns()[29], "P2");
    EXPECT_EQ(awk.RegExp(), "P2");
    EXPECT_EQ(compiled - compiledAtStart, 30u);
}

TEST(CompiledPatternCache, AFailedSetLeavesTheEmptyPatternAndTheCacheIntact) {
    TAWKStr awk;
    awk.SetRegExp("b+");
    EXPECT_THROW(awk.SetRegExp("(b"), ERegExpParser);
    EXPECT_EQ(awk.RegExp(), "");
    EXPECT_EQ(awk.CachedPatterns(), (std::vector<std::string>{"", "b+"}));
    long long start = 0, length = 0;
    EXPECT_EQ(awk.Match("abc", start, length), 1);
    EXPECT_EQ(length, 0);
}

TEST(CompiledPatternCache, IsKeyedByThePreprocessedPattern) {
    TAWKStr awk;
    awk.SetRegExp("a");
    awk.SetUseFuzzyCharDic(true);
    auto cached = awk.CachedPatterns();
    ASSERT_EQ(cached.size(), 3u);
    EXPECT_EQ(cached[1], Sjis("(Ａ|ａ|A|a)"));
    EXPECT_EQ(awk.RegExp(), "a");
}

}  // namespace
}  // namespace verdane::regex

namespace verdane::regex {
namespace {

// A text of more than 2^31 bytes that costs a few megabytes: one memory file of
// 'a' mapped again and again, and a last piece that ends in "b".
class HugeText {
public:
    explicit HugeText(std::size_t pieces) {
        const int fill = ::memfd_create("verdane-fill", MFD_CLOEXEC), last = ::memfd_create("verdane-last", MFD_CLOEXEC);
        std::string bytes(kPiece, 'a');
        if (fill < 0 || last < 0 || ::write(fill, bytes.data(), kPiece) != static_cast<ssize_t>(kPiece)) return;
        bytes.back() = 'b';
        if (::write(last, bytes.data(), kPiece) != static_cast<ssize_t>(kPiece)) return;
        size_ = pieces * kPiece;
        void* base = ::mmap(nullptr, size_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (base == MAP_FAILED) {
            size_ = 0;
            return;
        }
        data_ = static_cast<char*>(base);
        for (std::size_t i = 0; i < pieces; ++i)
            if (::mmap(data_ + i * kPiece, kPiece, PROT_READ, MAP_SHARED | MAP_FIXED, i + 1 < pieces ? fill : last, 0) ==
                MAP_FAILED)
                size_ = 0;
        ::close(fill);
        ::close(last);
    }
    ~HugeText() {
        if (data_) ::munmap(data_, size_ ? size_ : 0);
    }
    std::string_view View() const { return {data_, size_}; }

private:
    static constexpr std::size_t kPiece = std::size_t{4} << 20;
    char* data_ = nullptr;
    std::size_t size_ = 0;
};

TEST(Match, PositionsBeyondTwoGigabytesAreExact) {
    HugeText text(600);  // 2,516,582,400 bytes
    if (text.View().empty()) GTEST_SKIP() << "no room to map a text of 2.5 GB here";
    TAWKStr awk;
    awk.SetRegExp("b");
    long long start = 0, length = 0;
    EXPECT_EQ(awk.Match(text.View(), start, length), 2516582400LL);
    EXPECT_EQ(start, 2516582400LL);
    EXPECT_EQ(length, 1);
}

}  // namespace
}  // namespace verdane::regex
