// The registry file reader on real files: values of every kind, both line ends,
// CP932 files, relative paths, and a table of malformed files with the line
// each message names.
#include "FileIo.h"
#include "RegistryFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace verdane::platform {
namespace {

using test::TempDir;
using test::WriteFile;

constexpr std::string_view kKey = "HKEY_CURRENT_USER\\Software\\Palm Computing\\Pilot Desktop\\Core";

TRegistryFile LoadText(const TempDir& dir, std::string_view text) {
    WriteFile(dir.File("registry.reg"), text);
    return TRegistryFile::Load(dir.File("registry.reg"));
}

TEST(RegistryFile, ReadsStringsEscapesDwordsAndDefaults) {
    TempDir dir;
    const auto reg = LoadText(dir,
                              "REGEDIT4\n"
                              "\n"
                              "; a comment line\n"
                              "[HKEY_CURRENT_USER\\Software\\Palm Computing\\Pilot Desktop\\Core]\n"
                              "\"Path\"=\"C:\\\\Palm \\\"Desktop\\\"\"\n"
                              "@=\"the default\"\n"
                              "\"Count\"=dword:0000002A\n"
                              "\"Big\"=dword:ffffffff\n"
                              "\"Blob\"=hex:01,02,03,\\\n"
                              "  04,05\n"
                              "\"Multi\"=hex(7):41,00,00,00\n"
                              "\"After\"=\"still read\"\n");
    EXPECT_EQ(reg.ReadString(kKey, "Path"), "C:\\Palm \"Desktop\"");
    EXPECT_EQ(reg.ReadString(kKey, ""), "the default");
    EXPECT_EQ(reg.ReadDword(kKey, "Count"), 42u);
    EXPECT_EQ(reg.ReadDword(kKey, "Big"), 0xFFFFFFFFu);
    EXPECT_EQ(reg.ReadString(kKey, "After"), "still read");
    // Binary values are skipped; a value of the wrong kind reads as missing.
    EXPECT_EQ(reg.ReadString(kKey, "Blob"), std::nullopt);
    EXPECT_EQ(reg.ReadDword(kKey, "Path"), std::nullopt);
    EXPECT_EQ(reg.ReadString(kKey, "Count"), std::nullopt);
    EXPECT_EQ(reg.ReadString(kKey, "Missing"), std::nullopt);
    EXPECT_EQ(reg.ReadString("HKEY_CURRENT_USER\\Software\\Nothing", "Path"), std::nullopt);
}

TEST(RegistryFile, KeysAndNamesIgnoreCaseAndParentsExist) {
    TempDir dir;
    const auto reg = LoadText(dir,
                              "REGEDIT4\r\n\r\n"
                              "[HKEY_CURRENT_USER\\Software\\Palm Computing\\Pilot Desktop\\Core]\r\n"
                              "\"PATH\"=\"x\"\r\n");
    EXPECT_EQ(reg.ReadString("hkey_current_user\\software\\PALM COMPUTING\\pilot desktop\\core", "path"), "x");
    EXPECT_TRUE(reg.KeyExists("HKEY_CURRENT_USER\\Software\\Palm Computing"));
    EXPECT_TRUE(reg.KeyExists("HKEY_CURRENT_USER\\Software"));
    EXPECT_FALSE(reg.KeyExists("HKEY_CURRENT_USER\\Software\\U.S. Robotics"));
    EXPECT_FALSE(reg.KeyExists("HKEY_CURRENT_USER\\Software\\Palm"));  // a prefix of a name is not a key
}

TEST(RegistryFile, CrLfAndLfGiveTheSameValues) {
    TempDir dir;
    const std::string lf = "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=\"1\"\n\"w\"=dword:2\n";
    std::string crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (const std::string& text : {lf, crlf}) {
        const auto reg = LoadText(dir, text);
        EXPECT_EQ(reg.ReadString("HKEY_CURRENT_USER\\A", "v"), "1");
        EXPECT_EQ(reg.ReadDword("HKEY_CURRENT_USER\\A", "w"), 2u);
    }
}

TEST(RegistryFile, ReadsUtf8WithOrWithoutMarkAndCp932) {
    TempDir dir;
    const std::string body = "[HKEY_CURRENT_USER\\A]\r\n\"Name\"=\"";
    // 山田太郎 and 表示: the second byte of 表 in CP932 is 0x5C, the backslash.
    const auto utf8 = LoadText(dir, "REGEDIT4\r\n" + body + "\xE5\xB1\xB1\xE7\x94\xB0\xE5\xA4\xAA\xE9\x83\x8E\"\r\n");
    EXPECT_EQ(utf8.ReadString("HKEY_CURRENT_USER\\A", "Name"), "山田太郎");
    const auto bom = LoadText(dir, "\xEF\xBB\xBFREGEDIT4\r\n" + body + "x\"\r\n");
    EXPECT_EQ(bom.ReadString("HKEY_CURRENT_USER\\A", "Name"), "x");
    const auto cp932 = LoadText(dir, "REGEDIT4\r\n" + body + "\x8E\x52\x93\x63\x95\x5C\x8E\xA6\"\r\n");
    EXPECT_EQ(cp932.ReadString("HKEY_CURRENT_USER\\A", "Name"), "山田表示");
}

TEST(RegistryFile, DeletionsRemoveKeysAndValuesReadSoFar) {
    TempDir dir;
    const auto reg = LoadText(dir,
                              "REGEDIT4\n"
                              "[HKEY_CURRENT_USER\\A\\B\\C]\n\"x\"=\"1\"\n"
                              "[HKEY_CURRENT_USER\\A\\D]\n\"y\"=\"2\"\n\"z\"=\"3\"\n\"z\"=-\n"
                              "[-HKEY_CURRENT_USER\\A\\B]\n\"ignored\"=\"4\"\n"
                              "[HKEY_CURRENT_USER\\A\\D]\n\"y\"=\"5\"\n");
    EXPECT_FALSE(reg.KeyExists("HKEY_CURRENT_USER\\A\\B"));
    EXPECT_FALSE(reg.KeyExists("HKEY_CURRENT_USER\\A\\B\\C"));
    EXPECT_TRUE(reg.KeyExists("HKEY_CURRENT_USER\\A"));
    EXPECT_EQ(reg.ReadString("HKEY_CURRENT_USER\\A\\D", "y"), "5");  // the later value wins
    EXPECT_EQ(reg.ReadString("HKEY_CURRENT_USER\\A\\D", "z"), std::nullopt);
    EXPECT_EQ(reg.SubKeys("HKEY_CURRENT_USER\\A"), std::vector<std::string>{"D"});
}

TEST(RegistryFile, ARemovalTakesItsSubkeysOnlyAndAKeyAddedAgainComesLast) {
    TempDir dir;
    const auto reg = LoadText(dir,
                              "REGEDIT4\n[HKEY_CURRENT_USER\\U\\A]\n[HKEY_CURRENT_USER\\U\\A\\Sub]\n"
                              "[HKEY_CURRENT_USER\\U\\A B]\n[HKEY_CURRENT_USER\\U\\A0]\n[HKEY_CURRENT_USER\\U\\Z]\n"
                              "[-HKEY_CURRENT_USER\\u\\a]\n[HKEY_CURRENT_USER\\U\\a]\n");
    EXPECT_EQ(reg.SubKeys("HKEY_CURRENT_USER\\U"), (std::vector<std::string>{"A B", "A0", "Z", "a"}));
    EXPECT_FALSE(reg.KeyExists("HKEY_CURRENT_USER\\U\\A\\Sub"));
}

TEST(RegistryFile, SubKeysKeepTheirSpellingAndOrder) {
    TempDir dir;
    const auto reg = LoadText(dir,
                              "REGEDIT4\n[HKEY_CURRENT_USER\\U\\10]\n[HKEY_CURRENT_USER\\U\\Two]\n"
                              "[HKEY_CURRENT_USER\\U\\Two\\Deeper]\n[HKEY_CURRENT_USER\\u\\two]\n[HKEY_CURRENT_USER\\U\\1]\n");
    EXPECT_EQ(reg.SubKeys("hkey_current_user\\u"), (std::vector<std::string>{"10", "Two", "1"}));
}

TEST(RegistryFile, ResolvesRelativePathsAgainstTheFilesFolder) {
    TempDir dir;
    const auto reg = LoadText(dir, "REGEDIT4\n");
    EXPECT_EQ(reg.ResolvePath("Palm"), dir.Path() + "/Palm");
    EXPECT_EQ(reg.ResolvePath("./a/../Palm/"), dir.Path() + "/Palm");
    EXPECT_EQ(reg.ResolvePath("/opt/palm"), "/opt/palm");
    EXPECT_EQ(reg.ResolvePath(""), "");
    EXPECT_EQ(reg.BaseDir(), dir.Path());
}

TEST(RegistryFile, MissingFileIsAFileError) {
    TempDir dir;
    EXPECT_THROW(TRegistryFile::Load(dir.File("none.reg")), EFileError);
}

struct BadFile {
    const char* name;
    std::string text;
    int line;
    const char* why;  // a part of the message
};

class RegistryFileRefuses : public testing::TestWithParam<BadFile> {};

TEST_P(RegistryFileRefuses, NamingFileAndLine) {
    TempDir dir;
    const std::string path = dir.File("registry.reg");
    WriteFile(path, GetParam().text);
    try {
        TRegistryFile::Load(path);
        FAIL() << "accepted";
    } catch (const ERegistryFormat& e) {
        const std::string message = e.what();
        EXPECT_EQ(message.rfind(path + ":" + std::to_string(GetParam().line) + ": ", 0), 0u) << message;
        EXPECT_NE(message.find(GetParam().why), std::string::npos) << message;
    }
}

const std::string kHead = "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n";

INSTANTIATE_TEST_SUITE_P(
    Table, RegistryFileRefuses,
    testing::Values(BadFile{"Empty", "", 1, "REGEDIT4"},
                    BadFile{"OtherHeader", "Windows Registry Editor Version 5.00\r\n", 1, "REGEDIT4"},
                    BadFile{"ValueBeforeKey", "REGEDIT4\r\n\"a\"=\"b\"\r\n", 2, "before the first [key]"},
                    BadFile{"UnclosedKey", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A\r\n", 3, "closing"},
                    BadFile{"EmptyKey", "REGEDIT4\r\n[]\r\n", 2, "empty key"},
                    BadFile{"NoRoot", "REGEDIT4\r\n[Software\\Palm]\r\n", 2, "HKEY_"},
                    BadFile{"EmptyPart", "REGEDIT4\r\n[HKEY_CURRENT_USER\\\\A]\r\n", 2, "empty part"},
                    BadFile{"TrailingSeparator", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A\\]\r\n", 2, "empty part"},
                    BadFile{"UnclosedString", kHead + "\"a\"=\"b\r\n", 3, "closing quote"},
                    BadFile{"UnclosedName", kHead + "\"a=\"b\"\r\n", 3, "without \"=\""},
                    BadFile{"UnknownEscape", kHead + "\"Path\"=\"C:\\Palm\"\r\n", 3, "escape"},
                    BadFile{"EscapeAtEnd", kHead + "\"a\"=\"b\\", 3, "closing quote"},
                    BadFile{"TextAfterString", kHead + "\"a\"=\"b\" c\r\n", 3, "after the closing quote"},
                    BadFile{"NoEquals", kHead + "\"a\" \"b\"\r\n", 3, "without \"=\""},
                    BadFile{"BareWord", kHead + "Path=x\r\n", 3, "neither"},
                    BadFile{"UnknownKind", kHead + "\"a\"=qword:1\r\n", 3, "unknown kind"},
                    BadFile{"DwordTooLong", kHead + "\"a\"=dword:123456789\r\n", 3, "1 to 8 hex"},
                    BadFile{"DwordNotHex", kHead + "\"a\"=dword:12g4\r\n", 3, "1 to 8 hex"},
                    BadFile{"DwordEmpty", kHead + "\"a\"=dword:\r\n", 3, "1 to 8 hex"},
                    BadFile{"HexBadByte", kHead + "\"a\"=hex:01,zz\r\n", 3, "not a hex digit"},
                    BadFile{"HexBadKind", kHead + "\"a\"=hex(x):01\r\n", 3, "unknown kind"},
                    BadFile{"HexBadContinuation", kHead + "\"a\"=hex:01,\\\r\n  0g\r\n", 4, "not a hex digit"},
                    BadFile{"HexContinuedPastEnd", kHead + "\"a\"=hex:01,\\\r\n", 3, "past the end"},
                    BadFile{"NulInString", kHead + std::string("\"a\"=\"b\0c\"\r\n", 11), 3, "NUL"}),
    [](const testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

TEST(RegistryFile, DefaultPathFollowsTheEnvironment) {
    const char* saved = std::getenv("VERDANE_REGISTRY");
    const std::string keep = saved ? saved : "";
    setenv("VERDANE_REGISTRY", "/tmp/x/registry.reg", 1);
    EXPECT_EQ(DefaultRegistryPath(), "/tmp/x/registry.reg");
    unsetenv("VERDANE_REGISTRY");
    setenv("XDG_CONFIG_HOME", "/tmp/conf", 1);
    EXPECT_EQ(DefaultRegistryPath(), "/tmp/conf/verdane/registry.reg");
    if (saved) setenv("VERDANE_REGISTRY", keep.c_str(), 1);
}

}  // namespace
}  // namespace verdane::platform
