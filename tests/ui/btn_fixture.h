// btn_fixture.h - widgets without a window: a recording fake behind the
// widget set's drawing table, and a frame harness that runs the frame loop's
// steps in its order (keys dispatched against the last frame's ring, mouse
// flags, focus cleared on a press, ring emptied, widgets drawn).
#pragma once

#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "support/testkit.h"
#include "ui/btn_chars.h"
#include "ui/btn_draw.h"
#include "ui/btn_focus.h"
#include "ui/btn_frames.h"
#include "ui/btn_numbers.h"
#include "ui/btn_sliders.h"
#include "ui/btn_text.h"
#include "ui/keys.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace btn {

// One drawing call as the widget made it.
struct draw_call {
    std::string kind;     // "quad", "fillrect", "line", "string", "number", "scissors", "scissors_end", "sbuff"
    int ref = 0;          // quad: texture reference
    int colour = 0;
    float alpha = 0;
    std::vector<float> v; // quad: 4 x (x, y, s, t); rect and line: x, y, w|x2, h|y2; string/number: x, y
    std::string text;     // string
    float value = 0;      // number
    int digits = 0, decimals = 0;
    int font = 0, align = 0;

    // A quad's screen box and atlas cell (pixels of a 512 atlas).
    float x0() const { return v[0]; }
    float y0() const { return v[1]; }
    float x1() const { return v[8]; }
    float y1() const { return v[9]; }
    float s0(float size = 512) const { return v[2] * size; }
    float t0(float size = 512) const { return v[3] * size; }
    float s1(float size = 512) const { return v[10] * size; }
    float t1(float size = 512) const { return v[11] * size; }
};

inline std::vector<draw_call>* drawn = nullptr;

inline void rec_quad(int ref, int colour, float alpha, float x1, float y1, float s1, float t1, float x2, float y2,
                     float s2, float t2, float x3, float y3, float s3, float t3, float x4, float y4, float s4,
                     float t4, int, int)
{
    draw_call c;
    c.kind = "quad";
    c.ref = ref;
    c.colour = colour;
    c.alpha = alpha;
    c.v = {x1, y1, s1, t1, x2, y2, s2, t2, x3, y3, s3, t3, x4, y4, s4, t4};
    drawn->push_back(c);
}
inline void rec_rect4(const char* kind, int colour, float alpha, float a, float b, float c4, float d)
{
    draw_call c;
    c.kind = kind;
    c.colour = colour;
    c.alpha = alpha;
    c.v = {a, b, c4, d};
    drawn->push_back(c);
}
inline void rec_fillrect(int colour, float alpha, float x, float y, float w, float h)
{
    rec_rect4("fillrect", colour, alpha, x, y, w, h);
}
inline void rec_line(int colour, float alpha, float x1, float y1, float x2, float y2)
{
    rec_rect4("line", colour, alpha, x1, y1, x2, y2);
}
inline float rec_string(int colour, float x, float y, const std::string& text, float, int font, int align)
{
    draw_call c;
    c.kind = "string";
    c.colour = colour;
    c.v = {x, y};
    c.text = text;
    c.font = font;
    c.align = align;
    drawn->push_back(c);
    return y;
}
inline void rec_number(int colour, float x, float y, float value, int digits, int decimals, int font)
{
    draw_call c;
    c.kind = "number";
    c.colour = colour;
    c.v = {x, y};
    c.value = value;
    c.digits = digits;
    c.decimals = decimals;
    c.font = font;
    drawn->push_back(c);
}
inline void rec_scissors(float x, float y, float w, float h) { rec_rect4("scissors", 0, 0, x, y, w, h); }
inline void rec_bare(const char* kind)
{
    draw_call c;
    c.kind = kind;
    drawn->push_back(c);
}
inline void rec_scissors_end() { rec_bare("scissors_end"); }
inline void rec_sbuff() { rec_bare("sbuff"); }
// The mouse of one frame, in interface units of the current sub-window.
struct mouse {
    float x = -1000, y = -1000;
    int down = 0, held = 0, held_long = 0;
};
inline mouse press_at(float x, float y) { return {x, y, 1, 1, 0}; }
inline mouse hold_at(float x, float y) { return {x, y, 0, 1, 0}; }
inline mouse over(float x, float y) { return {x, y, 0, 0, 0}; }

class widgets : public ::testing::Test {
protected:
    std::vector<draw_call> calls; // what the last frame drew
    std::vector<int> consumed;    // dispatch results of the last frame's keys, press then release
    alert_recorder alerts;

    void SetUp() override
    {
        HL_reset_globals();
        mnw.menu_open = -1;
        mnw.wind_dx = 1024;
        mnw.wind_dy = 768;
        xtim.ot5 = 0;
        drawn = &calls;
        // Text is measured by the drawing layer's own width rule.
        const btn_draw_calls real = BTN_default_draw_calls();
        previous = BTN_set_draw_calls({rec_quad, rec_fillrect, rec_line, rec_string, rec_number, rec_scissors,
                                       rec_scissors_end, rec_sbuff, real.text_width, real.char_width});
        reset_widget_state();
        BTN_install_focus_hooks();
    }
    void TearDown() override
    {
        BTN_set_draw_calls(previous);
        KEYS_set_focus_hook(nullptr);
        BTN_set_unfocus_hook(nullptr);
        reset_widget_state();
        drawn = nullptr;
        HL_reset_globals();
    }

    static void reset_widget_state()
    {
        BTN_reset_focus();
        BTN_reset_text_fields();
        BTN_reset_numbers();
        BTN_reset_chars();
        BTN_reset_sliders();
    }

    // A key typed before the next frame: its press and its release.
    void type(int character, int vkey = 0, int flags = 0)
    {
        keys_due.push_back({character, vkey, flags | skyd_DownFlag});
        keys_due.push_back({character, vkey, flags | skyd_UpFlag});
    }
    void type_text(const std::string& text)
    {
        for (char c : text) type(static_cast<unsigned char>(c));
    }

    // One frame: the keys typed since the last frame meet the ring it built,
    // then the mouse of this frame, then the widgets draw.
    void frame(const std::function<void()>& draw, mouse m = {})
    {
        consumed.clear();
        for (const key& k : keys_due) consumed.push_back(BTN_dispatch_to_focus(k.character, k.vkey, k.flags));
        keys_due.clear();
        mnw.mouse_x = m.x;
        mnw.mouse_y = m.y;
        mnw.mouse_down = m.down;
        mnw.mouse_held = m.held;
        mnw.mouse_held_long = m.held_long;
        mnw.cursor_type = 0;
        stls.help.clear();
        if (m.down) BTN_unfocus_any();
        BTN_begin_focus_ring();
        calls.clear();
        draw();
    }

    std::vector<draw_call> of_kind(const std::string& kind) const
    {
        std::vector<draw_call> out;
        for (const draw_call& c : calls)
            if (c.kind == kind) out.push_back(c);
        return out;
    }

private:
    struct key {
        int character, vkey, flags;
    };
    std::vector<key> keys_due;
    btn_draw_calls previous{};
};

} // namespace btn
