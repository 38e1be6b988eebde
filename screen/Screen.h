#pragma once
// The composition surface of one window: it owns the sprites' manager and
// drawer, creates sprites, keeps the per-frame callbacks, runs the frame
// thread and copies composed bands to the window.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "pixel/Color.h"
#include "pixel/Geometry.h"
#include "platform/CriticalSection.h"
#include "platform/IDeviceContext.h"
#include "screen/FrameJob.h"
#include "screen/WorkerCount.h"
#include "thread/Thread.h"

namespace tessary {

class FillRectSprite;
class IImage;
class Image;
class ImageSprite;
class Screen;
class SpriteDrawer;
class SpriteManager;

// Called once per pass of the frame loop, on the frame thread, with frameLock
// held. Returning true removes it after that call.
using FrameCallback = std::function<bool(Screen&)>;

class Screen {
public:
    static constexpr int32_t kMaxWidth = 8192;
    // One band image holds at most this many bytes of 32-bit pixels.
    static constexpr uint32_t kBandBytes = 32768;

    // `dc` is borrowed: it must outlive the Screen (at least until stop() or
    // the destructor has returned), and the Screen never releases it. Throws
    // std::invalid_argument unless 1 <= width <= kMaxWidth and height >= 1,
    // or for an empty worker count. `workerCount` is asked on the frame thread
    // each time it starts. Created stopped.
    Screen(IDeviceContext& dc, int32_t width, int32_t height, WorkerCount workerCount = onePerProcessor());
    // Stops the frame thread first. Never call it from a frame callback.
    virtual ~Screen();

    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    int32_t getWidth() const { return width_; }
    int32_t getHeight() const { return height_; }
    std::shared_ptr<SpriteManager> getSpriteManager() const { return spriteManager_; }

    // A new sprite is in the manager's list but hidden, opacity 255, Normal:
    // creating it makes nothing dirty. Both take frameLock, so they are safe
    // while the frame thread runs and from a frame callback. An empty image
    // raises std::invalid_argument.
    std::shared_ptr<ImageSprite> createImageSprite(int32_t id, int32_t x, int32_t y, int32_t zOrder,
                                                   std::shared_ptr<Image> image);
    std::shared_ptr<FillRectSprite> createFillRectSprite(int32_t id, const Rect& rect, int32_t zOrder,
                                                         const Color& color);

    // Appends a callback after those already registered. Takes frameLock, so
    // it may be called while the frame thread runs, also from a callback (the
    // new one first runs in the next pass). An empty callback raises
    // std::invalid_argument.
    void addFrameCallback(FrameCallback callback);

    // The next pass redraws and presents the whole area. Takes frameLock.
    void invalidateAll();

    // Copies `dirty` (window coordinates) from a 32-bit band image whose row 0
    // is window row bandTop: window pixel (x, y) receives the band's pixel at
    // row y - bandTop, column x, its fourth byte ignored. Only the part of
    // `dirty` inside both the window and the band is copied. Takes
    // presentLock, so presentations never overlap. Throws
    // std::invalid_argument for a band image that is not 32 bits per pixel.
    void presentBand(IImage& bandImage, const Rect& dirty, int32_t bandTop);

    // Starts the frame thread, stopping a running one first. Throws
    // std::runtime_error when the system refuses the thread (the Screen then
    // stays stopped) and std::logic_error when called from the frame thread.
    void start();
    // Interrupts the frame thread and waits for it; it stops its workers
    // before it ends, so no thread of this Screen runs afterwards. Returns at
    // once when stopped. Throws std::logic_error when called from the frame thread.
    void stop();
    // Started and not stopped since; for the thread that starts and stops it.
    bool isRunning() const { return frameThread_.isStarted(); }

    // Frames composed (passes that found something dirty) and pacing pauses
    // taken, since construction.
    uint64_t getComposedFrameCount() const { return composedFrameCount_.load(std::memory_order_acquire); }
    uint64_t getPauseCount() const { return pauseCount_.load(std::memory_order_acquire); }

private:
    // The frame thread and the workers reach the lock, the job, the drawer and
    // the callbacks through it.
    friend struct FrameLoopAccess;

    static int32_t checkedWidth(int32_t width, int32_t height);
    void refuseFromFrameThread(const char* operation) const;

    // Declared in the order of construction; members are destroyed in reverse,
    // after the destructor has stopped the frame thread.
    IDeviceContext& dc_;
    const int32_t width_;
    const int32_t height_;
    std::shared_ptr<SpriteManager> spriteManager_;
    std::shared_ptr<SpriteDrawer> spriteDrawer_;
    std::vector<FrameCallback> frameCallbacks_;
    Thread frameThread_;
    CriticalSection frameLock_;
    FrameJob job_;

    const WorkerCount workerCount_;
    std::atomic<std::thread::id> frameThreadId_{};
    std::atomic<uint64_t> composedFrameCount_{0};
    std::atomic<uint64_t> pauseCount_{0};
};

}  // namespace tessary
