// btn_draw.cpp - the widget set's drawing table and its start value.
#include "ui/btn_draw.h"

namespace {

void no_quad(int, int, float, float, float, float, float, float, float, float, float, float, float, float,
             float, float, float, float, float, int, int)
{
}
void no_rect(int, float, float, float, float, float) {}
float no_string(int, float, float y, const std::string&, float, int, int) { return y; }
void no_number(int, float, float, float, int, int, int) {}
void no_scissors(float, float, float, float) {}
void no_call() {}
float no_width(const std::string&, int) { return 0.0f; }
float no_char_width(int) { return 0.0f; }

} // namespace

btn_draw_calls BTN_default_draw_calls()
{
    return btn_draw_calls{no_quad, no_rect, no_rect, no_string, no_number, no_scissors, no_call, no_call, no_width,
                          no_char_width};
}

btn_draw_calls btn_draw = BTN_default_draw_calls();

btn_draw_calls BTN_set_draw_calls(const btn_draw_calls& calls)
{
    btn_draw_calls previous = btn_draw;
    btn_draw = calls;
    return previous;
}
