// The CSV reader: one pass over the text. Unquoted fields and quoted fields
// without doubled quotes are views of the text itself; only fields with
// doubled quotes are copied.
#include "CsvReader.h"

#include <algorithm>
#include <cstring>

namespace verdane::core {

CsvReader::CsvReader(std::string_view text) : text_(text) {
    if (text_.starts_with("\xEF\xBB\xBF")) at_ = 3;
}

bool CsvReader::Fail(std::string why) {
    error_ = "line " + std::to_string(line_) + ": " + why;
    at_ = text_.size();
    return false;
}

bool CsvReader::Next(std::vector<std::string_view>& fields) {
    fields.clear();
    if (at_ >= text_.size() || !error_.empty()) return false;
    rowLine_ = line_;
    const std::size_t size = text_.size();
    const char* const data = text_.data();
    std::size_t copies = 0;
    for (;;) {
        if (at_ < size && data[at_] == '"') {
            const std::size_t from = ++at_;
            bool doubled = false;
            for (;;) {
                const void* quote = std::memchr(data + at_, '"', size - at_);
                if (quote == nullptr) return Fail("a quoted field is not closed");
                const auto q = static_cast<std::size_t>(static_cast<const char*>(quote) - data);
                line_ += static_cast<std::size_t>(std::count(data + at_, data + q, '\n'));
                at_ = q + 1;
                if (at_ < size && data[at_] == '"') {
                    doubled = true;
                    ++at_;
                    continue;
                }
                break;
            }
            const std::string_view raw(data + from, at_ - 1 - from);
            if (!doubled) {
                fields.push_back(raw);
            } else {
                if (copies == unescaped_.size()) unescaped_.emplace_back();
                std::string& field = unescaped_[copies++];
                field.clear();
                for (std::size_t i = 0; i < raw.size(); ++i) {
                    field.push_back(raw[i]);
                    if (raw[i] == '"') ++i;  // the second of a pair
                }
                fields.push_back(field);
            }
            if (at_ >= size) return true;
            if (data[at_] == ',') {
                ++at_;
                continue;
            }
            if (data[at_] == '\n' || (data[at_] == '\r' && at_ + 1 < size && data[at_ + 1] == '\n')) {
                at_ += data[at_] == '\r' ? 2 : 1;
                ++line_;
                return true;
            }
            return Fail("text follows a quoted field's closing quote");
        }
        const std::size_t from = at_;
        while (at_ < size && data[at_] != ',' && data[at_] != '\n') ++at_;
        std::size_t end = at_;
        if (at_ < size && data[at_] == '\n' && end > from && data[end - 1] == '\r') --end;
        fields.emplace_back(data + from, end - from);
        if (at_ >= size) return true;
        if (data[at_++] == ',') continue;
        ++line_;
        return true;
    }
}

}  // namespace verdane::core
