// screen_phases.h - the main screen's state between frames and its commands:
// DESTINATION, INSTALL, EXIT, and the install slice that drives the engine
// for 10 ms of every installing frame. The phases live in stg.dir_phase and
// stg.run_phase; every change of them made by the screen happens here.
// Main thread only.
#pragma once

#include "installer/disc_check.h"
#include "installer/screen_texts.h"

#include <string>

// The running installation's counters that its progress texts show.
struct run_figures {
    double disk_kb_done = 0; // next.disk_kb_done
    int passed = 0;          // next.stream_file[0]
    float start_time = 0;    // next.start_time, s
};

// The screen's own record, kept from frame to frame; written only by the
// main screen's frame (APP_update) and the commands below.
struct ins_screen_struct {
    double tot_disk_req = 0;       // kB the pending installation needs (stg.disk_kb of the last idle frame)
    std::string tot_disk_req_str;  // its size text, kept while installing
    double tot_disk_room = 0;      // kB it takes on the destination's file system, at least tot_disk_req;
                                   // what the free space is compared with
    double tot_availabl = -1;      // kB free on the destination's file system; -1 not measured
    float totl_inst_rat = 0;       // installed fraction of the running installation, 0..1
    run_figures figures;           // the run's counters after the last install step, taken before
                                   // the end of a run resets the streams: the last frame shows them
    int disk_space_avail = 1;      // flag: the destination has room; INSTALL is live only then
    int run_complete = 0;          // flag: the last run ended without an error; a new run clears it
    int informed = 0;              // flag: this completed run's alert was shown
    int paths_built = 0;           // flag: `paths` names the accepted install set
    manifest_paths paths;          // the manifest archive on the disc and its extracted file
    message_block block;           // the message lines of this frame
};
extern ins_screen_struct ins_screen;
void INS_reset_screen(); // back to the start of a run; for tests

// ---- commands -------------------------------------------------------------------------------
// DESTINATION: the folder chooser; a chosen folder resets the streams and the
// error, returns to run_idle and has a ready manifest examined again.
void INS_destination_command();
// INSTALL: streams reset, error cleared, folders made, the licence, the file
// choice, each only after the one before said yes; run_installing when all
// did. A command that ends earlier (folders that cannot be made, the licence
// declined, a question cancelled) removes the empty folders it made and
// releases the product folder.
void INS_install_command();
// EXIT: streams reset (the extractions in flight stop), the product folder
// released, run_done, and the frame loop ends after this frame.
void INS_exit_command();

// ---- the install slice ------------------------------------------------------------------------
constexpr double install_slice_seconds = 0.01;
// Progress frames come this often, by time: a little more often than 30 a
// second, so that with a step that ends late and a drawing that takes longer,
// the intervals a user sees still stay within a thirtieth of a second.
constexpr double progress_frame_seconds = 1.0 / 35;
// Calls grab_files back to back for at least 10 ms on the monotonic clock,
// and on until the next progress frame is due less what drawing the last
// one took (a step is never cut short), or until the run is over; the end of
// a run sets run_done, resets the streams and notes whether it completed.
// ins_screen.figures holds the counters as the last step left them.
void INS_install_slice();

// ---- the free space --------------------------------------------------------------------------
// kB free for an unprivileged user on the file system that holds folder (or,
// when it does not exist yet, its nearest existing parent); -1 when unknown.
double INS_free_kb(const std::string& folder);
