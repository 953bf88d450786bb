// TextToDoc and DocToText: the database bytes written, reading back with and
// without the options, databases of other tools (txt2pdbdoc), and damaged files.
#include "DocBuffer.h"
#include "DocConvert.h"
#include "DocFormatError.h"
#include "PdbFile.h"
#include "SampleTexts.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <span>

namespace verdane {
namespace {

using test::Hex;
using test::ToHex;

std::string ToDoc(std::string_view text, std::string_view title = "Book", bool compress = true,
                  bool includeBinary = true) {
    TMemoryStream in{std::string(text)};
    TMemoryStream out;
    std::string why;
    EXPECT_EQ(TextToDoc(in, out, title, compress, includeBinary, &why), 0) << why;
    EXPECT_EQ(in.Position(), text.size());
    // The pieces, joined, and the form on the text's bytes give the same database.
    TDocPieces pieces;
    EXPECT_EQ(TextToDoc(text, pieces, title, compress, includeBinary, &why), 0) << why;
    std::string joined;
    for (std::string_view piece : pieces.All()) joined += piece;
    EXPECT_TRUE(joined == out.Bytes());
    EXPECT_EQ(pieces.Size(), joined.size());
    TMemoryStream fromView;
    EXPECT_EQ(TextToDoc(text, fromView, title, compress, includeBinary, &why), 0) << why;
    EXPECT_TRUE(fromView.Bytes() == out.Bytes());
    return out.TakeBytes();
}

std::string ToText(std::string_view database, bool includeBinary = true) {
    TMemoryStream in{std::string(database)};
    TMemoryStream out;
    EXPECT_EQ(DocToText(in, out, includeBinary), 0);
    return out.TakeBytes();
}

std::uint32_t Be32(std::string_view bytes, std::size_t at) {
    return (std::uint32_t{static_cast<std::uint8_t>(bytes[at])} << 24) |
           (std::uint32_t{static_cast<std::uint8_t>(bytes[at + 1])} << 16) |
           (std::uint32_t{static_cast<std::uint8_t>(bytes[at + 2])} << 8) | static_cast<std::uint8_t>(bytes[at + 3]);
}
std::uint16_t NumRecords(std::string_view db) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(db[76]) << 8 | static_cast<std::uint8_t>(db[77]));
}
// The stored bytes of text record k, by the record list.
std::string Record(std::string_view db, std::size_t k) {
    const std::size_t start = Be32(db, 78 + 8 * k);
    const std::size_t end = k + 1 < NumRecords(db) ? Be32(db, 78 + 8 * (k + 1)) : db.size();
    return std::string(db.substr(start, end - start));
}

// What the stored text becomes without include-binary: control bytes 0x00-0x08
// gone, each CR LF or lone CR one LF; read back without the option, CR LF.
std::string StoredWithoutBinary(std::string_view text) {
    TBuf buf;
    buf.SetData(text);
    buf.NormalizeLineBreaks();
    return std::string(buf.Data());
}

TEST(MemoryStream, ExactReadPastTheEndFailsAndKeepsThePosition) {
    TMemoryStream s{std::string("abcdef")};
    char buf[8];
    s.Seek(4);
    EXPECT_THROW(s.ReadBuffer(buf, 3), EReadError);
    EXPECT_EQ(s.Position(), 4u);
    EXPECT_EQ(s.Read(buf, 8), 2u);
    s.Seek(8);
    s.Write("xy");
    EXPECT_EQ(s.Bytes(), std::string("abcdef\0\0xy", 10));
    s.Seek(1);
    s.Write("Z");
    EXPECT_EQ(s.Bytes().substr(0, 3), "aZc");
}

TEST(TextToDoc, EmptyTextGivesTheSmallestDatabase) {
    const std::string db = ToDoc("", "Book");
    EXPECT_EQ(ToHex(db), ToHex("Book" + std::string(28, '\0') +
                               Hex("00 00 00 00 06 D1 44 AE 06 D1 44 AE") + std::string(16, '\0') + "TEXtREAd" +
                               std::string(8, '\0') + Hex("00 01  00 00 00 58 40 6F 80 00  00 00") +
                               Hex("00 02 00 00 00 00 00 00 00 00 10 00 00 00 00 00")));
    EXPECT_EQ(db.size(), 104u);
    EXPECT_EQ(ToText(db), "");
}

