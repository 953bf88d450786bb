// The settings file on real files: lookups without case, other lines kept,
// the integer rules, CP932 files, owner-only creation and failed writes.
#include "ProfileFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

#include <QDir>

namespace verdane::platform {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

QString Q(const std::string& s) { return QString::fromStdString(s); }

TEST(ParseInteger, AcceptsDecimalAndHexadecimalForms) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {"80", 80},        {" 80", 80},          {"  -80", -80},      {"+7", 7},
        {"$50", 80},       {"x50", 80},          {"X50", 80},         {"0x50", 80},
        {"0X1f", 31},      {"$FFFFFFFF", -1},    {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},               {"2147483648", std::nullopt},
        {"$100000000", std::nullopt},             {"", std::nullopt},  {" ", std::nullopt},
        {"80x", std::nullopt}, {"80 ", std::nullopt}, {"abc", std::nullopt}, {"-$10", std::nullopt},
        {"$", std::nullopt}, {"0x", std::nullopt}, {"-", std::nullopt}, {"８０", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseInteger(QString::fromUtf8(c.text)), c.value) << c.text;
}

TEST(TProfile, MissingFileGivesDefaultsAndIsNotCreatedByReading) {
    TempDir dir;
    TProfile ini(Q(dir.File("v.INI")));
    EXPECT_FALSE(ini.Exists());
    EXPECT_EQ(ini.ReadString("Setting", "BM", "(BM)"), "(BM)");
    EXPECT_EQ(ini.ReadInteger("Proxy", "Port", 0), 0);
    EXPECT_TRUE(ini.ReadBool("Verdane", "Compress", true));
    EXPECT_FALSE(ini.Exists());
}

TEST(TProfile, FindsSectionsAndKeysWithoutCaseAndKeepsOtherLines) {
    TempDir dir;
    const std::string path = dir.File("v.INI");
    WriteFile(path, "; my notes\n[other]\nx = 1\n[PROXY]\n  server = host.example  \nmine=keep\n\n[Window]\nTop=5\n");
    TProfile ini(Q(path));
    EXPECT_EQ(ini.ReadString("Proxy", "Server", ""), "host.example");
    EXPECT_EQ(ini.ReadInteger("window", "TOP", 0), 5);
    ini.WriteString("proxy", "SERVER", "new.example");
    ini.WriteInteger("Proxy", "Port", 8080);
    ini.WriteString("Strings", "Text1", "定型文");
    EXPECT_EQ(ReadFile(path),
              "; my notes\n[other]\nx = 1\n[PROXY]\nSERVER=new.example\nmine=keep\nPort=8080\n\n[Window]\nTop=5\n"
              "[Strings]\nText1=定型文\n");
}

TEST(TProfile, IntegersFollowTheSettingsFileRules) {
    TempDir dir;
    const std::string path = dir.File("v.INI");
    WriteFile(path, "[P]\na=0x50\nb=abc\nc=2\nd=$10\ne= -3\nf=0x\ng=99999999999\nh=-2147483640\ni=0xFFFFFFFF\n");
    TProfile ini(Q(path));
    EXPECT_EQ(ini.ReadInteger("P", "a", 7), 80);
    EXPECT_EQ(ini.ReadInteger("P", "b", 7), 7);
    EXPECT_EQ(ini.ReadInteger("P", "c", 7), 2);
    EXPECT_TRUE(ini.ReadBool("P", "c", false));
    EXPECT_EQ(ini.ReadInteger("P", "d", 7), 16);
    EXPECT_EQ(ini.ReadInteger("P", "e", 7), -3);
    EXPECT_EQ(ini.ReadInteger("P", "f", 7), 7);
    EXPECT_EQ(ini.ReadInteger("P", "g", 7), 7);
    EXPECT_EQ(ini.ReadInteger("P", "h", 7), -2147483640);
    EXPECT_EQ(ini.ReadInteger("P", "i", 7), -1);
}

TEST(TProfile, ValuesWithBlankEndsOrQuotesReadBackExactly) {
    TempDir dir;
    TProfile ini(Q(dir.File("v.INI")));
    const QString values[] = {"  indented", "trailing ", "\"quoted\"", "'single'", "", "a=b", "x\"y"};
    int n = 0;
    for (const QString& v : values) ini.WriteString("Strings", QStringLiteral("Text%1").arg(++n), v);
    n = 0;
    for (const QString& v : values) EXPECT_EQ(ini.ReadString("Strings", QStringLiteral("Text%1").arg(++n), "?"), v);
}

TEST(TProfile, LongStringsAreCutAtWholeCharactersWithin2047Bytes) {
    TempDir dir;
    TProfile ini(Q(dir.File("v.INI")));
    ini.WriteString("S", "ascii", QString(3000, u'a'));
    ini.WriteString("S", "kanji", QString(1500, u'漢'));  // two bytes each in CP932
    EXPECT_EQ(ini.ReadString("S", "ascii", ""), QString(2047, u'a'));
    EXPECT_EQ(ini.ReadString("S", "kanji", ""), QString(1023, u'漢'));
}

