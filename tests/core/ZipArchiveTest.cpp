// Reading the text out of real .zip archives, made by the tests with Python's
// zipfile and Info-ZIP's zip: one text, several, none, encrypted, damaged in
// every way a header can be, and cut at every length.
#include "TestSupport.h"
#include "ZipArchive.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using verdane::ArchiveText;
using verdane::ReadArchiveText;
using verdane::ReadArchiveTextFile;
using verdane::test::ReadFile;
using verdane::test::RunProcess;
using verdane::test::TempDir;
using verdane::test::WriteFile;
using Entries = std::vector<std::pair<std::string, std::string>>;
using Status = ArchiveText::Status;

// The failure as verdane-cli says it.
std::string Said(const ArchiveText& read) { return verdane::core::EnglishText(read.failure); }

// An archive written by Python's zipfile, each entry deflated (or stored).
std::string MakeZip(const TempDir& dir, const std::string& name, const Entries& entries, bool stored = false) {
    std::vector<std::string> args = {"-c",
                                     "import sys, zipfile\n"
                                     "z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_STORED if sys.argv[2] == 's' "
                                     "else zipfile.ZIP_DEFLATED)\n"
                                     "a = sys.argv[3:]\n"
                                     "for i in range(0, len(a), 2):\n"
                                     "    z.writestr(a[i], open(a[i + 1], 'rb').read())\n"
                                     "z.close()\n",
                                     dir.File(name), stored ? "s" : "d"};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string source = dir.File(name + ".entry" + std::to_string(i));
        WriteFile(source, entries[i].second);
        args.push_back(entries[i].first);
        args.push_back(source);
    }
    const auto result = RunProcess("/usr/bin/python3", args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return dir.File(name);
}

// Rewrites the archive with Python: `script` changes the bytearray `b`.
void Patch(const std::string& zip, const std::string& script) {
    const auto result = RunProcess("/usr/bin/python3", {"-c",
                                               "import sys, struct\n"
                                               "b = bytearray(open(sys.argv[1], 'rb').read())\n"
                                               "L = b.find(b'PK\\x03\\x04')\n"
                                               "C = b.find(b'PK\\x01\\x02')\n" +
                                                   script + "\nopen(sys.argv[1], 'wb').write(b)\n",
                                               zip});
    ASSERT_EQ(result.exitCode, 0) << result.err;
}

const std::string kText = "\x8C\xE1\x94\x79\x82\xCD\x94\x4C\x82\xC5\x82\xA0\x82\xE9\r\n";  // 吾輩は猫である

TEST(ZipArchive, TheOneTextIsRead) {
    TempDir dir;
    const std::string zip = MakeZip(dir, "work.zip", {{"files/", ""}, {"wagahaiwa_nekodearu.txt", kText},
                                                      {"image.png", "\x89PNG"}, {"__MACOSX/._wagahaiwa_nekodearu.txt", "x"}});
    const ArchiveText read = ReadArchiveTextFile(zip);
    ASSERT_EQ(read.status, Status::Ok) << Said(read);
    EXPECT_EQ(read.bytes, kText);
    EXPECT_EQ(read.entry, "wagahaiwa_nekodearu.txt");
    // The same archive from memory.
    const ArchiveText fromBytes = ReadArchiveText(ReadFile(zip));
    ASSERT_EQ(fromBytes.status, Status::Ok) << Said(fromBytes);
    EXPECT_EQ(fromBytes.bytes, kText);
}

TEST(ZipArchive, StoredEntryAndUpperCaseExtension) {
    TempDir dir;
    const ArchiveText read = ReadArchiveTextFile(MakeZip(dir, "w.zip", {{"SAKUHIN.TXT", kText}}, true));
    ASSERT_EQ(read.status, Status::Ok) << Said(read);
    EXPECT_EQ(read.bytes, kText);
}

TEST(ZipArchive, EmptyTextIsAText) {
    TempDir dir;
    const ArchiveText read = ReadArchiveTextFile(MakeZip(dir, "w.zip", {{"empty.txt", ""}}));
    ASSERT_EQ(read.status, Status::Ok) << Said(read);
    EXPECT_EQ(read.bytes, "");
}

