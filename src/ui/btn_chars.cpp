// btn_chars.cpp - the character wheel.
#include "ui/btn_chars.h"

#include "foundation/hl_types.h"
#include "ui/btn_draw.h"
#include "ui/btn_focus.h"
#include "ui/btn_frames.h"
#include "ui/keys.h"

#include <cctype>

namespace {

int hot_digit = 0;
btn_key_queue wheel_keys;

constexpr int wheel_accept = focus_page_arrows | focus_letters | focus_digits | focus_plus_minus | focus_printable;
constexpr char wheel_alphabet[] = " 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-";
constexpr int wheel_size = 38;

// A lower-case letter counts as its capital, anything outside the alphabet as '0'.
int wheel_index(char c)
{
    const char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (int i = 0; i < wheel_size; ++i)
        if (wheel_alphabet[i] == u) return i;
    return 1;
}

void step(char& cell, int delta) { cell = wheel_alphabet[(wheel_index(cell) + delta + wheel_size) % wheel_size]; }

bool typable(int c)
{
    return c == ' ' || c == '-' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

void apply_key(char* chars, int count, int character, int vkey)
{
    if (count < 1) return; // no cell to act on
    if (vkey == SKYD_VK_LEFT) --hot_digit;
    if (vkey == SKYD_VK_RIGHT) ++hot_digit;
    if (hot_digit < 0) hot_digit = count - 1;
    if (hot_digit >= count) hot_digit = 0;
    if (vkey == SKYD_VK_DOWN) step(chars[hot_digit], 1);
    if (vkey == SKYD_VK_UP) step(chars[hot_digit], -1);
    if (!typable(character)) return;
    chars[hot_digit] = static_cast<char>(std::toupper(character));
    hot_digit = hot_digit + 1 >= count ? 0 : hot_digit + 1;
}

} // namespace

int BTN_chars_hot_cell() { return hot_digit; }

void BTN_reset_chars()
{
    hot_digit = 0;
    wheel_keys = btn_key_queue{};
}

void BTN_chars(float x, float y, char* chars, int count, std::string label)
{
    const bool pressed =
        mnw.menu_open == -1 && mnw.mouse_down && BTN_mouse_in(x, y - 2, x + 10.0f * count, y + 8);
    if (pressed) hot_digit = static_cast<int>((mnw.mouse_x - x) * 0.1f);
    const int id = BTN_focus_id_of(x, y);
    const bool focused = BTN_register_queue(id, wheel_keys, wheel_accept, pressed);
    if (focused && count >= 1) hot_digit = hot_digit < 0 ? 0 : hot_digit >= count ? count - 1 : hot_digit;
    BTN_drain_keys(wheel_keys, id, [&](int c, int v, int) { apply_key(chars, count, c, v); });

    std::string left, right, help;
    BTN_expand_label(label, &left, &right, &help);
    BTN_frame1(9, x + 1 + 5.0f * count, y + 3, 10.0f * count + 11, 0);
    for (int i = 0; i < count; ++i) {
        const float cx = x + 6 + 10.0f * i;
        BTN_util_atlas_quad(t_interface, 0, cx - 7, y - 19, cx + 7, y - 1, 83, 178, 97, 196);
        BTN_util_atlas_quad(t_interface, 0, cx - 7, y + 9, cx + 7, y + 27, 83, 197, 97, 215);
    }
    BTN_util_draw_label(x - 6, y, 0, left, 0);
    if (focused && count >= 1) btn_draw.fillrect(8, 1.0f, x + 2 + 10.0f * hot_digit, y - 2, 9, 11);
    for (int i = 0; i < count; ++i) {
        const float x0 = x + 10.0f * i, x1 = x0 + 10;
        btn_draw.string(45, x0 + 2, y, std::string(1, chars[i]), 9999, font_interface, 0);
        if (BTN_mouse_in(x0, y - 2, x1, y + 8)) stls.help = help;
        if (!mnw.mouse_down || pressed || !BTN_mouse_in(x0, y - 18, x1, y + 24)) continue;
        const bool up = mnw.mouse_y > y + 3;
        step(chars[i], up ? -1 : 1);
        mnw.cursor_type = up ? 13 : 14;
    }
}
