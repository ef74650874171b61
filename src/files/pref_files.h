// pref_files.h - preference files: "key value" lines behind the common text
// header (version 9001). The files layer owns the file format, the key list
// and order of each set, the "--pref:<key>" command-line overrides and the safe
// write; each owner binds its own variables to its keys at start-up, before
// the first read. Main thread only.
//
// Set 11 (installer): "_use_max_cpu" "_rename_folder" "_stream_count"
//   "_log_actions" "_always_ask_dir" (int), "_dest_dir_path" "_proxy_host"
//   "_proxy_port" (string, left out when empty), "_proxy_port_int" (int).
//   Its file is the one the bound path function names.
// Set 10 (display): "Resources/preferences/Res Skysuite.prf", bound here to mnw.
#pragma once

#include <map>
#include <string>

constexpr int pref_set_display = 10;
constexpr int pref_set_installer = 11;
constexpr int pref_file_version = 9001;

enum pref_kind : int {
    pref_int = 0,    // decimal; read with strtol rules, clamped to the int range
    pref_string = 1, // the rest of the line; not written when empty
};

// ---- one preference file being read or written ---------------------------
class scan_class {
public:
    // mode 0: reads every key/value line of path into values (nothing on a
    // missing file or another header). mode 1: opens "<file>.tmp" beside the
    // file (a symbolic link followed to its target) through ouf_open, whose
    // failure alert names the file; the destructor renames it over the file
    // only when every write succeeded, else removes it and keeps the old file
    // (logged); the new file keeps the old one's permission bits. An existing
    // file the user may not write (read-only) is not replaced: the cannot-save
    // alert, nothing written. A path holding '\\' or ':' is refused in both
    // modes (logged).
    scan_class(const std::string& path, int mode);
    ~scan_class();
    scan_class(const scan_class&) = delete;
    scan_class& operator=(const scan_class&) = delete;

    // mode 1: writes "key out_value" and returns 0; a value holding CR, LF or
    // NUL is refused (logged, nothing written). mode 0: in_value = the
    // "--pref:<key>" option, else the file's value → 1; else 0, in_value kept.
    int fetch_or_get(const std::string& out_value, std::string& in_value, const std::string& key);
    bool int_io(int* value, const std::string& key); // the same for an int; true when one was read

    int mode;                                   // 0 read, 1 write
    std::map<std::string, std::string> values;  // read mode: the file's pairs, the last line of a key wins

private:
    std::string final_path; // write mode: app_path-prefixed file (a link resolved) that the rename replaces
    std::string temp_path;  // write mode: the file written first
    bool opened = false;    // write mode: the temporary file was opened
    int kept_mode = -1;     // write mode: permission bits of the file replaced, -1 when new
};

// ---- the sets -------------------------------------------------------------
using pref_path_fn = std::string (*)(); // the set's file, relative to app_path

class pref_class {
public:
    // which 10 or 11; io 0 reads the file into the bound variables, 1 writes
    // them. Anything else, or set 11 without a bound path, touches nothing.
    void IO_set(int which, int io);
    int IO_sta(int, int, std::string) { return 0; } // does nothing

    // Binds a variable to a key of a set; 1 done, 0 (logged) when the set has
    // no such key of that kind. A key bound again takes the new variable.
    int bind_int(int which, const char* key, int* var);
    int bind_string(int which, const char* key, std::string* var);
    void bind_path(int which, pref_path_fn fn); // set 11 only; set 10's file is fixed
    void unbind_all();                          // set 11 back to unbound; for tests
};

extern pref_class pref;