TEST(ZipArchive, SeveralTextsAreListedAndOneCanBeChosen) {
    TempDir dir;
    const std::string zip = MakeZip(dir, "two.zip", {{"first.txt", "one\r\n"}, {"readme.html", "<p>"}, {"dir/second.txt", "two\r\n"}});
    const ArchiveText several = ReadArchiveTextFile(zip);
    EXPECT_EQ(several.status, Status::Several);
    EXPECT_EQ(several.names, (std::vector<std::string>{"first.txt", "dir/second.txt"}));
    EXPECT_NE(Said(several).find("dir/second.txt"), std::string::npos) << Said(several);

    const ArchiveText chosen = ReadArchiveTextFile(zip, "dir/second.txt");
    ASSERT_EQ(chosen.status, Status::Ok) << Said(chosen);
    EXPECT_EQ(chosen.bytes, "two\r\n");
    // An entry that is no .txt may be chosen by its name.
    EXPECT_EQ(ReadArchiveTextFile(zip, "readme.html").bytes, "<p>");

    const ArchiveText missing = ReadArchiveTextFile(zip, "third.txt");
    EXPECT_EQ(missing.status, Status::Refused);
    EXPECT_NE(Said(missing).find("third.txt"), std::string::npos) << Said(missing);
    EXPECT_EQ(missing.names, (std::vector<std::string>{"first.txt", "dir/second.txt"}));
}

TEST(ZipArchive, ManyTextsAreListedInOneShortLineWithTheirControlsEscaped) {
    TempDir dir;
    const std::string zip = dir.File("many.zip");
    const auto made = RunProcess("/usr/bin/python3", {"-c",
                                                      "import sys, zipfile\n"
                                                      "z = zipfile.ZipFile(sys.argv[1], 'w')\n"
                                                      "z.writestr('\\x1b]0;title\\x07.txt', 'x')\n"
                                                      "for i in range(99999): z.writestr('%d.txt' % i, '')\n"
                                                      "z.close()\n",
                                                      zip});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const ArchiveText several = ReadArchiveTextFile(zip);
    EXPECT_EQ(several.status, Status::Several);
    EXPECT_EQ(several.names.size(), 100000u);
    EXPECT_EQ(several.failure.detail, "\\x1b]0;title\\x07.txt 0.txt 1.txt 2.txt 3.txt 4.txt "
                             "5.txt 6.txt 7.txt 8.txt \xE2\x80\xA6 and 99,990 more");
}

TEST(ZipArchive, NoTextIsSaid) {
    TempDir dir;
    const ArchiveText none = ReadArchiveTextFile(MakeZip(dir, "none.zip", {{"cover.png", "\x89PNG"}, {"notes.txt/", ""}}));
    EXPECT_EQ(none.status, Status::NoText);
    EXPECT_NE(Said(none).find("no text"), std::string::npos) << Said(none);
    const ArchiveText empty = ReadArchiveTextFile(MakeZip(dir, "empty.zip", {}));
    EXPECT_EQ(empty.status, Status::NoText) << Said(empty);
}

TEST(ZipArchive, ShiftJisNamesAreReadAsCp932) {
    TempDir dir;
    const std::string zip = MakeZip(dir, "names.zip", {{"ABCD.txt", kText}});
    // 青空 in CP932 (90 C2 8B F3) in place of ABCD, the UTF-8 flag left clear.
    Patch(zip, "b[:] = b.replace(b'ABCD.txt', bytes([0x90, 0xC2, 0x8B, 0xF3]) + b'.txt')");
    const ArchiveText read = ReadArchiveTextFile(zip);
    ASSERT_EQ(read.status, Status::Ok) << Said(read);
    EXPECT_EQ(read.entry, "\xE9\x9D\x92\xE7\xA9\xBA.txt");  // 青空.txt
}

TEST(ZipArchive, EncryptedTextIsRefused) {
    TempDir dir;
    WriteFile(dir.File("secret.txt"), kText);
    const auto made = RunProcess("/usr/bin/zip", {"-q", "-j", "-P", "password", dir.File("secret.zip"), dir.File("secret.txt")});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const ArchiveText read = ReadArchiveTextFile(dir.File("secret.zip"));
    EXPECT_EQ(read.status, Status::Refused);
    EXPECT_NE(Said(read).find("encrypted"), std::string::npos) << Said(read);
    EXPECT_TRUE(read.bytes.empty());
}

struct Damage {
    const char* name;
    const char* script;     // Python changing bytearray b; L and C are the local and central headers
    const char* said;       // part of the reason
};

