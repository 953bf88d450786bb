// The editor text in each code and line-end form a text file is saved in;
// expected bytes as iconv writes them (EUC-JP-MS for the NEC row).
#include "EditorFileCodec.h"
#include "KanjiCode.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace verdane::platform {
namespace {

struct FormCase {
    const char* name;
    std::u16string text;
    FileForm form;
    const char* hex;
    std::size_t unencodable;
};

class EditorFileCodecForms : public testing::TestWithParam<FormCase> {};

TEST_P(EditorFileCodecForms, WritesTheCodesBytes) {
    const FormCase& c = GetParam();
    const EncodeResult r = EditorToFile(QString::fromStdU16String(c.text), c.form);
    EXPECT_EQ(test::ToHex(r.bytes), test::ToHex(test::Hex(c.hex)));
    EXPECT_EQ(r.unencodable, c.unencodable);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EditorFileCodecForms,
    testing::Values(
        FormCase{"ShiftJisCrLf", u"\u3042\nb", {FileCode::ShiftJis, true}, "82 A0 0D 0A 62", 0},
        FormCase{"ShiftJisLf", u"\u3042\nb\n", {FileCode::ShiftJis, false}, "82 A0 0A 62 0A", 0},
        FormCase{"ShiftJisLfKeepsEscapedBytes", u"\xDC80\n\xDCFD", {FileCode::ShiftJis, false}, "80 0A FD", 0},
        FormCase{"Utf8Lf", u"\u3042\nb\U0001F600", {FileCode::Utf8, false}, "E3 81 82 0A 62 F0 9F 98 80", 0},
        FormCase{"Utf8BomCrLf", u"a\nb", {FileCode::Utf8, true, true}, "EF BB BF 61 0D 0A 62", 0},
        FormCase{"Utf8KeepsPrivateUse", u"x\uF741", {FileCode::Utf8, false}, "78 EF 9D 81", 0},
        FormCase{"Utf8LacksEscapedBytes", u"a\xDC80", {FileCode::Utf8, false}, "61 3F", 1},
        FormCase{"EucJpLf", u"\u3042\u30A2\u6F22\n\uFF71\u2460", {FileCode::EucJp, false},
                 "A4 A2 A5 A2 B4 C1 0A 8E B1 AD A1", 0},
        FormCase{"EucJpLacksIbmAndPrivateUse", u"a\u9AD9\uF741\uE000b", {FileCode::EucJp, true}, "61 3F 3F 3F 62", 3}),
    [](const auto& info) { return std::string(info.param.name); });

// The one conversion policy, the same in every writer: the editor's Shift-JIS
// text and DOC database, its EUC-JP text, and the UTF-8 reader's conversion to
// Shift-JIS. The codes of the characters held as iconv writes them.
struct PolicyCase {
    char32_t c;
    const char* text;   // Shift-JIS text
    const char* doc;    // Shift-JIS in a DOC database
    const char* euc;    // EUC-JP text
    bool named = true;  // a stand-in in Shift-JIS, named
};

TEST(ConversionPolicy, EveryWriterWritesTheSameStandIns) {
    const PolicyCase cases[] = {
        {0x00A0, "20", "20", "20"},             // no-break space
        {0x00E9, "65", "65", "65"},             // é
        {0x0130, "49", "49", "49"},             // İ
        {0x00F8, "6F", "6F", "6F"},             // ø
        {0x00E6, "61 65", "61 65", "61 65"},    // æ
        {0x00DF, "73 73", "73 73", "73 73"},    // ß
        {0x0153, "6F 65", "6F 65", "6F 65"},    // œ
        {0x00BF, "3F", "3F", "3F"},             // ¿
        {0x00A5, "81 8F", "81 8F", "A1 EF"},    // ¥ as ￥
        {0x00A9, "3F", "81 AC", "3F"},          // ©
        {0x203E, "3F", "81 AC", "3F"},          // overline
        {0x1F600, "3F", "81 AC", "3F"},
        {0x03AC, "83 BF", "83 BF", "A6 C1"},    // ά as α
        {0x30F7, "83 8F", "83 8F", "A5 EF"},    // ヷ as ワ
        {0x2170, "FA 40", "FA 40", "3F", false},       // ⅰ, which EUC-JP lacks
        {0x301C, "81 60", "81 60", "A1 C1", false},    // the JIS X 0208 forms
        {0x2212, "81 7C", "81 7C", "A1 DD", false},
        {0x2016, "81 61", "81 61", "A1 C2", false},
        {0x2014, "81 5C", "81 5C", "A1 BD", false},
        {0x00A2, "81 91", "81 91", "A1 F1", false},
        {0x00A3, "81 92", "81 92", "A1 F2", false},
        {0x00AC, "81 CA", "81 CA", "A2 CC", false},
    };
    for (const PolicyCase& c : cases) {
        const QString text = QString::fromUcs4(&c.c, 1);
        const std::string named = "U+" + QString::number(static_cast<uint>(c.c), 16).toStdString();
        FileTextOptions doc;
        doc.lacking = Lacking::Geta;
        const FileText sjis = EncodeForFile(text, {FileCode::ShiftJis, true});
        EXPECT_EQ(test::ToHex(sjis.bytes), c.text) << named;
        EXPECT_EQ(test::ToHex(EncodeForFile(text, {FileCode::ShiftJis, true}, doc).bytes), c.doc) << named;
        const FileText euc = EncodeForFile(text, {FileCode::EucJp, true});
        EXPECT_EQ(test::ToHex(euc.bytes), c.euc) << named;
        EXPECT_EQ(test::ToHex(Utf8ToCp932(text.toStdString())), c.text) << named;
        // A stand-in is named with what stands for the character.
        ASSERT_EQ(sjis.unwritableCount, c.named ? 1u : 0u) << named;
        if (c.named) EXPECT_EQ(EditorToBytes(sjis.unwritable[0].writtenAs).bytes, sjis.bytes) << named;
    }
}

}  // namespace
}  // namespace verdane::platform
