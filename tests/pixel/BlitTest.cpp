// blit: placement in step with the source, the members' arithmetic, the
// requests that draw nothing, and every kernel path against the model.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "PixelModel.h"
#include "TestImage.h"
#include "pixel/Blit.h"
#include "pixel/ChannelMath.h"
#include "pixel/KernelPath.h"

namespace tessary::test {
namespace {

constexpr uint8_t kBackground = 0xEE;

std::vector<KernelPath> supportedPaths() {
    std::vector<KernelPath> paths;
    for (int32_t p = 0; p < kKernelPathCount; ++p)
        if (isKernelPathSupported(static_cast<KernelPath>(p))) paths.push_back(static_cast<KernelPath>(p));
    return paths;
}

std::string pathName(const ::testing::TestParamInfo<KernelPath>& info) { return getKernelPathName(info.param); }

class BlitOnPath : public ::testing::TestWithParam<KernelPath> {};

// The 10 × 6 Gray8 source whose pixel (u, v) has level 10 v + u.
TestImage makeLevelSource() {
    TestImage source(10, 6, PixelFormat::Gray8);
    for (int32_t v = 0; v < 6; ++v)
        for (int32_t u = 0; u < 10; ++u) *source.pixel(u, v) = static_cast<uint8_t>(10 * v + u);
    return source;
}

TestImage makeTarget(int32_t width, int32_t height, std::size_t alignment = 0) {
    TestImage target(width, height, PixelFormat::Bgrx32, alignment);
    std::fill(target.data(), target.data() + target.getPitch() * height, kBackground);
    return target;
}

Rect changedRect(const TestImage& target) {
    Rect changed{};
    for (int32_t y = 0; y < target.getHeight(); ++y)
        for (int32_t x = 0; x < target.getWidth(); ++x) {
            const uint8_t* p = target.pixel(x, y);
            if (p[0] == kBackground && p[1] == kBackground && p[2] == kBackground) continue;
            changed = isEmpty(changed) ? Rect{x, y, x + 1, y + 1}
                                       : Rect{std::min(changed.left, x), std::min(changed.top, y),
                                              std::max(changed.right, x + 1), std::max(changed.bottom, y + 1)};
        }
    return changed;
}

// Level shown at each target pixel, -1 where the target is untouched.
std::vector<std::vector<int>> levels(const TestImage& target) {
    std::vector<std::vector<int>> result(target.getHeight(), std::vector<int>(target.getWidth(), -1));
    for (int32_t y = 0; y < target.getHeight(); ++y)
        for (int32_t x = 0; x < target.getWidth(); ++x) {
            const uint8_t* p = target.pixel(x, y);
            if (p[0] != kBackground || p[1] != kBackground || p[2] != kBackground) result[y][x] = p[0];
        }
    return result;
}

// The levels a placement should produce: level(x, y) inside `drawn`, -1 outside.
template <class Level>
std::vector<std::vector<int>> expectLevels(const Rect& drawn, Level level) {
    std::vector<std::vector<int>> result(4, std::vector<int>(12, -1));
    for (int32_t y = drawn.top; y < drawn.bottom; ++y)
        for (int32_t x = drawn.left; x < drawn.right; ++x) result[y][x] = level(x, y);
    return result;
}

struct PlacementCase {
    const char* name;
    Point origin;
    bool withContext;
    ClipContext context;
    Rect rect;
    Rect drawn;
    Point sourceOfDrawnCorner;  // the source pixel shown at drawn's top-left
};

TEST_P(BlitOnPath, KeepsSourceAndDestinationInStep) {
    const PlacementCase cases[] = {
        {"plain", {3, 2}, false, {}, {2, 1, 8, 3}, {2, 1, 8, 3}, {3, 2}},
        {"source ends at column 9 and row 5", {7, 4}, false, {}, {2, 1, 8, 3}, {2, 1, 5, 3}, {7, 4}},
        {"origin before the source", {-2, -1}, false, {}, {2, 1, 8, 3}, {4, 2, 8, 3}, {0, 0}},
        {"clip cuts the left", {3, 2}, true, {{4, 0, 12, 4}, {0, 0}}, {2, 1, 8, 3}, {4, 1, 8, 3}, {5, 2}},
        {"empty clip and an offset", {3, 2}, true, {{0, 0, 0, 0}, {1, 1}}, {2, 1, 8, 3}, {3, 2, 9, 4}, {3, 2}},
        {"target cuts the top left", {3, 2}, false, {}, {-2, -1, 5, 3}, {0, 0, 5, 3}, {5, 3}},
        {"clip wholly right of the rect", {3, 2}, true, {{9, 0, 12, 4}, {0, 0}}, {2, 1, 8, 3}, {}, {}},
        {"clip only touching the rect", {3, 2}, true, {{8, 0, 12, 4}, {0, 0}}, {2, 1, 8, 3}, {}, {}},
        {"empty rect without context", {3, 2}, false, {}, {2, 1, 2, 3}, {}, {}},
        {"empty rect with a context", {3, 2}, true, {{0, 0, 12, 4}, {0, 0}}, {2, 1, 8, 1}, {}, {}},
        {"no source pixel under the rect", {10, 0}, false, {}, {2, 1, 8, 3}, {}, {}},
        {"source touching the rect from the left", {-6, 0}, false, {}, {2, 1, 8, 3}, {}, {}},
        {"huge origin", {INT32_MAX, INT32_MIN}, false, {}, {2, 1, 8, 3}, {}, {}},
        {"huge rect and origin cancel", {INT32_MAX - 3, 0}, false, {}, {INT32_MAX - 5, 0, INT32_MAX, 2}, {}, {}},
        {"far rect moved back into view", {1, 1}, true, {{0, 0, 0, 0}, {-2000000000, 0}},
         {2000000002, 1, 2000000005, 2}, {2, 1, 5, 2}, {1, 1}},
    };
    const TestImage source = makeLevelSource();
    for (const PlacementCase& c : cases) {
        TestImage target = makeTarget(12, 4);
        blit(GetParam(), c.origin, c.withContext ? &c.context : nullptr, source, target, BlendMode::Normal, c.rect, 255);
        const auto expected = expectLevels(c.drawn, [&](int32_t x, int32_t y) {
            return 10 * (c.sourceOfDrawnCorner.y + y - c.drawn.top) + c.sourceOfDrawnCorner.x + x - c.drawn.left;
        });
        EXPECT_EQ(levels(target), expected) << c.name;
        EXPECT_EQ(target.writeLocks(), target.writeUnlocks()) << c.name;
        EXPECT_EQ(source.readLocks(), source.readUnlocks()) << c.name;
    }
}

TEST_P(BlitOnPath, SourceOrTargetWithoutPixelsDrawsNothing) {
    const ClipContext noClip{{0, 0, 0, 0}, {0, 0}};
    for (const auto& size : {std::pair{0, 4}, std::pair{4, 0}}) {
        const TestImage emptySource(size.first, size.second, PixelFormat::Bgrx32, 0, 16);
        TestImage target = makeTarget(12, 4);
        blit(GetParam(), {0, 0}, &noClip, emptySource, target, BlendMode::Normal, {0, 0, 12, 4}, 255);
        EXPECT_TRUE(isEmpty(changedRect(target)));
        EXPECT_EQ(emptySource.readLocks(), 0);

        TestImage emptyTarget(size.first, size.second, PixelFormat::Bgrx32, 0, 16);
        std::fill(emptyTarget.data(), emptyTarget.data() + 64, kBackground);
        blit(GetParam(), {0, 0}, &noClip, makeLevelSource(), emptyTarget, BlendMode::Normal, {-3, -3, 8, 8}, 255);
        EXPECT_EQ(std::count(emptyTarget.data(), emptyTarget.data() + 64, kBackground), 64);
    }
}

struct PixelCase {
    const char* name;
    PixelFormat format;
    std::vector<uint8_t> source;
    BlendMode mode;
    uint8_t opacity;
    uint8_t destination[3];  // blue, green, red
    uint8_t expected[3];
};

TEST_P(BlitOnPath, SinglePixelResults) {
    const PixelCase cases[] = {
        {"bgra over", PixelFormat::Bgra32, {50, 100, 200, 128}, BlendMode::Normal, 255, {253, 230, 241}, {150, 164, 220}},
        {"gray alpha over", PixelFormat::GrayAlpha16, {90, 64}, BlendMode::Normal, 255, {10, 20, 30}, {30, 37, 45}},
        {"alpha and opacity", PixelFormat::Bgra32, {200, 100, 50, 169}, BlendMode::Normal, 182, {10, 20, 30}, {99, 57, 39}},
        {"opaque red at opacity 128", PixelFormat::Bgra32, {0, 0, 255, 255}, BlendMode::Normal, 128, {255, 0, 0}, {126, 0, 128}},
        {"gray add under opacity", PixelFormat::Gray8, {200}, BlendMode::Add, 100, {100, 10, 250}, {160, 88, 251}},
        {"bgrx subtract", PixelFormat::Bgrx32, {10, 200, 30, 77}, BlendMode::Subtract, 255, {50, 50, 50}, {40, 0, 20}},
        {"bgr copy", PixelFormat::Bgr24, {1, 2, 3}, BlendMode::Normal, 255, {9, 9, 9}, {1, 2, 3}},
        {"alpha 0 keeps", PixelFormat::Bgra32, {1, 2, 3, 0}, BlendMode::Add, 255, {9, 9, 9}, {9, 9, 9}},
        {"alpha 255 replaces", PixelFormat::GrayAlpha16, {7, 255}, BlendMode::Normal, 255, {9, 9, 9}, {7, 7, 7}},
        {"multiply", PixelFormat::Bgr24, {255, 128, 0}, BlendMode::Multiply, 255, {200, 200, 200}, {200, 100, 0}},
        {"inverse multiply", PixelFormat::Bgr24, {0, 100, 255}, BlendMode::InverseMultiply, 255, {100, 200, 9}, {155, 33, 0}},
    };
    for (const PixelCase& c : cases) {
        TestImage source(1, 1, c.format);
        std::copy(c.source.begin(), c.source.end(), source.data());
        TestImage target = makeTarget(1, 1);
        std::copy(c.destination, c.destination + 3, target.pixel(0, 0));
        blit(GetParam(), {0, 0}, nullptr, source, target, c.mode, {0, 0, 1, 1}, c.opacity);
        const std::vector<uint8_t> got(target.pixel(0, 0), target.pixel(0, 0) + 3);
        EXPECT_EQ(got, std::vector<uint8_t>(c.expected, c.expected + 3)) << c.name;
    }
}

TEST_P(BlitOnPath, VectorBodyUsesTheSplitWeight) {
    // alpha 169 at opacity 182: weight 120 on the exact path, 121 in the body.
    TestImage source(16, 1, PixelFormat::Bgra32);
    for (int32_t u = 0; u < 16; ++u) {
        const uint8_t pixel[4] = {200, 100, 50, 169};
        std::copy(pixel, pixel + 4, source.pixel(u, 0));
    }
    TestImage target(16, 1, PixelFormat::Bgrx32, 0);
    for (int32_t x = 0; x < 16; ++x) {
        const uint8_t pixel[4] = {10, 20, 30, 0};
        std::copy(pixel, pixel + 4, target.pixel(x, 0));
    }
    // Row at a 16-byte boundary: columns 0-7 are one group, 8-11 the tail.
    blit(GetParam(), {0, 0}, nullptr, source, target, BlendMode::Normal, {0, 0, 12, 1}, 182);
    for (int32_t x = 0; x < 12; ++x) {
        const bool body = x < 8;
        const int w = body ? 121 : 120;
        const uint8_t expected[3] = {static_cast<uint8_t>(body ? mixSplit(200, 10, w) : mixExact(200, 10, w)),
                                     static_cast<uint8_t>(body ? mixSplit(100, 20, w) : mixExact(100, 20, w)),
                                     static_cast<uint8_t>(body ? mixSplit(50, 30, w) : mixExact(50, 30, w))};
        EXPECT_EQ(std::vector<uint8_t>(target.pixel(x, 0), target.pixel(x, 0) + 3),
                  std::vector<uint8_t>(expected, expected + 3))
            << "column " << x;
    }
}

TEST_P(BlitOnPath, RequestsThatDrawNothing) {
    const TestImage source = makeLevelSource();
    TestImage badFormat(10, 6, static_cast<PixelFormat>(5));
    struct Case {
        const char* name;
        const TestImage* image;
        BlendMode mode;
        uint8_t opacity;
    } cases[] = {
        {"format 5", &badFormat, BlendMode::Normal, 255},
        {"opacity 0", &source, BlendMode::Normal, 0},
        {"mode 7", &source, static_cast<BlendMode>(7), 255},
        {"mode -1", &source, static_cast<BlendMode>(-1), 128},
    };
    for (const Case& c : cases) {
        TestImage target = makeTarget(12, 4);
        blit(GetParam(), {0, 0}, nullptr, *c.image, target, c.mode, {0, 0, 12, 4}, c.opacity);
        EXPECT_TRUE(isEmpty(changedRect(target))) << c.name;
    }
}

// --- every member against the model ------------------------------------------

TEST_P(BlitOnPath, MatchesTheModelOverRandomRequests) {
    std::mt19937 random(77031);
    const uint8_t opacities[] = {0, 1, 100, 128, 182, 254, 255};
    for (int iteration = 0; iteration < 4000; ++iteration) {
        const auto format = static_cast<PixelFormat>(random() % 6);
        const int32_t sourceWidth = 1 + static_cast<int32_t>(random() % 40);
        const int32_t sourceHeight = 1 + static_cast<int32_t>(random() % 4);
        const int32_t bytes = bytesPerPixel(format);
        // Source rows at every byte offset, pitches with and without padding.
        TestImage source(sourceWidth, sourceHeight, format, random() % 16,
                         sourceWidth * bytes + static_cast<int32_t>(random() % 3) * static_cast<int32_t>(random() % 5));
        for (uint8_t* p = source.data(); p != source.data() + source.getPitch() * sourceHeight; ++p) {
            const uint32_t r = random();
            // Plenty of fully transparent and fully opaque alphas.
            *p = static_cast<uint8_t>(r % 4 == 0 ? 0 : r % 4 == 1 ? 255 : r >> 8);
        }
        const int32_t width = 1 + static_cast<int32_t>(random() % 40);
        const int32_t height = 1 + static_cast<int32_t>(random() % 4);
        TestImage actual(width, height, PixelFormat::Bgrx32, 4 * (random() % 4));
        for (uint8_t* p = actual.data(); p != actual.data() + actual.getPitch() * height; ++p)
            *p = static_cast<uint8_t>(random());
        TestImage expected = actual;

        const auto mode = static_cast<BlendMode>(static_cast<int32_t>(random() % 7) - 1);
        const uint8_t opacity = opacities[random() % 7];
        auto coordinate = [&](int32_t size) { return static_cast<int32_t>(random() % (size + 10)) - 5; };
        Rect rect{coordinate(width), coordinate(height), 0, 0};
        rect.right = rect.left + static_cast<int32_t>(random() % 44);
        rect.bottom = rect.top + static_cast<int32_t>(random() % 5);
        const Point origin{coordinate(sourceWidth), coordinate(sourceHeight)};
        ClipContext context{{coordinate(width), coordinate(height), 0, 0}, {coordinate(6), coordinate(2)}};
        context.clip.right = context.clip.left + static_cast<int32_t>(random() % 44);
        context.clip.bottom = context.clip.top + static_cast<int32_t>(random() % 5);
        const ClipContext* maybeContext = random() % 3 == 0 ? nullptr : &context;

        blit(GetParam(), origin, maybeContext, source, actual, mode, rect, opacity);
        modelBlit(origin, maybeContext, source, expected, mode, rect, opacity);
        const std::string difference = compareTargets(expected, actual);
        ASSERT_TRUE(difference.empty()) << "blit format " << int(format) << " source " << sourceWidth << "x"
                                        << sourceHeight << " pitch " << source.getPitch() << ", mode " << int(mode)
                                        << ", opacity " << int(opacity) << ", origin (" << origin.x << ", "
                                        << origin.y << "), rect " << describe(rect) << ", context "
                                        << describe(maybeContext) << ", target " << width << "x" << height << ": "
                                        << difference;
        ASSERT_EQ(source.readLocks(), source.readUnlocks());
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, BlitOnPath, ::testing::ValuesIn(supportedPaths()), pathName);

}  // namespace
}  // namespace tessary::test
