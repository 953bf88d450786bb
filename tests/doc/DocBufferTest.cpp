// TBuf: the compressed bytes the DOC writer produces, decompression of good and
// damaged records, and the line-break conversions.
#include "DocBuffer.h"
#include "DocFormatError.h"
#include "ReferenceCompressor.h"
#include "SampleTexts.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace verdane {
namespace {

using test::Hex;
using test::ToHex;

std::string Compressed(std::string_view text) {
    TBuf buf;
    buf.SetData(text);
    const int n = buf.Compress();
    EXPECT_EQ(n, static_cast<int>(buf.Size()));
    return std::string(buf.Data());
}

std::string Decompressed(std::string_view record) {
    TBuf buf;
    buf.SetData(record);
    buf.Decompress();
    return std::string(buf.Data());
}

struct Example {
    const char* name;
    std::string text;
    std::string compressed;
};

class CompressExample : public ::testing::TestWithParam<Example> {};

TEST_P(CompressExample, GivesTheWritersBytesAndDecompressesBack) {
    const auto& e = GetParam();
    EXPECT_EQ(ToHex(Compressed(e.text)), ToHex(e.compressed));
    EXPECT_EQ(ToHex(reference::Compress(e.text)), ToHex(e.compressed));
    EXPECT_EQ(ToHex(Decompressed(e.compressed)), ToHex(e.text));
}

INSTANTIATE_TEST_SUITE_P(
    Records, CompressExample,
    ::testing::Values(
        Example{"RepeatedWord", "abcdabcdabcd", Hex("61 62 63 64 80 21 80 20 64")},
        Example{"ThreeCats", "the cat the cat the cat.", Hex("74 68 65 E3 61 74 20 80 45 80 44 2E")},
        Example{"SixteenLetters", std::string(16, 'a'), Hex("61 61 61 80 18 80 33 80 18 61")},
        Example{"SpacesPairOrStayPlain", Hex("20 48 65 6C 6C 6F 20 20 57 6F 72 6C 64 20"),
                Hex("C8 65 6C 6C 6F 20 20 57 6F 72 6C 64 20")},
        Example{"ShiftJisRunThenBackReference", Hex("82 A0 82 A2 20 82 A0 82 A2 20 61 62 63"),
                Hex("04 82 A0 82 A2 20 80 2A 61 62 63")},
        Example{"Empty", "", ""},
        Example{"OnePlainByte", "A", "A"},
        Example{"OneControlByte", Hex("05"), Hex("01 05")},
        Example{"OneHighByte", Hex("93"), Hex("01 93")},
        Example{"OneSpace", " ", " "},
        Example{"NineHighBytesMakeTwoRuns", Hex("80 81 82 83 84 85 86 87 88"),
                Hex("08 80 81 82 83 84 85 86 87 01 88")},
        Example{"SpaceBeforeHighByte", Hex("20 82 A0"), Hex("20 02 82 A0")},
        Example{"NulByteIsPlain", Hex("00 41 00"), Hex("00 41 00")}),
    [](const auto& info) { return info.param.name; });

TEST(Compress, LastByteOfARecordIsAlwaysALiteral) {
    // "abcabc" could end with a back-reference of three; the writer keeps the
    // last byte out of every candidate.
    EXPECT_EQ(ToHex(Compressed("abcabc")), ToHex(reference::Compress("abcabc")));
    EXPECT_EQ(Compressed("abcabc").back(), 'c');
}

TEST(Compress, BackReferencesReachAtMost2047BytesBack) {
    std::mt19937 rng(7);
    std::string filler = samples::RandomText(samples::Kind::Binary, 2100, rng);
    for (std::size_t gap : {2040u, 2043u, 2044u, 2047u, 2048u, 2060u}) {
        const std::string text = "0123456789" + filler.substr(0, gap - 10) + "0123456789xyz";
        EXPECT_EQ(ToHex(Compressed(text)), ToHex(reference::Compress(text))) << gap;
        EXPECT_EQ(Decompressed(Compressed(text)), text) << gap;
    }
}

// The fast search must end on the same occurrence as the plain left-to-right
// scan, whatever the text: periodic strings of one to three letters, runs of
// spaces, binary bytes, Shift-JIS, texts built of their own pieces.
TEST(Compress, EqualsThePlainScanOnRandomTexts) {
    std::mt19937 rng(20261207);
    int compared = 0;
    for (int letters = 1; letters <= 3; ++letters)
        for (int round = 0; round < 1500; ++round) {
            const std::string text = samples::RandomText(samples::Kind::SmallAlphabet, rng() % 120, rng, letters);
            ASSERT_EQ(ToHex(Compressed(text)), ToHex(reference::Compress(text))) << text;
            ++compared;
        }
    // Long texts of two letters: many periodic strings of every length, some of
    // them met again and again as the scan moves on.
    for (int round = 0; round < 12; ++round) {
        std::string text = samples::RandomText(samples::Kind::SmallAlphabet, 2000 + rng() % 1000, rng, 2);
        for (char& c : text) c = c == 'b' && round % 2 ? ' ' : c;
        ASSERT_EQ(ToHex(Compressed(text)), ToHex(reference::Compress(text))) << text;
        ++compared;
    }
    for (auto kind : {samples::Kind::SmallAlphabet, samples::Kind::Spaces, samples::Kind::Binary,
                      samples::Kind::ShiftJis, samples::Kind::Repetitive})
        for (int round = 0; round < 40; ++round) {
            const std::string text = samples::RandomText(kind, 1 + rng() % 4096, rng, 1 + round % 4);
            const std::string fast = Compressed(text);
            ASSERT_EQ(ToHex(fast), ToHex(reference::Compress(text))) << static_cast<int>(kind) << " " << round;
            ASSERT_EQ(Decompressed(fast), text);
            ++compared;
        }
    EXPECT_GT(compared, 4000);
}

TEST(Compress, EqualsThePlainScanOnProseRecords) {
    const std::string ja = samples::ShuffledParagraphs(samples::JapaneseProse(), 16 * 4096, 1);
    const std::string en = samples::ShuffledParagraphs(samples::EnglishProse(), 16 * 4096, 2);
    for (const std::string* text : {&ja, &en})
        for (std::size_t at = 0; at < text->size(); at += 4096) {
            const std::string record = text->substr(at, 4096);
            const std::string fast = Compressed(record);
            ASSERT_EQ(ToHex(fast), ToHex(reference::Compress(record))) << at;
            ASSERT_EQ(Decompressed(fast), record);
            EXPECT_LT(fast.size(), record.size());
        }
}

// Every kind of text the benchmarks time, record by record: technical text
// with command lines, ruled lines and indentation; source code; records of one
// byte, whole or after other text (runs that start inside the record).
TEST(Compress, EqualsThePlainScanOnEveryKindOfText) {
    struct Kind {
        const char* name;
        std::string text;
    };
    const std::vector<Kind> kinds = {
        {"JapaneseTechnical", samples::JapaneseTechnical(12 * 4096, 7)},
        {"SourceCode", samples::SourceCode(8 * 4096)},
        {"OneByte", std::string(4096, '=') + std::string(4096, ' ') + std::string(4096, '\x81')},
        {"Tables", [] {
             // Boxed tables of a reference manual: runs of "-" and of spaces of
             // many lengths, the same column rules again and again.
             std::mt19937 rng(11);
             std::string s;
             while (s.size() < 8 * 4096) {
                 const int widths[] = {1 + int(rng() % 12), 2 + int(rng() % 6), 3 + int(rng() % 30)};
                 auto rule = [&](char c, char joint) {
                     std::string line = "    " + std::string(1, joint);
                     for (int w : widths) line += std::string(static_cast<std::size_t>(w), c) + joint;
                     return line + "\r\n";
                 };
                 s += rule('-', '+');
                 for (int row = 0; row < 1 + int(rng() % 5); ++row) {
                     std::string line = "    |";
                     for (int w : widths) {
                         const int used = int(rng() % static_cast<unsigned>(w + 1));
                         line += std::string(static_cast<std::size_t>(used), "ab\x82"[rng() % 3]) +
                                 std::string(static_cast<std::size_t>(w - used), ' ') + "|";
                     }
                     s += line + "\r\n" + rule('-', '+');
                 }
                 s += "\r\n====x====x====x====y\r\n";
             }
             return s;
         }()},
        {"RunsAfterText", [] {
             std::string s;
             for (int r = 0; s.size() < 6 * 4096; ++r)
                 s += "\x93\xFA\x96\x7B" + std::string(static_cast<std::size_t>(1 + r * 37 % 500), "= -"[r % 3]);
             return s;
         }()},
    };
    for (const auto& kind : kinds)
        for (std::size_t at = 0; at < kind.text.size(); at += 4096) {
            const std::string record = kind.text.substr(at, 4096);
            const std::string fast = Compressed(record);
            ASSERT_EQ(ToHex(fast), ToHex(reference::Compress(record))) << kind.name << " at " << at;
            ASSERT_EQ(Decompressed(fast), record);
        }
}

TEST(Compress, EqualsThePlainScanOnRecordsFullOfRepeats) {
    const std::vector<std::string> records = {
        std::string(4096, ' '),
        std::string(4096, 'a'),
        [] {
            std::string s;
            while (s.size() < 4096) s += "\x81\x5B";  // a line of long-vowel marks
            return s;
        }(),
        [] {
            std::string s;
            for (int line = 0; s.size() < 4096; ++line) s += std::string(line % 40, ' ') + "* * *\r\n";
            return s;
        }(),
        [] {
            std::string s;
            for (int k = 0; s.size() < 4096; ++k) s += k % 7 ? "abab" : "aabaab";
            return s;
        }(),
    };
    for (const auto& record : records) {
        const std::string fast = Compressed(record.substr(0, 4096));
        ASSERT_EQ(ToHex(fast), ToHex(reference::Compress(record.substr(0, 4096))));
        ASSERT_EQ(Decompressed(fast), record.substr(0, 4096));
    }
}

TEST(Compress, HandlesDataLongerThanARecord) {
    std::mt19937 rng(3);
    const std::string text = samples::RandomText(samples::Kind::Repetitive, 20000, rng);
    EXPECT_EQ(Decompressed(Compressed(text)), text);
}

TEST(Decompress, ShortDistancesRepeatBytes) {
    // A distance of 1 with length 10 repeats the last byte ten times.
    EXPECT_EQ(Decompressed(Hex("61 80 0F")), std::string(11, 'a'));
    EXPECT_EQ(Decompressed(Hex("61 62 80 17")), "ab" "ababababab");
}

struct Damaged {
    const char* name;
    std::string record;
};

class DecompressDamaged : public ::testing::TestWithParam<Damaged> {};

TEST_P(DecompressDamaged, IsRefusedAndLeavesDataAlone) {
    TBuf buf;
    buf.SetData(GetParam().record);
    EXPECT_THROW(buf.Decompress(), EDocFormat);
    EXPECT_EQ(buf.Data(), GetParam().record);
}

INSTANTIATE_TEST_SUITE_P(Records, DecompressDamaged,
                         ::testing::Values(Damaged{"RunCutOff", Hex("41 03 42 43")},
                                           Damaged{"RunCountAtEnd", Hex("41 08")},
                                           Damaged{"BackReferenceCutOff", Hex("41 42 43 80")},
                                           Damaged{"DistanceZero", Hex("41 42 43 80 00")},
                                           Damaged{"DistanceBeforeStart", Hex("41 42 43 80 20")},
                                           Damaged{"BackReferenceFirst", Hex("80 08")}),
                         [](const auto& info) { return info.param.name; });

TEST(LineBreaks, NormalizeDropsControlBytesAndCarriageReturns) {
    TBuf buf;
    buf.SetData(Hex("41 0D 0A 42 0D 43 07 44"));
    EXPECT_EQ(buf.NormalizeLineBreaks(), 6);
    EXPECT_EQ(ToHex(buf.Data()), "41 0A 42 0A 43 44");
    buf.SetData(Hex("00 01 08 09 0A 0D 0D 0A 0D"));
    buf.NormalizeLineBreaks();
    EXPECT_EQ(ToHex(buf.Data()), "09 0A 0A 0A 0A");
}

TEST(LineBreaks, ExpandTurnsEachLineFeedIntoCrLf) {
    TBuf buf;
    buf.SetData(Hex("41 0A 0D 0A 0A"));
    EXPECT_EQ(buf.ExpandLineBreaks(), 8);
    EXPECT_EQ(ToHex(buf.Data()), "41 0D 0A 0D 0D 0A 0D 0A");
}

TEST(Create, MakesZeroBytes) {
    TBuf buf;
    buf.Create(5);
    EXPECT_EQ(buf.Data(), std::string(5, '\0'));
}

}  // namespace
}  // namespace verdane
