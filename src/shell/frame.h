// frame.h - the frame loop: MACIBM_event_proc runs one whole frame. The main
// routine calls it until app_done is set; every dialog runs its own loop
// around it while mnw.cur_wind is its id. Main thread only; re-entered (on
// the same thread) by alerts and by dialogs opened from the application's
// per-frame hook, with mnw.modal keeping that hook from running twice.
#pragma once

// One frame: clear the frame's input flags, wait for input, drain every X
// event, report queued errors on the main screen, step the clocks and held
// keys, the menu hover switch, the application's frame (not while a dialog
// is open), the overlay, the buffer swap. While the picture on screen holds
// still (fpace) and nothing changed, the frame draws and swaps nothing; a
// drawn frame is swapped no sooner than one screen refresh after the last.
// A main-screen pass that showed frames of its own is drawn again whole on
// the next frame. A window manager's close request is acted on after the
// events and at the end of the frame (close_request.h): the quit command runs
// in the outermost frame on the main screen, and a dialog's frame ends its dialog.
void MACIBM_event_proc();

// For a dialog that draws its pass before calling MACIBM_event_proc: 1 when
// the pass must be drawn (it then holds still until input, a window switch or
// a wake it asks for), 0 when the picture on screen still holds: draw nothing
// and call MACIBM_event_proc as always, which then shows nothing new either.
int MACIBM_pass_due();

// The longest wait for input of the coming frame, in microseconds: 160000
// while the alert window is open, else 16000, or 0 in full-speed mode.
long MACIBM_frame_wait_usec(int use_max_cpu);
// The wait of the coming frame as the pace has it: none after a picture that
// keeps busy or before a dialog's first picture, at most until its wake (and
// never 0) while it holds still, else the wait above.
long MACIBM_paced_wait_usec(int use_max_cpu, double now);

// The next frame counts as the first of the run again, with nothing on
// screen yet and no close requested; for tests.
void MACIBM_frame_forget();
