// The CSV reader and Aozora's catalogue against texts written by hand: rows
// as a spreadsheet writes them, the published column layout, searches with
// kana and width folded, and damaged catalogues refused with their reason.
#include "AozoraCatalog.h"
#include "CsvReader.h"
#include "AozoraCatalogCsv.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using verdane::core::AozoraCatalog;
using verdane::core::CsvReader;
using Rows = std::vector<std::vector<std::string>>;

struct CsvCase {
    const char* name;
    std::string text;
    Rows rows;
    const char* error = "";  // part of the reason when reading stops early
};
void PrintTo(const CsvCase& c, std::ostream* os) { *os << c.name; }

class Csv : public ::testing::TestWithParam<CsvCase> {};

TEST_P(Csv, ReadsRowsAsWritten) {
    const CsvCase& c = GetParam();
    CsvReader reader(c.text);
    Rows rows;
    std::vector<std::string_view> fields;
    while (reader.Next(fields)) rows.emplace_back(fields.begin(), fields.end());
    EXPECT_EQ(rows, c.rows);
    if (*c.error == '\0') EXPECT_EQ(reader.Error(), "");
    else EXPECT_NE(reader.Error().find(c.error), std::string::npos) << reader.Error();
}

const CsvCase kCsvCases[] = {
    {"Plain", "a,b\r\nc,d\r\n", {{"a", "b"}, {"c", "d"}}},
    {"LfAndNoLastLineEnd", "a,b\nc,d", {{"a", "b"}, {"c", "d"}}},
    {"ByteOrderMarkSkipped", "\xEF\xBB\xBFid,x\n", {{"id", "x"}}},
    {"QuotedComma", "\"a,b\",c\n", {{"a,b", "c"}}},
    {"DoubledQuotes", "\"say \"\"hi\"\"\",\"\"\"\"\n", {{"say \"hi\"", "\""}}},
    {"LineBreakInsideQuotes", "\"one\r\ntwo\",x\r\ny,z\r\n", {{"one\r\ntwo", "x"}, {"y", "z"}}},
    {"EmptyFields", ",,\n\"\",\n", {{"", "", ""}, {"", ""}}},
    {"EmptyLineIsARow", "a\n\nb\n", {{"a"}, {""}, {"b"}}},
    {"QuoteInsideUnquotedStays", "a\"b,c\n", {{"a\"b", "c"}}},
    {"UnclosedQuote", "a,b\n\"c,\nd\n", {{"a", "b"}}, "line 2: a quoted field is not closed"},
    {"TextAfterClosingQuote", "\"a\"b,c\n", {}, "line 1: text follows"},
    {"LineCountedAcrossQuotedBreaks", "\"1\n2\n3\",x\n\"open", {{"1\n2\n3", "x"}}, "line 4:"},
};
INSTANTIATE_TEST_SUITE_P(Rows, Csv, ::testing::ValuesIn(kCsvCases),
                         [](const auto& info) { return std::string(info.param.name); });

using verdane::test::CatalogHeader;
using verdane::test::CatalogLine;

const std::string kCatalog =
    CatalogHeader() +
    CatalogLine({{"作品ID", "000789"}, {"作品名", "吾輩は猫である"}, {"作品名読み", "わがはいはねこである"},
          {"ソート用読み", "わかはいはねこてある"}, {"文字遣い種別", "新字新仮名"}, {"姓", "夏目"}, {"名", "漱石"},
          {"姓読み", "なつめ"}, {"名読み", "そうせき"}, {"姓ローマ字", "Natsume"}, {"名ローマ字", "Soseki"},
          {"役割フラグ", "著者"}, {"公開日", "1999-09-17"}}) +
    CatalogLine({{"作品ID", "000773"}, {"作品名", "こころ"}, {"作品名読み", "こころ"}, {"ソート用読み", "こころ"},
          {"文字遣い種別", "新字新仮名"}, {"姓", "夏目"}, {"名", "漱石"}, {"姓読み", "なつめ"}, {"名読み", "そうせき"},
          {"役割フラグ", "著者"}}) +
    CatalogLine({{"作品ID", "001234"}, {"作品名", "Ｘの悲劇, \"完全版\""}, {"作品名読み", "えっくすのひげき"},
          {"ソート用読み", "えつくすのひけき"}, {"文字遣い種別", "新字新仮名"}, {"姓", "クイーン"}, {"名", "エラリー"},
          {"姓読み", "クイーン"}, {"名読み", "エラリー"}, {"役割フラグ", "著者"}}) +
    CatalogLine({{"作品ID", "001234"}, {"姓", "青空"}, {"名", "太郎"}, {"姓読み", "あおぞら"}, {"名読み", "たろう"},
          {"役割フラグ", "翻訳者"}}) +
    CatalogLine({{"作品ID", "4567"}, {"作品名", "ガラスの城"}, {"作品名読み", "がらすのしろ"}, {"ソート用読み", "からすのしろ"},
          {"副題", "第一部\r\n序"}, {"文字遣い種別", "旧字旧仮名"}, {"姓", "無名"}, {"役割フラグ", "著者"}});

