// The use cases on real files: reading as the editor holds it, writing as text
// or DOC, queueing an install on a real demo desktop. The window and
// verdane-cli call these same functions.
#include "DocConvert.h"
#include "KanjiCode.h"
#include "MemoryStream.h"
#include "PalmDesktop.h"
#include "PalmDesktopSetup.h"
#include "QueueInstall.h"
#include "Open.h"
#include "RegistryFile.h"
#include "TestSupport.h"
#include "WriteText.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

namespace verdane::core {
namespace {

using test::ListDir;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

QString Q(const std::string& s) { return QString::fromStdString(s); }

// "あ漢" in Shift-JIS, CR LF.
const std::string kSjis = "\x82\xA0\x8A\xBF\r\n";

TEST(ReadText, AUtf8TextKeepsEveryCharacterItHolds) {
    TempDir dir;
    // "café © 𠮷" and a no-break space: none of them is in Shift-JIS; LF ends.
    const std::string utf8 = "\xEF\xBB\xBF" "caf\xC3\xA9 \xC2\xA9\xC2\xA0\xF0\xA0\xAE\xB7\n\xE3\x81\x82\n";
    WriteFile(dir.File("u.txt"), utf8);
    const Result<OpenedFile> opened = Open(Source::File(Q(dir.File("u.txt"))));
    ASSERT_TRUE(opened) << opened.Reason();
    EXPECT_EQ(opened->code, kcUtf8);
    EXPECT_EQ(opened->document.LineEndsRead(), LineEnds::Lf);
    EXPECT_EQ(EditorTextOf(*opened), QString::fromUtf8("caf\xC3\xA9 \xC2\xA9\xC2\xA0\xF0\xA0\xAE\xB7\n\xE3\x81\x82\n"));
    // The same text in UTF-16 with its byte-order mark, little- and big-endian.
    const std::u16string units = u"caf\u00E9 \u00A9\u00A0\U00020BB7\n\u3042\n";
    for (bool big : {false, true}) {
        std::string utf16 = big ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t u : units) {
            const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
            utf16 += big ? std::string{hi, lo} : std::string{lo, hi};
        }
        WriteFile(dir.File("u16.txt"), utf16);
        const Result<OpenedFile> wide = Open(Source::File(Q(dir.File("u16.txt"))));
        ASSERT_TRUE(wide) << wide.Reason();
        EXPECT_EQ(wide->code, kcUtf8);
        EXPECT_EQ(EditorTextOf(*wide), EditorTextOf(*opened)) << big;
    }
}

TEST(ReadText, OtherCodesBecomeShiftJisWithCrLf) {
    TempDir dir;
    const struct {
        const char* name;
        std::string bytes;
        int code;
    } cases[] = {
        {"sjis.txt", kSjis, kcShiftJis},
        {"euc.txt", "\xA4\xA2\xB4\xC1\xB0\xF5\n", kcEuc},  // "あ漢" and a kanji that decides EUC
        {"jis.txt", "\x1B$B$\"4A\x1B(B\r", kcJisB},
    };
    for (const auto& c : cases) {
        WriteFile(dir.File(c.name), c.bytes);
        const Result<OpenedFile> opened = Open(Source::File(Q(dir.File(c.name))));
        ASSERT_TRUE(opened) << c.name;
        EXPECT_EQ(opened->code, c.code) << c.name;
        EXPECT_EQ(opened->text.substr(0, 4), kSjis.substr(0, 4)) << c.name;
        EXPECT_EQ(opened->text.substr(opened->text.size() - 2), "\r\n") << c.name;
    }
}

TEST(ReadText, DatabasesAreTestedDecodedAndNamed) {
    TempDir dir;
    const Result<std::string> database = MakeDocDatabaseBytes(kSjis, "Book", true, true);
    ASSERT_TRUE(database);
    WriteFile(dir.File("b.pdb"), *database);
    Result<OpenedFile> opened = Open(Source::File(Q(dir.File("b.pdb"))));
    ASSERT_TRUE(opened) << opened.Reason();
    EXPECT_EQ(opened->document.Kind(), DocKind::Pdb);
    EXPECT_EQ(opened->text, kSjis);
    EXPECT_EQ(DocTitleText(opened->document.Title()), "Book");

    // A text named .pdb is refused as such; a damaged database is a failure
    // with its reason, never a crash or an exception.
    WriteFile(dir.File("text.pdb"), "just text");
    opened = Open(Source::File(Q(dir.File("text.pdb"))));
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.Code(), FailureCode::NotDoc);
    WriteFile(dir.File("cut.pdb"), database->substr(0, 90));
    opened = Open(Source::File(Q(dir.File("cut.pdb"))));
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.Code(), FailureCode::DocRecordListCut);
    EXPECT_EQ(opened.Fault().subject, dir.File("cut.pdb"));
    opened = Open(Source::File(Q(dir.File("missing.txt"))));
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.Code(), FailureCode::FileOpen);
    EXPECT_EQ(opened.Fault().error, ENOENT);
}

