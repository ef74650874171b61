// chrome.cpp - the tool-tip, the pointer and the menus drawn over each frame.
//
//   painter    the drawing calls, replaceable
//   tool-tip   where the box goes
//   cursor     pointer visibility and the atlas shapes
//   menus      bar, panel, highlights, dividers, items, arrows
#include "shell/chrome.h"

#include "foundation/frame_pace.h"
#include "foundation/hl_types.h"
#include "foundation/xtim.h"
#include "shell/menus.h"
#include "shell/subwin.h"
#include "ui/btn_frames.h"
#include "ui/colr.h"
#include "ui/ogl_draw.h"
#include "ui/ogl_state.h"
#include "ui/ogl_text.h"

#include <algorithm>

float m_x1 = 0, m_y1 = 0, m_x2 = 0, m_y2 = 0;

void chrome_painter::frame1(int style, float x, float y, float width, int colour)
{
    BTN_frame1(style, x, y, width, colour);
}

void chrome_painter::frame2(int style, float x, float y, float w, float h, const std::string& title)
{
    BTN_frame2(style, x, y, w, h, title);
}

void chrome_painter::element(float x, float y, float s, float t, float half_w, float half_h, int colour)
{
    BTN_util_element(x, y, s, t, half_w, half_h, colour);
}

void chrome_painter::string(int colour, float x, float y, const std::string& text, float wrap, int font)
{
    OGL_string(colour, x, y, text, wrap, font, 0);
}

void chrome_painter::fillrect(int colour, float alpha, float x, float y, float w, float h)
{
    OGL_fillrect(colour, alpha, x, y, w, h);
}

void chrome_painter::line(int colour, float alpha, float x1, float y1, float x2, float y2)
{
    OGL_line(colour, alpha, x1, y1, x2, y2);
}

void chrome_painter::cursor(float x, float y, float s0, float t0, float s1, float t1)
{
    constexpr int t_interface = 388;
    OGL_2dquad(t_interface, col_white, 1.0f, x - 15, y - 15, s0, t0, x - 15, y + 15, s0, t1, x + 15, y + 15, s1, t1,
               x + 15, y - 15, s1, t0, 1, ogl_alpha_blend);
}

namespace {

constexpr int font_interface = 100;
constexpr int font_grid_13 = 103;
constexpr int korean = 6;

chrome_painter default_painter;
chrome_painter* installed_painter = nullptr;

chrome_painter& paint() { return installed_painter ? *installed_painter : default_painter; }

// ---- cursor state ----------------------------------------------------------------------

int OS_mouse_showing = 1; // the system pointer is visible in the main window
int mouse_was_plugin = 0; // the last frame left the pointer to a plug-in

bool is_dialog(int id) { return id >= win_livery && id <= win_open_save; }

void set_pointer_visible(int kind)
{
    const bool want = kind <= 1;
    if (want == (OS_mouse_showing != 0)) return; // nothing goes to X without a change
    OS_mouse_showing = want ? 1 : 0;
    LIN_show_pointer(want);
}

// A still picture wakes when the pointer has rested long enough for a change.
void wake_after_rest(float rest)
{
    const float left = mnw.mouse_time + rest - xtim.elapsed_time;
    if (left >= 0) fpace.wake_in(left + 0.02);
}

void draw_tooltip()
{
    if (stls.help.empty()) return;
    if (xtim.elapsed_time - mnw.mouse_time <= 1.0f) return wake_after_rest(1.0f);
    const tooltip_box box = MACIBM_tooltip_box(stls.help);
    paint().frame2(14, box.x - 10, box.y - 10, 420, box.h + 20, "");
    paint().string(col_window_text, box.x + 3, box.y + box.h - 10, stls.help, 394, font_interface);
}

// ---- menus -------------------------------------------------------------------------------

template <class R>
void fill_over(const R& r)
{
    paint().fillrect(col_menu_fill, 0.25f, r.l, r.b, static_cast<float>(r.r - r.l), static_cast<float>(r.t - r.b));
}

bool hoverable(const item_struct& it) { return !it.text.empty() && it.text[0] != '-' && it.text[0] != '='; }

void draw_menu_bar()
{
    const float w = static_cast<float>(mnw.x_res_now), h = static_cast<float>(mnw.y_res_now);
    paint().frame1(0, w / 2, h - 9, w, 0);
    const int font = mnw.lang == korean ? font_grid_13 : font_interface;
    for (const menu_struct& m : menu)
        if (!m.title.empty() && m.parent == -1) paint().string(col_menu_text, m.l + 10.0f, m.b + 6.0f, m.title, 9999, font);
}

void panel_rectangle(const std::vector<item_struct>& items)
{
    m_x1 = m_y1 = 9999;
    m_x2 = m_y2 = 0;
    bool any = false;
    for (const item_struct& it : items) {
        if (it.text.empty()) continue;
        any = true;
        m_x1 = std::min(m_x1, static_cast<float>(it.l));
        m_x2 = std::max(m_x2, static_cast<float>(it.r));
        if (it.b < m_y1) m_y1 = it.b - 2.0f;
        if (it.t > m_y2) m_y2 = it.t + 2.0f;
    }
    if (!any) m_x1 = m_y1 = m_x2 = m_y2 = 0;
}

const item_struct* hovered_item(const std::vector<item_struct>& items)
{
    const item_struct* hit = nullptr; // the last match wins
    for (const item_struct& it : items)
        if (hoverable(it) && mnw.mouse_x >= it.l && mnw.mouse_x <= it.r && mnw.mouse_y >= it.b &&
            mnw.mouse_y <= it.t - 1)
            hit = &it;
    return hit;
}

void draw_dividers(const std::vector<item_struct>& items)
{
    for (std::size_t i = 1; i < items.size(); ++i) {
        const item_struct& it = items[i];
        if (it.text.empty() || it.l == items[i - 1].l) continue;
        const float x = it.l;
        paint().line(col_menu_line, 1.0f, x - 1, m_y1 - 1, x - 1, m_y2);
        paint().line(col_menu_line_2, 1.0f, x, m_y2, x, m_y1 - 1);
    }
}

void draw_items(const std::vector<item_struct>& items, bool popup)
{
    for (const item_struct& it : items) {
        if (it.text.empty()) continue;
        if (it.text[0] == '-') {
            paint().line(col_menu_line, 1.0f, it.l, it.b + 1.0f, it.r - 1.0f, it.b + 1.0f);
            paint().line(col_menu_line_2, 1.0f, it.l, it.b, it.r - 1.0f, it.b);
            continue;
        }
        const int font = it.korean ? font_grid_13 : font_interface;
        paint().string(col_menu_text, it.l + (popup ? 3.0f : 18.0f), it.b + 3.0f, it.text, 9999, font);
    }
}

void draw_submenu_arrows(int open)
{
    for (const menu_struct& m : menu)
        if (m.parent == open) paint().element(m.r - 8.0f, m.b + 6.0f, 167, 187, 9, 9, 0);
}

} // namespace

