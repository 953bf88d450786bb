// verdane-cli aozora, and to-doc and install on archives: a work in Aozora's
// layout (tests/core/data/aozora_sample.txt, Shift-JIS with CR LF as Aozora
// ships it) zipped by Python's zipfile, against clean texts written by hand.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using verdane::test::FileExists;
using verdane::test::ReadFile;
using verdane::test::RunCli;
using verdane::test::RunProcess;
using verdane::test::TempDir;
using verdane::test::ToHex;
using verdane::test::WriteFile;

std::string Data(const char* name) { return ReadFile(std::string(VERDANE_SOURCE_DIR) + "/tests/core/data/" + name); }

// An archive of the entries (name, bytes), written by Python's zipfile.
std::string Zip(const TempDir& dir, const std::string& name, const std::vector<std::pair<std::string, std::string>>& entries) {
    std::vector<std::string> args = {"-c",
                                     "import sys, zipfile\n"
                                     "z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)\n"
                                     "a = sys.argv[2:]\n"
                                     "for i in range(0, len(a), 2):\n"
                                     "    z.writestr(a[i], open(a[i + 1], 'rb').read())\n"
                                     "z.close()\n",
                                     dir.File(name)};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string source = dir.File(name + "." + std::to_string(i));
        WriteFile(source, entries[i].second);
        args.push_back(entries[i].first);
        args.push_back(source);
    }
    const auto made = RunProcess("/usr/bin/python3", args);
    EXPECT_EQ(made.exitCode, 0) << made.err;
    return dir.File(name);
}

class AozoraCli : public ::testing::Test {
protected:
    TempDir dir;
    const std::string sample = Data("aozora_sample.txt");
    const std::string paren = Data("aozora_sample_paren.txt");
    const std::string dropBm = Data("aozora_sample_drop_bm.txt");
};

