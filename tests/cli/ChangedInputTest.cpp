// An input another program shortens or lengthens while a command reads it is a
// failure in every command: it says so, exits 1 and writes nothing. A shim
// preloaded into the command (support/ChangeWhileRead.cpp) makes the change.
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

using verdane::test::RunCli;

TEST(ChangedInput, IsAFailureInEveryCommandThatReadsOne) {
    verdane::test::TempDir dir;
    ASSERT_EQ(RunCli({"palm-desktop", "init", dir.File("desk"), "--user", "H"}).exitCode, 0);
    ::setenv("VERDANE_REGISTRY", dir.File("desk/registry.reg").c_str(), 1);
    std::string text;
    while (text.size() < 200000) text += "\x93\xFA\x96\x7B\x8C\xEA text\r\n";
    const std::string txt = dir.File("in.txt"), pdb = dir.File("in.pdb"), out = dir.File("out");
    verdane::test::WriteFile(txt, text);
    ASSERT_EQ(RunCli({"to-doc", txt, pdb}).exitCode, 0);
    const std::string database = verdane::test::ReadFile(pdb);
    const std::vector<std::vector<std::string>> commands = {
        {"to-doc", txt, out}, {"to-text", pdb, out},        {"kanji", txt, out},
        {"html2text", txt, out}, {"match", "text", txt},    {"gsub", "text", "x", txt, out},
        {"aozora", txt, out},    {"install", "--user", "H", txt},
    };
    for (const char* how : {"shrink", "grow"}) {
        for (const std::vector<std::string>& args : commands) {
            const std::string& in = args[0] == "to-text" ? pdb : txt;
            verdane::test::WriteFile(txt, text);
            verdane::test::WriteFile(pdb, database);
            ::setenv("VERDANE_TEST_CHANGE", in.c_str(), 1);
            ::setenv("VERDANE_TEST_CHANGE_HOW", how, 1);
            ::setenv("LD_PRELOAD", VERDANE_TEST_CHANGE_LIB, 1);
            const auto r = RunCli(args);
            ::unsetenv("LD_PRELOAD");
            EXPECT_EQ(r.exitCode, 1) << args[0] << " " << how;
            EXPECT_EQ(r.err, "verdane-cli " + args[0] + ": " + in +
                                 (how == std::string("grow") ? " grew" : " was shortened") + " while it was read\n");
            EXPECT_EQ(r.out, "") << args[0];
            EXPECT_EQ(verdane::test::ListDir(dir.Path()), (std::vector<std::string>{"desk", "in.pdb", "in.txt"}));
            EXPECT_FALSE(verdane::test::FileExists(dir.File("desk/Palm/H/Install/in.PDB"))) << how;
        }
    }
}

}  // namespace
