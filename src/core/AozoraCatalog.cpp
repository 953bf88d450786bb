// The Aozora catalogue: the CSV's columns found by the names its first line
// gives them, rows gathered into works by 作品ID, the works sorted once by
// reading, and for each work one folded string that a search looks through.
#include "AozoraCatalog.h"
#include "TextBytes.h"

#include "CsvReader.h"
#include "ZipArchive.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace verdane::core {

namespace {

// The columns read, by the names the catalogue's first line gives them.
enum Column {
    kId, kTitle, kTitleReading, kSortReading, kSubtitle, kSubtitleReading, kKanaUse, kPublished,
    kFamilyName, kGivenName, kFamilyReading, kGivenReading, kFamilyLatin, kGivenLatin, kRole, kTextUrl,
    kColumns
};
constexpr const char* kColumnNames[kColumns] = {
    "作品ID", "作品名", "作品名読み", "ソート用読み", "副題", "副題読み", "文字遣い種別", "公開日",
    "姓", "名", "姓読み", "名読み", "姓ローマ字", "名ローマ字", "役割フラグ", "テキストファイルURL",
};

// The code point of the UTF-8 sequence at `p` and its length, or length 0
// when the bytes there are no well-formed sequence.
std::size_t DecodeUtf8(const unsigned char* p, const unsigned char* end, char32_t& u) {
    const unsigned char c = p[0];
    if (c < 0x80) {
        u = c;
        return 1;
    }
    std::size_t length;
    char32_t min;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2, u = c & 0x1F, min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3, u = c & 0x0F, min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4, u = c & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (static_cast<std::size_t>(end - p) < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        u = u << 6 | (p[i] & 0x3F);
    }
    if (u < min || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) return 0;
    return length;
}

// The byte offset of the first malformed sequence, or npos.
std::size_t FirstBadUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    const auto* begin = p;
    while (p < end) {
        // ASCII goes eight bytes at a time.
        std::uint64_t block;
        if (end - p >= 8 && (std::memcpy(&block, p, 8), (block & 0x8080808080808080ull) == 0)) {
            p += 8;
            continue;
        }
        // Kana and kanji: three bytes, E1-EC or EE-EF then two continuations.
        if (end - p >= 3 && p[0] >= 0xE1 && p[0] <= 0xEF && p[0] != 0xED && (p[1] & 0xC0) == 0x80 &&
            (p[2] & 0xC0) == 0x80) {
            p += 3;
            continue;
        }
        char32_t u;
        const std::size_t length = DecodeUtf8(p, end, u);
        if (length == 0) return static_cast<std::size_t>(p - begin);
        p += length;
    }
    return std::string_view::npos;
}

// Half-width katakana U+FF66 to U+FF9D as hiragana (ｰ as the long vowel mark).
constexpr char16_t kHalfWidthKana[] =
    u"をぁぃぅぇぉゃゅょっーあいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわん";

bool TakesVoicedMark(char32_t u) {
    return (u >= 0x304B && u <= 0x3062 && (u - 0x304B) % 2 == 0) ||  // か to ぢ
           (u >= 0x3064 && u <= 0x3068 && (u - 0x3064) % 2 == 0) ||  // つ て と
           (u >= 0x306F && u <= 0x307B && (u - 0x306F) % 3 == 0) ||  // は ひ ふ へ ほ
           u == 0x3046;                                              // う
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::string Joined(std::string_view a, std::string_view b) {
    a = Trimmed(a);
    b = Trimmed(b);
    if (a.empty() || b.empty()) return std::string(a.empty() ? b : a);
    return std::string(a) + ' ' + std::string(b);
}

Failure CatalogDamaged(const std::string& why) {
    return Failure{FailureCode::CatalogDamaged, {}, why};
}

// A work's number as its key: without blanks around it and, when it is all
// digits, without leading zeros ("000789" and "789" are one work).
std::string WithoutLeadingZeros(std::string_view id) {
    id = Trimmed(id);
    if (id.find_first_not_of("0123456789") != std::string_view::npos) return std::string(id);
    while (id.size() > 1 && id.front() == '0') id.remove_prefix(1);
    return std::string(id);
}

}  // namespace

