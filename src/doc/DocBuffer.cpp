// TBuf's record operations other than the compressor (DocCompress.cpp): the
// decompressor and the two line-break conversions.
#include "DocBuffer.h"

#include "DocFormatError.h"

#include <cstring>
#include <string>

namespace verdane {

namespace {

constexpr std::uint8_t kCR = 0x0D;
constexpr std::uint8_t kLF = 0x0A;

}  // namespace

void TBuf::Create(std::size_t size) { data_.assign(size, '\0'); }

void TBuf::SetData(const void* bytes, std::size_t count) {
    data_.assign(static_cast<const char*>(bytes), count);
}

int TBuf::Decompress() {
    const auto* in = reinterpret_cast<const std::uint8_t*>(data_.data());
    const std::size_t size = data_.size();
    // A token expands at most fivefold (two bytes to ten); the slack lets short
    // copies move whole eight-byte words. The work area only ever grows, so a
    // TBuf that decodes record after record allocates once.
    if (work_.size() < size * 5 + 16) work_.resize(size * 5 + 16);
    auto* o = reinterpret_cast<std::uint8_t*>(work_.data());
    std::size_t pos = 0;
    std::size_t n = 0;
    while (pos < size) {
        const std::uint8_t c = in[pos++];
        if (c >= 0x09 && c <= 0x7F) {
            o[n++] = c;
        } else if (c - 1u < 8u) {
            if (size - pos < c)
                throw EDocFormat("compressed record cut off inside a literal run at byte " + std::to_string(pos - 1));
            if (size - pos >= 8)
                std::memcpy(o + n, in + pos, 8);
            else
                std::memcpy(o + n, in + pos, c);
            n += c;
            pos += c;
        } else if (c >= 0xC0) {
            o[n++] = 0x20;
            o[n++] = c ^ 0x80;
        } else if (c >= 0x80) {
            if (pos >= size)
                throw EDocFormat("compressed record cut off inside a back-reference at byte " +
                                 std::to_string(pos - 1));
            const unsigned v = (static_cast<unsigned>(c) << 8) | in[pos++];
            const std::size_t distance = (v & 0x3FFF) >> 3;
            const std::size_t length = (v & 7) + 3;
            if (distance == 0 || distance > n)
                throw EDocFormat("compressed record has a back-reference of distance " + std::to_string(distance) +
                                 " at byte " + std::to_string(pos - 2) + " where only " + std::to_string(n) +
                                 " bytes precede it");
            std::uint8_t* dst = o + n;
            const std::uint8_t* src = dst - distance;
            if (distance >= 8) {
                // Each word is read after the bytes it repeats were written.
                std::memcpy(dst, src, 8);
                std::memcpy(dst + 8, src + 8, 8);
            } else {
                for (std::size_t t = 0; t < length; ++t) dst[t] = src[t];
            }
            n += length;
        } else {
            o[n++] = 0x00;
        }
    }
    data_.assign(work_.data(), n);
    return static_cast<int>(n);
}

int TBuf::NormalizeLineBreaks() {
    const std::size_t size = data_.size();
    std::string out;
    out.reserve(size);
    for (std::size_t k = 0; k < size; ++k) {
        const auto b = static_cast<std::uint8_t>(data_[k]);
        if (b <= 0x08) continue;
        if (b == kCR) {
            if (k + 1 < size && static_cast<std::uint8_t>(data_[k + 1]) == kLF) continue;
            out += static_cast<char>(kLF);
        } else {
            out += static_cast<char>(b);
        }
    }
    data_ = std::move(out);
    return static_cast<int>(data_.size());
}

int TBuf::ExpandLineBreaks() {
    std::string out;
    out.reserve(data_.size() + data_.size() / 16);
    for (const char c : data_) {
        if (c == static_cast<char>(kLF)) out += static_cast<char>(kCR);
        out += c;
    }
    data_ = std::move(out);
    return static_cast<int>(data_.size());
}

}  // namespace verdane
