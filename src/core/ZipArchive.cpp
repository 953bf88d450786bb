// Reading the text out of a .zip archive with libzip: list the entries, pick
// the one text (or the one asked for), check what its header claims before a
// byte is inflated, and read no more than it claims.
#include "ZipArchive.h"
#include "TextBytes.h"

#include "Cp932Table.h"
#include "KanjiCode.h"
#include "ShownText.h"

#include <zip.h>

#include <algorithm>
#include <memory>

namespace verdane {

namespace {

struct ZipDiscard {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct ZipFileClose {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipDiscard>;
using ZipFilePtr = std::unique_ptr<zip_file_t, ZipFileClose>;

// libzip's reason for an error code, as one line.
std::string ErrorText(zip_error_t& error) {
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

std::string ErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    return ErrorText(error);
}

// An entry's name in UTF-8: as it is when it is UTF-8 already, otherwise read
// as CP932, which is how Japanese archivers on Windows write names. A byte
// CP932 cannot read becomes U+FFFD.
std::string NameAsUtf8(std::string_view raw) {
    bool ascii = true;
    for (const char c : raw) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii || IsUtf8Text(raw)) return std::string(raw);
    std::string out;
    for (std::size_t i = 0; i < raw.size();) {
        const auto c = static_cast<unsigned char>(raw[i]);
        char32_t u;
        if (cp932::IsLeadByte(c) && i + 1 < raw.size()) {
            u = cp932::DecodeDouble(c, static_cast<unsigned char>(raw[i + 1]));
            i += 2;
        } else {
            u = cp932::DecodeSingle(c);
            i += 1;
        }
        AppendUtf8(out, u == cp932::kNone ? 0xFFFD : u);
    }
    return out;
}

// `extension` is ".txt" or another in lower case.
bool EndsWithExtension(std::string_view name, std::string_view extension) {
    if (name.size() < extension.size()) return false;
    const std::string_view ext = name.substr(name.size() - extension.size());
    for (std::size_t i = 0; i < ext.size(); ++i)
        if ((ext[i] >= 'A' && ext[i] <= 'Z' ? ext[i] | 0x20 : ext[i]) != extension[i]) return false;
    return true;
}

// A text of the work (a .txt file, or a file of the extension asked for), not a
// folder and not the resource-fork companions some archivers add.
bool IsText(std::string_view name, std::string_view extension) {
    if (name.empty() || name.back() == '/' || !EndsWithExtension(name, extension)) return false;
    if (name.find("__MACOSX/") != std::string_view::npos) return false;
    const std::size_t slash = name.rfind('/');
    const std::string_view base = slash == std::string_view::npos ? name : name.substr(slash + 1);
    return base.substr(0, 2) != "._";
}

ArchiveText Refused(core::FailureCode code, std::string subject, std::string detail = {}) {
    ArchiveText result;
    result.status = ArchiveText::Status::Refused;
    result.failure = core::Failure{code, std::move(subject), std::move(detail)};
    return result;
}

// Deflate makes at most about 1032 bytes of each byte it is given.
constexpr zip_uint64_t kMostInflation = 1040;

// Reads the entry at `index`, whose name is `name`, after checking its header.
ArchiveText ReadEntry(zip_t* archive, zip_uint64_t index, const std::string& entryName,
                      zip_uint64_t limit = kMaxArchiveEntry) {
    // What the archive names reaches a terminal or a message box.
    const std::string name = EscapeControls(entryName);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive, index, 0, &stat) != 0)
        return Refused(core::FailureCode::ArchiveEntryDamaged, name, zip_strerror(archive));
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
        return Refused(core::FailureCode::ArchiveEncrypted, name);
    if (!(stat.valid & ZIP_STAT_SIZE)) return Refused(core::FailureCode::ArchiveEntryDamaged, name, "no size in its header");
    if (stat.size > limit) {
        ArchiveText refused = Refused(core::FailureCode::ArchiveEntryTooLarge, name);
        refused.failure.count = static_cast<long long>(stat.size);
        refused.failure.limit = static_cast<long long>(limit);
        return refused;
    }
    const ZipFilePtr file(zip_fopen_index(archive, index, 0));
    if (!file) return Refused(core::FailureCode::ArchiveEntryDamaged, name, zip_strerror(archive));

