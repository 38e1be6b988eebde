#pragma once
// What the demo's window does with its events: it creates the Scene with the
// window and destroys it when the window closes, turns exposure into a full
// redraw, writes the frame rate into the title once a second, keeps the cursor
// position fresh for the frame thread and pushes presented pixels to the screen.
// Main thread only.

#include <SDL.h>

#include <cstdint>
#include <memory>

#include "screen/WorkerCount.h"

class Scene;

namespace tessary {
class SdlCursor;
class SdlDeviceContext;
class SdlTimer;
class SdlWindow;
}  // namespace tessary

class DemoWindow {
public:
    struct EventTypes {
        uint32_t wake;   // posted by render workers after presenting
        uint32_t title;  // posted by the title timer
    };

    // Builds the Scene over the window's pixels (its frame thread runs from
    // here on) and starts the title timer. Throws what the Scene throws.
    DemoWindow(tessary::SdlWindow& window, EventTypes eventTypes, tessary::WorkerCount workerCount);
    // Destroys the Scene, and with it every thread, first.
    ~DemoWindow();
    DemoWindow(const DemoWindow&) = delete;
    DemoWindow& operator=(const DemoWindow&) = delete;

    // False once the window has been closed; by then the Scene and all its
    // threads are gone.
    bool handleEvent(const SDL_Event& event);
    // Between batches of events: refreshes the cursor and pushes what the
    // workers presented, each when it is due. Returns how long the loop may
    // wait for events before it calls idle() again, in milliseconds.
    uint32_t idle();

    // Pointer moves that bring no event (a warp, motion outside the window)
    // reach the follower within this time.
    static constexpr uint32_t kCursorPollMs = 4;
    // Pushing pixels to the display costs a round trip to the display server,
    // during which no worker can present: frames that come faster than this
    // are pushed together, one copy per band (still far above any display's
    // refresh rate).
    static constexpr uint32_t kFlushIntervalMs = 2;

private:
    void handleWindowEvent(const SDL_WindowEvent& event);
    void paint();
    void updateTitle();
    void close();
    void flush();

    tessary::SdlWindow& window_;
    const EventTypes eventTypes_;
    std::shared_ptr<tessary::SdlDeviceContext> dc_;
    std::unique_ptr<tessary::SdlCursor> cursor_;
    // The Scene holder: empty before the window's Scene exists and after it
    // closed. The cursor and the device context outlive the Scene.
    std::shared_ptr<Scene> scene_;
    std::unique_ptr<tessary::SdlTimer> titleTimer_;
    uint32_t lastCursorPoll_ = 0;
    uint32_t lastFlush_ = 0;
    bool cursorMoved_ = false;
};