chrome_painter* MACIBM_set_chrome_painter(chrome_painter* painter)
{
    chrome_painter* previous = installed_painter;
    installed_painter = painter;
    return previous;
}

int MACIBM_pointer_showing() { return OS_mouse_showing; }

void MACIBM_chrome_forget()
{
    OS_mouse_showing = 1;
    mouse_was_plugin = 0;
}

// ---- geometry ---------------------------------------------------------------------------------

tooltip_box MACIBM_tooltip_box(const std::string& text)
{
    const int lines_h = static_cast<int>(text.size() / 50) * 10 + 20;
    const float h = static_cast<float>(std::clamp(lines_h, 60, 300));
    float x = mnw.mouse_x - 415; // the box opens left of the pointer
    const float x_low = 10 - mnw.wind_x, x_high = mnw.x_res_now - mnw.wind_x - 410;
    if (x < x_low) x = x_low;
    else if (x > x_high) x = x_high;
    float y = mnw.mouse_y + 15;
    const float y_low = 10 - mnw.wind_y, y_high = mnw.y_res_now - mnw.wind_y - h - 20;
    if (y < y_low) y = y_low;
    else if (y > y_high) y = y_high;
    return {x, y, h};
}

cursor_cell MACIBM_cursor_cell(int kind, int held)
{
    struct cell { int kind, c, r; };
    static const cell cells[] = {{3, 0, 1}, {4, 1, 1}, {5, 0, 0}, {6, 1, 0}, {7, 2, 1}, {8, 3, 1}, {9, 2, 0},
                                 {10, 3, 0}, {11, 4, 1}, {12, 4, 0}, {14, -1, 0}, {0, 0, 0}};
    int c = -1, r = 1; // kind 13 and every kind above 14
    for (const cell* p = cells; p->kind != 0; ++p)
        if (p->kind == kind) {
            c = p->c;
            r = p->r;
        }
    if ((kind == 11 || kind == 12) && held) c = 5;
    return {(200.0f + 32 * c) / 512, (293.0f + 32 * r) / 512, (230.0f + 32 * c) / 512, (323.0f + 32 * r) / 512};
}

// ---- per frame -----------------------------------------------------------------------------------

void mouse_help_per_wind(int id)
{
    draw_tooltip();
    stls.help.clear(); // a widget sets its text again each frame the mouse stays
    xtim_class::profile_chart("help", 0);

    if (xtim.elapsed_time - mnw.mouse_time > 10.0f && mnw.cur_wind == win_main) mnw.cursor_type = 2;
    else if (mnw.cur_wind == win_main && OS_mouse_showing) wake_after_rest(10.0f);
    if (is_dialog(id)) mnw.cursor_type = 0;
    const int kind = mnw.cursor_type;
    set_pointer_visible(kind);

    if (kind == 1) {
        mouse_was_plugin = 1;
        return;
    }
    if (mouse_was_plugin) {
        mouse_was_plugin = 0;
        LIN_restore_pointer();
    }
    if (kind < 3) return;
    const cursor_cell cell = MACIBM_cursor_cell(kind, mnw.mouse_held);
    paint().cursor(mnw.mouse_x, mnw.mouse_y, cell.s0, cell.t0, cell.s1, cell.t1);
}

void standard_gui()
{
    const int open = mnw.menu_open;
    if (open < 0 || static_cast<std::size_t>(open) >= menu.size()) return;
    const bool popup = open == menu_popup;
    if (!popup) draw_menu_bar();

    const menu_struct& m = menu[static_cast<std::size_t>(open)];
    panel_rectangle(m.items);
    const item_struct* hovered = hovered_item(m.items);
    paint().frame2(17, m_x1, m_y1, m_x2 - m_x1, m_y2 - m_y1, "");
    if (m.parent == -1 && !popup) fill_over(m);
    if (hovered) fill_over(*hovered);
    draw_dividers(m.items);
    draw_items(m.items, popup);
    draw_submenu_arrows(open);
}
