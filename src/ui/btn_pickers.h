// btn_pickers.h - path fields with a browse icon that opens the shell's folder
// chooser, and the background and information panel of the open/save dialog
// (a preview of the selected aircraft or flight-data file). Conventions of
// btn_frames.h. Main thread only.
#pragma once

#include <string>

// ---- paths ------------------------------------------------------------------------------
// The last component: after the last '/' before the end, a final '/' stepped
// over only in paths of three or more characters ("/a/b/" -> "b/", "ab/" ->
// "ab/", "a/" -> ""); the whole path when there is no '/'.
std::string BTN_last_component(const std::string& path);
std::string BTN_folder_of(const std::string& path); // the path without its last component

// ---- the picker family --------------------------------------------------------------------
// open_save 998 or 999, file_type 0..21 (else the fatal alert). The field
// shows the last component (the whole path for types 20 and 21); an edit of a
// shortened path keeps its folder part. A press on the browse icon runs the
// folder chooser; 1 on the frame it returned a folder, which then is *path.
int BTN_select_path_stl(float x, float y, int open_save, int file_type, std::string* path, int max_len,
                        std::string label, float width, int take_focus);
// The same over a buffer of size bytes (the value cut to size - 1; a value
// over 499 characters is the fatal "String too long!").
int BTN_select_path_chr(float x, float y, int open_save, int file_type, char* path, int size, std::string label,
                        float width, int take_focus);
// The field shows the folder of *path followed by name; after a pick *path is
// the chosen path and name its last component.
int BTN_select_file_chr(float x, float y, int open_save, int file_type, char* name, std::string* path, int size,
                        std::string label, float width);

// ---- the open/save dialog's panels ----------------------------------------------------------
// Background and panels; in open mode (998) for types 3 and 8 the preview of
// path (relative to the program folder), read again only when path changes.
// A short or damaged file shows empty texts.
void stand_io_dialog(int mode, int file_type, std::string path);

// Loads the aircraft's icon picture as texture 404 (silently): the ref, or 0.
using btn_icon_load_fn = int (*)(const std::string& name);
btn_icon_load_fn BTN_set_icon_loader(btn_icon_load_fn fn); // returns the previous; nullptr: the texture manager

// What the preview read last; for tests.
struct btn_preview_state {
    std::string old_path;
    std::string comment;
    std::string texts[4]; // texts 1 to 4 of the aircraft header block
    int has_tex;
};
btn_preview_state BTN_preview_state();
void BTN_reset_preview();