std::vector<std::string> Ids(const std::vector<const verdane::core::CatalogWork*>& works) {
    std::vector<std::string> ids;
    for (const auto* work : works) ids.emplace_back(work->id);
    return ids;
}

struct SearchCase {
    const char* name;
    std::vector<std::string> words;
    std::vector<std::string> ids;
};
void PrintTo(const SearchCase& c, std::ostream* os) { *os << c.name; }

class CatalogSearch : public ::testing::TestWithParam<SearchCase> {};

TEST_P(CatalogSearch, FindsTheWorksHoldingEveryWord) {
    const auto catalog = AozoraCatalog::FromCsv(kCatalog);
    ASSERT_TRUE(catalog) << catalog.Reason();
    EXPECT_EQ(Ids(catalog->Search(GetParam().words)), GetParam().ids);
}

const SearchCase kSearchCases[] = {
    {"TitleReadingInHiragana", {"ねこ"}, {"789"}},
    {"KatakanaFindsHiragana", {"ネコ"}, {"789"}},
    {"HalfWidthKanaWithVoicedMark", {"ｶﾞﾗｽ"}, {"4567"}},
    {"FullWidthAndCaseFolded", {"x"}, {"1234"}},
    {"AuthorSortedByReading", {"漱石"}, {"773", "789"}},
    {"AuthorReading", {"なつめそうせき"}, {"773", "789"}},
    {"AuthorInLatinLetters", {"ＳＯＳＥＫＩ"}, {"789"}},
    {"EveryWordMustMatch", {"夏目", "こころ"}, {"773"}},
    {"WordsInOneString", {"夏目　猫"}, {"789"}},
    {"TranslatorCounts", {"青空"}, {"1234"}},
    {"DoubledQuotesRead", {"\"完全版\""}, {"1234"}},
    {"SubtitleAcrossALineBreak", {"序"}, {"4567"}},
    {"NoWordAcrossTwoFields", {"である夏目"}, {}},
    {"NothingMatches", {"夏目", "ガラス"}, {}},
    {"NoWords", {}, {}},
};
INSTANTIATE_TEST_SUITE_P(Words, CatalogSearch, ::testing::ValuesIn(kSearchCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AozoraCatalog, OneEntryPerWorkWithItsPersons) {
    const auto catalog = AozoraCatalog::FromCsv(kCatalog);
    ASSERT_TRUE(catalog) << catalog.Reason();
    EXPECT_EQ(catalog->Works().size(), 4u);
    const auto* work = catalog->Find("01234");
    ASSERT_NE(work, nullptr);
    EXPECT_EQ(work->title, "Ｘの悲劇, \"完全版\"");
    EXPECT_EQ(work->Authors(), "クイーン エラリー");
    ASSERT_EQ(work->persons.size(), 2u);
    EXPECT_EQ(work->persons[1].reading, "あおぞら たろう");
    EXPECT_EQ(catalog->Find("4567")->Authors(), "無名");
    EXPECT_EQ(catalog->Find("789")->published, "1999-09-17");
    EXPECT_EQ(catalog->Find("790"), nullptr);
}

TEST(AozoraCatalog, DamagedCataloguesAreRefusedWithTheirReason) {
    std::string shortRow = CatalogLine({{"作品ID", "1"}});
    shortRow.erase(shortRow.rfind(','), 3);  // one field fewer
    std::string noId = CatalogHeader();
    noId.replace(noId.find("作品ID"), 8, "番号");
    const std::pair<std::string, const char*> cases[] = {
        {CatalogHeader() + CatalogLine({{"作品ID", "1"}}) + shortRow, "line 3 has 54 fields where the first line names 55"},
        {noId + CatalogLine({}), "names no column 作品ID"},
        {CatalogHeader() + "\"1,2\r\n", "line 2: a quoted field is not closed"},
        {CatalogHeader() + CatalogLine({{"作品名", "\x93\xFA"}}), "not UTF-8"},
        {CatalogHeader(), "lists no works"},
        {"", "empty"},
    };
    for (const auto& [csv, reason] : cases) {
        const auto catalog = AozoraCatalog::FromCsv(csv);
        ASSERT_FALSE(catalog) << reason;
        EXPECT_NE(catalog.Reason().find(reason), std::string::npos) << catalog.Reason();
    }
    const auto notZip = AozoraCatalog::FromZip("not an archive");
    ASSERT_FALSE(notZip);
    EXPECT_NE(notZip.Reason().find("zip archive"), std::string::npos) << notZip.Reason();
}

}  // namespace
