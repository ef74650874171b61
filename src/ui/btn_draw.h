// btn_draw.h - the drawing calls of the widget set. Every widget draws through
// the table `btn_draw`, never through GL: in the program it holds the drawing
// layer's primitives; a test swaps in a recorder and checks what a widget drew
// and where. One table for the program; main thread only.
#pragma once

#include "ui/text_layout.h"

#include <string>

struct btn_draw_calls {
    // OGL_2dquad: one quad, vertices lower-left, upper-left, upper-right,
    // lower-right as (x, y, s, t), s and t in 0..1; ref above 0 is bound first.
    void (*quad)(int ref, int colour, float alpha, float x1, float y1, float s1, float t1, float x2,
                 float y2, float s2, float t2, float x3, float y3, float s3, float t3, float x4,
                 float y4, float s4, float t4, int tex_units, int alpha_mode);
    void (*fillrect)(int colour, float alpha, float x, float y, float w, float h); // lower-left, size
    void (*line)(int colour, float alpha, float x1, float y1, float x2, float y2);
    // OGL_string: base line at y; align 0 from x, 1 centred, 2 ending at x; the y of the last line.
    float (*string)(int colour, float x, float y, const std::string& text, float wrap, int font, int align);
    void (*number)(int colour, float x, float y, float value, int digits, int decimals, int font);
    void (*scissors)(float x, float y, float w, float h);
    void (*scissors_end)();
    void (*sbuff)(); // shows the back buffer at once
    // Advance width of text in a font: the measure OGL_string draws by.
    float (*text_width)(const std::string& text, int font);
    float (*char_width)(int ch); // one byte (signed) of font 100; 0 without a glyph
};

extern btn_draw_calls btn_draw;

// Replaces the table; returns the previous one. Tests restore it afterwards.
btn_draw_calls BTN_set_draw_calls(const btn_draw_calls& calls);
// The drawing layer's primitives: the table the program starts with.
btn_draw_calls BTN_default_draw_calls();

constexpr int t_interface = 388;       // the interface atlas, 512 x 512
constexpr int t_installer = 389;       // the installer picture, addressed as 1024 x 1024
