// folder_chooser.h - the modal folder chooser: the sub-folders of a folder in
// a list, its levels as a staircase of names and a pop-up list for going up,
// a name field with "New Folder", and "Cancel" and "Select". The installer's
// destination choice and the widget set's path fields open it. Main thread
// only; it runs its own frame loop in sub-window 998.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// ---- the dialog -------------------------------------------------------------------------
// The prompt is the window's title; mode, accept_label and flag are accepted
// and not used (callers pass 2, their own texts and 1). start_folder: absolute, null or empty for "/"; a
// missing final '/' is added; when it does not exist the nearest folder above
// it that does is shown (and logged). 1 after "Select" with the folder shown (final
// '/' included, a run of leading '/' as one) in out, NUL-terminated; a folder
// that does not fit in out_size bytes is refused (logged, shown) and the dialog
// stays open. 0 after "Cancel" or when another sub-window took over; out untouched.
// Empties app_path for good: every path from here on is taken as given.
int GetFilePathFromUser(int mode, const char* prompt, const char* accept_label, int flag, const char* start_folder,
                        char* out, std::size_t out_size);
// The same into a string (a folder of up to 4095 characters).
int GetFilePathFromUser(int mode, const char* prompt, const char* accept_label, int flag, const char* start_folder,
                        std::string* out);

// The selected item of the pop-up list of levels; lives for the whole run.
extern int plevel;

// ---- one frame, for the dialog's loop and for tests -------------------------------------------
enum chooser_outcome : int { chooser_showing = 0, chooser_selected = 1, chooser_cancelled = 2 };

struct folder_chooser_state {
    std::string cur_path;                  // the folder shown; absolute, ends in '/'
    std::string name_field;                // the "File:" field, at most 30 characters
    std::vector<std::string> folder_names; // sub-folders of cur_path, sorted
    std::vector<int> folder_kinds;         // file_kind_folder for each
    int list_scroll = 0, list_sel = 0;     // the list's middle row and selection
    std::vector<std::string> level_paths;  // cur_path up to each level's '/', the pop-up's rows
    std::string level_items;               // the pop-up's items, '-' separated
    int return_window = 0;                 // mnw.cur_wind at entry
};

constexpr int chooser_name_max = 30;

// Entry without the sub-window switch: app_path emptied, the start folder (or
// the nearest existing one above it) listed.
void MACIBM_chooser_open(folder_chooser_state& st, const char* start_folder);
// Draws and handles one frame (not the frame's end); on chooser_selected the
// folder is in out. Both outcomes other than showing switch back to the return window.
int MACIBM_chooser_frame(folder_chooser_state& st, char* out, std::size_t out_size);

// The levels of an absolute folder ending in '/': the pop-up's items ("/" for the
// root; '-' and '|' in names shown as blanks) and each level's path, the deepest
// btn_popup_max_items levels when there are more.
void MACIBM_chooser_levels(const std::string& folder, std::string& items, std::vector<std::string>& paths);

// 0 when name may become a new folder; else the reason to show.
const char* MACIBM_new_folder_refusal(const std::string& name);
