// lin_events.h - X11 events into the framework's input state, and the event
// source the frame loop drains. Declares the X types it names opaquely, so
// that the portable files of the shell can include it without Xlib.
#pragma once

#include <string>

union _XEvent;
struct _XDisplay;

// ---- modifier state -----------------------------------------------------------------
extern int linkey_shft, linkey_ctrl, linkey_optn; // 1 while a Shift / Control / Alt key is down
int has_optionkey();
int has_shiftkey();
int has_capslock(); // always 0

// ---- where events come from -----------------------------------------------------------
// The X connection in the program; a script of events in tests.
class LIN_event_source {
public:
    virtual ~LIN_event_source() = default;
    virtual int queued() = 0;                         // events Xlib already holds, without reading
    virtual void wait(long usec) = 0;                 // until the connection is readable or usec pass
    virtual bool next(_XEvent* event) = 0;            // the oldest pending event; false when none
    virtual bool pointer(int* x, int* y) = 0;         // pointer in main-window pixels, y down
    virtual const char* key_name(int keycode) = 0;    // the unshifted keysym's name; null when none
};
LIN_event_source* LIN_set_event_source(LIN_event_source* source); // returns the previous; nullptr: X

// ---- the frame loop's side ------------------------------------------------------------
// Waits up to usec for input, but not at all while events are already queued.
void LIN_wait_for_input(long usec);
// Handles every pending event, oldest first. The pointer is queried at most
// once per drain after motion, and again only before a press that follows
// further motion, so a press sees where the pointer went. Returns the number
// of events handled.
int LIN_drain_events();

// ---- translation ------------------------------------------------------------------------
void LIN_handleevt(_XEvent* event);                      // one event
int LIN_handlewin(_XDisplay*, _XEvent*, char* window);   // XCheckIfEvent predicate: every event
// Pixels of `window` (y down) into mnw.mouse_x/y (interface units of the
// current sub-window, y up) and mnw.mouse_wind.
void MACIBM_load_mxy(unsigned long window, int x, int y);

// The console message for an event type the translation does not handle.
std::string LIN_unhandled_event_message(int type);
// Forgets the modifier state and any pending pointer query; for tests.
void LIN_events_forget();
