// key_window.cpp - the key-assignment window: a scrolling list of the key
// bindings, the selected binding's command and description, and a browser of
// the command registry's folders and commands that binds one to it.
//
//   panels        five inset panels; their inner origins land in wx1, wx2, wx3, wy1
//   binding list  34 rows of buttons with the bound command beside each, a slider
//   assignment    a key pressed this frame goes to the selected binding
//   browser       the folders beside the selected command's folder, and its commands
#include "ui/keys.h"

#include "foundation/cmnd.h"
#include "foundation/hl_types.h"
#include "ui/btn_buttons.h"
#include "ui/btn_draw.h"
#include "ui/btn_frames.h"
#include "ui/btn_sliders.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr float row_top = 689;      // button centre of the top binding row
constexpr float row_step = 20;
constexpr float browser_top = 685;  // first check box row of both browser columns
constexpr float browser_step = 15;
constexpr float browser_bottom = 20; // the command column wraps before a row below this
constexpr float browser_wrap = 148;

const char* const help_text =
    "Select the key you'd like to program from the list on the left of this screen and hit any key you like! "
    "Then select the group above and the item at right to assign some funtion to that keypress!";

// A binding may name a command the registry does not hold: it shows as nothing.
std::string path_of(int c)
{
    return c >= 0 && c < static_cast<int>(cmnd.paths.size()) ? cmnd.paths[static_cast<size_t>(c)] : std::string();
}
std::string desc_of(int c)
{
    return c >= 0 && c < static_cast<int>(cmnd.descs.size()) ? cmnd.descs[static_cast<size_t>(c)] : std::string();
}

// The folder of a path: up to and including its last '/', a trailing '/' ignored.
std::string folder_of(std::string path)
{
    if (!path.empty() && path.back() == '/') path.pop_back();
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The command an entry under prefix stands for: a command itself, or for a
// folder the first command found by always taking its first entry. Each step
// lengthens the prefix along an existing path, so the walk ends.
int command_of_entry(std::string prefix, std::string entry)
{
    std::vector<std::string> entries;
    while (!entry.empty() && entry.back() == '/') {
        prefix += entry;
        cmnd.get_cmds_in_path(prefix, entries);
        if (entries.empty()) return 0;
        entry = entries.front();
    }
    return cmnd.get_cmnd_by_name(prefix + entry);
}

std::string row_label(const key_binding& b)
{
    const std::string mods = keys_class::flag_to_str(b.flags);
    return "-" + (mods == "<none>" ? std::string() : mods + " ") + keys_class::vkey_to_str(b.vkey);
}

} // namespace

void keys_class::keys_wind()
{
    static key_window_state state;
    keys_wind_frame(state);
}

void keys_class::keys_wind_frame(key_window_state& st)
{
    // The list may have shrunk since the last frame (a reset, another caller):
    // a scroll past its end would leave the rows empty and a selection past it
    // would index nothing.
    int count = static_cast<int>(bindings.size());
    if (st.k_change < 0 || st.k_change >= count) st.k_change = -1;
    st.k_cen = std::clamp(st.k_cen, 0, std::max(0, count - keys_wind_rows));

    // ---- panels
    BTN_subwin(0, 16, -1, -1, 380, -1, "", &wx1, &wy1);
    wx1 += 20;
    BTN_subwin(0, 13, wx1, -1, 184, 270, "", &wx2, &wy1);
    BTN_subwin(0, 15, wx1, wy1, 184, 100, "", &wx2, &wy1);
    BTN_subwin(0, 13, wx1, wy1, 184, -1, "", &wx2, &wy1);
    BTN_subwin(0, 13, wx2, -1, -1, -1, "", &wx3, &wy1);
    const float left = wx1, right = wx2;

    if (st.k_change >= 0) {
        const int c = bindings[static_cast<size_t>(st.k_change)].cmnd;
        btn_draw.string(47, left + 10, 370, path_of(c), 174, font_interface, 0);
        btn_draw.string(47, left + 10, 340, desc_of(c), 174, font_interface, 0);
    }
    btn_draw.string(43, left + 92, 260, help_text, 164, font_interface, 1);

    if (BTN_action(left + 92, 30, 0, 0, 1, "Add New Key Assignment", "-")) {
        bindings.push_back({0, 0, cmnd.get_cmnd_by_name("sim/operation/none"), 0});
        count = static_cast<int>(bindings.size());
        if (count > keys_wind_rows) st.k_cen = count - keys_wind_rows; // the new row in view
    }

    // ---- binding list
    BTN_vert_slider(0, left - 15, 30, 30 + 686, 0, count - keys_wind_rows, &st.k_cen);
    for (int r = 0; r < keys_wind_rows && st.k_cen + r < count; ++r) {
        const int i = st.k_cen + r;
        const key_binding& b = bindings[static_cast<size_t>(i)];
        if (BTN_action(88, row_top - row_step * r, 140, i == st.k_change, 1, row_label(b), "-"))
            st.k_change = st.k_change == i ? -1 : i;
        btn_draw.string(45, 164, row_top - 4 - row_step * r, path_of(b.cmnd), 9999, font_interface, 0);
    }

    if (st.k_change < 0) return;
    const bool on_screen = st.k_change >= st.k_cen && st.k_change < st.k_cen + keys_wind_rows;
    if (on_screen && mnw.key_hit) assign_key(st.k_change, last_vkey, last_flags);

    // ---- command browser
    key_binding& b = bindings[static_cast<size_t>(st.k_change)];
    const std::string path = path_of(b.cmnd);
    const std::string folder = folder_of(path);
    const std::string parent = folder_of(folder);
    std::vector<std::string> entries;

    cmnd.get_cmds_in_path(parent, entries);
    float y = browser_top;
    for (const std::string& e : entries) {
        int ticked = parent + e == folder;
        if (BTN_bool(left + 18, y, &ticked, "|" + e, 0)) b.cmnd = command_of_entry(parent, e);
        y -= browser_step;
    }

    cmnd.get_cmds_in_path(folder, entries);
    float x = right + 18;
    y = browser_top;
    for (const std::string& e : entries) {
        if (y < browser_bottom) {
            x += browser_wrap;
            y = browser_top;
        }
        int ticked = folder + e == path;
        if (BTN_bool(x, y, &ticked, "|" + e, 0)) b.cmnd = command_of_entry(folder, e);
        y -= browser_step;
    }
}
