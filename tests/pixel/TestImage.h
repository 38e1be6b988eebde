#pragma once
// An IImage over a plain byte vector whose rows start at a chosen distance
// from a 16-byte boundary, with a chosen pitch. It counts lock/unlock pairs so
// tests can see that every access was bracketed.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pixel/IImage.h"
#include "pixel/PixelFormat.h"

namespace tessary::test {

class TestImage : public IImage {
public:
    // Row 0 starts `alignment` bytes past a multiple of 16; pitch 0 means tight rows.
    TestImage(int32_t width, int32_t height, PixelFormat format, std::size_t alignment = 0, int32_t pitch = 0)
        : width_(width),
          height_(height),
          format_(format),
          pitch_(pitch != 0 ? pitch : width * bytesPerPixel(format)),
          alignment_(alignment),
          storage_(static_cast<std::size_t>(pitch_) * static_cast<std::size_t>(height > 0 ? height : 0) + 64) {
        placeRows();
    }

    // A copy keeps the pixels and the alignment (not the lock counts): the
    // rounding of every pixel depends on where its row lies.
    TestImage(const TestImage& other)
        : IImage(other),
          width_(other.width_),
          height_(other.height_),
          format_(other.format_),
          pitch_(other.pitch_),
          alignment_(other.alignment_),
          storage_(other.storage_.size()) {
        placeRows();
        std::copy(other.data(), other.data() + (other.storage_.size() - 32), data());
    }
    TestImage& operator=(const TestImage&) = delete;

    int32_t getWidth() const override { return width_; }
    int32_t getHeight() const override { return height_; }
    PixelFormat getFormat() const override { return format_; }
    int32_t getPitch() const override { return pitch_; }

    uint8_t* lock() override {
        ++writeLocks_;
        return data();
    }
    const uint8_t* lock() const override {
        ++readLocks_;
        return data();
    }
    void unlock() override { ++writeUnlocks_; }
    void unlock() const override { ++readUnlocks_; }

    uint8_t* data() { return storage_.data() + offset_; }
    const uint8_t* data() const { return storage_.data() + offset_; }
    uint8_t* pixel(int32_t x, int32_t y) {
        return data() + static_cast<std::ptrdiff_t>(y) * pitch_ + static_cast<std::ptrdiff_t>(x) * bytesPerPixel(format_);
    }
    const uint8_t* pixel(int32_t x, int32_t y) const {
        return data() + static_cast<std::ptrdiff_t>(y) * pitch_ + static_cast<std::ptrdiff_t>(x) * bytesPerPixel(format_);
    }
    // All bytes of all rows, including any padding up to the pitch.
    std::vector<uint8_t> bytes() const {
        return std::vector<uint8_t>(data(), data() + static_cast<std::size_t>(pitch_) * static_cast<std::size_t>(height_));
    }
    void setBytes(const std::vector<uint8_t>& bytes) { std::copy(bytes.begin(), bytes.end(), data()); }

    int writeLocks() const { return writeLocks_; }
    int writeUnlocks() const { return writeUnlocks_; }
    int readLocks() const { return readLocks_; }
    int readUnlocks() const { return readUnlocks_; }

private:
    void placeRows() {
        const auto address = reinterpret_cast<std::uintptr_t>(storage_.data());
        offset_ = ((16 - address % 16) % 16) + alignment_;
    }

    int32_t width_;
    int32_t height_;
    PixelFormat format_;
    int32_t pitch_;
    std::size_t alignment_;
    std::vector<uint8_t> storage_;
    std::size_t offset_ = 0;
    int writeLocks_ = 0;
    int writeUnlocks_ = 0;
    mutable int readLocks_ = 0;
    mutable int readUnlocks_ = 0;
};

}  // namespace tessary::test
