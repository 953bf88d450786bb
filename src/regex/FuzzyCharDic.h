// The dictionaries of TREPreProcessor: rows of texts that count as the same, and
// the built-in fuzzy character dictionary (full-width and half-width forms,
// hiragana and katakana, voiced kana, ...). Entry point: FuzzyCharDictionary().
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace verdane::regex {

// An ordered list of rows; a row is an ordered list of non-empty CP932 texts.
class TREDictionary {
public:
    using Row = std::vector<std::string>;
    explicit TREDictionary(std::vector<Row> rows);

    const std::vector<Row>& Rows() const { return rows_; }

    // (row, entry) indexes of the entries whose first character is `code`, in
    // row order and then entry order (the order in which they are tried).
    const std::vector<std::pair<std::uint32_t, std::uint32_t>>& Candidates(std::uint16_t code) const;

private:
    std::vector<Row> rows_;
    std::unordered_map<std::uint16_t, std::vector<std::pair<std::uint32_t, std::uint32_t>>> byFirstCode_;
};

// Splits comma text: entries separated by commas, blanks around them skipped, an
// entry in double quotes may hold blanks, commas and doubled double quotes.
std::vector<std::string> ParseCommaText(std::string_view text);

// The 145-row fuzzy character dictionary, built on first use and kept for the
// life of the program. Rows are stored as comma text in UTF-8 and converted to
// CP932 once.
const TREDictionary& FuzzyCharDictionary();

}  // namespace verdane::regex
