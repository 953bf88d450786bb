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

// Every test of the writer runs with the bytes whole and cut into pieces: empty
// pieces, one-byte pieces and longer ones, more of them than one system call
// takes when the text is long.
enum class Form { Whole, Pieces };

class WriteFileAtomically : public ::testing::TestWithParam<Form> {
protected:
    void Write(const std::string& path, std::string_view bytes) {
        if (GetParam() == Form::Whole) return platform::WriteFileAtomically(path, bytes);
        std::vector<std::string_view> pieces{{}};
        for (std::size_t at = 0, k = 0; at < bytes.size(); ++k) {
            const std::size_t length = std::min(bytes.size() - at, std::size_t{k % 3 == 0 ? 1u : k % 3 == 1 ? 0u : 97u});
            pieces.push_back(bytes.substr(at, length));
            at += length;
        }
        pieces.emplace_back();
        platform::WriteFileAtomically(path, pieces);
    }
};

INSTANTIATE_TEST_SUITE_P(BytesWholeAndInPieces, WriteFileAtomically, ::testing::Values(Form::Whole, Form::Pieces),
                         [](const auto& info) { return info.param == Form::Whole ? "Whole" : "Pieces"; });

TEST_P(WriteFileAtomically, ReplacesAFileAndKeepsItsPermissions) {
    TempDir dir;
    const std::string path = dir.File("book.txt");
    WriteFile(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    Write(path, "new text");
    EXPECT_EQ(ReadFile(path), "new text");
    EXPECT_EQ(ModeOf(path), 0640u);
    EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{"book.txt"});
}

TEST_P(WriteFileAtomically, NewFileGetsTheUsualPermissionsAndTheUmaskStays) {
    TempDir dir;
    const mode_t before = ::umask(027);
    Write(dir.File("a.pdb"), "x");
    platform::WriteFileAtomically(dir.File("own"), "x", 0600);
    const mode_t during = ::umask(before);
    EXPECT_EQ(during, 027u);
    EXPECT_EQ(ModeOf(dir.File("a.pdb")), 0640u);
    EXPECT_EQ(ModeOf(dir.File("own")), 0600u);
}

TEST_P(WriteFileAtomically, FollowsASymbolicLinkAndKeepsTheLink) {
    TempDir dir;
    ::mkdir(dir.File("real").c_str(), 0755);
    WriteFile(dir.File("real/target.txt"), "old");
    ASSERT_EQ(::symlink("real/target.txt", dir.File("link.txt").c_str()), 0);
    Write(dir.File("link.txt"), "through the link");
    struct stat st{};
    ASSERT_EQ(::lstat(dir.File("link.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFile(dir.File("real/target.txt")), "through the link");
    EXPECT_EQ(ListDir(dir.File("real")), std::vector<std::string>{"target.txt"});
}

TEST_P(WriteFileAtomically, FailureNamesTheFileAndTheReasonAndLeavesNothing) {
    TempDir dir;
    EXPECT_THROW(
        {
            try {
                Write(dir.File("missing/folder/x.txt"), "x");
            } catch (const EFileError& e) {
                EXPECT_NE(std::string(e.what()).find("missing/folder/x.txt: No such file or directory"),
                          std::string::npos)
                    << e.what();
                throw;
            }
        },
        EFileError);
    EXPECT_THROW(Write(dir.Path(), "x"), EFileError);
}

TEST_P(WriteFileAtomically, AFullDiskKeepsTheOldFileWhole) {
    TempDir dir;
    if (::mount("tmpfs", dir.Path().c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    const std::string path = dir.File("book.pdb");
    WriteFile(path, "the old database");
    EXPECT_THROW(Write(path, std::string(200000, 'x')), EFileError);
    EXPECT_EQ(ReadFile(path), "the old database");
    EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{"book.pdb"});
    ::umount(dir.Path().c_str());
}

TEST_P(WriteFileAtomically, WritesLongTextsInPiecesWhole) {
    TempDir dir;
    std::string bytes(3u << 20, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 + i / 4099);
    Write(dir.File("long.pdb"), bytes);
    EXPECT_TRUE(ReadFile(dir.File("long.pdb")) == bytes);
    // Pieces of 4096 bytes and more than one call can take, as a database's records.
    std::vector<std::string_view> records;
    for (std::size_t at = 0; at < bytes.size(); at += 1500) records.push_back(std::string_view(bytes).substr(at, 1500));
    platform::WriteFileAtomically(dir.File("records.pdb"), records);
    EXPECT_TRUE(ReadFile(dir.File("records.pdb")) == bytes);
    EXPECT_EQ(ListDir(dir.Path()), (std::vector<std::string>{"long.pdb", "records.pdb"}));
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

// Where a regular file is expected (the registry, a cache), anything else is
// refused at once: a FIFO without a writer never hangs the reader.
TEST(ReadRegularFile, RefusesWhatIsNotARegularFileWithoutWaiting) {
    TempDir dir;
    WriteFile(dir.File("plain"), "text");
    ASSERT_EQ(::symlink(dir.File("plain").c_str(), dir.File("link").c_str()), 0);
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    EXPECT_EQ(ReadRegularFile(dir.File("link")), "text");
    for (const std::string& path : {dir.File("fifo"), dir.Path(), std::string("/dev/zero")}) {
        try {
            ReadRegularFile(path);
            ADD_FAILURE() << path;
        } catch (const EFileError& e) {
            EXPECT_EQ(e.Op, FileOp::NotRegular) << path;
            EXPECT_NE(std::string(e.what()).find("not a regular file"), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace verdane::platform

namespace verdane::platform {
namespace {

TEST_P(WriteFileAtomically, AReadOnlyFileIsRefusedAndKept) {
    TempDir dir;
    const std::string path = dir.File("ro.txt");
    WriteFile(path, "keep me");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    try {
        Write(path, "new");
        ADD_FAILURE() << "a read-only file was replaced";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("Permission denied"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFile(path), "keep me");
    EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{"ro.txt"});
}

}  // namespace
}  // namespace verdane::platform
