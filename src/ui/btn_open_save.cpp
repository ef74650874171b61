// btn_open_save.cpp - the open/save dialog.
//
//   kinds      start folders and extensions
//   levels     staircase and pop-up rows
//   frame      one frame of the dialog
//   dialog     BTN_opensave
#include "ui/btn_open_save.h"

#include "files/opensave.h"
#include "files/opensave_cache.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "ui/btn_buttons.h"
#include "ui/btn_draw.h"
#include "ui/btn_frames.h"
#include "ui/btn_list.h"
#include "ui/btn_pickers.h"
#include "ui/btn_popup.h"
#include "ui/btn_shell.h"
#include "ui/colr.h"

int opensave_level = 0;

namespace {


// ---- kinds ---------------------------------------------------------------------------

struct kind_row {
    const char* start; // start folder
    const char* ext;   // appended to a saved name
};
const kind_row kind_rows[22] = {
    {"", ""},      {"", ""},     {"", ".BMP"}, {"", ".ACF"}, {"", ".AFL"}, {"", ".WPN"}, {"", ".WAV"},
    {"", ".OBJ"},  {"", ""},     {"Output/situations/", ".SIT"},         {"Output/movies/", ".SMO"},
    {"Output/FMS plans/", ".FMS"},  {"", ""},       {"Roadvane Output/tracks/", ".TRA"},
    {"Roadvane Output/cars/", ".CAR"}, {"Voidfray Reosources/spaceships/", ".SPA"},
    {"Voidfray Resources/regions/", ".REG"}, {"", ""}, {"", ".HGT"}, {"", ".TXT"}, {"sim/", ""}, {"sim/", ""},
};

// Component starts: 0 and every position after a '/', the last character excepted.
template <class Visit>
void each_component(const std::string& folder, Visit visit)
{
    for (std::size_t i = 0; i + 1 < folder.size(); ++i)
        if (i == 0 || folder[i - 1] == '/') visit(i);
}

std::string component_at(const std::string& folder, std::size_t i)
{
    const std::size_t slash = folder.find('/', i);
    std::string name = folder.substr(i, slash == std::string::npos ? std::string::npos : slash - i);
    for (char& c : name)
        if (c == '-' || c == '|') c = ' ';
    return name;
}

void draw_staircase(const std::string& folder)
{
    int k = 0;
    each_component(folder, [&](std::size_t i) {
        ++k;
        btn_draw.string(col_window_text, 20.0f + 10 * k, 415.0f - 10 * k, component_at(folder, i), 9999.0f,
                        font_interface, 0);
    });
}

int list(opensave_state& st)
{
    st.count = opensave_cache.getitems(st.folder, st.kind, st.names, st.kinds);
    return st.count;
}

bool in_range(const opensave_state& st) { return st.selection >= 0 && st.selection < st.count; }

int leave(const opensave_state& st, int outcome)
{
    BTN_shell().startwind(st.return_window, 0);
    return outcome;
}

} // namespace

// ---- kinds and levels (public) -------------------------------------------------------------

std::string BTN_opensave_start_folder(int kind) { return kind >= 0 && kind <= 21 ? kind_rows[kind].start : ""; }

std::string BTN_opensave_save_name(const std::string& typed, int kind)
{
    std::string name = typed;
    if (name.size() > 4 && name[name.size() - 4] == '.') name.resize(name.size() - 4);
    return name + (kind >= 0 && kind <= 21 ? kind_rows[kind].ext : "");
}

void BTN_opensave_levels(const std::string& folder, std::string& rows, std::vector<std::string>& paths)
{
    std::vector<std::string> names{"Skysuite folder"};
    paths.assign(1, std::string());
    each_component(folder, [&](std::size_t i) {
        const std::string name = component_at(folder, i);
        names.push_back(name);
        paths.push_back(folder.substr(0, i + folder.substr(i).find('/') + 1));
    });
    if (names.size() > static_cast<std::size_t>(btn_popup_max_items)) { // the deepest, the current one last
        const long drop = static_cast<long>(names.size()) - btn_popup_max_items;
        names.erase(names.begin(), names.begin() + drop);
        paths.erase(paths.begin(), paths.begin() + drop);
    }
    rows.clear();
    for (std::size_t i = 0; i < names.size(); ++i) rows += (i ? "-" : "") + names[i];
}

