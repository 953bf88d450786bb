// The fuzzy character dictionary and the preprocessor that rewrites patterns
// with it.
#include "FuzzyCharDic.h"
#include "Sjis.h"
#include "TAWKStr.h"
#include "TREPreProcessor.h"

#include <gtest/gtest.h>

namespace verdane::regex {
namespace {

using test::Sjis;

std::vector<std::string> Row(std::initializer_list<const char*> utf8) {
    std::vector<std::string> row;
    for (const char* entry : utf8) row.push_back(Sjis(entry));
    return row;
}

TEST(FuzzyCharDictionary, Has145RowsInTheirOrder) {
    const auto& rows = FuzzyCharDictionary().Rows();
    ASSERT_EQ(rows.size(), 145u);
    EXPECT_EQ(rows[0], Row({"Ａ", "ａ", "A", "a"}));
    EXPECT_EQ(rows[25], Row({"Ｚ", "ｚ", "Z", "z"}));
    EXPECT_EQ(rows[26], Row({"0", "０", "零"}));
    EXPECT_EQ(rows[27], Row({"1", "１", "一", "①", "Ⅰ", "壱"}));
    EXPECT_EQ(rows[30], Row({"4", "４", "四", "④", "Ⅳ"}));
    EXPECT_EQ(rows[36], (std::vector<std::string>{"\x81\x40", " "}));
    EXPECT_EQ(rows[38], Row({"\"", "”"}));
    EXPECT_EQ(rows[48], Row({"ー", "～", "ｰ"}));
    EXPECT_EQ(rows[49], Row({"-", "ー", "－", "～", "ｰ"}));
    EXPECT_EQ(rows[60], Row({"\\", "￥"}));
    EXPECT_EQ(rows[65], Row({"|", "｜"}));
    EXPECT_EQ(rows[68], Row({",", "､", "、", "，"}));
    EXPECT_EQ(rows[69], Row({"｡", ".", "。", "．"}));
    EXPECT_EQ(rows[72], Row({"ん", "ン", "ﾝ"}));
    EXPECT_EQ(rows[73], Row({"が", "ガ", "ｶﾞ", "か゛", "カ゛"}));
    EXPECT_EQ(rows[79], Row({"じ", "ジ", "ｼﾞ", "し゛", "シ゛", "ぢ", "ヂ", "ﾁﾞ", "ち゛", "チ゛"}));
    EXPECT_EQ(rows[86], Row({"ば", "バ", "ﾊﾞ", "は゛", "ハ゛", "ヴァ", "う゛ぁ", "ウ゛ァ", "ｳﾞｧ"}));
    EXPECT_EQ(rows[88], Row({"ぶ", "ブ", "ﾌﾞ", "ふ゛", "フ゛", "ヴ", "ウ゛", "う゛", "ｳﾞ"}));
    EXPECT_EQ(rows[95], Row({"ぽ", "ポ", "ﾎﾟ", "ほ゜", "ホ゜"}));
    EXPECT_EQ(rows[100], Row({"お", "オ", "ｵ", "ぉ", "ォ", "ｫ"}));
    EXPECT_EQ(rows[101], Row({"か", "カ", "ｶ"}));
    EXPECT_EQ(rows[113], Row({"つ", "ツ", "ﾂ", "っ", "ッ", "ｯ"}));
    EXPECT_EQ(rows[131], Row({"や", "ヤ", "ﾔ", "ゃ", "ャ", "ｬ"}));
    EXPECT_EQ(rows[133], Row({"よ", "ヨ", "ﾖ", "ょ", "ョ", "ｮ"}));
    EXPECT_EQ(rows[138], Row({"ろ", "ロ", "ﾛ"}));
    EXPECT_EQ(rows[139], Row({"わ", "ワ", "ﾜ", "うぁ", "ウァ", "ｳｧ"}));
    EXPECT_EQ(rows[142], Row({"を", "ヲ", "ｦ", "うぉ", "ウォ", "ｳｫ"}));
    EXPECT_EQ(rows[143], Row({"ﾞ", "゛"}));
    EXPECT_EQ(rows[144], Row({"ﾟ", "゜"}));
}

// Rows 1-26 and 102-139 follow rules; every other row is checked by its size
// and its first entry.
TEST(FuzzyCharDictionary, EveryRowHasItsEntries) {
    const auto& rows = FuzzyCharDictionary().Rows();
    ASSERT_EQ(rows.size(), 145u);
    for (int i = 0; i < 26; ++i) {
        std::string expected[4];
        expected[0] = {static_cast<char>(0x82), static_cast<char>(0x60 + i)};  // Ａ..Ｚ
        expected[1] = {static_cast<char>(0x82), static_cast<char>(0x81 + i)};  // ａ..ｚ
        expected[2] = std::string(1, static_cast<char>('A' + i));
        expected[3] = std::string(1, static_cast<char>('a' + i));
        EXPECT_EQ(rows[i], std::vector<std::string>(expected, expected + 4)) << "row " << i + 1;
    }
    const char* kana = "かきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろ";
    const char* half = "ｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛ";
    const std::string kanaSjis = Sjis(kana), halfSjis = Sjis(half);
    for (int i = 0; i < 38; ++i) {
        const auto& row = rows[101 + i];
        ASSERT_GE(row.size(), 3u);
        EXPECT_EQ(row[0], kanaSjis.substr(2 * i, 2)) << "row " << 102 + i;
        // Katakana lie 0x60 code points above hiragana in Unicode; in CP932
        // they differ in lead byte, so compare through the table.
        EXPECT_EQ(static_cast<unsigned char>(row[1][0]), 0x83) << "row " << 102 + i;
        EXPECT_EQ(row[2], halfSjis.substr(i, 1)) << "row " << 102 + i;
        const bool small = i == 12 || i == 30 || i == 31 || i == 32;  // つ や ゆ よ
        EXPECT_EQ(row.size(), small ? 6u : 3u) << "row " << 102 + i;
    }
    const std::pair<int, const char*> table[] = {
        {3, "0"}, {6, "1"}, {6, "2"}, {6, "3"}, {5, "4"}, {6, "5"}, {5, "6"}, {5, "7"}, {5, "8"}, {5, "9"},
        {2, "　"}, {2, "!"}, {2, "\""}, {2, "#"}, {2, "$"}, {2, "%"}, {2, "&"}, {2, "'"}, {2, "("}, {2, ")"},
        {2, "*"}, {2, "+"}, {3, "ー"}, {5, "-"}, {2, "･"}, {2, "/"}, {2, ":"}, {2, ";"}, {2, "<"}, {2, "="},
        {2, ">"}, {2, "?"}, {2, "@"}, {3, "["}, {2, "\\"}, {3, "]"}, {2, "^"}, {2, "_"}, {2, "{"}, {2, "|"},
        {2, "}"}, {2, "~"}, {4, ","}, {4, "｡"}, {3, "「"}, {3, "」"}, {3, "ん"}, {5, "が"}, {5, "ぎ"}, {5, "ぐ"},
        {5, "げ"}, {5, "ご"}, {5, "ざ"}, {10, "じ"}, {10, "ず"}, {5, "ぜ"}, {5, "ぞ"}, {5, "だ"}, {5, "で"},
        {5, "ど"}, {9, "ば"}, {9, "び"}, {9, "ぶ"}, {9, "べ"}, {9, "ぼ"}, {5, "ぱ"}, {5, "ぴ"}, {5, "ぷ"},
        {5, "ぺ"}, {5, "ぽ"}, {6, "あ"}, {6, "い"}, {6, "う"}, {6, "え"}, {6, "お"}};
    ASSERT_EQ(std::size(table), 75u);
    for (std::size_t i = 0; i < std::size(table); ++i) {
        EXPECT_EQ(rows[26 + i].size(), static_cast<std::size_t>(table[i].first)) << "row " << 27 + i;
        EXPECT_EQ(rows[26 + i][0], Sjis(table[i].second)) << "row " << 27 + i;
    }
    const std::pair<int, const char*> last[] = {{6, "わ"}, {5, "ヰ"}, {5, "ヱ"}, {6, "を"}, {2, "ﾞ"}, {2, "ﾟ"}};
    for (std::size_t i = 0; i < std::size(last); ++i) {
        EXPECT_EQ(rows[139 + i].size(), static_cast<std::size_t>(last[i].first)) << "row " << 140 + i;
        EXPECT_EQ(rows[139 + i][0], Sjis(last[i].second)) << "row " << 140 + i;
    }
}

TEST(CommaText, QuotesBlanksAndTrailingCommas) {
    EXPECT_EQ(ParseCommaText(" a , b,c,"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(ParseCommaText("\" \",\"\"\"\",\",\""), (std::vector<std::string>{" ", "\"", ","}));
}

std::string Fuzzy(const std::string& pattern) {
    TREPreProcessor pre;
    pre.FuzzyCharDic.push_back(&FuzzyCharDictionary());
    pre.UseFuzzyCharDic = true;
    pre.SetText(pattern);
    return pre.Preprocess();
}

TEST(FuzzyRewriting, ExpandsEachCharacterToItsRow) {
    EXPECT_EQ(Fuzzy(Sjis("ｶﾞ")), Sjis("(が|ガ|ｶﾞ|か゛|カ゛)"));
    EXPECT_EQ(Fuzzy("a+"), Sjis("(Ａ|ａ|A|a)+"));
    // An escape is expanded by its code; metacharacters in entries get a backslash.
    EXPECT_EQ(Fuzzy("\\x41"), Sjis("(Ａ|ａ|A|a)"));
    EXPECT_EQ(Fuzzy("\\."), Sjis("(｡|\\.|。|．)"));
    // Inside brackets nothing changes; characters without a row stay as written.
    EXPECT_EQ(Fuzzy("[a]x\\n"), Sjis("[a](Ｘ|ｘ|X|x)\\n"));
    EXPECT_EQ(Fuzzy(Sjis("漢")), Sjis("漢"));
    // The first matching entry wins, so a voiced pair is one unit.
    EXPECT_EQ(Fuzzy(Sjis("ｶﾞｶ")), Sjis("(が|ガ|ｶﾞ|か゛|カ゛)(か|カ|ｶ)"));
    // Entries longer than the run of characters do not match across an operator.
    EXPECT_EQ(Fuzzy(Sjis("ｶ*ﾞ")), Sjis("(か|カ|ｶ)*(ﾞ|゛)"));
}

TEST(FuzzyRewriting, WithoutTheFlagThePatternStaysAsWritten) {
    TREPreProcessor pre;
    pre.FuzzyCharDic.push_back(&FuzzyCharDictionary());
    pre.SetText("a+");
    EXPECT_EQ(pre.Preprocess(), "a+");
    pre.UseSynonymDic = true;  // no synonym dictionaries: only scans again
    EXPECT_EQ(pre.Preprocess(), "a+");
}

TEST(FuzzyMatching, IgnoresWidthKanaAndVoicingMarks) {
    TAWKStr awk;
    long long start = 0, length = 0;
    awk.SetRegExp(Sjis("ａｂｃ"));
    EXPECT_EQ(awk.Match("xABC", start, length), 0);
    awk.SetUseFuzzyCharDic(true);
    EXPECT_EQ(awk.Match("xABC", start, length), 2);
    EXPECT_EQ(length, 3);
    awk.SetRegExp(Sjis("ガイド"));
    EXPECT_EQ(awk.Match(Sjis("旅のｶﾞｲﾄﾞ"), start, length), 5);
    EXPECT_EQ(length, 5);
    EXPECT_EQ(awk.Match(Sjis("旅のがいど"), start, length), 5);
    EXPECT_EQ(length, 6);
    EXPECT_EQ(awk.Match(Sjis("旅のか゛イﾄﾞ"), start, length), 5);
    EXPECT_EQ(length, 8);
    awk.SetUseFuzzyCharDic(false);
    EXPECT_EQ(awk.RegExp(), Sjis("ガイド"));
    EXPECT_EQ(awk.Match(Sjis("旅のがいど"), start, length), 0);
}

}  // namespace
}  // namespace verdane::regex
