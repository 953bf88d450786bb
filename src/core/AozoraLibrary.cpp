// The catalogue's copy on this computer: two files in the cache folder, the
// zip as it came and a small info file (its address and date), each replaced
// atomically; the zip is only replaced by one that reads as a catalogue.
#include "AozoraLibrary.h"

#include "FailureOf.h"
#include "FileIo.h"
#include "ProfileFile.h"

#include <QDir>
#include <QStandardPaths>

#include <sys/stat.h>

namespace verdane::core {

namespace {

std::string Utf8(const QString& text) { return text.toStdString(); }



// The info file: "url=..." and "date=<seconds since 1970>" lines.
std::string InfoText(const std::string& url, std::time_t date) {
    return "url=" + url + "\ndate=" + std::to_string(static_cast<long long>(date)) + "\n";
}

}  // namespace

Result<std::string> DownloadBytes(PageFetch& fetch, FetchRequest request, const std::string& url) {
    request.url = url;
    // A catalogue or a work's archive is far below this.
    request.maxBodySize = 256LL << 20;
    std::string bytes;
    Result<long long> received = fetch.Run(request, [&bytes](std::string_view piece) { bytes.append(piece); });
    if (!received) return received.Fault();
    if (bytes.empty()) return Failure{FailureCode::EmptyPage, url};
    return bytes;
}

LibrarySettings ReadLibrarySettings(const QString& settingsFile) {
    const platform::TProfile ini(settingsFile);
    LibrarySettings settings;
    const std::string url = Utf8(ini.ReadString(QStringLiteral("Aozora"), QStringLiteral("Catalog"), QString()).trimmed());
    if (!url.empty()) settings.catalogUrl = url;
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
    std::string info;
    try {
        info = platform::ReadWholeFile(InfoPath());
    } catch (const platform::EFileError&) {
        return std::nullopt;
    }
    Copy copy;
    bool dated = false;
    std::size_t at = 0;
    while (at < info.size()) {
        std::size_t end = info.find('\n', at);
        if (end == std::string::npos) end = info.size();
        const std::string_view line(info.data() + at, end - at);
        if (line.starts_with("url=")) copy.url = line.substr(4);
        if (line.starts_with("date=")) {
            try {
                copy.date = static_cast<std::time_t>(std::stoll(std::string(line.substr(5))));
                dated = true;
            } catch (const std::exception&) {
            }
        }
        at = end + 1;
    }
    struct stat zip;
    if (!dated || copy.url.empty() || ::stat(ZipPath().c_str(), &zip) != 0) return std::nullopt;
    return copy;
}

Result<AozoraCatalog> CatalogCache::LoadKept() const {
    std::string bytes;
    try {
        bytes = platform::ReadWholeFile(ZipPath());
    } catch (const platform::EFileError& e) {
        return FailureOf(e);
    }
    return AozoraCatalog::FromZip(bytes);
}

Outcome CatalogCache::Keep(const std::string& url, std::string_view zipBytes, std::time_t date) const {
    // The parents too: ~/.cache may not exist yet.
    if (!QDir().mkpath(QString::fromStdString(folder_)))
        return Failure{FailureCode::FolderCreate, folder_};
    try {
        platform::WriteFileAtomically(ZipPath(), zipBytes);
        platform::WriteFileAtomically(InfoPath(), InfoText(url, date));
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
    const bool keptFromUrl = kept && kept->url == url;
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
    if (keptFromUrl && keptFailure.empty()) {
        Result<AozoraCatalog> catalog = cache.LoadKept();
        if (catalog)
            return CatalogLoad{std::move(*catalog), failure + "; the copy of " + CatalogDate(kept->date) + " is used",
                               why};
        keptFailure = catalog.Reason();
    }
    if (!keptFailure.empty()) failure += "; the copy kept is unreadable too: " + keptFailure;
    return Failure{FailureCode::CatalogUnavailable, url, failure};
}

Result<std::string> DownloadWorkArchive(PageFetch& fetch, FetchRequest request, const CatalogWork& work) {
    if (work.textUrl.empty())
        return Failure{FailureCode::WorkWithoutText, work.id};
    return DownloadBytes(fetch, std::move(request), work.textUrl);
}

}  // namespace verdane::core
