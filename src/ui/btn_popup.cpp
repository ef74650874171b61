// btn_popup.cpp - the pop-up text list.
//
//   items     parsing the '-' separated texts
//   layout    the popup rows over the button, kept on screen
//   widget    BTN_textlist
#include "ui/btn_popup.h"

#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "ui/btn_draw.h"
#include "ui/btn_frames.h"
#include "ui/btn_shell.h"
#include "ui/colr.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace {


// Rows the open list is moved by to stay inside the window, so that the
// caller's selection keeps its value while nothing is chosen. Only one list
// is open at a time; opening one starts it at 0.
int open_shift = 0;

// The open list keeps its panel, drawn 4 units beyond its rows, inside the
// window and below the title bar that a titled window has along its top.
constexpr float panel_margin = 4.0f;
constexpr float title_bar_height = 23.0f;

// Labels stand this far clear of the frame's drawn ends, x - W/2 - 6 and x + W/2 + 26.
constexpr float label_gap = 6.0f;

// ---- items ----------------------------------------------------------------------

// Splits items at '-' into out; false after the fatal alert of a '|' or of too many items.
bool parse_items(const std::string& items, const std::string& label, std::vector<std::string>& out)
{
    out.assign(1, std::string());
    for (char c : items) {
        if (c == '|') {
            MACIBM_alert(0, "Found | char in text string!", items, "", label, t_exit);
            return false;
        }
        if (c == '-')
            out.emplace_back();
        else
            out.back() += c;
        if (out.size() > static_cast<std::size_t>(btn_popup_max_items)) {
            MACIBM_alert(0, "BTN_text_list overflow!", items, "", label, t_exit);
            return false;
        }
    }
    return true;
}

int item_width(const std::string& text)
{
    float w = 0;
    for (char c : text) w += btn_draw.char_width(c);
    return static_cast<int>(w);
}

// ---- layout ---------------------------------------------------------------------

// The rows of the open list with row s over the button; adjusts open_shift
// when the list hangs below the window's bottom or into its title bar.
btn_popup_layout lay_out(float x, float y, int s, int last, int w, const std::vector<std::string>& items)
{
    btn_popup_layout menu_rows;
    menu_rows.l = static_cast<std::int16_t>(static_cast<int>(x - w / 2.0f) - 2);
    menu_rows.r = static_cast<std::int16_t>(static_cast<int>(x + w / 2.0f) + 4);
    menu_rows.b = static_cast<std::int16_t>(static_cast<int>(y - 12.0f * (last - s)));
    menu_rows.t = static_cast<std::int16_t>(menu_rows.b + 12 * (last + 1));
    // The rows' own extremes: the window may be lower than half the screen.
    float lowest = std::numeric_limits<float>::max(), highest = std::numeric_limits<float>::lowest();
    for (int i = 0; i <= last; ++i) {
        btn_popup_row row{items[static_cast<std::size_t>(i)], menu_rows.l, 0, menu_rows.r, 0};
        row.b = static_cast<std::int16_t>(static_cast<int>(y - 12.0f * (i - s) - 3.0f));
        row.t = static_cast<std::int16_t>(static_cast<int>(y + 9.0f - 12.0f * (i - s)));
        lowest = std::min(lowest, static_cast<float>(row.b));
        highest = std::max(highest, static_cast<float>(row.t));
        menu_rows.rows.push_back(std::move(row));
    }
    if (lowest < 0) ++open_shift;
    if (highest + panel_margin > mnw.wind_dy - title_bar_height) --open_shift;
    return menu_rows;
}

} // namespace

// ---- widget -----------------------------------------------------------------------

int BTN_popup_code(float x, float y) { return static_cast<int>(y * 1024 + x); }

void BTN_reset_popup() { open_shift = 0; }

int BTN_textlist(float x, float y, int* selection, std::string items, std::string label)
{
    std::string left, right, help;
    BTN_expand_label(label, &left, &right, &help);
    static std::vector<std::string> table;
    if (!parse_items(items, label, table)) return 0;
    const int last = static_cast<int>(table.size()) - 1;
    // The caller's value is brought into the list, so that what it holds is what is shown.
    *selection = std::clamp(*selection, 0, last);
    const int shown = *selection;

    int w = 0;
    for (const std::string& item : table) w = std::max(w, item_width(item));
    BTN_frame1(10, x + 10, y + 5, static_cast<float>(w + 28), 0);
    BTN_util_draw_label(x - w / 2.0f - 6 - label_gap, y, 0, left, 0);
    BTN_util_draw_label(x + w / 2.0f + 26 + label_gap, y, 2, right, 0);

    const int code = BTN_popup_code(x, y);
    const bool in_zone = BTN_mouse_in(x - w / 2.0f - 5, y - 2, x + w / 2.0f + 25, y + 8);
    if (mnw.mouse_down && code != active_popup_code && in_zone) {
        active_popup_code = code;
        open_shift = 0;
    }
    int result = 0;
    if (code == select_popup_code) {
        select_popup_code = 0;
        // A row index the menu code did not take from this list's rows is no choice.
        if (popup_menu_select >= 0 && popup_menu_select <= last) {
            *selection = popup_menu_select;
            result = 1;
        }
    }
    if (code != active_popup_code) {
        btn_draw.string(col_menu_text, x, y, table[static_cast<std::size_t>(*selection)], 10000.0f, font_interface, 1);
        if (in_zone) stls.help = help;
        return result;
    }
    mnw.menu_open = btn_popup_menu;
    const int s = std::clamp(shown + open_shift, 0, last);
    open_shift = s - shown;
    BTN_shell().show_popup(lay_out(x, y, s, last, w, table));
    return result;
}
