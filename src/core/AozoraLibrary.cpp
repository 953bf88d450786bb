// The catalogue's copy on this computer: one file in the cache folder, a
// small header (its address and date) and the zip as it came, replaced
// atomically as one; it is only replaced by a zip that reads as a catalogue.
#include "AozoraLibrary.h"

#include "FailureOf.h"
#include "FileIo.h"
#include "ProfileFile.h"

#include "OwnFolder.h"

#include <QStandardPaths>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <optional>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

namespace verdane::core {

namespace {

std::string Utf8(const QString& text) { return text.toStdString(); }



constexpr std::string_view kMagic = "VerdaneCatalog 1\n";
// The header is a few short lines; an address longer than this is no copy of ours.
constexpr std::size_t kMaxHeader = 16 * 1024;

// The copy's header: the magic line, "url=..." and "date=<seconds since
// 1970>" lines, and an empty line before the zip.
std::string Header(const std::string& url, std::time_t date) {
    return std::string(kMagic) + "url=" + url + "\ndate=" + std::to_string(static_cast<long long>(date)) + "\n\n";
}

// What the header at the start of `bytes` says, and where the zip starts;
// nothing when it is not a header of ours.
std::optional<std::pair<CatalogCache::Copy, std::size_t>> ParseHeader(std::string_view bytes) {
    if (!bytes.starts_with(kMagic)) return std::nullopt;
    const std::size_t end = bytes.substr(0, kMaxHeader).find("\n\n");
    if (end == std::string_view::npos) return std::nullopt;
    CatalogCache::Copy copy;
    bool dated = false;
    for (std::size_t at = kMagic.size(); at <= end;) {
        const std::size_t lineEnd = bytes.find('\n', at);
        const std::string_view line = bytes.substr(at, lineEnd - at);
        if (line.starts_with("url=")) copy.url = line.substr(4);
        if (line.starts_with("date=")) {
            const std::string_view digits = line.substr(5);
            long long date = 0;
            const auto [next, error] = std::from_chars(digits.data(), digits.data() + digits.size(), date);
            dated = error == std::errc() && next == digits.data() + digits.size();
            copy.date = static_cast<std::time_t>(date);
        }
        at = lineEnd + 1;
    }
    if (!dated || copy.url.empty()) return std::nullopt;
    return std::pair(copy, end + 2);
}

// The program's cache folder, made and checked (never a link, the user's own).
platform::OwnFolder OpenCacheFolder(const std::string& folder) {
    const auto slash = folder.find_last_of('/');
    const std::string base = slash == std::string::npos || slash == 0 ? "/" : folder.substr(0, slash);
    const std::string own[] = {folder.substr(slash == std::string::npos ? 0 : slash + 1)};
    return platform::OwnFolder::Open(base, own);
}

// The copy's whole bytes, when there is one (a regular file of the user's
// own, reached without a link; a FIFO is never waited on).
std::optional<std::string> ReadCopy(const std::string& folder, std::size_t most) {
    const platform::OwnFolder own = OpenCacheFolder(folder);
    const std::optional<platform::OwnFolder::File> file = own.OpenFile(CatalogCache::kFileName);
    if (!file) return std::nullopt;
    const std::string path = folder + "/" + CatalogCache::kFileName;
    if (most >= static_cast<std::size_t>(file->info.st_size)) return platform::ReadWholeFile(file->fd, path);
    std::string head(most, '\0');
    const ssize_t got = ::pread(file->fd, head.data(), head.size(), 0);
    ::close(file->fd);
    head.resize(static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    return head;
}

}  // namespace

Result<std::string> DownloadBytes(PageFetch& fetch, FetchRequest request, const std::string& url) {
    request.url = url;
    // A catalogue or a work's archive is far below this.
    request.maxBodySize = 256LL << 20;
    return fetch.Run(request);
}

LibrarySettings ReadLibrarySettings(const QString& settingsFile) {
    const platform::TProfile ini(settingsFile);
    LibrarySettings settings;
    const std::string url = Utf8(ini.ReadString(QStringLiteral("Aozora"), QStringLiteral("Catalog"), QString()).trimmed());
    if (!url.empty()) settings.catalogUrl = url;
    const int seconds = ini.ReadInteger(QStringLiteral("Verdane"), QStringLiteral("DownloadMaxSeconds"), kDownloadMaxSeconds);
    settings.request.maxTimeMs = std::clamp(seconds, 0, 7 * 86400) * 1000;
    const QString proxy = QStringLiteral("Proxy");
    if (ini.ReadBool(proxy, QStringLiteral("Enable"), false)) {
        settings.request.proxy = Utf8(ini.ReadString(proxy, QStringLiteral("Server"), QString()));
        settings.request.proxyPort = std::to_string(ini.ReadInteger(proxy, QStringLiteral("Port"), 80));
        settings.request.proxyUser = Utf8(ini.ReadString(proxy, QStringLiteral("User"), QString()));
        settings.request.proxyPassword = Utf8(ini.ReadString(proxy, QStringLiteral("Pass"), QString()));
    }
    return settings;
}

CatalogCache::CatalogCache(std::string folder) : folder_(std::move(folder)) {}

std::string CatalogCache::DefaultFolder() {
    return Utf8(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)) + "/verdane";
}

std::optional<CatalogCache::Copy> CatalogCache::Kept() const {
    try {
        const std::optional<std::string> head = ReadCopy(folder_, kMaxHeader);
        if (!head) return std::nullopt;
        const auto parsed = ParseHeader(*head);
        if (!parsed) return std::nullopt;
        return parsed->first;
    } catch (const platform::EFileError&) {
        return std::nullopt;
    }
}

Result<AozoraCatalog> CatalogCache::LoadKept() const {
    std::optional<std::string> bytes;
    try {
        bytes = ReadCopy(folder_, SIZE_MAX);
    } catch (const platform::EFileError& e) {
        return FailureOf(e);
    }
    if (!bytes) return Failure{FailureCode::NotRegularFile, FilePath()};
    const auto parsed = ParseHeader(*bytes);
    if (!parsed) return Failure{FailureCode::CatalogDamaged, FilePath(), "its header is not one of ours"};
    return AozoraCatalog::FromZip(std::string_view(*bytes).substr(parsed->second));
}

Outcome CatalogCache::Keep(const std::string& url, std::string_view zipBytes, std::time_t date) const {
    // The address goes into the copy's own header: no one line break in it
    // may end the header early.
    if (url.find_first_of("\r\n") != std::string::npos || url.size() > kMaxHeader / 2)
        return Failure{FailureCode::UrlControl, url};
    try {
        const platform::OwnFolder own = OpenCacheFolder(folder_);
        const std::string header = Header(url, date);
        const std::string_view pieces[] = {header, zipBytes};
        own.Write(kFileName, pieces, 0600);
        // The two files an earlier version kept, which could disagree.
        own.Remove("aozora-catalog.zip");
        own.Remove("aozora-catalog.info");
    } catch (const platform::EFileError& e) {
        return FailureOf(e);
    }
    return Done{};
}

std::string CatalogDate(std::time_t date) {
    std::tm parts{};
    ::localtime_r(&date, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d", &parts);
    return text;
}

namespace {

// A copy dated in the future (a clock put back) counts as old.
bool Young(const std::optional<CatalogCache::Copy>& kept, const std::string& url, std::time_t now) {
    return kept && kept->url == url && kept->date <= now && now - kept->date < kCatalogMaxAgeDays * 86400LL;
}

}  // namespace

bool CatalogDownloadDue(const CatalogCache& cache, const std::string& url, bool refresh, std::time_t now) {
    return refresh || !Young(cache.Kept(), url, now);
}

Result<CatalogLoad> LoadCatalog(PageFetch& fetch, FetchRequest request, const std::string& url,
                                const CatalogCache& cache, bool refresh, std::time_t now) {
    const std::optional<CatalogCache::Copy> kept = cache.Kept();
    std::string keptFailure;
    if (Young(kept, url, now) && !refresh) {
        Result<AozoraCatalog> catalog = cache.LoadKept();
        if (catalog) return CatalogLoad{std::move(*catalog), {}};
        keptFailure = catalog.Reason();
    }

    std::string failure;
    Failure why;
    Result<std::string> zip = DownloadBytes(fetch, request, url);
    if (zip) {
        Result<AozoraCatalog> catalog = AozoraCatalog::FromZip(*zip);
        if (catalog) {
            CatalogLoad load{std::move(*catalog), {}};
            const Outcome kept = cache.Keep(url, *zip, now);
            if (!kept) {
                load.note = "the catalogue could not be kept for later: " + kept.Reason();
                load.why = kept.Fault();
            }
            return load;
        }
        failure = "the catalogue from " + url + " is refused: " + catalog.Reason();
        why = catalog.Fault();
    } else {
        if (zip.Code() == FailureCode::Cancelled) return zip.Fault();
        failure = "the catalogue could not be downloaded from " + url + ": " + zip.Reason();
        why = zip.Fault();
    }
    // Whatever address the kept copy came from, it is better than none; the
    // note names that address when it is another.
    if (kept && keptFailure.empty()) {
        Result<AozoraCatalog> catalog = cache.LoadKept();
        if (catalog) {
            const std::string from = kept->url == url ? std::string() : " from " + kept->url;
            return CatalogLoad{std::move(*catalog), failure + "; the copy of " + CatalogDate(kept->date) + from + " is used",
                               why, kept->url};
        }
        keptFailure = catalog.Reason();
    }
    if (!keptFailure.empty()) failure += "; the copy kept is unreadable too: " + keptFailure;
    return Failure{FailureCode::CatalogUnavailable, url, failure};
}

Result<std::string> DownloadWorkArchive(PageFetch& fetch, FetchRequest request, const CatalogWork& work) {
    if (work.textUrl.empty())
        return Failure{FailureCode::WorkWithoutText, std::string(work.id)};
    return DownloadBytes(fetch, std::move(request), std::string(work.textUrl));
}

}  // namespace verdane::core
