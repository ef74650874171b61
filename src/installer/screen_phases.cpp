// screen_phases.cpp - the screen's record, its operations, commands and the install slice.
#include "installer/screen_phases.h"

#include "engine/decisions.h"
#include "engine/folders.h"
#include "engine/install_records.h"
#include "engine/made_folders.h"
#include "engine/manifest.h"
#include "engine/product_lock.h"
#include "engine/stg.h"
#include "engine/streams.h"
#include "files/io_utils.h"
#include "foundation/frame_pace.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "foundation/xtim.h"
#include "installer/dest_choice.h"
#include "installer/licence_window.h"
#include "installer/prefs_window.h"
#include "installer/screen_ops.h"
#include "shell/subwin.h"

#include <sys/statvfs.h>

#include <algorithm>

ins_screen_struct ins_screen;

void INS_reset_screen() { ins_screen = ins_screen_struct{}; }

// ---- operations -----------------------------------------------------------------------------

namespace {

void reset_streams() { next.reset_all_streams(); }
void no_browser(const std::string&) {} // this platform opens no web pages

void completion_alert()
{
    __MACIBM_alert(win_main, "OK I have now installed this DVD!",
                   "If you ordered further DVDs, each of them shows on its cover the regions of scenery that it holds.",
                   "Those regions are installed by that DVD's own run of this installer.",
                   "Exit this installer, then run the installer on any of those DVDs to add their scenery. Every one "
                   "of them is optional: a region that is not installed shows plain water.",
                   t_alert, "main", 310);
}

screen_ops ops = INS_real_screen_ops();

template <typename F> void fill(F& member, F real)
{
    if (!member) member = real;
}

} // namespace

screen_ops INS_real_screen_ops()
{
    return {pick_dest_path, reset_streams, make_dirs,  handle_EULA,     choose_files,
            grab_files,     handle_prefs,  no_browser, read_directory, completion_alert, INS_free_kb};
}

const screen_ops& INS_screen_ops() { return ops; }

screen_ops INS_set_screen_ops(const screen_ops& wanted)
{
    const screen_ops old = ops;
    const screen_ops real = INS_real_screen_ops();
    ops = wanted;
    fill(ops.pick_dest_path, real.pick_dest_path);
    fill(ops.reset_streams, real.reset_streams);
    fill(ops.make_dirs, real.make_dirs);
    fill(ops.handle_EULA, real.handle_EULA);
    fill(ops.choose_files, real.choose_files);
    fill(ops.grab_files, real.grab_files);
    fill(ops.handle_prefs, real.handle_prefs);
    fill(ops.go_to_URL, real.go_to_URL);
    fill(ops.read_directory, real.read_directory);
    fill(ops.completion_alert, real.completion_alert);
    fill(ops.free_kb, real.free_kb);
    return old;
}

// ---- commands ---------------------------------------------------------------------------------

void INS_destination_command()
{
    if (!ops.pick_dest_path()) return;
    ops.reset_streams();
    stg.install_error = 0;
    stg.run_phase = run_idle;
    if (stg.dir_phase == dir_ready) stg.dir_phase = dir_scan;
}

void INS_install_command()
{
    ops.reset_streams();
    stg.install_error = 0;
    ins_screen.run_complete = 0; // informed stays: the completion alert comes once a run of the program
    // Each step ends the command when it says no: a destination whose folders
    // cannot all be made (after the engine's one alert), a declined licence,
    // a cancelled question. Nothing is asked after a no.
    if (ops.make_dirs() && ops.handle_EULA() && ops.choose_files()) stg.run_phase = run_installing;
    if (stg.run_phase == run_installing) return;
    // A run that does not start takes back the empty folders it made and
    // leaves the folder to other installers again.
    ENG_remove_made_folders();
    ENG_unlock_product_folder();
}

void INS_exit_command()
{
    ops.reset_streams();
    // Another installer may have the folder at once: nothing more of this run lands in it.
    ENG_unlock_product_folder();
    stg.run_phase = run_done;
    app_done = 1;
}

// ---- the install slice ----------------------------------------------------------------------------

namespace {

double now_seconds() { return static_cast<double>(xtim_class::microsecs()) * 0.000001; }

void end_of_run()
{
    stg.run_phase = run_done;
    ins_screen.run_complete = stg.install_error ? 0 : 1;
    ops.reset_streams();
    if (!ins_screen.run_complete) ENG_unlock_product_folder(); // a finished run released it itself
}

// From the end of one slice to the swap that follows it the frame draws:
// that time is what drawing took.
double last_slice_end = -1;
double draw_seconds = 0;

// The slice fills the frame: drawing waits for the engine no longer than
// the progress frames' period, and the engine for drawing only while it draws.
double slice_deadline(double start)
{
    if (last_slice_end >= 0 && fpace.last_swap > last_slice_end) draw_seconds = fpace.last_swap - last_slice_end;
    const double frame_due = fpace.last_swap + progress_frame_seconds - draw_seconds;
    return std::max(start + install_slice_seconds, std::min(frame_due, start + progress_frame_seconds));
}

} // namespace

void INS_install_slice()
{
    const double deadline = slice_deadline(now_seconds());
    // Once the run is over nothing is left to do in the slice: the frame goes on at once.
    while (stg.run_phase == run_installing && now_seconds() < deadline) {
        next.file_wait = std::max(0.0, deadline - now_seconds()); // a file still in flight waits for the next frame
        const int over = ops.grab_files();
        ins_screen.figures = {next.disk_kb_done, next.stream_file[0], next.start_time};
        if (over) end_of_run();
    }
    last_slice_end = now_seconds();
}

// ---- the free space ---------------------------------------------------------------------------------

double INS_free_kb(const std::string& folder)
{
    struct statvfs fs;
    if (IO_statvfs_nearest(folder, &fs) != 0) return -1;
    return static_cast<double>(fs.f_bavail) * static_cast<double>(fs.f_frsize) / 1024.0;
}
