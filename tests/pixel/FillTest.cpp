// fill: placement, the members' arithmetic, the requests that draw nothing,
// and every kernel path against the per-pixel model.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "PixelModel.h"
#include "TestImage.h"
#include "pixel/ChannelMath.h"
#include "pixel/Fill.h"
#include "pixel/KernelPath.h"

namespace tessary::test {
namespace {

constexpr uint8_t kBackground = 0x5A;

TestImage makeTarget(int32_t width, int32_t height, std::size_t alignment = 0) {
    TestImage target(width, height, PixelFormat::Bgrx32, alignment);
    std::fill(target.data(), target.data() + target.getPitch() * height, kBackground);
    return target;
}

// The rect of pixels whose bytes differ from the background, or empty.
Rect changedArea(const TestImage& target) {
    Rect changed{};
    bool any = false;
    for (int32_t y = 0; y < target.getHeight(); ++y)
        for (int32_t x = 0; x < target.getWidth(); ++x) {
            const uint8_t* p = target.pixel(x, y);
            if (p[0] == kBackground && p[1] == kBackground && p[2] == kBackground && p[3] == kBackground) continue;
            if (!any) changed = Rect{x, y, x + 1, y + 1};
            changed = Rect{std::min(changed.left, x), std::min(changed.top, y), std::max(changed.right, x + 1),
                           std::max(changed.bottom, y + 1)};
            any = true;
        }
    return changed;
}

std::vector<KernelPath> supportedPaths() {
    std::vector<KernelPath> paths;
    for (int32_t p = 0; p < kKernelPathCount; ++p)
        if (isKernelPathSupported(static_cast<KernelPath>(p))) paths.push_back(static_cast<KernelPath>(p));
    return paths;
}

class FillOnPath : public ::testing::TestWithParam<KernelPath> {};

std::string pathName(const ::testing::TestParamInfo<KernelPath>& info) { return getKernelPathName(info.param); }

// --- placement ---------------------------------------------------------------

struct PlacementCase {
    const char* name;
    bool withContext;
    ClipContext context;
    Rect rect;
    Rect expected;  // empty: nothing drawn
};

TEST_P(FillOnPath, PlacesAndClipsTheRect) {
    const PlacementCase cases[] = {
        {"offset moves the rect", true, {{0, 0, 12, 5}, {3, 1}}, {2, 1, 6, 3}, {5, 2, 9, 4}},
        {"clip cuts the left edge", true, {{4, 0, 12, 5}, {0, 0}}, {2, 1, 6, 3}, {4, 1, 6, 3}},
        {"clip that only touches", true, {{6, 0, 9, 5}, {0, 0}}, {2, 1, 6, 3}, {}},
        {"clip that misses", true, {{8, 0, 12, 5}, {0, 0}}, {2, 1, 6, 3}, {}},
        {"empty clip does not clip", true, {{5, 5, 5, 9}, {0, 0}}, {2, 1, 6, 3}, {2, 1, 6, 3}},
        {"target bounds clip", false, {}, {-3, -1, 4, 2}, {0, 0, 4, 2}},
        {"beyond the target", false, {}, {12, 0, 20, 5}, {}},
        {"empty rect without context", false, {}, {3, 1, 3, 4}, {}},
        {"empty rect with a context", true, {{0, 0, 12, 5}, {0, 0}}, {3, 1, 3, 4}, {}},
        {"empty rect with an empty clip", true, {{0, 0, 0, 0}, {1, 1}}, {3, 1, 8, 1}, {}},
        {"inverted rect", false, {}, {6, 1, 2, 4}, {}},
        {"offset saturates far away", true, {{0, 0, 0, 0}, {INT32_MAX, 0}}, {INT32_MAX - 4, 0, INT32_MAX, 5}, {}},
        {"far negative rect reaching in", false, {}, {INT32_MIN, INT32_MIN, 2, 3}, {0, 0, 2, 3}},
        {"far offset back into view", true, {{0, 0, 0, 0}, {-2000000000, 0}}, {2000000001, 1, 2000000003, 2},
         {1, 1, 3, 2}},
    };
    for (const PlacementCase& c : cases) {
        TestImage target = makeTarget(12, 5);
        fill(GetParam(), Color::rgb(1, 2, 3), c.withContext ? &c.context : nullptr, target, BlendMode::Normal, c.rect,
             255);
        EXPECT_EQ(changedArea(target), c.expected) << c.name << ": got " << describe(changedArea(target));
        EXPECT_EQ(target.writeLocks(), target.writeUnlocks()) << c.name;
    }
}

TEST_P(FillOnPath, OpaqueRgbLandsAsBlueGreenRedBytes) {
    TestImage target = makeTarget(20, 3);
    fill(GetParam(), Color::rgb(0x11, 0x22, 0x33), nullptr, target, BlendMode::Normal, {1, 0, 19, 2}, 255);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 20; ++x) {
            const bool inside = x >= 1 && x <= 18 && y <= 1;
            const uint8_t* p = target.pixel(x, y);
            const std::vector<uint8_t> got(p, p + 3);
            const std::vector<uint8_t> want = inside ? std::vector<uint8_t>{0x33, 0x22, 0x11}
                                                     : std::vector<uint8_t>{kBackground, kBackground, kBackground};
            EXPECT_EQ(got, want) << "pixel (" << x << ", " << y << ")";
        }
}

TEST_P(FillOnPath, ExactHeadAndTailRoundDifferentlyFromTheVectorBody) {
    // Rows start on a 16-byte boundary: columns 1-3 are the head, 4-11 one
    // group of 8, 12-15 the tail. 101 over 99 at weight 128 is 100 exact, 99 split.
    TestImage target(16, 1, PixelFormat::Bgrx32, 0);
    std::fill(target.data(), target.data() + 64, 99);
    fill(GetParam(), Color::rgb(101, 101, 101), nullptr, target, BlendMode::Normal, {1, 0, 16, 1}, 128);
    for (int32_t x = 0; x < 16; ++x) {
        const int expected = x == 0 ? 99 : (x >= 4 && x <= 11) ? 99 : 100;
        for (int c = 0; c < 3; ++c) EXPECT_EQ(target.pixel(x, 0)[c], expected) << "column " << x << " channel " << c;
    }
}

// --- arithmetic of the members -----------------------------------------------

struct PixelCase {
    const char* name;
    Color color;
    BlendMode mode;
    uint8_t opacity;
    uint8_t destination[3];  // blue, green, red
    uint8_t expected[3];
};

TEST_P(FillOnPath, SinglePixelResults) {
    const PixelCase cases[] = {
        {"translucent rgba over", Color::rgba(200, 100, 50, 128), BlendMode::Normal, 255, {253, 230, 241}, {150, 164, 220}},
        {"add saturates", Color::gray(200), BlendMode::Add, 255, {100, 55, 0}, {255, 255, 200}},
        {"subtract floors at 0", Color::gray(100), BlendMode::Subtract, 255, {50, 100, 150}, {0, 0, 50}},
        {"multiply by white keeps", Color::gray(255), BlendMode::Multiply, 255, {7, 128, 250}, {7, 128, 250}},
        {"multiply by 128", Color::gray(128), BlendMode::Multiply, 255, {200, 0, 255}, {100, 0, 128}},
        {"inverse multiply by black inverts", Color::gray(0), BlendMode::InverseMultiply, 255, {0, 100, 255}, {255, 155, 0}},
        {"inverse multiply by white gives black", Color::gray(255), BlendMode::InverseMultiply, 255, {0, 100, 255}, {0, 0, 0}},
        {"inverse multiply 100 over 200", Color::gray(100), BlendMode::InverseMultiply, 255, {200, 200, 200}, {33, 33, 33}},
        {"rgba with alpha 255 is opaque", Color::rgba(9, 8, 7, 255), BlendMode::Normal, 255, {1, 1, 1}, {7, 8, 9}},
        {"opacity only", Color::rgb(255, 0, 0), BlendMode::Normal, 128, {255, 0, 0}, {126, 0, 128}},
        {"alpha and opacity combine exactly", Color::rgba(50, 100, 200, 169), BlendMode::Normal, 182, {10, 20, 30},
         {99, 57, 39}},
        {"add under opacity", Color::gray(200), BlendMode::Add, 100, {100, 10, 250}, {160, 88, 251}},
        {"gray alpha level", Color::grayAlpha(90, 64), BlendMode::Normal, 255, {10, 20, 30}, {30, 37, 45}},
    };
    for (const PixelCase& c : cases) {
        TestImage target = makeTarget(1, 1);
        std::copy(c.destination, c.destination + 3, target.pixel(0, 0));
        fill(GetParam(), c.color, nullptr, target, c.mode, {0, 0, 1, 1}, c.opacity);
        const std::vector<uint8_t> got(target.pixel(0, 0), target.pixel(0, 0) + 3);
        EXPECT_EQ(got, std::vector<uint8_t>(c.expected, c.expected + 3)) << c.name;
    }
}

struct NothingCase {
    const char* name;
    Color color;
    BlendMode mode;
    uint8_t opacity;
};

TEST_P(FillOnPath, RequestsThatDrawNothing) {
    const NothingCase cases[] = {
        {"gray alpha with alpha 0", Color::grayAlpha(200, 0), BlendMode::Normal, 255},
        {"rgba with alpha 0", Color::rgba(200, 1, 2, 0), BlendMode::Add, 128},
        {"opacity 0", Color::rgb(1, 2, 3), BlendMode::Normal, 0},
        {"mode 5", Color::rgb(1, 2, 3), static_cast<BlendMode>(5), 255},
        {"mode -1", Color::rgb(1, 2, 3), static_cast<BlendMode>(-1), 255},
    };
    for (const NothingCase& c : cases) {
        TestImage target = makeTarget(20, 3);
        fill(GetParam(), c.color, nullptr, target, c.mode, {0, 0, 20, 3}, c.opacity);
        EXPECT_TRUE(isEmpty(changedArea(target))) << c.name;
    }
}

TEST_P(FillOnPath, TargetWithoutPixelsIsLeftAlone) {
    for (const auto& size : {std::pair{0, 4}, std::pair{4, 0}, std::pair{0, 0}}) {
        TestImage target(size.first, size.second, PixelFormat::Bgrx32, 0, 16);
        const std::vector<uint8_t> before(target.data(), target.data() + 64);
        const ClipContext anywhere{{0, 0, 0, 0}, {0, 0}};
        fill(GetParam(), Color::gray(1), &anywhere, target, BlendMode::Normal, {-5, -5, 5, 5}, 255);
        EXPECT_EQ(std::vector<uint8_t>(target.data(), target.data() + 64), before);
        EXPECT_EQ(target.writeLocks(), 0);
    }
}

// --- every member against the model ------------------------------------------

Color randomColor(std::mt19937& random) {
    const uint8_t alphas[] = {0, 1, 127, 128, 200, 254, 255};
    auto byte = [&] { return static_cast<uint8_t>(random() & 0xFF); };
    const uint8_t alpha = alphas[random() % 7];
    switch (random() % 5) {
        case 0: return Color::gray(byte());
        case 1: return Color::rgb(byte(), byte(), byte());
        case 2: return Color::grayAlpha(byte(), alpha);
        case 3: return Color::rgba(byte(), byte(), byte(), alpha);
        default: return Color{static_cast<ColorKind>(7), {byte(), byte(), byte(), byte()}};
    }
}

TEST_P(FillOnPath, MatchesTheModelOverRandomRequests) {
    std::mt19937 random(20240611);
    const uint8_t opacities[] = {0, 1, 127, 128, 254, 255, 183};
    for (int iteration = 0; iteration < 3000; ++iteration) {
        const int32_t width = 1 + static_cast<int32_t>(random() % 40);
        const int32_t height = 1 + static_cast<int32_t>(random() % 3);
        const std::size_t alignment = 4 * (random() % 4);
        TestImage actual(width, height, PixelFormat::Bgrx32, alignment);
        for (uint8_t* p = actual.data(); p != actual.data() + actual.getPitch() * height; ++p)
            *p = static_cast<uint8_t>(random());
        TestImage expected = actual;

        const Color color = randomColor(random);
        const auto mode = static_cast<BlendMode>(static_cast<int32_t>(random() % 7) - 1);
        const uint8_t opacity = opacities[random() % 7];
        auto coordinate = [&](int32_t size) { return static_cast<int32_t>(random() % (size + 8)) - 4; };
        Rect rect{coordinate(width), coordinate(height), 0, 0};
        rect.right = rect.left + static_cast<int32_t>(random() % 44);
        rect.bottom = rect.top + static_cast<int32_t>(random() % 5);
        ClipContext context{{coordinate(width), coordinate(height), 0, 0}, {coordinate(6), coordinate(2)}};
        context.clip.right = context.clip.left + static_cast<int32_t>(random() % 44);
        context.clip.bottom = context.clip.top + static_cast<int32_t>(random() % 5);
        const ClipContext* maybeContext = random() % 3 == 0 ? nullptr : &context;

        fill(GetParam(), color, maybeContext, actual, mode, rect, opacity);
        modelFill(color, maybeContext, expected, mode, rect, opacity);
        const std::string difference = compareTargets(expected, actual);
        ASSERT_TRUE(difference.empty()) << "fill colour kind " << int(color.kind) << " components "
                                        << int(color.components[0]) << " " << int(color.components[1]) << " "
                                        << int(color.components[2]) << " " << int(color.components[3]) << ", mode "
                                        << int(mode) << ", opacity " << int(opacity) << ", rect " << describe(rect)
                                        << ", context " << describe(maybeContext) << ", target " << width << "x"
                                        << height << " at +" << alignment << ": " << difference;
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, FillOnPath, ::testing::ValuesIn(supportedPaths()), pathName);

TEST(FillDefaultPath, UsesTheBestPath) {
    TestImage viaDefault = makeTarget(40, 2, 4);
    TestImage viaBest = makeTarget(40, 2, 4);
    fill(Color::rgb(10, 200, 30), nullptr, viaDefault, BlendMode::Normal, {1, 0, 39, 2}, 100);
    fill(getBestKernelPath(), Color::rgb(10, 200, 30), nullptr, viaBest, BlendMode::Normal, {1, 0, 39, 2}, 100);
    EXPECT_EQ(viaDefault.bytes(), viaBest.bytes());
}

}  // namespace
}  // namespace tessary::test
