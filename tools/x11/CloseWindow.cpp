// Asks a top-level window to close the way a window manager's close box does, with a
// WM_DELETE_WINDOW message: xdotool's windowclose destroys the window instead, which no user can do.
#include "AskToClose.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

namespace {

bool badWindow = false;

int NoteError(Display*, XErrorEvent* error)
{
    badWindow = error->error_code == BadWindow;
    return 0;
}

bool TakesDelete(Display* display, Window window, Atom deleteWindow)
{
    Atom* protocols = nullptr;
    int count = 0;
    if (XGetWMProtocols(display, window, &protocols, &count) == 0)
        return false;
    bool found = false;
    for (int i = 0; i < count; ++i)
        found = found || protocols[i] == deleteWindow;
    XFree(protocols);
    return found;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <window id>\n", argv[0]);
        return 2;
    }
    char* end = nullptr;
    const Window window = std::strtoul(argv[1], &end, 0);
    if (end == argv[1] || *end != '\0' || window == 0) {
        std::fprintf(stderr, "%s: \"%s\" is not a window id\n", argv[0], argv[1]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "%s: cannot open the display\n", argv[0]);
        return 1;
    }
    XSetErrorHandler(NoteError);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    const bool takesDelete = TakesDelete(display, window, deleteWindow);
    XSync(display, False);
    if (badWindow) {
        std::fprintf(stderr, "%s: there is no window %s\n", argv[0], argv[1]);
        XCloseDisplay(display);
        return 1;
    }
    if (!takesDelete) {
        std::fprintf(stderr, "%s: window %s does not list WM_DELETE_WINDOW in WM_PROTOCOLS\n", argv[0], argv[1]);
        XCloseDisplay(display);
        return 1;
    }

    AskToClose(display, window);
    const bool sent = !badWindow;
    XCloseDisplay(display);
    if (!sent)
        std::fprintf(stderr, "%s: window %s went away before the message was sent\n", argv[0], argv[1]);
    return sent ? 0 : 1;
}
