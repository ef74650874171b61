// screen_layout_test.cpp - the main screen drawn through the recorder: one
// golden list per phase, the commands by press position, and the road from
// no disc to a scanned manifest frame by frame.
#include "installer/app_screen.h"

#include "draw_recorder.h"
#include "engine/install_records.h"
#include "engine/stg.h"
#include "engine/streams.h"
#include "foundation/hl_types.h"
#include "foundation/xtim.h"
#include "installer/screen_phases.h"
#include "screen_fakes.h"
#include "files/disc.h"
#include "support/disc_fixture.h"

#include <fstream>

namespace {

class ScreenLayout : public screen_fixture {
protected:
    void SetUp() override
    {
        screen_fixture::SetUp();
        next = next_class{};
        xtim = xtim_class{};
        mnw.mouse_x = mnw.mouse_y = -100;
        mnw.mouse_down = mnw.mouse_held = 0;
        dest_dir_path = "/data/Skylume/";
        install_name = no_install_name;
    }
    void TearDown() override
    {
        next = next_class{};
        screen_fixture::TearDown();
    }
    std::string frame()
    {
        draw_recorder rec;
        screen_fakes fakes(script);
        APP_update();
        mnw.mouse_down = 0; // a press lasts one frame
        return draw_recorder::text();
    }
    void press(float x, float y)
    {
        mnw.mouse_x = x;
        mnw.mouse_y = y;
        mnw.mouse_down = 1;
    }
};

// The drawing that every phase shares, from the background to the panels.
std::string top(const std::string& title, const std::string& need, bool destination)
{
    std::string s =
        "quad 390 c49 a1 at 0,0 size 1024x768 texel 0,0..1024,768 u1 m5\n"
        "frame1 9 centre 285,89 width 300 c0\n"
        "string c45 at 142,86 wrap 9999 font 100 align 0 '/data/Skylume/'\n"
        "string c46 at 134,112 wrap 9999 font 100 align 0 'Click on the 'DESTINATION' button below to choose the "
        "copy of Skylume you wish to update, or choose the destination you wish to install a new copy of Skylume "
        "to!'\n";
    if (destination) s += "quad 389 c102 a1 at 10,78 size 126x22 texel 513,166..639,188 u1 m5\n";
    s += "action centre 50,750 width -1 01 'preferences' '-'\n"
         "quad 389 c102 a1 at 0,595 size 128x86 texel 644,33..772,119 u1 m5\n"
         "quad 389 c102 a1 at 29,608 size 64x64 texel 0,66..64,130 u1 m5\n"
         "frame2 20 at 135,600 size 790x72 '" + title + "'\n"
         "frame2 20 at 935,600 size 80x72 'Disk Reqmt'\n"
         "string c46 at 954,635 wrap 700 font 100 align 0 '" + need + "'\n";
    return s;
}

const std::string install_live = "quad 389 c102 a1 at 450,78 size 83x22 texel 640,166..723,188 u1 m5\n";
const std::string buy_exit = "quad 389 c102 a1 at 700,78 size 116x22 texel 822,235..938,257 u1 m5\n"
                             "quad 389 c102 a1 at 960,78 size 51x22 texel 780,166..831,188 u1 m5\n";

std::string bottom(const std::string& l1, const std::string& l2, const std::string& l3, int c = 46)
{
    const std::string col = "c" + std::to_string(c);
    return "frame2 20 at 135,32 size 880x40 ''\n"
           "string " + col + " at 144,58 wrap 9999 font 100 align 0 '" + l1 + "'\n"
           "string " + col + " at 144,48 wrap 9999 font 100 align 0 '" + l2 + "'\n"
           "string " + col + " at 144,38 wrap 9999 font 100 align 0 '" + l3 + "'\n"
           "frame1 4 centre 574,15 width 884 c0\n";
}

TEST_F(ScreenLayout, LookingForTheDisc)
{
    EXPECT_EQ(frame(), top("", "0.0 Meg", true) +
                           "string c46 at 154,615 wrap 700 font 100 align 0 'I am looking for an Skylume DVD now...'\n" +
                           install_live + buy_exit +
                           bottom("I am figuring out what the latest version of Skylume is right now...",
                                  "This may take a moment as I download the latest list of Skylume files...", ""));
}

TEST_F(ScreenLayout, ReadyToInstall)
{
    screen_ready();
    EXPECT_EQ(frame(),
              top("DVD: Skylume 9.70", "250.0 Meg", true) +
                  "string c46 at 154,615 wrap 700 font 100 align 0 'NOT INSTALLED in the selected directory!'\n" +
                  install_live + buy_exit +
                  "frame2 20 at 135,32 size 880x40 ''\n"
                  "string c46 at 144,58 wrap 9999 font 100 align 0 'You are about to install 250.0 Meg of files to "
                  "get Skylume 9.70.'\n"
                  "string c46 at 144,48 wrap 9999 font 100 align 0 'You have 4.7 Gig of drive space available for "
                  "the selected directory.'\n"
                  "string c13 at 144,38 wrap 9999 font 100 align 0 'You may install at will.'\n"
                  "frame1 4 centre 574,15 width 884 c0\n");
}

TEST_F(ScreenLayout, Installing)
{
    screen_ready();
    ins_screen.tot_disk_req = 40000;
    ins_screen.tot_disk_req_str = "40.0 Meg";
    stg.run_phase = run_installing;
    sim_info.resize(1000);
    next.disk_kb_done = 12000;
    next.stream_file[0] = 250;
    next.start_time = 0;
    xtim.elapsed_time = 100;
    crnt_file_name = "a.txt.zip";
    stg.file_action = file_act_install;
    EXPECT_EQ(frame(),
              top("DVD: Skylume 9.70", "250.0 Meg", false) +
                  "string c46 at 154,615 wrap 700 font 100 align 0 'OK I am installing this now...'\n" + buy_exit +
                  bottom("Reading and installing file a.txt.zip.",
                         "30.0% done with the DVD install, having installed 12.0 Meg of 40.0 Meg for the DVD install.",
                         "About 5 minutes left in the install, installing at 120 kilobytes/second.") +
                  "frame1 5 centre 264,15 width 264 c0\n");
    EXPECT_EQ(script.log.size(), 4u); // the slice's steps on the stepped clock
}

// The slice that ends the run resets the streams before the frame's texts
// are made: the frame still shows the run as it finished, not the reset.
TEST_F(ScreenLayout, TheFrameThatEndsTheRunShowsItsFinishedFigures)
{
    screen_ready();
    ins_screen.tot_disk_req = 40000;
    ins_screen.tot_disk_req_str = "40.0 Meg";
    stg.run_phase = run_installing;
    sim_info.resize(1000);
    next.disk_kb_done = 40000;
    next.stream_file[0] = 1000; // past the last history
    next.start_time = 0;
    xtim.elapsed_time = 100;
    crnt_file_name = "z.txt.zip";
    stg.file_action = file_act_install;
    script.grab_answers = {1}; // the first step ends the run
    EXPECT_EQ(frame(),
              top("DVD: Skylume 9.70", "250.0 Meg", false) +
                  "string c46 at 154,615 wrap 700 font 100 align 0 'OK I am installing this now...'\n" + buy_exit +
                  bottom("Reading and installing file z.txt.zip.",
                         "100.0% done with the DVD install, having installed 40.0 Meg of 40.0 Meg for the DVD install.",
                         "About 0 seconds left in the install, installing at 400 kilobytes/second.") +
                  "frame1 5 centre 574,15 width 884 c0\n");
    EXPECT_EQ(script.log, (std::vector<std::string>{"grab_files", "reset_streams"}));
    EXPECT_EQ(stg.run_phase, run_done);
    EXPECT_EQ(next.disk_kb_done, 0) << "the streams were reset in the slice, as before";
}

TEST_F(ScreenLayout, CompletedWithItsAlertOnce)
{
    screen_ready();
    stg.run_phase = run_done;
    ins_screen.run_complete = 1;
    EXPECT_EQ(frame(),
              top("DVD: Skylume 9.70", "250.0 Meg", true) +
                  "string c13 at 154,615 wrap 700 font 100 align 0 'INSTALLATION COMPLETE!'\n" + buy_exit +
                  bottom("INSTALLATION COMPLETE!", "", ""));
    frame();
    EXPECT_EQ(script.log, std::vector<std::string>{"completion_alert"});

    // INSTALL again: a second installation completed in this run of the
    // program raises no alert.
    script.make = 0; // the fakes stop the run at once; the flag is what counts
    {
        screen_fakes fakes(script);
        INS_install_command();
    }
    EXPECT_EQ(ins_screen.informed, 1);
    EXPECT_EQ(std::count(script.log.begin(), script.log.end(), "completion_alert"), 1);
}

TEST_F(ScreenLayout, FailedRun)
{
    screen_ready();
    stg.run_phase = run_done;
    stg.install_error = 1;
    next.all_done = 1; // an earlier run of this program completed: this one did not
    EXPECT_EQ(frame(),
              top("DVD: Skylume 9.70", "250.0 Meg", true) +
                  "string c46 at 154,615 wrap 700 font 100 align 0 'NOT INSTALLED in the selected directory!'\n" +
                  buy_exit +
                  bottom("The installation was not completed because an error occurred.",
                         "Skylume is not fully installed or updated and may not run correctly.",
                         "Please try a different server, hard drive, or directory, or contact Customer Support for "
                         "help with this problem.",
                         69));
    EXPECT_TRUE(script.log.empty());
}

TEST_F(ScreenLayout, NoUsableManifest)
{
    screen_ready();
    stg.dir_phase = dir_missing;
    stg.disk_kb = 0;
    EXPECT_EQ(frame(), top("DVD: Skylume 9.70", "0.0 Meg", true) +
                           "string c1 at 154,615 wrap 700 font 100 align 0 'I need an Skylume DVD to install this "
                           "from the DVD! Buy it at www.skylume.example!'\n"
                           "quad 389 c102 a1 at 450,78 size 83x22 texel 640,166..723,188 u1 m5\n" +
                           buy_exit + bottom("", "", ""));
}

TEST_F(ScreenLayout, CommandsByPressPosition)
{
    struct row {
        const char* name;
        int run;
        float x, y;
        const char* call; // the first operation the press leads to; "" none
    } rows[] = {
        {"destination field, lower-left edge", run_idle, 135, 79, "pick_dest_path"},
        {"destination field, upper-right edge", run_done, 435, 99, "pick_dest_path"},
        {"just outside the field", run_idle, 435.5f, 99, ""},
        {"field while installing", run_installing, 200, 90, "grab_files"},
        {"DESTINATION button", run_idle, 10, 78, "pick_dest_path"},
        {"INSTALL", run_idle, 533, 100, "reset_streams"},
        {"INSTALL is not drawn once done", run_done, 460, 85, ""},
        {"BUY ONLINE", run_done, 750, 90, "go_to_URL http://www.skylume.example/store/"},
        {"EXIT", run_installing, 1011, 100, "reset_streams"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        fresh_screen();
        screen_ready();
        stg.run_phase = r.run;
        script.log.clear();
        press(r.x, r.y);
        frame();
        const std::string first = script.log.empty() ? "" : script.log.front();
        EXPECT_EQ(first, r.call);
    }
    EXPECT_EQ(app_done, 1); // the EXIT row
}

TEST_F(ScreenLayout, ARedInstallButtonDoesNothing)
{
    screen_ready();
    stg.dir_phase = dir_missing;
    press(460, 85);
    const std::string drawn = frame();
    EXPECT_NE(drawn.find("quad 389 c102 a1 at 450,78 size 83x22 texel 640,166..723,188"), std::string::npos);
    EXPECT_TRUE(script.log.empty());
    screen_ready();
    script.free = 1000; // 1 MB free for 250 MB: red from the frame after the summary said so
    frame();
    EXPECT_EQ(ins_screen.disk_space_avail, 0);
    press(460, 85);
    frame();
    EXPECT_TRUE(script.log.empty());
}

// The free space is weighed against what the files take on the file system
// (whole fragments, new folders), not against their content alone.
TEST_F(ScreenLayout, FreeSpaceIsWeighedAgainstTheRoomTheFilesTake)
{
    screen_ready();             // 250 MB of content
    stg.disk_need_kb = 400000;  // 400 MB on the disk
    script.free = 300000;
    const std::string drawn = frame();
    EXPECT_NE(drawn.find("'You don't have enough disk space to install this!'"), std::string::npos) << drawn;
    EXPECT_NE(drawn.find("'250.0 Meg'"), std::string::npos) << "the requirement shown is the content, as before";
    EXPECT_EQ(ins_screen.disk_space_avail, 0);
    script.free = 400001;
    frame();
    EXPECT_EQ(ins_screen.disk_space_avail, 1);
}

TEST_F(ScreenLayout, NoDiscAtStartKeepsLookingThenFindsOneInsertedLater)
{
    temp_dir disc;
    demo.mtab_path = disc / "no-mtab";
    demo.fixed_folders = {disc.path() + "/"};
    ASSERT_EQ(ENG_make_temp_folder(), 1);
    for (int i = 0; i < 3; ++i) { // ticks without a disc: no alert, still looking
        xtim.ot1 = 1;
        frame();
    }
    EXPECT_EQ(stg.dir_phase, dir_fetch);
    EXPECT_EQ(stg.server_count, -1);
    EXPECT_TRUE(alerts.alerts().empty());

    disc_file a;
    a.rel = "Resources/a.txt";
    a.data = "alpha";
    make_disc(disc.path() + "/", "Set", {a});
    xtim.ot1 = 1;
    frame();
    // Found, read, extracted and scanned in the one frame.
    EXPECT_EQ(dvd_path, disc.path() + "/");
    EXPECT_EQ(install_name, "Set");
    EXPECT_EQ(stg.dir_phase, dir_ready);
    EXPECT_EQ(script.log, std::vector<std::string>{"read_directory " + temp_path + "directory.txt"});
    EXPECT_TRUE(alerts.alerts().empty());
    ENG_remove_temp_folder();
    demo = demo_class{};
}

} // namespace
