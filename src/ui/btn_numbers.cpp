// btn_numbers.cpp - the numeric field and its members.
//
//   shared state     selected digit and key queue of every numeric field
//   value steps      keys, arrows, clamping and rounding, in double
//   the field        one call per frame
//   members          other types, default ranges, grid placement
#include "ui/btn_numbers.h"

#include "foundation/hl_types.h"
#include "ui/btn_draw.h"
#include "ui/btn_focus.h"
#include "ui/btn_frames.h"
#include "ui/keys.h"

#include <cfloat>
#include <climits>
#include <cmath>

namespace {

// ---- shared state ------------------------------------------------------------------
int hot_digit = 0;
btn_key_queue number_keys;

constexpr int number_accept = focus_page_arrows | focus_digits | focus_plus_minus;

struct field {
    float x, y;
    int n, d;          // digits, of which decimals
    double min, max;
    double* value;
    double place(int k) const { return std::pow(10.0, n - 1 - d - k); } // of digit k
};

// ---- value steps ------------------------------------------------------------------

// Brings a carried-over selection into this field's width: both ends wrap.
int wrap_digit(int h, int n)
{
    if (h < 0) return n - 1;
    if (h >= n) return 0;
    return h;
}

// One key press for the focused field; 1 when it acted on the value.
int apply_key(const field& f, int character, int vkey)
{
    if (f.n < 1) return 0; // no digit to act on
    int h = hot_digit;
    if (vkey == SKYD_VK_LEFT) --h;
    if (vkey == SKYD_VK_RIGHT) ++h;
    h = wrap_digit(h, f.n);
    hot_digit = h;
    double& v = *f.value;
    if (vkey == SKYD_VK_UP || vkey == SKYD_VK_DOWN) {
        v += vkey == SKYD_VK_UP ? f.place(h) : -f.place(h);
        return 1;
    }
    if (character >= '0' && character <= '9') {
        // In whole units of the last decimal, so that a float just below its
        // decimal value (72.34 held as 72.3399...) still shows the digit it is drawn with.
        const double scale = std::pow(10.0, f.d), unit = std::pow(10.0, f.n - 1 - h);
        const double q = std::round(std::fabs(v) * scale);
        const double old = std::fmod(std::floor(q / unit), 10.0);
        const double changed = (q + (character - '0' - old) * unit) / scale;
        v = v < 0 ? -changed : changed;
        hot_digit = wrap_digit(h + 1, f.n);
        return 1;
    }
    if (character == '+' && f.min < 0) {
        v = std::fabs(v);
        return 1;
    }
    if (character == '-' && f.max >= 0) {
        v = -std::fabs(v);
        return 1;
    }
    return 0;
}

// A press on the arrows; 1 when a digit stepped. Only the first ten digits have arrows.
int arrow_press(const field& f)
{
    const bool up = mnw.mouse_y > f.y + 3;
    mnw.cursor_type = up ? 13 : 14;
    if (!mnw.mouse_down) return 0;
    int result = 0;
    const int cells = f.n < 10 ? f.n : 10;
    for (int k = 0; k < cells; ++k) {
        if (mnw.mouse_x < f.x + 10 * k || mnw.mouse_x > f.x + 10 * k + 10) continue;
        *f.value += up ? f.place(k) : -f.place(k);
        result = 1;
    }
    return result;
}

// Clamp (min tested first, so min > max ends at max), then round half away from zero.
void clamp_and_round(const field& f)
{
    double& v = *f.value;
    if (v < f.min) v = f.min;
    if (v > f.max) v = f.max;
    const double scale = std::pow(10.0, f.d);
    const double q = v * scale;
    v = std::trunc(q < 0 ? q - 0.5 : q + 0.5) / scale;
}

float to_float(double v)
{
    if (v > FLT_MAX) return FLT_MAX;
    if (v < -FLT_MAX) return -FLT_MAX;
    return static_cast<float>(v);
}

int to_int(double v)
{
    if (!(v == v)) return 0;
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(v);
}

// ---- the field ------------------------------------------------------------------------

void draw_field(const field& f, bool focused, const std::string& left, const std::string& right)
{
    BTN_frame1(9, f.x + 5 * f.n - 1, f.y + 3, 10.0f * f.n + 15, 0);
    for (int k = 0; k < f.n; ++k) {
        const float x0 = f.x + 10 * k - 1, x1 = f.x + 10 * k + 13;
        BTN_util_atlas_quad(t_interface, 0, x0, f.y - 19, x1, f.y - 1, 83, 178, 97, 196);
        BTN_util_atlas_quad(t_interface, 0, x0, f.y + 9, x1, f.y + 27, 83, 197, 97, 215);
    }
    BTN_util_draw_label(f.x - 12, f.y, 0, left, 0);
    BTN_util_draw_label(f.x + 10.0f * f.n + 12, f.y, 2, right, 0);
    if (focused && f.n >= 1) btn_draw.fillrect(8, 1.0f, f.x + 2 + 10.0f * hot_digit, f.y - 2, 9, 11);
    btn_draw.number(45, f.x + 3, f.y, to_float(*f.value), f.n, f.d, font_fixed);
}

int number_field(const field& f, const std::string& label)
{
    std::string left, right, help;
    BTN_expand_label(label, &left, &right, &help);
    const float right_end = f.x + 10.0f * f.n;
    const bool on_row = BTN_mouse_in(f.x, f.y - 2, right_end, f.y + 8);
    if (on_row) stls.help = help;
    const bool pressed = mnw.menu_open == -1 && mnw.mouse_down && on_row;
    if (pressed) hot_digit = static_cast<int>((mnw.mouse_x - f.x - 2) * 0.1f);
    const int id = BTN_focus_id_of(f.x, f.y);
    const bool focused = BTN_register_queue(id, number_keys, number_accept, pressed);
    if (focused && f.n >= 1) hot_digit = hot_digit < 0 ? 0 : hot_digit >= f.n ? f.n - 1 : hot_digit;

    int result = 0;
    BTN_drain_keys(number_keys, id, [&](int c, int v, int) { result |= apply_key(f, c, v); });
    if (mnw.menu_open == -1 && !on_row && BTN_mouse_in(f.x, f.y - 18, right_end, f.y + 24))
        result |= arrow_press(f);
    clamp_and_round(f);
    draw_field(f, focused, left, right);
    return result;
}

int int_field(float x, float y, int* value, int digits, double min, double max, const std::string& label)
{
    double v = *value;
    const int result = number_field(field{x, y, digits, 0, min, max, &v}, label);
    *value = to_int(std::trunc(v));
    return result;
}

int clamp_digits(int n, int most) { return n < 1 ? 1 : n > most ? most : n; }

} // namespace

