// Fuzz target: any bytes read as CSV and as Aozora's catalogue. Reading must
// end without reading outside the text; rows read without a fault, written
// back with every field quoted, must read back as the same rows.
#include "AozoraCatalog.h"
#include "CsvReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows Read(std::string_view text, bool& ok) {
    verdane::core::CsvReader reader(text);
    Rows rows;
    std::vector<std::string_view> fields;
    while (reader.Next(fields)) rows.emplace_back(fields.begin(), fields.end());
    ok = reader.Error().empty();
    return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    bool ok = false;
    const Rows rows = Read(text, ok);
    if (ok) {
        std::string written;
        for (const auto& row : rows) {
            for (std::size_t i = 0; i < row.size(); ++i) {
                written += i == 0 ? "\"" : ",\"";
                for (const char c : row[i]) written += c == '"' ? std::string("\"\"") : std::string(1, c);
                written += '"';
            }
            written += "\r\n";
        }
        bool again = false;
        if (Read(written, again) != rows || !again) __builtin_trap();
    }
    const auto catalog = verdane::core::AozoraCatalog::FromCsv(text);
    if (catalog) {
        for (const auto& work : catalog->Works())
            if (catalog->Find(work.id) != &work) __builtin_trap();
        catalog->Search(verdane::core::SearchWords(text.substr(0, 16)));
    }
    return 0;
}
