// btn_list.cpp - the list with type-ahead search.
//
//   shared state   the key queue and the type-ahead buffer of every list
//   keys           arrows and type-ahead
//   drawing        rows, icons, selection and focus mark
//   widget         BTN_list_and_search
#include "ui/btn_list.h"

#include "foundation/hl_types.h"
#include "foundation/xtim.h"
#include "ui/btn_draw.h"
#include "ui/btn_focus.h"
#include "ui/btn_frames.h"
#include "ui/btn_sliders.h"
#include "ui/btn_text.h"
#include "ui/colr.h"
#include "ui/keys.h"

#include <strings.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Page and arrow keys, letters, digits, '+' '-', other printable characters.
constexpr int list_accept_mask = focus_page_arrows | focus_letters | focus_digits | focus_plus_minus | focus_printable;

// ---- shared state -------------------------------------------------------------------

btn_key_queue queue{};
std::string type_ahead;
float last_type_ahead = -1.0f;
int current_list_id = 0;

struct geometry {
    float X, Y, w, h;
    int n;  // rows above and below the middle one
    int id; // focus id
    bool in(float mx, float my) const { return mx >= X && mx <= X + w && my >= Y - h / 2 && my <= Y + h / 2; }
    float row_y(int k) const { return Y - btn_list_row * static_cast<float>(k); } // k rows below the middle
};

geometry geometry_of(float x, float y, float w, float h)
{
    geometry g;
    g.X = std::round(x);
    g.Y = std::round(y);
    g.w = w > 0 ? w : 290.0f;
    g.h = h > 0 ? h : 220.0f;
    // The rows and one row's height more fit the height: a margin of half a row at each end.
    g.n = static_cast<int>(g.h / (2.0f * btn_list_row)) - 1;
    g.id = static_cast<int>(g.X) * 8192 + static_cast<int>(g.Y); // (X << 13) + Y, defined for X < 0 too
    return g;
}

// The values *scroll may take: the middle row's item while the rows are
// filled from the first item to the last, so that no end of the range
// leaves rows empty; the first row's item at the top when all fit.
struct scroll_range {
    int lo, hi;
};

scroll_range scroll_range_of(const geometry& g, int first, int last)
{
    const int half = std::max(g.n, 0);
    const int lo = first + half;
    return {lo, std::max(lo, last - half)};
}

// ---- keys -------------------------------------------------------------------------------

struct list_values {
    int* scroll;
    int* selection;
    int first, last, n;
    btn_name_fn name;
    void* name_ref;
};

void search(const list_values& v, int character)
{
    if (xtim.elapsed_time - last_type_ahead > 1.0f) type_ahead.clear();
    last_type_ahead = xtim.elapsed_time;
    type_ahead += static_cast<char>(character);
    for (int i = v.first; i <= v.last; ++i) {
        const std::string name = v.name(i, v.name_ref);
        if (name.size() < type_ahead.size() ||
            strncasecmp(name.c_str(), type_ahead.c_str(), type_ahead.size()) != 0)
            continue;
        *v.selection = i;
        if (i > *v.scroll + v.n) *v.scroll = i - v.n;
        if (i < *v.scroll - v.n) *v.scroll = i + v.n;
        return;
    }
}

void apply_key(const list_values& v, int character, int vkey)
{
    if (vkey == SKYD_VK_DOWN) {
        ++*v.selection;
        if (*v.selection > *v.scroll + v.n) *v.scroll = *v.selection - v.n;
    } else if (vkey == SKYD_VK_UP) {
        --*v.selection;
        if (*v.selection < *v.scroll - v.n) *v.scroll = *v.selection + v.n;
    } else if (vkey >= SKYD_VK_PRIOR && vkey <= SKYD_VK_DOWN) {
        // page keys, Home, End, Left and Right move nothing in a list
    } else if (character >= 32 && character <= 126) {
        search(v, character);
    }
}

// ---- drawing -------------------------------------------------------------------------------

struct icon_cell {
    int kind;
    float s0, s1;
};
constexpr icon_cell icons[] = {
    {1, 34, 46}, {3, 48, 60}, {4, 62, 74}, {5, 90, 102}, {9, 104, 116}, {10, 118, 130}, {11, 132, 144}, {7, 146, 158},
};

