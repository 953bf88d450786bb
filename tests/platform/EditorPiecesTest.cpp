// A text cut into pieces for the editor gives, piece by piece, exactly the
// editor text of the whole: on line ends of every kind at every offset, on
// two-byte characters cut anywhere, on undecodable bytes, on UTF-8 with and
// without a byte-order mark, and on lines far longer than a piece.
#include "EditorCodec.h"
#include "EditorPieces.h"

#include <QStringDecoder>

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace verdane::platform;

namespace {

struct Pieces {
    QString text;
    std::size_t count = 0;
    std::size_t longest = 0;
};

Pieces Cut(const std::string& bytes, std::size_t size, EditorBytes form) {
    Pieces out;
    std::size_t from = 0;
    while (from < bytes.size()) {
        const std::size_t end = NextPieceEnd(bytes, from, size, form);
        EXPECT_GT(end, from) << "no progress at " << from;
        if (end <= from) break;
        out.text += PieceToEditor(bytes, from, end, form);
        out.longest = std::max(out.longest, end - from);
        ++out.count;
        from = end;
    }
    EXPECT_EQ(NextPieceEnd(bytes, bytes.size(), size, form), bytes.size());
    return out;
}

// The editor text of the whole, as the codec and Qt's UTF-8 decoder give it
// (the first byte-order mark dropped, any later one kept as U+FEFF).
QString Whole(const std::string& bytes, EditorBytes form) {
    if (form == EditorBytes::ShiftJis) return BytesToEditor(bytes);
    std::string_view v = bytes;
    if (v.starts_with("\xEF\xBB\xBF")) v.remove_prefix(3);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(QByteArrayView(v.data(), qsizetype(v.size())));
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

struct Case {
    const char* name;
    std::string bytes;
    EditorBytes form;
};

std::vector<Case> Cases() {
    std::mt19937 rng(18);
    std::string random(5000, '\0');
    for (char& c : random) c = static_cast<char>(rng());
    std::string randomSjis;  // lead bytes, trail bytes and line ends, densely
    const unsigned char alphabet[] = {0x81, 0x82, 0xA0, 0x40, 0x7F, 0x80, 0xFC, 0xE0, 0xB1, '\r', '\n', 'a', 0xFD, 0x5C};
    for (int i = 0; i < 5000; ++i) randomSjis += static_cast<char>(alphabet[rng() % sizeof alphabet]);
    return {
        {"CR LF lines", Repeat("\x82\xA0\x82\xA2 abc\r\n", 300), EditorBytes::ShiftJis},
        {"lone CR and LF", Repeat("\x88\x9F\r\x88\x9F\n\r\n\r\r\n\n", 300), EditorBytes::ShiftJis},
        {"lead byte before a line end", Repeat("\x82\r\n\x82\n\x82\r", 300), EditorBytes::ShiftJis},
        {"one long kanji line", Repeat("\x88\x9F\x88\xA0\x8A\xBF", 2000), EditorBytes::ShiftJis},
        {"a long line with a few blanks", Repeat(Repeat("\x88\x9F", 700) + " ", 5), EditorBytes::ShiftJis},
        {"half-width kana and undecodable bytes", Repeat("\xB1\xB2\x80\xA0\xFD\xFE\xFF\x81\x39", 400), EditorBytes::ShiftJis},
        {"random Shift-JIS-like bytes", randomSjis, EditorBytes::ShiftJis},
        {"random bytes", random, EditorBytes::ShiftJis},
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + Repeat("\xE3\x81\x82\xE6\xBC\xA2\r\n", 400), EditorBytes::Utf8},
        {"UTF-8 one long line", Repeat("\xE3\x81\x82\xF0\x9F\x98\x80", 900), EditorBytes::Utf8},
        {"UTF-8 with byte-order marks inside", Repeat("\xEF\xBB\xBF" "a\n\xEF\xBB\xBF\r\n", 300), EditorBytes::Utf8},
        {"invalid UTF-8", Repeat("\xE3\x81\r\n\xF0\x9F\n\xC0\xAF\xFF a", 400), EditorBytes::Utf8},
        {"random bytes as UTF-8", random, EditorBytes::Utf8},
    };
}

}  // namespace

TEST(EditorPieces, PiecesGiveTheWholeTextAtEveryPieceSize) {
    for (const Case& c : Cases()) {
        const QString whole = Whole(c.bytes, c.form);
        for (std::size_t size : {1, 2, 3, 5, 7, 16, 100, 1000, 4096, 100000}) {
            const Pieces p = Cut(c.bytes, size, c.form);
            ASSERT_EQ(p.text, whole) << c.name << ", pieces of " << size;
        }
    }
}

TEST(EditorPieces, APieceEndsAfterTheLastLineFeedOfItsWindow) {
    const std::string text = Repeat("0123456789abcdef\r\n", 1000);  // 18 bytes a line
    const Pieces p = Cut(text, 1000, EditorBytes::ShiftJis);
    EXPECT_EQ(p.longest, 990u);  // 55 whole lines
    for (std::size_t from = 0; from < text.size();) {
        const std::size_t end = NextPieceEnd(text, from, 1000, EditorBytes::ShiftJis);
        ASSERT_EQ(text[end - 1], '\n');
        from = end;
    }
}

TEST(EditorPieces, ALineLongerThanAPieceIsCutBetweenCharacters) {
    // Shift-JIS: at the last character boundary within the piece, as the codec
    // reads the characters (a half-width kana first shifts every boundary by one).
    const std::string kanji = Repeat("\x88\x9F", 10000);
    EXPECT_EQ(NextPieceEnd(kanji, 0, 100, EditorBytes::ShiftJis), 100u);
    EXPECT_EQ(NextPieceEnd("\xB1" + kanji, 0, 100, EditorBytes::ShiftJis), 99u);
    // A lead byte with no valid trail is a character of one byte.
    EXPECT_EQ(NextPieceEnd("\x82\x20" + kanji, 0, 100, EditorBytes::ShiftJis), 100u);
    // Never between CR and LF.
    EXPECT_EQ(NextPieceEnd(Repeat("\x88\x9F", 49) + "\r\n" + kanji, 0, 99, EditorBytes::ShiftJis), 98u);
    // UTF-8: after the last ASCII byte, or at the end when there is none.
    const std::string hiragana = Repeat("\xE3\x81\x82", 10000);
    EXPECT_EQ(NextPieceEnd(hiragana + " " + hiragana, 0, 40000, EditorBytes::Utf8), 30001u);
    EXPECT_EQ(NextPieceEnd(hiragana, 0, 100, EditorBytes::Utf8), hiragana.size());
}

TEST(EditorPieces, AByteOrderMarkIsDroppedOnlyAtTheStart) {
    const std::string text = "\xEF\xBB\xBF" "a\n\xEF\xBB\xBF" "b";
    EXPECT_EQ(PieceToEditor(text, 0, 5, EditorBytes::Utf8), QStringLiteral("a\n"));
    EXPECT_EQ(PieceToEditor(text, 5, text.size(), EditorBytes::Utf8), QString(QChar(0xFEFF)) + u'b');
}
