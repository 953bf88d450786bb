// Every way out as a plan, then written: the file named, whether another file
// is replaced, the code and line ends, the characters the code lacks with
// what stands for them, and the bytes on disk, in a temporary folder.
#include "DocConvert.h"
#include "Open.h"
#include "PalmDesktop.h"
#include "PalmDesktopSetup.h"
#include "ReadText.h"
#include "RegistryFile.h"
#include "TestSupport.h"
#include "WritePlan.h"

#include <gtest/gtest.h>

namespace verdane::core {
namespace {

using test::Hex;
using test::ReadFile;
using test::ToHex;
using test::WriteFile;

enum class Way { Text, Pdb, Prc, Install, Html, Aozora, Cli, CliInstall };

struct PlanCase {
    const char* name;
    Way way;
    const char* own;          // the file the document was read from, or "" for a new text
    std::string ownBytes;
    std::u16string typed;     // a new text's editor text
    const char* chosen;       // the name chosen (Save), the install name
    const char* other;        // a file already there, or ""
    // What the plan says and what is then on disk.
    const char* target;       // its file name; "" for none
    bool replacesOther;
    bool formChanges;
    const char* form;
    const char* unwritable;   // "line:U+code>stand-in" each
    const char* written;      // the file's bytes, a database's text, a command's text
    const char* title = "";   // a database's name
    int markAt = -1;          // a bookmark's editor position, and its byte offset written
    std::uint32_t markOffset = 0;
    const char* command = "";  // verdane-cli's command, run as COMMAND IN OUT
};

// The report's characters as Listed gives them: "  line 1: U+00E9 é as "e"".
std::string ListedInReport(const std::string& err) {
    std::string out;
    for (std::size_t at = err.find("  line "); at != std::string::npos; at = err.find("  line ", at + 1)) {
        const std::size_t colon = err.find(": ", at), space = err.find(' ', colon + 2);
        const std::size_t quote = err.find('"', space), end = err.find("\"\n", quote + 1);
        out += (out.empty() ? "" : " ") + err.substr(at + 7, colon - at - 7) + ":" +
               err.substr(colon + 2, space - colon - 2) + ">" + err.substr(quote + 1, end - quote - 1);
    }
    return out;
}

std::string Listed(const WritePlan& plan) {
    std::string out;
    for (const platform::Unwritable& u : plan.unwritable)
        out += (out.empty() ? "" : " ") + std::to_string(u.line) + ":" +
               QStringLiteral("U+%1").arg(static_cast<uint>(u.codePoint), 4, 16, QChar(u'0')).toUpper().toStdString() +
               ">" + u.writtenAs.toStdString();
    return out;
}

class WritePlans : public testing::TestWithParam<PlanCase> {};

TEST_P(WritePlans, SayWhatChangesAndWriteExactlyThat) {
    const PlanCase& c = GetParam();
    test::TempDir dir;
    const std::string registry = platform::CreatePalmDesktop(dir.File("desk"), {"Hanako"});
    const platform::TPalmDesktop desktop(platform::TRegistryFile::Load(registry));
    const std::string queue = desktop.InstallDirectory(0) + "/";
    const bool install = c.way == Way::Install || c.way == Way::CliInstall;
    const std::string folder = install ? queue : dir.Path() + "/";

    Document document;
    QString text = QString::fromStdU16String(c.typed);
    if (*c.own) {
        WriteFile(dir.File(c.own), c.ownBytes);
        const QString path = QString::fromStdString(dir.File(c.own));
        const Result<OpenedFile> opened = Open(Source::File(path));
        ASSERT_TRUE(opened) << opened.Reason();
        document = opened->document;
        text = EditorTextOf(*opened);
    }
    if (*c.other) WriteFile(folder + c.other, "other");
    if (c.way == Way::Cli || c.way == Way::CliInstall) {
        // The command line says on standard error what the window would ask.
        ::setenv("VERDANE_REGISTRY", registry.c_str(), 1);
        const test::ProcessResult r =
            c.way == Way::Cli ? test::RunCli({c.command, dir.File(c.own), folder + c.chosen})
                              : test::RunCli({"install", "--user", "Hanako", "--title", "T\xC3\xA9", dir.File(c.own)});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err.find("replaced " + (install ? std::string(c.target) : folder + c.target)) != std::string::npos,
                  c.replacesOther)
            << r.err;
        EXPECT_EQ(ListedInReport(r.err), c.unwritable);
        const std::string bytes = ReadFile(folder + c.target);
        const Result<std::string> stored = DocDatabaseText(bytes);
        EXPECT_EQ(ToHex(stored ? *stored : bytes), ToHex(Hex(c.written)));
        if (stored) EXPECT_EQ(DocTitleText(DocTitleOf(bytes)), c.title);
        return;
    }

