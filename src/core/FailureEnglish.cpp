// The English words of each failure code, for verdane-cli: one line, the
// program's own words with the subject, the system's or a library's words
// after a colon.
#include "Failure.h"

#include <cstring>

namespace verdane::core {

namespace {

std::string SystemText(int error) { return error != 0 ? std::strerror(error) : "unknown error"; }

std::string N(long long n) { return std::to_string(n); }

std::string WithDetail(std::string text, const std::string& detail) {
    return detail.empty() ? text : text + ": " + detail;
}

// A size as people read it: "256 MB", "12 KB", "300 bytes".
std::string SizeText(long long bytes) {
    constexpr long long kMB = 1LL << 20, kKB = 1LL << 10;
    if (bytes >= kMB) return N((bytes + kMB / 2) / kMB) + " MB";
    if (bytes >= kKB) return N((bytes + kKB / 2) / kKB) + " KB";
    return N(bytes) + (bytes == 1 ? " byte" : " bytes");
}

std::string Prefix(const std::string& subject) { return subject.empty() ? std::string() : subject + ": "; }

}  // namespace

std::string SecondsText(long long ms) {
    std::string text = N(ms / 1000);
    if (const long long part = ms % 1000; part != 0) {
        std::string digits = N(1000 + part).substr(1);
        while (digits.back() == '0') digits.pop_back();
        text += "." + digits;
    }
    return text;
}

std::string EnglishText(const Failure& f) {
    const std::string& s = f.subject;
    switch (f.code) {
    case FailureCode::FileOpen: return "cannot open " + s + ": " + SystemText(f.error);
    case FailureCode::FileRead: return "cannot read " + s + ": " + SystemText(f.error);
    case FailureCode::FileShortened: return s + " was shortened while it was read";
    case FailureCode::FileWrite: return "cannot write " + s + ": " + SystemText(f.error);
    case FailureCode::TargetChanged:
        return "another program " + std::string(f.count == 1 ? "created " : "changed ") + s +
               " meanwhile; it was not replaced";
    case FailureCode::FileTooLarge:
        return "cannot read " + s + ": larger than the 256 MB of text a DOC database holds";
    case FailureCode::FileChanged:
        return s + (f.limit < f.count   ? " was shortened while it was read"
                    : f.limit > f.count ? " grew while it was read"
                                        : " was written to while it was read");
    case FailureCode::FolderCreate:
        return "cannot create the folder " + s + (f.error != 0 ? ": " + SystemText(f.error) : std::string());
    case FailureCode::NotRegularFile: return "cannot read " + s + ": not a regular file";
    case FailureCode::FolderIsLink: return "cannot use the folder " + s + ": it is a symbolic link";
    case FailureCode::FolderNotOwn: return "cannot use the folder " + s + ": it belongs to another user";
    case FailureCode::TemporaryFolder: return WithDetail("cannot create a temporary folder", f.detail);
    case FailureCode::NotDoc:
        return Prefix(s) + "not a DOC database (its type and creator are not TEXt and REAd)";
    case FailureCode::DocTooShort:
        return Prefix(s) + "not a DOC database: the file has " + N(f.count) + " bytes, fewer than a database header";
    case FailureCode::DocNoRecords: return Prefix(s) + "damaged DOC database: its record list is empty (no record 0)";
    case FailureCode::DocRecordListCut:
        return Prefix(s) + "damaged DOC database: the list of " + N(f.count) + " records runs past the end of the file";
    case FailureCode::DocRecordOutside:
        return Prefix(s) + "damaged DOC database: record " + N(f.count) + " starts past the end of the file";
    case FailureCode::DocRecordOrder:
        return Prefix(s) + "damaged DOC database: record " + N(f.count) + " starts before record " + N(f.count - 1);
    case FailureCode::DocRecord0Cut: return Prefix(s) + "damaged DOC database: record 0 is cut off by the end of the file";
    case FailureCode::DocRecordDamaged:
        return Prefix(s) + "damaged DOC database: compressed record " + N(f.count) + " cannot be expanded";
    case FailureCode::TextTooLong:
        return "the text is too long for a DOC database: " + N(f.count) + " bytes, at most " + N(f.limit) + " fit in one";
    case FailureCode::ArchiveUnreadable:
        return WithDetail((s.empty() ? std::string("the archive") : s) + " is not a readable zip archive", f.detail);
    case FailureCode::ArchiveEncrypted: return s + " is encrypted; an encrypted text cannot be read";
    case FailureCode::ArchiveEntryTooLarge:
        return s + " claims " + N(f.count) + " bytes, more than the " + N(f.limit) + " bytes a text may have";
    case FailureCode::ArchiveEntryDamaged: return WithDetail(s + " is damaged in its archive", f.detail);
    case FailureCode::ArchiveNoText:
        return Prefix(s) + (f.detail.empty() || f.detail == ".txt" ? std::string("the archive holds no text (no .txt file)")
                                                                  : "the archive holds no " + f.detail + " file");
    case FailureCode::ArchiveSeveral:
        return Prefix(s) + "the archive holds several texts (" + f.detail + "); choose one";
    case FailureCode::ArchiveNoEntry: return Prefix(s) + "the archive holds no entry \"" + f.detail + "\"";
    case FailureCode::NotArchive: return s + " is not a .zip archive, so no text can be chosen in it";
    case FailureCode::EpubEncrypted:
        return Prefix(s) + "the e-book is encrypted (locked by its seller), so it cannot be opened";
    case FailureCode::EpubNoPackage: return Prefix(s) + "damaged EPUB: META-INF/container.xml names no package document";
    case FailureCode::EpubMissing: return Prefix(s) + "damaged EPUB: it names " + f.detail + ", which is not in it";
    case FailureCode::EpubOutside: return Prefix(s) + "refused EPUB: it names " + f.detail + ", outside the book";
    case FailureCode::EpubXml:
        return Prefix(s) + "damaged EPUB: " + f.detail + (f.count > 0 ? " (line " + N(f.count) + ")" : std::string());
    case FailureCode::EpubEntities:
        return Prefix(s) + "refused EPUB: " + f.detail + " declares XML entities, which are never expanded";
    case FailureCode::EpubNoSpine: return Prefix(s) + "damaged EPUB: " + f.detail + " lists no document to read";
    case FailureCode::EpubTooMany:
        return Prefix(s) + "refused EPUB: " + f.detail + " lists more than " + N(f.limit) + " items";
    case FailureCode::EpubTooLarge:
        return Prefix(s) + "refused EPUB: its parts inflate to more than " + SizeText(f.limit);
    case FailureCode::EmptyTitle: return "the title is empty; a DOC database needs a name";
    case FailureCode::InstallNameEmpty: return "the install name is empty";
    case FailureCode::InstallNameHasPath: return "the install name \"" + s + "\" holds a folder (\"/\" or \"\\\")";
    case FailureCode::InstallNameHasExtension:
        return "the install name \"" + s + "\" holds a \".\"; the extension is .PDB or .PRC by itself";
    case FailureCode::NoSuchUser:
        return s.empty() ? "no handheld user number " + N(f.count) : "no handheld user \"" + s + "\"";
    case FailureCode::Cancelled: return "cancelled";
    case FailureCode::CatalogTooLarge:
        return "the catalogue is too large: " + N(f.count) + " bytes of CSV, more than the " + N(f.limit) + " read";
    case FailureCode::CatalogDamaged: return WithDetail("the catalogue is damaged", f.detail);
    case FailureCode::CatalogUnavailable:
        return f.detail.empty() ? "the catalogue cannot be read from " + s : f.detail;
    case FailureCode::WorkWithoutText: return "the catalogue gives no text file for work " + s;
    case FailureCode::UnsupportedScheme: return "unsupported scheme: " + f.detail;
    case FailureCode::BadUrl: return WithDetail("the URL cannot be fetched", f.detail);
    case FailureCode::UrlControl: return "the URL holds a control character: \"" + s + "\"";
    case FailureCode::NoRelocationAddress:
        return "relocation without an address (" + N(f.count) + (f.detail.empty() ? "" : " " + f.detail) + ")";
    case FailureCode::BadRelocation: return "relocation to an invalid address";
    case FailureCode::UrlNoHost: return "no host name in the URL \"" + s + "\"";
    case FailureCode::UrlBadPort: return "invalid port in the URL: \"" + f.detail + "\"";
    case FailureCode::ProxyBadPort: return "invalid proxy port: \"" + f.detail + "\"";
    case FailureCode::ProxyUnreachable:
        return "cannot reach the proxy " + s + ": " +
               EnglishText({static_cast<FailureCode>(f.count), s.substr(0, s.rfind(':')), f.detail, f.error});
    case FailureCode::HostNotFound: return "host not found: " + s;
    case FailureCode::NameServerSilent: return "host not found (the name server did not answer): " + s;
    case FailureCode::NoAddress: return "host has no address: " + s;
    case FailureCode::NameLookup: return "name lookup failed: " + s;
    case FailureCode::Refused: return "connection refused";
    case FailureCode::Reset: return "connection reset by the server";
    case FailureCode::Aborted: return "connection aborted";
    case FailureCode::TimedOut:
        return f.count > 0 ? "timed out after " + SecondsText(f.count) + " s" : std::string("connection timed out");
    case FailureCode::HeaderTimedOut:
        return "timed out after " + SecondsText(f.count) + " s: the answer's header did not end";
    case FailureCode::DownloadTooLong:
        return "timed out: the download took longer than " + SecondsText(f.count) + " s";
    case FailureCode::Unreachable: return "network unreachable";
    case FailureCode::Closed: return "connection closed before the answer's header ended";
    case FailureCode::Incomplete:
        return "document incomplete: " + N(f.count) + " of " + N(f.limit) + " bytes received";
    case FailureCode::TwoLengths:
        return "the answer gives two different lengths: " + N(f.count) + " and " + N(f.limit) + " bytes";
    case FailureCode::TransferCoding:
        return "the server sent the page in the transfer coding \"" + f.detail +
               "\", which an HTTP/1.0 request does not take";
    case FailureCode::NoStatusLine: return "the answer has no status line";
    case FailureCode::TooManyRelocations: return "too many relocations";
    case FailureCode::HttpStatus: return f.detail.empty() ? N(f.count) : N(f.count) + " " + f.detail;
    case FailureCode::ProxyTunnel:
        return "the proxy refused the tunnel to " + s + (f.count ? ": " + N(f.count) : std::string()) +
               (f.detail.empty() ? std::string() : " " + f.detail);
    case FailureCode::TlsVerify: return WithDetail("certificate verify failed", f.detail);
    case FailureCode::Tls: return WithDetail("TLS failed", f.detail);
    case FailureCode::PageTooLarge: return "the page is larger than " + SizeText(f.limit);
    case FailureCode::EmptyPage: return "the server sent an empty page";
    case FailureCode::NetworkError:
        return f.detail.empty() ? "network error " + N(f.error) : f.detail;
    case FailureCode::OutOfMemory: return "out of memory";
    case FailureCode::Internal: return f.detail.empty() ? std::string("unknown error") : f.detail;
    }
    return f.detail;
}

}  // namespace verdane::core
