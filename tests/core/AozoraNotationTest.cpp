// The Aozora notation cleaner against texts and their clean forms written by
// hand: each rule, the edges of each rule, and inputs that only look like
// notation.
#include "AozoraNotation.h"
#include "Cp932Table.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using verdane::AozoraOptions;
using verdane::AozoraRuby;

// Japanese written in UTF-8 here, as the CP932 bytes the cleaner works on.
std::string Sjis(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        const std::size_t len = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        char32_t cp = len == 1 ? b : b & (0x7F >> len);
        for (std::size_t k = 1; k < len; ++k) cp = cp << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += len;
        const int code = verdane::cp932::Encode(cp);
        if (code < 0) throw std::invalid_argument("not in CP932");
        if (code > 0xFF) out += static_cast<char>(code >> 8);
        out += static_cast<char>(code & 0xFF);
    }
    return out;
}

struct Case {
    const char* name;
    const char* input;     // UTF-8
    const char* expected;  // UTF-8
    AozoraRuby ruby = AozoraRuby::Paren;
    const char* mark = nullptr;  // bookmarks with this mark when set
    const char* editor = nullptr;  // UTF-8: the text as the editor gets it, when it differs
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class AozoraNotation : public ::testing::TestWithParam<Case> {};

TEST_P(AozoraNotation, CleansAsWrittenByHand) {
    const Case& c = GetParam();
    AozoraOptions options;
    options.ruby = c.ruby;
    if (c.mark) {
        options.bookmarks = true;
        options.bookmarkMark = Sjis(c.mark);
    }
    const verdane::AozoraCleaned got = verdane::CleanAozoraText(Sjis(c.input), options);
    EXPECT_EQ(verdane::test::ToHex(got.text), verdane::test::ToHex(Sjis(c.expected)));
    const QString editor = QString::fromUtf8(c.editor ? c.editor : c.expected).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_EQ(verdane::AozoraEditorText(got).toStdString(), editor.toStdString());
}

constexpr AozoraRuby kDrop = AozoraRuby::Drop;
constexpr AozoraRuby kParen = AozoraRuby::Paren;

const Case kReadings[] = {
    {"KanjiBase", "吾輩《わがはい》は猫である。", "吾輩（わがはい）は猫である。"},
    {"KanjiBaseDropped", "吾輩《わがはい》は猫である。", "吾輩は猫である。", kDrop},
    {"BarMarksTheBase", "一番｜獰悪《どうあく》な種族", "一番獰悪（どうあく）な種族"},
    {"BarMarksTheBaseDropped", "一番｜獰悪《どうあく》な種族", "一番獰悪な種族", kDrop},
    {"BarBeforeKana", "｜お父さん《おとっさん》", "お父さん", kDrop},
    {"HiraganaBase", "それは、あやかし《妖》だ", "それは、あやかし（妖）だ"},
    {"HiraganaBaseDropped", "それは、あやかし《妖》だ", "それは、あやかしだ", kDrop},
    {"KatakanaWithLongMark", "コーヒー《珈琲》を", "コーヒー（珈琲）を"},
    {"FullWidthLatin", "ＡＢＣ《エービーシー》", "ＡＢＣ", kDrop},
    {"HalfWidthLatinAndDigits", "a1《エーワン》と", "a1（エーワン）と"},
    {"IterationMarkIsKanji", "人々《ひとびと》", "人々", kDrop},
    {"SmallKeIsKanji", "一ヶ月《いっかげつ》", "一ヶ月", kDrop},
    {"SeveralInALine", "漢字《かんじ》と仮名《かな》", "漢字と仮名", kDrop},
    {"SeveralInALineParen", "漢字《かんじ》仮名《かな》", "漢字（かんじ）仮名（かな）"},
    {"NoBaseKeepsTheReading", "「《よみ》」", "「（よみ）」", kDrop},
    {"OpenWithoutClose", "《閉じない行\r\n次《つぎ》\r\n", "《閉じない行\r\n次\r\n", kDrop},
    {"CloseOnTheNextLineIsNotTheClose", "漢《かん\r\nじ》\r\n", "漢《かん\r\nじ》\r\n"},
    {"BarWithoutReadingStays", "a｜b", "a｜b"},
    {"AnnotationInsideTheReading", "漢《かん［＃「かん」に傍点］》", "漢（かん）"},
};
INSTANTIATE_TEST_SUITE_P(Readings, AozoraNotation, ::testing::ValuesIn(kReadings),
                         [](const auto& info) { return std::string(info.param.name); });

const Case kDescribed[] = {
    {"ThirdLevelHeldByCp932", "※［＃「木＋世」、第3水準1-85-56］の木", "枻の木"},
    {"PlaneRowCellWithoutLevel", "※［＃ローマ数字1、1-13-21］章", "Ⅰ章"},
    {"WaveDashIsCp932sTilde", "※［＃波ダッシュ、1-1-33］", "～"},
    {"UnicodeCp932Lacks", "※［＃「口＋世」、U+546D、12-3］", "※（口＋世）"},
    {"UnicodeCp932Holds", "※［＃「木＋世」、U+67BB、56-7］", "枻"},
    {"FourthLevelCp932Lacks", "※［＃「言＋墟のつくり」、第4水準2-88-74］", "※（言＋墟のつくり）"},
    {"NoQuotesDescriptionUpToComma", "※［＃二の字点、1-2-22］", "※（二の字点）"},
    {"NestedQuotes", "※［＃「「口」＋世」、U+546D］", "※（「口」＋世）"},
    {"PageAndLineIsNoCode", "※［＃「てへん＋劣」、157-12］", "※（てへん＋劣）"},
    {"DigitsInTheDescriptionAreNoCode", "※［＃「1-13-21」、U+546D］", "※（1-13-21）"},
    {"KomeWithoutNoteStays", "※印の注意", "※印の注意"},
    {"WithAReading", "｜※［＃「口＋世」、U+546D］《ちん》", "※（口＋世）（ちん）"},
    {"DescribedKanjiJoinsTheRun", "※［＃「木＋世」、第3水準1-85-56］木《えいぼく》", "枻木", kDrop},
};
INSTANTIATE_TEST_SUITE_P(Described, AozoraNotation, ::testing::ValuesIn(kDescribed),
                         [](const auto& info) { return std::string(info.param.name); });

const Case kAnnotations[] = {
    {"EmphasisRemoved", "吾輩［＃「吾輩」に傍点］は", "吾輩は"},
    {"QuotedBracketInsideTheNote", "傍点［＃「］」に傍点］だ", "傍点だ"},
    {"OtherNoteWithAKaeritenGoes", "学［＃レ点］而", "学而"},
    {"LineOfAnnotationsGoes", "一\r\n［＃改ページ］\r\n二\r\n", "一\r\n二\r\n"},
    {"LineOfSeveralAnnotationsGoes", "一\r\n［＃ページの左右中央］［＃改丁］\r\n二\r\n", "一\r\n二\r\n"},
    {"AnnotationAtTheVeryEnd", "一\r\n［＃本文終わり］", "一\r\n"},
    {"LineWithTextKeepsItsEnd", "一［＃「一」に傍点］\r\n二", "一\r\n二"},
    {"EmptyLinesStay", "一\r\n\r\n二\r\n", "一\r\n\r\n二\r\n"},
    {"UnclosedNoteStays", "［＃閉じない注記\r\n", "［＃閉じない注記\r\n"},
    {"BracketWithoutSharpStays", "［注］本文", "［注］本文"},
    {"EmptyText", "", ""},
    {"LfLineEndsKept", "一\n［＃改ページ］\n二\n", "一\n二\n"},
};
INSTANTIATE_TEST_SUITE_P(Annotations, AozoraNotation, ::testing::ValuesIn(kAnnotations),
                         [](const auto& info) { return std::string(info.param.name); });

const Case kKunten[] = {
    {"KaeritenKept", "自［＃二］女王國［＃一］東度［＃レ］海", "自二女王國一東度レ海"},
    {"KaeritenWithRe", "不［＃レ］知［＃一レ］其［＃上レ］人［＃甲］", "不レ知一レ其上レ人甲"},
    {"OkuriganaAsKana", "山城［＃（ノ）］國", "山城ノ國"},
    {"ManyoganaOkurigana", "見悦給［＃（弖）］、其處［＃（爾）］魚見社定賜［＃（支）］", "見悦給弖、其處爾魚見社定賜支"},
    {"WarichuInParentheses", "説と［＃割り注］ヒロソヒイ［＃割り注終わり］政治家", "説と（ヒロソヒイ）政治家"},
    {"LineBreakInWarichuGoes", "説［＃割り注］上段［＃改行］下段［＃割り注終わり］", "説（上段下段）"},
    {"EmptyNoteGoes", "一［＃］二", "一二"},
};
INSTANTIATE_TEST_SUITE_P(Kunten, AozoraNotation, ::testing::ValuesIn(kKunten),
                         [](const auto& info) { return std::string(info.param.name); });

const Case kAccents[] = {
    {"AccentGroup", "〔e'tiquette〕", "etiquette", kParen, nullptr, "étiquette"},
    // In Shift-JIS as every writer of the program writes them: a letter with
    // accents as its base letter, ø and the ligatures in their plain spelling.
    {"EveryMark", "〔a`e'i^o:n~c,o/a&u_Y:〕", "aeioncoauY", kParen, nullptr, "àéîöñçøåūŸ"},
    {"Ligatures", "〔ae&OE&s& !@?@〕", "aeOEss !?", kParen, nullptr, "æŒß ¡¿"},
    {"GroupWithoutAccentsStays", "〔注〕と〔l'a〕", "〔注〕と〔l'a〕"},
    {"UnclosedGroupStays", "〔e'〔e'", "〔e'〔e'"},
    {"ReadingAfterGroupHasItsBase", "〔Ve'rite'〕《ヴェリテ》", "Verite", kDrop, nullptr, "Vérité"},
    {"ReadingAfterPlainGroup", "〔Paris〕《パリ》", "〔Paris〕", kDrop},
    {"ReadingKeptAfterGroup", "〔e'〕《エ》", "e（エ）", kParen, nullptr, "é（エ）"},
    {"BarBeforeGroup", "あ｜〔e'〕《え》い", "あeい", kDrop, nullptr, "あéい"},
    {"MarkedHeading", "〔e'te'〕［＃「〔e'te'〕」は小見出し］\r\n", "*ete\r\n<*>", kParen, "*", "*été\r\n<*>"},
};
INSTANTIATE_TEST_SUITE_P(Accents, AozoraNotation, ::testing::ValuesIn(kAccents),
                         [](const auto& info) { return std::string(info.param.name); });

const Case kAnnotatedReadings[] = {
    {"LeftRubyEndForm", "［＃左にルビ付き］青空［＃左に「あおぞら」のルビ付き終わり］", "青空（あおぞら）"},
    {"LeftRubyEndFormDropped", "［＃左にルビ付き］青空［＃左に「あおぞら」のルビ付き終わり］", "青空", kDrop},
    {"NoteEndForm", "［＃注記付き］名［＃「な」の注記付き終わり］", "名（な）"},
    {"LeftRubyNamingItsBase", "青空［＃「青空」の左に「あおぞら」のルビ］だ", "青空（あおぞら）だ"},
    {"NoteNamingItsBase", "青空［＃「青空」に「×」の注記］", "青空（×）"},
    {"NoteNamingItsBaseDropped", "青空［＃「青空」に「×」の注記］", "青空", kDrop},
    {"EmphasisIsNoReading", "青空［＃「青空」に「○」の傍点］", "青空"},
};
INSTANTIATE_TEST_SUITE_P(AnnotatedReadings, AozoraNotation, ::testing::ValuesIn(kAnnotatedReadings),
                         [](const auto& info) { return std::string(info.param.name); });

const Case kIndentation[] = {
    {"FullWidthDigits", "［＃３字下げ］本文\r\n", "　　　本文\r\n"},
    {"HalfWidthDigits", "［＃2字下げ］本文\r\n", "　　本文\r\n"},
    {"NotAtTheStartIsRemoved", "本文［＃３字下げ］続き\r\n", "本文続き\r\n"},
    {"Block",
     "前\r\n［＃ここから２字下げ］\r\n一行目\r\n二行目\r\n［＃ここで字下げ終わり］\r\n後\r\n",
     "前\r\n　　一行目\r\n　　二行目\r\n後\r\n"},
    {"BlockWithHangingIndent",
     "［＃ここから１字下げ、折り返して２字下げ］\r\n項目\r\n［＃ここで字下げ終わり］\r\n",
     "　項目\r\n"},
    {"BlockEmptyLine", "［＃ここから１字下げ］\r\nあ\r\n\r\nい\r\n［＃ここで字下げ終わり］\r\n",
     "　あ\r\n　\r\n　い\r\n"},
    {"HugeNumberIsBounded",
     "［＃９９９９９９９９９９９９字下げ］x",
     "　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　"
     "　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　x"},
};
INSTANTIATE_TEST_SUITE_P(Indentation, AozoraNotation, ::testing::ValuesIn(kIndentation),
                         [](const auto& info) { return std::string(info.param.name); });

const Case kHeadings[] = {
    {"QuotedHeadingMarked", "［＃５字下げ］一［＃「一」は中見出し］\r\n本文\r\n", "　　　　　(BM)一\r\n本文\r\n<(BM)>", kParen, "(BM)"},
    {"BlockIndentBeforeTheMark", "［＃ここから２字下げ］\r\n一［＃「一」は中見出し］\r\n［＃ここで字下げ終わり］\r\n",
     "　　★一\r\n<★>", kParen, "★"},
    {"QuotedHeadingWithoutBookmarks", "［＃５字下げ］一［＃「一」は中見出し］\r\n", "　　　　　一\r\n"},
    {"StartEndForm", "［＃大見出し］第一章［＃大見出し終わり］\r\n", "★第一章\r\n<★>", kParen, "★"},
    {"SmallHeading", "その後［＃「その後」は小見出し］\n", "*その後\n<*>", kParen, "*"},
    {"MarkerLineAfterTheLastLine", "一［＃「一」は中見出し］\r\n終", "(BM)一\r\n終\r\n<(BM)>", kParen, "(BM)"},
    {"MarkerLineOnlyOnce", "一［＃「一」は中見出し］\r\n<(BM)>", "(BM)一\r\n<(BM)>", kParen, "(BM)"},
    {"NoHeadingNoMarkerLine", "本文\r\n", "本文\r\n", kParen, "(BM)"},
    {"BlockFormMarksItsFirstLine",
     "［＃ここから大見出し］\r\n第一部\r\n［＃ここで大見出し終わり］\r\n本文\r\n",
     "(BM)第一部\r\n本文\r\n<(BM)>", kParen, "(BM)"},
    {"EmptyMark", "一［＃「一」は中見出し］\r\n", "一\r\n", kParen, ""},
};
INSTANTIATE_TEST_SUITE_P(Headings, AozoraNotation, ::testing::ValuesIn(kHeadings),
                         [](const auto& info) { return std::string(info.param.name); });

// With bookmarks, each heading is a bookmark named after it (at most 15 bytes,
// whole characters), at its first character: its byte offset in the text and
// its place in the editor's text (where accented letters count one each).
struct HeadingCase {
    const char* name;
    const char* input;     // UTF-8
    const char* mark;      // UTF-8
    const char* names;     // UTF-8, "|" between the names
    const char* offsets;   // ", " between them
    const char* places;    // in the editor's text
};

class AozoraHeadings : public ::testing::TestWithParam<HeadingCase> {};

TEST_P(AozoraHeadings, AreBookmarksNamedAfterThem) {
    const HeadingCase& c = GetParam();
    AozoraOptions options;
    options.bookmarks = true;
    options.bookmarkMark = Sjis(c.mark);
    const verdane::AozoraCleaned got = verdane::CleanAozoraText(Sjis(c.input), options);
    std::string names, offsets, places;
    std::vector<qsizetype> at;
    verdane::AozoraEditorText(got, &at);
    ASSERT_EQ(at.size(), got.headings.size());
    for (std::size_t k = 0; k < got.headings.size(); ++k) {
        names += (k ? "|" : "") + got.headings[k].name;
        offsets += (k ? ", " : "") + std::to_string(got.headings[k].offset);
        places += (k ? ", " : "") + std::to_string(at[k]);
    }
    EXPECT_EQ(verdane::test::ToHex(names), verdane::test::ToHex(Sjis(c.names)));
    EXPECT_EQ(offsets, c.offsets);
    EXPECT_EQ(places, c.places);
}

const HeadingCase kHeadingMarks[] = {
    {"Indented", "［＃５字下げ］一［＃「一」は中見出し］\r\n本文\r\n二［＃「二」は中見出し］\r\n", "(BM)", "一|二", "10, 24", "5, 14"},
    {"NoMark", "［＃２字下げ］第一章［＃「第一章」は大見出し］\r\n", "", "第一章", "4", "2"},
    {"LongNameCutToWholeCharacters", "第一章　吾輩は猫である［＃「第一章　吾輩は猫である」は大見出し］\r\n", "",
     "第一章　吾輩は", "0", "0"},
    {"AfterAccentedLetters", "〔s&a〕\r\n二［＃「二」は中見出し］\r\n", "*", "二", "5", "3"},
    {"AnnotationAloneMarksTheNextLine", "［＃ここから大見出し］\r\n第一部\r\n［＃ここで大見出し終わり］\r\n", "★", "第一部",
     "0", "0"},
};
INSTANTIATE_TEST_SUITE_P(Headings, AozoraHeadings, ::testing::ValuesIn(kHeadingMarks),
                         [](const auto& info) { return std::string(info.param.name); });

#define RULE "-------------------------------------------------------"
const Case kNotesBlock[] = {
    {"RemovedWithItsLines",
     "題\r\n作者\r\n\r\n" RULE "\r\n【テキスト中に現れる記号について】\r\n《》：ルビ\r\n" RULE "\r\n\r\n本文\r\n",
     "題\r\n作者\r\n\r\n\r\n本文\r\n"},
    {"ShortRuleIsNoRule", "題\r\n-----\r\n注\r\n-----\r\n本文\r\n", "題\r\n-----\r\n注\r\n-----\r\n本文\r\n"},
    {"UnclosedBlockStays", "題\r\n" RULE "\r\n注\r\n", "題\r\n" RULE "\r\n注\r\n"},
    {"ReadingsInsideGoWithTheBlock", RULE "\r\n（例）吾輩《わがはい》\r\n" RULE "\r\n猫\r\n", "猫\r\n"},
    {"AfterTheThirtiethLineStays",
     "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n12\r\n13\r\n14\r\n15\r\n16\r\n17\r\n18\r\n19\r\n20\r\n"
     "21\r\n22\r\n23\r\n24\r\n25\r\n26\r\n27\r\n28\r\n29\r\n30\r\n" RULE "\r\nx\r\n" RULE "\r\n",
     "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n12\r\n13\r\n14\r\n15\r\n16\r\n17\r\n18\r\n19\r\n20\r\n"
     "21\r\n22\r\n23\r\n24\r\n25\r\n26\r\n27\r\n28\r\n29\r\n30\r\n" RULE "\r\nx\r\n" RULE "\r\n"},
    {"OnTheThirtiethLineGoes",
     "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n12\r\n13\r\n14\r\n15\r\n16\r\n17\r\n18\r\n19\r\n20\r\n"
     "21\r\n22\r\n23\r\n24\r\n25\r\n26\r\n27\r\n28\r\n29\r\n" RULE "\r\nx\r\n" RULE "\r\ny",
     "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n12\r\n13\r\n14\r\n15\r\n16\r\n17\r\n18\r\n19\r\n20\r\n"
     "21\r\n22\r\n23\r\n24\r\n25\r\n26\r\n27\r\n28\r\n29\r\ny"},
};
INSTANTIATE_TEST_SUITE_P(NotesBlock, AozoraNotation, ::testing::ValuesIn(kNotesBlock),
                         [](const auto& info) { return std::string(info.param.name); });

const Case kColophon[] = {
    {"KeptAsItIs",
     "おわり\r\n\r\n底本：「夏目漱石全集1」ちくま文庫、筑摩書房\r\n　　　1987（昭和62）年9月29日第1刷発行\r\n"
     "入力：柴田卓治\r\n校正：渡部峰子\r\n1999年9月17日公開\r\n",
     "おわり\r\n\r\n底本：「夏目漱石全集1」ちくま文庫、筑摩書房\r\n　　　1987（昭和62）年9月29日第1刷発行\r\n"
     "入力：柴田卓治\r\n校正：渡部峰子\r\n1999年9月17日公開\r\n"},
};
INSTANTIATE_TEST_SUITE_P(Colophon, AozoraNotation, ::testing::ValuesIn(kColophon),
                         [](const auto& info) { return std::string(info.param.name); });

// A trail byte followed by bytes that would read as notation if the walk lost
// its step: 堰 is 0x89 0x81, and "m" is 0x6D, so 堰m＃ holds 81 6D 81 94.
TEST(AozoraNotationBytes, TrailBytesAreNeverTakenForNotation) {
    const std::string text = Sjis("堰m＃注］本文《") + "\r\n";
    EXPECT_EQ(verdane::CleanAozoraNotation(text, {}), text);
}

// Lines of a megabyte full of openings that never close: each is looked at a
// bounded way, so the text comes back as it was without a long wait or a deep
// recursion (notes inside notes inside notes...).
TEST(AozoraNotationBytes, UnclosedOpeningsCostLittle) {
    std::string notes, rubies, quotes;
    for (int i = 0; i < 150000; ++i) notes += Sjis("※［＃「");
    for (int i = 0; i < 500000; ++i) rubies += Sjis("《");
    for (int i = 0; i < 100000; ++i) quotes += Sjis("［＃「「x");
    for (const std::string& line : {notes, rubies, quotes}) {
        const std::string text = line + "\r\n" + line;
        EXPECT_EQ(verdane::CleanAozoraNotation(text, {}), text);
    }
    // Deeply nested closed notes: the text inside stays, the notes go.
    std::string nested = "x";
    for (int i = 0; i < 2000; ++i) nested = Sjis("※［＃「") + nested + Sjis("」、U+546D］");
    const std::string clean = verdane::CleanAozoraNotation(nested, {});
    EXPECT_LT(clean.size(), nested.size());
}

TEST(AozoraNotationBytes, LeadByteAtTheEndStays) {
    const std::string text = Sjis("漢") + "\x8A";
    EXPECT_EQ(verdane::CleanAozoraNotation(text, {}), text);
}

TEST(AozoraTitle, FirstLineWithoutBlanks) {
    EXPECT_EQ(verdane::AozoraTitle(Sjis("　吾輩は猫である \r\n夏目漱石\r\n")), Sjis("吾輩は猫である"));
    EXPECT_EQ(verdane::AozoraTitle(Sjis("こころ")), Sjis("こころ"));
    EXPECT_EQ(verdane::AozoraTitle(""), "");
    EXPECT_EQ(verdane::AozoraTitle("\r\nx"), "");
}

}  // namespace
