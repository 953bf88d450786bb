// verdane-cli library against a catalogue and works' archives served on
// 127.0.0.1 by the test's own server: searches, the copy kept in the cache
// folder, a damaged catalogue refused while the copy stays, and `get` giving
// the bytes `aozora` and `to-doc` give for the same archive.
#include "AozoraCatalogCsv.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace verdane::test;

namespace {

std::string Data(const char* name) { return ReadFile(std::string(VERDANE_SOURCE_DIR) + "/tests/core/data/" + name); }

// A zip of one entry, written by Python's zipfile.
std::string Zipped(const TempDir& dir, const std::string& entry, const std::string& bytes) {
    WriteFile(dir.File("entry"), bytes);
    const auto made = RunProcess("/usr/bin/python3",
                                 {"-c",
                                  "import sys, zipfile\n"
                                  "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
                                  "    z.writestr(sys.argv[2], open(sys.argv[3], 'rb').read())\n",
                                  dir.File("made.zip"), entry, dir.File("entry")});
    EXPECT_EQ(made.exitCode, 0) << made.err;
    return ReadFile(dir.File("made.zip"));
}

std::string Ok(const std::string& body) {
    return Answer("HTTP/1.0 200 OK", {"Content-Length: " + std::to_string(body.size())}, body);
}

class LibraryCli : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_CACHE_HOME", cache_.Path().c_str(), 1);
        catalog_ = CatalogHeader() +
                   CatalogLine({{"作品ID", "000789"}, {"作品名", "吾輩は猫である"}, {"作品名読み", "わがはいはねこである"},
                                {"ソート用読み", "わかはいはねこてある"}, {"文字遣い種別", "新字新仮名"}, {"姓", "夏目"},
                                {"名", "漱石"}, {"姓読み", "なつめ"}, {"名読み", "そうせき"}, {"役割フラグ", "著者"},
                                {"テキストファイルURL", server_.Url("/cards/789.zip")}}) +
                   CatalogLine({{"作品ID", "000773"}, {"作品名", "こころ, \"上\""}, {"作品名読み", "こころ"},
                                {"ソート用読み", "こころ"}, {"副題", "先生と\r\n私"}, {"文字遣い種別", "新字新仮名"},
                                {"姓", "夏目"}, {"名", "漱石"}, {"姓読み", "なつめ"}, {"名読み", "そうせき"},
                                {"役割フラグ", "著者"}}) +
                   CatalogLine({{"作品ID", "4567"}, {"作品名", "ガラスの城"}, {"作品名読み", "がらすのしろ"},
                                {"ソート用読み", "からすのしろ"}, {"文字遣い種別", "旧字旧仮名"}, {"姓", "無名"},
                                {"役割フラグ", "著者"}});
        catalogZip_ = Zipped(files_, "list_person_all_extended_utf8.csv", catalog_);
        server_.On("/catalog.zip", {Send(Ok(catalogZip_))});
        work_ = Zipped(files_, "nekomachi.txt", Data("aozora_sample.txt"));
        server_.On("/cards/789.zip", {Send(Ok(work_))});
    }
    void TearDown() override { unsetenv("XDG_CACHE_HOME"); }

    ProcessResult Library(std::vector<std::string> args) {
        args.insert(args.begin() + 1, {"--catalog", server_.Url("/catalog.zip")});
        args.insert(args.begin(), "library");
        return RunCli(args);
    }
    int CatalogDownloads() const {
        int n = 0;
        for (const std::string& request : server_.Requests()) n += request.find("GET /catalog.zip") == 0;
        return n;
    }

    TempDir cache_, files_, out_;
    TempConfigHome config_;
    TestHttpServer server_;
    std::string catalog_, catalogZip_, work_;
};

TEST_F(LibraryCli, SearchPrintsTheWorksFoundSortedByReading) {
    const struct {
        std::vector<std::string> words;
        std::string out;
    } cases[] = {
        {{"ﾈｺ"}, "789\t吾輩は猫である\t夏目 漱石\t新字新仮名\n"},
        {{"ソウセキ"}, "773\tこころ, \"上\"\t夏目 漱石\t新字新仮名\n789\t吾輩は猫である\t夏目 漱石\t新字新仮名\n"},
        {{"夏目", "私"}, "773\tこころ, \"上\"\t夏目 漱石\t新字新仮名\n"},
        {{"がらす"}, "4567\tガラスの城\t無名\t旧字旧仮名\n"},
        {{"夏目", "ガラス"}, ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"search"};
        args.insert(args.end(), c.words.begin(), c.words.end());
        const auto r = Library(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, c.out) << c.words[0];
    }
    // One download; the copy kept served the other searches.
    EXPECT_EQ(CatalogDownloads(), 1);
    EXPECT_TRUE(ReadFile(cache_.File("verdane/aozora-catalog.cache")).ends_with("\n\n" + catalogZip_));
    EXPECT_EQ(Library({"search", "--refresh", "猫"}).exitCode, 0);
    EXPECT_EQ(CatalogDownloads(), 2);
}

