// One rule for the title a text gets: the window's proposal (Save and Install)
// and verdane-cli's to-doc and install give the same title for the same input,
// the text's own, whatever the output is called.
#include "Open.h"
#include "ReadText.h"
#include "TestSupport.h"
#include "WriteText.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace verdane::core {
namespace {

using test::ReadFile;
using test::RunCli;
using test::TempDir;
using test::WriteFile;

struct TitleCase {
    const char* in;      // the input's file name, or "-" for standard input
    std::string bytes;
    std::vector<std::string> options;
    const char* out;     // to-doc's OUT
    const char* title;   // to-doc's title and the window's Save proposal (Shift-JIS)
    const char* queued;  // install's title and the window's Install proposal
};

TEST(Title, TheWindowAndTheCommandLineGiveATextTheSameTitle) {
    TempDir dir;
    const auto made = RunCli({"palm-desktop", "init", dir.File("desk"), "--user", "Hanako"});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    ::setenv("VERDANE_REGISTRY", dir.File("desk/registry.reg").c_str(), 1);
    // An Aozora work: its first line is its title (青空).
    WriteFile(dir.File("w.txt"), "\x90\xC2\x8B\xF3\r\n\x96\x7B\x95\xB6\r\n");
    ASSERT_EQ(test::RunProcess("/usr/bin/zip", {"-q", "-j", dir.File("work.zip"), dir.File("w.txt")}).exitCode, 0);
    const std::string work = ReadFile(dir.File("work.zip"));
    const std::string database = *MakeDocDatabaseBytes("\x82\xA0\r\n", "Alpha", true, true);
    const std::vector<TitleCase> cases = {
        {"odd.txt", "\x82\xA0\r\n", {}, "saved.PRC", "odd", "odd"},
        {"u8.txt", "\xE3\x81\x82\n", {}, "saved", "u8", "u8"},
        {"book.pdb", database, {}, "saved.pdb", "Alpha", "Alpha"},
        {"work.zip", work, {}, "saved.pdb", "\x90\xC2\x8B\xF3", "\x90\xC2\x8B\xF3"},
        {"work.zip", work, {"--aozora"}, "saved.pdb", "\x90\xC2\x8B\xF3", "\x90\xC2\x8B\xF3"},
        {"-", "\x82\xA0\r\n", {}, "saved.PRC", "saved", "NewFile"},
        {"-", "\x82\xA0\r\n", {}, "-", "NewFile", "NewFile"},
    };
    for (const TitleCase& c : cases) {
        const bool standard = std::string(c.in) == "-";
        const std::string in = standard ? "-" : dir.File(c.in);
        if (!standard) WriteFile(in, c.bytes);
        const std::string out = std::string(c.out) == "-" ? "-" : dir.File(c.out);
        const std::string label = std::string(c.in) + " to " + c.out;

        // The window: a file opened, or a new text (the window's standard input).
        const Result<OpenedFile> opened = Open(Source::File(QString::fromStdString(in)));
        const Document document = standard ? Document() : opened ? opened->document : Document();
        const auto shiftJis = [](const QString& title) { return platform::EditorToBytes(title).bytes; };
        EXPECT_EQ(shiftJis(ProposedTitle(document, QString::fromStdString(out))), c.title) << label;
        const QString installName = standard ? QStringLiteral("NewFile") : BaseNameWithoutExtension(QString::fromStdString(in));
        EXPECT_EQ(shiftJis(ProposedTitle(document, installName)), c.queued) << label;

        // verdane-cli to-doc and install.
        std::vector<std::string> args = {"to-doc"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.insert(args.end(), {in, out});
        const test::ProcessResult written = RunCli(args, standard ? c.bytes : std::string());
        ASSERT_EQ(written.exitCode, 0) << label << ": " << written.err;
        const std::string bytes = out == "-" ? written.out : ReadFile(out.find('.') == std::string::npos ? out + ".PDB" : out);
        EXPECT_EQ(DocTitleText(DocTitleOf(bytes)), c.title) << label;
        args = {"install", "--user", "Hanako"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(in);
        const test::ProcessResult queued = RunCli(args, standard ? c.bytes : std::string());
        ASSERT_EQ(queued.exitCode, 0) << label << ": " << queued.err;
        const std::string name = standard ? "NewFile" : BaseNameWithoutExtension(QString::fromStdString(in)).toStdString();
        EXPECT_EQ(DocTitleText(DocTitleOf(ReadFile(dir.File("desk/Palm/Hanako/Install/" + name + ".PDB")))), c.queued)
            << label;
    }
}

}  // namespace
}  // namespace verdane::core
