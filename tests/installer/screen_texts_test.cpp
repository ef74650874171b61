// screen_texts_test.cpp - the main screen's texts and the bar's fill, as tables.
#include "installer/screen_texts.h"

#include "engine/stg.h"
#include "foundation/hl_types.h"
#include "ui/colr.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(StatusLine, FirstMatchingRowByPhase)
{
    const std::string need_disc = "I need an Skylume DVD to install this from the DVD! Buy it at www.skylume.example!";
    struct row {
        int complete, dir, run;
        const char* text;
        int colour;
    } rows[] = {
        {1, dir_ready, run_installing, "INSTALLATION COMPLETE!", col_status_done},
        {1, dir_fetch, run_idle, "INSTALLATION COMPLETE!", col_status_done},
        {0, dir_fetch, run_idle, "I am looking for an Skylume DVD now...", col_body_text},
        {0, dir_fetch, run_installing, "I am looking for an Skylume DVD now...", col_body_text},
        {0, dir_scan, run_idle, "I am reading the Skylume DVD now...", col_body_text},
        {0, dir_missing, run_idle, need_disc.c_str(), col_status_disc},
        {0, dir_ready, run_installing, "OK I am installing this now...", col_body_text},
        {0, dir_ready, run_idle, "NOT INSTALLED in the selected directory!", col_body_text},
        {0, dir_ready, run_done, "NOT INSTALLED in the selected directory!", col_body_text},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.text);
        const screen_text t = INS_status_line({r.complete, r.dir, r.run});
        EXPECT_EQ(t.text, r.text);
        EXPECT_EQ(t.colour, r.colour);
    }
}

TEST(InstallSetTitle, EmptyUntilTheDiscNamedTheSet)
{
    EXPECT_EQ(INS_install_set_title(no_install_name), "");
    EXPECT_EQ(INS_install_set_title("Skylume 9.70"), "DVD: Skylume 9.70");
    EXPECT_EQ(INS_install_set_title(""), "DVD: ");
}

void expect_block(const message_block& b, const std::string (&texts)[3], const int (&colours)[3])
{
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(b.line[i].text, texts[i]);
        EXPECT_EQ(b.line[i].colour, colours[i]);
    }
}

TEST(SizeSummary, ByPhaseRequirementAndFreeSpace)
{
    const std::string fetch1 = "I am figuring out what the latest version of Skylume is right now...";
    const std::string fetch2 = "This may take a moment as I download the latest list of Skylume files...";
    const std::string latest1 = "Your copy of Skylume is already the latest version.";
    const std::string about = "You are about to install 250.0 Meg of files to get Skylume 9.70.";
    const int body = col_body_text;
    struct row {
        const char* name;
        int dir;
        double need, room, free_kb; // room: what the files take on the file system
        std::string texts[3];
        int colours[3];
    } rows[] = {
        {"fetching", dir_fetch, 250000, 250000, -1, {fetch1, fetch2, ""}, {body, body, body}},
        {"no manifest: never called up to date", dir_missing, 0, 0, -1, {"", "", ""}, {body, body, body}},
        {"scanning", dir_scan, 0, 0, -1, {"", "", ""}, {body, body, body}},
        {"examined, nothing needed",
         dir_ready,
         0,
         0,
         5e6,
         {latest1,
          "(Remember, the BETA installer only checks for the latest BETA version, and the FULL installer checks "
          "only for the latest FULL version of Skylume).",
          "This is a beta installer."},
         {body, body, body}},
        {"free space unknown", dir_ready, 250000, 250000, -1, {about, "", ""}, {body, body, body}},
        {"room enough",
         dir_ready,
         250000,
         250000,
         4700000,
         {about, "You have 4.7 Gig of drive space available for the selected directory.", "You may install at will."},
         {body, body, col_status_done}},
        {"too little room",
         dir_ready,
         250000,
         250000,
         1536,
         {about, "You have 1.5 Meg of drive space available for the selected directory.",
          "You don't have enough disk space to install this!"},
         {body, body, col_status_disc}},
        {"exactly the room needed is not enough",
         dir_ready,
         250000,
         250000,
         250000,
         {about, "You have 250.0 Meg of drive space available for the selected directory.",
          "You don't have enough disk space to install this!"},
         {body, body, col_status_disc}},
        // Small files take whole fragments: the content fits, what it takes on the disk does not.
        {"the content fits, its room does not",
         dir_ready,
         250000,
         400000,
         300000,
         {about, "You have 300.0 Meg of drive space available for the selected directory.",
          "You don't have enough disk space to install this!"},
         {body, body, col_status_disc}},
        {"a full disk is measured too",
         dir_ready,
         250000,
         250000,
         0,
         {about, "You have 0.0 Meg of drive space available for the selected directory.",
          "You don't have enough disk space to install this!"},
         {body, body, col_status_disc}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        expect_block(INS_size_summary({r.dir, r.need, r.room, r.free_kb, "250.0 Meg", "Skylume 9.70"}), r.texts,
                     r.colours);
    }
}

TEST(SizeSummary, SpaceVerdict)
{
    EXPECT_EQ(INS_space_is_there(100, -1), 1); // not measured: never holds INSTALL back
    EXPECT_EQ(INS_space_is_there(0, 10), 1);
    EXPECT_EQ(INS_space_is_there(100, 101), 1);
    EXPECT_EQ(INS_space_is_there(100, 100), 0);
    EXPECT_EQ(INS_space_is_there(100, 50), 0);
    EXPECT_EQ(INS_space_is_there(100, 0), 0); // a full disk
}

TEST(InstalledFraction, ClampedAndNeverUndefined)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct row {
        double done, need;
        float want;
    } rows[] = {{0, 0, 0.0f}, {5, 0, 1.0f}, {-5, 100, 0.0f}, {50, 100, 0.5f}, {150, 100, 1.0f}, {nan, 100, 0.0f}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.done);
        EXPECT_FLOAT_EQ(INS_installed_fraction(r.done, r.need), r.want);
    }
}