void draw_icon(int kind, float X, float rowy)
{
    for (const icon_cell& c : icons)
        if (c.kind == kind) BTN_util_atlas_quad(t_interface, 0, X + 4, rowy - 6, X + 16, rowy + 6, c.s0, 82, c.s1, 94);
}

void draw_rows(const geometry& g, const list_values& v, btn_name_fn name2, void* name2_ref, btn_kind_fn kind,
               void* kind_ref)
{
    for (int k = -g.n; k <= g.n; ++k) {
        const int item = *v.scroll + k;
        if (item < v.first || item > v.last) continue;
        const float rowy = g.row_y(k);
        btn_draw.string(col_widget_text, g.X + 20, rowy - 3, v.name(item, v.name_ref), 9999.0f, font_interface, 0);
        if (name2)
            btn_draw.string(col_widget_text, g.X + 242, rowy - 3, name2(item, name2_ref), 9999.0f, font_interface, 0);
        if (kind) draw_icon(kind(item, kind_ref), g.X, rowy);
        if (item == *v.selection)
            btn_draw.fillrect(col_list_mark, 0.25f, g.X + 18, rowy - btn_list_row / 2, g.w - 22, btn_list_row);
    }
}

// The focus mark: the outline of the list rectangle.
void draw_focus_mark(const geometry& g)
{
    const float x0 = g.X, y0 = g.Y - g.h / 2, x1 = g.X + g.w, y1 = g.Y + g.h / 2;
    btn_draw.line(col_widget_text, 1.0f, x0, y0, x1, y0);
    btn_draw.line(col_widget_text, 1.0f, x1, y0, x1, y1);
    btn_draw.line(col_widget_text, 1.0f, x1, y1, x0, y1);
    btn_draw.line(col_widget_text, 1.0f, x0, y1, x0, y0);
}

} // namespace

// ---- widget ---------------------------------------------------------------------------------

std::string BTN_name_from_vector(int index, void* strings)
{
    return (*static_cast<std::vector<std::string>*>(strings))[static_cast<std::size_t>(index)];
}

int BTN_type_from_vector(int index, void* ints)
{
    return (*static_cast<std::vector<int>*>(ints))[static_cast<std::size_t>(index)];
}

void BTN_reset_lists()
{
    queue = btn_key_queue{};
    type_ahead.clear();
    last_type_ahead = -1.0f;
    current_list_id = 0;
}

int BTN_list_and_search(int id, float x, float y, float w, float h, int* scroll, int* selection, int first, int last,
                        std::string* text, const std::string& field_label, btn_name_fn name, void* name_ref,
                        btn_name_fn name2, void* name2_ref, btn_kind_fn kind, void* kind_ref)
{
    const geometry g = geometry_of(x, y, w, h);
    const list_values v{scroll, selection, first, last, g.n, name, name_ref};

    const int take = mnw.menu_open == -1 && mnw.mouse_down && g.in(mnw.mouse_x, mnw.mouse_y);
    const int focused = BTN_register_queue(g.id, queue, list_accept_mask, take);
    if (focused && g.id != current_list_id) {
        type_ahead.clear();
        current_list_id = g.id;
    }
    BTN_drain_keys(queue, g.id, [&](int c, int vkey, int) { apply_key(v, c, vkey); });

    if (text) BTN_enterstring(g.X + 35, g.Y - 131, text, 36, field_label, 252, 1);
    if (last < first) return 0;

    BTN_frame2(16, g.X, g.Y - g.h / 2, g.w, g.h, "");
    const scroll_range range = scroll_range_of(g, first, last);
    if (range.hi > range.lo)
        BTN_vert_slider(id, g.X + g.w + 16, g.Y - g.h / 2, g.Y + g.h / 2, range.lo, range.hi, scroll);
    if (g.in(mnw.mouse_x, mnw.mouse_y)) {
        *scroll -= mnw.wheel;
        mnw.wheel = 0;
    }
    *scroll = std::clamp(*scroll, range.lo, range.hi);
    int result = 0;
    if (mnw.mouse_down && g.in(mnw.mouse_x, mnw.mouse_y)) {
        *selection = *scroll - static_cast<int>(std::round((mnw.mouse_y - g.Y) / btn_list_row));
        result = mnw.mouse_dbl ? 1 : 0;
    }
    *selection = std::clamp(*selection, first, last);
    draw_rows(g, v, name2, name2_ref, kind, kind_ref);
    if (focused) draw_focus_mark(g);
    return result;
}
