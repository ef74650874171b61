// screen_draw.cpp - the screens' drawing table and its program defaults.
#include "installer/screen_draw.h"

#include "ui/btn_buttons.h"
#include "ui/btn_draw.h"
#include "ui/colr.h"
#include "ui/btn_frames.h"
#include "ui/btn_numbers.h"
#include "ui/btn_text.h"
#include "ui/ogl_draw.h"
#include "ui/ogl_sbuff.h"
#include "ui/ogl_text.h"

screen_draw_calls INS_default_draw_calls()
{
    screen_draw_calls c;
    c.quad = OGL_2dquad;
    c.string = OGL_string;
    c.frame1 = BTN_frame1;
    c.frame2 = BTN_frame2;
    c.action = BTN_action;
    c.is_int = BTN_is_int;
    c.plot_back_col = OGL_plot_back_col;
    c.fillwin = BTN_fillwin;
    c.subwin = BTN_subwin;
    c.boolean = BTN_bool;
    c.int_range = BTN_int_range;
    c.enterstring = [](float x, float y, std::string* text, int max_len, std::string label, float width,
                       int take_focus) { return BTN_enterstring(x, y, text, max_len, label, width, take_focus); };
    c.textlist = INS_textlist_radios;
    c.sbuff = OGL_sbuff;
    return c;
}

screen_draw_calls scr_draw = INS_default_draw_calls();

screen_draw_calls INS_set_draw_calls(const screen_draw_calls& calls)
{
    const screen_draw_calls old = scr_draw;
    scr_draw = calls;
    return old;
}

int INS_textlist_radios(float x, float y, int* selection, std::string items, std::string label)
{
    std::string left, right, help;
    BTN_expand_label(label, &left, &right, &help);
    if (!left.empty()) scr_draw.string(col_body_text, x - 12, y - 3, left, 0, font_interface, 2);
    int acted = 0;
    float at = x;
    for (std::size_t start = 0, i = 0; start <= items.size(); ++i, at += 110) {
        std::size_t dash = items.find('-', start);
        if (dash == std::string::npos) dash = items.size();
        acted |= scr_draw.is_int(at, y, selection, static_cast<int>(i), "|" + items.substr(start, dash - start));
        start = dash + 1;
    }
    if (!right.empty()) scr_draw.string(col_body_text, x, y - 20, right, 0, font_interface, 0);
    return acted;
}
