// The error raised for a malformed DOC database or compressed record: a record
// list that does not fit the file, a token cut off by the end of its record, a
// back-reference before the start of the text. Raised by TBuf::Decompress and
// DocToText; the message says what is wrong and where.
#pragma once

#include <stdexcept>

namespace verdane {

class EDocFormat : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace verdane
