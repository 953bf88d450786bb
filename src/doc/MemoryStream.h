// A growable in-memory byte stream with a position, the stream that TextToDoc
// and DocToText read and write. Callers load a file into one before decoding and
// write one out after encoding. Reading past the end with ReadBuffer raises
// EReadError; Read returns what is there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace verdane {

// An exact read found fewer bytes than it needed (a truncated file).
class EReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class SeekOrigin { Begin, Current, End };

class TMemoryStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}

    // Copies up to `count` bytes from the position into `buffer`; returns how many.
    std::size_t Read(void* buffer, std::size_t count);
    // Copies exactly `count` bytes or raises EReadError without moving the position.
    void ReadBuffer(void* buffer, std::size_t count);
    // Writes at the position, overwriting and then extending the stream.
    void Write(const void* buffer, std::size_t count);
    void Write(std::string_view bytes) { Write(bytes.data(), bytes.size()); }
    // Moves the position; a position past the end is allowed (a write there fills
    // the gap with zero bytes), a negative one raises std::out_of_range.
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin = SeekOrigin::Begin);

    // Makes room for `capacity` bytes so that writes up to that size do not
    // copy the stream again.
    void Reserve(std::size_t capacity) { bytes_.reserve(capacity); }

    std::size_t Position() const { return position_; }
    std::size_t Size() const { return bytes_.size(); }
    const std::string& Bytes() const { return bytes_; }
    std::string TakeBytes() {
        position_ = 0;
        return std::move(bytes_);
    }

private:
    std::string bytes_;
    std::size_t position_ = 0;
};

}  // namespace verdane
