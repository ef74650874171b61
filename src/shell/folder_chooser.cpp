// folder_chooser.cpp - the modal folder chooser.
//
//   levels       the staircase, the pop-up's items and their paths
//   new folder   checks and mkdir
//   frame        one frame of the dialog
//   dialog       GetFilePathFromUser
#include "shell/folder_chooser.h"

#include "files/io_errors.h"
#include "files/io_utils.h"
#include "files/opensave.h"
#include "files/opensave_cache.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "shell/frame.h"
#include "shell/subwin.h"
#include "ui/btn_buttons.h"
#include "ui/btn_draw.h"
#include "ui/btn_frames.h"
#include "ui/btn_list.h"
#include "ui/btn_popup.h"
#include "ui/colr.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

int plevel = 0;

namespace {


// ---- levels ----------------------------------------------------------------------------

// The name of the level starting at p, as the pop-up can show it.
std::string shown_name(const std::string& folder, std::size_t p)
{
    const std::size_t slash = folder.find('/', p);
    std::string name = folder.substr(p, slash == std::string::npos ? std::string::npos : slash - p);
    for (char& c : name)
        if (c == '-' || c == '|') c = ' ';
    return name;
}

// Level starts: 0 and every position after a '/', but the end of the string.
template <class Visit>
void each_level(const std::string& folder, Visit visit)
{
    for (std::size_t p = 0; p < folder.size(); ++p)
        if (p == 0 || folder[p - 1] == '/') visit(p);
}

void draw_staircase(const std::string& folder)
{
    int k = 0;
    each_level(folder, [&](std::size_t p) {
        ++k;
        btn_draw.string(col_window_text, 20.0f + 10.0f * k, 415.0f - 10.0f * k, shown_name(folder, p), 9999.0f,
                        font_interface, 0);
    });
}

// ---- new folder ------------------------------------------------------------------------

void make_new_folder(const folder_chooser_state& st)
{
    if (const char* why = MACIBM_new_folder_refusal(st.name_field)) {
        xer << "Folder chooser: no new folder \"" << st.name_field << "\" in " << st.cur_path << ": " << why << "\n";
        MACIBM_alert(win_file_chooser, why, st.name_field, "", "", t_alert);
        return;
    }
    const std::string path = st.cur_path + st.name_field;
    if (mkdir(path.c_str(), 0777) == 0) return;
    const int err = errno;
    xer << "Folder chooser: could not make " << path << ": " << error_str(err) << "\n";
    MACIBM_alert(win_file_chooser, "Could not make the new folder:", path, error_str(err), "", t_alert);
}

// ---- frame helpers -------------------------------------------------------------------------

int list_folder(folder_chooser_state& st)
{
    return opensave_cache.getitems(st.cur_path, file_kind_folder, st.folder_names, st.folder_kinds);
}

void enter(folder_chooser_state& st, const std::string& folder)
{
    st.cur_path = folder;
    st.list_sel = list_folder(st) / 2;
}

// The name field drawn over the list's own: frame, caret, text.
void draw_name_field(folder_chooser_state& st)
{
    BTN_frame2(15, 10, 300, 520, 120, "");
    BTN_frame1(9, 270, 52, 520, 0);
    if (st.name_field.size() > static_cast<std::size_t>(chooser_name_max)) st.name_field.resize(chooser_name_max);
    const float w = btn_draw.text_width(st.name_field, font_interface);
    btn_draw.line(col_widget_text, 1.0f, 26 + w, 48, 26 + w, 55);
    btn_draw.string(col_widget_text, 25, 49, st.name_field, 440, font_interface, 0);
}

// "Select": the folder shown, a run of leading '/' counted as one; false when it does not fit.
bool copy_selection(const std::string& folder, char* out, std::size_t out_size)
{
    std::size_t from = 0;
    while (from + 1 < folder.size() && folder[from] == '/' && folder[from + 1] == '/') ++from;
    const std::size_t len = folder.size() - from;
    if (len + 1 > out_size) {
        xer << "Folder chooser: the folder " << folder << " is " << len << " characters, more than the "
            << (out_size ? out_size - 1 : 0) << " the caller takes; not selected\n";
        MACIBM_alert(win_file_chooser, "This folder's path is too long to be used.", folder, "", "", t_alert);
        return false;
    }
    std::memcpy(out, folder.c_str() + from, len + 1);
    return true;
}

// The folder itself when it exists, else the nearest folder above it that
// does ("/" at the latest): a destination not made yet, such as the default
// before the first installation, opens where it would be made, with its
// neighbours listed, not on an empty list. folder: absolute, ends in '/'.
std::string nearest_existing(const std::string& folder)
{
    std::string at = folder;
    while (at.size() > 1 && !dir_exists(at)) {
        const std::size_t slash = at.find_last_of('/', at.size() - 2);
        at = slash == std::string::npos ? "/" : at.substr(0, slash + 1);
    }
    if (at != folder) xer << "Folder chooser: " << folder << " does not exist; it opens on " << at << "\n";
    return at;
}

void plot_back()
{
    btn_draw.fillrect(col_back, 1.0f, -mnw.wind_x, -mnw.wind_y, static_cast<float>(mnw.x_res_now),
                      static_cast<float>(mnw.y_res_now));
}

} // namespace

