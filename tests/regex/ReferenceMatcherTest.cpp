// Match and GSub against an obviously correct reference: random patterns are
// generated as syntax trees, written out as pattern text for TAWKStr, and
// evaluated directly on the tree by trying every start and collecting every end.
#include "Sjis.h"
#include "TAWKStr.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <set>

namespace verdane::regex {
namespace {

using test::Sjis;
using Ranges = std::vector<std::pair<std::uint16_t, std::uint16_t>>;

// ---- The reference ---------------------------------------------------------

struct Node {
    enum Kind { Chars, Empty, Cat, Alt, Star, Plus, Opt } kind = Empty;
    Ranges ranges;  // Chars: the characters it matches
    std::string written;
    std::vector<Node> kids;
};

struct Alternative {
    bool head = false;  // "^" in front
    Node body;
    bool tail = false;  // "$" behind
};

struct Char {
    std::uint16_t code;
    std::size_t pos;  // byte offset
};

// The text as the characters the engine reads: whole double-byte characters, a
// final lead byte alone, nothing from the first NUL on.
std::vector<Char> Decode(const std::string& text) {
    std::vector<Char> chars;
    std::size_t end = text.find('\0');
    if (end == std::string::npos) end = text.size();
    for (std::size_t i = 0; i < end;) {
        auto b = static_cast<unsigned char>(text[i]);
        bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        if (lead && i + 1 < end) {
            chars.push_back({static_cast<std::uint16_t>(b << 8 | static_cast<unsigned char>(text[i + 1])), i});
            i += 2;
        } else {
            chars.push_back({b, i});
            ++i;
        }
    }
    return chars;
}

bool InRanges(const Ranges& ranges, std::uint16_t code) {
    for (auto [from, to] : ranges)
        if (code >= from && code <= to) return true;
    return false;
}

std::set<std::size_t> Ends(const Node& node, const std::vector<Char>& text, std::size_t i) {
    switch (node.kind) {
    case Node::Chars:
        if (i < text.size() && InRanges(node.ranges, text[i].code)) return {i + 1};
        return {};
    case Node::Empty:
        return {i};
    case Node::Cat: {
        std::set<std::size_t> at{i};
        for (const Node& kid : node.kids) {
            std::set<std::size_t> next;
            for (std::size_t j : at)
                for (std::size_t e : Ends(kid, text, j)) next.insert(e);
            at = std::move(next);
        }
        return at;
    }
    case Node::Alt: {
        std::set<std::size_t> all;
        for (const Node& kid : node.kids)
            for (std::size_t e : Ends(kid, text, i)) all.insert(e);
        return all;
    }
    case Node::Star:
    case Node::Plus: {
        std::set<std::size_t> reached;
        std::vector<std::size_t> todo;
        if (node.kind == Node::Star) reached.insert(i);
        for (std::size_t e : Ends(node.kids[0], text, i))
            if (reached.insert(e).second || node.kind == Node::Plus) todo.push_back(e);
        while (!todo.empty()) {
            std::size_t j = todo.back();
            todo.pop_back();
            for (std::size_t e : Ends(node.kids[0], text, j))
                if (reached.insert(e).second) todo.push_back(e);
        }
        return reached;
    }
    case Node::Opt: {
        std::set<std::size_t> all = Ends(node.kids[0], text, i);
        all.insert(i);
        return all;
    }
    }
    return {};
}

struct RefMatch {
    std::size_t start, end;  // byte offsets
};

// The leftmost start from character `from` on, and the longest match there.
std::optional<RefMatch> RefFind(const std::vector<Alternative>& pattern, const std::vector<Char>& text,
                                std::size_t textEnd, std::size_t from, std::uint16_t separator) {
    auto bytePos = [&](std::size_t i) { return i < text.size() ? text[i].pos : textEnd; };
    for (std::size_t i = from; i <= text.size(); ++i) {
        std::optional<std::size_t> best;
        for (const Alternative& alt : pattern) {
            if (alt.head && i != 0 && text[i - 1].code != '\n') continue;
            for (std::size_t e : Ends(alt.body, text, i)) {
                if (alt.tail && e != text.size() && text[e].code != separator) continue;
                if (!best || e > *best) best = e;
            }
        }
        if (best) return RefMatch{bytePos(i), bytePos(*best)};
    }
    return std::nullopt;
}

int RefGSub(const std::vector<Alternative>& pattern, const std::string& replacement, std::string& text,
            TMatchCORE_LineSeparator separator) {
    const std::vector<Char> chars = Decode(text);
    std::size_t end = text.find('\0');
    if (end == std::string::npos) end = text.size();
    const std::uint16_t sep = separator == mcls_LF ? '\n' : '\r';
    auto charIndex = [&](std::size_t pos) {
        std::size_t i = 0;
        while (i < chars.size() && chars[i].pos < pos) ++i;
        return i;
    };
    auto match = RefFind(pattern, chars, end, 0, sep);
    if (!match) return 0;
    if (end == 0) {
        text.insert(0, TAWKStr::ExpandReplacement(replacement, ""));
        return 1;
    }
    std::string out;
    std::size_t rest = 0;
    int count = 0;
    while (match) {
        out += text.substr(rest, match->start - rest);
        out += TAWKStr::ExpandReplacement(replacement, text.substr(match->start, match->end - match->start));
        std::size_t e = match->end;
        if (match->start == e && e < end) {
            std::size_t i = charIndex(e);
            std::size_t next = i + 1 < chars.size() ? chars[i + 1].pos : end;
            if (separator == mcls_CRLF && text[e] == '\r' && e + 1 < end && text[e + 1] == '\n') next = e + 2;
            out += text.substr(e, next - e);
            e = next;
        }
        ++count;
        rest = e;
        if (rest >= end) break;
        match = RefFind(pattern, chars, end, charIndex(rest), sep);
    }
    out += text.substr(rest);
    text = out;
    return count;
}

// ---- Generation --------------------------------------------------------------

struct Atom {
    std::string written;  // UTF-8, converted with Sjis()
    Ranges ranges;
};

const Ranges kAny = {{1, 9}, {11, 12}, {14, 0xFCFC}};

Ranges Minus(const Ranges& from, std::vector<std::uint16_t> codes) {
    Ranges out;
    for (auto [lo, hi] : from) {
        std::uint32_t next = lo;
        std::sort(codes.begin(), codes.end());
        for (auto c : codes) {
            if (c < next || c > hi) continue;
            if (c > next) out.emplace_back(static_cast<std::uint16_t>(next), c - 1);
            next = c + 1u;
        }
        if (next <= hi) out.emplace_back(static_cast<std::uint16_t>(next), hi);
    }
    return out;
}

const std::vector<Atom>& Atoms() {
    static const std::vector<Atom> atoms = {
        {"a", {{'a', 'a'}}},
        {"b", {{'b', 'b'}}},
        {"c", {{'c', 'c'}}},
        {" ", {{' ', ' '}}},
        {"A", {{'A', 'A'}}},
        {"\\x0041", {{'A', 'A'}}},
        {"\\r", {{'\r', '\r'}}},
        {"\\n", {{'\n', '\n'}}},
        {"あ", {{0x82A0, 0x82A0}}},
        {"ア", {{0x8341, 0x8341}}},
        {"表", {{0x955C, 0x955C}}},
        {".", kAny},
        {"[ab]", {{'a', 'b'}}},
        {"[a-c]", {{'a', 'c'}}},
        {"[ぁ-ん]", {{0x829F, 0x82F1}}},
        {"[^a]", Minus(kAny, {'a'})},
        {"[^\\r\\n a]", Minus(kAny, {'a', ' '})},
        {"[^あ]", Minus(kAny, {0x82A0})},
        {"\\0", {}},                 // code 0 is the end of a text, never a character
        {"[^\\x01-\\xFFFF]", {}},    // excludes everything
        {"[\\x00-b]", {{1, 'b'}}},
    };
    return atoms;
}

class Generator {
public:
    explicit Generator(unsigned seed) : rng_(seed) {}

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    Node Make(int depth) {
        int choice = depth <= 0 ? 0 : Pick(10);
        Node node;
        if (choice <= 3) {
            const Atom& atom = Atoms()[Pick(static_cast<int>(Atoms().size()))];
            node.kind = Node::Chars;
            node.ranges = atom.ranges;
            node.written = Sjis(atom.written);
            return node;
        }
        if (choice == 4) {
            node.kind = Node::Empty;
            node.written = "()";
            return node;
        }
        if (choice <= 6) {
            node.kind = Node::Cat;
            int n = 2 + Pick(2);
            for (int i = 0; i < n; ++i) node.kids.push_back(Make(depth - 1));
            for (const Node& kid : node.kids) node.written += kid.kind == Node::Alt ? "(" + kid.written + ")" : kid.written;
            return node;
        }
        if (choice == 7) {
            node.kind = Node::Alt;
            node.kids = {Make(depth - 1), Make(depth - 1)};
            node.written = node.kids[0].written + "|" + node.kids[1].written;
            return node;
        }
        static const Node::Kind kinds[] = {Node::Star, Node::Plus, Node::Opt};
        node.kind = kinds[Pick(3)];
        node.kids = {Make(depth - 1)};
        const Node& kid = node.kids[0];
        std::string operand = kid.kind == Node::Chars || kid.kind == Node::Empty ? kid.written : "(" + kid.written + ")";
        node.written = operand + (node.kind == Node::Star ? "*" : node.kind == Node::Plus ? "+" : "?");
        return node;
    }

