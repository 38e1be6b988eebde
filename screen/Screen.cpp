#include "screen/Screen.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

#include "pixel/IImage.h"
#include "pixel/Image.h"
#include "screen/FrameThread.h"
#include "sprite/FillRectSprite.h"
#include "sprite/ImageSprite.h"
#include "sprite/SpriteDrawer.h"
#include "sprite/SpriteManager.h"

namespace tessary {

int32_t Screen::checkedWidth(int32_t width, int32_t height) {
    // Wider than kMaxWidth, a band of kBandBytes would hold less than one row.
    if (width < 1 || width > kMaxWidth) {
        throw std::invalid_argument("tessary::Screen::Screen: width must be between 1 and 8192");
    }
    if (height < 1) throw std::invalid_argument("tessary::Screen::Screen: height must be at least 1");
    return width;
}

Screen::Screen(IDeviceContext& dc, int32_t width, int32_t height, WorkerCount workerCount)
    : dc_(dc), width_(checkedWidth(width, height)), height_(height), workerCount_(std::move(workerCount)) {
    if (!workerCount_) throw std::invalid_argument("tessary::Screen::Screen: empty worker count");
    const uint32_t bandHeight = kBandBytes / (4u * static_cast<uint32_t>(width_));
    auto manager = std::make_shared<SpriteManager>();
    auto drawer = std::make_shared<SpriteDrawer>(static_cast<uint32_t>(width_), static_cast<uint32_t>(height_),
                                                 bandHeight, std::weak_ptr<SpriteManager>(manager));
    spriteManager_ = std::move(manager);
    spriteDrawer_ = std::move(drawer);
}

Screen::~Screen() {
    // The threads use every member; none may go while they run.
    frameThread_.stop();
}

std::shared_ptr<ImageSprite> Screen::createImageSprite(int32_t id, int32_t x, int32_t y, int32_t zOrder,
                                                       std::shared_ptr<Image> image) {
    CriticalSectionGuard guard(frameLock_);
    auto sprite = std::make_shared<ImageSprite>(spriteManager_, spriteDrawer_, id, x, y, zOrder, std::move(image));
    spriteManager_->add(sprite);
    return sprite;
}

std::shared_ptr<FillRectSprite> Screen::createFillRectSprite(int32_t id, const Rect& rect, int32_t zOrder,
                                                             const Color& color) {
    CriticalSectionGuard guard(frameLock_);
    auto sprite = std::make_shared<FillRectSprite>(spriteManager_, spriteDrawer_, id, rect, zOrder, color);
    spriteManager_->add(sprite);
    return sprite;
}

void Screen::addFrameCallback(FrameCallback callback) {
    // An empty callback would fail every pass and starve the ones after it.
    if (!callback) throw std::invalid_argument("tessary::Screen::addFrameCallback: empty callback");
    CriticalSectionGuard guard(frameLock_);
    frameCallbacks_.push_back(std::move(callback));
}

void Screen::invalidateAll() {
    CriticalSectionGuard guard(frameLock_);
    spriteDrawer_->invalidate(Rect{0, 0, width_, height_});
}

void Screen::presentBand(IImage& bandImage, const Rect& dirty, int32_t bandTop) {
    if (bytesPerPixel(bandImage.getFormat()) != 4) {
        throw std::invalid_argument("tessary::Screen::presentBand: the band image must have 32-bit pixels");
    }
    // Only rows the band holds and pixels the window has are copied; a
    // rectangle with left > right or top > bottom covers nothing.
    const int64_t bandBottom = int64_t{bandTop} + bandImage.getHeight();
    const int32_t left = std::max(dirty.left, 0);
    const int32_t right = std::min({dirty.right, width_, bandImage.getWidth()});
    const int32_t top = std::max({dirty.top, bandTop, 0});
    const int32_t bottom = static_cast<int32_t>(std::min<int64_t>({dirty.bottom, bandBottom, height_}));
    if (left >= right || top >= bottom) return;

    CriticalSectionGuard guard(job_.presentLock);
    ImageWriteLock pixels(bandImage);
    dc_.present(pixels.pixels(), bandImage.getPitch(), Rect{left, top, right, bottom}, bandTop);
}

void Screen::refuseFromFrameThread(const char* operation) const {
    // The frame thread would wait for itself.
    if (frameThreadId_.load() == std::this_thread::get_id()) {
        throw std::logic_error(std::string("tessary::Screen::") + operation + ": called from the frame thread");
    }
}

void Screen::start() {
    refuseFromFrameThread("start");
    frameThread_.stop();
    frameThread_.start([this](ThreadNotifier& notifier) { frameThreadBody(*this, notifier); });
    if (!frameThread_.isStarted()) {
        throw std::runtime_error("tessary::Screen::start: the system refused to create the frame thread");
    }
}

void Screen::stop() {
    refuseFromFrameThread("stop");
    frameThread_.stop();
}

}  // namespace tessary
