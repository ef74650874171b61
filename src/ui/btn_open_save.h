// btn_open_save.h - the modal open/save dialog: a folder's entries of one file
// kind below the program folder in a list (with the name field when saving),
// the folder as a staircase of names and a pop-up list of levels, the action
// and cancel buttons and, when opening, the preview panel. Main thread only;
// it runs its own frame loop in sub-window 998 (open) or 999 (save).
#pragma once

#include <string>
#include <vector>

constexpr int opensave_open = 998;
constexpr int opensave_save = 999;

// mode 998 or 999, kind 0..21 (else the fatal alert). *path: the start path
// (its folder is the start folder; empty: the kind's own); on 1 the chosen
// path relative to the program folder. 0 when cancelled (button or Escape) or
// when another sub-window took over; *path unchanged.
int BTN_opensave(int mode, int kind, std::string* path);

// ---- one frame, for the dialog's loop and for tests -------------------------------------------
struct opensave_state {
    int mode = opensave_open, kind = 0;
    int return_window = 0;
    std::string folder;             // relative to the program folder; empty or ending in '/'
    std::vector<std::string> names; // the folder's entries
    std::vector<int> kinds;
    int count = 0;
    int scroll = 0, selection = 0;
    std::string typed;               // the save mode's name field
    std::vector<std::string> level_paths;
    std::string level_rows;
};
enum opensave_outcome : int { opensave_showing = 0, opensave_chosen = 1, opensave_cancelled = 2 };

void BTN_opensave_open(opensave_state& st, int mode, int kind, const std::string& path); // checks, start folder, listing
int BTN_opensave_frame(opensave_state& st, std::string* path); // one frame, not its end

std::string BTN_opensave_start_folder(int kind); // "" for the program folder
std::string BTN_opensave_save_name(const std::string& typed, int kind); // the name a save stores
// The pop-up's rows ("Skysuite folder" first; '-' and '|' shown as blanks) and
// each row's folder, the deepest levels when there are more than the pop-up holds.
void BTN_opensave_levels(const std::string& folder, std::string& rows, std::vector<std::string>& paths);

extern int opensave_level; // the pop-up's selection; lives for the whole run
