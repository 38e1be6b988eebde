// Image's two constructors, its size checks, and MemoryHelper's page placement.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>

#include "pixel/Image.h"
#include "pixel/MemoryHelper.h"

namespace tessary {
namespace {

TEST(AllocatedImage, PitchIsWidthTimesBytesPerPixel) {
    struct Case {
        int32_t width, height;
        PixelFormat format;
        int32_t pitch;
    } cases[] = {
        {3, 2, PixelFormat::Bgr24, 9},      {5, 1, PixelFormat::Gray8, 5},  {4, 4, PixelFormat::GrayAlpha16, 8},
        {4, 4, PixelFormat::Bgra32, 16},    {4, 4, PixelFormat::Bgrx32, 16}, {7, 3, static_cast<PixelFormat>(9), 7},
        {0, 3, PixelFormat::Bgra32, 0},     {3, 0, PixelFormat::Bgra32, 12},
    };
    for (const Case& c : cases) {
        Image image(c.width, c.height, c.format);
        EXPECT_EQ(image.getPitch(), c.pitch);
        EXPECT_EQ(image.getWidth(), c.width);
        EXPECT_EQ(image.getHeight(), c.height);
        EXPECT_EQ(image.getFormat(), c.format);
        EXPECT_NE(image.lock(), nullptr);
        // The rows and the 15 bytes of slack are all there (the sanitizer
        // build reports any write past the allocation).
        uint8_t* bytes = image.lock();
        const std::size_t size = std::size_t(c.pitch) * std::size_t(c.height) + Image::kSlackBytes;
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i);
        image.unlock();
    }
}

TEST(AllocatedImage, RefusesSizesThatDoNotFit) {
    EXPECT_THROW(Image(-1, 4, PixelFormat::Gray8), std::invalid_argument);
    EXPECT_THROW(Image(4, -1, PixelFormat::Gray8), std::invalid_argument);
    EXPECT_THROW(Image(std::numeric_limits<int32_t>::max(), 1, PixelFormat::Bgra32), std::length_error);
    EXPECT_THROW(Image(std::numeric_limits<int32_t>::max() / 3 + 1, 1, PixelFormat::Bgr24), std::length_error);
}

TEST(WrappingImage, IsBgrx32OverTheGivenBuffer) {
    ByteBuffer buffer = MemoryHelper::allocate(800 * 4 * 10);
    const Image image(800, 10, 800 * 4, buffer);
    EXPECT_EQ(image.getFormat(), PixelFormat::Bgrx32);
    EXPECT_EQ(image.getPitch(), 3200);
    EXPECT_EQ(image.lock(), buffer.get());
    Image writable(800, 10, 800 * 4, buffer);
    EXPECT_EQ(writable.lock(), static_cast<const Image&>(writable).lock());
    writable.unlock();
}

TEST(WrappingImage, TheLastReferenceFreesTheBufferThroughItsDeleter) {
    int frees = 0;
    ByteBuffer buffer(new uint8_t[64], [&frees](uint8_t* p) {
        ++frees;
        delete[] p;
    });
    auto image = std::make_unique<Image>(4, 4, 16, buffer);
    buffer.reset();
    EXPECT_EQ(frees, 0);
    auto second = std::make_unique<Image>(*image);
    image.reset();
    EXPECT_EQ(frees, 0);
    second.reset();
    EXPECT_EQ(frees, 1);
}

TEST(MemoryHelper, DataStartsFourBytesPastAPageAndIsWritable) {
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4095}, std::size_t{32000},
                                   std::size_t{800 * 4 * 10}}) {
        ByteBuffer buffer = MemoryHelper::allocate(size);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.get()) % 4096, 4u) << size;
        for (std::size_t i = 0; i < size; ++i) buffer[i] = 0xAB;
    }
}

TEST(MemoryHelper, RefusesASizeThatCannotBeLaidOut) {
    EXPECT_THROW(MemoryHelper::allocate(std::numeric_limits<std::size_t>::max() - 100), std::bad_alloc);
}

}  // namespace
}  // namespace tessary
