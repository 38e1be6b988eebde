#pragma once
// SDL's video, event and timer services for the life of the program, set up
// the way the window layer needs them. Main thread only.

#include <string>

namespace tessary {

class SdlVideo {
public:
    // `windowClass` names the program's windows to the window system (the X11
    // class hint) where it has such a name. Throws SdlError when SDL cannot
    // start its video service.
    explicit SdlVideo(const char* windowClass);
    ~SdlVideo();
    SdlVideo(const SdlVideo&) = delete;
    SdlVideo& operator=(const SdlVideo&) = delete;

    std::string getDriverName() const;
    // False on SDL's drivers that show nothing to anybody (offscreen, dummy):
    // SDL falls back to them on its own when no display can be reached.
    bool hasDisplay() const;
    // The driver was chosen by the user through SDL_VIDEODRIVER.
    bool isDriverRequested() const { return driverRequested_; }

private:
    bool driverRequested_ = false;
};

}  // namespace tessary
