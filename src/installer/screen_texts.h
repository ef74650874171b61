// screen_texts.h - what the main screen says and where its bar ends: the
// status line, the three-line message block of each phase, the progress
// figures and the bar's fill. Pure functions of the state handed in, so that
// every text can be checked without a window. Main thread only (the size and
// percentage texts go through flt_to_str's statics).
#pragma once

#include <string>

// ---- colours the screen texts use ------------------------------------------------------
constexpr int col_status_disc = 1;     // red: the disc is needed
constexpr int col_status_done = 13;    // dark green: the installation is complete
constexpr int col_message_alarm = 69;  // red: failure and retry lines

struct screen_text {
    std::string text;
    int colour;
};

// Line 1 to line 3, top to bottom; every frame starts from three empty lines in col_body_text.
struct message_block {
    screen_text line[3];
};
message_block INS_empty_block();

// ---- the status line ---------------------------------------------------------------------
struct status_inputs {
    int run_complete; // this run's installation ended without an error
    int dir_phase;    // stg.dir_phase
    int run_phase;    // stg.run_phase
};
screen_text INS_status_line(const status_inputs& in);

// The install-set panel's title: empty until the disc named the set, then "DVD: " + the name.
std::string INS_install_set_title(const std::string& name);

// ---- the message block by phase ------------------------------------------------------------
message_block INS_fetch_texts(); // run_idle while the manifest is being fetched
struct summary_inputs {
    int dir_phase;        // stg.dir_phase
    double need_kb;       // tot_disk_req: the content the installation brings
    double room_kb;       // tot_disk_room: what it takes on the destination's file system
    double free_kb;       // tot_availabl: free space of the destination, < 0 when not measured
    std::string need_str; // tot_disk_req_str: the size text of need_kb
    std::string set_name; // install_name
};
// run_idle: the fetch texts, the up-to-date lines (only for an examined
// folder), or what is about to be installed with the free space beside it
// and the verdict on room_kb.
message_block INS_size_summary(const summary_inputs& in);
// 1 when the installation fits: nothing needed, not measured, or more free
// than it takes. A measured 0 (a full disk) is no room.
int INS_space_is_there(double room_kb, double free_kb);

struct progress_inputs {
    int file_action;          // stg.file_action
    std::string file_name;    // crnt_file_name
    double disk_kb_done;      // next.disk_kb_done
    double need_kb;           // tot_disk_req
    std::string need_str;     // tot_disk_req_str
    double histories;         // number of file histories in sim_info
    double passed;            // next.stream_file[0]
    double elapsed;           // xtim.elapsed_time - next.start_time, s
};
// The installed fraction 0..1; no number and negative give 0, above 1 gives 1.
float INS_installed_fraction(double done_kb, double need_kb);
// "About N unit left ..., installing at R kilobytes/second." or empty: empty
// while 1 % or less is installed and while nothing has passed yet (no finite estimate).
std::string INS_time_left_line(const progress_inputs& in, float fraction);
message_block INS_progress_texts(const progress_inputs& in);

// run_done: the failure lines, the completion line for a completed run, else nothing.
message_block INS_done_texts(int install_error, int run_complete);
message_block INS_retry_texts(const std::string& archive_path);

// ---- the progress bar --------------------------------------------------------------------------
constexpr float bar_left = 132.0f, bar_width = 884.0f, bar_y = 15.0f;
struct bar_fill {
    int shown;    // 0: no fill this frame
    float centre; // on an even x
    float width;  // a multiple of 4
};
bar_fill INS_bar_fill(int installing, float fraction);
