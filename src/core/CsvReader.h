// Comma-separated values as spreadsheets and Aozora Bunko's catalogue write
// them: fields separated by ",", rows by CR LF or LF; a field in double quotes
// may hold commas, line breaks and doubled quotes (""). Used by the Aozora
// catalogue. On hostile input (a quote never closed, text after a closing
// quote) the reader stops with a reason naming the line; it never reads past
// the text it is given.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace verdane::core {

class CsvReader {
public:
    // `text` must outlive the reader and the fields it gives; a UTF-8
    // byte-order mark at its start is skipped.
    explicit CsvReader(std::string_view text);

    // The next row's fields, valid until the next call; false at the end of
    // the text, or when the row is malformed (Error() then says why). An empty
    // line is a row of one empty field; a line end after the last row ends it.
    bool Next(std::vector<std::string_view>& fields);

    // Why reading stopped early, or empty.
    const std::string& Error() const { return error_; }
    // The line (1-based) on which the row last returned starts.
    std::size_t RowLine() const { return rowLine_; }

private:
    bool Fail(std::string why);

    std::string_view text_;
    std::size_t at_ = 0;
    std::size_t line_ = 1;
    std::size_t rowLine_ = 0;
    std::string error_;
    // Quoted fields that held doubled quotes, written out without them; a
    // deque, so the fields already given keep their place as it grows.
    std::deque<std::string> unescaped_;
};

}  // namespace verdane::core
