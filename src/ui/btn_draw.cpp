// btn_draw.cpp - the widget set's drawing table and its start value.
#include "ui/btn_draw.h"

#include "ui/ogl_draw.h"
#include "ui/ogl_sbuff.h"
#include "ui/ogl_text.h"
#include "ui/ogl_view.h"

namespace {

// Measured by the same width rule OGL_string places glyphs with.
float text_width(const std::string& text, int font)
{
    font_desc desc{};
    const float advance = OGL_font_desc(font, &desc) ? static_cast<float>(desc.advance) : 0.0f;
    return OGL_line_width(text, 0, text.size(), advance);
}

float char_width(int ch) { return static_cast<float>(OGL_char_width(ch)); }

} // namespace

btn_draw_calls BTN_default_draw_calls()
{
    return btn_draw_calls{OGL_2dquad,   OGL_fillrect,      OGL_line,  OGL_string, OGL_number,
                          OGL_scissors, OGL_scissors_end, OGL_sbuff, text_width, char_width};
}

btn_draw_calls btn_draw = BTN_default_draw_calls();

btn_draw_calls BTN_set_draw_calls(const btn_draw_calls& calls)
{
    btn_draw_calls previous = btn_draw;
    btn_draw = calls;
    return previous;
}
