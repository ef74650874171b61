// btn_popup.h - the pop-up text list: a one-row button showing the chosen one
// of a few texts; a press opens all of them as the shell's popup menu laid
// over the button, a press on a row chooses it. Which list is open and which
// row was chosen travel through active_popup_code, select_popup_code and
// popup_menu_select (foundation/hl_types.h), keyed by the list's position.
// Conventions of btn_frames.h. Main thread only.
#pragma once

#include <string>

constexpr int btn_popup_max_items = 300;

// (x, y): centre of the text, its base line. items: texts joined by '-'
// (n hyphens: n + 1 items, at most 300); a '|' or a 301st item is the fatal
// alert. label: "left|right{?help". *selection is read every call and brought
// into 0..last (the number of hyphens), then written with the user's choice on
// the call that takes it, which returns 1; moving an open list to keep it on
// screen leaves it alone.
int BTN_textlist(float x, float y, int* selection, std::string items, std::string label);

// The list's position key: (int)(y * 1024 + x).
int BTN_popup_code(float x, float y);

// Forgets how far the open list was moved to stay on screen; for tests.
void BTN_reset_popup();
