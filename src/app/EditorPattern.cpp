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

// Whether CP932 holds the character: U+0000 never stands in a pattern's text.
bool InCp932(char16_t c) { return c != 0 && cp932::Codes()[c] != cp932::kNone; }

std::string Cp932(const QString& text) { return platform::EditorToBytes(text, false).bytes; }

// Letters of either case, each row a capital and its small letter, for every
// pair of letters CP932 holds (Latin, full-width, Greek, Cyrillic).
const regex::TREDictionary& CaseDictionary() {
    static const regex::TREDictionary dictionary = [] {
        std::vector<regex::TREDictionary::Row> rows;
        for (char16_t c = 1; c < 0xFFFF; ++c) {
            const QChar upper(c);
            if (!InCp932(c) || !upper.isUpper()) continue;
            const QChar lower = upper.toLower();
            if (lower == upper || !InCp932(lower.unicode())) continue;
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
    const std::uint16_t* const table = cp932::Codes();
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
        } else if (const std::uint16_t code = table[c]; code != cp932::kNone && c != 0) {
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

EditorPattern::MatchEdges EditorPattern::EdgesIn(QStringView text, qsizetype start, qsizetype end) {
    auto lineBreak = [](QChar c) {
        return c == u'\n' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
    };
    return {start <= 0 || lineBreak(text[start - 1]), end >= text.size() || lineBreak(text[end])};
}

QString EditorPattern::Replacement(const QString& replacement, QStringView matched, MatchEdges edges) const {
    if (!isPattern_) return replacement;
    const platform::EncodeResult encoded = platform::EditorToBytes(replacement, false);
    if (encoded.unencodable > 0)
        throw SearchProblem(QStringLiteral("置換後の文字列に Shift-JIS にない文字があるので、正規表現では置換できません"));
    std::vector<regex::TReplacementPiece> pieces;
    try {
        pieces = regex::TAWKStr::ParseReplacement(encoded.bytes);
    } catch (const regex::ERegExpParser& e) {
        throw SearchProblem(QStringLiteral("置換後の文字列が正しくありません: %1").arg(QString::fromStdString(e.what())));
    }
    // The match and its groups go in as they stand in the editor, characters
    // Shift-JIS lacks included: the groups are found in the match's bytes and
    // mapped back to its characters. A byte around the match gives "^" and "$"
    // the line they would see in the whole text.
    const EditorBytes bytes(matched, 0);
    regex::TMatchGroups groups;
    if (regex::TAWKStr::NamesGroups(pieces)) {
        const std::string before = edges.lineStart ? "" : "x";
        const std::string text = before + bytes.Bytes() + (edges.lineEnd ? "" : "x");
        groups = awk_->Groups(text, {before.size(), before.size() + bytes.Bytes().size()});
        for (auto& g : groups)
            if (g) *g = {g->start - before.size(), g->end - before.size()};
    }
    groups[0] = regex::TMatchRange{0, bytes.Bytes().size()};
    QString out;
    for (const auto& piece : pieces) {
        if (piece.group < 0) {
            out += platform::BytesToEditor(piece.text);
        } else if (const auto& g = groups[static_cast<std::size_t>(piece.group)]) {
            const int from = bytes.StartOf(g->start);
            out += matched.mid(from, bytes.EndOf(g->end) - from);
        }
    }
    return out;
}

}  // namespace verdane
