// The editor text in each code and line-end form a text file is saved in;
// expected bytes as iconv writes them (EUC-JP-MS for the NEC row).
#include "EditorFileCodec.h"
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

}  // namespace
}  // namespace verdane::platform
