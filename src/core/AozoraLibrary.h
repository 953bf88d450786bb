// The Aozora library's catalogue on this computer: downloaded through the
// program's HTTP client, kept under $XDG_CACHE_HOME/verdane/ with the date it
// came, used while it is younger than 30 days, downloaded again on request.
// A download that fails or brings a damaged catalogue never replaces the copy
// kept. Used by `verdane-cli library` and the window's library dialog.
#pragma once

#include "AozoraCatalog.h"
#include "FetchPage.h"
#include "Result.h"

#include <QString>

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace verdane::core {

inline constexpr const char* kDefaultCatalogUrl =
    "https://www.aozora.gr.jp/index_pages/list_person_all_extended_utf8.zip";
inline constexpr int kCatalogMaxAgeDays = 30;

// The library's settings in the settings file: [Aozora] Catalog (the
// catalogue's address, for mirrors), the editor's [Proxy] section and its
// longest download ([Verdane] DownloadMaxSeconds, 0: no limit).
struct LibrarySettings {
    std::string catalogUrl = kDefaultCatalogUrl;
    FetchRequest request;  // the proxy and the time limit; the address is set for each download
};
LibrarySettings ReadLibrarySettings(const QString& settingsFile);

// The copy is one file in a folder of the program's own (see OwnFolder): a
// header naming its address and date, then the zip as it came, written at
// once by the atomic writer, so the address and the catalogue always agree.
// The folder and the file are never reached through links; a folder of
// another user is refused.
class CatalogCache {
public:
    // The folder the copy is kept in (made when the first copy is kept); the
    // folder above it is the user's cache location.
    explicit CatalogCache(std::string folder = DefaultFolder());
    // $XDG_CACHE_HOME/verdane, or ~/.cache/verdane.
    static std::string DefaultFolder();

    struct Copy {
        std::string url;  // where it came from
        std::time_t date = 0;
    };
    // The copy kept, when there is one.
    std::optional<Copy> Kept() const;
    Result<AozoraCatalog> LoadKept() const;
    // Keeps `zipBytes` (already checked) as the copy from `url`, replacing
    // the old one atomically. A failure says why and leaves the old copy.
    Outcome Keep(const std::string& url, std::string_view zipBytes, std::time_t date) const;

    static constexpr const char* kFileName = "aozora-catalog.cache";
    const std::string& Folder() const { return folder_; }
    std::string FilePath() const { return folder_ + "/" + kFileName; }

private:
    std::string folder_;
};

struct CatalogLoad {
    AozoraCatalog catalog;
    // Empty, or why the kept copy is used instead of a new one: one line
    // for a warning.
    std::string note;
    // The failure behind the note, for the window to say in its words.
    std::optional<Failure> why;
    // With a note: the address the copy used came from (another one than
    // asked for when the catalogue's address was changed since it was kept).
    std::string keptUrl;
};

// The catalogue at `url`: the copy kept when it came from there and is
// younger than kCatalogMaxAgeDays (and `refresh` is not asked), else
// downloaded with `fetch` (`request` gives the proxy and timeouts), checked,
// and kept. When the download fails or the catalogue is damaged, the copy kept
// is used whatever its age and whichever address it came from, and `note` says
// so and why; without one, the failure.
Result<CatalogLoad> LoadCatalog(PageFetch& fetch, FetchRequest request, const std::string& url,
                                const CatalogCache& cache, bool refresh, std::time_t now = std::time(nullptr));

// True when LoadCatalog will download (no young copy from `url` is kept, or
// `refresh`), so a window shows the download's progress.
bool CatalogDownloadDue(const CatalogCache& cache, const std::string& url, bool refresh,
                        std::time_t now = std::time(nullptr));

// A date as the library shows it: 2026-12-08.
std::string CatalogDate(std::time_t date);

// The bytes at `url` as they came (`request` gives proxy and timeouts): a
// catalogue, a work's archive.
Result<std::string> DownloadBytes(PageFetch& fetch, FetchRequest request, const std::string& url);

// The work's archive downloaded (`request` gives proxy and timeouts) and its
// bytes as they came.
Result<std::string> DownloadWorkArchive(PageFetch& fetch, FetchRequest request, const CatalogWork& work);

}  // namespace verdane::core
