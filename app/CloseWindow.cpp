// tessary-close-window WINDOW-ID
// tessary-close-window --title TITLE
// Asks an X11 top-level window to close (the one with that id, or every mapped
// one with exactly that title), the way a window manager does when its close
// button is pressed: a WM_PROTOCOLS client message carrying WM_DELETE_WINDOW.
// The program that owns the window decides what to do with it (unlike
// XDestroyWindow or XKillClient, which pull the window away behind its
// owner's back). Used by the demo's headless run and its end-to-end test,
// where no window manager runs.
//
// Titles are read from _NET_WM_NAME, else WM_NAME: xdotool cannot read the
// title SDL gives its message boxes.
//
// Exit codes: 0 sent; 1 no such window, or it does not take part in
// WM_DELETE_WINDOW; 2 bad use or no display.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

std::string readTitle(Display* display, Window window) {
    const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, netWmName, 0, 1024, False, utf8, &type, &format, &count, &remaining,
                           &data) == Success &&
        data != nullptr) {
        std::string title(reinterpret_cast<char*>(data), count);
        XFree(data);
        if (type == utf8) return title;
    }
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name != nullptr) {
        std::string title(name);
        XFree(name);
        return title;
    }
    return {};
}

bool isMapped(Display* display, Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

// Top-level windows are the root's children where no window manager reparents them.
std::vector<Window> findByTitle(Display* display, const std::string& title) {
    std::vector<Window> found;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return found;
    for (unsigned int i = 0; i < count; ++i) {
        if (isMapped(display, children[i]) && readTitle(display, children[i]) == title) found.push_back(children[i]);
    }
    if (children != nullptr) XFree(children);
    return found;
}

bool sendDelete(Display* display, Window window, const char* program) {
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    reportedError = 0;
    if (!acceptsDelete(display, window, deleteWindow) || reportedError != 0) {
        std::fprintf(stderr, "%s: window 0x%lx does not take WM_DELETE_WINDOW\n", program, window);
        return false;
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
    if (reportedError != 0) {
        std::fprintf(stderr, "%s: the display refused the message (error %d)\n", program, reportedError);
        return false;
    }
    return true;
}

int usage(const char* program) {
    std::fprintf(stderr, "usage: %s WINDOW-ID | --title TITLE\n", program);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const char* program = argv[0];
    const bool byTitle = argc == 3 && std::strcmp(argv[1], "--title") == 0;
    if (argc != 2 && !byTitle) return usage(program);
    unsigned long id = 0;
    if (!byTitle) {
        char* end = nullptr;
        errno = 0;
        id = std::strtoul(argv[1], &end, 0);
        if (errno != 0 || end == argv[1] || *end != '\0' || id == 0) return usage(program);
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "%s: cannot open the display\n", program);
        return 2;
    }
    XSetErrorHandler(rememberError);
    std::vector<Window> windows;
    if (byTitle) {
        windows = findByTitle(display, argv[2]);
        if (windows.empty()) std::fprintf(stderr, "%s: no window titled \"%s\"\n", program, argv[2]);
    } else {
        windows.push_back(id);
    }
    bool sent = !windows.empty();
    for (const Window window : windows) sent = sendDelete(display, window, program) && sent;
    XCloseDisplay(display);
    return sent ? 0 : 1;
}