    std::vector<Alternative> Pattern(std::string& written) {
        std::vector<Alternative> pattern;
        int alternatives = 1 + (Pick(4) == 0 ? 1 : 0);
        written.clear();
        for (int a = 0; a < alternatives; ++a) {
            Alternative alt;
            alt.head = Pick(4) == 0;
            alt.tail = Pick(4) == 0;
            alt.body = Make(Pick(4));
            if (a) written += "|";
            if (alt.head) written += "^";
            written += alt.body.kind == Node::Alt ? "(" + alt.body.written + ")" : alt.body.written;
            if (alt.tail) written += "$";
            pattern.push_back(std::move(alt));
        }
        return pattern;
    }

    std::string Text() {
        static const char* const pieces[] = {"a", "b", "c", " ", "A", "\r", "\n", "\r\n", "あ", "ア", "表", "x"};
        std::string text;
        int n = Pick(11);
        for (int i = 0; i < n; ++i) text += Sjis(pieces[Pick(12)]);
        if (Pick(8) == 0) text += '\x82';  // a lead byte without its trail byte
        if (Pick(12) == 0) text += std::string("\0a", 2);
        return text;
    }

private:
    std::mt19937 rng_;
};

// Run once as searches usually run, once with every run sharing what it
// learns about failing (state, position) pairs from its first step, and once
// more so with a memo window of a few positions, so that most records are the
// sparse ones beyond it.
struct MemoSetting {
    const char* name;
    int afterSteps;
    std::size_t window;
    std::size_t stride;
};

class ReferenceMatcher : public ::testing::TestWithParam<MemoSetting> {
protected:
    void SetUp() override {
        savedSteps_ = TMatchCORE::memoAfterSteps;
        savedWindow_ = TMatchCORE::memoWindow;
        savedStride_ = TMatchCORE::memoSparseStride;
        TMatchCORE::memoAfterSteps = GetParam().afterSteps;
        TMatchCORE::memoWindow = GetParam().window;
        TMatchCORE::memoSparseStride = GetParam().stride;
    }
    void TearDown() override {
        TMatchCORE::memoAfterSteps = savedSteps_;
        TMatchCORE::memoWindow = savedWindow_;
        TMatchCORE::memoSparseStride = savedStride_;
    }

private:
    int savedSteps_ = 0;
    std::size_t savedWindow_ = 0, savedStride_ = 0;
};

TEST_P(ReferenceMatcher, MatchAndGSubAgreeWithTheReferenceOnGeneratedInput) {
    constexpr int kRounds = 6000;
    Generator gen(20261207 + GetParam().afterSteps + static_cast<unsigned>(GetParam().window));
    TAWKStr awk;
    int compared = 0;
    for (int round = 0; round < kRounds; ++round) {
        std::string written;
        std::vector<Alternative> pattern = gen.Pattern(written);
        ASSERT_NO_THROW(awk.SetRegExp(written)) << written;
        for (auto separator : {mcls_CRLF, mcls_LF}) {
            awk.LineSeparator = separator;
            for (int t = 0; t < 6; ++t) {
                std::string text = gen.Text();
                std::vector<Char> chars = Decode(text);
                std::size_t end = text.find('\0');
                if (end == std::string::npos) end = text.size();
                auto expected = RefFind(pattern, chars, end, 0, separator == mcls_LF ? '\n' : '\r');
                long long start = -1, length = -1;
                awk.Match(text, start, length);
                if (expected) {
                    ASSERT_EQ(start, static_cast<int>(expected->start + 1)) << written << " on " << ::testing::PrintToString(text);
                    ASSERT_EQ(length, static_cast<int>(expected->end - expected->start)) << written << " on " << ::testing::PrintToString(text);
                } else {
                    ASSERT_EQ(start, 0) << written << " on " << ::testing::PrintToString(text);
                    ASSERT_EQ(length, 0);
                }
                std::string replacement = gen.Pick(2) ? "<&>" : "\\&-";
                std::string mine = text, theirs = text;
                long long count = awk.GSub(replacement, mine);
                int refCount = RefGSub(pattern, replacement, theirs, separator);
                ASSERT_EQ(count, refCount) << written << " on " << ::testing::PrintToString(text);
                ASSERT_EQ(mine, theirs) << written << " on " << ::testing::PrintToString(text);
                ++compared;
            }
        }
    }
    EXPECT_EQ(compared, kRounds * 2 * 6);
}

INSTANTIATE_TEST_SUITE_P(Memo, ReferenceMatcher,
                         ::testing::Values(MemoSetting{"Usual", 256, std::size_t{1} << 20, 16},
                                           MemoSetting{"FromTheFirstStep", 0, std::size_t{1} << 20, 16},
                                           MemoSetting{"WindowOfThreeEverySecondBeyond", 0, 3, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace verdane::regex
