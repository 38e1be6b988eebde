#include "app/DemoWindow.h"

#include <cstdio>
#include <string>

#include "app/Scene.h"
#include "platform/sdl/SdlCursor.h"
#include "platform/sdl/SdlDeviceContext.h"
#include "platform/sdl/SdlTimer.h"
#include "platform/sdl/SdlWindow.h"
#include "screen/Screen.h"

namespace {

constexpr const char* kProductName = "Tessary";
constexpr uint32_t kTitlePeriodMs = 1000;

std::string formatTitle(double fps) {
    char title[128];
    std::snprintf(title, sizeof title, "%s - %.2f (fps)", kProductName, fps);
    return title;
}

}  // namespace

DemoWindow::DemoWindow(tessary::SdlWindow& window, EventTypes eventTypes, tessary::WorkerCount workerCount)
    : window_(window), eventTypes_(eventTypes) {
    dc_ = std::make_shared<tessary::SdlDeviceContext>(window_.getHandle(), eventTypes_.wake);
    cursor_ = std::make_unique<tessary::SdlCursor>(window_.getHandle());
    lastCursorPoll_ = lastFlush_ = SDL_GetTicks();
    const tessary::SdlCursor* cursor = cursor_.get();
    scene_ = std::make_shared<Scene>(dc_, dc_->getWidth(), dc_->getHeight(),
                                     [cursor] { return cursor->getPosition(); }, std::move(workerCount));
    titleTimer_ = std::make_unique<tessary::SdlTimer>(kTitlePeriodMs, eventTypes_.title);
}

DemoWindow::~DemoWindow() { close(); }

void DemoWindow::close() {
    titleTimer_.reset();
    scene_.reset();
}

bool DemoWindow::handleEvent(const SDL_Event& event) {
    if (event.type == SDL_QUIT) {
        close();
        return false;
    }
    if (event.type == SDL_WINDOWEVENT && event.window.windowID == window_.getId()) {
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
            close();
            return false;
        }
        handleWindowEvent(event.window);
    } else if (event.type == SDL_MOUSEMOTION) {
        cursorMoved_ = true;
    } else if (event.type == eventTypes_.title) {
        updateTitle();
    }
    // The wake-up event needs no handling of its own: idle() runs after every
    // batch of events and flushes when it is time.
    return true;
}

void DemoWindow::handleWindowEvent(const SDL_WindowEvent& event) {
    switch (event.event) {
        // The window system keeps none of our pixels: whatever was hidden,
        // minimised or never shown comes back black until redrawn.
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_RESTORED:
            paint();
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            // Not resizable, but a window system may insist; SDL then makes
            // a new surface, which starts empty.
            dc_->reacquire();
            paint();
            break;
        default:
            break;
    }
}

void DemoWindow::paint() {
    if (scene_) scene_->paint();
}

void DemoWindow::updateTitle() {
    if (scene_) window_.setTitle(formatTitle(scene_->getFps()));
}

uint32_t DemoWindow::idle() {
    const uint32_t now = SDL_GetTicks();
    if (cursorMoved_ || now - lastCursorPoll_ >= kCursorPollMs) {
        cursor_->refresh();
        lastCursorPoll_ = now;
        cursorMoved_ = false;
    }
    if (now - lastFlush_ >= kFlushIntervalMs) {
        flush();
        lastFlush_ = now;
    }
    return dc_->hasPending() ? 1 : kCursorPollMs;
}

void DemoWindow::flush() {
    if (dc_->flush()) return;
    // The surface went away under us (see SIZE_CHANGED): take the new one
    // and draw everything into it.
    dc_->reacquire();
    paint();
}