    std::vector<EditorBookmark> marks;
    if (c.markAt >= 0) marks.push_back({"M", c.markAt});
    Result<WritePlan> made = Failure{FailureCode::Internal};
    switch (c.way) {
    case Way::Text:
    case Way::Pdb:
    case Way::Prc:
        made = PlanSave(document, text,
                        {QString::fromStdString(folder + c.chosen),
                         c.way == Way::Text  ? DocKind::Text
                         : c.way == Way::Pdb ? DocKind::Pdb
                                             : DocKind::Prc,
                         QStringLiteral("T\u00E9"), true, true, marks});
        break;
    case Way::Install:
        made = PlanInstall(desktop, document, text, {0, QString::fromUtf8(c.chosen), false, QStringLiteral("T\u00E9"), true, true, marks});
        break;
    case Way::Html: made = PlanTextCommand(WayOut::HtmlToText, document, text); break;
    case Way::Aozora: made = PlanTextCommand(WayOut::CleanAozora, document, text); break;
    case Way::Cli:
    case Way::CliInstall: break;
    }
    ASSERT_TRUE(made) << made.Reason();
    const WritePlan& plan = *made;
    EXPECT_EQ(FileNamePart(plan.target).toStdString(), c.target);
    EXPECT_EQ(plan.replacesOther, c.replacesOther);
    EXPECT_EQ(plan.formChanges, c.formChanges);
    EXPECT_EQ(FormName(plan.form).toStdString(), c.form);
    EXPECT_EQ(Listed(plan), c.unwritable);
    EXPECT_EQ(plan.unwritableCount, plan.unwritable.size());
    if (c.way == Way::Html || c.way == Way::Aozora) {
        EXPECT_EQ(ToHex(plan.text), ToHex(Hex(c.written)));
        EXPECT_FALSE(Save(plan));
        return;
    }

