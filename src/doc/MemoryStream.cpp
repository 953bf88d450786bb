#include "MemoryStream.h"

#include <algorithm>
#include <cstring>

namespace verdane {

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
    if (position_ >= bytes_.size()) return 0;
    const std::size_t n = std::min(count, bytes_.size() - position_);
    std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    return n;
}

void TMemoryStream::ReadBuffer(void* buffer, std::size_t count) {
    if (position_ > bytes_.size() || bytes_.size() - position_ < count)
        throw EReadError("stream read error: " + std::to_string(count) + " bytes wanted at position " +
                         std::to_string(position_) + " of a " + std::to_string(bytes_.size()) + "-byte stream");
    Read(buffer, count);
}

void TMemoryStream::Write(const void* buffer, std::size_t count) {
    if (count == 0) return;
    if (position_ > bytes_.size()) bytes_.resize(position_, '\0');
    const std::size_t overwrite = std::min(count, bytes_.size() - position_);
    bytes_.replace(position_, overwrite, static_cast<const char*>(buffer), count);
    position_ += count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
    std::int64_t base = origin == SeekOrigin::Begin     ? 0
                        : origin == SeekOrigin::Current ? static_cast<std::int64_t>(position_)
                                                        : static_cast<std::int64_t>(bytes_.size());
    const std::int64_t target = base + offset;
    if (target < 0) throw std::out_of_range("stream seek before the start");
    position_ = static_cast<std::size_t>(target);
    return target;
}

}  // namespace verdane
