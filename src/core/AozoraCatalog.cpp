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
#include <memory>
#include <unordered_map>

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
std::string_view WithoutLeadingZeros(std::string_view id) {
    id = Trimmed(id);
    if (id.find_first_not_of("0123456789") != std::string_view::npos) return id;
    while (id.size() > 1 && id.front() == '0') id.remove_prefix(1);
    return id;
}

// Numbers in their order: shorter first, then as text (so "99" before "100").
bool NumberBefore(std::string_view a, std::string_view b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

// The catalogue's texts, copied into blocks of 1 MB that never move, so the
// works can view them however the catalogue is moved about; a text longer
// than a block gets a block of its own.
class TextStore {
public:
    explicit TextStore(std::vector<std::unique_ptr<char[]>>& blocks) : blocks_(blocks) {}
    std::string_view Add(std::string_view text) {
        if (text.empty()) return {};
        if (text.size() > room_) {
            room_ = std::max(kBlock, text.size());
            blocks_.push_back(std::make_unique_for_overwrite<char[]>(room_));
            at_ = blocks_.back().get();
        }
        std::memcpy(at_, text.data(), text.size());
        const std::string_view stored(at_, text.size());
        at_ += text.size();
        room_ -= text.size();
        return stored;
    }

private:
    static constexpr std::size_t kBlock = std::size_t{1} << 20;
    std::vector<std::unique_ptr<char[]>>& blocks_;
    char* at_ = nullptr;
    std::size_t room_ = 0;
};

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
    TextStore store(catalog.blocks_);
    // While the rows are read: each work's place by its number, its sort
    // reading, and the persons with the work they belong to and their Latin
    // spelling (searched, not shown). A work's rows need not be together.
    std::unordered_map<std::string_view, std::uint32_t> byId;
    std::vector<std::string_view> sortReadings, latins;
    std::vector<std::uint32_t> personOf;
    std::vector<CatalogPerson> persons;
    // No more works than lines: room for them at once, so the list is never
    // copied to grow (which would hold it twice).
    const std::size_t lines = static_cast<std::size_t>(std::count(csv.begin(), csv.end(), '\n')) + 1;
    catalog.works_.reserve(lines);
    sortReadings.reserve(lines);
    byId.reserve(lines);
    std::string joined;
    auto join = [&](std::string_view a, std::string_view b) {
        joined = Joined(a, b);
        return store.Add(joined);
    };
    while (reader.Next(fields)) {
        if (fields.size() == 1 && fields[0].empty()) continue;  // an empty line
        if (fields.size() != width)
            return damaged("line " + std::to_string(reader.RowLine()) + " has " + std::to_string(fields.size()) +
                           " fields where the first line names " + std::to_string(width));
        const std::string_view id = WithoutLeadingZeros(fields[at[kId]]);
        if (id.empty()) return damaged("line " + std::to_string(reader.RowLine()) + " gives no 作品ID");
        auto found = byId.find(id);
        if (found == byId.end()) {
            if (catalog.works_.size() == UINT32_MAX) return damaged("it lists too many works");
            CatalogWork& work = catalog.works_.emplace_back();
            work.id = store.Add(id);
            work.title = store.Add(Trimmed(fields[at[kTitle]]));
            work.titleReading = store.Add(Trimmed(fields[at[kTitleReading]]));
            work.subtitle = store.Add(Trimmed(fields[at[kSubtitle]]));
            work.subtitleReading = store.Add(Trimmed(fields[at[kSubtitleReading]]));
            work.kanaUse = store.Add(Trimmed(fields[at[kKanaUse]]));
            work.published = store.Add(Trimmed(fields[at[kPublished]]));
            work.textUrl = store.Add(Trimmed(fields[at[kTextUrl]]));
            sortReadings.push_back(store.Add(Trimmed(fields[at[kSortReading]])));
            found = byId.emplace(work.id, static_cast<std::uint32_t>(catalog.works_.size() - 1)).first;
        }
        CatalogPerson person{join(fields[at[kFamilyName]], fields[at[kGivenName]]),
                             join(fields[at[kFamilyReading]], fields[at[kGivenReading]]),
                             store.Add(Trimmed(fields[at[kRole]]))};
        if (person.name.empty()) continue;
        persons.push_back(person);
        personOf.push_back(found->second);
        latins.push_back(join(fields[at[kFamilyLatin]], fields[at[kGivenLatin]]));
    }
    if (!reader.Error().empty()) return damaged(reader.Error());
    if (catalog.works_.empty()) return damaged("it lists no works");
    std::unordered_map<std::string_view, std::uint32_t>().swap(byId);

    // Sorted by index, then each work moved once into its place.
    std::vector<CatalogWork>& works = catalog.works_;
    const std::uint32_t count = static_cast<std::uint32_t>(works.size());
    std::vector<std::uint32_t> order(count);
    for (std::uint32_t i = 0; i < count; ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::uint32_t i, std::uint32_t j) {
        if (sortReadings[i] != sortReadings[j]) return sortReadings[i] < sortReadings[j];
        if (works[i].titleReading != works[j].titleReading) return works[i].titleReading < works[j].titleReading;
        return NumberBefore(works[i].id, works[j].id);
    });
    std::vector<std::string_view>().swap(sortReadings);
    std::vector<std::uint32_t> placeOf(count);
    for (std::uint32_t i = 0; i < count; ++i) placeOf[order[i]] = i;
    // In place, one cycle of the permutation after another: no second list.
    for (std::uint32_t start = 0; start < count; ++start) {
        if (order[start] == start) continue;
        CatalogWork held = works[start];
        std::uint32_t j = start;
        for (;;) {
            const std::uint32_t from = order[j];
            order[j] = j;
            if (from == start) {
                works[j] = held;
                break;
            }
            works[j] = works[from];
            j = from;
        }
    }
    std::vector<std::uint32_t>().swap(order);

    // Each work's persons together, in the order of the catalogue's rows.
    std::vector<std::uint32_t> first(count + 1, 0);
    for (const std::uint32_t work : personOf) ++first[placeOf[work] + 1];
    for (std::uint32_t i = 0; i < count; ++i) first[i + 1] += first[i];
    catalog.persons_.resize(persons.size());
    std::vector<std::string_view> latinOf(persons.size());
    {
        std::vector<std::uint32_t> next(first.begin(), first.end() - 1);
        for (std::size_t p = 0; p < persons.size(); ++p) {
            const std::uint32_t slot = next[placeOf[personOf[p]]]++;
            catalog.persons_[slot] = persons[p];
            latinOf[slot] = latins[p];
        }
    }
    std::vector<CatalogPerson>().swap(persons);
    std::vector<std::string_view>().swap(latins);

    catalog.keys_.resize(count);
    std::string key;
    auto nameKey = [&key](std::string_view name) {
        key += '\n';
        key += name;
        key += '\n';
        for (const char c : name)
            if (c != ' ') key.push_back(c);
    };
    for (std::uint32_t i = 0; i < count; ++i) {
        CatalogWork& work = works[i];
        work.persons = std::span<const CatalogPerson>(catalog.persons_.data() + first[i], first[i + 1] - first[i]);
        // Each part ends with a line break, which folds to a space: no word
        // (words hold no spaces) matches across two parts.
        key.clear();
        key.append(work.title).append(1, '\n').append(work.titleReading).append(1, '\n');
        key.append(work.subtitle).append(1, '\n').append(work.subtitleReading);
        for (std::uint32_t p = first[i]; p < first[i + 1]; ++p) {
            nameKey(catalog.persons_[p].name);
            nameKey(catalog.persons_[p].reading);
            if (!latinOf[p].empty()) nameKey(latinOf[p]);
        }
        catalog.keys_[i] = store.Add(FoldForSearch(key));
    }
    catalog.byId_.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) catalog.byId_[i] = i;
    std::sort(catalog.byId_.begin(), catalog.byId_.end(),
              [&works](std::uint32_t a, std::uint32_t b) { return NumberBefore(works[a].id, works[b].id); });
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
    id = WithoutLeadingZeros(id);
    const auto found = std::lower_bound(byId_.begin(), byId_.end(), id, [this](std::uint32_t work, std::string_view wanted) {
        return NumberBefore(works_[work].id, wanted);
    });
    return found == byId_.end() || works_[*found].id != id ? nullptr : &works_[*found];
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
