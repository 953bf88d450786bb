// One rule for a text's title: the window's proposal (Save, Install) and
// verdane-cli's to-doc and install title the same input alike, after the text.
#include "Open.h"
#include "TestSupport.h"
#include "WriteText.h"

#include <gtest/gtest.h>

namespace verdane::core {
namespace {

using test::ReadFile;
using test::RunCli;

TEST(Title, TheWindowAndTheCommandLineGiveATextTheSameTitle) {
    test::TempDir dir;
    ASSERT_EQ(RunCli({"palm-desktop", "init", dir.File("desk"), "--user", "H"}).exitCode, 0);
    ::setenv("VERDANE_REGISTRY", dir.File("desk/registry.reg").c_str(), 1);
    test::WriteFile(dir.File("w.txt"), "\x90\xC2\x8B\xF3\r\n\x96\x7B\r\n");  // an Aozora work titled 青空
    ASSERT_EQ(test::RunProcess("/usr/bin/zip", {"-q", "-j", dir.File("work.zip"), dir.File("w.txt")}).exitCode, 0);
    const std::string work = ReadFile(dir.File("work.zip")), sjis = "\x82\xA0\r\n";
    const struct {
        const char *in, *option, *out, *title, *queued;  // IN ("-": standard input), OUT, the two titles
        std::string bytes;
    } cases[] = {
        {"odd.txt", "", "saved.PRC", "odd", "odd", sjis},
        {"u8.txt", "", "saved", "u8", "u8", "\xE3\x81\x82\n"},
        {"book.pdb", "", "saved.pdb", "Alpha", "Alpha", *MakeDocDatabaseBytes(sjis, "Alpha", true, true)},
        {"work.zip", "--aozora", "saved.pdb", "\x90\xC2\x8B\xF3", "\x90\xC2\x8B\xF3", work},
        {"-", "", "saved.PRC", "saved", "NewFile", sjis},
        {"-", "", "-", "NewFile", "NewFile", sjis},
    };
    for (const auto& c : cases) {
        const bool piped = std::string(c.in) == "-";
        const std::string in = piped ? "-" : dir.File(c.in), out = *c.out == '-' ? "-" : dir.File(c.out);
        if (!piped) test::WriteFile(in, c.bytes);
        const QString name = piped ? kNewFileName : BaseNameWithoutExtension(QString::fromStdString(in));
        // The window: the file opened, or a new text.
        const Document document = piped ? Document() : Open(Source::File(QString::fromStdString(in)))->document;
        EXPECT_EQ(platform::EditorToBytes(ProposedTitle(document, QString::fromStdString(out))).bytes, c.title) << c.in;
        EXPECT_EQ(platform::EditorToBytes(ProposedTitle(document, name)).bytes, c.queued) << c.in;
        // verdane-cli.
        std::vector<std::string> args = {"to-doc", in, out};
        if (*c.option) args.insert(args.begin() + 1, c.option);
        const test::ProcessResult r = RunCli(args, piped ? c.bytes : "");
        ASSERT_EQ(r.exitCode, 0) << c.in << r.err;
        const std::string made = out == "-" ? r.out : ReadFile(out.find('.') == std::string::npos ? out + ".PDB" : out);
        EXPECT_EQ(DocTitleText(DocTitleOf(made)), c.title) << c.in;
        args = {"install", "--user", "H", in};
        if (*c.option) args.insert(args.begin() + 1, c.option);
        ASSERT_EQ(RunCli(args, piped ? c.bytes : "").exitCode, 0) << c.in;
        const std::string queued = ReadFile(dir.File("desk/Palm/H/Install/" + name.toStdString() + ".PDB"));
        EXPECT_EQ(DocTitleText(DocTitleOf(queued)), c.queued) << c.in;
    }
}

}  // namespace
}  // namespace verdane::core
