// A source whose allocation ends 15 bytes after its last row, followed by an
// inaccessible page: the vector bodies may read into that slack, never past
// it, so an over-read faults at once.

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "TestImage.h"
#include "pixel/Blit.h"
#include "pixel/IImage.h"
#include "pixel/Image.h"
#include "pixel/KernelPath.h"

namespace tessary::test {
namespace {

// An IImage over mapped memory: rows, then exactly Image::kSlackBytes, then a
// PROT_NONE page.
class FencedImage : public IImage {
public:
    FencedImage(int32_t width, int32_t height, PixelFormat format)
        : width_(width), height_(height), format_(format), pitch_(width * bytesPerPixel(format)) {
        const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        const std::size_t bytes = static_cast<std::size_t>(pitch_) * static_cast<std::size_t>(height) + Image::kSlackBytes;
        const std::size_t dataPages = (bytes + page - 1) / page;
        length_ = (dataPages + 1) * page;
        void* mapped = mmap(nullptr, length_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) throw std::runtime_error("mmap failed");
        mapping_ = static_cast<uint8_t*>(mapped);
        if (mprotect(mapping_ + dataPages * page, page, PROT_NONE) != 0) throw std::runtime_error("mprotect failed");
        data_ = mapping_ + dataPages * page - bytes;
        for (std::size_t i = 0; i < bytes; ++i) data_[i] = static_cast<uint8_t>(i * 37 + 11);
    }
    ~FencedImage() override { munmap(mapping_, length_); }
    FencedImage(const FencedImage&) = delete;
    FencedImage& operator=(const FencedImage&) = delete;

    int32_t getWidth() const override { return width_; }
    int32_t getHeight() const override { return height_; }
    PixelFormat getFormat() const override { return format_; }
    int32_t getPitch() const override { return pitch_; }
    uint8_t* lock() override { return data_; }
    const uint8_t* lock() const override { return data_; }
    void unlock() override {}
    void unlock() const override {}

private:
    int32_t width_;
    int32_t height_;
    PixelFormat format_;
    int32_t pitch_;
    std::size_t length_ = 0;
    uint8_t* mapping_ = nullptr;
    uint8_t* data_ = nullptr;
};

TEST(GuardedSource, NoPathReadsPastTheSlack) {
    for (int32_t p = 0; p < kKernelPathCount; ++p) {
        const auto path = static_cast<KernelPath>(p);
        if (!isKernelPathSupported(path)) continue;
        for (int32_t f = 0; f < kPixelFormatCount; ++f) {
            const auto format = static_cast<PixelFormat>(f);
            for (int32_t width = 1; width <= 40; ++width) {
                const FencedImage source(width, 2, format);
                // Every target alignment, so that the last group of 8 ends on
                // the last source pixel in some of them.
                for (std::size_t alignment = 0; alignment < 16; alignment += 4) {
                    TestImage target(48, 2, PixelFormat::Bgrx32, alignment);
                    for (const uint8_t opacity : {uint8_t{255}, uint8_t{100}}) {
                        blit(path, {0, 0}, nullptr, source, target, BlendMode::Add, {0, 0, width, 2}, opacity);
                        blit(path, {0, 0}, nullptr, source, target, BlendMode::Normal, {1, 0, width + 1, 2}, opacity);
                    }
                    // Only the source's last row and its right part.
                    blit(path, {width / 2, 1}, nullptr, source, target, BlendMode::Normal, {3, 0, 3 + width, 1}, 255);
                }
            }
        }
    }
    SUCCEED();
}

}  // namespace
}  // namespace tessary::test
