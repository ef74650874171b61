// screen_phases_test.cpp - the screen's phases and commands against recording
// fakes of the engine, the chooser and the windows: one transition table, and
// the install slice on a stepped clock.
#include "installer/screen_phases.h"

#include "engine/install_records.h"
#include "engine/product_lock.h"
#include "engine/stg.h"
#include "foundation/hl_types.h"
#include "screen_fakes.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
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
        {"install, licence declined: nothing more is asked", dir_ready, run_idle, 0, INS_install_command, 1, 1, 0,
         1, {}, "reset_streams, make_dirs, handle_EULA", dir_ready, run_idle, 0, 0},
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

// An INSTALL that ends before its run, at any of its noes, leaves the disc as
// it found it: the empty folders it made go again, innermost first, while a
// folder that was there before stays; the product folder is left to other
// installers; nothing is asked after the no. The folders are made for real,
// in an installed product (with an empty folder of its own) and in a fresh chain.
TEST_F(ScreenPhases, AnInstallThatEndsBeforeItsRunTakesBackTheEmptyFoldersItMade)
{
    struct end_case {
        const char* name;
        const char* dest; // below the games folder
        bool too_deep;    // one wanted folder is deeper than the system can name
        int eula, choose;
        const char* calls; // of the fakes: make_dirs is the engine's own
    } cases[] = {
        {"installed: a folder cannot be made", "Skylume/", true, 1, 1, "reset_streams"},
        {"installed: the licence declined", "Skylume/", false, 0, 1, "reset_streams, handle_EULA"},
        {"installed: a question cancelled", "Skylume/", false, 1, 0, "reset_streams, handle_EULA, choose_files"},
        {"fresh: a folder cannot be made", "new/deeper/Skylume/", true, 1, 1, "reset_streams"},
        {"fresh: the licence declined", "new/deeper/Skylume/", false, 0, 1, "reset_streams, handle_EULA"},
    };
    std::string too_deep = "Top/";
    for (int i = 0; i < 2100; ++i) too_deep += "e/";
    for (const end_case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string games = home / "games/";
        std::filesystem::remove_all(games);
        std::filesystem::create_directories(games + "Skylume/Aircraft"); // the user's, empty
        sim_info.clear();
        for (const std::string& path : {std::string("Top/Aircraft/Trainer/readme.txt"), std::string("Top/top.txt"),
                                        c.too_deep ? too_deep + "x.txt" : std::string("Top/Scenery/tile/x.txt")}) {
            file_history_struct h;
            h.versions.resize(1);
            h.versions[0].path = path;
            h.versions[0].sig_want = "A";
            sim_info.push_back(h);
        }
        fresh_screen();
        screen_ready();
        dest_dir_path = games + c.dest;
        script.log.clear();
        script.eula = c.eula;
        script.choose = c.choose;
        screen_fakes fakes(script);
        screen_ops with_real_folders = INS_screen_ops();
        with_real_folders.make_dirs = nullptr;
        INS_set_screen_ops(with_real_folders);
        alerts.alerts().clear();
        INS_install_command();
        EXPECT_EQ(joined(script.log), c.calls);
        EXPECT_EQ(alerts.alerts().size(), c.too_deep ? 1u : 0u);
        EXPECT_EQ(stg.run_phase, run_idle);
        EXPECT_EQ(ENG_locked_folder_fd(), -1) << "the product folder is still locked";
        EXPECT_TRUE(std::filesystem::is_directory(games + "Skylume/Aircraft"));
        for (const char* made : {"Skylume/Aircraft/Trainer", "Skylume/Output", "Skylume/Resources", "Skylume/Scenery",
                                 "new"})
            EXPECT_FALSE(std::filesystem::exists(games + made)) << made << " was made and stayed";
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

// EXIT during a run leaves the product folder to another installer at once,
// not at the end of the process.
TEST_F(ScreenPhases, ExitLeavesTheProductFolderToOtherInstallersAtOnce)
{
    screen_fakes fakes(script);
    dest_dir_path = home.path() + "/Skylume/";
    std::filesystem::create_directories(dest_dir_path);
    int err = 0;
    ASSERT_EQ(ENG_lock_product_folder(&err), lock_held);
    stg.run_phase = run_installing;
    INS_exit_command();
    EXPECT_EQ(ENG_locked_folder_fd(), -1);
    const int other = open(dest_dir_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    EXPECT_EQ(flock(other, LOCK_EX | LOCK_NB), 0) << "another installer is refused the folder";
    close(other);
}

TEST_F(ScreenPhases, FreeSpaceOfTheNearestExistingFolder)
{
    const double here = INS_free_kb(home.path() + "/");
    EXPECT_GT(here, 0);
    EXPECT_GT(INS_free_kb(home.path() + "/not/yet/made/Skylume/"), 0); // measured on the folder that exists
    EXPECT_EQ(INS_free_kb(""), -1);
}

} // namespace
