// The value types and the per-channel arithmetic every kernel is held to.

#include <gtest/gtest.h>

#include <cstdint>

#include "pixel/ChannelMath.h"
#include "pixel/Color.h"
#include "pixel/Geometry.h"
#include "pixel/PixelFormat.h"

namespace tessary {
namespace {

TEST(Intersect, EmptyOperandsRestrictNothingAndTouchingGivesAZeroWidthEdge) {
    struct Case {
        Rect a, b, expected;
    } cases[] = {
        {{0, 0, 0, 0}, {2, 3, 8, 9}, {2, 3, 8, 9}},
        {{2, 3, 8, 9}, {5, 5, 5, 9}, {2, 3, 8, 9}},
        {{0, 0, 10, 10}, {10, 0, 20, 10}, {10, 0, 10, 10}},
        {{0, 0, 10, 10}, {11, 0, 20, 10}, {0, 0, 0, 0}},
        {{-5, -5, 5, 5}, {0, 0, 800, 600}, {0, 0, 5, 5}},
        {{0, 0, 10, 10}, {0, 10, 10, 20}, {0, 10, 10, 10}},
        {{3, 4, 5, 6}, {0, 0, 800, 600}, {3, 4, 5, 6}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(intersect(c.a, c.b), c.expected);
    }
}

TEST(OffsetRect, SaturatesInsteadOfWrapping) {
    EXPECT_EQ(offsetRect({1, 2, 3, 4}, 10, -10), (Rect{11, -8, 13, -6}));
    EXPECT_EQ(offsetRect({INT32_MAX - 1, 0, INT32_MAX, 1}, 5, 0), (Rect{INT32_MAX, 0, INT32_MAX, 1}));
    EXPECT_EQ(offsetRect({INT32_MIN, INT32_MIN, 0, 0}, 0, -1), (Rect{INT32_MIN, INT32_MIN, 0, -1}));
}

TEST(ColorPack, LandsAsBlueGreenRedAlphaBytes) {
    struct Case {
        Color color;
        uint32_t packed;
        bool translucent;
    } cases[] = {
        {Color::rgb(0x11, 0x22, 0x33), 0x00112233u, false},
        {Color::gray(0x80), 0x00808080u, false},
        {Color::grayAlpha(0x10, 0x80), 0x80101010u, true},
        {Color::rgba(1, 2, 3, 255), 0xFF010203u, false},
        {Color::grayAlpha(5, 0), 0x00050505u, true},
        {Color{static_cast<ColorKind>(7), {1, 2, 3, 4}}, 0u, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.color.pack(), c.packed) << int(c.color.kind);
        EXPECT_EQ(c.color.isTranslucent(), c.translucent) << int(c.color.kind);
    }
}

TEST(ToWeight, MapsFullLevelToExactly256) {
    const int levels[][2] = {{0, 0}, {1, 1}, {64, 64}, {127, 127}, {128, 129}, {200, 201}, {254, 255}, {255, 256}};
    for (const auto& l : levels) EXPECT_EQ(toWeight(l[0]), l[1]) << l[0];
}

TEST(BlendChannel, EveryModeOnItsEdgeValues) {
    struct Case {
        BlendMode mode;
        int s, d, expected;
    } cases[] = {
        {BlendMode::Normal, 7, 200, 7},
        {BlendMode::Add, 200, 100, 255},
        {BlendMode::Add, 100, 100, 200},
        {BlendMode::Subtract, 100, 50, 0},
        {BlendMode::Subtract, 50, 100, 50},
        {BlendMode::Multiply, 255, 77, 77},
        {BlendMode::Multiply, 128, 200, 100},
        {BlendMode::InverseMultiply, 0, 100, 155},
        {BlendMode::InverseMultiply, 100, 200, 33},
        {BlendMode::InverseMultiply, 255, 0, 0},
        {BlendMode::InverseMultiply, 0, 0, 255},
    };
    for (const Case& c : cases) EXPECT_EQ(blendChannel(c.mode, c.s, c.d), c.expected) << int(c.mode);
}

TEST(Mixing, SplitIsExactOrOneLessAndBothKeepTheEnds) {
    EXPECT_EQ(mixExact(101, 99, 128), 100);
    EXPECT_EQ(mixSplit(101, 99, 128), 99);
    EXPECT_EQ(weightExact(169, toWeight(182)), 120);
    EXPECT_EQ(weightSplit(169, toWeight(182)), 121);
    EXPECT_EQ(weightExact(255, 256), 256);
    EXPECT_EQ(weightSplit(255, 256), 256);
    for (int b = 0; b < 256; ++b)
        for (int d = 0; d < 256; ++d) {
            ASSERT_EQ(mixExact(b, d, 256), b);
            ASSERT_EQ(mixSplit(b, d, 256), b);
            ASSERT_EQ(mixExact(b, d, 0), d);
            ASSERT_EQ(mixSplit(b, d, 0), d);
            for (int w = 1; w < 256; w += 17) {
                const int difference = mixExact(b, d, w) - mixSplit(b, d, w);
                ASSERT_TRUE(difference == 0 || difference == 1) << b << " " << d << " " << w;
            }
        }
}

TEST(PixelFormatCodes, BytesPerPixelAndValidity) {
    EXPECT_EQ(bytesPerPixel(PixelFormat::Gray8), 1);
    EXPECT_EQ(bytesPerPixel(PixelFormat::Bgr24), 3);
    EXPECT_EQ(bytesPerPixel(PixelFormat::GrayAlpha16), 2);
    EXPECT_EQ(bytesPerPixel(PixelFormat::Bgra32), 4);
    EXPECT_EQ(bytesPerPixel(PixelFormat::Bgrx32), 4);
    EXPECT_EQ(bytesPerPixel(static_cast<PixelFormat>(9)), 1);
    EXPECT_FALSE(isValid(static_cast<BlendMode>(-1)));
    EXPECT_FALSE(isValid(static_cast<BlendMode>(5)));
    EXPECT_TRUE(isValid(BlendMode::InverseMultiply));
    EXPECT_FALSE(isValid(static_cast<PixelFormat>(5)));
}

}  // namespace
}  // namespace tessary
