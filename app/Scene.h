#pragma once
// The demo the window shows: snow falling over a cascade of translucent
// badges, one of which follows the mouse. The Scene builds its Screen over the
// window's pixels, creates the sprites, animates them once per pass of the
// frame loop and measures the frame rate.
//
// Its platform inputs come in through small seams, so that it runs the same
// over a real window and over an in-memory one: the device context and client
// size, the cursor, the worker count, and the millisecond clock
// (tessary::timeGetTime, which tests can drive).

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "pixel/Geometry.h"
#include "platform/CriticalSection.h"
#include "platform/IDeviceContext.h"
#include "screen/WorkerCount.h"

namespace tessary {
class ImageSprite;
class Screen;
}  // namespace tessary

struct Flake {
    int32_t id = 0;
    int32_t dx = 0;           // pixels per pass, always within -speed..speed
    int32_t speed = 1;        // pixels per pass downwards, 1..4
    int32_t baseOpacity = 0;  // 32, 64, 128 or 192; restored at each wrap
    std::shared_ptr<tessary::ImageSprite> sprite;
};

class Scene {
public:
    // Where the pointer is, in the window's client coordinates, also when it
    // is outside the window. Called on the frame thread.
    using CursorSource = std::function<tessary::Point()>;

    static constexpr int32_t kFollowerId = 40;
    static constexpr int32_t kFlakeCount = 900;
    static constexpr int32_t kFrameTimeSlots = 16;

    // Builds every sprite and starts the frame thread. Reads "load.gra",
    // "snow.png" and "snow2.png" from the current directory. Errors (a missing
    // or bad image file, a refused thread) leave the constructor, and what was
    // built is released.
    Scene(std::shared_ptr<tessary::IDeviceContext> dc, int32_t clientWidth, int32_t clientHeight,
          CursorSource cursor, tessary::WorkerCount workerCount = tessary::onePerProcessor());
    // Stops the frame thread and all workers before anything is released.
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // One animation step: the follower to the cursor, the flakes one step
    // down, one frame-time sample. Runs on the frame thread under frameLock;
    // always false, so it stays registered.
    bool update();
    // The whole window is redrawn in the next pass.
    void paint();
    // Frames per second over the last recorded intervals; 0.0 before the first.
    double getFps() const;

    const std::shared_ptr<tessary::Screen>& getScreen() const { return screen_; }
    const std::vector<Flake>& getFlakes() const { return flakes_; }

private:
    void createSprites();
    void followCursor();
    void moveFlakes();
    void sampleFrameTime();

    // Declared in the order of construction: a failed constructor releases
    // the Screen before the device context it borrows.
    std::shared_ptr<tessary::IDeviceContext> dc_;
    CursorSource cursor_;
    std::shared_ptr<tessary::Screen> screen_;
    std::vector<Flake> flakes_;
    mutable tessary::CriticalSection fpsLock_;
    int32_t nextSample_ = 0;      // frame thread only
    uint32_t lastFrameTime_ = 0;  // frame thread only; 0 means no pass yet
    std::array<int32_t, kFrameTimeSlots> frameTimes_{};  // under fpsLock_; -1 marks an empty slot
};
