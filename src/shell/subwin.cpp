// subwin.cpp - switching sub-windows and dispatching mouse presses.
//
//   table      the dialog ids with their titles and sizes
//   startwind  the switch
//   dispatch   close zones, the menu bar, the open menu's items
#include "shell/subwin.h"

#include "foundation/frame_pace.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "shell/chrome.h"
#include "shell/close_request.h"
#include "shell/menus.h"
#include "shell/shell_calls.h"
#include "ui/ogl_view.h"

#include <algorithm>
#include <cmath>

namespace {

// ---- table ------------------------------------------------------------------------

const subwin_spec subwin_table[] = {
    {win_eula, 0, "EULA", 500, 300},
    {win_prefs, 0, "Prefs", 600, 380},
    {win_livery, 0, "Livery", 561, 474},
    {win_about, 613, nullptr, 600, 300},
    {win_alert, 601, nullptr, 420, 250},
    {win_nuke_alert, 602, nullptr, 300, 166},
    {win_select_alert, 602, nullptr, 700, 146},
    {win_file_chooser, 614, nullptr, 561, 474},
    {win_open_save, 77, nullptr, 330, 474},
    {0, 0, nullptr, 0, 0},
};

float scale() { return mnw.ui_scale > 0.0f ? mnw.ui_scale : 1.0f; }

// Whole units: half the surplus rounded half away from zero, never negative.
float centred(int res, float size)
{
    const long r = std::lround((static_cast<float>(res) - size * scale()) / 2.0f);
    return std::max(0.0f, std::trunc(static_cast<float>(r) / scale()));
}

// ---- dispatch helpers ----------------------------------------------------------------

bool has_close_zones(int id) { return id != win_main && (id < win_alert || id > win_open_save); }

bool in_close_zone()
{
    const float x = mnw.mouse_x, y = mnw.mouse_y;
    const bool top = y >= mnw.wind_dy - 20.0f && y <= mnw.wind_dy;
    const bool left = x >= 0.0f && x <= 25.0f;
    const bool right = x >= mnw.wind_dx - 25.0f && x <= mnw.wind_dx;
    return top && (left || right);
}

template <class R>
bool contains(const R& r, float x, float y)
{
    return x >= r.l && x <= r.r && y >= r.b && y <= r.t;
}

// An unused slot (0, 0, 0, 0) or the reset popup (-1s) has no area; it must
// not swallow a press at its corner and open a menu that does not exist.
bool in_menu_cell(const menu_struct& m, float x, float y)
{
    return m.l != m.r && m.b != m.t && contains(m, x, y);
}

bool choosable(const item_struct& it) { return !it.text.empty() && it.text[0] != '-' && it.text[0] != '='; }

void close_current()
{
    const shell_calls& calls = MACIBM_shell_calls();
    calls.zap_boxes(1);
    calls.swap_buffers(); // the pressed boxes show at once
    return_hit = 0;       // the Return that forced the close is used up
    MACIBM_startwind(win_main, 0);
}

// The first bar title (or submenu of the open menu) under the mouse toggles.
bool click_menu_bar()
{
    const std::size_t walk = std::min(menu.size(), static_cast<std::size_t>(menu_popup));
    for (std::size_t i = 0; i < walk; ++i) {
        const menu_struct& m = menu[i];
        if (m.parent != -1 && m.parent != mnw.menu_open) continue;
        if (!in_menu_cell(m, mnw.mouse_x, mnw.mouse_y)) continue;
        const int index = static_cast<int>(i);
        mnw.menu_open = index == mnw.menu_open ? -1 : index;
        mnw.mouse_down = 0;
        return true;
    }
    return false;
}

bool click_open_menu_item()
{
    if (mnw.menu_open < 0 || static_cast<std::size_t>(mnw.menu_open) >= menu.size()) return false;
    const std::vector<item_struct>& items = menu[static_cast<std::size_t>(mnw.menu_open)].items;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (!choosable(items[i]) || !contains(items[i], mnw.mouse_x, mnw.mouse_y)) continue;
        if (mnw.menu_open == menu_popup) {
            popup_menu_select = static_cast<int>(i);
            select_popup_code = active_popup_code;
            active_popup_code = 0;
        } else {
            MACIBM_shell_calls().app_handlemenu(items[i].command);
        }
        mnw.menu_open = -1;
        mnw.mouse_down = 0;
        return true;
    }
    return false;
}

} // namespace

const subwin_spec* MACIBM_subwin_spec(int id)
{
    for (const subwin_spec* s = subwin_table; s->id != 0; ++s)
        if (s->id == id) return s;
    return nullptr;
}

// ---- startwind -------------------------------------------------------------------------

void MACIBM_startwind(int id, int)
{
    // A program that is closing opens no dialog: the loop of one asked for
    // now never runs, and its caller takes the loop's cancel answer.
    if (id != win_main && MACIBM_closing()) return;
    plot_init_lights = 1;
    // Whatever held still before belongs to another window; a dialog's first
    // picture is shown without waiting for input (the frame loop asks).
    fpace.switched();
    mouse_help_per_wind(id); // a pending tool-tip goes, the X cursor suits the new window
    OGL_viewport(2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1.0f, 0);
    mnw.wind_dx = static_cast<float>(mnw.x_res_now);
    mnw.wind_dy = static_cast<float>(mnw.y_res_now);
    mnw.modal = 0;
    if (const subwin_spec* shape = MACIBM_subwin_spec(id)) {
        stls.title = shape->title ? shape->title : stls.text[shape->title_text];
        mnw.wind_dx = shape->dx;
        mnw.wind_dy = shape->dy;
        mnw.modal = 1;
    }
    BTN_unfocus_any();
    mnw.menu_open = -1;
    mnw.cur_wind = id;
    mnw.open_wind = id;
    mnw.wind_x = centred(mnw.x_res_now, mnw.wind_dx);
    mnw.wind_y = centred(mnw.y_res_now, mnw.wind_dy);
    mnw.mouse_held = 0;
    mnw.mouse_down = 0;
    mnw.wheel = 0;
    if (menu.size() > static_cast<std::size_t>(menu_popup)) {
        menu_struct& popup = menu[menu_popup]; // a stale popup rectangle must catch no click
        popup.l = popup.b = popup.r = popup.t = -1;
    }
}

// ---- dispatch ------------------------------------------------------------------------------

void MACIBM_handleclick(int force)
{
    if (has_close_zones(mnw.cur_wind) && (force || in_close_zone())) {
        close_current();
        return;
    }
    if (mnw.cur_wind == win_main && click_menu_bar()) return;
    if (click_open_menu_item()) return;
    mnw.menu_open = -1; // the press also reaches the widgets under it
}
