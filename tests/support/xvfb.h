// xvfb.h - a real X server for window tests: Xvfb, started by the test
// program itself on a free display number (-displayfd), 1024 x 768 x 24, with
// Mesa's software GL and no window manager, stopped when the program ends.
#pragma once

#include <string>

// Starts the server on the first call and points DISPLAY at it (and Mesa at
// its software renderer); later calls return the same display. Returns the
// display name (":3"), or "" with the reason in *why when no server could be
// started: a window test then fails, it never skips.
std::string xvfb_display(std::string* why = nullptr);
