#include "io/MemoryStreamReader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "thread/Exception.h"

namespace tessary {

namespace {

[[noreturn]] void throwBadPosition(const char* method) {
    throw IoException(formatMessage("Invalid seek position in %s method.", method));
}

}  // namespace

MemoryStreamReader::MemoryStreamReader(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

MemoryStreamReader::MemoryStreamReader(const void* bytes, std::size_t size)
    : bytes_(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + size) {}

std::size_t MemoryStreamReader::readImpl(void* buffer, std::size_t size) {
    const int64_t length = getLengthImpl();
    const int64_t position = getCursorImpl();
    if (size == 0 || position >= length) return 0;
    const std::size_t count = std::min(size, static_cast<std::size_t>(length - position));
    std::memcpy(buffer, bytes_.data() + position, count);
    position_ = position + static_cast<int64_t>(count);
    return count;
}

std::size_t MemoryStreamReader::skipImpl(std::size_t count) {
    const int64_t before = getCursorImpl();
    const uint64_t room = uint64_t(std::numeric_limits<int64_t>::max() - before);
    if (count > room) throwBadPosition("tessary::MemoryStreamReader::skipImpl");
    seekImpl(static_cast<int64_t>(count), SeekOrigin::Current);
    return count;
}

bool MemoryStreamReader::isEofImpl() { return getCursorImpl() == getLengthImpl(); }

void MemoryStreamReader::seekImpl(int64_t distance, SeekOrigin origin) {
    int64_t base = position_;
    if (origin == SeekOrigin::Begin) base = 0;
    if (origin == SeekOrigin::End) base = static_cast<int64_t>(bytes_.size());
    // base is never negative, so only a positive distance can overflow.
    if (distance > std::numeric_limits<int64_t>::max() - base || base + distance < 0)
        throwBadPosition("tessary::MemoryStreamReader::seekImpl");
    position_ = base + distance;
}

int64_t MemoryStreamReader::getCursorImpl() { return position_; }

int64_t MemoryStreamReader::getLengthImpl() { return static_cast<int64_t>(bytes_.size()); }

}  // namespace tessary
