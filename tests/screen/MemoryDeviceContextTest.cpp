// The in-memory window: what a presentation writes, what it records, and that
// presentations from many threads all arrive whole.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/MemoryDeviceContext.h"

namespace tessary {
namespace {

// Band pixels whose fourth byte is never 0, so that a copied fourth byte shows.
std::vector<uint8_t> makeBand(int32_t width, int32_t rows) {
    std::vector<uint8_t> band(static_cast<std::size_t>(width) * 4 * static_cast<std::size_t>(rows));
    for (std::size_t i = 0; i < band.size(); ++i) band[i] = static_cast<uint8_t>(i % 4 == 3 ? 0xEE : i * 31 + 7);
    return band;
}

uint32_t bandPixel(const std::vector<uint8_t>& band, int32_t width, int32_t row, int32_t column) {
    const std::size_t at = (static_cast<std::size_t>(row) * static_cast<std::size_t>(width) + column) * 4;
    return uint32_t{band[at]} | uint32_t{band[at + 1]} << 8 | uint32_t{band[at + 2]} << 16;
}

TEST(MemoryDeviceContextTest, StartsWithTheBackgroundWithoutAlpha) {
    MemoryDeviceContext dc(3, 2, 0xFF123456u);
    EXPECT_EQ(std::vector<uint32_t>(6, 0x123456u), dc.getPicture());
    EXPECT_EQ(0u, dc.getPresentationCount());
}

TEST(MemoryDeviceContextTest, RefusesSizesWithoutPixels) {
    EXPECT_THROW(MemoryDeviceContext(0, 5), std::invalid_argument);
    EXPECT_THROW(MemoryDeviceContext(5, -1), std::invalid_argument);
    MemoryDeviceContext dc(2, 2);
    EXPECT_THROW(dc.getPixel(2, 0), std::out_of_range);
    EXPECT_THROW(dc.getPixel(0, -1), std::out_of_range);
}

TEST(MemoryDeviceContextTest, CopiesTheDirtyRowsOfTheBandAndDropsTheFourthByte) {
    const int32_t width = 8;
    MemoryDeviceContext dc(width, 10, 0x010203u);
    const std::vector<uint8_t> band = makeBand(width, 3);
    dc.present(band.data(), width * 4, Rect{2, 5, 6, 7}, 4);

    for (int32_t y = 0; y < 10; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 5 && y < 7;
            EXPECT_EQ(inside ? bandPixel(band, width, y - 4, x) : 0x010203u, dc.getPixel(x, y)) << x << "," << y;
        }
    }
    const auto presentations = dc.getPresentations();
    ASSERT_EQ(1u, presentations.size());
    EXPECT_EQ((Rect{2, 5, 6, 7}), presentations[0].dirty);
    EXPECT_EQ(4, presentations[0].bandTop);
}

TEST(MemoryDeviceContextTest, ClipsToThePictureAndRecordsWhatWasWritten) {
    struct Case {
        Rect dirty;
        Rect written;
    };
    const Case cases[] = {
        {{-3, 0, 2, 1}, {0, 0, 2, 1}},   // off the left edge
        {{6, 0, 20, 1}, {6, 0, 8, 1}},   // off the right edge
        {{0, 0, 8, 0}, {}},              // no rows
        {{5, 0, 3, 1}, {}},              // inverted
        {{9, 0, 12, 1}, {}},             // wholly outside
    };
    for (const Case& c : cases) {
        MemoryDeviceContext dc(8, 1);
        const std::vector<uint8_t> band = makeBand(8, 1);
        dc.present(band.data(), 32, c.dirty, 0);
        const auto presentations = dc.getPresentations();
        ASSERT_EQ(1u, presentations.size());
        EXPECT_EQ(c.written, presentations[0].dirty);
        for (int32_t x = 0; x < 8; ++x) {
            const bool inside = x >= c.written.left && x < c.written.right;
            EXPECT_EQ(inside ? bandPixel(band, 8, 0, x) : 0u, dc.getPixel(x, 0));
        }
    }
}

TEST(MemoryDeviceContextTest, KeepsOnlyTheCountWhenAskedTo) {
    MemoryDeviceContext dc(4, 4, 0, MemoryDeviceContext::Recording::CountOnly);
    const std::vector<uint8_t> band = makeBand(4, 1);
    dc.present(band.data(), 16, Rect{0, 2, 4, 3}, 2);
    EXPECT_EQ(1u, dc.getPresentationCount());
    EXPECT_TRUE(dc.getPresentations().empty());
    EXPECT_EQ(bandPixel(band, 4, 0, 1), dc.getPixel(1, 2));
    dc.clearPresentations();
    EXPECT_EQ(0u, dc.getPresentationCount());
}

TEST(MemoryDeviceContextTest, RecordsPresentationsFromManyThreadsInArrivalOrder) {
    const int32_t threads = 4;
    const int32_t each = 300;
    MemoryDeviceContext dc(16, threads);
    std::vector<std::thread> presenters;
    for (int32_t t = 0; t < threads; ++t) {
        presenters.emplace_back([&dc, t] {
            const std::vector<uint8_t> band = makeBand(16, 1);
            // Each thread writes its own row, and numbers its presentations by their width.
            for (int32_t i = 0; i < each; ++i) dc.present(band.data(), 64, Rect{0, t, 1 + i % 16, t + 1}, t);
        });
    }
    EXPECT_TRUE(dc.waitForPresentationCount(threads * each, std::chrono::seconds(60)));
    for (std::thread& presenter : presenters) presenter.join();

    const auto presentations = dc.getPresentations();
    ASSERT_EQ(static_cast<std::size_t>(threads * each), presentations.size());
    std::vector<int32_t> seen(threads, 0);
    for (const auto& p : presentations) {
        const int32_t t = p.bandTop;
        EXPECT_EQ((Rect{0, t, 1 + seen[t] % 16, t + 1}), p.dirty);
        ++seen[t];
    }
    EXPECT_EQ(std::vector<int32_t>(threads, each), seen);
}

TEST(MemoryDeviceContextTest, WaitForPresentationsGivesUpAfterItsLimit) {
    MemoryDeviceContext dc(2, 2);
    EXPECT_FALSE(dc.waitForPresentationCount(1, std::chrono::milliseconds(1)));
    EXPECT_TRUE(dc.waitForPresentationCount(0, std::chrono::milliseconds(0)));
}

}  // namespace
}  // namespace tessary
