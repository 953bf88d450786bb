// The editor's line ends: the whole-text conversion, the in-place form, and the
// joiner that builds a downloaded page from its blocks.
#include "LargeBuffer.h"
#include "TextBytes.h"

#include <gtest/gtest.h>

#include <random>

namespace verdane {
namespace {

// The rule written byte by byte: CR LF, lone CR and lone LF each become CR LF.
std::string PlainLineEnds(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\r\n";
        } else if (text[i] == '\n') {
            out += "\r\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string RandomLines(std::mt19937& rng, std::size_t size) {
    static const char kBytes[] = {'\r', '\n', 'a', ' ', '\x82', '\xA0'};
    std::string text;
    while (text.size() < size) text += kBytes[rng() % sizeof kBytes];
    return text;
}

TEST(EditorLineEnds, EveryKindOfLineEndBecomesCrLf) {
    const struct {
        std::string in, out;
    } cases[] = {{"", ""},           {"a", "a"},           {"a\n", "a\r\n"},         {"a\r", "a\r\n"},
                 {"a\r\n", "a\r\n"}, {"\n\r", "\r\n\r\n"}, {"\r\r\n\n", "\r\n\r\n\r\n"}, {"x\ry\nz", "x\r\ny\r\nz"}};
    for (const auto& c : cases) {
        EXPECT_EQ(EditorLineEnds(c.in), c.out);
        std::string inPlace = c.in;
        ToEditorLineEnds(inPlace);
        EXPECT_EQ(inPlace, c.out);
        EXPECT_EQ(HasEditorLineEnds(c.in), c.in == c.out);
    }
}

TEST(EditorLineEnds, EqualsThePlainRuleOnRandomTexts) {
    std::mt19937 rng(5);
    for (int round = 0; round < 500; ++round) {
        const std::string text = RandomLines(rng, rng() % 300);
        ASSERT_EQ(EditorLineEnds(text), PlainLineEnds(text));
        std::string inPlace = text;
        ToEditorLineEnds(inPlace);
        ASSERT_EQ(inPlace, PlainLineEnds(text));
        // With room in its buffer the text grows there, lines moved from the end.
        std::string roomy;
        roomy.reserve(2 * text.size() + 1);
        roomy = text;
        const char* buffer = roomy.data();
        ToEditorLineEnds(roomy);
        ASSERT_EQ(roomy, PlainLineEnds(text));
        EXPECT_EQ(roomy.data(), buffer);
    }
}

TEST(ReserveLarge, KeepsTheBytesAndGivesTheRoom) {
    for (const std::size_t capacity : {0u, 10u, 5000u, 4u << 20, 9u << 20}) {
        std::string text = "kept bytes \x82\xA0";
        ReserveLarge(text, capacity);
        EXPECT_EQ(text, "kept bytes \x82\xA0");
        EXPECT_GE(text.capacity(), capacity);
        text.resize(capacity, 'x');  // the room is writable to its end
        EXPECT_EQ(text.size(), capacity);
    }
}

TEST(TextAsOpenedIfChanged, CopiesOnlyATextThatChanges) {
    const struct {
        std::string in;
        bool changes;
    } cases[] = {
        {"", false},
        {"abc\r\n\x93\xFA\x96\x7B\r\n", false},    // Shift-JIS with CR LF: the bytes themselves
        {"abc\n\x93\xFA\x96\x7B", true},              // line ends only
        {"\xC6\xFC\xCB\xDC\r\n", true},               // EUC-JP, CR LF already
        {"\xE6\x97\xA5\xE6\x9C\xAC\n", true},        // UTF-8 and LF
        {"\xEF\xBB\xBF", true},                        // a byte-order mark alone
        {"\x1B$B$\"\x1B(B\r\n", true},                 // JIS
        {std::string("bin\0ary\n", 8), true},
    };
    for (const auto& c : cases) {
        const auto changed = TextAsOpenedIfChanged(c.in);
        EXPECT_EQ(changed.has_value(), c.changes) << c.in;
        std::string inPlace = c.in;
        MakeTextAsOpened(inPlace);
        EXPECT_EQ(changed.value_or(c.in), inPlace) << c.in;
    }
}

// The check a growing page gets block by block: from any position on, no LF
// without a CR before it and no CR with another byte after it. Long texts run
// through the sixteen-at-a-time path with the pairs at every offset.
TEST(LineEndsPairedFrom, JudgesEveryPositionFromTheStart) {
    std::mt19937 rng(7);
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        while (text.size() < rng() % 200) text += rng() % 5 ? (rng() % 2 ? "ab\r\n" : "xyz") : (rng() % 2 ? "\r" : "\n");
        const std::size_t from = text.empty() ? 0 : rng() % (text.size() + 1);
        bool paired = true;
        for (std::size_t x = from; x < text.size(); ++x)
            if ((text[x] == '\n') != (x > 0 && text[x - 1] == '\r')) paired = false;
        ASSERT_EQ(LineEndsPairedFrom(text, from), paired) << from << " in " << text.size();
        ASSERT_EQ(HasEditorLineEnds(text), EditorLineEnds(text) == text);
    }
}

// However the page is cut into blocks (a CR LF split between two, empty
// blocks), the joined text is the whole page's, ending with a line end.
TEST(EditorLineEndJoiner, GivesTheWholeTextsLineEndsWhateverTheBlocks) {
    std::mt19937 rng(6);
    for (int round = 0; round < 500; ++round) {
        const std::string text = RandomLines(rng, rng() % 400);
        std::string joined;
        EditorLineEndJoiner joiner(joined);
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t n = std::min<std::size_t>(text.size() - at, rng() % 9);
            joiner.Append(std::string_view(text).substr(at, n));
            at += n;
        }
        joiner.Finish();
        std::string expected = PlainLineEnds(text);
        if (!expected.empty() && !expected.ends_with("\r\n")) expected += "\r\n";
        ASSERT_EQ(joined, expected);
    }
}

}  // namespace
}  // namespace verdane
