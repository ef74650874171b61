// licence_window.h - the licence agreement: window 1 ("EULA", 500 x 300),
// shown by INSTALL until the user agrees once in the run. Main thread only.
#pragma once

// The three statements the window shows, top to bottom.
extern const char* const licence_statements[3];

// 1 when the licence is accepted (now, or earlier in this run: then without
// a window); 0 when the user disagreed or closed the window (close box or
// Return). Runs the window's own frame loop until it closes.
int handle_EULA();
// One frame of the window's drawing and buttons (without the frame pump).
void INS_licence_frame();
// Forgets an acceptance; for tests.
void INS_licence_forget();
