// Making a Palm Desktop on real folders: the desktop layer reads what was made,
// from the registry file where it was written and from a copy elsewhere; names
// and paths the registry file could not carry are refused before anything is made.
#include "FileIo.h"
#include "PalmDesktop.h"
#include "PalmDesktopSetup.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace verdane::platform {
namespace {

using test::ListDir;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

const std::string kYamada = "\xE5\xB1\xB1\xE7\x94\xB0\xE5\xA4\xAA\xE9\x83\x8E";  // 山田太郎

PalmSetupFault FaultOf(const std::string& dir, const std::vector<std::string>& users, const std::string& registry = {}) {
    try {
        CreatePalmDesktop(dir, users, registry);
    } catch (const EPalmDesktopSetup& e) {
        return e.Fault();
    }
    return PalmSetupFault::None;
}

TEST(PalmDesktopSetup, MakesADesktopTheLayerReadsAlsoFromACopyOfItsRegistry) {
    TempDir dir;
    // The folder's name holds what the registry file escapes.
    const std::string desk = dir.File("new \"desk\" \\x");
    const std::string registry =
        CreatePalmDesktop(desk, {kYamada, "Hanako", "a/b\\c", ".hidden", "A/B\\C", "say \"hi\""});
    EXPECT_EQ(registry, desk + "/registry.reg");
    // A copy in another folder names the same core folder: the path is absolute.
    std::filesystem::create_directory(dir.File("elsewhere"));
    WriteFile(dir.File("elsewhere/registry.reg"), ReadFile(registry));
    for (const std::string& file : {registry, dir.File("elsewhere/registry.reg")}) {
        const TPalmDesktop desktop(TRegistryFile::Load(file));
        EXPECT_EQ(desktop.CorePath(), desk + "/Palm");
        ASSERT_EQ(desktop.Users().size(), 6u);
        EXPECT_EQ(desktop.Users()[0].name, kYamada);
        EXPECT_EQ(desktop.Users()[0].directory, kYamada);
        EXPECT_EQ(desktop.Users()[2].name, "a/b\\c");
        EXPECT_EQ(desktop.Users()[2].directory, "a_b_c");
        EXPECT_EQ(desktop.Users()[3].directory, "_hidden");
        EXPECT_EQ(desktop.Users()[4].directory, "A_B_C_2");  // folders differ without regard to case
        EXPECT_EQ(desktop.Users()[5].name, "say \"hi\"");
        EXPECT_EQ(desktop.FindUser(desktop.LastUserName()), 0);
        for (int i = 0; i < 6; ++i) EXPECT_TRUE(std::filesystem::is_directory(desktop.InstallDirectory(i))) << i;
    }
}

TEST(PalmDesktopSetup, WritesTheRegistryWhereAskedAndNeverOverAnExistingOne) {
    TempDir dir;
    const std::string registry = CreatePalmDesktop(dir.File("desk"), {"Hanako"}, dir.File("config/verdane/registry.reg"));
    EXPECT_EQ(registry, dir.File("config/verdane/registry.reg"));
    EXPECT_EQ(ListDir(dir.File("desk")), std::vector<std::string>{"Palm"});
    EXPECT_EQ(TPalmDesktop(TRegistryFile::Load(registry)).InstallDirectory(0), dir.File("desk/Palm/Hanako/Install"));

    const std::string before = ReadFile(registry);
    EXPECT_EQ(FaultOf(dir.File("other"), {"Other"}, registry), PalmSetupFault::RegistryExists);
    EXPECT_EQ(ReadFile(registry), before);
    EXPECT_FALSE(std::filesystem::exists(dir.File("other")));
}

TEST(PalmDesktopSetup, RefusesWhatTheRegistryCouldNotCarryAndMakesNothing) {
    TempDir dir;
    const struct {
        std::vector<std::string> users;
        std::string folder;
        PalmSetupFault fault;
    } cases[] = {
        {{}, "d", PalmSetupFault::NoUser},
        {{""}, "d", PalmSetupFault::EmptyName},
        {{"Same", "Same"}, "d", PalmSetupFault::RepeatedName},
        {{"ev\nil"}, "d", PalmSetupFault::ControlCharacter},
        {{"ok", "tab\there"}, "d", PalmSetupFault::ControlCharacter},
        {{"esc\x1b[31m"}, "d", PalmSetupFault::ControlCharacter},
        {{std::string("nul\0x", 5)}, "d", PalmSetupFault::ControlCharacter},
        {{"next\xC2\x85line"}, "d", PalmSetupFault::ControlCharacter},  // U+0085
        {{"del\x7f"}, "d", PalmSetupFault::ControlCharacter},
        {{"Hanako"}, "line\nend", PalmSetupFault::FolderPath},
        {{"Hanako"}, "", PalmSetupFault::FolderPath},
    };
    for (const auto& c : cases) {
        const std::string folder = c.folder.empty() ? std::string() : dir.File(c.folder);
        EXPECT_EQ(FaultOf(folder, c.users), c.fault) << (c.users.empty() ? "" : c.users.back()) << " in " << c.folder;
    }
    EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{});
}

TEST(PalmDesktopSetup, MessagesShowControlCharactersEscaped) {
    try {
        CreatePalmDesktop("/nonexistent", {"ev\nil\x1b"});
        FAIL() << "no refusal";
    } catch (const EPalmDesktopSetup& e) {
        EXPECT_EQ(std::string(e.what()), "the user name \"ev\\nil\\x1b\" holds a control character; the handheld cannot keep it");
        EXPECT_EQ(e.Subject(), "ev\nil\x1b");
    }
}

}  // namespace
}  // namespace verdane::platform
