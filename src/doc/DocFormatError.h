// The error raised for a malformed DOC database or compressed record: a record
// list that does not fit the file, a token cut off by the end of its record, a
// back-reference before the start of the text. Raised by TBuf::Decompress and
// DocToText; the message says what is wrong and where.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace verdane {

// The kind of damage, for callers that say it in their own words; `Record` the
// record it concerns (the file's size for TooShort, the count for RecordListCut).
enum class DocDamage { Other, TooShort, NoRecords, RecordListCut, RecordOutside, RecordOrder, Record0Cut, Record };

class EDocFormat : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    EDocFormat(DocDamage damage, std::size_t record, const std::string& message)
        : std::runtime_error(message), Damage(damage), Record(record) {}
    DocDamage Damage = DocDamage::Other;
    std::size_t Record = 0;
};

}  // namespace verdane
