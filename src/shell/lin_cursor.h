// lin_cursor.h - X cursors of the shell. Includes Xlib: only for lin_*.cpp and
// window tests.
#pragma once

#include <X11/Xlib.h>

// A 1 x 1 fully transparent cursor on `window`; the caller keeps it.
Cursor LIN_create_null_cursor(Display* display, Window window);
void LIN_cursor_forget(); // the next hide makes the invisible cursor again; for a new connection