std::string FoldForSearch(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    char32_t last = 0;
    std::size_t lastAt = 0;
    while (p < end) {
        char32_t u;
        std::size_t length = DecodeUtf8(p, end, u);
        if (length == 0) {
            u = 0xFFFD;
            length = 1;
        }
        p += length;
        if (u >= 0xFF01 && u <= 0xFF5E) u -= 0xFEE0;  // full-width ASCII
        if (u >= 'A' && u <= 'Z') u += 0x20;
        if (u == 0x3000 || u == '\t' || u == '\r' || u == '\n') u = ' ';
        if (u >= 0x30A1 && u <= 0x30F6) u -= 0x60;  // katakana
        if (u == 0x30FD || u == 0x30FE) u -= 0x60;  // ヽ ヾ
        if (u >= 0xFF66 && u <= 0xFF9D) u = kHalfWidthKana[u - 0xFF66];
        if ((u == 0xFF9E || u == 0xFF9F || u == 0x3099 || u == 0x309A) && TakesVoicedMark(last)) {
            // A voiced mark after its kana makes one character with it.
            const bool semi = u == 0xFF9F || u == 0x309A;
            const bool h = last >= 0x306F && last <= 0x307B;
            if (!semi || h) {
                u = last == 0x3046 ? char32_t{0x3094} : last + (semi ? 2 : 1);
                out.resize(lastAt);
            }
        }
        lastAt = out.size();
        last = u;
        AppendUtf8(out, u);
    }
    return out;
}

std::vector<std::string> SearchWords(std::string_view utf8) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : FoldForSearch(utf8)) {
        if (c == ' ') {
            if (!word.empty()) words.push_back(std::move(word));
            word.clear();
        } else {
            word.push_back(c);
        }
    }
    if (!word.empty()) words.push_back(std::move(word));
    return words;
}

std::string CatalogWork::Authors() const {
    std::string authors, others;
    for (const CatalogPerson& person : persons) {
        std::string& list = person.role == "著者" ? authors : others;
        if (!list.empty()) list += "、";
        list += person.name;
    }
    return authors.empty() ? others : authors;
}

