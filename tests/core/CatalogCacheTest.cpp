// The catalogue's copy on this computer: kept as one file in a folder of the
// user's own, never through a link, never waited on when it is a FIFO; and a
// catalogue too large to search is refused with its size.
#include "AozoraCatalogCsv.h"
#include "AozoraLibrary.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using namespace verdane;
using namespace verdane::test;

// A catalogue of one work, zipped by Info-ZIP's zip.
std::string CatalogZip(const TempDir& dir, const std::string& title) {
    WriteFile(dir.File("list.csv"), CatalogHeader() + CatalogLine({{"作品ID", "12"}, {"作品名", title}}));
    EXPECT_EQ(RunProcess("/usr/bin/zip", {"-q", "-j", dir.File("list.zip"), dir.File("list.csv")}).exitCode, 0);
    return ReadFile(dir.File("list.zip"));
}

int Shell(const std::string& base, const std::string& script) {
    return RunProcess("/bin/sh", {"-c", "base=" + base + "; " + script}).exitCode;
}

TEST(CatalogCache, TheCopyLivesOnlyInAFolderOfTheUsersOwn) {
    const struct {
        const char* name;
        const char* setUp;
        const char* refused;  // the reason, or nullptr when the copy is kept
    } cases[] = {
        {"no folder yet", "true", nullptr},
        {"the copy a link to a file of the user's",
         "mkdir -m 700 $base/verdane && ln -s $base/shared/mine $base/verdane/aozora-catalog.cache", nullptr},
        {"the copy a FIFO", "mkdir -m 700 $base/verdane && mkfifo $base/verdane/aozora-catalog.cache", nullptr},
        {"the folder a link to a shared folder", "ln -s $base/shared $base/verdane", "is a symbolic link"},
        {"the folder another user's", "mkdir -m 777 $base/verdane && chown nobody $base/verdane",
         "belongs to another user"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string base = dir.File("cache");
        ASSERT_EQ(Shell(base, "mkdir -p $base/shared && chmod 1777 $base/shared && echo mine >$base/shared/mine && " +
                                  std::string(c.setUp)),
                  0);
        const core::CatalogCache cache(base + "/verdane");
        // Whatever is there now, nothing is kept yet, and a FIFO is not waited on.
        EXPECT_FALSE(cache.Kept());
        EXPECT_FALSE(cache.LoadKept());
        const core::Outcome kept = cache.Keep("https://example.invalid/list.zip", CatalogZip(dir, "猫"), 1000);
        EXPECT_EQ(ReadFile(base + "/shared/mine"), "mine\n");
        if (c.refused) {
            ASSERT_FALSE(kept);
            EXPECT_NE(kept.Reason().find(c.refused), std::string::npos) << kept.Reason();
            EXPECT_EQ(ListDir(base + "/shared"), std::vector<std::string>{"mine"});
            continue;
        }
        ASSERT_TRUE(kept) << kept.Reason();
        struct stat info{};
        ASSERT_EQ(::lstat(cache.FilePath().c_str(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(info.st_mode & 0777, 0600u);
        // Address, date and catalogue replaced together.
        ASSERT_TRUE(cache.Keep("https://mirror.invalid/list.zip", CatalogZip(dir, "犬"), 2000));
        EXPECT_EQ(cache.Kept()->url, "https://mirror.invalid/list.zip");
        EXPECT_EQ(cache.Kept()->date, 2000);
        EXPECT_EQ(cache.LoadKept()->Find("12")->title, "犬");
    }
}

TEST(CatalogCache, ACatalogueTooLargeIsRefusedWithItsSize) {
    TempDir dir;
    std::string csv = CatalogHeader();
    csv.resize(core::kMaxCatalogCsv + 1, '\n');
    WriteFile(dir.File("big.csv"), csv);
    ASSERT_EQ(RunProcess("/usr/bin/zip", {"-q", "-j", dir.File("big.zip"), dir.File("big.csv")}).exitCode, 0);
    const std::string size = std::to_string(csv.size());
    for (const auto& catalog : {core::AozoraCatalog::FromCsv(csv), core::AozoraCatalog::FromZip(ReadFile(dir.File("big.zip")))}) {
        ASSERT_FALSE(catalog);
        EXPECT_EQ(catalog.Code(), core::FailureCode::CatalogTooLarge);
        EXPECT_NE(catalog.Reason().find(size + " bytes"), std::string::npos) << catalog.Reason();
    }
}

}  // namespace
