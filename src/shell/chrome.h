// chrome.h - the shell's overlay at the end of each frame: the tool-tip, the
// pointer's visibility and drawn cursor shapes, and the open menus with the
// menu bar. The geometry is worked out here; the drawing goes through a
// painter, so that it can be checked without GL. Main thread only.
#pragma once

#include <string>

// ---- the painter ---------------------------------------------------------------------
// One call per primitive, in drawing order; coordinates in interface units of
// the current sub-window. The default painter draws the primitives with the
// drawing layer; the widget set's frames and elements draw nothing until the
// widget set is linked in.
class chrome_painter {
public:
    virtual ~chrome_painter() = default;
    virtual void frame1(int style, float x, float y, float width, int colour);                   // BTN_frame1
    virtual void frame2(int style, float x, float y, float w, float h, const std::string& title); // BTN_frame2
    virtual void element(float x, float y, float s, float t, float half_w, float half_h, int colour); // BTN_util_element
    virtual void string(int colour, float x, float y, const std::string& text, float wrap, int font); // OGL_string
    virtual void fillrect(int colour, float alpha, float x, float y, float w, float h);          // OGL_fillrect
    virtual void line(int colour, float alpha, float x1, float y1, float x2, float y2);          // OGL_line
    // The 30 x 30 atlas cursor centred on (x, y): texture 388, col_white, blended.
    virtual void cursor(float x, float y, float s0, float t0, float s1, float t1);
};
chrome_painter* MACIBM_set_chrome_painter(chrome_painter* painter); // returns the previous; nullptr: default

// ---- geometry ----------------------------------------------------------------------------
struct tooltip_box {
    float x, y, h; // text origin x, y (lower-left of the text area) and text height
};
tooltip_box MACIBM_tooltip_box(const std::string& text); // from the mouse and the current sub-window

struct cursor_cell {
    float s0, t0, s1, t1; // texture coordinates in the 512 x 512 interface atlas
};
cursor_cell MACIBM_cursor_cell(int kind, int held); // kinds 3 and up

// ---- per frame -------------------------------------------------------------------------------
// Tool-tip for stls.help (then emptied), idle hiding of the pointer, the X
// cursor for the window `id`, and the drawn shape of cursor kinds 3 and up.
void mouse_help_per_wind(int id);
// The menu bar while a bar menu is open, the open menu's panel with its
// highlights, dividers, separators, texts and submenu arrows.
void standard_gui();

// Rectangle of the open menu's panel, recomputed every frame a menu is open.
extern float m_x1, m_y1, m_x2, m_y2;

int MACIBM_pointer_showing(); // 1 while the system pointer is visible
void MACIBM_chrome_forget();  // pointer shown, no plug-in hand-over; for tests

// ---- X11 side (lin_cursor.cpp) -----------------------------------------------------------------
void LIN_show_pointer(bool show); // undefines or defines the invisible cursor, then flushes
void LIN_restore_pointer();       // the default cursor again, flushed