TEST(TProfile, Cp932FileIsReadAndWrittenBackAsUtf8) {
    TempDir dir;
    const std::string path = dir.File("v.INI");
    // "[Strings]\r\nText1=こんにちは\r\n" in CP932, as a Windows program writes it.
    WriteFile(path, "[Strings]\r\nText1=\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\r\n");
    TProfile ini(Q(path));
    EXPECT_EQ(ini.ReadString("Strings", "Text1", ""), "こんにちは");
    ini.WriteString("Strings", "Text2", "ｶﾀｶﾅ");
    EXPECT_EQ(ReadFile(path), "[Strings]\r\nText1=こんにちは\r\nText2=ｶﾀｶﾅ\r\n");
}

TEST(TProfile, NewFileAndFolderAreForTheOwnerOnly) {
    TempDir dir;
    const std::string path = dir.File("cfg/verdane/verdane.INI");
    TProfile ini(Q(path));
    ini.WriteString("Proxy", "Pass", "secret");
    struct stat st{};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(dir.File("cfg/verdane").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(TProfile, AFileOthersCouldReadIsForTheOwnerOnlyOnceWritten) {
    TempDir dir;
    const std::string path = dir.File("verdane.INI");
    WriteFile(path, "[Proxy]\nPass=old\n");
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    TProfile(Q(path)).WriteString("Proxy", "Pass", "secret");
    struct stat st{};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(TProfile, EveryLineEndReadsAndAChangedFileIsReadAgain) {
    TempDir dir;
    const std::string path = dir.File("v.INI");
    WriteFile(path, "[A]\r\nx=1\ry=2\n[B]\r\r\nx=3\r\n[a]\r\nz=4\r\n");
    const TProfile ini(Q(path));
    EXPECT_EQ(ini.ReadString("a", "Y", "-") + ini.ReadString("B", "x", "-") + ini.ReadString("A", "z", "-"), "23-");
    // Replaced by another program, even by a file of the same size; written by another object.
    WriteFile(path + ".new", "[A]\r\nx=5\ry=6\n[B]\r\r\nx=7\r\n[a]\r\nz=8\r\n");
    ASSERT_EQ(::rename((path + ".new").c_str(), path.c_str()), 0);
    EXPECT_EQ(ini.ReadString("A", "x", "-"), "5");
    TProfile(Q(path)).WriteString("B", "x", "9");
    EXPECT_EQ(ini.ReadString("B", "x", "-"), "9");
}

TEST(TProfile, ReadOnlyFileIsNotReplacedAndTheErrorNamesIt) {
    TempDir dir;
    const std::string path = dir.File("v.INI");
    WriteFile(path, "[Setting]\nBM=(BM)\n");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    TProfile ini(Q(path));
    try {
        ini.WriteString("Setting", "BM", "#");
        FAIL() << "a read-only file was written";
    } catch (const EProfileError& e) {
        EXPECT_EQ(e.FileName(), Q(path));
        EXPECT_EQ(e.Error(), EACCES);
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
    }
    EXPECT_EQ(ReadFile(path), "[Setting]\nBM=(BM)\n");
}

TEST(TProfile, UnwritableFolderRaisesAndLeavesNoFile) {
    TempDir dir;
    WriteFile(dir.File("plain"), "not a folder");
    TProfile ini(Q(dir.File("plain/verdane.INI")));
    EXPECT_THROW(ini.WriteString("S", "k", "v"), EProfileError);
    EXPECT_EQ(ReadFile(dir.File("plain")), "not a folder");
}

TEST(TProfile, AnUpdateReachesTheFileWholeOrNotAtAll) {
    TempDir dir;
    const std::string path = dir.File("v.INI");
    WriteFile(path, "[Setting]\nBM=(BM)\n");
    TProfile ini(Q(path));
    ini.BeginUpdate();
    ini.WriteString("Setting", "BM", "#");
    ini.WriteInteger("Proxy", "Port", 80);
    EXPECT_EQ(ini.ReadString("Setting", "BM", ""), "#");  // read from the pending update
    EXPECT_EQ(ReadFile(path), "[Setting]\nBM=(BM)\n");
    ini.EndUpdate();
    EXPECT_EQ(ReadFile(path), "[Setting]\nBM=#\n[Proxy]\nPort=80\n");

    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    ini.BeginUpdate();
    ini.WriteString("Setting", "BM", "lost");
    EXPECT_THROW(ini.EndUpdate(), EProfileError);
    EXPECT_EQ(ReadFile(path), "[Setting]\nBM=#\n[Proxy]\nPort=80\n");
    EXPECT_EQ(ini.ReadString("Setting", "BM", ""), "#");
}

TEST(SettingsFilePath, PortableFileBesideTheExecutableWins) {
    TempDir dir;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir.File("config")));
    const QString exe = Q(dir.File("bin/verdane"));
    EXPECT_EQ(SettingsFilePath(exe), Q(dir.File("config/verdane/verdane.INI")));
    EXPECT_EQ(DatePatternFilePath(exe), Q(dir.File("config/verdane/verdane.DFF")));
    QDir().mkpath(Q(dir.File("bin")));
    WriteFile(dir.File("bin/verdane.INI"), "");
    WriteFile(dir.File("bin/verdane.DFF"), "yyyy\n");
    EXPECT_EQ(SettingsFilePath(exe), Q(dir.File("bin/verdane.INI")));
    EXPECT_EQ(DatePatternFilePath(exe), Q(dir.File("bin/verdane.DFF")));
    EXPECT_EQ(SettingsFilePath(Q(dir.File("bin/verdane.exe"))), Q(dir.File("bin/verdane.INI")));
    qunsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace verdane::platform
