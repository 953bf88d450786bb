// The Palm Desktop layer on real folders: the demo desktop of examples/, made-up
// registries and the install queue.
#include "FileIo.h"
#include "PalmDesktop.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/mount.h>

namespace verdane::platform {
namespace {

using test::FileExists;
using test::ListDir;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

const std::string kYamada = "\xE5\xB1\xB1\xE7\x94\xB0\xE5\xA4\xAA\xE9\x83\x8E";  // 山田太郎
const std::string kRoot = "[HKEY_CURRENT_USER\\Software\\Palm Computing\\Pilot Desktop";

// A copy of examples/palm-desktop in `dir`; returns its registry file.
std::string CopyDemo(const TempDir& dir) {
    std::filesystem::copy(VERDANE_SOURCE_DIR "/examples/palm-desktop", dir.File("desk"),
                          std::filesystem::copy_options::recursive);
    return dir.File("desk/registry.reg");
}

TPalmDesktop DesktopOf(const TempDir& dir, const std::string& body) {
    WriteFile(dir.File("registry.reg"), "REGEDIT4\r\n" + body);
    return TPalmDesktop(TRegistryFile::Load(dir.File("registry.reg")));
}

PalmDesktopPart RefusalOf(const TempDir& dir, const std::string& body) {
    try {
        DesktopOf(dir, body);
    } catch (const EPalmDesktop& e) {
        return e.Part();
    }
    ADD_FAILURE() << "accepted: " << body;
    return PalmDesktopPart::UserList;
}

TEST(PalmDesktop, ReadsTheDemoDesktop) {
    TempDir dir;
    const TPalmDesktop desktop(TRegistryFile::Load(CopyDemo(dir)));
    EXPECT_EQ(desktop.CorePath(), dir.File("desk/Palm"));
    ASSERT_EQ(desktop.Users().size(), 2u);
    EXPECT_EQ(desktop.Users()[0].name, kYamada);
    EXPECT_EQ(desktop.Users()[0].directory, "YamadaT");
    EXPECT_EQ(desktop.Users()[0].id, 0x3a5c0101u);
    EXPECT_EQ(desktop.Users()[1].name, "Hanako");
    EXPECT_EQ(desktop.LastUserName(), kYamada);
    EXPECT_EQ(desktop.FindUser("Hanako"), 1);
    EXPECT_EQ(desktop.FindUser("hanako"), -1);  // user names are compared exactly
    EXPECT_EQ(desktop.InstallDirectory(1), dir.File("desk/Palm/Hanako/Install"));
    EXPECT_EQ(desktop.InstallDirectory(2), "");
    EXPECT_EQ(desktop.InstallDirectory(-1), "");
}

TEST(PalmDesktop, UsersComeInTheOrderOfTheirNumbers) {
    TempDir dir;
    std::filesystem::create_directory(dir.File("core"));
    const auto desktop = DesktopOf(dir, kRoot + "\\Core]\r\n\"Path\"=\"core\"\r\n" +
                                            kRoot + "\\Users\\10]\r\n\"Name\"=\"Ten\"\r\n\"Directory\"=\"t\"\r\n" +
                                            kRoot + "\\Users\\2]\r\n\"Name\"=\"Two\"\r\n\"Directory\"=\"w\"\r\n" +
                                            kRoot + "\\Users\\Note]\r\n\"Name\"=\"not a user\"\r\n");
    ASSERT_EQ(desktop.Users().size(), 2u);
    EXPECT_EQ(desktop.Users()[0].name, "Two");
    EXPECT_EQ(desktop.Users()[1].name, "Ten");
    EXPECT_EQ(desktop.Users()[0].id, 0u);
    EXPECT_EQ(desktop.LastUserName(), "");
}

TEST(PalmDesktop, OffersAtMostTwoHundredFiftyFiveUsers) {
    TempDir dir;
    std::filesystem::create_directory(dir.File("core"));
    std::string body = kRoot + "\\Core]\r\n\"Path\"=\"core\"\r\n";
    for (int i = 0; i < 300; ++i)
        body += kRoot + "\\Users\\" + std::to_string(i) + "]\r\n\"Name\"=\"u" + std::to_string(i) +
                "\"\r\n\"Directory\"=\"d\"\r\n";
    const auto desktop = DesktopOf(dir, body);
    ASSERT_EQ(desktop.Users().size(), 255u);
    EXPECT_EQ(desktop.Users().back().name, "u254");
}

TEST(PalmDesktop, TheFirstRootThatExistsCounts) {
    TempDir dir;
    std::filesystem::create_directory(dir.File("palm"));
    std::filesystem::create_directory(dir.File("robotics"));
    const std::string usr = "[HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop\\Core]\r\n\"Path\"=\"robotics\"\r\n";
    const std::string palm = kRoot + "\\Core]\r\n\"Path\"=\"palm\"\r\n";
    EXPECT_EQ(DesktopOf(dir, palm + usr).CorePath(), dir.File("robotics"));
    EXPECT_EQ(DesktopOf(dir, palm).CorePath(), dir.File("palm"));
    // The older root without a core path is still the root: there is no core folder.
    EXPECT_EQ(RefusalOf(dir, palm + "[HKEY_CURRENT_USER\\Software\\U.S. Robotics]\r\n"), PalmDesktopPart::CoreFolder);
}

TEST(PalmDesktop, RefusesDesktopsItCannotUse) {
    TempDir dir;
    std::filesystem::create_directory(dir.File("core"));
    const std::string core = kRoot + "\\Core]\r\n\"Path\"=\"core\"\r\n";
    EXPECT_EQ(RefusalOf(dir, ""), PalmDesktopPart::CoreFolder);
    EXPECT_EQ(RefusalOf(dir, kRoot + "\\Core]\r\n"), PalmDesktopPart::CoreFolder);
    EXPECT_EQ(RefusalOf(dir, kRoot + "\\Core]\r\n\"Path\"=\"\"\r\n"), PalmDesktopPart::CoreFolder);
    EXPECT_EQ(RefusalOf(dir, kRoot + "\\Core]\r\n\"Path\"=dword:1\r\n"), PalmDesktopPart::CoreFolder);
    EXPECT_EQ(RefusalOf(dir, kRoot + "\\Core]\r\n\"Path\"=\"missing\"\r\n"), PalmDesktopPart::InstallQueue);
    WriteFile(dir.File("file"), "");
    EXPECT_EQ(RefusalOf(dir, kRoot + "\\Core]\r\n\"Path\"=\"file\"\r\n"), PalmDesktopPart::InstallQueue);
    EXPECT_EQ(RefusalOf(dir, core + kRoot + "\\Users\\0]\r\n\"Directory\"=\"a\"\r\n"), PalmDesktopPart::UserList);
    EXPECT_EQ(RefusalOf(dir, core + kRoot + "\\Users\\0]\r\n\"Name\"=\"a\"\r\n"), PalmDesktopPart::UserList);
    EXPECT_EQ(RefusalOf(dir, core + kRoot + "\\Users\\0]\r\n\"Name\"=\"a\"\r\n\"Directory\"=\"../a\"\r\n"),
              PalmDesktopPart::UserList);
    EXPECT_EQ(RefusalOf(dir, core + kRoot + "\\Users\\0]\r\n\"Name\"=\"a\"\r\n\"Directory\"=\"/tmp\"\r\n"),
              PalmDesktopPart::UserList);
    try {
        DesktopOf(dir, kRoot + "\\Core]\r\n\"Path\"=\"missing\"\r\n");
    } catch (const EPalmDesktop& e) {
        EXPECT_EQ(std::string(e.what()), "the core folder " + dir.File("missing") + " does not exist");
    }
}

TEST(PalmDesktop, UserNamesHoldThirtyTwoBytesOfCp932) {
    EXPECT_EQ(TruncateUserName("Hanako"), "Hanako");
    EXPECT_EQ(TruncateUserName(std::string(40, 'a')), std::string(32, 'a'));
    std::string sixteen;  // 16 times 山 (2 bytes each in CP932, 3 in UTF-8)
    for (int i = 0; i < 16; ++i) sixteen += "\xE5\xB1\xB1";
    EXPECT_EQ(TruncateUserName(sixteen + "\xE5\xB1\xB1"), sixteen);
    EXPECT_EQ(TruncateUserName("a" + sixteen), "a" + sixteen.substr(0, 45));  // no half character
    EXPECT_EQ(TruncateUserName(std::string("ab\0cd", 5)), "ab");
}

TEST(PalmDesktop, ALongLastUserStillMatchesItself) {
    TempDir dir;
    std::filesystem::create_directory(dir.File("core"));
    const std::string name(40, 'n');
    const auto desktop = DesktopOf(dir, kRoot + "\\Core]\r\n\"Path\"=\"core\"\r\n" + kRoot +
                                            "\\Preferences]\r\n\"LastUserName\"=\"" + name + "\"\r\n" + kRoot +
                                            "\\Users\\0]\r\n\"Name\"=\"" + name + "\"\r\n\"Directory\"=\"n\"\r\n");
    EXPECT_EQ(desktop.FindUser(desktop.LastUserName()), 0);
}

}  // namespace
}  // namespace verdane::platform