    // The buffer starts at the size the header claims, but no larger than its
    // compressed bytes can inflate to, so a small archive claiming a large text
    // takes no large memory before its data shows whether the claim is true.
    ArchiveText result;
    zip_uint64_t room = stat.size;
    if ((stat.valid & ZIP_STAT_COMP_SIZE) && stat.comp_size < room / kMostInflation)
        room = std::max<zip_uint64_t>(stat.comp_size * kMostInflation, 1 << 16);
    result.bytes.resize(std::min<zip_uint64_t>(room, stat.size));
    zip_uint64_t have = 0;
    while (have < stat.size) {
        if (have == result.bytes.size())
            result.bytes.resize(std::min<zip_uint64_t>(stat.size, std::max<zip_uint64_t>(have * 2, 1 << 16)));
        const zip_int64_t got = zip_fread(file.get(), result.bytes.data() + have, result.bytes.size() - have);
        if (got < 0) return Refused(core::FailureCode::ArchiveEntryDamaged, name, zip_file_strerror(file.get()));
        if (got == 0) return Refused(core::FailureCode::ArchiveEntryDamaged, name, "shorter than its header says");
        have += static_cast<zip_uint64_t>(got);
    }
    // Reading on to the end makes libzip compare the checksum, and shows data
    // longer than the header claims.
    char extra;
    const zip_int64_t more = zip_fread(file.get(), &extra, 1);
    if (more < 0) return Refused(core::FailureCode::ArchiveEntryDamaged, name, zip_file_strerror(file.get()));
    if (more > 0) return Refused(core::FailureCode::ArchiveEntryDamaged, name, "longer than its header says");
    result.status = ArchiveText::Status::Ok;
    result.entry = entryName;
    return result;
}

// The names of `names` for a message, each with its control characters
// escaped, the first ten of a long list and how many more there are ("… and
// 99,990 more"), so an archive of many texts gives one readable line.
std::string NameList(const std::vector<std::string>& names) {
    constexpr std::size_t kShown = 10;
    std::string list;
    for (std::size_t i = 0; i < names.size() && i < kShown; ++i) list += " " + EscapeControls(names[i]);
    if (names.size() > kShown) {
        std::string more = std::to_string(names.size() - kShown);
        for (std::size_t at = more.size(); at > 3; at -= 3) more.insert(at - 3, ",");
        list += " \xE2\x80\xA6 and " + more + " more";
    }
    return list;
}

ArchiveText ReadOpened(zip_t* archive, std::string_view entry, std::string_view extension = ".txt",
                       std::uint64_t limit = kMaxArchiveEntry) {
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    ArchiveText result;
    std::vector<zip_uint64_t> texts;
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* raw = zip_get_name(archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        if (raw == nullptr) return Refused(core::FailureCode::ArchiveUnreadable, {}, zip_strerror(archive));
        const std::string name = NameAsUtf8(raw);
        if (!entry.empty() && name == entry) return ReadEntry(archive, static_cast<zip_uint64_t>(i), name);
        if (IsText(name, extension)) {
            texts.push_back(static_cast<zip_uint64_t>(i));
            result.names.push_back(name);
        }
    }
    if (!entry.empty()) {
        ArchiveText refused = Refused(core::FailureCode::ArchiveNoEntry, {}, EscapeControls(entry));
        refused.names = std::move(result.names);
        return refused;
    }
    if (texts.empty()) {
        result.status = ArchiveText::Status::NoText;
        result.failure = core::Failure{core::FailureCode::ArchiveNoText, {}, std::string(extension)};
        return result;
    }
    if (texts.size() > 1) {
        result.status = ArchiveText::Status::Several;
        result.failure = core::Failure{core::FailureCode::ArchiveSeveral, {}, NameList(result.names).substr(1)};
        return result;
    }
    ArchiveText read = ReadEntry(archive, texts.front(), result.names.front(), limit);
    read.names = std::move(result.names);
    return read;
}

}  // namespace

