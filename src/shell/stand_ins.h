// stand_ins.h - minimal versions of shell and widget calls that start-up and
// the program need before the real ones exist: the sub-window switch, the
// menu reset, the language set-up, the two frame widgets of the status
// screen, and one frame of the frame loop. Each does only what start-up and
// the installer's first screen rely on. Main thread only.
#pragma once

#include <string>

// Window `id` becomes current over the whole X window (id -1 before the first
// frame, 0 the main screen): plot_init_lights set, the 2D projection loaded,
// menus closed, focus and the frame's presses dropped.
void SHL_stand_in_startwind(int id, int);
void SHL_stand_in_clear_menus(int mode); // no menus exist yet: nothing to clear
void SHL_stand_in_setupforlang();        // English only: nothing to set up

// A one-row frame centred on (x, y), `width` wide (styles 4 and 5: the
// progress-bar track and fill, 16 high), and a panel with lower-left corner
// (x, y), drawn as flat rectangles in the interface colours.
void SHL_stand_in_frame1(int style, float x, float y, float width, int colour);
void SHL_stand_in_frame2(int style, float x, float y, float width, float height, const std::string& title);

// One frame: the frame's presses cleared, up to 16 ms of waiting for X events
// (none in full-speed mode), every pending event handled (pointer position,
// button presses), the clock stepped, the application's frame, the swap.
void SHL_stand_in_event_proc();
using app_update_fn = void (*)();
app_update_fn SHL_stand_in_set_app_update(app_update_fn fn); // nullptr: nothing; returns the old one
// The pointer position in interface units of the current window, y upwards,
// from X window pixels (origin top left).
void SHL_stand_in_mouse_at(int px, int py);