TEST(TextToDoc, WritesRecordListRecordZeroAndRecordsInOrder) {
    const std::string text = samples::ShuffledParagraphs(samples::JapaneseProse(), 3 * 4096 + 10, 4);
    for (bool compress : {false, true}) {
        const std::string db = ToDoc(text, "Book", compress);
        ASSERT_EQ(NumRecords(db), 5);
        const std::size_t record0 = 8 * 5 + 80;
        EXPECT_EQ(Be32(db, 78), record0);
        for (std::uint32_t k = 0; k < 5; ++k) EXPECT_EQ(Be32(db, 78 + 8 * k + 4), 0x406F8000u + k);
        EXPECT_EQ(ToHex(db.substr(record0 - 2, 2)), "00 00");
        EXPECT_EQ(ToHex(db.substr(record0, 16)),
                  ToHex(Hex(compress ? "00 02 00 00" : "00 01 00 00") + Hex("00 00 30 0A 00 04 10 00 00 00 00 00")));
        EXPECT_EQ(Be32(db, 78 + 8), record0 + 16);
        std::string joined;
        for (std::size_t k = 1; k < 5; ++k) {
            TBuf buf;
            buf.SetData(Record(db, k));
            if (compress) buf.Decompress();
            joined += buf.Data();
            EXPECT_EQ(buf.Size(), k < 4 ? 4096u : 10u);
        }
        EXPECT_EQ(joined, text);
        EXPECT_EQ(ToText(db), text);
    }
}

TEST(TextToDoc, CutsBlocksAtExactly4096Bytes) {
    EXPECT_EQ(NumRecords(ToDoc(std::string(4096, 'x'))), 2);
    EXPECT_EQ(NumRecords(ToDoc(std::string(4097, 'x'))), 3);
    EXPECT_EQ(Record(ToDoc(std::string(4097, 'x'), "T", false), 2), "x");
}

TEST(TextToDoc, WithoutBinaryStoresOneByteForEachLineEnd) {
    std::string text;
    while (text.size() < 4096) text += "line\r\n";
    text.resize(4096);  // 682 whole lines and "line"
    const std::string db = ToDoc(text, "T", false, false);
    EXPECT_EQ(Record(db, 1).size(), 4096u - 682);
    EXPECT_EQ(Be32(db, 96 + 4), 4096u);  // TextLength counts the CR LF pairs
}

TEST(TextToDoc, TitleIsCutTo31BytesAtACharacterBoundaryAndEndsWithNul) {
    const std::string a30(30, 'a');
    const std::string kana16 = [] {  // 16 x "あ", 32 bytes
        std::string s;
        for (int i = 0; i < 16; ++i) s += "\x82\xA0";
        return s;
    }();
    const struct {
        std::string title, name;  // name: the 32 bytes of the header's name field
    } cases[] = {
        {std::string(40, 'T'), std::string(31, 'T') + '\0'},
        {std::string(31, 'T'), std::string(31, 'T') + '\0'},
        // A double-byte character that would straddle the 31st byte is left out whole.
        {a30 + "\x82\xA0", a30 + std::string(2, '\0')},
        {std::string(29, 'a') + "\x82\xA0" + "b", std::string(29, 'a') + "\x82\xA0" + '\0'},
        {kana16, kana16.substr(0, 30) + std::string(2, '\0')},
        // A trail byte that looks like a lead byte does not shift the boundary.
        {"\x81\x81" + std::string(28, 'a') + "\x81\x81", "\x81\x81" + std::string(28, 'a') + std::string(2, '\0')},
        // Half-width katakana are one byte each.
        {std::string(31, '\xB1') + "\xB2", std::string(31, '\xB1') + '\0'},
        // A lead byte that ends the title stands alone and fits.
        {a30 + "\x82", a30 + "\x82" + '\0'},
    };
    for (const auto& c : cases) EXPECT_EQ(ToHex(ToDoc("abc", c.title).substr(0, 32)), ToHex(c.name)) << ToHex(c.title);
}

TEST(TextToDoc, CrLfAcrossTwoBlocksIsOneLineBreak) {
    std::string text(8192, 'a');
    text[4095] = '\r';
    text[4096] = '\n';
    for (bool compress : {false, true}) {
        const std::string db = ToDoc(text, "T", compress, false);
        const std::string back = ToText(db, false);
        EXPECT_EQ(back.size(), 8192u);
        EXPECT_EQ(back.substr(4094, 4), "a\r\na");
        EXPECT_EQ(ToText(db, true).substr(4094, 3), "a\na");
    }
}