bool IsZipPath(std::string_view path) {
    if (path.size() < 4) return false;
    const std::string_view ext = path.substr(path.size() - 4);
    return ext[0] == '.' && (ext[1] | 0x20) == 'z' && (ext[2] | 0x20) == 'i' && (ext[3] | 0x20) == 'p';
}

bool LooksLikeZip(std::string_view bytes) {
    return bytes.size() >= 4 && bytes[0] == 'P' && bytes[1] == 'K' &&
           ((bytes[2] == '\x03' && bytes[3] == '\x04') || (bytes[2] == '\x05' && bytes[3] == '\x06'));
}

namespace {

// Opens the archive held in `zipBytes` and reads the entry `entry` names, or its
// one file of `extension`.
ArchiveText ReadInMemory(std::string_view zipBytes, std::string_view entry, std::string_view extension,
                         std::uint64_t limit = kMaxArchiveEntry) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(zipBytes.data(), zipBytes.size(), 0, &error);
    if (source == nullptr) return Refused(core::FailureCode::ArchiveUnreadable, {}, ErrorText(error));
    const ZipPtr archive(zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error));
    if (!archive) {
        zip_source_free(source);
        return Refused(core::FailureCode::ArchiveUnreadable, {}, ErrorText(error));
    }
    zip_error_fini(&error);
    return ReadOpened(archive.get(), entry, extension, limit);
}

}  // namespace

ArchiveText ReadArchiveText(std::string_view zipBytes, std::string_view entry) {
    return ReadInMemory(zipBytes, entry, ".txt");
}

ArchiveText ReadArchiveFile(std::string_view zipBytes, std::string_view extension, std::uint64_t limit) {
    return ReadInMemory(zipBytes, {}, extension, limit);
}

ArchiveText ReadArchiveTextFile(const std::string& path, std::string_view entry) {
    int code = 0;
    const ZipPtr archive(zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
    if (!archive) return Refused(core::FailureCode::ArchiveUnreadable, path, ErrorText(code));
    return ReadOpened(archive.get(), entry);
}

ZipEntries::ZipEntries(std::string_view zipBytes) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(zipBytes.data(), zipBytes.size(), 0, &error);
    if (source == nullptr) {
        fault_ = core::Failure{core::FailureCode::ArchiveUnreadable, {}, ErrorText(error)};
        return;
    }
    archive_ = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (archive_ == nullptr) {
        zip_source_free(source);
        fault_ = core::Failure{core::FailureCode::ArchiveUnreadable, {}, ErrorText(error)};
        return;
    }
    zip_error_fini(&error);
}

ZipEntries::~ZipEntries() {
    if (archive_ != nullptr) zip_discard(archive_);
}

bool ZipEntries::Has(std::string_view name) const {
    return archive_ != nullptr && zip_name_locate(archive_, std::string(name).c_str(), ZIP_FL_ENC_RAW) >= 0;
}

ArchiveText ZipEntries::Read(std::string_view name, std::uint64_t limit) const {
    if (archive_ == nullptr) return Refused(core::FailureCode::ArchiveUnreadable, {});
    const std::string wanted(name);
    const zip_int64_t index = wanted.find('\0') == std::string::npos ? zip_name_locate(archive_, wanted.c_str(), ZIP_FL_ENC_RAW) : -1;
    if (index < 0) return Refused(core::FailureCode::ArchiveNoEntry, {}, EscapeControls(name));
    return ReadEntry(archive_, static_cast<zip_uint64_t>(index), wanted, limit);
}

}  // namespace verdane