TEST_F(AozoraCli, ArchiveToCleanText) {
    const std::string zip = Zip(dir, "nekomachi.zip", {{"nekomachi.txt", sample}, {"nekomachi.png", "\x89PNG"}});
    const auto result = RunCli({"aozora", zip, dir.File("out.txt")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ToHex(ReadFile(dir.File("out.txt"))), ToHex(paren));
}

TEST_F(AozoraCli, ReadingsDroppedAndChaptersMarked) {
    const std::string zip = Zip(dir, "nekomachi.zip", {{"nekomachi.txt", sample}});
    // 【章】 given in the terminal's UTF-8.
    const auto result = RunCli({"aozora", "--ruby", "drop", "--bookmarks", "\xE3\x80\x90\xE7\xAB\xA0\xE3\x80\x91", zip, "-"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ToHex(result.out), ToHex(dropBm));
}

// OUT named .pdb or .prc is a DOC database: txt2pdbdoc reads its text, and
// Python lists its bookmark records, one per heading, named after it, each at
// the heading's mark in that text.
TEST_F(AozoraCli, ADocDatabaseHoldsABookmarkPerHeading) {
    const std::string zip = Zip(dir, "nekomachi.zip", {{"nekomachi.txt", sample}});
    for (const char* out : {"neko.pdb", "NEKO.PRC"}) {
        const auto result = RunCli({"aozora", "--ruby", "drop", "--bookmarks", "\xE3\x80\x90\xE7\xAB\xA0\xE3\x80\x91", zip,
                                    dir.File(out)});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const auto text = RunProcess("/usr/bin/txt2pdbdoc", {"-d", dir.File(out), dir.File("text.txt")});
        ASSERT_EQ(text.exitCode, 0) << text.err;
        // txt2pdbdoc reads the records after the text as text too.
        EXPECT_EQ(ToHex(ReadFile(dir.File("text.txt")).substr(0, dropBm.size())), ToHex(dropBm));
        const auto marks = RunProcess(
            "/usr/bin/python3",
            {"-c",
             "import struct, sys\n"
             "d = open(sys.argv[1], 'rb').read()\n"
             "n = struct.unpack('>H', d[76:78])[0]\n"
             "at = [struct.unpack('>I', d[78 + 8 * i:82 + 8 * i])[0] for i in range(n)] + [len(d)]\n"
             "texts = struct.unpack('>H', d[at[0] + 8:at[0] + 10])[0]\n"
             "t = open(sys.argv[2], 'rb').read()\n"
             "for i in range(1 + texts, n):\n"
             "    r = d[at[i]:at[i + 1]]\n"
             "    o = struct.unpack('>I', r[16:20])[0]\n"
             "    print(r[:16].rstrip(b'\\0').decode('cp932'), t[o:o + 8].decode('cp932'))\n",
             dir.File(out), dir.File("text.txt")});
        ASSERT_EQ(marks.exitCode, 0) << marks.err;
        EXPECT_EQ(marks.out, "\xE4\xB8\x80 \xE3\x80\x90\xE7\xAB\xA0\xE3\x80\x91\xE4\xB8\x80\n"   // 一 【章】一
                             "\xE4\xBA\x8C \xE3\x80\x90\xE7\xAB\xA0\xE3\x80\x91\xE4\xBA\x8C\n");  // 二 【章】二
    }
}

TEST_F(AozoraCli, ArchiveOnStandardInput) {
    const std::string zip = Zip(dir, "nekomachi.zip", {{"nekomachi.txt", sample}});
    const auto result = RunCli({"aozora", "-", "-"}, ReadFile(zip));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ToHex(result.out), ToHex(paren));
}

TEST_F(AozoraCli, TextInAnyCodeTheOpenCommandReads) {
    // The sample in UTF-8 with LF line ends reads as the same text.
    const auto utf8 = RunProcess("/usr/bin/python3",
                                 {"-c",
                                  "import sys; sys.stdout.buffer.write(sys.stdin.buffer.read().decode('cp932')"
                                  ".replace('\\r\\n', '\\n').encode('utf-8'))"},
                                 sample);
    ASSERT_EQ(utf8.exitCode, 0) << utf8.err;
    WriteFile(dir.File("work.txt"), utf8.out);
    const auto result = RunCli({"aozora", dir.File("work.txt"), "-"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ToHex(result.out), ToHex(paren));
}

TEST_F(AozoraCli, SeveralTextsNeedAnEntry) {
    const std::string zip = Zip(dir, "two.zip", {{"first.txt", sample}, {"second.txt", "abc\r\n"}});
    const auto refused = RunCli({"aozora", zip, dir.File("out.txt")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("first.txt"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("second.txt"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("--entry"), std::string::npos) << refused.err;
    EXPECT_FALSE(FileExists(dir.File("out.txt")));

    const auto chosen = RunCli({"aozora", "--entry", "first.txt", zip, "-"});
    ASSERT_EQ(chosen.exitCode, 0) << chosen.err;
    EXPECT_EQ(ToHex(chosen.out), ToHex(paren));
}

TEST_F(AozoraCli, RefusedArchivesSayWhyAndWriteNothing) {
    WriteFile(dir.File("secret.txt"), sample);
    ASSERT_EQ(RunProcess("/usr/bin/zip", {"-q", "-j", "-P", "pw", dir.File("secret.zip"), dir.File("secret.txt")}).exitCode, 0);
    const std::string none = Zip(dir, "none.zip", {{"cover.png", "\x89PNG"}});
    WriteFile(dir.File("cut.zip"), ReadFile(Zip(dir, "whole.zip", {{"a.txt", sample}})).substr(0, 200));
    const struct {
        std::string in;
        const char* said;
    } cases[] = {{dir.File("secret.zip"), "encrypted"}, {none, "no text"}, {dir.File("cut.zip"), "zip archive"},
                 {dir.File("absent.zip"), "absent.zip"}};
    for (const auto& c : cases) {
        const auto result = RunCli({"aozora", c.in, dir.File("out.txt")});
        EXPECT_EQ(result.exitCode, 1) << c.in;
        EXPECT_NE(result.err.find(c.said), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
        EXPECT_FALSE(FileExists(dir.File("out.txt")));
    }
}

TEST_F(AozoraCli, BadUsage) {
    WriteFile(dir.File("a.txt"), sample);
    EXPECT_EQ(RunCli({"aozora", "--ruby", "above", dir.File("a.txt"), "-"}).exitCode, 2);
    EXPECT_EQ(RunCli({"aozora", dir.File("a.txt")}).exitCode, 2);
    const auto entryOnText = RunCli({"aozora", "--entry", "x.txt", dir.File("a.txt"), "-"});
    EXPECT_EQ(entryOnText.exitCode, 1);
    EXPECT_NE(entryOnText.err.find("--entry"), std::string::npos) << entryOnText.err;
}

TEST_F(AozoraCli, ToDocCleansAnArchiveWithAozora) {
    const std::string zip = Zip(dir, "nekomachi.zip", {{"nekomachi.txt", sample}});
    ASSERT_EQ(RunCli({"to-doc", "--aozora", zip, dir.File("neko.pdb")}).exitCode, 0);
    const auto text = RunCli({"to-text", dir.File("neko.pdb"), "-"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(ToHex(text.out), ToHex(paren));
    // Without --aozora the archive's text is stored as it is.
    ASSERT_EQ(RunCli({"to-doc", zip, dir.File("raw.pdb")}).exitCode, 0);
    EXPECT_EQ(ToHex(RunCli({"to-text", dir.File("raw.pdb"), "-"}).out), ToHex(sample));
}

TEST_F(AozoraCli, AccentedLettersAreNamedOnStandardError) {
    // 〔e'te'〕 in Shift-JIS: written "ete", both letters named.
    WriteFile(dir.File("a.txt"), "\x81\x6B" "e'te'" "\x81\x6C\r\n");
    const auto result = RunCli({"aozora", dir.File("a.txt"), "-"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "ete\r\n");
    EXPECT_NE(result.err.find("replaced 2 characters"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("line 1: U+00E9"), std::string::npos) << result.err;
}
}  // namespace
