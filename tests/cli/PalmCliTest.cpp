// verdane-cli palm-desktop init and install end to end on real folders: a
// desktop made by one command takes the databases of the other, with the bytes
// to-doc writes, and nothing is left anywhere else; the commands that read a
// file as the open command does name what they had to replace.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace verdane {
namespace {

using test::FileExists;
using test::ListDir;
using test::ReadFile;
using test::RunCli;
using test::TempDir;
using test::WriteFile;

const std::string kYamada = "\xE5\xB1\xB1\xE7\x94\xB0\xE5\xA4\xAA\xE9\x83\x8E";  // 山田太郎 in UTF-8
const std::string kEucText = "\xC6\xFC\xCB\xDC\xB8\xEC\r\nline\n";               // 日本語 in EUC-JP

bool OneLine(const std::string& err) { return !err.empty() && err.find('\n') == err.size() - 1; }

// Each test gets its own desktop, TMPDIR and working folder, and points
// VERDANE_REGISTRY at the desktop.
class PalmCli : public testing::Test {
protected:
    void SetUp() override {
        savedCwd_ = std::filesystem::current_path();
        std::filesystem::current_path(work_.Path());
        setenv("TMPDIR", tmp_.Path().c_str(), 1);
        const auto r = RunCli({"palm-desktop", "init", desk_.File("desk"), "--user", kYamada, "--user=Hanako"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        registry_ = desk_.File("desk/registry.reg");
        ASSERT_EQ(r.out, "export VERDANE_REGISTRY=" + registry_ + "\n");
        setenv("VERDANE_REGISTRY", registry_.c_str(), 1);
    }
    void TearDown() override {
        EXPECT_EQ(ListDir(tmp_.Path()), std::vector<std::string>{});
        EXPECT_EQ(ListDir(work_.Path()), std::vector<std::string>{});
        std::filesystem::current_path(savedCwd_);
        unsetenv("TMPDIR");
        unsetenv("VERDANE_REGISTRY");
    }
    std::string Queue(const std::string& folder) const { return desk_.File("desk/Palm/" + folder + "/Install"); }

    TempDir desk_, tmp_, work_, files_;
    std::string registry_;
    std::string savedCwd_;
};

TEST_F(PalmCli, InitMakesAFolderPerUserAndTheRegistryNamesThem) {
    EXPECT_EQ(ListDir(desk_.File("desk")), (std::vector<std::string>{"Palm", "registry.reg"}));
    EXPECT_EQ(ListDir(desk_.File("desk/Palm")), (std::vector<std::string>{"Hanako", kYamada}));
    EXPECT_EQ(ListDir(Queue(kYamada)), std::vector<std::string>{});
    const std::string reg = ReadFile(registry_);
    EXPECT_EQ(reg.rfind("REGEDIT4\r\n", 0), 0u);
    // Absolute: a copy of the file elsewhere names the same desktop.
    EXPECT_NE(reg.find("\"Path\"=\"" + desk_.File("desk/Palm") + "\""), std::string::npos);
    EXPECT_NE(reg.find("\"LastUserName\"=\"" + kYamada + "\""), std::string::npos);
}

TEST_F(PalmCli, InstallQueuesWhatToDocWrites) {
    WriteFile(files_.File("Story.txt"), kEucText);
    auto r = RunCli({"install", "--user", kYamada, files_.File("Story.txt")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    r = RunCli({"to-doc", files_.File("Story.txt"), files_.File("Story.pdb")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ListDir(Queue(kYamada)), std::vector<std::string>{"Story.PDB"});
    EXPECT_EQ(ReadFile(Queue(kYamada) + "/Story.PDB"), ReadFile(files_.File("Story.pdb")));
    EXPECT_EQ(ListDir(Queue("Hanako")), std::vector<std::string>{});
}

TEST_F(PalmCli, InstallTakesTitleAndPrc) {
    WriteFile(files_.File("b.txt"), "text\r\n");
    const std::string title = "\xE7\x89\xA9\xE8\xAA\x9E";  // 物語
    auto r = RunCli({"install", "--prc", "--title", title, "--user", "Hanako", files_.File("b.txt")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    r = RunCli({"to-doc", "--title", title, files_.File("b.txt"), files_.File("x.prc")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ListDir(Queue("Hanako")), std::vector<std::string>{"b.PRC"});
    EXPECT_EQ(ReadFile(Queue("Hanako") + "/b.PRC"), ReadFile(files_.File("x.prc")));
    // Installing again replaces the queued file, and says so.
    WriteFile(files_.File("b.txt"), "other\r\n");
    r = RunCli({"install", "--prc", "--user", "Hanako", files_.File("b.txt")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "verdane-cli install: replaced b.PRC, which was waiting for \"Hanako\"\n");
    EXPECT_EQ(ListDir(Queue("Hanako")), std::vector<std::string>{"b.PRC"});
    EXPECT_EQ(ReadFile(Queue("Hanako") + "/b.PRC").substr(0, 2), std::string("b\0", 2));
}

TEST_F(PalmCli, InstallCleansAnAozoraArchive) {
    // An archive of one Aozora text, the work's name from the archive's.
    WriteFile(files_.File("neko.txt"), "\x94\x4C\x81\x73\x82\xCB\x82\xB1\x81\x74\r\n");  // 猫《ねこ》
    const auto zip = test::RunProcess("/usr/bin/zip", {"-q", "-j", files_.File("Neko.zip"), files_.File("neko.txt")});
    ASSERT_EQ(zip.exitCode, 0) << zip.err;
    auto r = RunCli({"install", "--aozora", "--user", "Hanako", files_.File("Neko.zip")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ListDir(Queue("Hanako")), std::vector<std::string>{"Neko.PDB"});
    WriteFile(files_.File("db.pdb"), ReadFile(Queue("Hanako") + "/Neko.PDB"));
    r = RunCli({"to-text", files_.File("db.pdb"), "-"});
    EXPECT_EQ(r.out, "\x94\x4C\x81\x69\x82\xCB\x82\xB1\x81\x6A\r\n");  // 猫（ねこ）
}

// Every command that reads a file as the open command does names on standard
// error the UTF-8 characters Shift-JIS lacks, as kanji does, and still
// succeeds with "?" in their place in a text, the geta mark in a database:
// from a plain file and from an archive.
TEST_F(PalmCli, CommandsNameTheCharactersTheyReplaced) {
    const std::string utf8 = "a\xC2\xA9\n\xE3\x81\x82\nb\xF0\x9F\x98\x80\n";  // a©, あ, b😀
    WriteFile(files_.File("u.txt"), utf8);
    const auto zip = test::RunProcess("/usr/bin/zip", {"-q", "-j", files_.File("z.zip"), files_.File("u.txt")});
    ASSERT_EQ(zip.exitCode, 0) << zip.err;
    const std::string u = files_.File("u.txt"), z = files_.File("z.zip");
    const std::string out = files_.File("out.txt"), pdb = files_.File("out.pdb");
    const struct {
        std::vector<std::string> args;
        std::string written;  // the file to look in; a database is read back with to-text
    } cases[] = {
        {{"to-doc", u, pdb}, pdb},
        {{"to-doc", z, pdb}, pdb},
        {{"to-doc", "--aozora", u, pdb}, pdb},
        {{"html2text", u, out}, out},
        {{"install", "--user", "Hanako", u}, Queue("Hanako") + "/u.PDB"},
        {{"install", "--user", "Hanako", z}, Queue("Hanako") + "/z.PDB"},
        {{"aozora", u, out}, out},
        {{"aozora", z, out}, out},
    };
    for (const auto& c : cases) {
        const std::string& command = c.args.front();
        const auto r = RunCli(c.args);
        ASSERT_EQ(r.exitCode, 0) << command << ": " << r.err;
        const bool doc = c.written.ends_with(".pdb") || c.written.ends_with(".PDB");
        // The Aozora cleaner works on the text in Shift-JIS: "?" before the database is made.
        const bool geta = doc && c.args[1] != "--aozora";
        const std::string mark = geta ? "\xE3\x80\x93" : "?";
        EXPECT_EQ(r.err, "verdane-cli " + command + ": replaced 2 characters that Shift-JIS cannot hold:\n"
                         "  line 1: U+00A9 \xC2\xA9 as \"" + mark + "\"\n  line 3: U+1F600 \xF0\x9F\x98\x80 as \"" +
                         mark + "\"\n")
            << c.args[1];
        std::string text = ReadFile(c.written);
        if (doc) {
            WriteFile(files_.File("db.pdb"), text);
            text = RunCli({"to-text", files_.File("db.pdb"), "-"}).out;
        }
        const std::string written = geta ? "\x81\xAC" : "?";
        EXPECT_NE(text.find("a" + written), std::string::npos) << command << " " << c.args[1];
        EXPECT_NE(text.find("\x82\xA0"), std::string::npos) << command << " " << c.args[1];  // あ kept
        EXPECT_NE(text.find("b" + written), std::string::npos) << command << " " << c.args[1];
    }
    // A text Shift-JIS holds whole is converted without a word.
    WriteFile(u, "\xE3\x81\x82\n");
    for (const std::vector<std::string>& args : {std::vector<std::string>{"to-doc", u, pdb}, {"html2text", u, out}}) {
        const auto r = RunCli(args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, "") << args[0];
    }
}

// The names the install dialog refuses are refused here too: a "." (the
// extension is the command's own), a folder, an empty name.
TEST_F(PalmCli, InstallNamesFollowTheDialogsRules) {
    WriteFile(files_.File("my.book.txt"), "text\r\n");
    auto r = RunCli({"install", "--user", "Hanako", files_.File("my.book.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(OneLine(r.err)) << r.err;
    EXPECT_NE(r.err.find("--name"), std::string::npos) << r.err;
    for (const char* bad : {"a.b", "a/b", "a\\b", ""}) {
        r = RunCli({"install", "--user", "Hanako", "--name", bad, files_.File("my.book.txt")});
        EXPECT_EQ(r.exitCode, 1) << bad;
        EXPECT_TRUE(OneLine(r.err)) << r.err;
    }
    EXPECT_EQ(ListDir(Queue("Hanako")), std::vector<std::string>{});
    r = RunCli({"install", "--user", "Hanako", "--name", "MyBook", files_.File("my.book.txt")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ListDir(Queue("Hanako")), std::vector<std::string>{"MyBook.PDB"});
}

TEST_F(PalmCli, StandardInputIsNamedNewFile) {
    const auto r = RunCli({"install", "--user", "Hanako", "-"}, "piped\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ListDir(Queue("Hanako")), std::vector<std::string>{"NewFile.PDB"});
}

TEST_F(PalmCli, AnUnknownUserIsAnErrorNamingTheUsers) {
    WriteFile(files_.File("a.txt"), "a");
    const auto r = RunCli({"install", "--user", "hanako", files_.File("a.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(OneLine(r.err)) << r.err;
    EXPECT_NE(r.err.find("\"hanako\""), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\"" + kYamada + "\", \"Hanako\""), std::string::npos) << r.err;
    EXPECT_EQ(ListDir(Queue("Hanako")), std::vector<std::string>{});
}

TEST_F(PalmCli, MissingInputDesktopOrCoreFailWithOneLine) {
    auto r = RunCli({"install", "--user", "Hanako", files_.File("missing.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(OneLine(r.err)) << r.err;

    WriteFile(files_.File("a.txt"), "a");
    setenv("VERDANE_REGISTRY", desk_.File("none.reg").c_str(), 1);
    r = RunCli({"install", "--user", "Hanako", files_.File("a.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("VERDANE_REGISTRY"), std::string::npos) << r.err;
    EXPECT_TRUE(OneLine(r.err)) << r.err;

    setenv("VERDANE_REGISTRY", registry_.c_str(), 1);
    std::filesystem::rename(desk_.File("desk/Palm"), desk_.File("desk/Moved"));
    r = RunCli({"install", "--user", "Hanako", files_.File("a.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("does not exist"), std::string::npos) << r.err;

    WriteFile(registry_, "REGEDIT4\n[broken\n");
    r = RunCli({"install", "--user", "Hanako", files_.File("a.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(registry_ + ":2:"), std::string::npos) << r.err;
}

TEST_F(PalmCli, BadUsageExitsTwo) {
    WriteFile(files_.File("a.txt"), "a");
    EXPECT_EQ(RunCli({"install", files_.File("a.txt")}).exitCode, 2);             // no --user
    EXPECT_EQ(RunCli({"install", "--user", "Hanako"}).exitCode, 2);               // no IN
    EXPECT_EQ(RunCli({"palm-desktop", "init", desk_.File("x")}).exitCode, 2);     // no --user
    EXPECT_EQ(RunCli({"palm-desktop", "make", desk_.File("x"), "--user", "a"}).exitCode, 2);
    EXPECT_EQ(RunCli({"palm-desktop", "init", "--user"}).exitCode, 2);
    EXPECT_FALSE(FileExists(desk_.File("x")));
    for (const char* command : {"install", "palm-desktop"}) {
        const auto r = RunCli({command, "--help"});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out.rfind(std::string("Usage: verdane-cli ") + command, 0), 0u) << r.out;
    }
}

TEST_F(PalmCli, InitNeverReplacesADesktop) {
    const std::string before = ReadFile(registry_);
    const auto r = RunCli({"palm-desktop", "init", desk_.File("desk"), "--user", "Other"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(OneLine(r.err)) << r.err;
    EXPECT_EQ(ReadFile(registry_), before);
    EXPECT_EQ(RunCli({"palm-desktop", "init", desk_.File("two"), "--user", "A", "--user", "A"}).exitCode, 1);
}

TEST_F(PalmCli, InitRefusesAUserNameWithAControlCharacter) {
    const auto r = RunCli({"palm-desktop", "init", desk_.File("two"), "--user", "A", "--user", "ev\nil"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "verdane-cli palm-desktop: the user name \"ev\\nil\" holds a control character; "
                     "the handheld cannot keep it\n");
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(FileExists(desk_.File("two")));
}

TEST_F(PalmCli, ThePrintedLineWorksInAShellForAnyFolderName) {
    const std::string dir = desk_.File("it's my desk");
    const auto r = RunCli({"palm-desktop", "init", dir, "--user", "A"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto shell = test::RunProcess("/bin/sh", {"-c", r.out + "printf %s \"$VERDANE_REGISTRY\""});
    EXPECT_EQ(shell.out, dir + "/registry.reg");
}

// The user is checked before the catalogue or the work is downloaded (the
// catalogue's address here answers nothing) and before OUT is written.
TEST_F(PalmCli, LibraryGetRefusesAnUnknownUserBeforeAnythingIsDownloadedOrWritten) {
    const auto r = RunCli({"library", "get", "--catalog", "http://127.0.0.1:9/list.zip", "--install", "NOBODY",
                           "789", files_.File("x.pdb")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("no handheld user \"NOBODY\""), std::string::npos) << r.err;
    EXPECT_FALSE(FileExists(files_.File("x.pdb")));
}

// A folder that cannot be made is named with the system's reason.
TEST_F(PalmCli, InitSaysWhyAFolderCannotBeMade) {
    WriteFile(files_.File("plain"), "a file where a folder should be");
    const auto r = RunCli({"palm-desktop", "init", files_.File("plain/desk"), "--user", "Hanako"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("cannot create the folder " + files_.File("plain/desk") + ": Not a directory"), std::string::npos)
        << r.err;
}

}  // namespace
}  // namespace verdane
