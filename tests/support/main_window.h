// main_window.h - the program's own main window on the tests' Xvfb, opened as
// start-up opens it, for the tests and benchmarks of the shell and above.
// The window tests of one program share one X connection: closing the
// shell's connection unloads Mesa's driver, and what the driver allocated
// would then count as leaked; so each test hands it on to the next, the
// driver stays loaded and its memory reachable. No Xlib names.
#pragma once

#include "shell/frame.h"
#include "support/window_kit.h"

#include <string>

// A fresh program (globals, tables, command line, keys and frame clock
// reset) with its 1024 x 768, 32-bit main window open (MACIBM_setres(1),
// then MACIBM_make_context(0)) on the connection the last test kept, else a
// new one, and its context current. "" when the window is open, else the reason.
std::string open_main_window();
// Unloads the interface art, destroys the window and its context, keeping
// the connection for the next test, and resets the menus, a close request
// and the globals.
void close_main_window();

// The interface art the way start-up loads it: the 2D projection, the GL's
// own extension record, the built-in pictures and the shell's colours.
void load_art_as_startup();
// The frame loop as a fresh program has it: no sub-window, the 2D projection
// over the whole window, the events, cursor, chrome, frame, menu bar and
// menus of an earlier test forgotten.
void fresh_frame_loop();
void settle_frames(); // a few frames, so that the map, visibility and the first motion settle

// Frames of the real frame loop until pred() holds, at most cap; the number run, or -1.
template <class Pred>
int event_frames_until(int cap, Pred pred)
{
    return frames_until(cap, MACIBM_event_proc, pred);
}
