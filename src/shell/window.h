// window.h - the main X window, its GLX context and the screen mode.
//
// Start-up calls MACIBM_setres(1) and then MACIBM_make_context(0); the ordered
// exit calls MACIBM_setres(0) and MACIBM_nuke_context. Every X11 and GLX call
// goes through the one display connection kept in mnw.display. Main thread
// only, but for the loader pair (see below). The X11/GLX side lives in
// lin_window.cpp; this header includes no Xlib.
#pragma once

#include <functional>

// ---- main window --------------------------------------------------------------
// Makes window `index` (0 main, 1 second monitor) of mnw.x_res_now x
// mnw.y_res_now with its visual, GLX context and window-manager properties,
// maps it, makes the context current and sets the initial GL state. Returns 1.
// Ends the process with status 1 and one console line when there is no X
// display, no visual at any level, or the context cannot be made or made current.
int MACIBM_make_context(int index);
void MACIBM_nuke_context(int index); // destroys the context, then the window; the ids stay stale

// Takes the requested size and depth into effect. With set 0 (the ordered
// exit) it acts only when the first call of the process found a change due
// (a screen below 1024 x 768, or mnw.set_res). Opens the display when none is
// open; before the main window exists it only records the screen.
void MACIBM_setres(int set);

// ---- loader contexts for threads ------------------------------------------------
// Installs the loader pair below and glExt.threaded_avail into the thread
// layer's hooks; start-up calls it once.
void MACIBM_install_loader_hooks();
// On the creating thread: a context sharing textures with the main one, or null.
void* LIN_make_context_loader(void*& extra);
// On the new thread: makes ctx current on a small hidden window; true on success.
bool LIN_set_context_loader(void* ctx, void* extra);

// ---- decisions, apart from X for tests -----------------------------------------
struct LIN_screen {
    int width, height; // default screen, pixels
    int depth;         // default depth, bits
};

// The visual ladder: from `level` (mnw.alias_req) down to 0, asks `choose` for
// a visual with that many samples (level 1..4: 2, 4, 8, 16; above 4: sample
// buffers but no sample count) and keeps the first one found. Returns the
// level reached, -1 when none had a visual; *visual gets the chosen one.
using LIN_visual_chooser = std::function<void*(const int* attributes)>;
int LIN_visual_ladder(int level, const LIN_visual_chooser& choose, void** visual);

// The window-manager full-screen state: at creation either side matching the
// screen counts; when the mode is set again both must match.
bool LIN_fullscreen_at_creation(const LIN_screen& screen, int width, int height);
bool LIN_fullscreen_at_setres(const LIN_screen& screen, int width, int height);

// The part of MACIBM_setres that needs no X: takes the request into mnw,
// fits it to the screen when asked, notes on the first call whether a change
// is due, and says whether the window must now be resized.
bool MACIBM_setres_decide(int set, const LIN_screen& screen);
void MACIBM_setres_forget(); // the next call counts as the first again; for tests

// The GLX calls whose failure ends the program, replaceable so that a test can
// make them fail; GLX's own by default. Handles as in mnw (opaque pointers).
struct LIN_glx_calls {
    void* (*choose_visual)(void* display, int screen, const int* attributes); // XVisualInfo*, or null
    void* (*create_context)(void* display, void* visual, void* share, int direct); // GLXContext, or null
    int (*make_current)(void* display, unsigned long window, void* context);      // non-zero on success
};
extern LIN_glx_calls LIN_glx;