// ---- levels (public) --------------------------------------------------------------------------

void MACIBM_chooser_levels(const std::string& folder, std::string& items, std::vector<std::string>& paths)
{
    std::vector<std::string> names;
    paths.clear();
    each_level(folder, [&](std::size_t p) {
        const std::size_t slash = folder.find('/', p);
        paths.push_back(folder.substr(0, slash == std::string::npos ? folder.size() : slash + 1));
        std::string name = shown_name(folder, p);
        names.push_back(p == 0 && name.empty() ? "/" : name);
    });
    if (names.size() > static_cast<std::size_t>(btn_popup_max_items)) { // the deepest levels, the current one last
        const std::size_t drop = names.size() - btn_popup_max_items;
        names.erase(names.begin(), names.begin() + static_cast<long>(drop));
        paths.erase(paths.begin(), paths.begin() + static_cast<long>(drop));
    }
    items.clear();
    for (std::size_t i = 0; i < names.size(); ++i) items += (i ? "-" : "") + names[i];
}

const char* MACIBM_new_folder_refusal(const std::string& name)
{
    if (name.empty()) return "Please type a name for the new folder.";
    if (name == "." || name == "..") return "A folder cannot be named . or ..";
    if (name.find('/') != std::string::npos) return "A folder name cannot hold a '/'.";
    return nullptr;
}

// ---- frame ----------------------------------------------------------------------------------------

void MACIBM_chooser_open(folder_chooser_state& st, const char* start_folder)
{
    app_path.clear(); // the chooser's folders are absolute; it stays empty afterwards
    st = folder_chooser_state{};
    std::string start = start_folder && *start_folder ? start_folder : "/";
    if (start.back() != '/') start += '/';
    st.cur_path = nearest_existing(start);
    st.return_window = mnw.cur_wind;
    const int n = list_folder(st);
    st.list_scroll = st.list_sel = n / 2;
}

int MACIBM_chooser_frame(folder_chooser_state& st, char* out, std::size_t out_size)
{
    plot_back();
    BTN_fillwin(1, 21);
    const int n = list_folder(st);
    const int r_list = BTN_list_and_search(0, 10, 180, 520, 0, &st.list_scroll, &st.list_sel, 0, n - 1,
                                           &st.name_field, "File:", BTN_name_from_vector, &st.folder_names, nullptr,
                                           nullptr, BTN_type_from_vector, &st.folder_kinds);
    draw_name_field(st);
    if (BTN_action(430, 28, 0, 0, 1, "New Folder", "-")) make_new_folder(st);

    draw_staircase(st.cur_path);
    MACIBM_chooser_levels(st.cur_path, st.level_items, st.level_paths);
    for (std::size_t i = 0; i < st.level_paths.size(); ++i)
        if (st.level_paths[i] == st.cur_path) plevel = static_cast<int>(i);
    const int r_pop = BTN_textlist(mnw.wind_dx * 0.5f, 438, &plevel, st.level_items, "");

    const bool row_exists = st.list_sel >= 0 && st.list_sel < n;
    if (r_pop && plevel >= 0 && static_cast<std::size_t>(plevel) < st.level_paths.size()) {
        st.cur_path = st.level_paths[static_cast<std::size_t>(plevel)];
    } else if ((r_list || return_hit) && row_exists &&
               st.folder_kinds[static_cast<std::size_t>(st.list_sel)] == file_kind_folder) {
        enter(st, st.cur_path + st.folder_names[static_cast<std::size_t>(st.list_sel)] + "/");
    }

    if (BTN_action(35, 28, 0, 0, 1, "Cancel", "-")) {
        MACIBM_startwind(st.return_window, 0);
        return chooser_cancelled;
    }
    if (BTN_action(510, 28, 0, 0, 1, "Select", "-") && copy_selection(st.cur_path, out, out_size)) {
        MACIBM_startwind(st.return_window, 0);
        return chooser_selected;
    }
    return chooser_showing;
}

// ---- dialog -----------------------------------------------------------------------------------------

int GetFilePathFromUser(int, const char* prompt, const char*, int, const char* start_folder, char* out,
                        std::size_t out_size)
{
    folder_chooser_state st;
    MACIBM_chooser_open(st, start_folder);
    MACIBM_startwind(win_file_chooser, 0);
    while (mnw.cur_wind == win_file_chooser) {
        // Every frame: an alert over the chooser starts the window again with its own, empty, title.
        if (prompt && *prompt) stls.title = prompt;
        const int outcome = MACIBM_chooser_frame(st, out, out_size);
        if (outcome != chooser_showing) return outcome == chooser_selected ? 1 : 0;
        MACIBM_event_proc();
    }
    return 0;
}

int GetFilePathFromUser(int mode, const char* prompt, const char* accept_label, int flag, const char* start_folder,
                        std::string* out)
{
    std::vector<char> chosen(4096, '\0');
    if (!GetFilePathFromUser(mode, prompt, accept_label, flag, start_folder, chosen.data(), chosen.size())) return 0;
    *out = chosen.data();
    return 1;
}
