// lin_frame.cpp - the X connection as the frame loop's event source.
#include "shell/lin_events.h"

#include "foundation/hl_types.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <sys/select.h>

namespace {

Display* dpy() { return static_cast<Display*>(mnw.display); }

class x_event_source final : public LIN_event_source {
public:
    int queued() override { return dpy() ? XEventsQueued(dpy(), QueuedAlready) : 0; }

    // One select on the connection; its result does not matter: an error or a
    // signal only shortens the wait.
    void wait(long usec) override
    {
        if (!dpy()) return;
        const int fd = ConnectionNumber(dpy());
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(fd, &readable);
        timeval timeout{usec / 1000000, usec % 1000000};
        select(fd + 1, &readable, nullptr, nullptr, &timeout);
    }

    bool next(XEvent* event) override
    {
        if (!dpy()) return false;
        return XCheckIfEvent(dpy(), event, LIN_handlewin, reinterpret_cast<XPointer>(mnw.xwin[0])) == True;
    }

    bool pointer(int* x, int* y) override
    {
        if (!dpy() || !mnw.xwin[0]) return false;
        Window root = 0, child = 0;
        int root_x = 0, root_y = 0;
        unsigned int mask = 0;
        return XQueryPointer(dpy(), mnw.xwin[0], &root, &child, &root_x, &root_y, x, y, &mask) == True;
    }

    // The keyboard extension's look-up stands in for the deprecated
    // XKeycodeToKeysym: group 0, level 0 is the unshifted keysym.
    const char* key_name(int keycode) override
    {
        if (!dpy()) return nullptr;
        const KeySym sym = XkbKeycodeToKeysym(dpy(), static_cast<KeyCode>(keycode), 0, 0);
        return sym == NoSymbol ? nullptr : XKeysymToString(sym);
    }
};

} // namespace

LIN_event_source& LIN_x_event_source()
{
    static x_event_source source;
    return source;
}
