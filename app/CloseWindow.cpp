// tessary-close-window WINDOW-ID: asks an X11 top-level window to close, the
// way a window manager does when its close button is pressed: a WM_PROTOCOLS
// client message carrying WM_DELETE_WINDOW. The program that owns the window
// decides what to do with it (unlike XDestroyWindow or XKillClient, which pull
// the window away behind its owner's back). Used by the demo's headless run
// and its end-to-end test, where no window manager runs.
//
// Exit codes: 0 sent; 1 the window does not take part in WM_DELETE_WINDOW;
// 2 bad use or no display.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

int reportedError = 0;

int rememberError(Display*, XErrorEvent* event) {
    reportedError = event->error_code;
    return 0;
}

bool acceptsDelete(Display* display, Window window, Atom deleteWindow) {
    Atom* protocols = nullptr;
    int count = 0;
    if (!XGetWMProtocols(display, window, &protocols, &count)) return false;
    bool found = false;
    for (int i = 0; i < count; ++i) found = found || protocols[i] == deleteWindow;
    XFree(protocols);
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s WINDOW-ID\n", argv[0]);
        return 2;
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long id = std::strtoul(argv[1], &end, 0);
    if (errno != 0 || end == argv[1] || *end != '\0' || id == 0) {
        std::fprintf(stderr, "%s: not a window id: %s\n", argv[0], argv[1]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "%s: cannot open the display\n", argv[0]);
        return 2;
    }
    XSetErrorHandler(rememberError);
    const Window window = id;
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    if (!acceptsDelete(display, window, deleteWindow) || reportedError != 0) {
        std::fprintf(stderr, "%s: window 0x%lx does not take WM_DELETE_WINDOW\n", argv[0], id);
        XCloseDisplay(display);
        return 1;
    }

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(deleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    const int result = reportedError == 0 ? 0 : 1;
    if (result != 0) std::fprintf(stderr, "%s: the display refused the message (error %d)\n", argv[0], reportedError);
    XCloseDisplay(display);
    return result;
}