TEST(TextToDoc, ControlBytesAreKeptOnlyWithIncludeBinary) {
    const std::string text = Hex("41 01 02 03 04 05 06 07 08 42 0D 0A 43 00 44");
    for (bool compress : {false, true}) {
        EXPECT_EQ(ToHex(ToText(ToDoc(text, "T", compress, true))), ToHex(text));
        EXPECT_EQ(ToHex(ToText(ToDoc(text, "T", compress, false))), "41 42 0A 43 44");
        EXPECT_EQ(ToHex(ToText(ToDoc(text, "T", compress, false), false)), "41 42 0D 0A 43 44");
    }
}

TEST(TextToDoc, RoundTripsRandomTextsWithEveryOption) {
    std::mt19937 rng(11);
    for (int round = 0; round < 60; ++round) {
        const auto kind = static_cast<samples::Kind>(round % 5);
        const std::string text = samples::RandomText(kind, rng() % 20000, rng, 1 + round % 3);
        for (bool compress : {false, true}) {
            EXPECT_EQ(ToText(ToDoc(text, "T", compress, true)), text);
            const std::string stored = StoredWithoutBinary(text);
            EXPECT_EQ(ToText(ToDoc(text, "T", compress, false)), stored);
        }
    }
}

// Records are made on several threads: each stored record must still be the
// one its own block gives, in its place, with either option, and CR LF pairs
// cut by a block end must be joined whichever thread made which block.
TEST(TextToDoc, ManyRecordsAreEachTheirOwnBlocksBytes) {
    std::string text = samples::JapaneseTechnical(150 * 4096 + 123, 5);
    for (std::size_t at = 4095; at < text.size(); at += 4096 * 3) text.replace(at, 2, "\r\n");
    for (bool includeBinary : {true, false}) {
        for (bool compress : {true, false}) {
            const std::string db = ToDoc(text, "Book", compress, includeBinary);
            ASSERT_EQ(NumRecords(db), 152);
            for (std::size_t k = 1; k < 152; ++k) {
                const std::size_t at = (k - 1) * 4096;
                std::string block = text.substr(at, 4096);
                if (!includeBinary && at > 0 && text[at - 1] == '\r' && block.front() == '\n') block.erase(0, 1);
                TBuf buf;
                buf.SetData(block);
                if (!includeBinary) buf.NormalizeLineBreaks();
                if (compress) buf.Compress();
                ASSERT_EQ(ToHex(Record(db, k)), ToHex(buf.Data())) << "record " << k;
            }
            if (includeBinary) {
                EXPECT_EQ(ToText(db), text);
            }
        }
    }
}

TEST(TextToDoc, RefusesATextTooLongForTheRecordList) {
    TMemoryStream in{std::string(kMaxDocTextLength + 1, 'a')};
    TMemoryStream out;
    std::string why;
    EXPECT_EQ(TextToDoc(in, out, "T", false, true, &why), -1);
    EXPECT_NE(why.find("too long"), std::string::npos) << why;
    EXPECT_EQ(out.Size(), 0u);
    TDocPieces pieces;
    EXPECT_EQ(TextToDoc(in.Bytes(), pieces, "T", false, true, &why), -1);
    EXPECT_EQ(pieces.Size(), 0u);
}

// Records stored as they are point into the text (its owner keeps it); the
// others live in the pieces, which may be moved without losing them.
TEST(TextToDoc, PiecesOfUnchangedRecordsAreTheTextsOwnBlocks) {
    const std::string text = std::string(4096, 'a') + "b\r\nc";
    TDocPieces stored;
    ASSERT_EQ(TextToDoc(text, stored, "T", false, true), 0);
    ASSERT_EQ(stored.records.size(), 2u);
    EXPECT_EQ(stored.records[0].data(), text.data());
    EXPECT_EQ(stored.records[1].data(), text.data() + 4096);
    EXPECT_TRUE(stored.made.empty());
    TDocPieces normalized;
    ASSERT_EQ(TextToDoc(text, normalized, "T", false, false), 0);
    TDocPieces moved = std::move(normalized);
    EXPECT_EQ(moved.records[1], "b\nc");  // a short record, held inside the string itself
}

TEST(TextToDoc, RefusesADatabaseStreamThatIsNotEmpty) {
    TMemoryStream in{std::string("abc")};
    TMemoryStream out{std::string("old")};
    std::string why;
    EXPECT_EQ(TextToDoc(in, out, "T", true, true, &why), -1);
    EXPECT_FALSE(why.empty());
}

