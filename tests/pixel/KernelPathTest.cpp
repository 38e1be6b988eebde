// The SIMD paths draw exactly the bytes of the portable path, over many
// random requests that cut every edge, at every row alignment.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "PixelModel.h"
#include "TestImage.h"
#include "pixel/Blit.h"
#include "pixel/Fill.h"
#include "pixel/KernelPath.h"

namespace tessary::test {
namespace {

TEST(KernelPaths, PortableIsAlwaysThereAndTheBestIsSupported) {
    EXPECT_TRUE(isKernelPathSupported(KernelPath::Portable));
    EXPECT_TRUE(isKernelPathSupported(getBestKernelPath()));
    for (int32_t p = 0; p < kKernelPathCount; ++p) {
        const auto path = static_cast<KernelPath>(p);
        if (isKernelPathSupported(path)) continue;
        TestImage target(4, 4, PixelFormat::Bgrx32);
        EXPECT_THROW(fill(path, Color::gray(1), nullptr, target, BlendMode::Normal, {0, 0, 4, 4}, 255),
                     std::invalid_argument);
        EXPECT_THROW(blit(path, {0, 0}, nullptr, target, target, BlendMode::Normal, {0, 0, 4, 4}, 255),
                     std::invalid_argument);
    }
    EXPECT_FALSE(isKernelPathSupported(static_cast<KernelPath>(7)));
}

std::vector<KernelPath> simdPaths() {
    std::vector<KernelPath> paths;
    for (int32_t p = 0; p < kKernelPathCount; ++p)
        if (static_cast<KernelPath>(p) != KernelPath::Portable && isKernelPathSupported(static_cast<KernelPath>(p)))
            paths.push_back(static_cast<KernelPath>(p));
    return paths;
}

class SimdPath : public ::testing::TestWithParam<KernelPath> {};
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(SimdPath);

void randomize(TestImage& image, std::mt19937& random) {
    for (uint8_t* p = image.data(); p != image.data() + image.getPitch() * image.getHeight(); ++p) {
        const uint32_t r = random();
        *p = static_cast<uint8_t>(r % 5 == 0 ? 0 : r % 5 == 1 ? 255 : r >> 8);
    }
}

struct Placement {
    Rect rect;
    ClipContext context;
    bool withContext;
};

// Rects, clips and offsets around a target of the given size, cutting every edge.
Placement randomPlacement(std::mt19937& random, int32_t width, int32_t height) {
    auto coordinate = [&](int32_t size) { return static_cast<int32_t>(random() % (size + 12)) - 6; };
    Placement placement{};
    placement.rect = Rect{coordinate(width), coordinate(height), 0, 0};
    placement.rect.right = placement.rect.left + static_cast<int32_t>(random() % 46);
    placement.rect.bottom = placement.rect.top + static_cast<int32_t>(random() % 5);
    placement.context.clip = Rect{coordinate(width), coordinate(height), 0, 0};
    placement.context.clip.right = placement.context.clip.left + static_cast<int32_t>(random() % 46);
    placement.context.clip.bottom = placement.context.clip.top + static_cast<int32_t>(random() % 5);
    if (random() % 4 == 0) placement.context.clip = Rect{};
    placement.context.offset = Point{coordinate(8), coordinate(2)};
    placement.withContext = random() % 3 != 0;
    return placement;
}

Color randomColor(std::mt19937& random) {
    const uint8_t alphas[] = {0, 1, 127, 128, 254, 255, 169};
    const uint8_t c[4] = {static_cast<uint8_t>(random()), static_cast<uint8_t>(random()),
                          static_cast<uint8_t>(random()), alphas[random() % 7]};
    return Color{static_cast<ColorKind>(random() % 5 == 4 ? 9 : random() % 4), {c[0], c[1], c[2], c[3]}};
}

const uint8_t kOpacities[] = {0, 1, 127, 128, 254, 255, 182};

TEST_P(SimdPath, FillDrawsThePortableBytes) {
    std::mt19937 random(1234);
    for (int iteration = 0; iteration < 6000; ++iteration) {
        const int32_t width = 1 + static_cast<int32_t>(random() % 40);
        const int32_t height = 1 + static_cast<int32_t>(random() % 3);
        const std::size_t alignment = 4 * (random() % 4);
        TestImage simd(width, height, PixelFormat::Bgrx32, alignment);
        randomize(simd, random);
        TestImage portable = simd;
        const Color color = randomColor(random);
        const auto mode = static_cast<BlendMode>(static_cast<int32_t>(random() % 7) - 1);
        const uint8_t opacity = kOpacities[random() % 7];
        const Placement at = randomPlacement(random, width, height);
        const ClipContext* context = at.withContext ? &at.context : nullptr;

        fill(GetParam(), color, context, simd, mode, at.rect, opacity);
        fill(KernelPath::Portable, color, context, portable, mode, at.rect, opacity);
        const std::string difference = compareTargets(portable, simd);
        ASSERT_TRUE(difference.empty()) << "fill kind " << int(color.kind) << " colour " << std::hex
                                        << color.pack() << std::dec << " alpha " << int(color.getAlpha())
                                        << ", mode " << int(mode) << ", opacity " << int(opacity) << ", rect "
                                        << describe(at.rect) << ", context " << describe(context) << ", target "
                                        << width << "x" << height << " at +" << alignment << ": " << difference;
    }
}

TEST_P(SimdPath, BlitDrawsThePortableBytes) {
    std::mt19937 random(4321);
    for (int iteration = 0; iteration < 6000; ++iteration) {
        const auto format = static_cast<PixelFormat>(random() % 6);
        const int32_t sourceWidth = 1 + static_cast<int32_t>(random() % 40);
        const int32_t sourceHeight = 1 + static_cast<int32_t>(random() % 4);
        const int32_t padding = static_cast<int32_t>(random() % 3) * static_cast<int32_t>(random() % 6);
        TestImage source(sourceWidth, sourceHeight, format, random() % 16,
                         sourceWidth * bytesPerPixel(format) + padding);
        randomize(source, random);
        const int32_t width = 1 + static_cast<int32_t>(random() % 40);
        const int32_t height = 1 + static_cast<int32_t>(random() % 4);
        const std::size_t alignment = 4 * (random() % 4);
        TestImage simd(width, height, PixelFormat::Bgrx32, alignment);
        randomize(simd, random);
        TestImage portable = simd;
        const auto mode = static_cast<BlendMode>(static_cast<int32_t>(random() % 7) - 1);
        const uint8_t opacity = kOpacities[random() % 7];
        const Placement at = randomPlacement(random, width, height);
        const ClipContext* context = at.withContext ? &at.context : nullptr;
        const Point origin{static_cast<int32_t>(random() % (sourceWidth + 12)) - 6,
                           static_cast<int32_t>(random() % (sourceHeight + 4)) - 2};

        blit(GetParam(), origin, context, source, simd, mode, at.rect, opacity);
        blit(KernelPath::Portable, origin, context, source, portable, mode, at.rect, opacity);
        const std::string difference = compareTargets(portable, simd);
        ASSERT_TRUE(difference.empty()) << "blit format " << int(format) << " source " << sourceWidth << "x"
                                        << sourceHeight << " pitch " << source.getPitch() << ", mode " << int(mode)
                                        << ", opacity " << int(opacity) << ", origin (" << origin.x << ", "
                                        << origin.y << "), rect " << describe(at.rect) << ", context "
                                        << describe(context) << ", target " << width << "x" << height << " at +"
                                        << alignment << ": " << difference;
    }
}

std::string pathName(const ::testing::TestParamInfo<KernelPath>& param) { return getKernelPathName(param.param); }

INSTANTIATE_TEST_SUITE_P(Paths, SimdPath, ::testing::ValuesIn(simdPaths()), pathName);

}  // namespace
}  // namespace tessary::test