void PrintTo(const Damage& d, std::ostream* os) { *os << d.name; }

class DamagedArchive : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedArchive, IsRefusedWithAReason) {
    TempDir dir;
    const std::string zip = MakeZip(dir, "w.zip", {{"a.txt", std::string(5000, 'a') + kText}});
    Patch(zip, GetParam().script);
    for (const ArchiveText& read : {ReadArchiveTextFile(zip), ReadArchiveText(ReadFile(zip))}) {
        EXPECT_NE(read.status, Status::Ok);
        EXPECT_TRUE(read.bytes.empty());
        EXPECT_NE(Said(read).find(GetParam().said), std::string::npos) << Said(read);
    }
}

const Damage kDamages[] = {
    {"ClaimsMoreThan256MB", "struct.pack_into('<I', b, L + 22, 300 << 20); struct.pack_into('<I', b, C + 24, 300 << 20)", "claims"},
    // Under the limit, but far more than its compressed bytes hold.
    {"Claims200MBItDoesNotHold", "struct.pack_into('<I', b, L + 22, 200 << 20); struct.pack_into('<I', b, C + 24, 200 << 20)", "shorter"},
    {"ClaimsFewerBytesThanItHolds", "struct.pack_into('<I', b, L + 22, 100); struct.pack_into('<I', b, C + 24, 100)", "damaged"},
    {"ClaimsMoreBytesThanItHolds", "struct.pack_into('<I', b, L + 22, 9000); struct.pack_into('<I', b, C + 24, 9000)", "a.txt"},
    {"WrongChecksum", "struct.pack_into('<I', b, L + 14, 1); struct.pack_into('<I', b, C + 16, 1)", "a.txt"},
    {"LocalHeaderDisagrees", "struct.pack_into('<I', b, L + 14, 1)", "inconsistent"},
    {"CentralDirectoryPointsOutside", "E = b.find(b'PK\\x05\\x06'); struct.pack_into('<I', b, E + 16, 1 << 30)", "zip"},
    {"EntryCountTooLarge", "E = b.find(b'PK\\x05\\x06'); struct.pack_into('<HH', b, E + 8, 60000, 60000)", "zip"},
    {"UnknownCompression", "struct.pack_into('<H', b, L + 8, 99); struct.pack_into('<H', b, C + 10, 99)", "zip archive"},
    {"EndRecordGone", "b[:] = b[:b.find(b'PK\\x05\\x06')]", "zip"},
    {"NotAnArchive", "b[:] = b'PK\\x03\\x04' + b'\\x00' * 40", "zip"},
};
INSTANTIATE_TEST_SUITE_P(ZipArchive, DamagedArchive, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ZipArchive, CutAtEveryLengthNeverReadsPastTheBytes) {
    TempDir dir;
    const std::string whole = ReadFile(MakeZip(dir, "w.zip", {{"a.txt", kText + kText}, {"b.png", "x"}}));
    for (std::size_t length = 0; length < whole.size(); ++length) {
        const ArchiveText read = ReadArchiveText(std::string_view(whole).substr(0, length));
        EXPECT_NE(read.status, Status::Ok) << length;
        EXPECT_FALSE(Said(read).empty()) << length;
    }
}

TEST(ZipArchive, MissingFileIsRefused) {
    TempDir dir;
    const ArchiveText read = ReadArchiveTextFile(dir.File("absent.zip"));
    EXPECT_EQ(read.status, Status::Refused);
    EXPECT_NE(Said(read).find("absent.zip"), std::string::npos) << Said(read);
}

TEST(ZipArchive, KnownByNameOrFirstBytes) {
    EXPECT_TRUE(verdane::IsZipPath("dir/work.ZIP"));
    EXPECT_TRUE(verdane::IsZipPath("a.zip"));
    EXPECT_FALSE(verdane::IsZipPath("zip"));
    EXPECT_FALSE(verdane::IsZipPath("a.zip.txt"));
    EXPECT_TRUE(verdane::LooksLikeZip(std::string("PK\x03\x04rest", 8)));
    EXPECT_TRUE(verdane::LooksLikeZip(std::string("PK\x05\x06", 4)));
    EXPECT_FALSE(verdane::LooksLikeZip("PK"));
    EXPECT_FALSE(verdane::LooksLikeZip("PKZIP is a name"));
}

}  // namespace
