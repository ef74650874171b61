// lin_events.cpp - one X11 event into the framework's input state.
//
//   state       modifier keys, the pending pointer query
//   keys        names, modifiers, the keyboard layer
//   pointer     buttons, wheel, motion, pixels -> interface units
//   drain       the frame loop's pass over the pending events
#include "shell/lin_events.h"

#include "foundation/hl_types.h"
#include "shell/subwin.h"
#include "shell/x_connection.h"
#include "ui/keys.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>

int linkey_shft = 0, linkey_ctrl = 0, linkey_optn = 0;

LIN_event_source& LIN_x_event_source(); // lin_frame.cpp

namespace {

LIN_event_source* installed_source = nullptr;

LIN_event_source& source() { return installed_source ? *installed_source : LIN_x_event_source(); }

// Motion seen since the pointer was last queried: the query waits until a
// press needs the position or the drain ends.
bool pointer_stale = false;

// ---- keys -------------------------------------------------------------------------

bool is(const char* name, const char* a, const char* b)
{
    return std::strcmp(name, a) == 0 || std::strcmp(name, b) == 0;
}

// Shift, Control and Alt only change the modifier state. True when the key was one.
bool note_modifier(const char* name, int down)
{
    if (is(name, "Shift_L", "Shift_R")) linkey_shft = down;
    else if (is(name, "Control_L", "Control_R")) linkey_ctrl = down;
    else if (is(name, "Alt_L", "Alt_R")) linkey_optn = down;
    else return false;
    return true;
}

bool ignored_on_press(const char* name)
{
    return is(name, "Super_L", "Super_R") || is(name, "Menu", "ISO_Level3_Shift");
}

void warn_no_keysym(const char* what)
{
    std::printf("LINUX: Warning: X11 gave us a key %s with no keysym string! This isn't so good. Verify the "
                "mapping of whatever key you just hit.\n",
                what);
}

void key_event(const XKeyEvent& key, bool press)
{
    const char* name = source().key_name(static_cast<int>(key.keycode));
    if (!name) {
        warn_no_keysym(press ? "press" : "release");
        return;
    }
    if (note_modifier(name, press ? 1 : 0)) return;
    if (press) {
        if (ignored_on_press(name)) return;
        mnw.key_hit = 1;
        mnw.key_down = 1;
    } else {
        mnw.key_down = 0;
    }
    keys.handle_key_raw(key.type, static_cast<long>(key.keycode), static_cast<long>(key.state));
}

// ---- pointer ------------------------------------------------------------------------

void query_pointer_if_stale()
{
    if (!pointer_stale) return;
    pointer_stale = false;
    int x = 0, y = 0;
    if (source().pointer(&x, &y)) MACIBM_load_mxy(mnw.xwin[0], x, y);
}

void button_press(unsigned int button)
{
    if (button == 4) ++mnw.wheel;
    if (button == 5) --mnw.wheel;
    if (button > 3) return;
    query_pointer_if_stale(); // the press lands where the last motion went
    mnw.mouse_down = 1;
    MACIBM_handleclick(0);
}

void button_release(unsigned int button)
{
    if (button <= 3) mnw.mouse_up = 1;
}

} // namespace

LIN_event_source* LIN_set_event_source(LIN_event_source* src)
{
    LIN_event_source* previous = installed_source;
    installed_source = src;
    return previous;
}

int has_optionkey() { return linkey_optn; }
int has_shiftkey() { return linkey_shft; }
int has_capslock() { return 0; }

void LIN_events_forget()
{
    linkey_shft = linkey_ctrl = linkey_optn = 0;
    mnw.key_down = mnw.mouse_wind = 0;
    pointer_stale = false;
}

int LIN_handlewin(_XDisplay*, _XEvent*, char*) { return True; }

std::string LIN_unhandled_event_message(int type)
{
    return std::string("LINUX: X11 threw me something different, and I don't know how to handle it. Please send "
                       "this message, and what you were doing when it appeared, to ") +
           maker_support_address + ". Event ---> " + std::to_string(type) + "\n";
}

void MACIBM_load_mxy(unsigned long window, int x, int y)
{
    const float scale = mnw.ui_scale > 0.0f ? mnw.ui_scale : 1.0f;
    mnw.mouse_x = static_cast<float>(x) / scale;
    mnw.mouse_y = static_cast<float>(mnw.y_res_now - y) / scale;
    if (mnw.sec_mon_made && mnw.sec_mon_inuse && mnw.xwin[1] != 0 && window == mnw.xwin[1]) {
        mnw.mouse_x += static_cast<float>(mnw.x_res_now) / scale; // the second window continues to the right
        mnw.mouse_wind = 0;
        return;
    }
    mnw.mouse_x -= mnw.wind_x;
    mnw.mouse_y -= mnw.wind_y;
    mnw.mouse_wind = mnw.open_wind;
}

void LIN_handleevt(_XEvent* event)
{
    switch (event->type) {
    case KeyPress: key_event(event->xkey, true); break;
    case KeyRelease: key_event(event->xkey, false); break;
    case ButtonPress: button_press(event->xbutton.button); break;
    case ButtonRelease: button_release(event->xbutton.button); break;
    case MotionNotify: pointer_stale = true; break; // the position comes from one query per drain
    case VisibilityNotify: MACIBM_startwind(mnw.cur_wind, 0); break;
    case DestroyNotify:
        if (mnw.xwin[0] && event->xdestroywindow.window == mnw.xwin[0])
            LIN_display_lost("the installer's window was destroyed by another program");
        MACIBM_startwind(win_main, 0);
        break;
    case ClientMessage:
        if (!LIN_handle_client_message(&event->xclient))
            std::fputs(LIN_unhandled_event_message(event->type).c_str(), stdout);
        break;
    case CreateNotify: case ConfigureNotify:
    case UnmapNotify: case MapNotify: case ReparentNotify: case MappingNotify: break;
    default: std::fputs(LIN_unhandled_event_message(event->type).c_str(), stdout); break;
    }
}

void LIN_wait_for_input(long usec)
{
    if (usec <= 0 || source().queued() > 0) return; // queued events are input already: no sleep
    source().wait(usec);
}

int LIN_drain_events()
{
    XEvent event;
    int handled = 0;
    for (; source().next(&event); ++handled) LIN_handleevt(&event);
    query_pointer_if_stale();
    return handled;
}
