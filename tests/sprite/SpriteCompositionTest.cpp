// Banded composition against whole-picture drawing: every band that drawBand
// composes must show, inside its dirty rectangle, exactly what the same
// commands give when drawn in order, unclipped, into one full-size image, and
// must leave every other pixel of the band image alone.
//
// Why two kinds of scene. The kernels mix a pixel either exactly or with the
// split formulas (one less at most), and which one a pixel gets depends on
// where it falls in its row's traversal: on the 16-byte phase of its address
// and on the row's clipped extent (rows of 7 pixels or fewer, head, body in
// groups of 8 counted from the first aligned pixel, tail). Matching phases
// alone is not enough, because a band clips every row to its dirty rectangle
// and so can move the head/body/tail boundaries. Bytes are identical only when
// (a) each row is clipped to the same columns in band and picture and the row
// starts share their phase, or (b) no pixel is mixed with a fractional weight.
//  - MixingScenes: any opacity, colour alpha and source alpha, with
//    invalidations that span the full width (so dirty rectangles clip rows
//    only at the top and bottom), and the reference picture placed so that its
//    row bandTop has the band image's phase.
//  - UnmixedScenes: opacities, colour alphas and source alphas of 0 or 255
//    only (weights 0 and 256 agree on both paths), with invalidations of any
//    shape, which checks the left/right clipping.
// Both use every blend mode (and invalid codes), every source format (and an
// invalid one), overlaps, equal z-orders, hidden sprites and sprites partly or
// wholly outside the target.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "pixel/Blit.h"
#include "pixel/Fill.h"
#include "pixel/Image.h"
#include "pixel/MemoryHelper.h"
#include "sprite/FillRectSprite.h"
#include "sprite/ImageSprite.h"
#include "sprite/SpriteDrawer.h"
#include "sprite/SpriteManager.h"

namespace tessary {
namespace {

enum class SceneKind { Mixing, Unmixed };

// A 32-bit image over a MemoryHelper buffer, like a render worker's band
// image.
std::shared_ptr<Image> makeTarget(int32_t width, int32_t height) {
    const std::size_t pitch = std::size_t(width) * 4;
    return std::make_shared<Image>(width, height, static_cast<int32_t>(pitch),
                                   MemoryHelper::allocate(pitch * std::size_t(height)));
}

// The same, with its data moved so that row 0 starts at the given 16-byte
// phase (a multiple of 4, as every 32-bit target's rows are).
std::shared_ptr<Image> makeTargetAtPhase(int32_t width, int32_t height, std::uintptr_t rowZeroPhase) {
    const std::size_t pitch = std::size_t(width) * 4;
    const ByteBuffer raw = MemoryHelper::allocate(pitch * std::size_t(height) + 16);
    const std::uintptr_t phase = reinterpret_cast<std::uintptr_t>(raw.get()) % 16;
    const ByteBuffer data(raw, raw.get() + (rowZeroPhase + 16 - phase) % 16);
    return std::make_shared<Image>(width, height, static_cast<int32_t>(pitch), data);
}

uint8_t* pixelAt(IImage& image, int32_t x, int32_t y) {
    return image.lock() + std::ptrdiff_t(y) * image.getPitch() + std::ptrdiff_t(x) * 4;
}

class SceneBuilder {
public:
    SceneBuilder(SceneKind kind, uint32_t seed) : kind_(kind), random_(seed) {}

    int32_t between(int32_t low, int32_t high) { return std::uniform_int_distribution<int32_t>(low, high)(random_); }
    bool chance(int percent) { return between(0, 99) < percent; }
    uint8_t byte() { return static_cast<uint8_t>(between(0, 255)); }

    // Fractional weights only in mixing scenes.
    uint8_t level() {
        const int value = kind_ == SceneKind::Mixing ? pick({0, 1, 127, 128, 254, 255, int{byte()}}) : pick({0, 255});
        return static_cast<uint8_t>(value);
    }

