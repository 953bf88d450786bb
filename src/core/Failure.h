// Why a use case of src/core failed, as a code with its data: set where the
// failure happens (a file, an archive, a DOC database, the network), said in
// words only at the end. verdane-cli says it in English (EnglishText below);
// the window says it in Japanese (src/words/FailureJapanese). Neither ever reads
// the other's words back.
#pragma once

#include <string>

namespace verdane::core {

enum class FailureCode {
    // Files: `subject` the path, `error` the errno.
    FileOpen,
    FileRead,
    FileShortened,       // another program cut the file short while it was read
    FileWrite,
    FileTooLarge,        // more than the program reads from one input
    FileChanged,         // shortened, grown or written while it was read: `count` the
                         // size when opened, `limit` the bytes read
    TargetChanged,       // another program created (`count` 1) or changed the file since the plan
    FolderCreate,        // `subject` the folder
    TemporaryFolder,     // `detail` the system's words
    NotRegularFile,      // a FIFO, a device, a socket or a folder where a regular file is expected
    FolderIsLink,        // `subject` a folder of the program's own that is a symbolic link
    FolderNotOwn,        // `subject` a folder of the program's own that belongs to another user
    // DOC databases: `subject` the file (or empty), `count` the record where one applies.
    NotDoc,              // type and creator are not TEXt and REAd
    DocTooShort,         // fewer bytes than a header; `count` the size
    DocNoRecords,        // the record list is empty
    DocRecordListCut,    // the list of `count` records runs past the end
    DocRecordOutside,    // record `count` starts past the end
    DocRecordOrder,      // record `count` starts before the one before it
    DocRecord0Cut,       // record 0 is cut off by the end of the file
    DocRecordDamaged,    // compressed record `count` is damaged
    TextTooLong,         // `count` the text's bytes, `limit` the most a database holds
    // Archives: `subject` the archive (or entry), `detail` libzip's words.
    ArchiveUnreadable,   // not a zip archive, or a damaged one
    ArchiveEncrypted,    // `subject` the entry
    ArchiveEntryTooLarge,// `subject` the entry, `count` its size, `limit` the most read
    ArchiveEntryDamaged, // `subject` the entry: shorter or longer than its header says, bad checksum
    ArchiveNoText,       // no .txt in the archive (no file of the extension `detail` names)
    ArchiveSeveral,      // several texts and none chosen; `detail` their names
    ArchiveNoEntry,      // the entry `detail` names is not in the archive
    NotArchive,          // an entry was asked of something that is no archive
    // EPUB books: `detail` the part of the book (its entry name) where one applies.
    EpubEncrypted,       // the book is locked (an encrypted content part, or a rights file)
    EpubNoPackage,       // META-INF/container.xml names no package document
    EpubMissing,         // the part `detail` names is not in the archive
    EpubOutside,         // the part `detail` names lies outside the archive
    EpubXml,             // `detail` the part and the XML reader's words, `count` the line
    EpubEntities,        // the part `detail` declares XML entities (never expanded)
    EpubNoSpine,         // the package document `detail` lists nothing to read
    EpubTooMany,         // the part `detail` lists more than `limit` items
    EpubTooLarge,        // the book's parts inflate to more than `limit` bytes
    // Titles and installs.
    EmptyTitle,
    InstallNameEmpty,
    InstallNameHasPath,      // `subject` the name
    InstallNameHasExtension, // `subject` the name
    NoSuchUser,              // `count` the user's number, or `subject` the name
    Cancelled,
    // The Aozora library.
    CatalogDamaged,      // `detail` what is wrong
    CatalogTooLarge,     // its CSV has `count` bytes, more than `limit`
    CatalogUnavailable,  // `subject` its URL, `detail` the download's and the copy's failures
    WorkWithoutText,     // `subject` the work's number
    // The network: `subject` the host or URL.
    UnsupportedScheme,   // `detail` the scheme
    BadUrl,              // `detail` what is wrong
    UrlNoHost,           // `subject` the URL
    UrlControl,          // the URL holds a control character
    NoRelocationAddress, // a relocation answer (`count` its status) gave no address
    BadRelocation,       // a relocation to an address no request may hold
    UrlBadPort,          // `subject` the URL, `detail` the port it gives
    ProxyBadPort,        // `detail` the proxy's port
    ProxyUnreachable,    // `subject` the proxy (host:port), `count` the code of why (Refused...)
    HostNotFound,
    NameServerSilent,
    NoAddress,
    NameLookup,
    Refused,
    Reset,
    Aborted,
    TimedOut,            // `count` the milliseconds waited, 0 when the system timed out
    HeaderTimedOut,      // the answer's header did not end within `count` milliseconds
    DownloadTooLong,     // the whole download took longer than `count` milliseconds
    Unreachable,
    Closed,              // the connection closed before the answer's header ended
    Incomplete,          // `count` bytes of `limit` announced arrived
    TwoLengths,          // the answer's header gives two lengths, `count` and `limit`
    TransferCoding,      // the answer came in the transfer coding `detail` (e.g. "chunked")
    NoStatusLine,        // the answer's header has no status line
    TooManyRelocations,
    HttpStatus,          // `count` the status, `detail` the server's reason phrase
    ProxyTunnel,         // the proxy refused the tunnel to `subject`; `count` its status
    TlsVerify,           // `detail` the certificate's fault as the TLS library gives it
    Tls,                 // `detail` the TLS library's words
    PageTooLarge,        // `limit` the most bytes
    EmptyPage,
    NetworkError,        // `error` the socket's number, `detail` its text
    OutOfMemory,
    // Anything else a library raised: `detail` its words.
    Internal,
};

struct Failure {
    FailureCode code = FailureCode::Internal;
    // What failed: a path, a URL, a host, a name (UTF-8).
    std::string subject;
    // A library's own words (libzip, OpenSSL, a server's reason phrase), shown as given.
    std::string detail;
    // The system's error number (errno or a socket error), 0 when none.
    int error = 0;
    long long count = 0;
    long long limit = 0;
};

// One line of English, as verdane-cli prints it ("cannot open /a/b.txt: No such
// file or directory", "404 Not Found", "connection refused").
std::string EnglishText(const Failure& failure);

// Seconds of a millisecond count as a short text ("60", "1.5").
std::string SecondsText(long long ms);

}  // namespace verdane::core
