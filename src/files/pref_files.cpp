// pref_files.cpp - preference files.
//   sets       the key lists of sets 10 and 11 and their bindings
//   scan       reading a file into key/value pairs, the safe write
//   IO_set     walking a set's keys in file order
#include "files/pref_files.h"

#include "files/text_scan.h"

#include "foundation/cmdline.h"
#include "foundation/hl_types.h"
#include "foundation/safe_open.h"
#include "files/io_utils.h"
#include "io_paths.h"
#include "files/ouf_file.h"
#include "files/xmap.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

pref_class pref;

namespace {

// ---- sets -----------------------------------------------------------------

// One key of a set, in file order, with the variable bound to it: an int* or a
// std::string* by kind; null while unbound, and the key is then skipped.
struct pref_row {
    const char* key;
    pref_kind kind;
    void* var;
};

// Window sizes the display set stores for itself; nothing else reads the PLN
// and WRL pairs, the ALL pair carries mnw's requested size.
int x_res_req_pln, y_res_req_pln, x_res_req_wrl, y_res_req_wrl, x_res_req_all, y_res_req_all;

const char* const display_file = "Resources/preferences/Res Skysuite.prf";

struct pref_set {
    std::vector<pref_row> rows;
    pref_path_fn path;
};

pref_set unbound_installer_set()
{
    return {{{"_use_max_cpu", pref_int, nullptr},
             {"_rename_folder", pref_int, nullptr},
             {"_stream_count", pref_int, nullptr},
             {"_log_actions", pref_int, nullptr},
             {"_always_ask_dir", pref_int, nullptr},
             {"_dest_dir_path", pref_string, nullptr},
             {"_proxy_host", pref_string, nullptr},
             {"_proxy_port", pref_string, nullptr},
             {"_proxy_port_int", pref_int, nullptr}},
            nullptr};
}

pref_set& installer_set()
{
    static pref_set s = unbound_installer_set();
    return s;
}

pref_set& display_set()
{
    static pref_set s{{{"_x_res_req_PLN", pref_int, &x_res_req_pln},
                       {"_y_res_req_PLN", pref_int, &y_res_req_pln},
                       {"_x_res_req_WRL", pref_int, &x_res_req_wrl},
                       {"_y_res_req_WRL", pref_int, &y_res_req_wrl},
                       {"_x_res_req_ALL", pref_int, &x_res_req_all},
                       {"_y_res_req_ALL", pref_int, &y_res_req_all},
                       {"_col_res_req", pref_int, &mnw.col_res_req},
                       {"_set_res", pref_int, &mnw.set_res},
                       {"_lang", pref_int, &mnw.lang},
                       {"_alias_req", pref_int, &mnw.alias_req},
                       {"_keylist_up", pref_int, &mnw.keylist_up},
                       {"_sec_mon_inuse", pref_int, &mnw.sec_mon_inuse},
                       {"_prefs_found", pref_int, &mnw.prefs_found}},
                      nullptr};
    return s;
}

pref_set* find_set(int which)
{
    if (which == pref_set_installer) return &installer_set();
    if (which == pref_set_display) return &display_set();
    return nullptr;
}

int bind_key(int which, const char* key, pref_kind kind, void* var)
{
    if (pref_set* set = find_set(which))
        for (pref_row& row : set->rows)
            if (row.kind == kind && std::string(row.key) == key) {
                row.var = var;
                return 1;
            }
    IO_log("prefs: set " + std::to_string(which) + " has no " + (kind == pref_int ? "int" : "string") +
           " key " + key);
    return 0;
}

void walk_keys(scan_class& scan, const pref_set& set)
{
    for (const pref_row& row : set.rows) {
        if (!row.var) continue;
        if (row.kind == pref_int) {
            scan.int_io(static_cast<int*>(row.var), row.key);
        } else {
            std::string& s = *static_cast<std::string*>(row.var);
            if (scan.mode == 1 && s.empty()) continue;
            scan.fetch_or_get(s, s, row.key);
        }
    }
}

int clamp_res(int v, int fallback) { return v < 600 || v > 9999 ? fallback : v; }

// ---- scan -----------------------------------------------------------------

// Parses the lines after the header: key, blanks, value up to the line end.
void read_pairs(const char* p, const char* end, std::map<std::string, std::string>& values)
{
    text_cursor line{p, end};
    while (!line.at_end()) {
        line.skip_blanks();
        const std::string key = line.word();
        if (key.empty()) break;
        line.skip_blanks();
        values[key] = line.rest_of_line();
        line.skip_space();
    }
}

// Makes the written bytes durable before the rename makes them the file.
bool sync_file(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

// The file a save replaces: a symbolic link is followed to its target, so that
// the rename updates the target and the link stays, but only along links of the
// user's own; a link somebody else could have planted is never written through.
bool save_target(const std::string& path, std::string& target)
{
    const std::string full = ouf_target_path(path);
    if (UTL_write_target(full, target)) return true;
    IO_log("prefs: " + full + " is a link the program may not write through; not saved");
    ouf_alert_cannot_save(full);
    return false;
}

// The temporary file of a save, made anew under its name (a file or link left
// there is removed, never followed), in a folder made when missing.
int open_save_temp(const std::string& temp)
{
    int fd = UTL_create_temp(temp);
    if (fd < 0 && errno == ENOENT && make_folder(temp.substr(0, temp.rfind('/') + 1)) == 0) fd = UTL_create_temp(temp);
    return fd;
}

// Whether a save may replace final: a file the user may not write (made
// read-only) keeps its bytes, with the cannot-save alert the user knows from a
// failed open. kept_mode receives the existing file's permission bits.
bool may_replace(const std::string& final, int& kept_mode)
{
    struct stat st;
    if (stat(final.c_str(), &st) != 0) return true; // not there yet: the save creates it
    kept_mode = static_cast<int>(st.st_mode & 07777);
    if (access(final.c_str(), W_OK) == 0 || (errno != EACCES && errno != EROFS)) return true;
    IO_log("prefs: " + final + " is read-only; not saved");
    ouf_alert_cannot_save(final);
    return false;
}

int to_int(const std::string& text)
{
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

} // namespace

scan_class::scan_class(const std::string& path, int mode) : mode(mode)
{
    // The reader refuses these paths, so a file saved under one would never be read back.
    const bool path_ok = IO_path_dirchars_ok(path, "prefs") == 1;
    if (mode == 1) {
        if (!path_ok || !save_target(path, final_path)) return;
        temp_path = final_path + ".tmp";
        if (!may_replace(final_path, kept_mode)) return;
        const int fd = open_save_temp(temp_path);
        if (fd < 0) {
            IO_log("prefs: could not make " + temp_path + ": " + std::strerror(errno));
            ouf_alert_cannot_save(final_path);
            return;
        }
        opened = ouf_open_full(UTL_fd_path(fd), final_path, io_text, pref_file_version, "no-copyright-string",
                               path) == 1;
        close(fd); // the stream holds its own descriptor of the same file
        if (!opened) unlink(temp_path.c_str());
        return;
    }
    if (!path_ok) return;
    xmap_class file(path);
    const int versions[] = {pref_file_version, 0};
    if (file.begin && file.check_file(io_text, versions, nullptr, nullptr))
        read_pairs(file.cursor, file.end, values);
}

scan_class::~scan_class()
{
    if (mode != 1) return;
    bool ok = opened && ouf.good();
    ouf.close();
    ok = ok && !ouf.fail() && sync_file(temp_path);
    // The rename puts a new file in place: give it the old one's permissions.
    ok = ok && (kept_mode < 0 || chmod(temp_path.c_str(), static_cast<mode_t>(kept_mode)) == 0);
    if (ok && std::rename(temp_path.c_str(), final_path.c_str()) == 0) return;
    if (opened) unlink(temp_path.c_str());
    IO_log("prefs: could not save " + final_path + "; the previous file is kept");
}

int scan_class::fetch_or_get(const std::string& out_value, std::string& in_value, const std::string& key)
{
    if (mode == 1) {
        if (out_value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
            IO_log("prefs: refused to save " + key + ": its value holds a line break");
            return 0;
        }
        ouf << key << " " << out_value << "\n";
        return 0;
    }
    const std::string option = "--pref:" + key;
    if (cmdline.has_option(option.c_str())) {
        in_value = cmdline.get_option(option.c_str());
        return 1;
    }
    const auto it = values.find(key);
    if (it == values.end()) return 0;
    in_value = it->second;
    return 1;
}

bool scan_class::int_io(int* value, const std::string& key)
{
    if (mode == 1) {
        std::string unused;
        fetch_or_get(std::to_string(*value), unused, key);
        return false;
    }
    std::string text;
    if (fetch_or_get("", text, key) != 1) return false;
    *value = to_int(text);
    return true;
}

// ---- IO_set ---------------------------------------------------------------

void pref_class::IO_set(int which, int io)
{
    if (io != 0 && io != 1) return;
    const pref_set* set = find_set(which);
    if (!set) return;
    std::string path = display_file;
    if (which == pref_set_installer) {
        if (!set->path) {
            IO_log("prefs: the installer preferences have no file bound");
            return;
        }
        path = set->path();
    }
    if (which == pref_set_display && io == 1) {
        x_res_req_all = mnw.x_res_req;
        y_res_req_all = mnw.y_res_req;
        mnw.prefs_found = 1;
    }
    {
        scan_class scan(path, io);
        walk_keys(scan, *set);
    }
    if (which == pref_set_display) {
        if (io == 0) {
            mnw.x_res_req = x_res_req_all;
            mnw.y_res_req = y_res_req_all;
        }
        mnw.x_res_req = clamp_res(mnw.x_res_req, 1024);
        mnw.y_res_req = clamp_res(mnw.y_res_req, 768);
    }
}

int pref_class::bind_int(int which, const char* key, int* var) { return bind_key(which, key, pref_int, var); }

int pref_class::bind_string(int which, const char* key, std::string* var)
{
    return bind_key(which, key, pref_string, var);
}

void pref_class::bind_path(int which, pref_path_fn fn)
{
    if (which == pref_set_installer) installer_set().path = fn;
}

void pref_class::unbind_all() { installer_set() = unbound_installer_set(); }
