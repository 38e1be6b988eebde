// The demo's image files made at build time: their sizes and formats, a few
// features of the art, and that the tool makes them the same to the byte.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "io/LoadImageFile.h"
#include "tests/io/PngFixture.h"

namespace tessary {
namespace {

std::string demoFile(const char* name) { return std::string(TESSARY_DEMO_IMAGE_DIR) + "/" + name; }

// Channel c of pixel (x, y).
int sampleAt(const Image& image, int x, int y, int c) {
    const uint8_t* pixels = image.lock();
    const int value = pixels[y * image.getPitch() + x * bytesPerPixel(image.getFormat()) + c];
    image.unlock();
    return value;
}

TEST(DemoImages, BadgeIsAnRgbaPictureOpaqueInsideAndClearAtTheCorners) {
    const auto image = loadImageFile(demoFile("load.gra").c_str());
    ASSERT_EQ(image->getWidth(), 128);
    ASSERT_EQ(image->getHeight(), 96);
    ASSERT_EQ(image->getFormat(), PixelFormat::Bgra32);
    EXPECT_EQ(sampleAt(*image, 64, 48, 3), 255);
    EXPECT_EQ(sampleAt(*image, 0, 0, 3), 0);
    EXPECT_EQ(sampleAt(*image, 127, 95, 3), 0);
    // Anti-aliased: some edge pixel is neither clear nor opaque.
    bool partial = false;
    for (int x = 0; x < 128; ++x) {
        const int alpha = sampleAt(*image, x, 5, 3);
        partial = partial || (alpha > 0 && alpha < 255);
    }
    EXPECT_TRUE(partial);
    // The gradient: blue grows from the top left to the bottom right.
    EXPECT_LT(sampleAt(*image, 20, 20, 0), sampleAt(*image, 108, 76, 0));
}

TEST(DemoImages, FlakeIsAGreyFalloffOnBlack) {
    const auto image = loadImageFile(demoFile("snow.png").c_str());
    ASSERT_EQ(image->getWidth(), 12);
    ASSERT_EQ(image->getHeight(), 12);
    ASSERT_EQ(image->getFormat(), PixelFormat::Gray8);
    EXPECT_GT(sampleAt(*image, 6, 6, 0), 230);
    EXPECT_EQ(sampleAt(*image, 0, 0, 0), 0);
    EXPECT_GT(sampleAt(*image, 6, 6, 0), sampleAt(*image, 8, 6, 0));
    EXPECT_GT(sampleAt(*image, 8, 6, 0), sampleAt(*image, 10, 6, 0));
}

TEST(DemoImages, DotIsGreyWithAlphaFallingOff) {
    const auto image = loadImageFile(demoFile("snow2.png").c_str());
    ASSERT_EQ(image->getWidth(), 6);
    ASSERT_EQ(image->getHeight(), 6);
    ASSERT_EQ(image->getFormat(), PixelFormat::GrayAlpha16);
    EXPECT_GT(sampleAt(*image, 3, 3, 1), 200);
    EXPECT_EQ(sampleAt(*image, 0, 0, 1), 0);
    EXPECT_EQ(sampleAt(*image, 3, 3, 0), 255);
}

TEST(DemoImages, ToolMakesTheSameBytesEveryTime) {
    testing::TemporaryDirectory dir;
    const std::string command = std::string("\"") + TESSARY_DEMO_IMAGE_TOOL + "\" \"" + dir.getPath() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char* name : {"load.gra", "snow.png", "snow2.png"})
        EXPECT_EQ(testing::readFile(dir.file(name)), testing::readFile(demoFile(name))) << name;
}

}  // namespace
}  // namespace tessary
