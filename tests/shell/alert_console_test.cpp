// alert_console_test.cpp - the alert without GL: which form it takes (the
// console block, the window, nothing), what reaches the log with its location,
// the unattended form, alerts from worker threads, and the fatal forms in a
// child process with their exit status and output.
#include "foundation/cmdline.h"
#include "foundation/exce.h"
#include "foundation/hl_thread.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "shell/finishup.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// What the window form of the alert was handed, and on which thread.
struct window_call {
    int wind;
    alert_lines lines;
    int type;
    std::string location;
    std::thread::id thread;
};
std::vector<window_call> window_calls;

void record_window(int wind, const alert_lines& lines, int type, const std::string& location)
{
    window_calls.push_back({wind, lines, type, location, std::this_thread::get_id()});
}

// The shell's alert path with a recording window, a captured log and the
// memory report's file in a temporary folder.
class AlertPath : public ::testing::Test {
protected:
    temp_dir dir;
    xer_capture log;
    default_alert_handler handler;
    alert_window_fn previous_window = nullptr;
    std::string saved_app_path;

    void SetUp() override
    {
        HL_reset_globals();
        cmdline.clear();
        window_calls.clear();
        saved_app_path = app_path;
        app_path = dir.path() + "/";
        previous_window = MACIBM_set_alert_window_hook(record_window);
    }
    void TearDown() override
    {
        MACIBM_set_alert_window_hook(previous_window);
        app_path = saved_app_path;
        cmdline.clear();
        HL_reset_globals();
    }
};

const char* const memory_report = "OK check MemoryLog.txt! I just sent him a dump from ";

TEST_F(AlertPath, BeforeOpenGLTheConsoleBlockAndTheLog)
{
    struct row {
        int type;
        alert_lines lines;
        const char* console;
        bool logged;
    } rows[] = {
        {t_alert, {"Disk full", "on /dev/sda1", "", ""}, "Skysuite Error:\nDisk full\n\non /dev/sda1\n\n\n\n\n\nSorry.\n",
         true},
        {t_alert, {"", "", "", ""}, "Skysuite Error:\n\n\n\n\n\n\n\n\nSorry.\n", true}, // printed even when empty
        {t_language, {"", "", "", ""}, "Skysuite Error:\n\n\n\n\n\n\n\n\nSorry.\n", false},
        {7, {"odd", "", "", ""}, "Skysuite Error:\nodd\n\n\n\n\n\n\n\nSorry.\n", false},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.type);
        const std::string before = log.text();
        testing::internal::CaptureStdout();
        __MACIBM_alert(0, r.lines.l1, r.lines.l2, r.lines.l3, r.lines.l4, r.type, "ins_disk.cpp", -42);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), r.console);
        const std::string added = log.text().substr(before.size());
        if (!r.logged) {
            EXPECT_EQ(added, "");
            continue;
        }
        const std::string lines = "\n" + r.lines.l1 + "\n" + r.lines.l2 + "\n\n\n(ins_disk.cpp line -42)\n";
        EXPECT_EQ(added.find(memory_report), 0u);
        EXPECT_EQ(added.substr(added.size() - lines.size()), lines) << "the lines after the memory report";
    }
    EXPECT_TRUE(window_calls.empty()) << "no window before OpenGL is ready";
}

TEST_F(AlertPath, OnceOpenGLIsReadyTheWindowShowsIt)
{
    ogl_inited = 1;
    testing::internal::CaptureStdout();
    MACIBM_alert(0, "Cannot read the manifest", "directory.txt", "", "", t_alert);
    const int line = __LINE__ - 1;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_EQ(window_calls.size(), 1u);
    EXPECT_EQ(window_calls[0].lines.l2, "directory.txt");
    EXPECT_EQ(window_calls[0].type, t_alert);
    EXPECT_EQ(window_calls[0].location, MACIBM_alert_location(__FILE__, line));
    EXPECT_NE(log.text().find("\nCannot read the manifest\ndirectory.txt\n\n\n("), std::string::npos)
        << "a notice is logged once dismissed";
}

TEST_F(AlertPath, EmptyLinesShowNothingButALanguageQuestionIsStillAsked)
{
    ogl_inited = 1;
    testing::internal::CaptureStdout();
    MACIBM_alert(0, "", "", "", "", t_alert);
    MACIBM_alert(-1, "", "", "", "", t_language);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_EQ(window_calls.size(), 1u);
    EXPECT_EQ(window_calls[0].type, t_language);
    EXPECT_EQ(window_calls[0].wind, -1);
    const std::string text = log.text();
    EXPECT_NE(text.find("\n\n\n\n\n(" + std::string(__FILE__)), std::string::npos) << "the empty notice is logged";
    EXPECT_EQ(text.find(memory_report), text.rfind(memory_report)) << "the language question is not";
}

TEST_F(AlertPath, UnattendedNoticesOnlyLog)
{
    ogl_inited = 1;
    cmdline.init_win("--fps_test=3");
    const std::string before = log.text(); // the option store logs what it read
    testing::internal::CaptureStdout();
    MACIBM_alert(0, "a", "b", "c", "d", t_alert);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(window_calls.empty());
    EXPECT_EQ(log.text().substr(before.size()), "a\nb\nc\nd\n" + MACIBM_alert_location(__FILE__, __LINE__ - 3) + "\n");
}