    BlendMode mode() { return static_cast<BlendMode>(chance(5) ? pick({5, -1}) : between(0, 4)); }

    Color color() {
        switch (between(0, 4)) {
            case 0: return Color::gray(byte());
            case 1: return Color::rgb(byte(), byte(), byte());
            case 2: return Color::grayAlpha(byte(), level());
            case 3: return Color::rgba(byte(), byte(), byte(), level());
            default: return Color{static_cast<ColorKind>(7), {byte(), byte(), byte(), byte()}};
        }
    }

    std::shared_ptr<Image> image() {
        const auto format = static_cast<PixelFormat>(chance(3) ? 9 : between(0, 4));
        auto result = std::make_shared<Image>(between(1, 40), between(1, 30), format);
        const std::size_t rowBytes = std::size_t(result->getWidth()) * std::size_t(bytesPerPixel(format));
        for (int32_t y = 0; y < result->getHeight(); ++y) {
            uint8_t* row = result->lock() + std::ptrdiff_t(y) * result->getPitch();
            for (std::size_t i = 0; i < rowBytes; ++i) row[i] = byte();
            if (format == PixelFormat::GrayAlpha16) {
                for (std::size_t i = 1; i < rowBytes; i += 2) row[i] = level();
            } else if (format == PixelFormat::Bgra32) {
                for (std::size_t i = 3; i < rowBytes; i += 4) row[i] = level();
            }
        }
        return result;
    }

    uint8_t opacity() { return level(); }

private:
    template <typename T>
    T pick(std::initializer_list<T> values) {
        return values.begin()[between(0, static_cast<int32_t>(values.size()) - 1)];
    }

