// ogl_text.cpp - bitmap-font text: the font set-up and the glyph quads.
#include "ui/ogl_text.h"

#include "foundation/hooks.h"
#include "graphics/gl_calls.h"
#include "graphics/tman.h"
#include "ui/btn_draw.h"
#include "ui/btn_frames.h"
#include "ui/ogl_draw.h"
#include "ui/ogl_state.h"

#include <vector>

namespace {

// Storage reused by every text call: drawing text allocates nothing once
// these have grown to the longest text. Main thread only.
text_layout scratch_layout;
std::string scratch_number;

void emit_glyphs(const font_desc& f, const std::vector<placed_glyph>& glyphs)
{
    if (glyphs.empty()) return;
    gl.Begin(GL_QUADS);
    for (const placed_glyph& g : glyphs) OGL_char(g.x, g.y, f.s_off, f.t_off, f.cell_w, f.cell_h, g.ch, f.id);
    gl.End();
}

// OGL_strtex with the whole font record; false for an unknown font.
bool set_up_font(int font, int colour, font_desc* f)
{
    float s = 0, t = 0, w = 0, h = 0;
    const int advance = OGL_strtex(font, colour, &s, &t, &w, &h);
    if (!OGL_font_desc(font, f)) return false;
    f->advance = advance;
    return true;
}

} // namespace

int OGL_strtex(int font, int colour, float* s_off, float* t_off, float* cell_w, float* cell_h)
{
    OGL_setstate(ogl_fog_off, 1, ogl_lit_off, ogl_alpha_blend, ogl_depth_read_off, ogl_depth_write_off);
    OGL_set_colour(colour, 1.0f);
    font_desc f;
    if (!OGL_font_desc(font, &f)) {
        __MACIBM_alert(0, "String proc with bad charset!", "", "", "", t_exit, "oglp", 495);
        return 0;
    }
    tman.bind_ref(f.tex_ref, 0, 0);
    *s_off = f.s_off;
    *t_off = f.t_off;
    *cell_w = f.cell_w;
    *cell_h = f.cell_h;
    return f.advance;
}

void OGL_char(float x, float y, float s_off, float t_off, float cell_w, float cell_h, int ch, int font)
{
    const font_desc f{font, 0, s_off, t_off, cell_w, cell_h, 0};
    const glyph_quad q = OGL_glyph_quad(x, y, f, ch);
    gl.TexCoord2f(q.s0, q.t0);
    gl.Vertex2f(q.x0, q.y0);
    gl.TexCoord2f(q.s0, q.t1);
    gl.Vertex2f(q.x0, q.y1);
    gl.TexCoord2f(q.s1, q.t1);
    gl.Vertex2f(q.x1, q.y1);
    gl.TexCoord2f(q.s1, q.t0);
    gl.Vertex2f(q.x1, q.y0);
}

void str_one_line(int colour, float x, float y, const std::string& text, int font, int align)
{
    font_desc f;
    if (!set_up_font(font, colour, &f)) return;
    scratch_layout.clear();
    OGL_place_line(text, 0, text.size(), x, y, static_cast<float>(f.advance), align, scratch_layout.glyphs);
    emit_glyphs(f, scratch_layout.glyphs);
}

float OGL_string(int colour, float x, float y, const std::string& text, float wrap_width, int font, int align)
{
    font_desc f;
    if (!set_up_font(font, colour, &f)) return y;
    const float next_y = OGL_layout_string(x, y, text, wrap_width, f.advance, align, scratch_layout);
    emit_glyphs(f, scratch_layout.glyphs);
    return next_y;
}

void OGL_number(int colour, float x, float y, float value, int digits, int decimals, int font)
{
    if (font != font_fixed) {
        OGL_number_text(value, digits, decimals, scratch_number);
        OGL_string(colour, x, y, scratch_number, 9999.0f, font, 0);
        return;
    }
    font_desc f;
    if (!set_up_font(font, colour, &f)) return;
    OGL_number_cells(x, y, value, digits, decimals, static_cast<float>(f.advance), scratch_layout.glyphs);
    emit_glyphs(f, scratch_layout.glyphs);
}

void OGL_gray_string(int colour, float x, float y, std::string text)
{
    const float h = OGL_line_width(text, 0, text.size(), 0) / 2;
    OGL_grayrect(x - h - 2, y - 2, x + h + 2, y + 8, 0.5f);
    OGL_string(colour, x - h, y, text, 9999.0f, font_interface, 0);
}

void OGL_boxed_string(float x, float y, const std::string& label, const std::string& text, int font, int colour)
{
    std::string left_label, right_label, help;
    BTN_expand_label(label, &left_label, &right_label, &help);
    float width = 100.0f;
    if (font == 102) width = 10.0f * static_cast<float>(text.size()) + 7.0f;
    else if (font == 100) width = OGL_line_width(text, 0, text.size(), 0.0f) + 7.0f;
    BTN_frame1(9, x, y + 3, width, 0);
    const float left = x - width / 2;
    BTN_util_draw_label(left - 8, y, 0, left_label, 0);
    BTN_util_draw_label(x + 8 + width / 2, y, 2, right_label, 0);
    btn_draw.string(colour, left + 4, y, text, 9999, font, 0); // the widgets' table, as the frame and labels
}
