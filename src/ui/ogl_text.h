// ogl_text.h - bitmap-font text: every text of the interface, glyph by glyph,
// as textured quads from a glyph sheet (fonts 100 and 102: the interface
// atlas, ref 388; font 103: ref 392). Where the glyphs go is text_layout.h;
// this file sets GL up once per text and emits the quads, so a string costs
// one state set-up, one bind and one glBegin/glEnd pair.
// Main thread only, with the GL context current.
#pragma once

#include "ui/text_layout.h"

#include <string>

// Sets GL up for glyphs of `font` in `colour` (states 1, 1, 3, 5, 9, 11; the
// colour rule at alpha 1; the font's texture on unit 0), writes the sheet
// origin and cell size (texels) and returns the advance (0: proportional).
// Another font id is the fatal alert "String proc with bad charset!"; the
// outputs are then not written.
int OGL_strtex(int font, int colour, float* s_off, float* t_off, float* cell_w, float* cell_h);

// One glyph quad with the pen at (x, y), between the caller's
// glBegin(GL_QUADS) and glEnd; the cell values are OGL_strtex's.
void OGL_char(float x, float y, float s_off, float t_off, float cell_w, float cell_h, int ch, int font);

// One line at window pixels (x, y), no offset or rounding: align 1 centred on
// x, 2 ending at x, else starting at x.
void str_one_line(int colour, float x, float y, const std::string& text, int font, int align);

// The general text call, window-relative: one line when wrap_width is 0 or
// less or 9999 or more, else wrapped lines 10 apart. Returns the y for what
// follows (OGL_layout_string).
float OGL_string(int colour, float x, float y, const std::string& text, float wrap_width, int font, int align);

// A number with `decimals` places after the point in a field of `digits`:
// font 102 one digit per cell, any other font as text (OGL_number_text).
// Values that are not finite or do not fit show the placeholder.
void OGL_number(int colour, float x, float y, float value, int digits, int decimals, int font);

// Font 100 text centred on x over a half-transparent grey plate.
void OGL_gray_string(int colour, float x, float y, std::string text);

// text in a text-field frame centred on x, the label's left and right parts
// beside it; the frame is as wide as the text in fonts 100 and 102, else 100.
void OGL_boxed_string(float x, float y, const std::string& label, const std::string& text, int font, int colour);