    SceneKind kind_;
    std::mt19937 random_;
};

class SpriteComposition : public ::testing::TestWithParam<SceneKind> {
protected:
    // Builds one random scene and frame, composes every dirty band and
    // compares it with the whole picture. Returns false after the first
    // mismatch (already reported).
    bool checkScene(uint32_t seed) {
        SceneBuilder random(GetParam(), seed);
        // Scenes of tall rectangles over many thin bands would make the
        // drawer's band index too large; it then walks every command for
        // every band instead, and that path must compose the same.
        const bool tall = random.chance(20);
        const int32_t width = random.between(1, 120);
        const int32_t height = random.between(1, 90);
        const auto manager = std::make_shared<SpriteManager>();
        const auto requestedBandHeight = static_cast<uint32_t>(random.between(0, tall ? 2 : 24));
        const auto drawer = std::make_shared<SpriteDrawer>(static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                                                           requestedBandHeight, manager);

        std::vector<std::shared_ptr<ISprite>> sprites;
        const int32_t spriteCount = random.between(1, 24);
        for (int32_t i = 0; i < spriteCount; ++i) {
            const int32_t zOrder = random.between(-3, 3);
            std::shared_ptr<ISprite> sprite;
            if (random.chance(50)) {
                const int32_t left = random.between(-30, width + 5);
                const int32_t top = random.between(tall ? -2 * height - 30 : -30, height + 5);
                const Rect rect{left, top, left + random.between(1, 60),
                                top + random.between(tall ? height : 1, tall ? 3 * height + 30 : 60)};
                sprite = std::make_shared<FillRectSprite>(manager, drawer, i, rect, zOrder, random.color());
            } else {
                sprite = std::make_shared<ImageSprite>(manager, drawer, i, random.between(-40, width + 5),
                                                       random.between(-30, height + 5), zOrder, random.image());
            }
            sprite->setBlendMode(random.mode());
            sprite->setOpacity(random.opacity());
            if (random.chance(85)) sprite->show();
            manager->add(sprite);
            sprites.push_back(sprite);
        }

        const int32_t invalidations = random.between(1, 4);
        for (int32_t i = 0; i < invalidations; ++i) {
            const int32_t top = random.between(-10, height + 10);
            const int32_t bottom = top + random.between(0, height);
            if (GetParam() == SceneKind::Mixing) {
                // Full-width only; the side-edge forms mark whole bands too.
                const int32_t form = random.between(0, 9);
                if (form == 0) drawer->invalidate(Rect{});
                else if (form == 1) drawer->invalidate(Rect{width, top, width + 5, bottom});
                else drawer->invalidate(Rect{0, top, width, bottom});
            } else if (random.chance(50)) {
                sprites[std::size_t(random.between(0, spriteCount - 1))]->invalidate();
            } else {
                const int32_t left = random.between(-10, width + 10);
                drawer->invalidate(Rect{left, top, left + random.between(0, width), bottom});
            }
        }

        // Whatever the window showed before: random bytes, alpha byte included.
        std::vector<uint8_t> before(std::size_t(width) * 4 * std::size_t(height));
        for (uint8_t& b : before) b = random.byte();

        drawer->beginFrame();
        if (!drawer->isDirty()) {
            EXPECT_TRUE(drawer->getCommands().empty());
        }

        std::map<std::uintptr_t, std::shared_ptr<Image>> pictures;  // by the phase of row 0
        const int32_t bandHeight = static_cast<int32_t>(drawer->getBandHeight());
        for (uint32_t band = 0; band < drawer->getBandCount(); ++band) {
            const Rect dirty = drawer->getBandDirtyRect(band);
            if (isEmpty(dirty)) continue;
            const int32_t bandTop = static_cast<int32_t>(band) * bandHeight;
            const auto bandImage = makeTarget(width, bandHeight);
            std::vector<uint8_t> initial(std::size_t(width) * 4 * std::size_t(bandHeight));
            for (std::size_t i = 0; i < initial.size(); ++i) {
                const std::size_t source = std::size_t(bandTop) * std::size_t(width) * 4 + i;
                initial[i] = source < before.size() ? before[source] : random.byte();
            }
            std::memcpy(bandImage->lock(), initial.data(), initial.size());
            drawer->drawBand(band, *bandImage);

            const IImage& picture = pictureFor(pictures, *bandImage, bandTop, width, height, before, *drawer);
            if (!compareBand(seed, band, dirty, bandTop, *bandImage, initial, picture, drawer->isDirty())) return false;
        }
        drawer->endFrame();
        return true;
    }

private:
    // The commands drawn in order, without clipping, into a full-size picture
    // whose row bandTop starts at the band image's 16-byte phase.
    static const IImage& pictureFor(std::map<std::uintptr_t, std::shared_ptr<Image>>& pictures, IImage& bandImage,
                                    int32_t bandTop, int32_t width, int32_t height, const std::vector<uint8_t>& before,
                                    const SpriteDrawer& drawer) {
        const std::uintptr_t bandPhase = reinterpret_cast<std::uintptr_t>(bandImage.lock()) % 16;
        const std::uintptr_t offsetPhase = (std::uintptr_t(bandTop) * std::uintptr_t(width) * 4) % 16;
        const std::uintptr_t rowZeroPhase = (bandPhase + 16 - offsetPhase) % 16;
        auto& picture = pictures[rowZeroPhase];
        if (picture) return *picture;
        picture = makeTargetAtPhase(width, height, rowZeroPhase);
        std::memcpy(picture->lock(), before.data(), before.size());
        for (const DrawCommand& command : drawer.getCommands()) {
            if (command.kind == DrawKind::Fill) {
                fill(command.color, nullptr, *picture, command.blendMode, command.rect, command.opacity);
            } else {
                blit(command.sourceOrigin, nullptr, *command.image, *picture, command.blendMode, command.rect,
                     command.opacity);
            }
        }
        return *picture;
    }

