// close_request.cpp - the close request's state and its two steps in the frame loop.
#include "shell/close_request.h"

#include "foundation/hl_types.h"
#include "shell/subwin.h"

namespace {

void end_frame_loop() { app_done = 1; }

close_request_fn quit_command = end_frame_loop;

// Owner: the main thread. requested stays set to the end of the run; quit_ran
// keeps a second request (a user who clicks twice) from quitting twice.
int requested = 0;
int quit_ran = 0;

} // namespace

close_request_fn MACIBM_set_close_request_hook(close_request_fn fn)
{
    const close_request_fn old = quit_command;
    quit_command = fn ? fn : end_frame_loop;
    return old;
}

void MACIBM_request_close()
{
    if (requested) return;
    requested = 1;
    if (xer.is_open()) xer << "The window manager asks the window to close: the same as EXIT.\n";
}

int MACIBM_closing() { return requested; }

int MACIBM_close_after_events(int outermost)
{
    // The quit command runs where EXIT would: between frames of the main
    // screen, never inside a step that a dialog interrupted.
    if (!requested || quit_ran || !outermost || mnw.cur_wind != win_main) return 0;
    quit_ran = 1;
    quit_command();
    return 1;
}

void MACIBM_close_at_frame_end()
{
    // Switched at the end of the frame, not when the request is read: a
    // nested frame left on the main screen would draw the main screen again
    // from inside the step that opened the dialog.
    if (requested && mnw.cur_wind != win_main) MACIBM_startwind(win_main, 0);
}

void MACIBM_close_forget() { requested = quit_ran = 0; }