int BTN_hot_digit() { return hot_digit; }

void BTN_reset_numbers()
{
    hot_digit = 0;
    number_keys = btn_key_queue{};
}

// ---- members ----------------------------------------------------------------------------

int BTN_flt_range(float x, float y, float* value, int digits, int decimals, float min, float max,
                  std::string label)
{
    double v = *value;
    const int result = number_field(field{x, y, digits, decimals, min, max, &v}, label);
    *value = to_float(v);
    return result;
}

int BTN_flt_rangeij(float column, float row, float* value, int digits, int decimals, float min, float max,
                    std::string label)
{
    return BTN_flt_range(75 * column + 75 - 10.0f * digits, 50 * row + 25, value, digits, decimals, min, max,
                         label);
}

int BTN_int_range(float x, float y, int* value, int digits, float min, float max, std::string label)
{
    return int_field(x, y, value, digits, min, max, label);
}

int BTN_int(float x, float y, int* value, int digits, int allow_negative, std::string label)
{
    const int n = clamp_digits(digits, 9);
    const double max = std::pow(10.0, n) - 1;
    return int_field(x, y, value, n, allow_negative ? -max : 0.0, max, label);
}

int BTN_dob_range(float x, float y, double* value, int digits, int decimals, float min, float max,
                  std::string label)
{
    double v = *value;
    const int result = number_field(field{x, y, digits, decimals, min, max, &v}, label);
    if (result) *value = v;
    return result;
}

int BTN_flt(float x, float y, float* value, int digits, int decimals, int allow_negative, std::string label)
{
    const int n = clamp_digits(digits, 10);
    const double max = std::pow(10.0, n - decimals) - std::pow(10.0, -decimals);
    double v = *value;
    const int result = number_field(field{x, y, n, decimals, allow_negative ? -max : 0.0, max, &v}, label);
    *value = to_float(v);
    return result;
}

int BTN_fltij(float column, float row, float* value, int digits, int decimals, int allow_negative,
              std::string label)
{
    return BTN_flt(75 * column + 75 - 10.0f * digits, 50 * row + 25, value, digits, decimals, allow_negative,
                   label);
}

void BTN_display_number(float x, float y, float value, int digits, int decimals, const std::string& label)
{
    std::string left, right;
    BTN_expand_label(label, &left, &right, nullptr);
    BTN_frame1(9, x + 5.0f * digits - 1, y + 3, 10.0f * digits + 15, 0);
    BTN_util_draw_label(x - 12, y, 0, left, 0);
    BTN_util_draw_label(x + 10.0f * digits + 12, y, 2, right, 0);
    btn_draw.number(45, x + 4, y, value, digits, decimals, font_fixed);
}
