// menus.cpp - the menu table: building, layout and the text width of titles
// and items.
//
//   advances   the per-byte widths of the interface font
//   guards     the table's bounds, each breach the model's own fatal alert
//   building   clear, create, append, remove
#include "shell/menus.h"

#include "foundation/hl_types.h"
#include "foundation/hooks.h"

#include <algorithm>
#include <array>

std::vector<menu_struct> menu;

namespace {

constexpr int korean = 6;
constexpr std::size_t max_title = 40;
constexpr std::size_t max_item_text = 39;
constexpr int bar_height = 18;

// The bar's running x: where the next title cell begins.
float bar_x = 0.0f;

// ---- advances ---------------------------------------------------------------------

struct advance_group {
    int width;
    const char* bytes;
};

// The interface font's advances per byte; every byte not listed is 0 wide.
const advance_group advance_groups[] = {
    {2, ",."},
    {3, " '/:;\\`|Iijl\xFB"},
    {4, "!()-[]Jfrst"},
    {5, "c"},
    {6, "#$*?^_0123456789EFLPSTZaekvxyz\xBF\xC1\xC9\xCD\xD1\xD3\xDA\xE1\xE9\xED\xF1\xF3\xFA"},
    {7, "+<=>BCKRVXYbdghnopqu"},
    {8, "&ADGHNU"},
    {9, "@OQw"},
    {10, "Mm"},
    {11, "%W"},
    {0, nullptr},
};

std::array<unsigned char, 256> make_advances()
{
    std::array<unsigned char, 256> table{};
    for (const advance_group* g = advance_groups; g->bytes; ++g)
        for (const char* p = g->bytes; *p; ++p) table[static_cast<unsigned char>(*p)] = static_cast<unsigned char>(g->width);
    return table;
}

const std::array<unsigned char, 256> advances = make_advances();

float cell_width(const std::string& text) { return 30.0f + menu_dx(text); }

std::int16_t to_i16(float v) { return static_cast<std::int16_t>(v); } // truncates toward zero

// ---- guards -------------------------------------------------------------------------

bool in_table(int m) { return m >= 0 && static_cast<std::size_t>(m) < menu.size(); }

// The model's limits are fatal: the alert ends the program and never returns.
bool out_of_range(bool bad, const char* what, const std::string& detail = "")
{
    if (bad) MACIBM_alert(0, what, "", "", detail, t_exit);
    return bad;
}

void clear_slot(menu_struct& slot) { slot = menu_struct{}; }

void place_vertically(const menu_struct& owner, std::vector<item_struct>& items, std::size_t i, int h)
{
    item_struct& it = items[i];
    if (i > 0) {
        it.t = items[i - 1].b;
        it.b = static_cast<std::int16_t>(it.t - h);
    } else if (owner.parent == -1) {
        it.b = static_cast<std::int16_t>(owner.b - h - 2);
        it.t = static_cast<std::int16_t>(owner.b - 2);
    } else { // a submenu's first item is as high as the item that opens it
        it.b = static_cast<std::int16_t>(owner.b - 2);
        it.t = static_cast<std::int16_t>(owner.t - 2);
    }
}

void place_horizontally(menu_struct& owner, std::size_t last)
{
    float widest = 0.0f;
    for (std::size_t i = 0; i <= last; ++i) widest = std::max(widest, cell_width(owner.items[i].text));
    for (std::size_t i = 0; i <= last; ++i) {
        owner.items[i].l = owner.l;
        owner.items[i].r = to_i16(owner.l + widest);
    }
}

} // namespace

// ---- text width -----------------------------------------------------------------------

float menu_dx(std::string text)
{
    if (mnw.lang == korean) return 8.0f * static_cast<float>(text.size());
    int width = 0;
    for (unsigned char c : text) width += advances[c];
    return static_cast<float>(width);
}

int accept_menu(int) { return 1; }
int accept_item(int) { return 1; }

void MACIBM_menu_bar_forget() { bar_x = 0.0f; }