progress_inputs progress(double passed, double elapsed, double done_kb = 12000)
{
    progress_inputs in;
    in.file_action = file_act_install;
    in.file_name = "a.txt.zip";
    in.disk_kb_done = done_kb;
    in.need_kb = 40000;
    in.need_str = "40.0 Meg";
    in.histories = 1000;
    in.passed = passed;
    in.elapsed = elapsed;
    return in;
}

TEST(TimeLeft, UnitsEdgesAndRate)
{
    // remaining / (passed / elapsed) with 1000 histories: passed 250 at 100 s gives 300 s.
    struct row {
        const char* name;
        double passed, elapsed;
        float fraction;
        const char* text;
    } rows[] = {
        {"worked example", 250, 100, 0.3f,
         "About 5 minutes left in the install, installing at 120 kilobytes/second."},
        {"1 % shows nothing", 250, 100, 0.01f, ""},
        {"just above 1 %", 250, 100, 0.0101f,
         "About 5 minutes left in the install, installing at 120 kilobytes/second."},
        {"119.9 s", 500, 119.9, 0.3f, "About 119 seconds left in the install, installing at 100 kilobytes/second."},
        {"exactly 120 s", 250, 40, 0.3f, "About 2 minutes left in the install, installing at 300 kilobytes/second."},
        {"7199 s", 100, 799.888889, 0.3f,
         "About 119 minutes left in the install, installing at 15 kilobytes/second."},
        {"exactly 7200 s", 100, 800, 0.3f, "About 2 hours left in the install, installing at 15 kilobytes/second."},
        {"under a second counts as one", 500, 0.2, 0.3f,
         "About 1 seconds left in the install, installing at 12000 kilobytes/second."},
        {"past the end", 1200, 10, 0.3f, "About 0 seconds left in the install, installing at 1200 kilobytes/second."},
        {"nothing passed: no estimate", 0, 10, 0.3f, ""},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(INS_time_left_line(progress(r.passed, r.elapsed), r.fraction), r.text);
    }
}

TEST(ProgressTexts, LineOneByFileAction)
{
    struct row {
        int action;
        const char* text;
    } rows[] = {
        {file_act_delete, "Deleting a.txt.zip because that file is no longer needed!"},
        {file_act_install, "Reading and installing file a.txt.zip."},
        {file_act_have,
         "duplicate filename through file a.txt.zip, but not installing it because you already have this file."},
        {file_act_skip, "Browsing through file a.txt.zip, but not installing it because you don't need this file."},
        {7, ""},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.action);
        progress_inputs in = progress(250, 100);
        in.file_action = r.action;
        EXPECT_EQ(INS_progress_texts(in).line[0].text, r.text);
    }
}

TEST(ProgressTexts, PercentAndSizesOnLineTwo)
{
    struct row {
        double done;
        const char* text;
    } rows[] = {
        {2000, " 5.0% done with the DVD install, having installed 2.0 Meg of 40.0 Meg for the DVD install."},
        {17000, "42.5% done with the DVD install, having installed 17.0 Meg of 40.0 Meg for the DVD install."},
        {40000, "100.0% done with the DVD install, having installed 40.0 Meg of 40.0 Meg for the DVD install."},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.done);
        const message_block b = INS_progress_texts(progress(250, 100, r.done));
        EXPECT_EQ(b.line[1].text, r.text);
        for (const screen_text& l : b.line) EXPECT_EQ(l.colour, col_body_text);
    }
}

TEST(DoneTexts, FailureCompletionOrNothing)
{
    const message_block failed = INS_done_texts(1, 0);
    EXPECT_EQ(failed.line[0].text, "The installation was not completed because an error occurred.");
    EXPECT_EQ(failed.line[2].colour, col_message_alarm);
    EXPECT_EQ(INS_done_texts(1, 1).line[0].text, failed.line[0].text); // an error always wins
    EXPECT_EQ(INS_done_texts(0, 1).line[0].text, "INSTALLATION COMPLETE!");
    EXPECT_EQ(INS_done_texts(0, 1).line[0].colour, col_body_text);
    // A run that ended without completing (EXIT, a newer manifest) claims nothing.
    EXPECT_EQ(INS_done_texts(0, 0).line[0].text, "");
}

TEST(RetryTexts, NameTheArchiveInRed)
{
    const message_block b = INS_retry_texts("/set/Top/a.txt.zip");
    EXPECT_EQ(b.line[0].text, "I can NOT download the file '/set/Top/a.txt.zip'!");
    EXPECT_EQ(b.line[2].text, "I am trying another server now to see if I can still get you a download...");
    for (const screen_text& l : b.line) EXPECT_EQ(l.colour, col_message_alarm);
}

TEST(BarFill, EvenCentresAndWidthsInFours)
{
    struct row {
        int installing;
        float fraction;
        int shown;
        float centre, width;
    } rows[] = {
        {1, 0.02f, 0, 0, 0},     {0, 0.5f, 0, 0, 0},        {1, 0.021f, 1, 142, 20},
        {1, 0.5f, 1, 354, 444},  {1, 1.0f, 1, 574, 884},    {1, 0.3f, 1, 264, 264},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.fraction);
        const bar_fill f = INS_bar_fill(r.installing, r.fraction);
        EXPECT_EQ(f.shown, r.shown);
        if (!r.shown) continue;
        EXPECT_FLOAT_EQ(f.centre, r.centre);
        EXPECT_FLOAT_EQ(f.width, r.width);
    }
}

} // namespace
