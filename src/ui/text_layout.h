// text_layout.h - where every glyph of the bitmap-font text goes, apart from
// GL: the fonts, the glyph sheet of the interface atlas, the width table,
// line wrapping and the two forms of numbers. The drawing side (ogl_text.h)
// turns these placements into quads, so what is measured is what is drawn.
//
// No call here allocates per glyph: results go into caller-owned vectors that
// keep their capacity from one call to the next. Any thread; only the text
// calls that read mnw (the window offset) belong to the main thread.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// ---- fonts ----------------------------------------------------------------------
constexpr int font_interface = 100; // proportional, the width table; atlas glyph sheet
constexpr int font_fixed = 102;     // the same cells at a fixed advance of 10
constexpr int font_grid_13 = 103;   // 13 x 13 cells of ref 392 at 15, the Korean menu font

constexpr float glyph_tex_size = 512.0f; // both glyph textures are addressed as 512 x 512
constexpr float text_line_step = 10.0f;  // wrapped lines, downwards
constexpr float glyph_drop = 4.0f;       // a cell's bottom lies this far below the pen's y

struct font_desc {
    int id;
    int tex_ref;          // texture holding the sheet
    float s_off, t_off;   // sheet origin, texels
    float cell_w, cell_h; // cell size, texels
    int advance;          // fixed advance in units; 0: the width table
};

// Fills *out for 100, 102 and 103; false (out untouched) for any other id.
bool OGL_font_desc(int font, font_desc* out);

// Glyph scale: glyph quads grow by it when it is above 1 (cells and advances
// do not). 1.0 from the start; nothing in the program changes it.
extern float oglp;

// ---- characters -------------------------------------------------------------------
// ch is a text byte taken as a signed 8-bit value.
int OGL_char_width(int ch);                         // font 100 width table; 0 for bytes without a glyph
void OGL_glyph_cell(int font, int ch, int* col, int* row); // 103: c mod 40, c / 40; else the sheet (blank 0, 0)
float OGL_char_advance(float adv, int ch);          // adv when above 0, else the table width

// The quad of one glyph with the pen at (x, y): x and y truncated toward zero,
// the cell's bottom glyph_drop below y; texture coordinates of its cell.
struct glyph_quad {
    float x0, y0, x1, y1; // window pixels
    float s0, t0, s1, t1; // 0..1 of the glyph texture
};
glyph_quad OGL_glyph_quad(float x, float y, const font_desc& font, int ch);

// ---- lines ---------------------------------------------------------------------
struct placed_glyph {
    float x, y; // pen position handed to OGL_glyph_quad
    int ch;     // signed byte
};
struct text_line {
    std::size_t begin, end; // bytes [begin, end) of the text
    float y;                // pen y of the line, window pixels
};
// Everything one text call draws; reuse one object to draw without allocating.
struct text_layout {
    std::vector<text_line> lines;
    std::vector<placed_glyph> glyphs;
    void clear()
    {
        lines.clear();
        glyphs.clear();
    }
};

// Width of bytes [begin, end): carriage return, line feed and tab count 0,
// every other byte OGL_char_advance.
float OGL_line_width(const std::string& text, std::size_t begin, std::size_t end, float adv);

// Appends the glyphs of one line at window pixels (x, y): align 1 centres it
// on x, 2 ends it at x, else it starts at x. Carriage return, line feed and
// tab take no glyph and no room.
void OGL_place_line(const std::string& text, std::size_t begin, std::size_t end, float x, float y, float adv,
                    int align, std::vector<placed_glyph>& out);

// The general text call without GL: window-relative (x, y), mnw.wind_x and
// mnw.wind_y added and the result rounded half away from zero (y lowered by
// 2). One line when wrap_width is 0 or less or 9999 or more (a line feed then
// does not break it); else words wrap at wrap_width, lines text_line_step
// apart, a break after space, '-', '/' and line feed. Fills out (cleared
// first) and returns the y for what follows: the rounded y, lowered by
// text_line_step for every wrapped line.
float OGL_layout_string(float x, float y, const std::string& text, float wrap_width, int advance, int align,
                        text_layout& out);

// ---- numbers --------------------------------------------------------------------
// Shown instead of a number that is not finite or does not fit its field.
constexpr const char* number_placeholder = "#.##x#"; // the text form; same shape as the overflow form
constexpr int number_placeholder_char = '#';         // the fixed-cell form: one per digit cell
constexpr int number_max_digits = 24;                // wider fields show the placeholder

// The text form (every font but 102): sign, zero-padded digits with thousands
// separators and the decimal point, or d.ddxE when the field is too narrow.
// Writes into out (cleared first).
void OGL_number_text(double value, int digits, int decimals, std::string& out);

// The fixed-cell form (font 102) at window-relative (x, y): one digit per
// advance-wide cell starting at the rounded x, the minus and the separators
// drawn over the gaps. Fills out (cleared first).
void OGL_number_cells(float x, float y, double value, int digits, int decimals, float adv,
                      std::vector<placed_glyph>& out);
