// install_records.h - the manifest in memory and the install globals, shared by
// every step of the engine, and the small path helpers. Main thread only.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

// The signature fields' markers, as the manifest and the examination write them.
constexpr const char* sig_gone = "GONE";             // sig_want of a file no longer part of the product
constexpr const char* sig_missing = "NONE";          // sig_have: nothing stands at the file's place
constexpr const char* sig_unreadable = "UNREADABLE"; // sig_have: something does, but it cannot be examined

// One FILE line of the manifest, with what the disk examination and the
// install decision made of it.
struct file_version_struct {
    int match_code = 0;      // 0..4; only compared by want_this_f
    int platform = 0;        // 0 any, 1 mac, 2 windows, 3 linux, 6 linux only; 4, 5 never wanted
    int aux_code = 0;        // kept as read
    float download_kb = 0;   // archive size, kB
    float disk_kb = 0;       // installed size, kB
    std::string sig_want;    // MD5 wanted, lower-case hex; sig_gone: no longer part of the product
    std::string sig_have;    // MD5 on disk, sig_missing or sig_unreadable; newest version only
    std::string path;        // manifest path; its first component is the product's top folder
    int up_to_date = 0;      // flag: the file on disk is the wanted one
    int want_install = 0;    // decision: extract this version
    int want_delete = 0;     // decision: delete the local file
};

// Neighbouring FILE lines of one path, oldest first; the last is current.
struct file_history_struct {
    std::vector<file_version_struct> versions;
};

extern std::vector<file_history_struct> sim_info; // the manifest, in file order

extern std::string dest_dir_path;  // product folder, ends in '/'
extern std::string install_name;   // install set: archive folder on the disc, new folder name
extern std::string temp_path;      // temporary folder, ends in '/'
extern std::string crnt_file_name; // archive the install step works on
extern std::string crnt_file_path; // its whole path, on the disc or the server
constexpr int max_servers = 10;
extern std::string server_name[max_servers]; // download host of each server
extern std::string server_path[max_servers]; // path prefix on each server
extern std::string server_desc[max_servers]; // description for the server chooser
extern int this_install_has_exes;            // flag: platform-specific files are being installed
extern std::set<std::string> deleted_files;  // folders touched by deletions, each ending in '/'

// The product folder as the last examination of the disk found it; written by
// read_directory, read by make_dirs, which refuses to install into a folder
// that was renamed or replaced since (another installer's run in between).
struct examined_folder_struct {
    int existed = 0;       // flag: dest_dir_path was a folder when examined
    std::uint64_t dev = 0; // its device and inode then
    std::uint64_t ino = 0;
};
extern examined_folder_struct examined_folder;

// Folder numbers of get_OS_abs_path.
enum { os_dir_this_app = 0, os_dir_desktop = 1, os_dir_default_apps = 2, os_dir_temp = 3, os_dir_prefs = 4 };

int path_has_no_file(std::string path);  // 1 when path ends in '/'
void trim_dest_folder(std::string& path); // drops everything through the first '/'
std::string ENG_disk_path(const std::string& manifest_path); // dest_dir_path + the path less its top folder
file_version_struct& ENG_current_version(int history);       // the newest version of sim_info[history]
// Sets out to the folder, ending in '/'; unknown numbers and an unset or empty HOME leave it unchanged.
void get_OS_abs_path(int which, std::string& out);
// folder = path through the '/' before its last name (a folder path yields its parent).
void get_path_with_path(std::string& folder, const std::string& path);

// 1 when the manifest path names a place inside the product folder: relative,
// no empty, "." or ".." component (the top folder's included: it is part of
// the archive's path on the disc or the server), no NUL.
int path_stays_inside(const std::string& manifest_path);
// 1 when the path is shorter than the system's path limit (PATH_MAX with its NUL).
int path_fits_system(const std::string& path);

// 1 when the file layer can use dest_dir_path for the product's files: no '\\'
// or ':' and no longer than the file layer's limit. Else 0 with a log line.
int ENG_dest_dir_usable();

// 1 when name can be a folder name of its own that a user sees as given: not
// empty, "." or "..", no '/' or NUL, no leading '.' (a hidden folder), no control
// character, no trailing blank.
int ENG_name_is_plain(const std::string& name);
// The product folder's new name made from the install set's name: the set's
// name without the blanks and tabs at its end, which the disc keeps in its own
// folder's name but which would leave the product a name no one can see.
std::string ENG_product_folder_name(const std::string& set_name);

// Empty when dest can be the product folder as typed, chosen or stored; else a
// sentence saying why not (too long for the file layer, a control character
// such as a line break, a folder name ending in a blank, a ':' or a '\\').
std::string ENG_dest_refusal(const std::string& dest);

// Makes dest_dir_path a folder path the engine can append to: relative paths
// (a "-path" argument, an edited preference) are taken from the current
// folder, and a missing trailing '/' is added. An empty path stays empty.
void ENG_normalise_dest_dir();

// Puts every record of the engine back to its start state; for tests.
void ENG_reset_records();
