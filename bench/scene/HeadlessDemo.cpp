#include "bench/scene/HeadlessDemo.h"

#include <cstdlib>
#include <utility>

#include "screen/Screen.h"

namespace tessary::bench {

HeadlessDemo::HeadlessDemo(WorkerCount workers, MemoryDeviceContext::Recording recording)
    : control_(std::make_shared<Control>()),
      window_(std::make_shared<MemoryDeviceContext>(kWidth, kHeight, 0, recording)) {
    // An unseeded generator behaves as seeded with 1: every demo run draws
    // the same flakes and the same moves, as every start of the program does.
    std::srand(1);
    std::shared_ptr<Control> control = control_;
    WorkerCount heldAtStart = [control, workers] {
        std::unique_lock<std::mutex> lock(control->mutex);
        control->changed.wait(lock, [&] { return control->started; });
        return workers();
    };
    Scene::CursorSource cursor = [control] {
        std::lock_guard<std::mutex> lock(control->mutex);
        if (control->updateObserver && control->passes < control->target) {
            control->updateObserver(control->passes + 1);
        }
        return kCursor;
    };
    scene_ = std::make_unique<Scene>(window_, kWidth, kHeight, std::move(cursor), std::move(heldAtStart));
    try {
        observePasses();
    } catch (...) {
        // The Scene's destructor waits for its frame thread, which waits for the start.
        release();
        throw;
    }
}

void HeadlessDemo::observePasses() {
    std::shared_ptr<Control> control = control_;
    // Registered after the Scene's own callback, so it sees each pass after the update.
    scene_->getScreen()->addFrameCallback([control](Screen&) {
        std::unique_lock<std::mutex> lock(control->mutex);
        if (control->passes >= control->target) return false;
        const uint64_t pass = ++control->passes;
        if (control->observer) control->observer(pass);
        if (pass == control->target) {
            control->changed.notify_all();
            control->changed.wait(lock, [&] { return control->released; });
        }
        return false;
    });
}

HeadlessDemo::~HeadlessDemo() {
    release();
    scene_.reset();
}

void HeadlessDemo::release() {
    {
        std::lock_guard<std::mutex> lock(control_->mutex);
        control_->started = true;
        control_->released = true;
        control_->target = 0;
    }
    control_->changed.notify_all();
}

void HeadlessDemo::run(uint64_t passes, PassObserver observer, UpdateObserver updateObserver) {
    std::unique_lock<std::mutex> lock(control_->mutex);
    control_->observer = std::move(observer);
    control_->updateObserver = std::move(updateObserver);
    control_->target = passes;
    control_->started = true;
    control_->changed.notify_all();
    control_->changed.wait(lock, [&] { return control_->passes >= control_->target; });
}

}  // namespace tessary::bench
