// Aozora Bunko's catalogue of works: the CSV it publishes (one row per work
// and person, 55 named columns, UTF-8), read into one entry per work, and the
// search over it. Used by `verdane-cli library` and the window's library
// dialog. A damaged catalogue (not UTF-8, a malformed row, a row with another
// number of fields than the first line names, a column missing) is refused
// with a reason.
#pragma once

#include "Result.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace verdane::core {

// A work's texts are views of its catalogue's own storage: valid as long as
// the catalogue (which may be moved, not copied) lives.
struct CatalogPerson {
    std::string_view name;     // 姓 and 名, a space between
    std::string_view reading;  // 姓読み and 名読み, a space between
    std::string_view role;     // 役割フラグ: 著者, 翻訳者, 編者, ...
};

struct CatalogWork {
    std::string_view id;  // 作品ID without leading zeros
    std::string_view title, titleReading, subtitle, subtitleReading;
    std::string_view kanaUse;    // 文字遣い種別, e.g. 新字新仮名
    std::string_view published;  // 公開日, e.g. 2004-03-01
    std::string_view textUrl;    // テキストファイルURL: the work's .zip archive
    std::span<const CatalogPerson> persons;

    // The authors' names joined by "、" (the other persons' when it has no
    // author), as a list of results shows them.
    std::string Authors() const;
};

// The largest catalogue read, as CSV: several times Aozora's own (about 20
// MB), so a catalogue from a wrong or hostile address cannot take the
// memory of every search.
inline constexpr std::size_t kMaxCatalogCsv = std::size_t{64} << 20;

class AozoraCatalog {
public:
    AozoraCatalog() = default;
    AozoraCatalog(AozoraCatalog&&) noexcept = default;
    AozoraCatalog& operator=(AozoraCatalog&&) noexcept = default;

    // The catalogue from its CSV text, or from the zip archive that holds it;
    // a CSV larger than kMaxCatalogCsv is refused with its size.
    static Result<AozoraCatalog> FromCsv(std::string_view csv);
    static Result<AozoraCatalog> FromZip(std::string_view zipBytes);

    // The works, sorted by their reading (ソート用読み, then 作品名読み, then number).
    const std::vector<CatalogWork>& Works() const { return works_; }
    // The work numbered `id` (leading zeros do not count), or nullptr.
    const CatalogWork* Find(std::string_view id) const;
    // The works each of whose `words` (UTF-8) is found in its title, subtitle,
    // their readings or a person's name, reading or name in Latin letters,
    // hiragana and katakana, full- and half-width forms and letter case not
    // told apart; in the order of Works(). No words: no works.
    std::vector<const CatalogWork*> Search(const std::vector<std::string>& words) const;

private:
    friend class CatalogBuilder;
    // The texts the works and keys view, in blocks that never move.
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::vector<CatalogWork> works_;
    std::vector<CatalogPerson> persons_;  // each work's persons together
    std::vector<std::string_view> keys_;  // per work: what Search looks in, folded
    std::vector<std::uint32_t> byId_;     // the works' indexes in the order of their numbers
};

// Text as the search compares it: katakana as hiragana (half-width ones
// too, with their voiced marks), full-width Latin letters, digits and signs as
// ASCII, letters in lower case, the ideographic space and line breaks as a
// space.
std::string FoldForSearch(std::string_view utf8);
// The words of a search typed in one line: split at spaces, ideographic
// spaces and tabs.
std::vector<std::string> SearchWords(std::string_view utf8);

}  // namespace verdane::core
