#pragma once
// What the screen tests share: waiting on state with generous limits, the
// process's thread count, pattern images and the callers' rules for changing
// sprites so that the dirty area stays right.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <dirent.h>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "pixel/Image.h"
#include "pixel/PixelFormat.h"
#include "screen/Screen.h"
#include "sprite/ISprite.h"

namespace tessary {
namespace testing {

// Long enough for a sanitizer build on a busy machine; a passing test never waits that long.
constexpr std::chrono::seconds kPatience{60};

inline bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = kPatience) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Threads of this process, as the kernel lists them; 0 where it cannot tell.
inline std::size_t countThreads() {
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr) return 0;
    std::size_t count = 0;
    while (const dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] != '.') ++count;
    }
    closedir(tasks);
    return count;
}

// A joined thread can stay listed for a moment while the kernel reaps it.
inline bool waitForThreadCount(std::size_t expected) {
    return waitUntil([&] { return countThreads() == expected; });
}

// Counts the passes of a Screen's frame loop through a frame callback that
// also runs an optional step; the test thread waits for a pass number. Must
// outlive the Screen's frame thread.
class PassCounter {
public:
    using Step = std::function<void(Screen&, uint64_t pass)>;

    void attach(Screen& screen, Step step = {}) {
        screen.addFrameCallback([this, step](Screen& calling) {
            uint64_t pass = 0;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                pass = ++passes_;
            }
            if (step) step(calling, pass);
            changed_.notify_all();
            return false;
        });
    }

    bool waitForPass(uint64_t pass) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, kPatience, [&] { return passes_ >= pass; });
    }

    uint64_t getPasses() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return passes_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    uint64_t passes_ = 0;
};

// A Bgra32 image whose every pixel differs from its neighbours, with alpha
// running through all values, so that misplaced or misblended pixels show.
inline std::shared_ptr<Image> makePatternImage(int32_t width, int32_t height, uint32_t seed) {
    auto image = std::make_shared<Image>(width, height, PixelFormat::Bgra32);
    ImageWriteLock pixels(*image);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = pixels.pixels() + static_cast<std::ptrdiff_t>(y) * image->getPitch();
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t v = (static_cast<uint32_t>(x) * 2654435761u) ^ (static_cast<uint32_t>(y) * 40503u) ^ seed;
            row[4 * x + 0] = static_cast<uint8_t>(v);
            row[4 * x + 1] = static_cast<uint8_t>(v >> 8);
            row[4 * x + 2] = static_cast<uint8_t>(v >> 16);
            row[4 * x + 3] = static_cast<uint8_t>(x * 7 + y * 13);
        }
    }
    return image;
}

// The callers' rules: invalidate what a change uncovers and what it covers.
inline void showSprite(ISprite& sprite) {
    if (!sprite.isVisible() && sprite.getOpacity() != 0) sprite.invalidate();
    sprite.show();
}

inline void moveSprite(ISprite& sprite, int32_t x, int32_t y) {
    if (sprite.getX() == x && sprite.getY() == y) return;
    if (sprite.isVisible() && sprite.getOpacity() != 0) {
        sprite.invalidate();
        sprite.setPosition(x, y);
        sprite.invalidate();
    } else {
        sprite.setPosition(x, y);
    }
}

inline void changeOpacity(ISprite& sprite, uint8_t opacity) {
    if (sprite.getOpacity() == opacity) return;
    if (sprite.isVisible()) sprite.invalidate();
    sprite.setOpacity(opacity);
}

inline void changeBlendMode(ISprite& sprite, BlendMode mode) {
    if (sprite.getBlendMode() == mode) return;
    if (sprite.isVisible() && sprite.getOpacity() != 0) sprite.invalidate();
    sprite.setBlendMode(mode);
}

}  // namespace testing
}  // namespace tessary