    static bool compareBand(uint32_t seed, uint32_t band, const Rect& dirty, int32_t bandTop, IImage& bandImage,
                            const std::vector<uint8_t>& initial, const IImage& picture, bool drawn) {
        const int32_t width = bandImage.getWidth();
        const uint8_t* pictureBytes = picture.lock();
        for (int32_t y = 0; y < bandImage.getHeight(); ++y) {
            for (int32_t x = 0; x < width; ++x) {
                const uint8_t* actual = pixelAt(bandImage, x, y);
                const uint8_t* old = initial.data() + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4;
                const bool inside = drawn && x >= dirty.left && x < dirty.right && y + bandTop >= dirty.top &&
                                    y + bandTop < dirty.bottom;
                const uint8_t* expected =
                    inside ? pictureBytes + std::ptrdiff_t(y + bandTop) * picture.getPitch() + std::ptrdiff_t(x) * 4
                           : old;
                // Byte 3 is not a colour channel; outside it must stay too.
                const int compared = inside ? 3 : 4;
                if (std::memcmp(actual, expected, std::size_t(compared)) != 0) {
                    ADD_FAILURE() << "seed " << seed << ", band " << band << " (top " << bandTop << "), dirty {"
                                  << dirty.left << ", " << dirty.top << ", " << dirty.right << ", " << dirty.bottom
                                  << "}, target pixel (" << x << ", " << y + bandTop << ") "
                                  << (inside ? "inside" : "outside") << ": expected " << int(expected[0]) << ","
                                  << int(expected[1]) << "," << int(expected[2]) << "," << int(expected[3])
                                  << " got " << int(actual[0]) << "," << int(actual[1]) << "," << int(actual[2])
                                  << "," << int(actual[3]);
                    return false;
                }
            }
        }
        return true;
    }
};

TEST_P(SpriteComposition, BandsMatchTheWholePicture) {
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        if (!checkScene(seed)) return;
    }
}

std::string sceneName(const ::testing::TestParamInfo<SceneKind>& scene) {
    return scene.param == SceneKind::Mixing ? "MixingScenes" : "UnmixedScenes";
}

INSTANTIATE_TEST_SUITE_P(Scenes, SpriteComposition, ::testing::Values(SceneKind::Mixing, SceneKind::Unmixed),
                         sceneName);

// A zero-size sprite covers no pixel: it must not count as "no restriction"
// and paint the whole dirty rectangle.
TEST(SpriteDrawBand, EmptySpritesDrawNothing) {
    const auto manager = std::make_shared<SpriteManager>();
    const auto drawer = std::make_shared<SpriteDrawer>(16, 8, 4, manager);
    const auto sprite = std::make_shared<FillRectSprite>(manager, drawer, 1, Rect{3, 2, 3, 6}, 0, Color::gray(200));
    sprite->show();
    manager->add(sprite);
    drawer->invalidate(Rect{0, 0, 16, 8});
    drawer->beginFrame();
    const auto band = makeTarget(16, 4);
    std::memset(band->lock(), 7, 16 * 4 * 4);
    drawer->drawBand(0, *band);
    for (int32_t i = 0; i < 16 * 4 * 4; ++i) ASSERT_EQ(band->lock()[i], 7) << "byte " << i;
}

TEST(SpriteDrawBand, CleanDrawerDrawsNothing) {
    const auto manager = std::make_shared<SpriteManager>();
    const auto drawer = std::make_shared<SpriteDrawer>(16, 8, 4, manager);
    const auto sprite = std::make_shared<FillRectSprite>(manager, drawer, 1, Rect{0, 0, 16, 8}, 0, Color::gray(200));
    sprite->show();
    manager->add(sprite);
    // Touching the right edge marks band 0 but leaves the drawer clean.
    drawer->invalidate(Rect{16, 0, 20, 4});
    ASSERT_FALSE(isEmpty(drawer->getBandDirtyRect(0)));
    drawer->beginFrame();
    const auto band = makeTarget(16, 4);
    std::memset(band->lock(), 7, 16 * 4 * 4);
    drawer->drawBand(0, *band);
    for (int32_t i = 0; i < 16 * 4 * 4; ++i) ASSERT_EQ(band->lock()[i], 7) << "byte " << i;
}

}  // namespace
}  // namespace tessary
