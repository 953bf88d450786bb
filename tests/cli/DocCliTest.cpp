// verdane-cli to-doc, to-text and kanji on real files: the bytes match the
// library's, databases of txt2pdbdoc are read, and failures exit 1 with one line
// and leave no output file behind.
#include "DocConvert.h"
#include "KanjiCode.h"
#include "MemoryStream.h"
#include "TestSupport.h"
#include "TextBytes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <sys/mount.h>
#include <unistd.h>

namespace verdane {
namespace {

using test::ReadFile;
using test::RunCli;
using test::TempDir;
using test::WriteFile;

const std::string kEucText =
    "\xC6\xFC\xCB\xDC\xB8\xEC\xA4\xCE\xCA\xB8\xBE\xCF\r\n"  // 日本語の文章 in EUC-JP
    "second line\n";

std::string LibraryDoc(const std::string& fileBytes, const std::string& title, bool compress, bool binary) {
    TMemoryStream text(TextAsOpened(fileBytes));
    TMemoryStream db;
    EXPECT_EQ(TextToDoc(text, db, title, compress, binary), 0);
    return db.Bytes();
}

std::string LibraryText(const std::string& database) {
    TMemoryStream db(database);
    TMemoryStream text;
    EXPECT_EQ(DocToText(db, text, true), 0);
    return TextAsOpened(text.Bytes());
}

bool OneLine(const std::string& err) { return !err.empty() && err.find('\n') == err.size() - 1; }

TEST(ToDoc, WritesWhatTheLibraryWritesForEveryOption) {
    TempDir dir;
    WriteFile(dir.File("in.txt"), kEucText);
    const std::vector<std::pair<std::vector<std::string>, std::pair<bool, bool>>> options = {
        {{}, {true, true}},
        {{"--no-compress"}, {false, true}},
        {{"--no-binary"}, {true, false}},
        {{"--no-compress", "--no-binary"}, {false, false}},
    };
    for (const auto& [flags, expected] : options) {
        auto args = flags;
        args.insert(args.begin(), "to-doc");
        args.push_back(dir.File("in.txt"));
        args.push_back(dir.File("My Book.pdb"));
        auto r = RunCli(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        // Titled after the text, the file it was read from.
        EXPECT_EQ(ReadFile(dir.File("My Book.pdb")), LibraryDoc(kEucText, "in", expected.first, expected.second));
    }
}

TEST(ToDoc, TitleComesFromOptionTextOrOutput) {
    TempDir dir;
    WriteFile(dir.File("story.txt"), "text\r\n");
    auto r = RunCli({"to-doc", "--title", "\xE7\x89\xA9\xE8\xAA\x9E", dir.File("story.txt"), dir.File("o.prc")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(dir.File("o.prc")).substr(0, 5), std::string("\x95\xA8\x8C\xEA\0", 5));  // 物語 in Shift-JIS

    r = RunCli({"to-doc", dir.File("story.txt"), "-"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, LibraryDoc("text\r\n", "story", true, true));

    r = RunCli({"to-doc", "-", "-"}, "from a pipe\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, LibraryDoc("from a pipe\n", "NewFile", true, true));
    // A text without a name of its own takes the output's.
    r = RunCli({"to-doc", "-", dir.File("piped.pdb")}, "from a pipe\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(dir.File("piped.pdb")), LibraryDoc("from a pipe\n", "piped", true, true));
}

TEST(ToDoc, NamesAnOutputWithoutExtensionPdbOrPrc) {
    TempDir dir;
    WriteFile(dir.File("a.txt"), "abc");
    ASSERT_EQ(RunCli({"to-doc", dir.File("a.txt"), dir.File("book")}).exitCode, 0);
    ASSERT_EQ(RunCli({"to-doc", "--prc", dir.File("a.txt"), dir.File("novel")}).exitCode, 0);
    EXPECT_EQ(test::ListDir(dir.Path()), (std::vector<std::string>{"a.txt", "book.PDB", "novel.PRC"}));
    EXPECT_EQ(ReadFile(dir.File("novel.PRC")), LibraryDoc("abc", "a", true, true));
}

// Texts of several records in each code the open command reads, with a CR LF
// cut by the end of the first block (4095/4096) where there are CRs.
std::vector<std::pair<std::string, std::string>> TextsOfEveryKind() {
    const std::string sjisLine = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x95\xB6\x8F\xCD";  // 日本語の文章
    const std::string utf8Line = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE";  // 日本語の
    std::string sjis;
    for (int k = 0; sjis.size() < 4000; ++k) sjis += sjisLine + " " + std::to_string(k) + "\r\n";
    sjis += std::string(4095 - sjis.size(), 'x') + "\r\n";
    for (int k = 0; k < 2000; ++k) sjis += sjisLine + std::string(k % 7, ' ') + "\r\n";
    std::string lf, utf8 = "\xEF\xBB\xBF", euc;
    for (char c : sjis)
        if (c != '\r') lf += c;
    for (int k = 0; k < 2000; ++k) utf8 += utf8Line + std::to_string(k) + "\n";
    while (euc.size() < 20000) euc += kEucText;
    return {{"sjis-crlf", sjis}, {"sjis-lf", lf}, {"euc", euc}, {"utf8", utf8}, {"empty", ""}};
}

TEST(ToDoc, MappedFilesPipesOutputFilesAndStandardOutputGiveTheLibrarysDatabase) {
    TempDir dir;
    const std::vector<std::vector<std::string>> optionSets = {
        {}, {"--no-compress"}, {"--no-binary"}, {"--no-compress", "--no-binary"}};
    for (const auto& [name, bytes] : TextsOfEveryKind()) {
        WriteFile(dir.File(name + ".txt"), bytes);
        for (const auto& options : optionSets) {
            const bool compress = options.empty() || options[0] != "--no-compress";
            const bool binary = options.empty() || options.back() != "--no-binary";
            const std::string expected = LibraryDoc(bytes, "T", compress, binary);
            auto args = [&](const std::string& in, const std::string& out) {
                std::vector<std::string> a = {"to-doc", "--title", "T"};
                a.insert(a.end(), options.begin(), options.end());
                a.push_back(in);
                a.push_back(out);
                return a;
            };
            const std::string label = name + " " + std::to_string(options.size()) + " options";
            auto r = RunCli(args(dir.File(name + ".txt"), "-"));  // mapped file to standard output
            ASSERT_EQ(r.exitCode, 0) << label << r.err;
            EXPECT_TRUE(r.out == expected) << label << " from a file to standard output";
            r = RunCli(args("-", "-"), bytes);  // a pipe to standard output
            ASSERT_EQ(r.exitCode, 0) << label << r.err;
            EXPECT_TRUE(r.out == expected) << label << " from a pipe to standard output";
            ASSERT_EQ(RunCli(args(dir.File(name + ".txt"), dir.File("out.pdb"))).exitCode, 0) << label;
            EXPECT_TRUE(ReadFile(dir.File("out.pdb")) == expected) << label << " from a file to a file";
            ASSERT_EQ(RunCli(args("-", dir.File("out.pdb")), bytes).exitCode, 0) << label;
            EXPECT_TRUE(ReadFile(dir.File("out.pdb")) == expected) << label << " from a pipe to a file";
        }
    }
}

// Another process cuts the input short while it is mapped: the command either
// finished before, or says so and exits 1; it never dies of a signal, and the
// old output file stays whole with nothing beside it.
TEST(ToDoc, AnInputShortenedWhileItIsReadIsAnErrorNotACrash) {
    TempDir dir;
    // One text converted (UTF-8, LF) and one written from the mapping itself.
    std::string utf8, sjis;
    while (utf8.size() < (24u << 20)) utf8 += "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E text\n";
    while (sjis.size() < (24u << 20)) sjis += "\x93\xFA\x96\x7B\x8C\xEA text\r\n";
    for (const std::string* text : {&utf8, &sjis}) {
        for (const int delayMs : {0, 2, 5, 10, 20}) {
            for (const bool toFile : {true, false}) {
                WriteFile(dir.File("in.txt"), *text);
                WriteFile(dir.File("out.pdb"), "old database");
                std::thread cutter([&] {
                    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
                    ASSERT_EQ(::truncate(dir.File("in.txt").c_str(), 100), 0);
                });
                auto r = RunCli({"to-doc", "--no-compress", dir.File("in.txt"), toFile ? dir.File("out.pdb") : "-"});
                cutter.join();
                ASSERT_TRUE(r.exitCode == 0 || r.exitCode == 1) << delayMs << " ms: " << r.exitCode;
                if (r.exitCode == 1) {
                    EXPECT_EQ(r.err,
                              "verdane-cli to-doc: " + dir.File("in.txt") + " was shortened while it was read\n");
                    EXPECT_TRUE(ReadFile(dir.File("out.pdb")) == "old database");
                } else {
                    EXPECT_EQ(r.err, "");
                }
                EXPECT_EQ(test::ListDir(dir.Path()), (std::vector<std::string>{"in.txt", "out.pdb"}));
            }
        }
    }
}

// An input is read whole before anything is written: a cut once the output
// has begun changes nothing, and the output is the whole text as it was read.
TEST(Kanji, AnInputCutAfterItWasReadIsWrittenWhole) {
    TempDir dir;
    std::string text;
    while (text.size() < (24u << 20)) text += "\x93\xFA\x96\x7B\x8C\xEA text\r\n";
    WriteFile(dir.File("in.txt"), text);
    const std::string in = dir.File("in.txt");
    auto r = test::RunProcess("/bin/sh", {"-c", "(" + std::string(VERDANE_CLI_PATH) + " kanji " + in +
                                                    " -; echo \"exit $?\" >&2) | (head -c 100000;"
                                                    " truncate -s 1000 " + in + "; cat) | wc -c"});
    EXPECT_EQ(r.err, "exit 0\n");
    EXPECT_EQ(r.out, std::to_string(text.size()) + "\n");
}

TEST(ToText, ReadsDatabasesOfTxt2PdbDocWithCrLfLineEnds) {
    TempDir dir;
    std::string text;
    for (int k = 0; k < 500; ++k) text += "Line " + std::to_string(k) + " of a book written elsewhere.\n";
    WriteFile(dir.File("in.txt"), text);
    auto made = test::RunProcess("/usr/bin/txt2pdbdoc", {"Theirs", dir.File("in.txt"), dir.File("theirs.pdb")});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    auto r = RunCli({"to-text", dir.File("theirs.pdb"), dir.File("out.txt")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(dir.File("out.txt")), EditorLineEnds(text));
    EXPECT_EQ(ReadFile(dir.File("out.txt")), LibraryText(ReadFile(dir.File("theirs.pdb"))));
}

TEST(ToText, RoundTripsToDoc) {
    TempDir dir;
    WriteFile(dir.File("in.txt"), kEucText);
    ASSERT_EQ(RunCli({"to-doc", dir.File("in.txt"), dir.File("b.pdb")}).exitCode, 0);
    auto r = RunCli({"to-text", dir.File("b.pdb"), "-"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, TextAsOpened(kEucText));
}

TEST(Kanji, DetectsAndConvertsLikeTheLibrary) {
    TempDir dir;
    WriteFile(dir.File("euc.txt"), kEucText);
    auto r = RunCli({"kanji", "--detect", dir.File("euc.txt")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "4\n");
    EXPECT_EQ(RunCli({"kanji", "--detect", "-"}, "\xE6\x97\xA5").out, "7\n");
    // A short EUC-JP sentence the byte scan cannot decide, and UTF-16.
    const std::string cat = "\xB8\xE3\xC7\xDA\xA4\xCF\xC7\xAD\xA4\xC7\xA4\xA2\xA4\xEB\xA1\xA3";
    EXPECT_EQ(RunCli({"kanji", "--detect", "-"}, cat).out, "4\n");
    EXPECT_EQ(RunCli({"kanji", "-"}, cat).out, "\x8C\xE1\x94\x79\x82\xCD\x94\x4C\x82\xC5\x82\xA0\x82\xE9\x81\x42");
    EXPECT_EQ(RunCli({"kanji", "--detect", "-"}, std::string("\xFF\xFE\x42\x30", 4)).out, "8\n");
    r = RunCli({"kanji", dir.File("euc.txt")});
    EXPECT_EQ(r.out, ConvertKanjiCode(kEucText, kcShiftJis));
    EXPECT_NE(r.out.find("second line\n"), std::string::npos);  // line ends untouched
    ASSERT_EQ(RunCli({"kanji", dir.File("euc.txt"), dir.File("sjis.txt")}).exitCode, 0);
    EXPECT_EQ(ReadFile(dir.File("sjis.txt")), r.out);
    // Mapped files, converted or written straight from the mapping, and pipes.
    for (const auto& [name, bytes] : TextsOfEveryKind()) {
        WriteFile(dir.File(name), bytes);
        const std::string expected = ConvertKanjiCode(bytes, kcShiftJis);
        EXPECT_TRUE(RunCli({"kanji", dir.File(name)}).out == expected) << name;
        EXPECT_TRUE(RunCli({"kanji", "-"}, bytes).out == expected) << name;
        ASSERT_EQ(RunCli({"kanji", dir.File(name), dir.File("out.txt")}).exitCode, 0) << name;
        EXPECT_TRUE(ReadFile(dir.File("out.txt")) == expected) << name;
    }
}

TEST(Kanji, NamesTheCharactersItReplacedAndStillSucceeds) {
    const struct {
        const char* name;
        std::string input, output, err;
    } cases[] = {
        {"Utf8", "a\xC2\xA9\r\n\xE3\x81\x82\r\nb\xF0\x9F\x98\x80\n", "a?\r\n\x82\xA0\r\nb?\n",
         "verdane-cli kanji: replaced 2 characters that Shift-JIS cannot hold:\n"
         "  line 1: U+00A9 \xC2\xA9 as \"?\"\n  line 3: U+1F600 \xF0\x9F\x98\x80 as \"?\"\n"},
        {"EucThreeByteCodes", "\xA4\xF3\n\x8F\xA2\xAF\x8F\xA2\xB7\n\x8F\xA1\xA1\n",
         "\x82\xF1\n\x81\xAC\x81\x60\n\x81\xAC\n",
         "verdane-cli kanji: replaced 2 characters that Shift-JIS cannot hold:\n"
         "  line 2: U+02D8 \xCB\x98 as \"\xE3\x80\x93\"\n  line 3: an unknown character as \"\xE3\x80\x93\"\n"},
        {"NothingReplaced", "\xE3\x81\x82\xEF\xBD\x9E", "\x82\xA0\x81\x60", ""},
    };
    TempDir dir;
    for (const auto& c : cases) {
        WriteFile(dir.File("in.txt"), c.input);
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"kanji", dir.File("in.txt")}, {"kanji", "-", dir.File("out.txt")}}) {
            const auto r = RunCli(args, c.input);
            EXPECT_EQ(r.exitCode, 0) << c.name;
            EXPECT_EQ(r.err, c.err) << c.name;
            EXPECT_EQ(args.size() == 2 ? r.out : ReadFile(dir.File("out.txt")), c.output) << c.name;
        }
    }
    // A long list is cut, the count is whole.
    std::string many;
    for (int i = 0; i < 150; ++i) many += "\xC2\xA9\n";
    const auto r = RunCli({"kanji", "-"}, many);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err.rfind("verdane-cli kanji: replaced 150 characters", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("  line 100: U+00A9"), std::string::npos);
    EXPECT_EQ(r.err.find("  line 101:"), std::string::npos);
    EXPECT_NE(r.err.find("  and 50 more\n"), std::string::npos);
}

TEST(Failures, SayWhyInOneLineAndExitOne) {
    TempDir dir;
    WriteFile(dir.File("plain.pdb"), std::string(200, 'x'));
    std::string damaged = LibraryDoc("some text that is long enough", "T", true, true);
    damaged.resize(damaged.size() - 3);
    damaged += "\x80";  // a back-reference cut off
    WriteFile(dir.File("damaged.pdb"), damaged);
    ::mkdir(dir.File("folder.txt").c_str(), 0755);
    WriteFile(dir.File("in.txt"), "text\r\n");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"to-doc", dir.File("missing.txt"), dir.File("out.pdb")}, "No such file"},
        {{"to-doc", dir.File("folder.txt"), dir.File("out.pdb")}, "Is a directory"},
        {{"to-text", dir.File("missing.pdb"), dir.File("out.txt")}, "No such file"},
        {{"to-text", dir.File("plain.pdb"), dir.File("out.txt")}, "not a DOC database"},
        {{"to-text", dir.File("damaged.pdb"), dir.File("out.txt")}, "damaged DOC database"},
        {{"kanji", dir.File("missing.txt")}, "No such file"},
        {{"to-doc", dir.File("plain.pdb"), dir.File("out.pdb")}, "not a DOC database"},
        {{"to-doc", dir.File("damaged.pdb"), dir.File("no/such/folder/out.pdb")}, "damaged DOC database"},
        {{"to-doc", dir.File("in.txt"), dir.File("no/such/folder/out.pdb")}, "cannot write"},
        {{"to-doc", "--title", "", dir.File("in.txt"), dir.File("out.pdb")}, "the title is empty"},
    };
    for (const auto& [args, says] : cases) {
        auto r = RunCli(args);
        EXPECT_EQ(r.exitCode, 1) << args[1];
        EXPECT_TRUE(OneLine(r.err)) << r.err;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    }
    EXPECT_EQ(test::ListDir(dir.Path()),
              (std::vector<std::string>{"damaged.pdb", "folder.txt", "in.txt", "plain.pdb"}));
}

TEST(Failures, FullStandardOutputExitsOne) {
    TempDir dir;
    WriteFile(dir.File("a.txt"), std::string(100000, 'a'));
    auto r = test::RunProcess("/bin/sh", {"-c", std::string(VERDANE_CLI_PATH) + " to-doc " + dir.File("a.txt") +
                                                    " - > /dev/full"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(OneLine(r.err)) << r.err;
}

// A tiny file system that fills up; needs the right to mount, else skipped.
class FullDisk : public ::testing::Test {
protected:
    void SetUp() override {
        if (::mount("tmpfs", dir.Path().c_str(), "tmpfs", 0, "size=64k") != 0)
            GTEST_SKIP() << "cannot mount a small tmpfs here";
        mounted = true;
    }
    void TearDown() override {
        if (mounted) ::umount(dir.Path().c_str());
    }
    TempDir dir;
    bool mounted = false;
};

TEST_F(FullDisk, LeavesNoHalfWrittenFileAndKeepsTheOldOne) {
    TempDir source;
    std::string text;
    for (int k = 0; k < 200000; ++k) text += static_cast<char>('!' + (k * 7919 % 90));
    WriteFile(source.File("big.txt"), text);
    WriteFile(dir.File("book.pdb"), "old database");
    auto r = RunCli({"to-doc", "--no-compress", source.File("big.txt"), dir.File("book.pdb")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(OneLine(r.err)) << r.err;
    EXPECT_NE(r.err.find("No space left"), std::string::npos) << r.err;
    EXPECT_EQ(test::ListDir(dir.Path()), std::vector<std::string>{"book.pdb"});
    EXPECT_TRUE(ReadFile(dir.File("book.pdb")) == "old database");
}

TEST(Usage, BadArgumentsExitTwoAndHelpExplainsEveryOption) {
    EXPECT_EQ(RunCli({"to-doc", "only-one"}).exitCode, 2);
    EXPECT_EQ(RunCli({"to-doc", "--bogus", "a", "b"}).exitCode, 2);
    EXPECT_EQ(RunCli({"to-text", "a"}).exitCode, 2);
    EXPECT_EQ(RunCli({"kanji"}).exitCode, 2);
    EXPECT_EQ(RunCli({"kanji", "--detect", "a", "b"}).exitCode, 2);
    const std::vector<std::pair<std::string, std::vector<std::string>>> helps = {
        {"to-doc", {"--title", "--no-compress", "--no-binary", "--prc", "Exit status"}},
        {"to-text", {"IN.pdb", "CR LF", "Exit status"}},
        {"kanji", {"--detect", "7 UTF-8", "Exit status"}},
    };
    for (const auto& [command, words] : helps) {
        auto r = RunCli({command, "--help"});
        EXPECT_EQ(r.exitCode, 0);
        for (const auto& w : words) EXPECT_NE(r.out.find(w), std::string::npos) << command << " " << w;
    }
}

}  // namespace
}  // namespace verdane