// A database as another tool may write it: `records` after record 0, each
// stored as given, record 0 holding `compression`.
std::string Database(const std::vector<std::string>& records, std::uint16_t compression = 1,
                     std::string_view type = "TEXt", std::string_view creator = "REAd") {
    TMemoryStream s;
    TDocHeader h = TDocHeader::ForText("Other", static_cast<std::uint16_t>(records.size() + 1));
    std::copy(type.begin(), type.end(), h.DbType.begin());
    std::copy(creator.begin(), creator.end(), h.Creator.begin());
    h.Write(s);
    std::uint32_t offset = static_cast<std::uint32_t>(78 + 8 * (records.size() + 1) + 2);
    auto be32 = [&](std::uint32_t v) {
        const std::string b{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                            static_cast<char>(v)};
        s.Write(b);
    };
    be32(offset);
    be32(0x40000000);
    offset += 16;
    for (const auto& r : records) {
        be32(offset);
        be32(0x40000000);
        offset += static_cast<std::uint32_t>(r.size());
    }
    s.Write("\0\0", 2);
    TDocRecord0 r0;
    r0.Compression = compression;
    r0.Write(s);
    for (const auto& r : records) s.Write(r);
    return s.TakeBytes();
}

std::string WithRecordCount(std::string db, std::uint16_t count) {
    const std::size_t at = Be32(db, 78) + 8;  // record 0's RecordCount
    db[at] = static_cast<char>(count >> 8);
    db[at + 1] = static_cast<char>(count);
    return db;
}

struct Marked {
    std::string text;
    std::vector<DocBookmark> bookmarks;
};
Marked ToMarkedText(std::string_view database, bool includeBinary = true) {
    TMemoryStream in{std::string(database)};
    TMemoryStream out;
    Marked m;
    EXPECT_EQ(DocToText(in, out, includeBinary, &m.bookmarks), 0);
    m.text = out.TakeBytes();
    return m;
}

TEST(DocToText, TheRecordsThatRecordZeroCountsAreTheTextAndBookmarksFollow) {
    const std::string mark = std::string("Mark\0\0\0\0\0\0\0\0\0\0\0\0", 16) + Hex("00 00 00 06");
    const std::string other = "a record of another kind";
    for (std::uint16_t c : {1, 2}) {
        const std::string db = WithRecordCount(
            Database({c == 2 ? Hex("06 66 69 72 73 74 20") : "first ", "second", mark, other, mark}, c), 2);
        const Marked m = ToMarkedText(db);
        EXPECT_EQ(m.text, "first second");
        EXPECT_EQ(m.bookmarks, (std::vector<DocBookmark>{{"Mark", 6}, {"Mark", 6}}));
        EXPECT_EQ(ToText(db), "first second");
    }
    // A count record 0 cannot mean leaves every record to the text.
    for (std::uint16_t count : {0, 3})
        EXPECT_EQ(ToMarkedText(WithRecordCount(Database({"a", "b"}), count)).text, "ab") << count;
}