Result<AozoraCatalog> AozoraCatalog::FromCsv(std::string_view csv) {
    auto damaged = [](const std::string& why) { return CatalogDamaged(why); };
    if (csv.size() > kMaxCatalogCsv)
        return Failure{FailureCode::CatalogTooLarge, {}, {}, 0, static_cast<long long>(csv.size()),
                       static_cast<long long>(kMaxCatalogCsv)};
    if (const std::size_t bad = FirstBadUtf8(csv); bad != std::string_view::npos)
        return damaged("it is not UTF-8 text (byte " + std::to_string(bad) + ")");

    CsvReader reader(csv);
    std::vector<std::string_view> fields;
    if (!reader.Next(fields)) return damaged(reader.Error().empty() ? "it is empty" : reader.Error());
    const std::size_t width = fields.size();
    std::size_t at[kColumns];
    for (int c = 0; c < kColumns; ++c) {
        const auto found = std::find(fields.begin(), fields.end(), std::string_view(kColumnNames[c]));
        if (found == fields.end()) return damaged(std::string("its first line names no column ") + kColumnNames[c]);
        at[c] = static_cast<std::size_t>(found - fields.begin());
    }

    AozoraCatalog catalog;
    // Aozora's rows take about 750 bytes: room for the works at once.
    catalog.byId_.reserve(csv.size() / 600 + 16);
    catalog.works_.reserve(csv.size() / 600 + 16);
    while (reader.Next(fields)) {
        if (fields.size() == 1 && fields[0].empty()) continue;  // an empty line
        if (fields.size() != width)
            return damaged("line " + std::to_string(reader.RowLine()) + " has " + std::to_string(fields.size()) +
                           " fields where the first line names " + std::to_string(width));
        std::string id = WithoutLeadingZeros(fields[at[kId]]);
        if (id.empty()) return damaged("line " + std::to_string(reader.RowLine()) + " gives no 作品ID");
        auto [entry, added] = catalog.byId_.try_emplace(std::move(id), catalog.works_.size());
        if (added) {
            CatalogWork& work = catalog.works_.emplace_back();
            work.id = entry->first;
            work.title = Trimmed(fields[at[kTitle]]);
            work.titleReading = Trimmed(fields[at[kTitleReading]]);
            work.sortReading = Trimmed(fields[at[kSortReading]]);
            work.subtitle = Trimmed(fields[at[kSubtitle]]);
            work.subtitleReading = Trimmed(fields[at[kSubtitleReading]]);
            work.kanaUse = Trimmed(fields[at[kKanaUse]]);
            work.published = Trimmed(fields[at[kPublished]]);
            work.textUrl = Trimmed(fields[at[kTextUrl]]);
        }
        CatalogWork& work = catalog.works_[entry->second];
        CatalogPerson person{Joined(fields[at[kFamilyName]], fields[at[kGivenName]]),
                             Joined(fields[at[kFamilyReading]], fields[at[kGivenReading]]),
                             std::string(Trimmed(fields[at[kRole]]))};
        if (!person.name.empty()) work.persons.push_back(std::move(person));
        // The Latin spelling is searched, not shown: kept after the reading.
        const std::string latin = Joined(fields[at[kFamilyLatin]], fields[at[kGivenLatin]]);
        if (!latin.empty() && !work.persons.empty()) work.persons.back().reading += '\x1F' + latin;
    }
    if (!reader.Error().empty()) return damaged(reader.Error());
    if (catalog.works_.empty()) return damaged("it lists no works");

    // Sorted by index, then moved once: a work is large to move about.
    auto number = [](const std::string& id) { return std::pair(id.size(), std::string_view(id)); };
    std::vector<std::size_t> order(catalog.works_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t i, std::size_t j) {
        const CatalogWork& a = catalog.works_[i];
        const CatalogWork& b = catalog.works_[j];
        if (a.sortReading != b.sortReading) return a.sortReading < b.sortReading;
        if (a.titleReading != b.titleReading) return a.titleReading < b.titleReading;
        return number(a.id) < number(b.id);
    });
    std::vector<CatalogWork> sorted;
    sorted.reserve(order.size());
    for (const std::size_t i : order) sorted.push_back(std::move(catalog.works_[i]));
    catalog.works_ = std::move(sorted);
    catalog.keys_.reserve(catalog.works_.size());
    for (std::size_t i = 0; i < catalog.works_.size(); ++i) {
        CatalogWork& work = catalog.works_[i];
        catalog.byId_[work.id] = i;
        // Each part ends with a line break, which folds to a space: no word
        // (words hold no spaces) matches across two parts.
        std::string key = work.title + '\n' + work.titleReading + '\n' + work.subtitle + '\n' + work.subtitleReading;
        for (CatalogPerson& person : work.persons) {
            const std::size_t latin = person.reading.find('\x1F');
            auto nameKey = [&](std::string_view name) {
                std::string whole;
                for (const char c : name) if (c != ' ') whole.push_back(c);
                return '\n' + std::string(name) + '\n' + whole;
            };
            key += nameKey(person.name) + nameKey(std::string_view(person.reading).substr(0, latin));
            if (latin != std::string::npos) {
                key += nameKey(std::string_view(person.reading).substr(latin + 1));
                person.reading.resize(latin);
            }
        }
        catalog.keys_.push_back(FoldForSearch(key));
    }
    return catalog;
}

Result<AozoraCatalog> AozoraCatalog::FromZip(std::string_view zipBytes) {
    ArchiveText archive = ReadArchiveFile(zipBytes, ".csv", kMaxCatalogCsv);
    if (archive.failure.code == FailureCode::ArchiveEntryTooLarge)
        return Failure{FailureCode::CatalogTooLarge, {}, {}, 0, archive.failure.count, archive.failure.limit};
    if (archive.status != ArchiveText::Status::Ok)
        return CatalogDamaged(EnglishText(archive.failure));
    return FromCsv(archive.bytes);
}

const CatalogWork* AozoraCatalog::Find(std::string_view id) const {
    const auto found = byId_.find(WithoutLeadingZeros(id));
    return found == byId_.end() ? nullptr : &works_[found->second];
}

std::vector<const CatalogWork*> AozoraCatalog::Search(const std::vector<std::string>& words) const {
    std::vector<std::string> folded;
    for (const std::string& word : words)
        for (std::string& part : SearchWords(word)) folded.push_back(std::move(part));
    std::vector<const CatalogWork*> found;
    if (folded.empty()) return found;
    for (std::size_t i = 0; i < works_.size(); ++i) {
        const std::string_view key = keys_[i];
        if (std::all_of(folded.begin(), folded.end(),
                        [&](const std::string& word) { return key.find(word) != std::string_view::npos; }))
            found.push_back(&works_[i]);
    }
    return found;
}

}  // namespace verdane::core
