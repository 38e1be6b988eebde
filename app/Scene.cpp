#include "app/Scene.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <stdexcept>

#include "app/SpriteChanges.h"
#include "io/LoadImageFile.h"
#include "pixel/Color.h"
#include "pixel/Image.h"
#include "platform/Clock.h"
#include "screen/Screen.h"
#include "sprite/FillRectSprite.h"
#include "sprite/ImageSprite.h"
#include "sprite/SpriteManager.h"

using tessary::BlendMode;
using tessary::Color;
using tessary::Rect;

namespace {

constexpr int32_t kCascadeCount = 50;
constexpr int32_t kFirstFlakeId = 100;
constexpr int32_t kBaseOpacities[4] = {32, 64, 128, 192};

// The C library's generator, never seeded: every run starts from the same
// sequence. Its values are non-negative.
int32_t nextRandom() { return static_cast<int32_t>(std::rand()); }

}  // namespace

Scene::Scene(std::shared_ptr<tessary::IDeviceContext> dc, int32_t clientWidth, int32_t clientHeight,
             CursorSource cursor, tessary::WorkerCount workerCount)
    : dc_(std::move(dc)), cursor_(std::move(cursor)) {
    if (!dc_) throw std::invalid_argument("Scene needs a device context");
    if (!cursor_) throw std::invalid_argument("Scene needs a cursor source");
    frameTimes_.fill(-1);
    screen_ = std::make_shared<tessary::Screen>(*dc_, clientWidth, clientHeight, std::move(workerCount));
    createSprites();
    screen_->addFrameCallback([this](tessary::Screen&) { return update(); });
    screen_->start();
}

void Scene::createSprites() {
    tessary::Screen& screen = *screen_;
    const int32_t width = screen.getWidth();
    const int32_t height = screen.getHeight();

    showSprite(*screen.createFillRectSprite(0, Rect{0, 0, width, height}, 0, Color::rgb(255, 255, 255)));
    showSprite(*screen.createFillRectSprite(10, Rect{50, 50, 160, 160}, 2, Color::rgb(255, 0, 0)));

    // One image for the whole cascade.
    if (const std::shared_ptr<tessary::Image> badge = tessary::loadImageFile("load.gra")) {
        for (int32_t k = 0; k < kCascadeCount; ++k) {
            const auto sprite = screen.createImageSprite(11 + k, 75 + 5 * k, 75 + 5 * k, 3 + k, badge);
            changeOpacity(*sprite, 128);
            showSprite(*sprite);
        }
    }

    showSprite(*screen.createFillRectSprite(50, Rect{100, 100, 200, 200}, 100, Color::rgba(0, 255, 0, 60)));

    const std::shared_ptr<tessary::Image> snow = tessary::loadImageFile("snow.png");
    const std::shared_ptr<tessary::Image> smallSnow = tessary::loadImageFile("snow2.png");
    flakes_.reserve(kFlakeCount);
    for (int32_t id = kFirstFlakeId; id < kFirstFlakeId + kFlakeCount; ++id) {
        const int32_t x = nextRandom() % width;
        const int32_t y = nextRandom() % height;
        // 0 counts as 1, so the slowest flakes are twice as common as the others.
        const int32_t speed = std::max(nextRandom() % 5, 1);
        const auto sprite = screen.createImageSprite(id, x, y, 500, speed == 1 ? smallSnow : snow);
        if (!sprite) continue;
        Flake flake{id, 0, speed, kBaseOpacities[id % 4], sprite};
        changeBlendMode(*sprite, BlendMode::Add);
        changeOpacity(*sprite, static_cast<uint8_t>(flake.baseOpacity));
        showSprite(*sprite);
        flakes_.push_back(std::move(flake));
    }
}

Scene::~Scene() {
    try {
        // The frame thread holds a plain pointer to this Scene: it must be
        // gone, with every worker, before anything of the Scene is released.
        screen_->stop();
        screen_.reset();
        dc_.reset();
    } catch (...) {
        // Nothing can be reported from here; the lock and the flakes are
        // released below all the same.
    }
}

bool Scene::update() {
    followCursor();
    moveFlakes();
    sampleFrameTime();
    return false;
}

void Scene::followCursor() {
    const auto follower =
        std::dynamic_pointer_cast<tessary::ImageSprite>(screen_->getSpriteManager()->find(kFollowerId));
    if (!follower) return;
    const tessary::Point cursor = cursor_();
    const tessary::Image& image = *follower->getImage();
    moveSprite(*follower, cursor.x - image.getWidth() / 2, cursor.y - image.getHeight() / 2);
}

void Scene::moveFlakes() {
    const int32_t width = screen_->getWidth();
    const int32_t height = screen_->getHeight();
    for (Flake& flake : flakes_) {
        tessary::ImageSprite& sprite = *flake.sprite;
        const int32_t r = nextRandom();
        int32_t x = sprite.getX();
        int32_t y = sprite.getY();
        int32_t opacity = sprite.getOpacity();
        if (r % 2 != 0) {
            flake.dx = std::min(flake.speed, flake.dx + 1);
            opacity = std::min(255, opacity + r % 3);
        } else {
            flake.dx = std::max(-flake.speed, flake.dx - 1);
            opacity = std::max(0, opacity - r % 3);
        }
        // Only the right and the bottom edge wrap; a flake leaving on the
        // left drifts on until its random walk brings it back.
        x += flake.dx;
        if (x > width + 10) x = -10;
        y += flake.speed;
        if (y > height) {
            y = -10;
            opacity = flake.baseOpacity;
        }
        moveSprite(sprite, x, y);
        changeOpacity(sprite, static_cast<uint8_t>(opacity));
    }
}

void Scene::sampleFrameTime() {
    const uint32_t now = tessary::timeGetTime();
    if (lastFrameTime_ != 0 && lastFrameTime_ < now) {
        const int32_t slot = nextSample_ == kFrameTimeSlots ? 0 : nextSample_;
        // A pass cannot last 24 days, but a clock that jumps must not turn a
        // sample into the empty-slot mark.
        const uint32_t interval = std::min<uint32_t>(now - lastFrameTime_, std::numeric_limits<int32_t>::max());
        {
            tessary::CriticalSectionGuard guard(fpsLock_);
            frameTimes_[static_cast<std::size_t>(slot)] = static_cast<int32_t>(interval);
        }
        nextSample_ = slot + 1;
    }
    lastFrameTime_ = now;
}

double Scene::getFps() const {
    tessary::CriticalSectionGuard guard(fpsLock_);
    uint32_t count = 0;
    uint64_t sum = 0;  // wide enough for 16 of the longest samples
    for (const int32_t sample : frameTimes_) {
        if (sample == -1) continue;
        ++count;
        sum += static_cast<uint32_t>(sample);
    }
    return sum == 0 ? 0.0 : count * 1000.0 / static_cast<double>(sum);
}

void Scene::paint() { screen_->invalidateAll(); }
