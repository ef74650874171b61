// btn_pickers.cpp - path fields and the open/save dialog's panels.
//
//   paths        last component and folder part
//   pickers      the path field family
//   preview      aircraft header block, flight-data comment
//   panels       stand_io_dialog
#include "ui/btn_pickers.h"

#include "files/xmap.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "graphics/tman.h"
#include "ui/btn_draw.h"
#include "ui/btn_frames.h"
#include "ui/btn_shell.h"
#include "ui/btn_text.h"
#include "ui/colr.h"
#include "ui/ogl_state.h"

#include <strings.h>

#include <cstring>

namespace {

constexpr int t_file_icon = 404;
constexpr std::size_t chooser_buffer = 500; // what the folder chooser writes at most, NUL included
constexpr std::size_t max_value = 499;

// ---- pickers ------------------------------------------------------------------------

bool shows_whole_path(int file_type) { return file_type == 20 || file_type == 21; }

void check_args(int open_save, int file_type, const char* bad_mode, const char* bad_type)
{
    if (open_save != 998 && open_save != 999) BTN_fatal(bad_mode);
    if (file_type < 0 || file_type > 21) BTN_fatal(bad_type);
}

// Copies value into a buffer of size bytes: cut to size - 1, at most 499 characters.
void store_in_buffer(std::string value, char* buffer, int size)
{
    if (size <= 0) return;
    if (value.size() >= static_cast<std::size_t>(size)) value.resize(static_cast<std::size_t>(size) - 1);
    if (value.size() > max_value) {
        MACIBM_alert(0, "String too long!", value, "", "", t_exit);
        return;
    }
    std::memcpy(buffer, value.c_str(), value.size() + 1);
}

// ---- preview ------------------------------------------------------------------------

constexpr std::size_t veh_block = 2092;
constexpr std::size_t veh_text_at[4] = {1012, 1052, 1552, 2052}; // texts 1 to 4 in the block
constexpr std::size_t veh_text_len[4] = {40, 500, 500, 40};
const int veh_versions[] = {700, 740, 8000, 810, 830, 840, 860, 900, 901, 902, 0};
const int fdr_versions[] = {1, 0};

std::string old_path;
std::string comment;
unsigned char top_of_veh[veh_block];
int has_tex = 0;

int load_icon_with_tman(const std::string& name)
{
    return tman.load_texture(tex_fail_silent, t_file_icon, 0x511, tex_load_now, name);
}
btn_icon_load_fn icon_loader = load_icon_with_tman;

std::string veh_text(int i)
{
    const char* at = reinterpret_cast<const char*>(top_of_veh) + veh_text_at[i];
    return std::string(at, strnlen(at, veh_text_len[i]));
}

std::string icon_name(const std::string& path)
{
    const std::size_t n = path.size();
    const std::string stem = n > 4 && path[n - 4] == '.' ? path.substr(0, n - 4) : path;
    return stem + "_icon.png";
}

void read_aircraft(const std::string& path)
{
    std::memset(top_of_veh, 0, sizeof top_of_veh);
    {
        xmap_class file(path);
        if (file.begin && file.check_file(io_binary, veh_versions, nullptr, nullptr)) {
            file.swap_bytes = 0; // the block is kept as stored
            if (static_cast<std::size_t>(file.end - file.cursor) < veh_block)
                xer << "Preview: " << path << " is too short for its header block\n";
            else if (!file.read_n_rev(top_of_veh, veh_block))
                std::memset(top_of_veh, 0, sizeof top_of_veh);
        }
    }
    has_tex = icon_loader(icon_name(path));
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_line_end(char c) { return c == '\r' || c == '\n' || c == 0; }

// The text of the first "COMM" line after the header, every step bounded by end.
std::string find_comment(const char* p, const char* end)
{
    while (p < end) {
        while (p < end && is_blank(*p)) ++p;
        const char* token = p;
        while (p < end && *p != ',' && !is_line_end(*p)) ++p;
        const std::size_t token_len = static_cast<std::size_t>(p - token);
        const bool line_over = p >= end || is_line_end(*p);
        if (p < end) ++p; // the separator
        if (token_len == 4 && strncasecmp(token, "COMM", 4) == 0) {
            if (line_over) return std::string();
            while (p < end && is_blank(*p)) ++p;
            const char* text = p;
            while (p < end && !is_line_end(*p)) ++p;
            return std::string(text, static_cast<std::size_t>(p - text));
        }
        if (!line_over)
            while (p < end && !is_line_end(*p)) ++p;
        while (p < end && (is_line_end(*p) || is_blank(*p))) ++p;
    }
    return std::string();
}

void read_flight_data(const std::string& path)
{
    comment.clear();
    xmap_class file(path);
    if (file.begin && file.check_file(io_text, fdr_versions, nullptr, nullptr))
        comment = find_comment(file.cursor, file.end);
}

void draw_aircraft()
{
    float y = btn_draw.string(col_window_text, 341, 405, veh_text(2), 200, font_interface, 0);
    for (int i : {1, 3, 0}) y = btn_draw.string(col_window_text, 341, y - 10, veh_text(i), 200, font_interface, 0);
    if (!has_tex) return;
    float s_max = 1, t_max = 1;
    {
        tman_hold hold(tman);
        if (tman.ref_dat.size() > static_cast<std::size_t>(t_file_icon)) {
            const tman_class::ref_dat_struct& e = tman.ref_dat[t_file_icon];
            if (e.tex_dx > 0 && e.tex_dy > 0) {
                s_max = e.img_dx / e.tex_dx;
                t_max = e.img_dy / e.tex_dy;
            }
        }
    }
    btn_draw.quad(t_file_icon, col_white, 1.0f, 341, 80, 0, 0, 341, 280, 0, t_max, 541, 280, s_max, t_max, 541, 80,
                  s_max, 0, 1, ogl_alpha_none);
}

} // namespace

// ---- paths --------------------------------------------------------------------------------

std::string BTN_last_component(const std::string& path)
{
    if (path.empty()) return std::string();
    std::size_t i = path.size() - 1;
    if (i >= 2 && path[i] == '/') i = path.size() - 2;
    for (std::size_t p = i + 1; p-- > 0;)
        if (path[p] == '/') return path.substr(p + 1);
    return path;
}

std::string BTN_folder_of(const std::string& path) { return path.substr(0, path.size() - BTN_last_component(path).size()); }

// ---- pickers --------------------------------------------------------------------------------

int BTN_select_path_stl(float x, float y, int open_save, int file_type, std::string* path, int max_len,
                        std::string label, float width, int take_focus)
{
    check_args(open_save, file_type, "Bad open_save arg to BTN_select_file_stl!",
               "Bad file_type arg to BTN_select_file_stl!");
    std::string left, right, help;
    BTN_expand_label(label, &left, &right, &help);
    BTN_util_draw_label(x - 32, y, 0, left, 0);
    BTN_util_draw_label(x + width + 6, y, 2, right, 0);
    BTN_util_atlas_quad(t_interface, 0, x - 30, y - 10, x - 4, y + 16, 208, 133, 234, 159);

    const bool whole = shows_whole_path(file_type);
    std::string field = whole ? *path : BTN_last_component(*path);
    if (BTN_enterstring(x, y, &field, max_len, "", width, take_focus))
        *path = whole ? field : BTN_folder_of(*path) + field; // the folder part stays

    if (!BTN_mouse_in(x - 28, y - 8, x - 6, y + 12)) return 0;
    stls.help = help;
    if (!mnw.mouse_down) return 0;
    char chosen[chooser_buffer] = {};
    if (!BTN_shell().get_folder(2, "Please pick an Skysuite to update", "Update", 1, nullptr, chosen, sizeof chosen))
        return 0;
    *path = chosen;
    return 1;
}

int BTN_select_path_chr(float x, float y, int open_save, int file_type, char* path, int size, std::string label,
                        float width, int take_focus)
{
    check_args(open_save, file_type, "Bad open_save arg to BTN_select_file_chr!",
               "Bad file_type arg to BTN_select_file_chr!");
    std::string value = path;
    const int result = BTN_select_path_stl(x, y, open_save, file_type, &value, size, label, width, take_focus);
    store_in_buffer(value, path, size);
    return result;
}

int BTN_select_file_chr(float x, float y, int open_save, int file_type, char* name, std::string* path, int size,
                        std::string label, float width)
{
    check_args(open_save, file_type, "Bad open_save arg to BTN_select_file_chr!",
               "Bad file_type arg to BTN_select_file_chr!");
    std::string full = BTN_folder_of(*path) + name;
    if (!BTN_select_path_stl(x, y, open_save, file_type, &full, size, label, width, 1)) return 0;
    *path = full;
    store_in_buffer(BTN_last_component(full), name, size);
    return 1;
}

// ---- panels ---------------------------------------------------------------------------------------

void stand_io_dialog(int mode, int file_type, std::string path)
{
    btn_draw.fillrect(col_back, 1.0f, -mnw.wind_x, -mnw.wind_y, static_cast<float>(mnw.x_res_now),
                      static_cast<float>(mnw.y_res_now));
    BTN_fillwin(1, 21);
    BTN_frame2(15, 10, 300, 290, 120, "");
    if (mode != 998) return;
    if (file_type == 3 || file_type == 8 || file_type == 20) {
        BTN_frame2(15, 331, 70, 220, 220, "");
        BTN_frame2(15, 331, 300, 220, 120, "");
    }
    if (file_type == 3 && (path.find(".acf") != std::string::npos || path.find(".ACF") != std::string::npos)) {
        if (path != old_path) read_aircraft(path);
        draw_aircraft();
    }
    if (file_type == 8 && path.find(".fdr") != std::string::npos) {
        if (path != old_path) read_flight_data(path);
        if (!comment.empty()) btn_draw.string(col_window_text, 341, 270, comment, 200, font_interface, 0);
    }
    old_path = path;
}

btn_icon_load_fn BTN_set_icon_loader(btn_icon_load_fn fn)
{
    const btn_icon_load_fn previous = icon_loader;
    icon_loader = fn ? fn : load_icon_with_tman;
    return previous;
}

btn_preview_state BTN_preview_state()
{
    return {old_path, comment, {veh_text(0), veh_text(1), veh_text(2), veh_text(3)}, has_tex};
}

void BTN_reset_preview()
{
    old_path.clear();
    comment.clear();
    std::memset(top_of_veh, 0, sizeof top_of_veh);
    has_tex = 0;
}
