// Shift-JIS kept as bytes on the way out: the write plan made from the bytes
// writes what the window writes for the editor text read from them, on every
// code of CP932; and a page made Shift-JIS as it arrives is the same however
// its body is cut into pieces.
#include "EditorCodec.h"
#include "KanjiCode.h"
#include "PageStream.h"
#include "ShiftJisBytes.h"
#include "TestSupport.h"
#include "WritePlan.h"

#include <gtest/gtest.h>

namespace verdane::core {
namespace {

using test::Hex;
using test::ToHex;

SaveRequest RequestOf(DocKind kind) {
    SaveRequest request;
    request.path = QStringLiteral("/nonexistent/out");
    request.kind = kind;
    request.title = QStringLiteral("t");
    request.addExtension = false;
    return request;
}

class BytesPath : public ::testing::TestWithParam<DocKind> {};

TEST_P(BytesPath, WritesWhatTheWindowWritesOnTheWholeTable) {
    // Every byte alone, then every pair a lead byte starts (each after an
    // ASCII byte, so it is read as a pair where it is one), and a lead byte
    // that ends the text.
    std::string text;
    for (int b = 0x80; b <= 0xFF; ++b) text += {static_cast<char>(b), ' '};
    for (int lead = 0x81; lead <= 0xFC; ++lead)
        for (int trail = 0; trail <= 0xFF; ++trail)
            if (trail != '\r' && trail != '\n') text += {'|', static_cast<char>(lead), static_cast<char>(trail)};
    text += "\r\n\x81";
    const Document document = Document::ReadFrom({}, DocKind::Text, {}, verdane::kcShiftJis, LineEnds::CrLf);
    const Result<WritePlan> window = PlanSave(document, platform::BytesToEditor(text), RequestOf(GetParam()));
    const Result<WritePlan> bytes = PlanSaveBytes(document, text, RequestOf(GetParam()));
    ASSERT_TRUE(window && bytes);
    EXPECT_EQ(bytes->unwritableCount, window->unwritableCount);
    EXPECT_TRUE(bytes->text == window->text);
    for (std::size_t k = 0; k < text.size() && bytes->text != window->text; ++k)
        if (bytes->text[k] != window->text[k]) ADD_FAILURE() << "first difference at " << k << ": " << ToHex(text.substr(k - 1, 3));
}

INSTANTIATE_TEST_SUITE_P(Kinds, BytesPath, ::testing::Values(DocKind::Text, DocKind::Pdb));

// The duplicates in the forms Windows writes.
TEST(BytesPath, WritesEachDuplicateInWindowsForm) {
    const struct {
        const char* read;
        const char* written;
    } rows[] = {
        {"87 90", "81 E0"},  // ≒, NEC row 13 -> JIS X 0208
        {"87 9A", "81 E6"},  // ∵
        {"FA 5B", "81 E6"},  // ∵, IBM extension -> JIS X 0208
        {"EE F9", "81 CA"},  // ￢, NEC-selected IBM -> JIS X 0208
        {"ED 40", "FA 5C"},  // 纊, NEC-selected IBM -> IBM extension
        {"EE EF", "FA 40"},  // ⅰ
        {"FA 4A", "87 54"},  // Ⅰ, IBM extension -> NEC row 13
        {"87 54", "87 54"},
        {"81 5C", "81 5C"},
    };
    for (const auto& row : rows) {
        std::string text = Hex(row.read);
        MakeWindowShiftJis(text);
        EXPECT_EQ(ToHex(text), row.written) << row.read;
    }
}

struct StreamCase {
    const char* name;
    const char* contentType;
    std::string body;
    std::string written;
    const char* replaced;  // "line:U+code>stand-in" each
};

class StreamedPage : public ::testing::TestWithParam<StreamCase> {};

TEST_P(StreamedPage, IsTheSameHoweverItsBodyIsCut) {
    const StreamCase& c = GetParam();
    for (const std::size_t cut : {1, 2, 3, 5, 1000}) {
        std::string out;
        PageStream stream(c.contentType, [&out](std::string_view bytes) { out.append(bytes); }, 4);
        for (std::size_t at = 0; at < c.body.size(); at += cut) stream.Append(std::string_view(c.body).substr(at, cut));
        stream.Finish();
        EXPECT_EQ(ToHex(out), ToHex(c.written)) << "pieces of " << cut;
        std::string replaced;
        for (const platform::Unwritable& u : stream.Replaced())
            replaced += (replaced.empty() ? "" : " ") + std::to_string(u.line) + ":U+" +
                        QString::number(static_cast<uint>(u.codePoint), 16).toUpper().rightJustified(4, u'0').toStdString() +
                        ">" + u.writtenAs.toStdString();
        EXPECT_EQ(replaced, c.replaced) << "pieces of " << cut;
        EXPECT_EQ(stream.ReplacedCount(), stream.Replaced().size());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, StreamedPage,
    ::testing::Values(
        // 日本 ≒語: the pair cut between its bytes stays whole, the duplicate in Windows's form.
        StreamCase{"ShiftJis", "text/plain; charset=Shift_JIS", Hex("93 FA 96 7B 0D 0A 87 90 8C EA"),
                   Hex("93 FA 96 7B 0D 0A 81 E0 8C EA 0D 0A"), ""},
        // 0x87 as the trail byte of 0x9387 at a piece's end: no NEC code to rewrite.
        StreamCase{"TrailByteAtAPiecesEnd", "text/plain; charset=Shift_JIS", Hex("41 42 93 87 90 8C 0D 0A"),
                   Hex("41 42 93 87 90 8C 0D 0A"), ""},
        StreamCase{"EucJp", "text/plain; charset=EUC-JP", Hex("C6 FC CB DC 0A B8 EC"), Hex("93 FA 96 7B 0D 0A 8C EA 0D 0A"), ""},
        // café, then ☃ (which Shift-JIS lacks) and 日 with a line between.
        StreamCase{"Utf8", "text/html; charset=utf-8", "caf\xC3\xA9\n\xE2\x98\x83\xE6\x97\xA5",
                   "cafe\r\n?" + Hex("93 FA 0D 0A"), "1:U+00E9>e 2:U+2603>?"},
        StreamCase{"LineEnds", "text/plain; charset=Shift_JIS", "a\r\nb\rc\n\r\nd", "a\r\nb\r\nc\r\n\r\nd\r\n", ""},
        StreamCase{"Binary", "", Hex("00 01 FF 0D 0A 80 0D"), Hex("00 01 FF 0D 0A 80 0D"), ""}),
    [](const ::testing::TestParamInfo<StreamCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace verdane::core
