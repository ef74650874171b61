// subwin.h - sub-windows (the fixed-size rectangles that dialogs draw into,
// centred in the one X window) and the click dispatch that every mouse press
// meets first. Main thread only.
#pragma once

// ---- sub-window ids ------------------------------------------------------------------
constexpr int win_main = 0;
constexpr int win_eula = 1;
constexpr int win_prefs = 2;
constexpr int win_livery = 993;
constexpr int win_about = 994;
constexpr int win_alert = 995;
constexpr int win_nuke_alert = 996;
constexpr int win_select_alert = 997;
constexpr int win_file_chooser = 998;
constexpr int win_open_save = 999;

struct subwin_spec {
    int id;
    int title_text; // stls.text entry copied into stls.title; 0 a fixed title, -1 title unchanged
    const char* title;
    float dx, dy;   // interface units
};
// The table row of a dialog id; null for ids with the full-window treatment.
const subwin_spec* MACIBM_subwin_spec(int id);

// ---- switching and dispatch ------------------------------------------------------------
// Makes `id` the current sub-window: title, size, modal flag, centred origin;
// closes menus, unfocuses widgets, drops pending presses and wheel steps.
// Ids outside the table: the whole window, not modal. The second argument is not read.
// Once a close request came (close_request.h), only win_main opens; any other
// id leaves everything as it is.
void MACIBM_startwind(int id, int);
// Dispatches the press just recorded (mnw.mouse_down, mnw.mouse_x/y): close
// zones of windows 1, 2, 993, 994 (and any other non-dialog id), the menu bar
// on the main screen, the items of the open menu. force non-zero (Return in a
// sub-window) closes a window that has close zones. A consumed press clears
// mnw.mouse_down.
void MACIBM_handleclick(int force);
