#include "screen/FrameThread.h"

#include <algorithm>
#include <cstddef>
#include <exception>
#include <iterator>
#include <thread>
#include <utility>
#include <vector>

#include "pixel/MemoryHelper.h"
#include "platform/Clock.h"
#include "screen/Screen.h"
#include "sprite/SpriteDrawer.h"
#include "thread/Exception.h"

namespace tessary {

struct FrameLoopAccess {
    static CriticalSection& frameLock(Screen& screen) { return screen.frameLock_; }
    static FrameJob& job(Screen& screen) { return screen.job_; }
    static const std::shared_ptr<SpriteDrawer>& drawer(Screen& screen) { return screen.spriteDrawer_; }
    static std::vector<FrameCallback>& callbacks(Screen& screen) { return screen.frameCallbacks_; }
    static const WorkerCount& workerCount(Screen& screen) { return screen.workerCount_; }
    static std::atomic<std::thread::id>& frameThreadId(Screen& screen) { return screen.frameThreadId_; }
    static void countComposedFrame(Screen& screen) {
        screen.composedFrameCount_.fetch_add(1, std::memory_order_release);
    }
    static void countPause(Screen& screen) { screen.pauseCount_.fetch_add(1, std::memory_order_release); }
};

namespace {

using Access = FrameLoopAccess;

// How often a wait for a worker looks whether the worker is still there.
constexpr uint32_t kExitCheckMs = 100;

std::shared_ptr<Image> makeBandImage(const SpriteDrawer& drawer) {
    // The Screen keeps the width at most 8192, so the pitch and a band's bytes
    // stay within kBandBytes and fit int32.
    const uint32_t width = drawer.getWidth();
    const uint32_t bandHeight = drawer.getBandHeight();
    const std::size_t pitch = std::size_t{width} * 4;
    ByteBuffer buffer = MemoryHelper::allocate(pitch * bandHeight);
    return std::make_shared<Image>(static_cast<int32_t>(width), static_cast<int32_t>(bandHeight),
                                   static_cast<int32_t>(pitch), std::move(buffer));
}

// Takes bands from the job's counter until none is left; draws each dirty one
// into `bandImage` and presents it at once. The drawer and its snapshot are
// read only after bandLock was taken, and the frame thread ends the frame only
// after taking bandLock again, so the lock orders every read between the two.
void drawBands(Screen& screen, IImage& bandImage) {
    FrameJob& job = Access::job(screen);
    std::shared_ptr<SpriteDrawer> drawer;
    {
        CriticalSectionGuard guard(job.bandLock);
        drawer = job.drawer;
    }
    if (!drawer) return;
    const uint32_t bandCount = drawer->getBandCount();
    const uint32_t bandHeight = drawer->getBandHeight();
    for (;;) {
        uint32_t band = 0;
        {
            CriticalSectionGuard guard(job.bandLock);
            band = static_cast<uint32_t>(job.nextBand);
            // Past the end the counter stays put: it cannot run over.
            if (band < bandCount) ++job.nextBand;
        }
        if (band >= bandCount) return;
        const Rect dirty = drawer->getBandDirtyRect(band);
        if (isEmpty(dirty)) continue;
        drawer->drawBand(band, bandImage);
        screen.presentBand(bandImage, dirty, static_cast<int32_t>(band * bandHeight));
    }
}

bool hasBandsLeft(FrameJob& job, const SpriteDrawer& drawer) {
    CriticalSectionGuard guard(job.bandLock);
    return static_cast<uint32_t>(job.nextBand) < drawer.getBandCount();
}

// The render workers of one run of the frame thread.
class WorkerPool {
public:
    WorkerPool(Screen& screen, uint32_t count);
    ~WorkerPool() { shutdown(); }
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Wakes every worker that is still there and waits until each has run out of bands.
    void runFrame();
    // Interrupts every worker, and only then joins each, so they wind down side by side.
    void shutdown();

private:
    struct Worker {
        std::shared_ptr<Thread> thread;
        std::shared_ptr<Event> startEvent;
        std::shared_ptr<Event> doneEvent;
        std::shared_ptr<std::atomic<bool>> exited;
        // Its events failed: it gets no more frames and is only joined.
        bool retired = false;
        bool woken = false;
    };

    static void waitUntilDone(const Worker& worker);
    static void retire(Worker& worker);