// A worker never shows an alert: the record travels to the main thread,
// which shows it in the window on its next check.
TEST_F(AlertPath, AWorkersAlertIsShownOnTheMainThread)
{
    ogl_inited = 1;
    THREAD_init();
    std::thread worker([] { MACIBM_alert(0, "Download stalled", "", "", "", t_alert); });
    worker.join();
    EXPECT_TRUE(window_calls.empty()) << "nothing shown from the worker";
    THREAD_check_exception(1);
    ASSERT_EQ(window_calls.size(), 1u);
    EXPECT_EQ(window_calls[0].lines.l1, "Download stalled");
    EXPECT_EQ(window_calls[0].thread, std::this_thread::get_id());
    THREAD_shutdown();
}

// ---- fatal forms, each in a child process ---------------------------------------------

// The steps of the ordered exit, written to standard error as they run.
finishup_calls printing_steps()
{
    finishup_calls c{};
    c.save_prefs = [] { std::fprintf(stderr, "[prefs]"); };
    c.save_keys = [] { std::fprintf(stderr, "[keys]"); };
    c.stop_threads = [] { std::fprintf(stderr, "[threads]"); };
    c.setres = [] { std::fprintf(stderr, "[setres]"); };
    c.nuke_context = [](int i) { std::fprintf(stderr, "[nuke %d]", i); };
    c.close_log = [] { std::fprintf(stderr, "[log]"); };
    c.ungrab_keyboard = [] { std::fprintf(stderr, "[ungrab]"); };
    return c;
}

// In the child: standard output joins standard error, the window's exit is installed.
void child_setup()
{
    dup2(2, 1);
    MACIBM_set_finishup_hook(MACIBM_window_finishup);
    MACIBM_set_finishup_calls(printing_steps());
}

using AlertPathDeathTest = AlertPath;

TEST_F(AlertPathDeathTest, AFatalAlertAfterTheWindowExitsWithoutSavingAndAborts)
{
    EXPECT_EXIT(
        {
            child_setup();
            ogl_inited = 1;
            mnw.display = &mnw; // a display and a made window, as the recorder sees them
            mnw.xwin[0] = 7;
            MACIBM_set_alert_window_hook([](int, const alert_lines&, int, const std::string& where) {
                std::fprintf(stderr, "[window %s]", where.c_str());
            });
            MACIBM_alert(0, "No GL context", "", "", "", t_exit);
        },
        testing::KilledBySignal(SIGABRT), "^\\[window \\(.*alert_console_test.cpp line [0-9]+\\)\\]"
                                          "\\[setres\\]\\[nuke 0\\]\\[log\\]\\[ungrab\\]$");
}

TEST_F(AlertPathDeathTest, AnAlertRaisedInsideTheWindowIsRecursiveAndEndsTheProgram)
{
    EXPECT_EXIT(
        {
            child_setup();
            ogl_inited = 1;
            MACIBM_set_alert_window_hook([](int, const alert_lines&, int, const std::string&) {
                MACIBM_alert(0, "Menu index out of range in create_menu!", "", "", "", t_alert);
            });
            MACIBM_alert(0, "outer", "", "", "", t_alert);
        },
        testing::KilledBySignal(SIGABRT),
        "^Skysuite Error:\nMenu index out of range in create_menu!\n\n\n\n\n\n\n\nSorry.\n\\[log\\]$");
}

// Early in start-up nothing exists yet: the exit skips every step but the log.
TEST_F(AlertPathDeathTest, AFatalAlertBeforeAnyWindowPrintsAndEndsCleanly)
{
    EXPECT_EXIT(
        {
            child_setup();
            MACIBM_alert(0, "Cannot open the log", "", "", "", t_exit);
        },
        testing::KilledBySignal(SIGABRT), "^Skysuite Error:\nCannot open the log\n\n\n\n\n\n\n\nSorry.\n\\[log\\]$");
}

TEST_F(AlertPathDeathTest, AnUnattendedFatalAlertExitsWithStatusOneWithoutTheExit)
{
    EXPECT_EXIT(
        {
            child_setup();
            cmdline.init_win("--fps_test");
            ogl_inited = 1;
            MACIBM_alert(0, "fatal", "", "", "", t_exit);
        },
        testing::ExitedWithCode(1), "^$");
}

// A worker's record reported off the main thread ends the process there,
// saving, without touching X, GL or the thread layer from that thread.
TEST_F(AlertPathDeathTest, AReportOffTheMainThreadEndsWithoutXOrGL)
{
    EXPECT_EXIT(
        {
            child_setup();
            ogl_inited = 1;
            mnw.display = &mnw;
            mnw.xwin[0] = 7;
            THREAD_init();
            std::thread worker([] {
                exce_class record("Thread failed", "", "", "", "worker.cpp", 3, t_exit);
                record.Report();
            });
            worker.join();
        },
        testing::ExitedWithCode(0), "^\\[prefs\\]\\[keys\\]$");
}

} // namespace
