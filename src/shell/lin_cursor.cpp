// lin_cursor.cpp - the X pointer: hidden behind an invisible cursor, shown
// again, or given back its default shape.
#include "shell/chrome.h"
#include "shell/lin_cursor.h"

#include "foundation/hl_types.h"

#include <X11/Xlib.h>

namespace {

Display* dpy() { return static_cast<Display*>(mnw.display); }
Window main_window() { return static_cast<Window>(mnw.xwin[0]); }

Cursor dot = 0; // the invisible cursor, made on first use and kept for the run

} // namespace

Cursor LIN_create_null_cursor(Display* display, Window window)
{
    Pixmap empty = XCreatePixmap(display, window, 1, 1, 1);
    XGCValues values;
    values.function = GXclear;
    GC gc = XCreateGC(display, empty, GCFunction, &values);
    XFillRectangle(display, empty, gc, 0, 0, 1, 1);
    XColor black{};
    Cursor cursor = XCreatePixmapCursor(display, empty, empty, &black, &black, 0, 0);
    XFreePixmap(display, empty);
    XFreeGC(display, gc);
    return cursor;
}

void LIN_show_pointer(bool show)
{
    if (!dpy() || !main_window()) return;
    if (show) {
        XUndefineCursor(dpy(), main_window());
    } else {
        if (!dot) dot = LIN_create_null_cursor(dpy(), main_window());
        XDefineCursor(dpy(), main_window(), dot);
    }
    XFlush(dpy());
}

void LIN_restore_pointer()
{
    if (!dpy() || !main_window()) return;
    XUndefineCursor(dpy(), main_window());
    XFlush(dpy());
}

void LIN_cursor_forget() { dot = 0; } // a new display connection has no such cursor
