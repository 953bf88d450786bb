// The open command's read use case on .zip archives: the text inside is read
// as a text file is (code and line ends converted), the work's title proposed,
// several texts listed for the caller to choose from.
#include "Open.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QString>

#include <string>
#include <vector>

namespace {

using verdane::test::RunProcess;
using verdane::test::TempDir;
using verdane::test::WriteFile;

// Archives made by Info-ZIP's zip from files of the test's folder.
std::string Zip(const TempDir& dir, const std::string& zip, const std::vector<std::string>& files) {
    std::vector<std::string> args = {"-q", "-j", dir.File(zip)};
    for (const std::string& file : files) args.push_back(dir.File(file));
    const auto made = RunProcess("/usr/bin/zip", args);
    EXPECT_EQ(made.exitCode, 0) << made.err;
    return dir.File(zip);
}

QString Q(const std::string& path) { return QString::fromStdString(path); }

std::string TitleText(const verdane::core::DocTitleBytes& title) { return std::string(title.data()); }

verdane::core::Result<verdane::core::OpenedFile> Read(const std::string& path) {
    return verdane::core::Open(verdane::core::Source::File(Q(path)));
}

TEST(ReadArchive, TheTextIsReadAsTheOpenCommandReadsATextFile) {
    TempDir dir;
    // 亜院 / A in EUC-JP (decided as EUC-JP by the byte F5) with LF line ends.
    WriteFile(dir.File("ain.txt"), "\xB0\xA1\xB0\xF5\nA\n");
    const auto read = Read(Zip(dir, "Ain.ZIP", {"ain.txt"}));
    ASSERT_TRUE(read) << read.Reason();
    EXPECT_EQ(read->document.Kind(), verdane::core::DocKind::Text);
    EXPECT_EQ(verdane::test::ToHex(read->text), "88 9F 88 F3 0D 0A 41 0D 0A");
    EXPECT_EQ(read->archiveEntry, "ain.txt");
    EXPECT_EQ(TitleText(read->document.Title()), "\x88\x9F\x88\xF3");
}

TEST(ReadArchive, TheTitleIsCutAtACharacterBoundary) {
    TempDir dir;
    std::string line = "\x81\x40";  // a leading ideographic space is no part of the title
    for (int i = 0; i < 20; ++i) line += "\x8C\xE1";  // 吾 twenty times: 40 bytes
    WriteFile(dir.File("long.txt"), line + "\r\n");
    const auto read = Read(Zip(dir, "long.zip", {"long.txt"}));
    ASSERT_TRUE(read) << read.Reason();
    std::string expected;
    for (int i = 0; i < 15; ++i) expected += "\x8C\xE1";  // 30 bytes: a 16th would pass 31
    EXPECT_EQ(TitleText(read->document.Title()), expected);
}

TEST(ReadArchive, SeveralTextsAreListedAndOneIsChosen) {
    TempDir dir;
    WriteFile(dir.File("a.txt"), "first\r\n");
    WriteFile(dir.File("b.txt"), "second\r\n");
    const std::string zip = Zip(dir, "two.zip", {"a.txt", "b.txt"});
    const auto unchosen = Read(zip);
    ASSERT_FALSE(unchosen);
    EXPECT_NE(unchosen.Reason().find("several"), std::string::npos) << unchosen.Reason();
    // The chooser is shown the texts of the archive already read.
    std::vector<std::string> listed;
    verdane::core::OpenOptions choosing;
    choosing.chooseEntry = [&listed](const std::vector<std::string>& names) {
        listed = names;
        return std::optional<std::string>("b.txt");
    };
    const auto chosen = verdane::core::Open(verdane::core::Source::File(Q(zip)), choosing);
    EXPECT_EQ(listed, (std::vector<std::string>{"a.txt", "b.txt"}));
    ASSERT_TRUE(chosen) << chosen.Reason();
    EXPECT_EQ(chosen->text, "second\r\n");
    EXPECT_EQ(chosen->archiveEntry, "b.txt");
}

TEST(ReadArchive, NoTextOrADamagedArchiveIsAFailureWithItsReason) {
    TempDir dir;
    WriteFile(dir.File("cover.png"), "\x89PNG");
    const std::string none = Zip(dir, "none.zip", {"cover.png"});
    for (const auto& failure : {Read(none), Read(dir.File("missing.zip"))}) {
        ASSERT_FALSE(failure);
        EXPECT_NE(failure.Reason().find(dir.Path()), std::string::npos) << failure.Reason();
    }
    EXPECT_NE(Read(none).Reason().find("no text"), std::string::npos);
    WriteFile(dir.File("cut.zip"), "PK\x03\x04 not really");
    EXPECT_FALSE(Read(dir.File("cut.zip")));
}

}  // namespace