    const Result<Document> saved = Save(plan);
    ASSERT_TRUE(saved) << saved.Reason();
    const std::string bytes = ReadFile(plan.target.toStdString());
    if (plan.IsDoc()) {
        std::vector<DocBookmark> read;
        const Result<std::string> stored = DocDatabaseText(bytes, &read);
        ASSERT_TRUE(stored) << stored.Reason();
        const std::vector<DocBookmark> expected = marks.empty() ? std::vector<DocBookmark>{} : std::vector<DocBookmark>{{"M", c.markOffset}};
        EXPECT_EQ(read, expected);
        EXPECT_EQ(ToHex(*stored), ToHex(Hex(c.written)));
        EXPECT_EQ(DocTitleText(DocTitleOf(bytes)), c.title);
    } else {
        EXPECT_EQ(ToHex(bytes), ToHex(Hex(c.written)));
        // The next save writes the file as it now is.
        EXPECT_EQ(FormName(saved->SaveForm()).toStdString(), c.form);
    }
}

// "あ" in Shift-JIS, EUC-JP, JIS and UTF-8; "é" in UTF-8.
const std::string kSjisA = "\x82\xA0", kEucA = "\xA4\xA2", kJisA = "\x1B$B$\"\x1B(B", kUtf8A = "\xE3\x81\x82",
                  kUtf8E = "\xC3\xA9";

INSTANTIATE_TEST_SUITE_P(
    Cases, WritePlans,
    testing::Values(
        // Save as text.
        PlanCase{"TextNewIsShiftJisCrLf", Way::Text, "", "", u"\u3042\nb", "new", "", "new.TXT", false, false,
                 "Shift-JIS CR LF", "", "82 A0 0D 0A 62"},
        PlanCase{"TextOverItsOwnFile", Way::Text, "own.txt", kSjisA + "\r\n", u"", "own.txt", "", "own.txt", false,
                 false, "Shift-JIS CR LF", "", "82 A0 0D 0A"},
        PlanCase{"TextOverAnotherFile", Way::Text, "own.txt", kSjisA, u"", "b.txt", "b.txt", "b.txt", true, false,
                 "Shift-JIS CR LF", "", "82 A0"},
        PlanCase{"TextKeepsUtf8BomLf", Way::Text, "u8.txt", "\xEF\xBB\xBF" + kUtf8A + "\n" + kUtf8E + "\n", u"",
                 "u8.txt", "", "u8.txt", false, false, "UTF-8 (BOM) LF", "", "EF BB BF E3 81 82 0A C3 A9 0A"},
        PlanCase{"TextKeepsEucLf", Way::Text, "e.txt", kEucA + "\xB4\xC1\xB0\xF5\n", u"", "e.txt", "", "e.txt", false,
                 false, "EUC-JP LF", "", "A4 A2 B4 C1 B0 F5 0A"},
        PlanCase{"TextJisBecomesShiftJis", Way::Text, "j.txt", kJisA + "\n", u"", "j.txt", "", "j.txt", false, true,
                 "Shift-JIS CR LF", "", "82 A0 0D 0A"},
        PlanCase{"TextMixedEndsBecomeCrLf", Way::Text, "m.txt", "a\r\nb\nc", u"", "m.txt", "", "m.txt", false, true,
                 "Shift-JIS CR LF", "", "61 0D 0A 62 0D 0A 63"},
        PlanCase{"TextLacksNameEachCharacter", Way::Text, "", "", u"caf\u00E9\u00A0x\n\U0001F600\u0391\u0301", "n",
                 "", "n.TXT", false, false, "Shift-JIS CR LF", "1:U+00E9>e 1:U+00A0>  2:U+1F600>? 2:U+0301>?",
                 "63 61 66 65 20 78 0D 0A 3F 83 9F 3F"},
        PlanCase{"TextUtf8LacksNothing", Way::Text, "u.txt", "x" + kUtf8E + "\xEF\x9D\x81\n", u"", "u.txt", "",
                 "u.txt", false, false, "UTF-8 LF", "", "78 C3 A9 EF 9D 81 0A"},
        // Save as a DOC database: Shift-JIS, the geta mark for what it lacks.
        PlanCase{"PdbNew", Way::Pdb, "", "", u"\u3042", "book", "", "book.PDB", false, false, "Shift-JIS CR LF", "",
                 "82 A0", "Te"},
        PlanCase{"PdbOverAnotherFile", Way::Pdb, "book.txt", kSjisA, u"", "book", "book.PDB", "book.PDB", true, false,
                 "Shift-JIS CR LF", "", "82 A0", "Te"},
        PlanCase{"PdbOfUtf8LfText", Way::Pdb, "u.txt", kUtf8A + "\nb", u"", "u.txt", "", "u.PDB", false, false,
                 "Shift-JIS CR LF", "", "82 A0 0D 0A 62", "Te"},
        PlanCase{"PdbLacksGeta", Way::Pdb, "", "", u"\u00E9\n\U0001F600\u00A0", "g", "", "g.PDB", false, false,
                 "Shift-JIS CR LF", "1:U+00E9>e 2:U+1F600>\u3013 2:U+00A0> ", "65 0D 0A 81 AC 20", "Te", 4, 5},
        PlanCase{"PrcNew", Way::Prc, "", "", u"a", "book", "", "book.PRC", false, false, "Shift-JIS CR LF", "", "61",
                 "Te"},
        PlanCase{"PrcOverAnotherFile", Way::Prc, "", "", u"a", "book.prc", "book.prc", "book.prc", true, false,
                 "Shift-JIS CR LF", "", "61", "Te"},
        PlanCase{"PrcLacksGeta", Way::Prc, "", "", u"\uF741", "p", "", "p.PRC", false, false, "Shift-JIS CR LF",
                 "1:U+F741>\u3013", "81 AC", "Te"},
        // Install into the user's queue.
        PlanCase{"InstallFree", Way::Install, "", "", u"\u3042", "memo", "", "memo.PDB", false, false,
                 "Shift-JIS CR LF", "", "82 A0", "Te"},
        PlanCase{"InstallOverAQueuedDatabase", Way::Install, "", "", u"a", "memo", "memo.PDB", "memo.PDB", true,
                 false, "Shift-JIS CR LF", "", "61", "Te"},
        PlanCase{"InstallOfUtf8LfText", Way::Install, "u.txt", kUtf8A + "\nb", u"", "u", "", "u.PDB", false, false,
                 "Shift-JIS CR LF", "", "82 A0 0D 0A 62", "Te"},
        PlanCase{"InstallLacksGeta", Way::Install, "", "", u"\u00C5\U00020BB7", "g", "", "g.PDB", false, false,
                 "Shift-JIS CR LF", "1:U+00C5>A 1:U+20BB7>\u3013", "41 81 AC", "Te", 3, 3},
        // The two commands work on the text in Shift-JIS and write no file.
        PlanCase{"HtmlOfUtf8LfText", Way::Html, "h.html", "<p>" + kUtf8A + "</p>\n", u"", "", "", "", false, false,
                 "Shift-JIS CR LF", "", "3C 70 3E 82 A0 3C 2F 70 3E 0D 0A"},
        PlanCase{"HtmlLacks", Way::Html, "", "", u"<b>\u00E9\u2603</b>", "", "", "", false, false, "Shift-JIS CR LF",
                 "1:U+00E9>e 1:U+2603>?", "3C 62 3E 65 3F 3C 2F 62 3E"},
        PlanCase{"AozoraLacks", Way::Aozora, "", "", u"a\n\u00A0\U0001F600", "", "", "", false, false,
                 "Shift-JIS CR LF", "2:U+00A0>  2:U+1F600>?", "61 0D 0A 20 3F"},
        // verdane-cli: the same plans, reported on standard error; the
        // database is titled after the text (its file's base name), as the window proposes.
        PlanCase{"CliToDocFree", Way::Cli, "u.txt", kUtf8E + "\xF0\x9F\x98\x80\n", u"", "book", "", "book.PDB", false,
                 false, "", "1:U+00E9>e 1:U+1F600>\u3013", "65 81 AC 0D 0A", "u", -1, 0, "to-doc"},
        PlanCase{"CliToDocOverAnotherFile", Way::Cli, "a.txt", "a", u"", "book", "book.PDB", "book.PDB", true, false,
                 "", "", "61", "a", -1, 0, "to-doc"},
        PlanCase{"CliToDocOverTheFileNamed", Way::Cli, "a.txt", "a", u"", "b.pdb", "b.pdb", "b.pdb", false, false, "",
                 "", "61", "a", -1, 0, "to-doc"},
        PlanCase{"CliHtml2TextOfUtf8Lf", Way::Cli, "h.html", "<p>" + kUtf8A + "</p>\n", u"", "h.txt", "", "h.txt",
                 false, false, "", "", "82 A0 0D 0A 0D 0A", "", -1, 0, "html2text"},
        PlanCase{"CliAozoraAccentsAsBaseLetters", Way::Cli, "a.txt", "\x81\x6B" "cafe'\x81\x6C\r\n", u"", "o.txt",
                 "", "o.txt", false, false, "", "1:U+00E9>e", "63 61 66 65 0D 0A", "", -1, 0, "aozora"},
        PlanCase{"CliInstallOverAQueuedDatabase", Way::CliInstall, "memo.txt", kUtf8A + "\xC2\xA0", u"", "", "memo.PDB",
                 "memo.PDB", true, false, "", "1:U+00A0> ", "82 A0 20", "Te"}),
    [](const auto& info) { return std::string(info.param.name); });

// A target another program creates, replaces or writes between the plan and
// the write is left as that program made it, and the failure says so.
TEST(WritePlanRecheck, ATargetChangedSinceThePlanIsNotReplaced) {
    const std::tuple<bool, void (*)(const std::string&), long long> cases[] = {  // a file before, the change, created
        {false, [](const std::string& p) { WriteFile(p, "theirs"); }, 1},
        {true, [](const std::string& p) { WriteFile(p + "~", "theirs"); ::rename((p + "~").c_str(), p.c_str()); }, 0},
        {true, [](const std::string& p) { WriteFile(p, "theirs, longer"); }, 0}};
    for (const auto& [before, change, created] : cases) {
        test::TempDir dir;
        const std::string path = dir.File("t.txt");
        if (before) WriteFile(path, "mine");
        const Result<WritePlan> plan = PlanSave(Document(), QStringLiteral("new"), {QString::fromStdString(path)});
        change(path);
        const Result<Document> saved = Save(*plan);
        EXPECT_TRUE(!saved && saved.Code() == FailureCode::TargetChanged && saved.Fault().count == created);
        EXPECT_EQ(ReadFile(path).substr(0, 6), "theirs");
        EXPECT_EQ(test::ListDir(dir.Path()).size(), 1u);
    }
}

}  // namespace
}  // namespace verdane::core
