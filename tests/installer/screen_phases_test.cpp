// screen_phases_test.cpp - the screen's phases and commands against recording
// fakes of the engine, the chooser and the windows: one transition table, and
// the install slice on a stepped clock.
#include "installer/screen_phases.h"

#include "engine/stg.h"
#include "foundation/hl_types.h"
#include "screen_fakes.h"

#include <sstream>

namespace {

std::string joined(const std::vector<std::string>& log)
{
    std::ostringstream out;
    for (size_t i = 0; i < log.size(); ++i) out << (i ? ", " : "") << log[i];
    return out.str();
}

using ScreenPhases = screen_fixture;

TEST_F(ScreenPhases, TransitionTable)
{
    struct row {
        const char* name;
        int dir, run, error;  // before
        void (*event)();
        int pick, make, eula, choose;
        std::vector<int> grabs;
        const char* calls;
        int dir_after, run_after, error_after, done_after;
    } rows[] = {
        {"destination cancelled", dir_ready, run_idle, 1, INS_destination_command, 0, 1, 1, 1, {},
         "pick_dest_path", dir_ready, run_idle, 1, 0},
        {"destination from ready: examined again", dir_ready, run_done, 1, INS_destination_command, 1, 1, 1, 1, {},
         "pick_dest_path, reset_streams", dir_scan, run_idle, 0, 0},
        {"destination while fetching", dir_fetch, run_idle, 0, INS_destination_command, 1, 1, 1, 1, {},
         "pick_dest_path, reset_streams", dir_fetch, run_idle, 0, 0},
        {"destination without a manifest", dir_missing, run_done, 0, INS_destination_command, 1, 1, 1, 1, {},
         "pick_dest_path, reset_streams", dir_missing, run_idle, 0, 0},
        {"install accepted", dir_ready, run_idle, 1, INS_install_command, 1, 1, 1, 1, {},
         "reset_streams, make_dirs, handle_EULA, choose_files", dir_ready, run_installing, 0, 0},
        {"install, licence declined: the files are still chosen", dir_ready, run_idle, 0, INS_install_command, 1, 1,
         0, 1, {}, "reset_streams, make_dirs, handle_EULA, choose_files", dir_ready, run_idle, 0, 0},
        {"install, a question cancelled", dir_ready, run_idle, 0, INS_install_command, 1, 1, 1, 0, {},
         "reset_streams, make_dirs, handle_EULA, choose_files", dir_ready, run_idle, 0, 0},
        {"install into a refused destination", dir_ready, run_idle, 1, INS_install_command, 1, 0, 1, 1, {},
         "reset_streams, make_dirs", dir_ready, run_idle, 0, 0},
        {"exit while installing", dir_ready, run_installing, 0, INS_exit_command, 1, 1, 1, 1, {}, "reset_streams",
         dir_ready, run_done, 0, 1},
        {"exit while idle", dir_fetch, run_idle, 0, INS_exit_command, 1, 1, 1, 1, {}, "reset_streams", dir_fetch,
         run_done, 0, 1},
        {"slice: the run goes on", dir_ready, run_installing, 0, INS_install_slice, 1, 1, 1, 1, {},
         "grab_files, grab_files, grab_files, grab_files", dir_ready, run_installing, 0, 0},
        {"slice: the run ends, no further step", dir_ready, run_installing, 0, INS_install_slice, 1, 1, 1, 1, {0, 1},
         "grab_files, grab_files, reset_streams", dir_ready, run_done, 0, 0},
        {"slice outside a run does nothing", dir_ready, run_idle, 0, INS_install_slice, 1, 1, 1, 1, {}, "",
         dir_ready, run_idle, 0, 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        fresh_screen();
        stg.dir_phase = r.dir;
        stg.run_phase = r.run;
        stg.install_error = r.error;
        script.log.clear();
        script.pick = r.pick;
        script.make = r.make;
        script.eula = r.eula;
        script.choose = r.choose;
        script.grab_answers = r.grabs;
        screen_fakes fakes(script);
        r.event();
        EXPECT_EQ(joined(script.log), r.calls);
        EXPECT_EQ(stg.dir_phase, r.dir_after);
        EXPECT_EQ(stg.run_phase, r.run_after);
        EXPECT_EQ(stg.install_error, r.error_after);
        EXPECT_EQ(app_done, r.done_after);
    }
}

TEST_F(ScreenPhases, ALongStepIsNeverCutShort)
{
    stg.run_phase = run_installing;
    script.grab_us = 50000; // one step of 50 ms: the slice holds one step
    screen_fakes fakes(script);
    INS_install_slice();
    EXPECT_EQ(joined(script.log), "grab_files");
}

TEST_F(ScreenPhases, OnlyARunWithoutAnErrorCompletes)
{
    screen_fakes fakes(script);
    stg.run_phase = run_installing;
    script.grab_answers = {1};
    INS_install_slice();
    EXPECT_EQ(ins_screen.run_complete, 1);

    // A new run clears it; one that ends in an error leaves it clear.
    stg.run_phase = run_idle;
    INS_install_command();
    EXPECT_EQ(ins_screen.run_complete, 0);
    ASSERT_EQ(stg.run_phase, run_installing);
    script.grab_answers = {1};
    script.grab_sets_error_at_end = 1;
    INS_install_slice();
    EXPECT_EQ(stg.run_phase, run_done);
    EXPECT_EQ(ins_screen.run_complete, 0);
}

TEST_F(ScreenPhases, FreeSpaceOfTheNearestExistingFolder)
{
    const double here = INS_free_kb(home.path() + "/");
    EXPECT_GT(here, 0);
    EXPECT_GT(INS_free_kb(home.path() + "/not/yet/made/Skylume/"), 0); // measured on the folder that exists
    EXPECT_EQ(INS_free_kb(""), -1);
}

} // namespace
