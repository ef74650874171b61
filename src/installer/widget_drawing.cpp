// widget_drawing.cpp - the widget set's drawing table on the drawing layer.
#include "installer/widget_drawing.h"

#include "ui/ogl_draw.h"
#include "ui/ogl_sbuff.h"
#include "ui/ogl_text.h"
#include "ui/ogl_view.h"
#include "ui/text_layout.h"

namespace {

constexpr float fixed_advance = 10.0f; // font 102: the interface glyphs at a fixed advance

float text_width(const std::string& text, int font)
{
    return OGL_line_width(text, 0, text.size(), font == font_fixed ? fixed_advance : 0.0f);
}
float char_width(int ch) { return static_cast<float>(OGL_char_width(ch)); }

} // namespace

btn_draw_calls INS_widget_draw_calls()
{
    return btn_draw_calls{OGL_2dquad,    OGL_fillrect,     OGL_line, OGL_string, OGL_number,
                          OGL_scissors,  OGL_scissors_end, OGL_sbuff, text_width, char_width};
}

void INS_install_widget_drawing() { BTN_set_draw_calls(INS_widget_draw_calls()); }