TEST(WriteText, TheKindDecidesWhatIsWritten) {
    TempDir dir;
    DocSaveOptions options;
    options.title = "Title";
    ASSERT_TRUE(WriteDocumentFile(Q(dir.File("a.TXT")), DocKind::Text, kSjis, options));
    EXPECT_EQ(ReadFile(dir.File("a.TXT")), kSjis);
    ASSERT_TRUE(WriteDocumentFile(Q(dir.File("a.PDB")), DocKind::Pdb, kSjis, options));
    TMemoryStream database(ReadFile(dir.File("a.PDB")));
    TMemoryStream text;
    ASSERT_EQ(DocToText(database, text, true), kDocOk);
    EXPECT_EQ(text.Bytes(), kSjis);
    EXPECT_EQ(ReadFile(dir.File("a.PDB")).substr(0, 6), std::string("Title\0", 6));
    // A failed write says why and leaves nothing behind.
    const Outcome failed = WriteDocumentFile(Q(dir.File("no/such/folder.TXT")), DocKind::Text, kSjis, options);
    ASSERT_FALSE(failed);
    EXPECT_NE(failed.Reason().find("No such file or directory"), std::string::npos) << failed.Reason();
    EXPECT_EQ(ListDir(dir.Path()), (std::vector<std::string>{"a.PDB", "a.TXT"}));
}

TEST(QueueInstall, TheRulesOfNamesHoldAndTheDatabaseIsQueued) {
    TempDir dir;
    const std::string registry = platform::CreatePalmDesktop(dir.File("desk"), {"Hanako"});
    const platform::TPalmDesktop desktop(platform::TRegistryFile::Load(registry));
    const std::string queue = desktop.InstallDirectory(0);
    DocSaveOptions options;
    options.title = "Story";
    for (const char* bad : {"a.b", "a/b", ""}) {
        const Outcome refused = QueueDocDatabase(desktop, 0, QString::fromUtf8(bad), false, kSjis, options);
        EXPECT_FALSE(refused) << bad;
        EXPECT_FALSE(refused.Reason().empty());
    }
    EXPECT_FALSE(QueueDocDatabase(desktop, 1, QStringLiteral("Story"), false, kSjis, options));
    EXPECT_EQ(ListDir(queue), std::vector<std::string>{});
    ASSERT_TRUE(QueueDocDatabase(desktop, 0, QStringLiteral("Story"), true, kSjis, options));
    EXPECT_EQ(ListDir(queue), std::vector<std::string>{"Story.PRC"});
    EXPECT_EQ(ReadFile(queue + "/Story.PRC"), *MakeDocDatabaseBytes(kSjis, "Story", true, true));
    // The queued database keeps the text's bookmarks, as a saved one does.
    options.bookmarks = {DocBookmark{"Mark", 2}};
    ASSERT_TRUE(QueueDocDatabase(desktop, 0, QStringLiteral("Marked"), false, kSjis, options));
    TMemoryStream queued(ReadFile(queue + "/Marked.PDB"));
    TMemoryStream text;
    std::vector<DocBookmark> bookmarks;
    ASSERT_EQ(DocToText(queued, text, true, &bookmarks), kDocOk);
    EXPECT_EQ(text.Bytes(), kSjis);
    EXPECT_EQ(bookmarks, options.bookmarks);
}

}  // namespace
}  // namespace verdane::core
