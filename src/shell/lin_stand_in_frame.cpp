// lin_stand_in_frame.cpp - the X side of the stand-in frame: waiting for and
// draining the main window's events.
#include "shell/stand_ins.h"

#include "engine/stg.h"
#include "foundation/hl_types.h"
#include "foundation/xtim.h"
#include "ui/ogl_sbuff.h"

#include <X11/Xlib.h>
#include <sys/select.h>

extern app_update_fn stand_in_app_update;

namespace {

// Waits until the X connection has input or the frame's time is up, so an
// idle installer does not spin; full-speed mode only polls.
void wait_for_events(Display* d)
{
    if (XPending(d) || stg.use_max_cpu) return;
    const int fd = ConnectionNumber(d);
    fd_set set;
    FD_ZERO(&set);
    FD_SET(fd, &set);
    timeval wait{0, 16000};
    select(fd + 1, &set, nullptr, nullptr, &wait);
}

void handle_event(const XEvent& ev)
{
    switch (ev.type) {
    case MotionNotify:
        SHL_stand_in_mouse_at(ev.xmotion.x, ev.xmotion.y);
        break;
    case ButtonPress:
        SHL_stand_in_mouse_at(ev.xbutton.x, ev.xbutton.y);
        if (ev.xbutton.button >= 1 && ev.xbutton.button <= 3) mnw.mouse_down = mnw.mouse_held = 1;
        break;
    case ButtonRelease:
        mnw.mouse_held = 0;
        break;
    default:
        break;
    }
}

} // namespace

void SHL_stand_in_event_proc()
{
    mnw.mouse_down = 0;
    if (mnw.cur_wind == -1) SHL_stand_in_startwind(0, 0); // the first frame opens the main screen
    if (Display* d = static_cast<Display*>(mnw.display)) {
        wait_for_events(d);
        while (XPending(d)) {
            XEvent ev;
            XNextEvent(d, &ev);
            handle_event(ev);
        }
    }
    xtim.xtim_update();
    stand_in_app_update();
    OGL_sbuff();
}
