// btn_buttons.cpp - push buttons, check boxes, radio buttons, tabs, compass dial.
#include "ui/btn_buttons.h"

#include "foundation/hl_types.h"
#include "ui/btn_draw.h"
#include "ui/btn_frames.h"
#include "ui/ogl_state.h"

#include <cmath>

namespace {

bool clicked_in(float x0, float y0, float x1, float y1)
{
    return mnw.menu_open == -1 && mnw.mouse_down && BTN_mouse_in(x0, y0, x1, y1);
}

} // namespace

int BTN_action(float x, float y, float width, int lit, int press_feedback, std::string label, std::string note)
{
    std::string left;
    BTN_expand_label(label, &left, nullptr, nullptr);
    if (width <= 0) width = btn_draw.text_width(label, font_interface) + 21;
    BTN_frame1(2, x, y, width, 0);
    if (lit) BTN_frame1(3, x, y, width, 0);
    BTN_util_draw_label(x, y - 3, 1, left, press_feedback == 2 && lit);
    if (note != "-") btn_draw.string(45, x + width / 2 + 10, y + 7, note, 500, font_interface, 0);
    if (!clicked_in(x - width / 2, y - 10, x + width / 2, y + 10)) return 0;
    if (!lit && press_feedback) {
        // The user sees the button go down before whatever the click starts.
        BTN_frame1(3, x, y, width, 0);
        BTN_util_draw_label(x, y - 3, 1, left, 0);
        btn_draw.sbuff();
    }
    return 1;
}

int BTN_bool(float x, float y, int* value, std::string label, int radio)
{
    std::string left, right, help;
    BTN_expand_label(label, &left, &right, &help);
    const float s0 = radio ? 83 : 139, s1 = radio ? 101 : 157;
    const float box_t = radio ? 123 : 178, mark_t = radio ? 142 : 197;
    BTN_util_atlas_quad(t_interface, 0, x - 9, y + 3 - 9, x + 9, y + 3 + 9, s0, box_t, s1, box_t + 18);
    if (*value) BTN_util_atlas_quad(t_interface, 0, x - 9, y + 3 - 9, x + 9, y + 3 + 9, s0, mark_t, s1, mark_t + 18);
    BTN_util_draw_label(x - 12, y, 0, left, 0);
    BTN_util_draw_label(x + 12, y, 2, right, 0);
    if (mnw.menu_open != -1 || !BTN_mouse_in(x - 8, y - 4, x + 8, y + 12)) return 0;
    stls.help = help;
    if (!mnw.mouse_down) return 0;
    *value = *value == 0 ? 1 : 0;
    return 1;
}

int BTN_is_int(float x, float y, int* value, int match, std::string label)
{
    int chosen = *value == match;
    const int result = BTN_bool(x, y, &chosen, label, 1);
    if (chosen) *value = match;
    return result;
}

int BTN_xbyt(float x, float y, unsigned char* value, std::string label)
{
    int v = *value;
    const int result = BTN_bool(x, y, &v, label, 0);
    *value = static_cast<unsigned char>(v);
    return result;
}

int BTN_xchr(float x, float y, char* value, std::string label)
{
    int v = *value;
    const int result = BTN_bool(x, y, &v, label, 0);
    *value = static_cast<char>(v);
    return result;
}

int BTN_xbol(float x, float y, bool* value, std::string label)
{
    int v = *value;
    const int result = BTN_bool(x, y, &v, label, 0);
    *value = v != 0;
    return result;
}

int BTN_tab(int column, int row, int* value, int match, std::string label)
{
    const float cx = column * 88.0f + 53.0f, cy = mnw.wind_dy - 38.0f - 32.0f * row;
    int result = 0;
    if (mnw.mouse_down && BTN_mouse_in(cx - 50, cy - 13, cx + 40, cy + 13)) {
        *value = match;
        result = 1;
    }
    const bool chosen = *value == match;
    const float t0 = chosen ? 486 : 459;
    BTN_util_atlas_quad(t_interface, 0, cx - 49, cy - 13, cx + 49, cy + 13, 204, t0, 302, t0 + 26);
    btn_draw.string(chosen ? 41 : 42, cx - 40, cy - 4, label, 9999, font_interface, 0);
    return result;
}

void plot_dir(float x, float y, float* heading, int alternate)
{
    // The needle turns clockwise by the heading about the dial's centre.
    const float rad = *heading * static_cast<float>(M_PI) / 180.0f;
    const float c = std::cos(rad), s = std::sin(rad);
    auto px = [&](float dx, float dy) { return x + dx * c + dy * s; };
    auto py = [&](float dx, float dy) { return y - dx * s + dy * c; };
    const float t0 = alternate ? 272 : 315, a0 = 156 / 512.0f, a1 = 166 / 512.0f;
    const float b0 = t0 / 512.0f, b1 = (t0 + 42) / 512.0f;
    btn_draw.quad(t_interface, 0, 1.0f, px(-5, -21), py(-5, -21), a0, b0, px(-5, 21), py(-5, 21), a0, b1,
                  px(5, 21), py(5, 21), a1, b1, px(5, -21), py(5, -21), a1, b0, 1, ogl_alpha_blend);
    BTN_util_atlas_quad(t_interface, 0, x - 28, y - 29, x + 28, y + 29, 178, 160, 234, 218);
    btn_draw.number(45, x - 14, y - 2, *heading, 3, 0, font_fixed);
    if (!mnw.mouse_held || !BTN_mouse_in(x - 30, y - 30, x + 30, y + 30)) return;
    const float dx = mnw.mouse_x - x, dy = mnw.mouse_y - y;
    float deg = std::atan2(dx, dy) * 180.0f / static_cast<float>(M_PI);
    if (deg < 0) deg += 360.0f;
    if (deg >= 360.0f) deg -= 360.0f;
    *heading = deg;
}