TEST_F(LibraryCli, ADamagedCatalogueIsRefusedAndTheCopyKept) {
    const std::string fresh = out_.File("fresh");
    setenv("XDG_CACHE_HOME", fresh.c_str(), 1);
    std::string cut = catalog_;
    cut.erase(cut.rfind("\",\""), 3);  // the last row one field short
    server_.On("/catalog.zip", {Send(Ok(Zipped(files_, "list.csv", cut)))});
    auto r = Library({"search", "猫"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("is refused: the catalogue is damaged: line 5 has 54 fields"), std::string::npos) << r.err;
    EXPECT_FALSE(FileExists(fresh + "/verdane/aozora-catalog.cache"));

    setenv("XDG_CACHE_HOME", cache_.Path().c_str(), 1);
    server_.On("/catalog.zip", {Send(Ok(catalogZip_))});
    ASSERT_EQ(Library({"search", "猫"}).exitCode, 0);
    server_.On("/catalog.zip", {Send(Ok("PK\x03\x04 not really"))});
    r = Library({"search", "--refresh", "猫"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "789\t吾輩は猫である\t夏目 漱石\t新字新仮名\n");
    EXPECT_NE(r.err.find("warning: the catalogue from " + server_.Url("/catalog.zip") + " is refused"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("is used"), std::string::npos) << r.err;
    EXPECT_TRUE(ReadFile(cache_.File("verdane/aozora-catalog.cache")).ends_with("\n\n" + catalogZip_));
}

// The copy kept came from a mirror; another address that cannot be reached
// falls back to it, and the warning names where it came from.
TEST_F(LibraryCli, AFailedDownloadUsesTheCopyKeptFromAnotherAddress) {
    ASSERT_EQ(Library({"search", "猫"}).exitCode, 0);
    const auto r = RunCli({"library", "search", "--catalog", "http://127.0.0.1:9/list.zip", "猫"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "789\t吾輩は猫である\t夏目 漱石\t新字新仮名\n");
    EXPECT_NE(r.err.find("from " + server_.Url("/catalog.zip") + " is used"), std::string::npos) << r.err;
}

TEST_F(LibraryCli, GetGivesWhatAozoraAndToDocGive) {
    WriteFile(files_.File("789.zip"), work_);
    ASSERT_EQ(RunCli({"aozora", "--ruby", "drop", files_.File("789.zip"), out_.File("cli.txt")}).exitCode, 0);
    ASSERT_EQ(RunCli({"to-doc", "--title", "吾輩は猫である", out_.File("cli.txt"), out_.File("cli.pdb")}).exitCode, 0);
    for (const char* name : {"work.txt", "work.pdb"}) {
        const auto r = Library({"get", "--ruby", "drop", "789", out_.File(name)});
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    EXPECT_EQ(ToHex(ReadFile(out_.File("work.txt"))), ToHex(ReadFile(out_.File("cli.txt"))));
    EXPECT_EQ(ToHex(ReadFile(out_.File("work.pdb"))), ToHex(ReadFile(out_.File("cli.pdb"))));

    // aozora takes the archive's URL as it takes the file.
    const auto fromUrl = RunCli({"aozora", "--ruby", "drop", server_.Url("/cards/789.zip"), "-"});
    ASSERT_EQ(fromUrl.exitCode, 0) << fromUrl.err;
    EXPECT_EQ(ToHex(fromUrl.out), ToHex(ReadFile(out_.File("cli.txt"))));

    const auto unknown = Library({"get", "790", out_.File("none.txt")});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("no work numbered 790"), std::string::npos) << unknown.err;
    const auto noArchive = Library({"get", "773", out_.File("none.txt")});
    EXPECT_EQ(noArchive.exitCode, 1);
    EXPECT_FALSE(FileExists(out_.File("none.txt")));
    EXPECT_EQ(Library({"get", "789"}).exitCode, 2);
    EXPECT_EQ(Library({"find", "789"}).exitCode, 2);
}

TEST_F(LibraryCli, GetQueuesTheWorkForAHandheldUser) {
    ASSERT_EQ(RunCli({"palm-desktop", "init", files_.File("desk"), "--user", "Hanako"}).exitCode, 0);
    setenv("VERDANE_REGISTRY", files_.File("desk/registry.reg").c_str(), 1);
    const auto r = Library({"get", "--install", "Hanako", "789", out_.File("neko.txt")});
    unsetenv("VERDANE_REGISTRY");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(RunCli({"to-doc", "--title", "吾輩は猫である", out_.File("neko.txt"), out_.File("neko.pdb")}).exitCode, 0);
    EXPECT_EQ(ReadFile(files_.File("desk/Palm/Hanako/Install/neko.PDB")), ReadFile(out_.File("neko.pdb")));
}

}  // namespace