// Bookmark databases as other writers make them, compressed and not: the
// text is theirs to the byte, the bookmarks are where they point, and
// txt2pdbdoc decodes the same text records.
TEST(DocToText, ReadsBookmarkDatabasesOfOtherWriters) {
    test::TempDir dir;
    const std::string text = samples::ShuffledParagraphs(samples::JapaneseProse(), 9000, 3);
    test::WriteFile(dir.File("in.txt"), text);
    const std::size_t second = text.find_first_not_of("\r\n", text.find('\n', 5000));
    for (const char* compress : {"0", "1"}) {
        auto r = test::RunProcess(
            "/usr/bin/python3",
            {VERDANE_SOURCE_DIR "/tests/doc/data/bookmark_doc.py", dir.File("theirs.pdb"), compress, dir.File("in.txt"),
             "Start", "0", "\u7b2c\u4e8c\u7bc0", std::to_string(second), "Past the end", "99999999"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const std::string db = test::ReadFile(dir.File("theirs.pdb"));
        const Marked m = ToMarkedText(db);
        EXPECT_TRUE(m.text == text) << compress;
        EXPECT_EQ(m.bookmarks, (std::vector<DocBookmark>{{"Start", 0},
                                                         {Hex("91 E6 93 F1 90 DF"), static_cast<std::uint32_t>(second)},
                                                         {"Past the end", static_cast<std::uint32_t>(text.size())}}));
        // Read without include-binary, each LF before a place adds a CR.
        const Marked crlf = ToMarkedText(db, false);
        EXPECT_EQ(crlf.bookmarks[1].offset, second + std::count(text.begin(), text.begin() + second, '\n'));
        EXPECT_EQ(crlf.text.substr(crlf.bookmarks[1].offset, 8), text.substr(second, 8));
        r = test::RunProcess("/usr/bin/txt2pdbdoc", {"-d", dir.File("theirs.pdb"), dir.File("theirs.txt")});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(test::ReadFile(dir.File("theirs.txt")).starts_with(text));
    }
}

TEST(TextToDoc, WritesBookmarkRecordsAfterTheText) {
    const std::string text = "one\r\ntwo\r\nthree\x01";
    const std::vector<DocBookmark> marks{
        {"two", 5}, {"0123456789abcdefgh", 100}, {Hex("82 A0 82 A2 82 A4 82 A6 82 A8 82 A9 82 AB 82 AD"), 0}};
    for (bool compress : {false, true})
        for (bool includeBinary : {true, false}) {
            TMemoryStream out;
            ASSERT_EQ(TextToDoc(text, out, "Marks", compress, includeBinary, marks), 0);
            const std::string db = out.TakeBytes();
            EXPECT_EQ(NumRecords(db), 5);
            EXPECT_EQ(ToHex(Record(db, 2)),
                      ToHex("two" + std::string(13, '\0') + Hex(includeBinary ? "00 00 00 05" : "00 00 00 04")));
            EXPECT_EQ(ToHex(Record(db, 3)), ToHex("0123456789abcde" + std::string(1, '\0') +
                                                  Hex(includeBinary ? "00 00 00 10" : "00 00 00 0D")));
            // Whole characters only: seven of them and the NUL.
            EXPECT_EQ(ToHex(Record(db, 4)),
                      ToHex(marks[2].name.substr(0, 14) + std::string(2, '\0') + Hex("00 00 00 00")));
            const Marked m = ToMarkedText(db, includeBinary);
            EXPECT_EQ(m.bookmarks[0], (DocBookmark{"two", 5}));
            EXPECT_EQ(m.bookmarks[1].offset, includeBinary ? text.size() : 15u);
            // Without bookmarks the database is the one written before.
            TMemoryStream plain;
            ASSERT_EQ(TextToDoc(text, plain, "Marks", compress, includeBinary, std::span<const DocBookmark>{}), 0);
            EXPECT_TRUE(plain.Bytes() == ToDoc(text, "Marks", compress, includeBinary));
        }
}

TEST(DocToText, OnlyCompressionTwoMeansCompressed) {
    for (std::uint16_t c : {0, 1, 3, 0x102}) EXPECT_EQ(ToText(Database({Hex("61 80 0F")}, c)), Hex("61 80 0F"));
    EXPECT_EQ(ToText(Database({Hex("61 80 0F")}, 2)), std::string(11, 'a'));
}

TEST(DocToText, OnlyRecordZeroGivesAnEmptyText) { EXPECT_EQ(ToText(Database({})), ""); }

TEST(DocToText, AppendsToTheTextStream) {
    TMemoryStream in{ToDoc("tail")};
    TMemoryStream out{std::string("head ")};
    out.Seek(0, SeekOrigin::End);
    EXPECT_EQ(DocToText(in, out, true), 0);
    EXPECT_EQ(out.Bytes(), "head tail");
}

TEST(DocToText, WrongTypeOrCreatorGivesThree) {
    for (const auto& [type, creator] : {std::pair{"TEXT", "REAd"}, {"TEXt", "READ"}, {"DATA", "MEMO"}}) {
        TMemoryStream in{Database({"x"}, 1, type, creator)};
        TMemoryStream out;
        EXPECT_EQ(DocToText(in, out, true), 3);
        EXPECT_EQ(out.Size(), 0u);
    }
}

struct Broken {
    const char* name;
    std::string database;
    const char* says;
};

std::string Patched(std::string db, std::size_t at, std::string_view bytes) {
    db.replace(at, bytes.size(), bytes);
    return db;
}

class DocToTextBroken : public ::testing::TestWithParam<Broken> {};

TEST_P(DocToTextBroken, IsRefusedWithAClearError) {
    TMemoryStream in{GetParam().database};
    TMemoryStream out;
    try {
        DocToText(in, out, true);
        FAIL() << "accepted";
    } catch (const EDocFormat& e) {
        EXPECT_NE(std::string(e.what()).find(GetParam().says), std::string::npos) << e.what();
    }
}

const std::string kGood = Database({"abc", "def"});  // records at 104 + 8 = 112 and 115

INSTANTIATE_TEST_SUITE_P(
    Databases, DocToTextBroken,
    ::testing::Values(Broken{"ShorterThanHeader", kGood.substr(0, 70), "fewer than a database header"},
                      Broken{"NoRecords", Patched(kGood, 76, Hex("00 00")), "record list is empty"},
                      Broken{"RecordListPastEnd", Patched(kGood, 76, Hex("10 00")), "runs past the end"},
                      Broken{"OffsetPastEnd", Patched(kGood, 78 + 16, Hex("00 01 00 00")), "past the end"},
                      Broken{"DecreasingOffsets", Patched(kGood, 78 + 16, Hex("00 00 00 60")), "starts before"},
                      Broken{"RecordZeroCutOff", Database({}).substr(0, 96), "record 0 is cut off"},
                      Broken{"DamagedRecord", Database({Hex("61 80")}, 2), "record 1"},
                      Broken{"DistanceBeforeStart", Database({"ok", Hex("80 20")}, 2), "record 2"}),
    [](const auto& info) { return info.param.name; });

TEST(IsDocFile, LooksOnlyAtTypeAndCreator) {
    test::TempDir dir;
    const std::string db = ToDoc("text");
    test::WriteFile(dir.File("a.pdb"), db);
    EXPECT_TRUE(IsDocFile(dir.File("a.pdb")));
    test::WriteFile(dir.File("short.pdb"), db.substr(0, 68));
    EXPECT_TRUE(IsDocFile(dir.File("short.pdb")));
    test::WriteFile(dir.File("shorter.pdb"), db.substr(0, 67));
    EXPECT_FALSE(IsDocFile(dir.File("shorter.pdb")));
    test::WriteFile(dir.File("other.pdb"), Database({"x"}, 1, "TEXt", "BOOK"));
    EXPECT_FALSE(IsDocFile(dir.File("other.pdb")));
    EXPECT_THROW(IsDocFile(dir.File("missing.pdb")), std::system_error);
}

// txt2pdbdoc, the Debian tool, as a second writer and reader of the format.
TEST(Txt2PdbDoc, ReadsOurDatabasesAndWeReadItsDatabases) {
    test::TempDir dir;
    const std::string text = samples::ShuffledParagraphs(samples::EnglishProse(), 20000, 5) +
                             samples::ShuffledParagraphs(samples::JapaneseProse(), 20000, 6);
    for (bool compress : {false, true}) {
        test::WriteFile(dir.File("ours.pdb"), ToDoc(text, "Ours", compress, true));
        auto r = test::RunProcess("/usr/bin/txt2pdbdoc", {"-d", dir.File("ours.pdb"), dir.File("ours.txt")});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(test::ReadFile(dir.File("ours.txt")), text);
        // With bookmarks, its text records are the same (it shows the
        // bookmark records after them as text).
        TMemoryStream marked;
        const DocBookmark mark{"Middle", 20000};
        ASSERT_EQ(TextToDoc(text, marked, "Ours", compress, true, std::span(&mark, 1)), 0);
        test::WriteFile(dir.File("marked.pdb"), marked.Bytes());
        r = test::RunProcess("/usr/bin/txt2pdbdoc", {"-d", dir.File("marked.pdb"), dir.File("marked.txt")});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(test::ReadFile(dir.File("marked.txt")).starts_with(text));
    }
    // txt2pdbdoc stores LF line ends; -b keeps every other byte.
    const std::string lfText = StoredWithoutBinary(text);
    test::WriteFile(dir.File("in.txt"), lfText);
    for (const std::vector<std::string>& options : {std::vector<std::string>{"-b"}, {"-b", "-c"}}) {
        auto args = options;
        args.insert(args.end(), {"Theirs", dir.File("in.txt"), dir.File("theirs.pdb")});
        auto r = test::RunProcess("/usr/bin/txt2pdbdoc", args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(ToText(test::ReadFile(dir.File("theirs.pdb"))), lfText) << options.size();
        EXPECT_EQ(ToText(test::ReadFile(dir.File("theirs.pdb")), false), EditorLineEnds(lfText));
    }
}

}  // namespace
}  // namespace verdane
