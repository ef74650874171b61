// btn_sliders.cpp - the vertical scroll bar and the horizontal slider.
#include "ui/btn_sliders.h"

#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "foundation/xtim.h"
#include "ui/btn_draw.h"
#include "ui/btn_frames.h"

#include <cmath>

namespace {

int slider_grabbed[4] = {0, 0, 0, 0}; // per slider id: its thumb is held

float clampf(float v, float lo, float hi) { return v < lo ? lo : v > hi ? hi : v; }

// Arrows and track; each test that holds applies, so a press on an end row of
// the track also hits its arrow.
void press_action(float x, float bottom, float top, float ty, double& v)
{
    const float mx = mnw.mouse_x, my = mnw.mouse_y;
    if (mx < x - 11 || mx > x + 11) return;
    if (my >= top && my <= top + 20) v -= 1;
    if (my >= bottom - 20 && my <= bottom) v += 1;
    if (my >= bottom && my <= top) v += my >= ty ? -10 : 10;
}

} // namespace

void BTN_reset_sliders()
{
    for (int& g : slider_grabbed) g = 0;
}

int BTN_vert_slider(int id, float x, float bottom, float top, int lo, int hi, int* value)
{
    BTN_frame0(6, x, (bottom + top) / 2, top - bottom);
    if (hi <= lo) return 0;
    const double span = static_cast<double>(hi) - lo;
    const float ty = clampf(static_cast<float>((top - 10) + (*value - static_cast<double>(lo)) *
                                                               ((bottom + 9) - (top - 10)) / span),
                            bottom + 9, top - 10);
    if (id < 0 || id > 3) {
        BTN_fatal("Too many sliders!");
        return 0;
    }
    int& grabbed = slider_grabbed[id];
    const float mx = mnw.mouse_x, my = mnw.mouse_y;
    if (!mnw.mouse_held)
        grabbed = 0;
    else if (mx >= x - 11 && mx <= x + 11 && my >= ty - 11 && my <= ty + 11)
        grabbed = 1;

    // Work in double: a range near the int limits must not overflow a step.
    double v = *value;
    if (mnw.mouse_held && grabbed) {
        const double travel = (bottom + 11) - (top - 11);
        v = travel == 0 ? (static_cast<double>(hi) + lo) / 2
                        : lo + (my - (top - 11)) * span / travel;
        v = std::trunc(v < lo ? lo : v > hi ? hi : v);
    } else if (mnw.mouse_down || (mnw.mouse_held_long && xtim.ot5)) {
        press_action(x, bottom, top, ty, v);
    }
    *value = static_cast<int>(v < lo ? lo : v > hi ? hi : v);

    const int colour = grabbed ? 47 : 0;
    BTN_util_atlas_quad(t_interface, colour, x - 9, top - 3, x + 9, top + 19, 83, 266, 101, 288);
    BTN_util_atlas_quad(t_interface, colour, x - 9, ty - 12, x + 9, ty + 12, 83, 240, 101, 264);
    BTN_util_atlas_quad(t_interface, colour, x - 9, bottom - 21, x + 9, bottom + 1, 83, 216, 101, 238);
    return grabbed;
}

int BTN_horz_slider(float x, float y, float width, int fill_colour, float lo, float hi, float* value, int editable,
                    std::string label, std::string caption)
{
    std::string left, right, help;
    BTN_expand_label(label, &left, &right, &help);
    // Ends at least 0.01 apart, for this frame only.
    if (lo < hi && hi < lo + 0.01f) hi = lo + 0.01f;
    if (lo >= hi && lo < hi + 0.01f) lo = hi + 0.01f;
    const float right_end = x + width;
    BTN_frame1(7, x + width / 2, y, width, 0);
    BTN_util_draw_label(x - 8, y, 0, left, 0);
    BTN_util_draw_label(right_end + 8, y, 2, right, 0);
    if (BTN_mouse_in(x, y - 7, right_end, y + 7)) stls.help = help;
    btn_draw.string(43, x + width / 2, y + 10, caption, 9999, font_interface, 1);
    const float fill = clampf((*value - lo) * width / (hi - lo), 0, width);

    const float lo2 = std::fmin(lo, hi), hi2 = std::fmax(lo, hi);
    int result = 0;
    if (editable && mnw.mouse_held && BTN_mouse_in(x - 20, y - 20, right_end + 20, y + 20)) {
        *value = width == 0 ? (lo2 + hi2) / 2 : clampf(lo2 + (mnw.mouse_x - x) * (hi2 - lo2) / width, lo2, hi2);
        result = 1;
    }
    if (fill_colour != 12 && fill > 0) {
        const float w = 2 * std::round(std::trunc(fill) / 2);
        BTN_frame1(8, x + w / 2, y + 4, w, fill_colour);
    }
    if (editable) {
        const float kx = clampf(x + (*value - lo2) * width / (hi2 - lo2), x, right_end);
        BTN_util_atlas_quad(t_interface, 0, kx - 10, y - 9, kx + 10, y + 13, 262, 267, 282, 289);
    }
    return result;
}
