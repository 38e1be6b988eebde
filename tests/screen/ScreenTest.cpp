// The Screen without its frame thread: what it accepts, what its factories
// make, and exactly which pixels presentBand copies.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "pixel/Image.h"
#include "platform/MemoryDeviceContext.h"
#include "screen/Screen.h"
#include "sprite/FillRectSprite.h"
#include "sprite/ImageSprite.h"
#include "sprite/SpriteManager.h"
#include "tests/screen/ScreenTestSupport.h"

namespace tessary {
namespace {

TEST(ScreenConstructionTest, AcceptsWidthsFromOneTo8192AndPositiveHeights) {
    struct Case {
        int32_t width;
        int32_t height;
        bool accepted;
    };
    const Case cases[] = {
        {1, 1, true},     {800, 600, true}, {8192, 3, true}, {0, 600, false},
        {-1, 600, false}, {8193, 1, false}, {800, 0, false}, {800, -600, false},
    };
    MemoryDeviceContext dc(1, 1);
    for (const Case& c : cases) {
        if (c.accepted) {
            Screen screen(dc, c.width, c.height, fixedWorkers(1));
            EXPECT_EQ(c.width, screen.getWidth());
            EXPECT_EQ(c.height, screen.getHeight());
            EXPECT_FALSE(screen.isRunning());
        } else {
            EXPECT_THROW(Screen(dc, c.width, c.height, fixedWorkers(1)), std::invalid_argument)
                << c.width << " x " << c.height;
        }
    }
    EXPECT_THROW(Screen(dc, 10, 10, WorkerCount()), std::invalid_argument);
}

TEST(ScreenConstructionTest, WorkerCountsOfTheTwoPrograms) {
    EXPECT_EQ(1u, singleWorker()());
    EXPECT_EQ(3u, fixedWorkers(3)());
    EXPECT_GE(onePerProcessor()(), 1u);
}

TEST(ScreenFactoryTest, SpritesAreFiledHiddenAndShareTheScreensParts) {
    MemoryDeviceContext dc(100, 50);
    Screen screen(dc, 100, 50, fixedWorkers(1));
    const auto rect = screen.createFillRectSprite(7, Rect{1, 2, 30, 40}, 3, Color::rgb(1, 2, 3));
    const auto image = testing::makePatternImage(4, 4, 1);
    const auto picture = screen.createImageSprite(8, 5, 6, 2, image);

    const auto manager = screen.getSpriteManager();
    ASSERT_EQ(2u, manager->getEntries().size());
    EXPECT_EQ(rect, manager->find(7));
    EXPECT_EQ(picture, manager->find(8));
    EXPECT_FALSE(rect->isVisible());
    EXPECT_FALSE(picture->isVisible());
    EXPECT_EQ(255, rect->getOpacity());
    EXPECT_EQ(BlendMode::Normal, picture->getBlendMode());
    EXPECT_EQ(image, picture->getImage());
    EXPECT_EQ((Rect{5, 6, 9, 10}), picture->getRect());
}

TEST(ScreenFactoryTest, RefusesAnImageSpriteWithoutImageAndFilesNothing) {
    MemoryDeviceContext dc(10, 10);
    Screen screen(dc, 10, 10, fixedWorkers(1));
    EXPECT_THROW(screen.createImageSprite(1, 0, 0, 0, nullptr), std::invalid_argument);
    EXPECT_TRUE(screen.getSpriteManager()->getEntries().empty());
}

TEST(ScreenFactoryTest, RefusesAnEmptyFrameCallback) {
    MemoryDeviceContext dc(10, 10);
    Screen screen(dc, 10, 10, fixedWorkers(1));
    EXPECT_THROW(screen.addFrameCallback(FrameCallback()), std::invalid_argument);
}

TEST(ScreenFactoryTest, TheManagerOutlivesTheScreenOnlyThroughItsHolders) {
    MemoryDeviceContext dc(10, 10);
    std::weak_ptr<FillRectSprite> sprite;
    std::weak_ptr<SpriteManager> manager;
    {
        Screen screen(dc, 10, 10, fixedWorkers(1));
        sprite = screen.createFillRectSprite(1, Rect{0, 0, 5, 5}, 0, Color::gray(9));
        manager = screen.getSpriteManager();
    }
    EXPECT_TRUE(sprite.expired());
    EXPECT_TRUE(manager.expired());
}

// A band of `rows` rows over the screen's width whose pixels all differ, with
// a fourth byte that must never reach the window.
std::shared_ptr<Image> makeBand(int32_t width, int32_t rows) {
    auto band = std::make_shared<Image>(width, rows, PixelFormat::Bgrx32);
    ImageWriteLock pixels(*band);
    for (int32_t y = 0; y < rows; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = pixels.pixels() + static_cast<std::ptrdiff_t>(y) * band->getPitch() + 4 * x;
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(x >> 8);
            p[2] = static_cast<uint8_t>(y + 1);
            p[3] = 0xA5;
        }
    }
    return band;
}

uint32_t expectedBandPixel(int32_t x, int32_t bandRow) {
    return static_cast<uint32_t>(x & 0xFF) | static_cast<uint32_t>((x >> 8) & 0xFF) << 8 |
           static_cast<uint32_t>(bandRow + 1) << 16;
}

constexpr uint32_t kBackground = 0x00C0FFEE;

struct PresentCase {
    const char* name;
    Rect dirty;
    int32_t bandTop;
    Rect written;  // empty: nothing reaches the window
};

std::string presentCaseName(const ::testing::TestParamInfo<PresentCase>& param) { return param.param.name; }

class PresentBandTest : public ::testing::TestWithParam<PresentCase> {};

TEST_P(PresentBandTest, WindowPixelsReceiveBandRowYMinusBandTop) {
    const PresentCase& c = GetParam();
    MemoryDeviceContext dc(800, 600, kBackground);
    Screen screen(dc, 800, 600, fixedWorkers(1));
    const auto band = makeBand(800, 10);
    screen.presentBand(*band, c.dirty, c.bandTop);

    const auto presentations = dc.getPresentations();
    if (isEmpty(c.written)) {
        EXPECT_TRUE(presentations.empty());
    } else {
        ASSERT_EQ(1u, presentations.size());
        EXPECT_EQ(c.written, presentations[0].dirty);
        EXPECT_EQ(c.bandTop, presentations[0].bandTop);
    }
    const auto picture = dc.getPicture();
    for (int32_t y = 0; y < 600; ++y) {
        for (int32_t x = 0; x < 800; ++x) {
            const bool inside =
                x >= c.written.left && x < c.written.right && y >= c.written.top && y < c.written.bottom;
            const uint32_t expected = inside ? expectedBandPixel(x, y - c.bandTop) : kBackground;
            const uint32_t actual = picture[static_cast<std::size_t>(y) * 800 + static_cast<std::size_t>(x)];
            if (expected != actual) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << "): expected " << std::hex << expected << ", got "
                              << actual;
                return;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PresentBandTest,
    ::testing::Values(PresentCase{"WholeBand", {0, 20, 800, 30}, 20, {0, 20, 800, 30}},
                      PresentCase{"PartOfTheBand", {100, 23, 300, 27}, 20, {100, 23, 300, 27}},
                      PresentCase{"FirstBand", {0, 0, 1, 1}, 0, {0, 0, 1, 1}},
                      PresentCase{"LastRowsOfTheWindow", {790, 595, 800, 600}, 590, {790, 595, 800, 600}},
                      PresentCase{"RowsOutsideTheBandAreNotRead", {0, 15, 800, 45}, 20, {0, 20, 800, 30}},
                      PresentCase{"ColumnsOutsideTheWindowAreDropped", {-5, 20, 900, 21}, 20, {0, 20, 800, 21}},
                      PresentCase{"BandHangingBelowTheWindow", {0, 595, 800, 605}, 595, {0, 595, 800, 600}},
                      PresentCase{"ZeroWidth", {5, 20, 5, 30}, 20, {}},
                      PresentCase{"Inverted", {300, 20, 100, 30}, 20, {}},
                      PresentCase{"BandAboveTheDirtyRows", {0, 40, 800, 50}, 20, {}}),
    presentCaseName);

TEST(PresentBandFormatTest, RefusesABandThatIsNot32BitsPerPixel) {
    MemoryDeviceContext dc(8, 8);
    Screen screen(dc, 8, 8, fixedWorkers(1));
    Image gray(8, 8, PixelFormat::Gray8);
    EXPECT_THROW(screen.presentBand(gray, Rect{0, 0, 8, 8}, 0), std::invalid_argument);
    EXPECT_EQ(0u, dc.getPresentationCount());
}

}  // namespace
}  // namespace tessary
