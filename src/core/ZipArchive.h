// The text inside a .zip archive, as Aozora Bunko ships its works: one
// Shift-JIS .txt per archive. Used by the read use case of the editor and by
// `verdane-cli aozora`. Archives are read with libzip; a hostile archive (a
// broken header, an encrypted entry, an entry claiming more than 256 MB, data
// longer than its header says, a wrong checksum) is refused with a reason,
// never read past its bytes.
#pragma once

#include "Failure.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct zip;  // libzip's archive

namespace verdane {

// The largest entry read out of an archive: far above the largest text a DOC
// database holds, far below what would exhaust memory.
inline constexpr std::uint64_t kMaxArchiveEntry = 256ull << 20;

struct ArchiveText {
    enum class Status {
        Ok,       // `bytes` holds the entry `entry`
        Several,  // several texts and none chosen: `names` lists them
        NoText,   // no .txt in the archive (`error` says so)
        Refused,  // broken, encrypted, too large, unknown entry: `error` says why
    };
    Status status = Status::Refused;
    std::string bytes;
    std::string entry;               // the name read (UTF-8)
    std::vector<std::string> names;  // the archive's texts (UTF-8), in archive order
    core::Failure failure;           // why not Ok
};

// True when the path's extension is ".zip" in any case.
bool IsZipPath(std::string_view path);
// True when the bytes start as a zip archive does (a local header, or the end
// record of an empty archive).
bool LooksLikeZip(std::string_view bytes);

// The archive's one text, or the entry named `entry` (UTF-8, as listed in
// `names`) when it is not empty. Entry names that are not UTF-8 are read as
// CP932. Folders and entries whose name does not end in ".txt" (any case) are
// not texts, but `entry` may name any file.
ArchiveText ReadArchiveText(std::string_view zipBytes, std::string_view entry = {});
ArchiveText ReadArchiveTextFile(const std::string& path, std::string_view entry = {});
// The archive's one file whose name ends in `extension` (lower case, such as
// ".csv"; the name's case does not count), read and checked as a text is; an
// entry whose header claims more than `limit` bytes is refused unread.
ArchiveText ReadArchiveFile(std::string_view zipBytes, std::string_view extension,
                            std::uint64_t limit = kMaxArchiveEntry);

// An archive opened once and its entries read by their exact names (UTF-8, as
// stored): the parts of an EPUB book. `zipBytes` must outlive the object.
class ZipEntries {
public:
    explicit ZipEntries(std::string_view zipBytes);
    ~ZipEntries();
    ZipEntries(const ZipEntries&) = delete;
    ZipEntries& operator=(const ZipEntries&) = delete;

    // Why the archive could not be opened; nullopt when it was.
    const std::optional<core::Failure>& Fault() const { return fault_; }
    bool Has(std::string_view name) const;
    // The entry's bytes, checked as ReadArchiveText checks a text, and refused
    // (ArchiveEntryTooLarge) when its header claims more than `limit` bytes.
    ArchiveText Read(std::string_view name, std::uint64_t limit) const;

private:
    ::zip* archive_ = nullptr;
    std::optional<core::Failure> fault_;
};

}  // namespace verdane
