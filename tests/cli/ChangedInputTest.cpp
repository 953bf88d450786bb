// An input that another program shortens or lengthens while a command reads it
// is a failure in every command that reads one: the command says so, exits 1,
// and writes nothing. The change is made at the command's first read of the
// file by a shim preloaded into it (support/ChangeWhileRead.cpp).
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using verdane::test::ListDir;
using verdane::test::RunCli;
using verdane::test::TempDir;
using verdane::test::WriteFile;

struct Command {
    const char* name;
    const char* input;  // the input file's name in the test's folder
    std::vector<std::string> args;  // "IN" and "OUT" stand for the files
};

TEST(ChangedInput, IsAFailureInEveryCommandThatReadsOne) {
    TempDir dir;
    const auto made = RunCli({"palm-desktop", "init", dir.File("desk"), "--user", "Hanako"});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    ::setenv("VERDANE_REGISTRY", dir.File("desk/registry.reg").c_str(), 1);
    std::string text;
    while (text.size() < 200000) text += "\x93\xFA\x96\x7B\x8C\xEA text\r\n";
    WriteFile(dir.File("in.txt"), text);
    ASSERT_EQ(RunCli({"to-doc", dir.File("in.txt"), dir.File("in.pdb")}).exitCode, 0);
    const std::string database = verdane::test::ReadFile(dir.File("in.pdb"));
    const std::vector<Command> commands = {
        {"to-doc", "in.txt", {"to-doc", "IN", "OUT"}},
        {"to-text", "in.pdb", {"to-text", "IN", "OUT"}},
        {"kanji", "in.txt", {"kanji", "IN", "OUT"}},
        {"html2text", "in.txt", {"html2text", "IN", "OUT"}},
        {"match", "in.txt", {"match", "text", "IN"}},
        {"gsub", "in.txt", {"gsub", "text", "x", "IN", "OUT"}},
        {"aozora", "in.txt", {"aozora", "IN", "OUT"}},
        {"install", "in.txt", {"install", "--user", "Hanako", "IN"}},
    };
    for (const char* how : {"shrink", "grow"}) {
        for (const Command& command : commands) {
            const std::string in = dir.File(command.input);
            WriteFile(dir.File("in.txt"), text);
            WriteFile(dir.File("in.pdb"), database);
            std::vector<std::string> args;
            for (const std::string& arg : command.args)
                args.push_back(arg == "IN" ? in : arg == "OUT" ? dir.File("out") : arg);
            ::setenv("VERDANE_TEST_CHANGE", in.c_str(), 1);
            ::setenv("VERDANE_TEST_CHANGE_HOW", how, 1);
            ::setenv("LD_PRELOAD", VERDANE_TEST_CHANGE_LIB, 1);
            const auto r = RunCli(args);
            ::unsetenv("LD_PRELOAD");
            const std::string label = std::string(command.name) + " " + how;
            EXPECT_EQ(r.exitCode, 1) << label;
            EXPECT_EQ(r.err, "verdane-cli " + std::string(command.name) + ": " + in +
                                 (how == std::string("grow") ? " grew" : " was shortened") + " while it was read\n")
                << label;
            EXPECT_EQ(r.out, "") << label;
            EXPECT_EQ(ListDir(dir.Path()), (std::vector<std::string>{"desk", "in.pdb", "in.txt"})) << label;
            EXPECT_FALSE(verdane::test::FileExists(dir.File("desk/Palm/Hanako/Install/in.PDB"))) << label;
        }
    }
}

}  // namespace
