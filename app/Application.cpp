#include "app/Application.h"

#include <SDL.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <unistd.h>

#include "app/DemoWindow.h"
#include "platform/sdl/SdlError.h"
#include "platform/sdl/SdlMessageBox.h"
#include "platform/sdl/SdlVideo.h"
#include "platform/sdl/SdlWindow.h"
#include "thread/Exception.h"

namespace {

constexpr const char* kProductName = "Tessary";
constexpr const char* kWindowClass = "Tessary class";
constexpr int32_t kClientWidth = 800;
// The client area is 600 rows plus the height of one menu bar, which the
// window has room for but never shows; a menu bar is 20 pixels here.
constexpr int32_t kMenuBarHeight = 20;
constexpr int32_t kClientHeight = 600 + kMenuBarHeight;

std::string currentDirectory() {
    std::string path(4096, '\0');
    if (getcwd(path.data(), path.size()) == nullptr) return "the current directory";
    path.resize(std::strlen(path.c_str()));
    return path;
}

// The exception's own message first, as it stands; then, for the failures
// that a person can put right (a file missing, unreadable or broken), how.
std::string describeSceneFailure(const std::exception& error) {
    std::string text = error.what();
    const auto* systemError = dynamic_cast<const tessary::Win32Exception*>(&error);
    if (systemError != nullptr) {
        text += " (";
        text += std::strerror(static_cast<int>(systemError->getErrorCode()));
        text += ")";
    }
    if (systemError != nullptr || dynamic_cast<const tessary::IoException*>(&error) != nullptr) {
        text += "\nThe demo reads \"load.gra\", \"snow.png\" and \"snow2.png\" from the directory it starts in: ";
        text += currentDirectory();
    }
    return text;
}

void reportError(const std::string& programName, const std::string& text) {
    std::string::size_type start = 0;
    do {
        const std::string::size_type end = text.find('\n', start);
        const std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::fprintf(stderr, "%s: %s\n", programName.c_str(), line.c_str());
        start = end == std::string::npos ? end : end + 1;
    } while (start != std::string::npos);
    std::fflush(stderr);
}

// SDL turns SIGINT and SIGTERM into a quit event, which nothing reads while a
// message box waits for its button: let them end the program there.
void restoreDefaultSignals() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

bool registerEventTypes(DemoWindow::EventTypes& types) {
    const Uint32 first = SDL_RegisterEvents(2);
    if (first == static_cast<Uint32>(-1)) return false;
    types = DemoWindow::EventTypes{first, first + 1};
    return true;
}

void runMessageLoop(DemoWindow& demo) {
    uint32_t waitMs = DemoWindow::kCursorPollMs;
    bool open = true;
    while (open) {
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, static_cast<int>(waitMs)) != 0) {
            do {
                open = demo.handleEvent(event);
            } while (open && SDL_PollEvent(&event) != 0);
        }
        if (open) waitMs = demo.idle();
    }
}

int runWindow(const std::string& programName, const tessary::SdlVideo& video, tessary::WorkerCount workerCount) {
    std::unique_ptr<tessary::SdlWindow> window;
    try {
        window = std::make_unique<tessary::SdlWindow>(kProductName, kClientWidth, kClientHeight);
    } catch (const std::exception& error) {
        reportError(programName, std::string("cannot create the window: ") + error.what());
        return 1;
    }

    DemoWindow::EventTypes eventTypes{};
    if (!registerEventTypes(eventTypes)) {
        reportError(programName, "SDL has no room for the program's own event types");
        return 1;
    }

    std::unique_ptr<DemoWindow> demo;
    try {
        demo = std::make_unique<DemoWindow>(*window, eventTypes, std::move(workerCount));
    } catch (const tessary::SdlError& error) {
        // The window itself is not usable (no surface, no timer).
        reportError(programName, std::string("cannot set up the window: ") + error.what());
        return 1;
    } catch (const std::exception& error) {
        const std::string text = describeSceneFailure(error);
        reportError(programName, text);
        window.reset();
        if (video.hasDisplay()) {
            restoreDefaultSignals();
            tessary::showErrorMessageBox(kProductName, text, nullptr);
        }
        return 1;
    }

    window->show();
    runMessageLoop(*demo);
    return 0;
}

}  // namespace

int runApplication(const std::string& programName, tessary::WorkerCount workerCount) {
    try {
        std::unique_ptr<tessary::SdlVideo> video;
        try {
            video = std::make_unique<tessary::SdlVideo>(kWindowClass);
        } catch (const std::exception& error) {
            reportError(programName, std::string("cannot start the video system: ") + error.what());
            return 1;
        }
        const std::string driver = video->getDriverName();
        if (!video->hasDisplay()) {
            if (!video->isDriverRequested()) {
                // SDL chose a driver that draws into memory only: a window
                // nobody can see, and no way to close it.
                reportError(programName, "no display to show the window on (SDL fell back to its \"" + driver +
                                             "\" video driver, which shows nothing); set DISPLAY, or "
                                             "SDL_VIDEODRIVER=dummy to run without a window");
                return 1;
            }
            reportError(programName, "running on SDL's \"" + driver +
                                         "\" video driver: no window is shown; stop with Ctrl+C");
        }
        return runWindow(programName, *video, std::move(workerCount));
    } catch (const std::exception& error) {
        // Everything built so far, the Scene and its threads first, is gone
        // by the time this runs.
        reportError(programName, error.what());
        return 1;
    }
}
