// stg.h - the installer's settings and run-state record, the build constants,
// and the platform filter of manifest entries. Main thread only.
#pragma once

// Phases of finding and reading the manifest.
enum { dir_fetch = 0, dir_scan = 1, dir_missing = 2, dir_ready = 3 };
// Operating systems to install for (also manifest platform codes 1..3).
enum { os_mac = 1, os_windows = 2, os_linux = 3 };
// Phases of an install run.
enum { run_idle = 0, run_installing = 1, run_done = 2 };
// What the install step does with the current file.
enum { file_act_delete = 0, file_act_install = 1, file_act_have = 2, file_act_skip = 3 };

struct stg_class {
    int dir_phase;      // dir_fetch .. dir_ready; the screen advances it
    int download_os;    // os_mac / os_windows / os_linux; never stored
    int log_actions;    // flag: log every install action; pref "_log_actions"
    int run_phase;      // run_idle / run_installing / run_done
    int net_retry;      // flag: a download failed, another server is tried
    int install_error;  // flag: an extraction failed; the screen clears it
    int server_count;   // download servers offered; -1 until the disc is read
    int server_index;   // chosen server
    int file_action;    // file_act_*: what the step does with the current file
    float done_ratio;   // progress of the current file, 0..1
    int use_max_cpu;    // flag: full-speed frames; pref "_use_max_cpu"
    int rename_folder;  // flag: rename the product folder at the end; pref "_rename_folder"
    int stream_count;   // transfer streams chosen by hand 1..4, 0 automatic; pref "_stream_count"
    int always_ask_dir; // flag: ask for the destination at every start; pref "_always_ask_dir"
    double download_kb; // total download size of what is wanted, kB (summed exactly)
    double disk_kb;     // total disk size of the same files, kB
    double disk_need_kb; // kB the same files take on the destination's file system: whole
                         // fragments each, one more for each folder made (disk_need.h)
};

extern stg_class stg;

// Sets the defaults that main gives before the preferences are read.
void STG_set_defaults();

// Build constants. This build is the disc installer; tests switch is_net and
// install_type to run the engine as the network installer.
extern const int is_build;   // 0: paths resolved without regard to letter case
extern int install_type;     // 1: one stream, archives kept, log in the home folder
extern int is_net;           // 0: archives from the disc; else downloaded
extern const int is_dvd;     // marks the disc build

// 1 when entry `version` of history `history` is for the platform being
// installed and its match code equals pass_value. Indices are not checked.
int want_this_f(int history, int version, int pass_value);
// want_this_f of history's current version with its own match code: 1 when the
// install set wants the file at all.
int ENG_current_wanted(int history);
