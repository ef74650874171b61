// ins_main.h - the installer's entry: the steps main runs before the first
// frame, each on its own so that tests can run them without a window, and
// the run itself. Main thread only.
#pragma once

#include <string>

// ---- steps before the first frame, in main's order ----------------------------
// Writes the five operating-system folders to the log, one labelled line each
// (creating the preference folder when it is missing).
void INS_log_os_folders();
// dest_dir_path = the home folder cut back by ten components + "Skylume/"
// ("/Skylume/" for a home of ten components or fewer, "Skylume/" without
// HOME); logged as "dest_dir_path=...".
void INS_default_dest();
// temp_path (the private temporary folder, "/tmp/" when it cannot be made),
// the alert button's label, install_name "Not Yet Scanned", the stg defaults.
void INS_set_start_state();
// Reads the installer preference file over the defaults; the stream count is
// then held to 0..4 and a stored destination made absolute with one final '/'
// (an empty one is refused: the default stays, with a log line).
void INS_load_settings();
// The folder after "-path" when argv[1] is exactly "-path" and a folder
// follows; else null.
const char* INS_path_argument(int argc, const char* const* argv);
// The destination of this run: the "-path" folder (made absolute with one
// final '/'; one that cannot be used, an empty one included, is refused with
// its alert and the destination stays), else the folder chooser when the
// always-ask setting is on.
void INS_take_destination(int argc, const char* const* argv);

// ---- the run ----------------------------------------------------------------------
using frame_fn = void (*)(); // one frame of the program (events, APP_update, swap)
// Frame function the run calls until app_done (MACIBM_event_proc; nullptr restores it).
frame_fn INS_set_frame(frame_fn fn);
// The run after the framework's start-up: the steps above, then the frame
// loop, then the end of the run. Returns main's exit status, 0.
int INS_run(int argc, const char* const* argv);
// The end of a normal quit: the preference file written (not under
// "--fps_test"), the temporary folder removed, the worker threads stopped, the
// GL context released and the log closed.
void INS_end_run();