    std::vector<Worker> workers_;
};

WorkerPool::WorkerPool(Screen& screen, uint32_t count) {
    try {
        workers_.reserve(count);
    } catch (const std::exception&) {
        return;  // no workers: the frame thread composes alone
    }
    for (uint32_t i = 0; i < count; ++i) {
        try {
            Worker worker;
            worker.thread = std::make_shared<Thread>();
            worker.startEvent = std::make_shared<Event>();
            worker.doneEvent = std::make_shared<Event>();
            worker.exited = std::make_shared<std::atomic<bool>>(false);
            worker.thread->start(makeWorkerBody(screen, worker.startEvent, worker.doneEvent, worker.exited));
            // A worker the system would not start is never woken nor waited for.
            if (worker.thread->isStarted()) workers_.push_back(std::move(worker));
        } catch (const std::exception&) {
            // One worker fewer; bands that no worker takes, the frame thread draws.
        }
    }
}

void WorkerPool::runFrame() {
    for (Worker& worker : workers_) {
        worker.woken = false;
        if (worker.retired || worker.exited->load(std::memory_order_acquire)) continue;
        try {
            worker.startEvent->set();
            worker.woken = true;
        } catch (const std::exception&) {
            retire(worker);
        }
    }
    // Every woken worker is waited for before any done signal is cleared: a
    // failure in between must not end the frame under a worker that still draws.
    for (const Worker& worker : workers_) {
        if (worker.woken) waitUntilDone(worker);
    }
    for (Worker& worker : workers_) {
        if (!worker.woken) continue;
        try {
            worker.doneEvent->reset();
        } catch (const std::exception&) {
            // A done signal left set would end the next frame too early.
            retire(worker);
        }
    }
}

void WorkerPool::waitUntilDone(const Worker& worker) {
    for (;;) {
        try {
            if (worker.doneEvent->wait(kExitCheckMs)) return;
        } catch (const std::exception&) {
            std::this_thread::yield();
        }
        // A worker whose body has ended draws nothing more, even if it could not say so.
        if (worker.exited->load(std::memory_order_acquire)) return;
    }
}

void WorkerPool::retire(Worker& worker) {
    worker.retired = true;
    try {
        worker.thread->interrupt();
    } catch (const std::exception&) {
        // It is interrupted again at shutdown.
    }
}

void WorkerPool::shutdown() {
    for (Worker& worker : workers_) {
        try {
            worker.thread->interrupt();
        } catch (const std::exception&) {
            // Joined all the same: the running worker uses its Thread, which
            // must not be freed before the worker ends.
        }
    }
    for (Worker& worker : workers_) worker.thread->join();
    workers_.clear();
}

struct EndFrameGuard {
    SpriteDrawer& drawer;
    ~EndFrameGuard() { drawer.endFrame(); }
};

void composeFrame(Screen& screen, WorkerPool& workers, std::shared_ptr<Image>& ownBandImage) {
    const std::shared_ptr<SpriteDrawer>& drawer = Access::drawer(screen);
    FrameJob& job = Access::job(screen);
    drawer->beginFrame();
    EndFrameGuard endFrame{*drawer};
    {
        // Published after the snapshot: workers see both once they take bandLock.
        CriticalSectionGuard guard(job.bandLock);
        job.drawer = drawer;
        job.nextBand = 0;
    }
    workers.runFrame();
    // With no worker, or with workers that gave up, the rest falls to this thread.
    if (hasBandsLeft(job, *drawer)) {
        if (!ownBandImage) ownBandImage = makeBandImage(*drawer);
        drawBands(screen, *ownBandImage);
    }
    Access::countComposedFrame(screen);
}

// Drops the callbacks that asked to go, keeps those that did not run (the one
// that failed and those after it), and appends those added during the pass.
void restoreCallbacks(std::vector<FrameCallback>& running, std::size_t kept, std::size_t next,
                      std::vector<FrameCallback>& added) {
    running.erase(running.begin() + static_cast<std::ptrdiff_t>(kept),
                  running.begin() + static_cast<std::ptrdiff_t>(next));
    added.insert(added.begin(), std::make_move_iterator(running.begin()), std::make_move_iterator(running.end()));
}

void runFrameCallbacks(Screen& screen) {
    std::vector<FrameCallback>& registered = Access::callbacks(screen);
    if (registered.empty()) return;
    // A callback may register another (frameLock is re-entrant); this pass runs
    // over its own list so that the one running is never moved under it.
    std::vector<FrameCallback> running;
    running.swap(registered);
    std::size_t kept = 0;
    std::size_t next = 0;
    try {
        for (; next < running.size(); ++next) {
            if (running[next](screen)) continue;
            if (kept != next) running[kept] = std::move(running[next]);
            ++kept;
        }
    } catch (...) {
        restoreCallbacks(running, kept, next, registered);
        throw;
    }
    restoreCallbacks(running, kept, next, registered);
}

void runPass(Screen& screen, WorkerPool& workers, std::shared_ptr<Image>& ownBandImage) {
    // Held for the whole pass: nothing changes the sprites while the workers draw.
    CriticalSectionGuard guard(Access::frameLock(screen));
    if (Access::drawer(screen)->isDirty()) composeFrame(screen, workers, ownBandImage);
    runFrameCallbacks(screen);
}

uint32_t decideWorkerCount(Screen& screen) {
    try {
        return std::min(Access::workerCount(screen)(), kMaxRenderWorkers);
    } catch (const std::exception&) {
        return 0;
    }
}

// A notifier that cannot be asked could never report the stop either; leaving
// is the only way to stay stoppable.
bool shouldLeave(const ThreadNotifier& notifier) {
    try {
        return notifier.isInterrupted();
    } catch (const std::exception&) {
        return true;
    }
}

// Lets start() and stop() recognise a call from this thread, which would wait for itself.
class FrameThreadMark {
public:
    explicit FrameThreadMark(Screen& screen) : screen_(screen) {
        Access::frameThreadId(screen_).store(std::this_thread::get_id());
    }
    ~FrameThreadMark() { Access::frameThreadId(screen_).store(std::thread::id()); }
    FrameThreadMark(const FrameThreadMark&) = delete;
    FrameThreadMark& operator=(const FrameThreadMark&) = delete;

private:
    Screen& screen_;
};

}  // namespace

void frameThreadBody(Screen& screen, ThreadNotifier& notifier) {
    FrameThreadMark mark(screen);
    WorkerPool workers(screen, decideWorkerCount(screen));
    std::shared_ptr<Image> ownBandImage;
    uint32_t lastSleep = timeGetTime();
    while (!shouldLeave(notifier)) {
        try {
            runPass(screen, workers, ownBandImage);
        } catch (const std::exception&) {
            // The pass is dropped; the next one starts afresh.
        }
        const uint32_t now = timeGetTime();
        if (static_cast<uint32_t>(now - lastSleep) > kPacingIntervalMs) {
            try {
                notifier.sleep();
                Access::countPause(screen);
            } catch (const InterruptedException&) {
                break;
            } catch (const std::exception&) {
                // The pause only yields the processor; without it the loop still works.
            }
            lastSleep = now;
        }
    }
    workers.shutdown();
}

Thread::Body makeWorkerBody(Screen& screen, std::shared_ptr<Event> startEvent, std::shared_ptr<Event> doneEvent,
                            std::shared_ptr<std::atomic<bool>> exited) {
    WorkerContext context;
    context.screen = &screen;
    context.startEvent = std::move(startEvent);
    context.doneEvent = std::move(doneEvent);
    context.bandImage = makeBandImage(*Access::drawer(screen));
    context.exited = std::move(exited);
    return [context](ThreadNotifier& notifier) { workerBody(context, notifier); };
}

namespace {

// However a worker's body ends, the frame thread must not wait for it again.
class ExitSignal {
public:
    explicit ExitSignal(const WorkerContext& context) : context_(context) {}
    ~ExitSignal() {
        context_.exited->store(true, std::memory_order_release);
        try {
            context_.doneEvent->set();
        } catch (const std::exception&) {
            // The exited flag alone releases the frame thread's wait.
        }
    }
    ExitSignal(const ExitSignal&) = delete;
    ExitSignal& operator=(const ExitSignal&) = delete;

private:
    const WorkerContext& context_;
};

}  // namespace

void workerBody(const WorkerContext& context, ThreadNotifier& notifier) {
    ExitSignal exitSignal(context);
    while (notifier.wait(*context.startEvent)) {
        context.startEvent->reset();
        try {
            drawBands(*context.screen, *context.bandImage);
        } catch (const std::exception&) {
            // The band in hand is lost; the other workers take the rest of the frame.
        }
        context.doneEvent->set();
    }
}

}  // namespace tessary
