// close_request.h - the window manager's close (WM_DELETE_WINDOW) as the
// application's quit command, whatever window is open. Main thread only.
//
// A close request ends the program promptly. The sub-window open when it
// comes (and any below it) is answered as its cancel: its loop, which runs
// while its window is current, ends at the end of the frame that saw the
// request. From then on no sub-window opens (MACIBM_startwind keeps the
// current window), so what the interrupted step goes on to ask is cancelled
// too. Once control is back in the outermost frame on the main screen, the
// quit command runs there, once.
#pragma once

// ---- the quit command ------------------------------------------------------------
// What a close request runs; the application installs its quit command at
// start-up. The default ends the frame loop (app_done = 1). Returns the
// previous one; null puts the default back.
using close_request_fn = void (*)();
close_request_fn MACIBM_set_close_request_hook(close_request_fn fn);

// ---- the request --------------------------------------------------------------------
void MACIBM_request_close(); // a close request arrived: logged once, acted on by the frame loop
int MACIBM_closing();        // 1 from the first close request to the end of the run

// ---- the frame loop's two steps -----------------------------------------------------
// After the frame's events: runs the quit command when a close is pending, the
// frame is the outermost one and the main screen is current. 1 when it ran
// now: the frame's presses and keys then act no more.
int MACIBM_close_after_events(int outermost);
// At the end of a frame: while closing, a sub-window still current gives way
// to the main screen, which ends its loop.
void MACIBM_close_at_frame_end();

void MACIBM_close_forget(); // no close requested, the quit not run; for tests and a fresh frame loop
