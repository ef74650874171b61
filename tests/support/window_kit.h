// window_kit.h - what the window tests share once a GL context is current on
// the tests' Xvfb: the GL state and the interface art as start-up leaves
// them, the frame read back or saved as a PNG, sub-window units as screen
// pixels, and frames run under a cap. Below the shell, so that the drawing
// and widget tests can use it; no Xlib names, so it may come before gtest.
#pragma once

#include "ui/colr.h"

#include <iosfwd>
#include <string>

// ---- state as start-up leaves it ---------------------------------------------------------

// The 2D state of the program's context set-up: packed pixel rows, alpha
// test and blending, clockwise faces culled, depth writes off, the state
// cache read afresh. The shell's main window has it already.
void gl_state_as_startup();
// The texture limits of a two-unit GL with combine and edge clamp, the
// texture manager and the binds afresh, the built-in pictures loaded; the
// interface atlas is left in scratch_array.
void load_interface_textures();
// The interface colours (34..47) start-up takes from atlas pixels still in
// scratch_array, 39 the mean of 35 and 38; the shell's own rule, for the layers below it.
void colours_from_atlas();
void load_interface_art(); // load_interface_textures, then colours_from_atlas
// The texture manager, binds, units counter, state cache and extension record
// back to what a test without a window expects.
void unload_interface_art();
// The keyboard's focus hook and the widgets' unfocus hook removed, no widget focused.
void remove_focus_hooks();

// Keeps the colour table's colours and lighting triple, and puts them back when it goes.
class colour_keeper {
public:
    colour_keeper();
    ~colour_keeper();
    colour_keeper(const colour_keeper&) = delete;
    colour_keeper& operator=(const colour_keeper&) = delete;

private:
    float colours[colr_count][3];
    float lite[3];
};

// ---- the frame read back -----------------------------------------------------------------

struct rgb {
    int r, g, b;
    bool operator==(const rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
std::ostream& operator<<(std::ostream& os, const rgb& c); // "(r, g, b)"

rgb pixel_at(int x, int y); // one pixel of the current buffer, GL's coordinates

// The 1024 x 768 back buffer through the screenshot's reader and PNG writer
// into `file`, in the test program's own build folder when relative, whatever
// the current folder; app_path is kept. 1 when written.
int save_frame_png(const std::string& file);
std::string test_program_folder(); // the running program's folder, ending in '/
// Pixels of a window rectangle that differ from the colour at (bx, by) by
// more than 40 in some channel; GL's coordinates, y upwards.
int differing_pixels(int x, int y, int w, int h, int bx, int by);

// ---- units and frames --------------------------------------------------------------------

int unit_px(float x); // screen column of x units in the current sub-window
int unit_py(float y); // screen row, counted from the top as X counts, of y units

// Runs frame() until pred() holds, at most cap times; the number run, or -1.
template <class Frame, class Pred>
int frames_until(int cap, Frame frame, Pred pred)
{
    for (int n = 1; n <= cap; ++n) {
        frame();
        if (pred()) return n;
    }
    return -1;
}
