#include "EditorPattern.h"

#include "Cp932Table.h"
#include "EditorCodec.h"
#include "ERegExpParser.h"
#include "FuzzyCharDic.h"
#include "TREPreProcessor.h"

#include <algorithm>

namespace verdane {

namespace {

// The code that stands for a character Shift-JIS lacks: CP932 leaves 0x8540
// unassigned, so only "." (or \x8540) matches it.
constexpr char kStandIn[] = "\x85\x40";

// CP932 codes of every BMP code point; 0 for none.
const std::vector<std::uint16_t>& EncodeTable() {
    static const std::vector<std::uint16_t> table = [] {
        std::vector<std::uint16_t> codes(0x10000, 0);
        for (char32_t cp = 1; cp < 0x10000; ++cp) {
            const int code = cp932::Encode(cp);
            if (code > 0) codes[cp] = static_cast<std::uint16_t>(code);
        }
        return codes;
    }();
    return table;
}

std::string Cp932(const QString& text) { return platform::EditorToBytes(text, false).bytes; }

// Letters of either case, each row a capital and its small letter, for every
// pair of letters CP932 holds (Latin, full-width, Greek, Cyrillic).
const regex::TREDictionary& CaseDictionary() {
    static const regex::TREDictionary dictionary = [] {
        std::vector<regex::TREDictionary::Row> rows;
        const auto& table = EncodeTable();
        for (char16_t c = 1; c < 0xFFFF; ++c) {
            const QChar upper(c);
            if (!table[c] || !upper.isUpper()) continue;
            const QChar lower = upper.toLower();
            if (lower == upper || !table[lower.unicode()]) continue;
            rows.push_back({Cp932(QString(upper)), Cp932(QString(lower))});
        }
        return regex::TREDictionary(std::move(rows));
    }();
    return dictionary;
}

// The fuzzy dictionary with its rows of letters split into capitals and small
// letters, for a fuzzy search that keeps the case.
const regex::TREDictionary& FuzzyKeepingCase() {
    static const regex::TREDictionary dictionary = [] {
        std::vector<regex::TREDictionary::Row> rows;
        for (const auto& row : regex::FuzzyCharDictionary().Rows()) {
            regex::TREDictionary::Row upper, lower, other;
            for (const std::string& entry : row) {
                const QString text = platform::BytesToEditor(entry);
                if (text.size() == 1 && text[0].isUpper()) upper.push_back(entry);
                else if (text.size() == 1 && text[0].isLower()) lower.push_back(entry);
                else other.push_back(entry);
            }
            if (upper.empty() || lower.empty()) {
                rows.push_back(row);
                continue;
            }
            rows.push_back(std::move(upper));
            rows.push_back(std::move(lower));
            if (!other.empty()) rows.push_back(std::move(other));
        }
        return regex::TREDictionary(std::move(rows));
    }();
    return dictionary;
}

// Where a pattern's fault is, in characters. The engine gives the 1-based byte
// it would have read next: the fault lies in the character before it, or at
// the end when scanning had passed the last byte (a missing ")" or "]").
QString FaultPlace(const std::string& written, std::size_t position) {
    if (position > written.size()) return QStringLiteral("末尾");
    const std::size_t faulty = position >= 2 ? position - 2 : 0;  // 0-based byte in the faulty character
    int at = 0;
    for (std::size_t start = 0; start < written.size() && start <= faulty; ++at)
        start += platform::CharacterLength(written, start);
    return QStringLiteral("%1 文字目").arg(std::max(at, 1));
}

QString PatternFault(const regex::ERegExpParser& e, const std::string& written) {
    return QStringLiteral("正規表現が正しくありません（%1）: %2")
        .arg(FaultPlace(written, e.Position()), QString::fromStdString(e.what()));
}

}  // namespace

EditorBytes::EditorBytes(QStringView text, int base) : base_(base) {
    const auto& table = EncodeTable();
    const char16_t* units = text.utf16();
    const qsizetype n = text.size();
    bytes_.reserve(static_cast<std::size_t>(n) * 2);
    offsets_.resize(static_cast<std::size_t>(n) + 1);
    for (qsizetype i = 0; i < n; ++i) {
        offsets_[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(bytes_.size());
        const char16_t c = units[i];
        if (c == u'\n' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator) {
            bytes_ += '\n';
        } else if (platform::IsEscapedByte(units, i)) {
            bytes_ += static_cast<char>(c - platform::kEscapedByteBase);
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(units[i + 1])) {
            // One stand-in for the pair; the low half lies inside it, where no
            // match starts or ends.
            bytes_ += kStandIn;
            offsets_[static_cast<std::size_t>(++i)] = static_cast<std::uint32_t>(bytes_.size() - 1);
        } else if (const std::uint16_t code = table[c]) {
            if (code > 0xFF) bytes_ += static_cast<char>(code >> 8);
            bytes_ += static_cast<char>(code & 0xFF);
        } else {
            bytes_ += kStandIn;
        }
    }
    offsets_.back() = static_cast<std::uint32_t>(bytes_.size());
}

int EditorBytes::StartOf(std::size_t byte) const {
    const auto it = std::upper_bound(offsets_.begin(), offsets_.end(), static_cast<std::uint32_t>(byte));
    return base_ + static_cast<int>(it - offsets_.begin()) - 1;
}

int EditorBytes::EndOf(std::size_t byte) const {
    const auto it = std::lower_bound(offsets_.begin(), offsets_.end(), static_cast<std::uint32_t>(byte));
    return base_ + static_cast<int>(it - offsets_.begin());
}

EditorPattern::EditorPattern(const QString& what, bool isPattern, bool fuzzy, bool matchCase)
    : awk_(std::make_unique<regex::TAWKStr>()), isPattern_(isPattern) {
    awk_->LineSeparator = regex::mcls_LF;
    const platform::EncodeResult encoded = platform::EditorToBytes(what, false);
    if (encoded.unencodable > 0)
        throw SearchProblem(QStringLiteral("「%1」は Shift-JIS にない文字を含むので、正規表現やあいまいでは探せません")
                                .arg(what));
    const std::string written = isPattern ? encoded.bytes : regex::TREPreProcessor::EscapeMetaChars(encoded.bytes);

    // Case and fuzziness are dictionaries of the preprocessor: each written
    // character outside [...] also matches the other texts of its row.
    regex::TREDictionaryList& dictionaries = awk_->FuzzyCharDic();
    dictionaries.clear();
    if (fuzzy && matchCase) dictionaries.push_back(&FuzzyKeepingCase());
    if (fuzzy && !matchCase) dictionaries.push_back(&regex::FuzzyCharDictionary());
    if (!matchCase) dictionaries.push_back(&CaseDictionary());
    try {
        awk_->SetUseFuzzyCharDic(!dictionaries.empty());
        awk_->SetRegExp(written);
    } catch (const regex::ERegExpParser& e) {
        // The rewritten pattern's positions are not the user's: the pattern as
        // written tells where its fault is.
        regex::TAWKStr plain;
        try {
            plain.SetRegExp(written);
        } catch (const regex::ERegExpParser& own) {
            throw SearchProblem(PatternFault(own, written));
        }
        throw SearchProblem(QStringLiteral("正規表現が正しくありません: %1").arg(QString::fromStdString(e.what())));
    }
}

QString EditorPattern::Replacement(const QString& replacement, QStringView matched) const {
    if (!isPattern_) return replacement;
    const platform::EncodeResult encoded = platform::EditorToBytes(replacement, false);
    if (encoded.unencodable > 0)
        throw SearchProblem(QStringLiteral("置換後の文字列に Shift-JIS にない文字があるので、正規表現では置換できません"));
    try {
        // The matched text goes in as it stands in the editor, characters
        // Shift-JIS lacks included: the engine expands the replacement around
        // a stand-in that is then replaced by it.
        const std::string without = regex::TAWKStr::ExpandReplacement(encoded.bytes, {});
        const std::string expanded = regex::TAWKStr::ExpandReplacement(encoded.bytes, kStandIn);
        if (without.find(kStandIn) != std::string::npos)
            return platform::BytesToEditor(
                regex::TAWKStr::ExpandReplacement(encoded.bytes, EditorBytes(matched, 0).Bytes()));
        QString out;
        std::size_t at = 0;
        for (std::size_t mark; (mark = expanded.find(kStandIn, at)) != std::string::npos; at = mark + 2) {
            out += platform::BytesToEditor(std::string_view(expanded).substr(at, mark - at));
            out += matched;
        }
        out += platform::BytesToEditor(std::string_view(expanded).substr(at));
        return out;
    } catch (const regex::ERegExpParser& e) {
        throw SearchProblem(QStringLiteral("置換後の文字列が正しくありません: %1").arg(QString::fromStdString(e.what())));
    }
}

}  // namespace verdane
