// verdane-cli info on databases written by another program (the tests' own
// Python writer, with and without bookmark records); damaged and foreign files
// are failures with a reason.
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace verdane {
namespace {

using test::RunCli;
using test::RunProcess;
using test::TempDir;
using test::WriteFile;

struct InfoCase {
    const char* name;
    bool compress;
    std::vector<std::string> marks;  // name, offset, name, offset...
    const char* expected;            // the lines info prints
};

class CliInfo : public testing::TestWithParam<InfoCase> {};

TEST_P(CliInfo, PrintsTheDatabasesTitleRecordsCompressionAndBookmarks) {
    const InfoCase& c = GetParam();
    TempDir dir;
    // 5000 bytes of text: two records of up to 4096 bytes.
    WriteFile(dir.File("in.txt"), std::string(4000, 'a') + "\x93\xfa\x96\x7b\r\n" + std::string(994, 'b'));
    std::vector<std::string> args = {VERDANE_SOURCE_DIR "/tests/doc/data/bookmark_doc.py", dir.File("db.pdb"),
                                     c.compress ? "1" : "0", dir.File("in.txt")};
    args.insert(args.end(), c.marks.begin(), c.marks.end());
    ASSERT_EQ(RunProcess("/usr/bin/python3", args).exitCode, 0);
    const auto r = RunCli({"info", dir.File("db.pdb")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Databases, CliInfo,
    testing::Values(
        InfoCase{"Plain", false, {},
                 "title:       Marked\ntype:        TEXt\ncreator:     REAd\nrecords:     3\n"
                 "text:        5000 bytes in 2 records of up to 4096 bytes\ncompression: none (1)\n"
                 "bookmarks:   0\n"},
        InfoCase{"CompressedWithBookmarks", true, {"\xE7\xAC\xAC\xE4\xB8\x80", "0", "two", "4000"},
                 "title:       Marked\ntype:        TEXt\ncreator:     REAd\nrecords:     5\n"
                 "text:        5000 bytes in 2 records of up to 4096 bytes\ncompression: DOC compression (2)\n"
                 "bookmarks:   2\n           0  \xE7\xAC\xAC\xE4\xB8\x80\n        4000  two\n"}),
    [](const testing::TestParamInfo<InfoCase>& info) { return std::string(info.param.name); });

struct RefusedCase {
    const char* name;
    std::string bytes;
    const char* reason;  // in the one line on standard error
};

class CliInfoRefuses : public testing::TestWithParam<RefusedCase> {};

TEST_P(CliInfoRefuses, AFileThatIsNoDatabaseWithAReason) {
    TempDir dir;
    WriteFile(dir.File("x.pdb"), GetParam().bytes);
    const auto r = RunCli({"info", dir.File("x.pdb")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(GetParam().reason), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Files, CliInfoRefuses,
    testing::Values(RefusedCase{"Short", "hello", "is not a Palm database"},
                    // A DOC header whose one record points past the end of the file.
                    RefusedCase{"Damaged",
                                std::string(60, 'x') + "TEXtREAd" + std::string(8, '\0') + std::string("\0\x01", 2) +
                                    std::string("\0\0\x10\0\0\0\0\0", 8),
                                "damaged DOC database"}),
    [](const testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace verdane
