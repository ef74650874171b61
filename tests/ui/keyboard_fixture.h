// keyboard_fixture.h - a keyboard without an X server: a small US-like keymap
// (plus the odd keys the translation must cope with), and recorders for the
// focus ring, the click dispatch and the command registry.
#pragma once

#include "foundation/hl_types.h"
#include "ui/keys.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace kbd {

// Keycodes of the fake keymap: each with its unshifted and shifted keysym.
enum : int {
    kc_a = 38, kc_c = 54, kc_k = 45, kc_1 = 10, kc_bracket = 34, kc_amp_1 = 200,
    kc_return = 36, kc_escape = 9, kc_backspace = 22, kc_tab = 23, kc_space = 65,
    kc_home = 110, kc_left = 113, kc_up = 111, kc_right = 114, kc_down = 116, kc_delete = 119,
    kc_kp_7 = 201, kc_kp_multiply = 63, kc_kp_decimal = 202, kc_kp_separator = 203,
    kc_kp_enter = 104, kc_f1 = 67,
    kc_caps = 66, kc_num = 77, kc_scroll = 78, kc_shift_l = 50, kc_unnamed = 204,
};

constexpr long press = 2, release = 3;
constexpr long x_shift = 1, x_lock = 2, x_control = 4, x_mod1 = 8, x_mod2 = 16;

class fake_keysyms : public keysym_source {
public:
    std::map<int, std::pair<unsigned long, unsigned long>> levels = {
        {kc_a, {0x61, 0x41}}, {kc_c, {0x63, 0x43}}, {kc_k, {0x6B, 0x4B}}, {kc_1, {0x31, 0x21}},
        {kc_bracket, {0x5B, 0x7B}}, {kc_amp_1, {0x26, 0x31}},
        {kc_return, {0xFF0D, 0}}, {kc_escape, {0xFF1B, 0}}, {kc_backspace, {0xFF08, 0}},
        {kc_tab, {0xFF09, 0xFE20}}, {kc_space, {0x20, 0}}, {kc_home, {0xFF50, 0}},
        {kc_left, {0xFF51, 0}}, {kc_up, {0xFF52, 0}}, {kc_right, {0xFF53, 0}}, {kc_down, {0xFF54, 0}},
        {kc_delete, {0xFFFF, 0}}, {kc_kp_7, {0xFFB7, 0xFF95}}, {kc_kp_multiply, {0xFFAA, 0xFFAA}},
        {kc_kp_decimal, {0xFFAE, 0xFF9F}}, {kc_kp_separator, {0xFFAC, 0}}, {kc_kp_enter, {0xFF8D, 0}},
        {kc_f1, {0xFFBE, 0}},
        {kc_caps, {0xFFE5, 0xFFE5}}, {kc_num, {0xFF7F, 0xFF7F}}, {kc_scroll, {0xFF14, 0xFF14}},
        {kc_shift_l, {0xFFE1, 0xFFE1}},
        {kc_unnamed, {0x0EEE, 0}},
    };
    std::map<unsigned long, std::string> names = {
        {0xFFE5, "Caps_Lock"}, {0xFF7F, "Num_Lock"}, {0xFF14, "Scroll_Lock"}, {0xFFE1, "Shift_L"},
    };

    unsigned long keysym(int keycode, int index) override
    {
        auto it = levels.find(keycode);
        if (it == levels.end()) return 0;
        return index == 0 ? it->second.first : index == 1 ? it->second.second : 0;
    }
    const char* keysym_name(unsigned long sym) override
    {
        if (sym == 0 || sym == 0x0EEE) return nullptr;
        auto it = names.find(sym);
        if (it == names.end()) it = names.emplace(sym, "sym_" + std::to_string(sym)).first;
        return it->second.c_str();
    }
};

struct key_seen {
    int character, vkey, flags;
    bool operator==(const key_seen& o) const
    {
        return character == o.character && vkey == o.vkey && flags == o.flags;
    }
};

// What reached the outside: the focus ring, the click dispatch, the registry.
struct recorder {
    std::vector<key_seen> focus;
    int focus_takes = 0;    // answer of the focus ring
    int handleclicks = 0;
    std::vector<std::string> commands; // "press 3", "release 3", "always 3"
};
inline recorder* rec;

inline int record_focus(int c, int v, int f)
{
    rec->focus.push_back({c, v, f});
    return rec->focus_takes;
}
inline void record_click(int) { ++rec->handleclicks; }
inline void record_press(int c) { rec->commands.push_back("press " + std::to_string(c)); }
inline void record_release(int c) { rec->commands.push_back("release " + std::to_string(c)); }
inline void record_always(int c) { rec->commands.push_back("always " + std::to_string(c)); }

class keyboard : public ::testing::Test {
protected:
    fake_keysyms syms;
    recorder seen;

    void SetUp() override
    {
        HL_reset_globals();
        keys = keys_class{};
        rec = &seen;
        prev_source = KEYS_set_keysym_source(&syms);
        prev_focus = KEYS_set_focus_hook(record_focus);
        prev_click = KEYS_set_handleclick_hook(record_click);
        prev_actions = KEYS_set_cmnd_actions({record_press, record_release, record_always});
    }
    void TearDown() override
    {
        KEYS_set_keysym_source(prev_source);
        KEYS_set_focus_hook(prev_focus);
        KEYS_set_handleclick_hook(prev_click);
        KEYS_set_cmnd_actions(prev_actions);
        keys = keys_class{};
        HL_reset_globals();
        rec = nullptr;
    }

    void hit(long type, int keycode, long state = 0) { keys.handle_key_raw(type, keycode, state); }
    void bind(int vkey, int flags, int cmnd) { keys.bindings.push_back({vkey, flags, cmnd, 0}); }

private:
    keysym_source* prev_source = nullptr;
    focus_dispatch_fn prev_focus = nullptr;
    handleclick_fn prev_click = nullptr;
    cmnd_actions prev_actions{};
};

} // namespace kbd
