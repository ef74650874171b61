// btn_shell.h - the calls the widget set makes upward into the application
// shell: the popup menu that a pop-up text list fills, the sub-window switch
// and the frame of a dialog's own loop, and the shell's folder chooser. The
// shell installs them at start-up; tests install recorders. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The menu slot that the popup list fills (the shell's menu_popup).
constexpr int btn_popup_menu = 1519;

// One row of the popup menu, rectangle in interface units of the current sub-window.
struct btn_popup_row {
    std::string text;
    std::int16_t l, b, r, t;
};

// The popup menu as a pop-up text list lays it out on a frame it is open.
struct btn_popup_layout {
    std::int16_t l, b, r, t;         // the menu's rectangle
    std::vector<btn_popup_row> rows; // top row first
};

struct btn_shell_calls {
    // Writes the popup menu's record (the menu code draws and hit-tests it).
    void (*show_popup)(const btn_popup_layout& layout);
    void (*startwind)(int id, int unused); // MACIBM_startwind
    void (*event_proc)();                  // MACIBM_event_proc: ends the frame
    // GetFilePathFromUser: 1 with the folder in out (at most out_size - 1
    // characters and a NUL), 0 when cancelled, out untouched.
    int (*get_folder)(int mode, const char* prompt, const char* accept_label, int flag, const char* start_folder,
                      char* out, std::size_t out_size);
};

// Installs the calls and returns the ones they replace; null members: the
// defaults (no popup menu, a switch that only sets mnw.cur_wind, a frame that
// returns to the main screen so that no dialog loop spins, a chooser that
// always cancels).
btn_shell_calls BTN_set_shell_calls(const btn_shell_calls& calls);
const btn_shell_calls& BTN_shell(); // the calls in force, never null members
