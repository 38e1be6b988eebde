#pragma once
// The demo's Scene composed into an in-memory window instead of one on a
// display: the same image files, sprites, random sequence and update rules,
// with the cursor held still at one point of the window.
//
// The frame thread is held at its start (through the worker-count seam, which
// it asks before its first pass) until a pass observer is in place, so every
// pass from the first is seen. After the chosen number of passes the observer
// holds the frame thread inside the last pass, so the picture in the window is
// that of a known frame until the demo is destroyed.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "app/Scene.h"
#include "platform/MemoryDeviceContext.h"
#include "screen/WorkerCount.h"

namespace tessary::bench {

class HeadlessDemo {
public:
    static constexpr int32_t kWidth = 800;
    static constexpr int32_t kHeight = 620;  // 600 rows and one menu bar, as the demo's window
    static constexpr Point kCursor{400, 300};

    // Called at the end of pass 1, 2, ..., after the Scene's own update, on
    // the frame thread with frameLock held.
    using PassObserver = std::function<void(uint64_t pass)>;
    // Called when the Scene's update of pass 1, 2, ... begins: its first step
    // asks where the cursor is. What a pass did before is its composition.
    using UpdateObserver = std::function<void(uint64_t pass)>;

    // Starts the random sequence afresh, as a new process would, and builds
    // the Scene; its frame thread waits for run(). Reads the image files from
    // the current directory; throws what the Scene throws.
    HeadlessDemo(WorkerCount workers, MemoryDeviceContext::Recording recording);
    // Lets the frame thread go and stops it, with every worker.
    ~HeadlessDemo();
    HeadlessDemo(const HeadlessDemo&) = delete;
    HeadlessDemo& operator=(const HeadlessDemo&) = delete;

    // Runs the frame loop for `passes` passes and returns once the last one's
    // observer has run. Call once.
    void run(uint64_t passes, PassObserver observer, UpdateObserver updateObserver = nullptr);

    Scene& getScene() { return *scene_; }
    MemoryDeviceContext& getWindow() { return *window_; }

private:
    void observePasses();
    // Lets the frame thread start and end its last observed pass; observes nothing more.
    void release();

    // Shared with the frame thread's callbacks, which may outlive a failed constructor's locals.
    struct Control {
        std::mutex mutex;
        std::condition_variable changed;
        bool started = false;   // the frame thread may begin its loop
        bool released = false;  // the last observed pass may end
        uint64_t passes = 0;    // passes ended so far
        uint64_t target = 0;
        PassObserver observer;
        UpdateObserver updateObserver;
    };

    std::shared_ptr<Control> control_;
    std::shared_ptr<MemoryDeviceContext> window_;
    std::unique_ptr<Scene> scene_;
};

}  // namespace tessary::bench
