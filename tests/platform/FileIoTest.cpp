// The atomic writer and the whole-file reader on real files.
#include "FileIo.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace verdane::platform {
namespace {

using test::ListDir;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

mode_t ModeOf(const std::string& path) {
    struct stat st{};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
}

TEST(WriteFileAtomically, ReplacesAFileAndKeepsItsPermissions) {
    TempDir dir;
    const std::string path = dir.File("book.txt");
    WriteFile(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    WriteFileAtomically(path, "new text");
    EXPECT_EQ(ReadFile(path), "new text");
    EXPECT_EQ(ModeOf(path), 0640u);
    EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{"book.txt"});
}

TEST(WriteFileAtomically, NewFileGetsTheUsualPermissionsAndTheUmaskStays) {
    TempDir dir;
    const mode_t before = ::umask(027);
    WriteFileAtomically(dir.File("a.pdb"), "x");
    const mode_t during = ::umask(before);
    EXPECT_EQ(during, 027u);
    EXPECT_EQ(ModeOf(dir.File("a.pdb")), 0640u);
}

TEST(WriteFileAtomically, FollowsASymbolicLinkAndKeepsTheLink) {
    TempDir dir;
    ::mkdir(dir.File("real").c_str(), 0755);
    WriteFile(dir.File("real/target.txt"), "old");
    ASSERT_EQ(::symlink("real/target.txt", dir.File("link.txt").c_str()), 0);
    WriteFileAtomically(dir.File("link.txt"), "through the link");
    struct stat st{};
    ASSERT_EQ(::lstat(dir.File("link.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFile(dir.File("real/target.txt")), "through the link");
    EXPECT_EQ(ListDir(dir.File("real")), std::vector<std::string>{"target.txt"});
}

TEST(WriteFileAtomically, FailureNamesTheFileAndTheReasonAndLeavesNothing) {
    TempDir dir;
    EXPECT_THROW(
        {
            try {
                WriteFileAtomically(dir.File("missing/folder/x.txt"), "x");
            } catch (const EFileError& e) {
                EXPECT_NE(std::string(e.what()).find("missing/folder/x.txt: No such file or directory"),
                          std::string::npos)
                    << e.what();
                throw;
            }
        },
        EFileError);
    EXPECT_THROW(WriteFileAtomically(dir.Path(), "x"), EFileError);
}

TEST(WriteFileAtomically, AFullDiskKeepsTheOldFileWhole) {
    TempDir dir;
    if (::mount("tmpfs", dir.Path().c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    const std::string path = dir.File("book.pdb");
    WriteFile(path, "the old database");
    EXPECT_THROW(WriteFileAtomically(path, std::string(200000, 'x')), EFileError);
    EXPECT_EQ(ReadFile(path), "the old database");
    EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{"book.pdb"});
    ::umount(dir.Path().c_str());
}

TEST(ReadWholeFile, ReadsFilesOfEverySizeAndReportsTheReason) {
    TempDir dir;
    for (std::size_t size : {0u, 1u, 65536u, 1000003u}) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7);
        WriteFile(dir.File("f"), bytes);
        EXPECT_EQ(ReadWholeFile(dir.File("f")), bytes) << size;
    }
    try {
        ReadWholeFile(dir.File("none"));
        ADD_FAILURE();
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("none: No such file or directory"), std::string::npos) << e.what();
    }
    EXPECT_THROW(ReadWholeFile(dir.Path()), EFileError);
}

}  // namespace
}  // namespace verdane::platform

namespace verdane::platform {
namespace {

TEST(WriteFileAtomically, AReadOnlyFileIsRefusedAndKept) {
    TempDir dir;
    const std::string path = dir.File("ro.txt");
    WriteFile(path, "keep me");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    try {
        WriteFileAtomically(path, "new");
        ADD_FAILURE() << "a read-only file was replaced";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("Permission denied"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFile(path), "keep me");
    EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{"ro.txt"});
}

}  // namespace
}  // namespace verdane::platform