// ---- building ---------------------------------------------------------------------------

void MACIBM_clear_menus(int mode)
{
    if (mode != 1) return;
    menu.clear();
    menu.resize(menu_slots);
    for (menu_struct& slot : menu) clear_slot(slot);
}

void MACIBM_clear_menu(int m)
{
    if (out_of_range(!in_table(m), "Menu index out of range in clear_menu!")) return;
    clear_slot(menu[static_cast<std::size_t>(m)]);
}

void MACIBM_clear_items(int m)
{
    if (out_of_range(!in_table(m), "Menu index out of range in clear_items!")) return;
    menu[static_cast<std::size_t>(m)].items.clear();
}

void MACIBM_create_menu(int m, int parent, std::string title)
{
    if (out_of_range(!in_table(m), "Menu index out of range in create_menu!", title)) return;
    if (title.size() > max_title) title.resize(max_title);
    menu_struct& slot = menu[static_cast<std::size_t>(m)];
    slot.title = title;
    const float w = cell_width(title);

    if (parent != 0) {
        const int owner = parent / menu_max_items, item = parent % menu_max_items;
        if (out_of_range(!in_table(owner), "Parent menu out of range in create_menu!", title)) return;
        const menu_struct& holder = menu[static_cast<std::size_t>(owner)];
        const bool has_item = item >= 0 && static_cast<std::size_t>(item) < holder.items.size();
        if (out_of_range(!has_item, "Parent item out of range in create_menu!", title)) return;
        const item_struct& opener = holder.items[static_cast<std::size_t>(item)];
        slot.parent = owner;
        slot.l = opener.l;
        slot.b = opener.b;
        slot.r = opener.r;
        slot.t = opener.t;
        return;
    }

    slot.parent = -1;
    if (m == 0) bar_x = 0.0f;
    slot.l = to_i16(bar_x);
    slot.r = to_i16(bar_x + w);
    slot.b = static_cast<std::int16_t>(mnw.y_res_now - bar_height);
    slot.t = static_cast<std::int16_t>(mnw.y_res_now);
    // "Plugins" shares its cell's start with the next title.
    if (title != "Plugins") bar_x = static_cast<float>(slot.r);
}

void MACIBM_append_menu(int m, int item, int command, std::string text, int plain)
{
    if (m < 0 || item < 0) return;
    if (out_of_range(m >= menu_slots || !in_table(m), "Menu index out of range in append_menu!", text)) return;
    if (out_of_range(item >= menu_max_items, "Item index out of range in append_menu!", text)) return;
    if (out_of_range(text.size() > max_item_text, "Menu name too long in append_menu!", text)) return;

    menu_struct& owner = menu[static_cast<std::size_t>(m)];
    const std::size_t i = static_cast<std::size_t>(item);
    if (owner.items.size() <= i) owner.items.resize(i + 1);
    item_struct& it = owner.items[i];
    it.text = text;
    it.command = command;
    it.korean = mnw.lang == korean && plain == 0;
    const int h = (!text.empty() && text[0] == '-') ? 2 : it.korean ? 14 : 12;
    place_vertically(owner, owner.items, i, h);
    place_horizontally(owner, i);
}

void MACIBM_remove_menu_item(int m, int item)
{
    if (m < 0 || item < 0) return;
    if (out_of_range(m >= menu_slots || !in_table(m), "Menu index out of range in remove_menu_item!")) return;
    if (out_of_range(item >= menu_max_items, "Item index out of range in remove_menu_item!")) return;
    std::vector<item_struct>& items = menu[static_cast<std::size_t>(m)].items;
    const std::size_t i = static_cast<std::size_t>(item);
    if (i >= items.size()) return;
    const int h = items[i].t - items[i].b;
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(i));
    for (std::size_t k = i; k < items.size(); ++k) {
        items[k].b = static_cast<std::int16_t>(items[k].b + h);
        items[k].t = static_cast<std::int16_t>(items[k].t + h);
    }
}
