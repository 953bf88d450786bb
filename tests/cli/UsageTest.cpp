// verdane-cli's own conventions: help, unknown commands, exit codes.
#include "TestSupport.h"

#include <gtest/gtest.h>

using verdane::test::RunCli;

TEST(CliUsage, HelpListsEveryCommandAndExitsZero) {
    auto result = RunCli({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    for (const char* command : {"to-doc", "to-text", "kanji", "html2text", "match", "gsub", "fetch", "install", "palm-desktop", "aozora"})
        EXPECT_NE(result.out.find(command), std::string::npos) << command;
}

TEST(CliUsage, UnknownCommandOrNoCommandIsBadUsage) {
    EXPECT_EQ(RunCli({"frobnicate"}).exitCode, 2);
    EXPECT_EQ(RunCli({}).exitCode, 2);
}