// ---- frame ---------------------------------------------------------------------------------------

void BTN_opensave_open(opensave_state& st, int mode, int kind, const std::string& path)
{
    if (mode != opensave_open && mode != opensave_save) BTN_fatal("Bad open_save arg to BTN_opensave!");
    if (kind < 0 || kind > 21) BTN_fatal("Bad file_type arg to BTN_opensave!");
    st = opensave_state{};
    st.mode = mode;
    st.kind = kind;
    st.return_window = mnw.cur_wind;
    st.folder = path.empty() ? BTN_opensave_start_folder(kind) : BTN_folder_of(path);
    st.scroll = st.selection = list(st) / 2;
}

int BTN_opensave_frame(opensave_state& st, std::string* path)
{
    const bool saving = st.mode == opensave_save;
    const std::string preview =
        st.names.empty() || !in_range(st) ? "-" : st.folder + st.names[static_cast<std::size_t>(st.selection)];
    stand_io_dialog(st.mode, st.kind, preview);
    list(st);
    const int dbl = BTN_list_and_search(0, 10, 180, 0, 0, &st.scroll, &st.selection, 0, st.count - 1,
                                        saving ? &st.typed : nullptr, "File:", BTN_name_from_vector, &st.names,
                                        nullptr, nullptr, BTN_type_from_vector, &st.kinds);
    draw_staircase(st.folder);
    BTN_opensave_levels(st.folder, st.level_rows, st.level_paths);
    for (std::size_t i = 0; i < st.level_paths.size(); ++i)
        if (st.level_paths[i] == st.folder) opensave_level = static_cast<int>(i);

    const int act = saving ? BTN_action(282, 18, 0, 0, 1, "Save", "-") : BTN_action(280, 18, 0, 0, 1, "Open", "-");
    const std::string cancel_label = stls.text[607].empty() ? "Cancel" : stls.text[607];
    if (BTN_action(33, 18, 0, 0, 1, cancel_label, "-") || escape_hit) return leave(st, opensave_cancelled);

    if (BTN_textlist(150, 434, &opensave_level, st.level_rows, "")) {
        if (opensave_level >= 0 && static_cast<std::size_t>(opensave_level) < st.level_paths.size())
            st.folder = st.level_paths[static_cast<std::size_t>(opensave_level)];
        return opensave_showing;
    }
    if (saving && (act || return_hit) && !st.typed.empty()) {
        *path = st.folder + BTN_opensave_save_name(st.typed, st.kind);
        return leave(st, opensave_chosen);
    }
    if (dbl || (!saving && (return_hit || act))) {
        if (in_range(st) && st.kinds[static_cast<std::size_t>(st.selection)] == file_kind_folder) {
            st.folder += st.names[static_cast<std::size_t>(st.selection)] + "/";
            st.selection = list(st) / 2;
        } else if (!saving && in_range(st)) {
            *path = st.folder + st.names[static_cast<std::size_t>(st.selection)];
            return leave(st, opensave_chosen);
        }
    }
    if (delete_hit && !st.folder.empty()) {
        st.folder = BTN_folder_of(st.folder);
        st.selection = list(st) / 2;
    }
    return opensave_showing;
}

// ---- dialog ------------------------------------------------------------------------------------------

int BTN_opensave(int mode, int kind, std::string* path)
{
    opensave_state st;
    BTN_opensave_open(st, mode, kind, *path);
    BTN_shell().startwind(mode, 0);
    if (stls.title.empty()) stls.title = mode == opensave_open ? "Open" : "Save";
    while (mnw.cur_wind == mode) {
        const int outcome = BTN_opensave_frame(st, path);
        if (outcome != opensave_showing) return outcome == opensave_chosen ? 1 : 0;
        BTN_shell().event_proc();
    }
    return 0;
}
