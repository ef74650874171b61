// frame.h - the frame loop: MACIBM_event_proc runs one whole frame. The main
// routine calls it until app_done is set; every dialog runs its own loop
// around it while mnw.cur_wind is its id. Main thread only; re-entered (on
// the same thread) by alerts and by dialogs opened from the application's
// per-frame hook, with mnw.modal keeping that hook from running twice.
#pragma once

// One frame: clear the frame's input flags, wait for input, drain every X
// event, report queued errors on the main screen, step the clocks and held
// keys, the menu hover switch, the application's frame (not while a dialog
// is open), the overlay, the buffer swap.
void MACIBM_event_proc();

// The longest wait for input of the coming frame, in microseconds: 160000
// while the alert window is open, else 16000, or 0 in full-speed mode.
long MACIBM_frame_wait_usec(int use_max_cpu);

// The next frame counts as the first of the run again; for tests.
void MACIBM_frame_forget();
