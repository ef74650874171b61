// shell_fixture.h - the shell without an X server: a scripted event source,
// a GL recorder in place of GL, recorders for the application's hooks, and
// the window record of a 1024 x 768 main window.
#pragma once

#include "foundation/hl_types.h"
#include "foundation/xtim.h"
#include "shell/chrome.h"
#include "shell/frame.h"
#include "shell/lin_events.h"
#include "shell/menus.h"
#include "shell/shell_calls.h"
#include "shell/subwin.h"
#include "support/gl_recorder.h"
#include "support/testkit.h"
#include "support/window_kit.h"
#include "ui/keys.h"

#include <gtest/gtest.h>

// After gtest: Xlib's macros clash with its names.
#include <X11/Xlib.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace shellfx {

// Events handed out oldest first; the pointer where the script put it.
class scripted_source : public LIN_event_source {
public:
    std::deque<XEvent> events;
    int pointer_x = 0, pointer_y = 0;
    int pointer_queries = 0;
    std::vector<long> waits;              // the time-outs the frame loop slept with
    std::map<int, std::string> names = {  // keycode -> keysym name
        {36, "Return"}, {9, "Escape"}, {38, "a"}, {50, "Shift_L"}, {62, "Shift_R"}, {37, "Control_L"},
        {64, "Alt_L"}, {133, "Super_L"}, {135, "Menu"}, {92, "ISO_Level3_Shift"},
    };

    int queued() override { return static_cast<int>(events.size()); }
    void wait(long usec) override { waits.push_back(usec); }
    bool next(XEvent* event) override
    {
        if (events.empty()) return false;
        *event = events.front();
        events.pop_front();
        return true;
    }
    bool pointer(int* x, int* y) override
    {
        ++pointer_queries;
        *x = pointer_x;
        *y = pointer_y;
        return true;
    }
    const char* key_name(int keycode) override
    {
        auto it = names.find(keycode);
        return it == names.end() ? nullptr : it->second.c_str();
    }

    void key(int type, int keycode, unsigned state = 0)
    {
        XEvent e{};
        e.xkey.type = type;
        e.xkey.keycode = static_cast<unsigned>(keycode);
        e.xkey.state = state;
        events.push_back(e);
    }
    void button(int type, unsigned button)
    {
        XEvent e{};
        e.xbutton.type = type;
        e.xbutton.button = button;
        events.push_back(e);
    }
    // A motion event whose own coordinates lie: only the pointer query counts.
    void motion(int x, int y)
    {
        XEvent e{};
        e.xmotion.type = MotionNotify;
        e.xmotion.x = -999;
        e.xmotion.y = -999;
        events.push_back(e);
        pointer_x = x;
        pointer_y = y;
    }
    void other(int type)
    {
        XEvent e{};
        e.type = type;
        events.push_back(e);
    }
};

// What the shell called out to, in order.
struct calls_seen {
    std::vector<std::string> log; // "update", "focus", "swap", "menu 7", "zap 1"
    int update_sees_down = 0, update_sees_up = 0, update_sees_key = 0, update_sees_return = 0;
    int failing[3] = {0, 0, 0};   // texture failures pending, by kind
    void (*on_update)() = nullptr;
};
inline calls_seen* seen;

inline void rec_update()
{
    seen->log.push_back("update");
    seen->update_sees_down += mnw.mouse_down;
    seen->update_sees_up += mnw.mouse_up;
    seen->update_sees_key += mnw.key_hit;
    seen->update_sees_return += return_hit;
    if (seen->on_update) seen->on_update();
}
inline void rec_menu(int c) { seen->log.push_back("menu " + std::to_string(c)); }
inline void rec_focus() { seen->log.push_back("focus"); }
inline int rec_zap(int p)
{
    seen->log.push_back("zap " + std::to_string(p));
    return 0;
}
inline void rec_swap() { seen->log.push_back("swap"); }
inline int rec_failed(int kind) { return seen->failing[kind] == 1; }
inline void rec_mute(int kind) { seen->failing[kind] = 2; }

// Keysyms for the keyboard layer, matching the source's names.
class fixture_keysyms : public keysym_source {
public:
    unsigned long keysym(int keycode, int) override
    {
        switch (keycode) {
        case 36: return 0xFF0D; // Return
        case 9: return 0xFF1B;  // Escape
        case 38: return 0x61;   // a
        default: return 0;
        }
    }
    const char* keysym_name(unsigned long sym) override
    {
        switch (sym) {
        case 0xFF0D: return "Return";
        case 0xFF1B: return "Escape";
        case 0x61: return "a";
        default: return nullptr;
        }
    }
};

class ShellTest : public ::testing::Test {
protected:
    scripted_source src;
    fixture_keysyms syms;
    calls_seen calls;
    gl_recorder gl_rec;
    alert_recorder alerts;
    stepped_clock clock;
    shell_calls previous_calls{};
    LIN_event_source* previous_source = nullptr;
    keysym_source* previous_syms = nullptr;

    void SetUp() override
    {
        HL_reset_globals();
        keys = keys_class{};
        seen = &calls;
        previous_source = LIN_set_event_source(&src);
        previous_syms = KEYS_set_keysym_source(&syms);
        previous_calls = MACIBM_set_shell_calls(
            {rec_update, rec_menu, rec_focus, rec_zap, rec_swap, rec_failed, rec_mute, nullptr});
        MACIBM_install_shell_hooks();
        LIN_events_forget();
        MACIBM_frame_forget();
        MACIBM_chrome_forget();
        MACIBM_menu_bar_forget();
        MACIBM_clear_menus(1);
        mnw.x_res_now = 1024;
        mnw.y_res_now = 768;
        mnw.ui_scale = 1.0f;
        mnw.cur_wind = -1;
        xtim = xtim_class{};
        load_interface_textures();
    }
    // The interface pictures loaded through the recorder as start-up loads
    // them, so that drawing binds the atlas and not the missing-texture stand-in.
    void load_interface_textures()
    {
        HL_fill_tables();
        ::load_interface_textures();
        gl_rec.calls.clear();
    }
    void TearDown() override
    {
        LIN_set_event_source(previous_source);
        KEYS_set_keysym_source(previous_syms);
        KEYS_set_handleclick_hook(nullptr);
        MACIBM_set_shell_calls(previous_calls);
        menu.clear();
        unload_interface_art();
        seen = nullptr;
        HL_reset_globals();
    }

    // Runs frames with the clock stepped by one 60 Hz frame each.
    void frames(int n = 1)
    {
        for (int i = 0; i < n; ++i) {
            clock.advance(1.0 / 60);
            MACIBM_event_proc();
        }
    }
    int count(const std::string& what) const
    {
        int n = 0;
        for (const std::string& s : calls.log) n += s == what;
        return n;
    }
};

} // namespace shellfx
