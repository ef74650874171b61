// menus.h - the menu model: one table of 1520 menus with their items and the
// rectangles in which titles and items are drawn and hit, and the menu files
// that fill it. Main thread only.
//
// Calling order: MACIBM_clear_menus(1) once before the first frame; then bar
// menus are created in index order (menu 0 first), each before its items;
// items are appended in index order; a submenu is created after the item that
// opens it. Every index that falls outside the table raises the model's own
// fatal "out of range" alert; nothing reads or writes past the table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// ---- records ------------------------------------------------------------------
struct item_struct {
    std::string text;    // at most 39 bytes; "-" first: separator, "=" first: shown, never chosen
    int command = 0;     // handed to the application's menu hook when chosen
    bool korean = false; // glyph-code text, drawn with font 103, 14 units high
    std::int16_t l = 0, b = 0, r = 0, t = 0; // interface units, y upwards
};

struct menu_struct {
    std::string title;               // bar cell text, at most 40 bytes
    int parent = -1;                 // -1 bar menu (or empty slot); else the menu holding the opening item
    std::int16_t l = 0, b = 0, r = 0, t = 0; // bar cell, or the opening item's rectangle
    std::vector<item_struct> items;  // top first, at most 300
};

constexpr int menu_slots = 1520;
constexpr int menu_popup = 1519;     // the text list's popup, rewritten every frame it is open
constexpr int menu_max_items = 300;  // item code = menu * 300 + item

// Empty until MACIBM_clear_menus(1); then exactly menu_slots slots.
extern std::vector<menu_struct> menu;

// ---- building -------------------------------------------------------------------
void MACIBM_clear_menus(int mode); // 1: menu_slots empty slots; other modes: nothing
void MACIBM_clear_menu(int m);     // empties slot m; outside the table: fatal alert
void MACIBM_clear_items(int m);    // drops m's items, keeps title, parent, rectangle; outside: fatal
// parent: an item code (menu * 300 + item) of an existing item, or 0 for the bar.
// Titles over 40 bytes are cut. Outside the table, or a code naming no item: fatal.
void MACIBM_create_menu(int m, int parent, std::string title);
// Sets item `item` (growing the list with empty items) and lays out items
// 0..item. plain 0 marks the text as glyph codes while the language is Korean.
// Negative indexes: nothing. Beyond the table, item > 299, text > 39 bytes: fatal.
void MACIBM_append_menu(int m, int item, int command, std::string text, int plain);
// Removes the item and moves the later ones up into its place. Negative: nothing.
void MACIBM_remove_menu_item(int m, int item);

float menu_dx(std::string text); // width in interface units (8 per byte in Korean)
int accept_menu(int);            // 1
int accept_item(int);            // 1

// Restarts the bar's running x; for tests (creating menu 0 does the same).
void MACIBM_menu_bar_forget();

// ---- menu files -------------------------------------------------------------------
// Reads folder + the language's menu folder + file (under app_path) and fills
// slots 0, 1, ... in file order without clearing the table first. A missing
// file or a wrong header or version ends the program ("Cannot open file!").
void MACIBM_read_menus(std::string folder, std::string file);
// Glyph numbers separated by spaces -> byte pairs n / 127 + 1, n % 127 + 1, in
// place; texts beginning with '-' or '=' stay as they are.
void char_string_to_int_string(std::string* text);
// The menu folder of a language index, "" for an index outside the table.
std::string MACIBM_menu_folder(int lang);
