// finishup_test.cpp - the ordered exit through a call recorder: the order of
// its steps, each step skipped when what it undoes was never made, a second
// run, the run off the main thread; and the language's text folder.
#include "foundation/cmdline.h"
#include "foundation/hl_thread.h"
#include "foundation/hl_types.h"
#include "shell/finishup.h"
#include "shell/language.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::string>* steps;

finishup_calls recording_steps()
{
    finishup_calls c{};
    c.save_prefs = [] { steps->push_back("prefs"); };
    c.save_keys = [] { steps->push_back("keys"); };
    c.stop_threads = [] { steps->push_back("threads"); };
    c.setres = [] { steps->push_back("setres"); };
    c.nuke_context = [](int i) { steps->push_back("nuke " + std::to_string(i)); };
    c.close_log = [] { steps->push_back("log"); };
    c.ungrab_keyboard = [] { steps->push_back("ungrab"); };
    return c;
}

class Finishup : public ::testing::Test {
protected:
    std::vector<std::string> seen;
    finishup_calls previous{};

    void SetUp() override
    {
        HL_reset_globals();
        cmdline.clear();
        steps = &seen;
        previous = MACIBM_set_finishup_calls(recording_steps());
    }
    void TearDown() override
    {
        if (THREAD_is_inited()) THREAD_shutdown();
        MACIBM_set_finishup_calls(previous);
        cmdline.clear();
        HL_reset_globals();
        steps = nullptr;
    }
    // The records of a display with a made main window and context.
    static void window_made()
    {
        mnw.display = &mnw;
        mnw.xwin[0] = 11;
        mnw.glx_ctx[0] = &mnw;
        ogl_inited = 1;
    }
};

using steps_list = std::vector<std::string>;

TEST_F(Finishup, StepsRunInOrderAndSkipWhatWasNeverMade)
{
    struct row {
        const char* name;
        int save;
        bool fps_test, threads, display, window, second_monitor;
        steps_list expected;
    } rows[] = {
        {"save, all made", 1, false, true, true, true, false,
         {"prefs", "keys", "threads", "setres", "nuke 0", "log", "ungrab"}},
        {"no save", 0, false, true, true, true, false, {"setres", "nuke 0", "log", "ungrab"}},
        {"unattended save", 1, true, true, true, true, false, {"threads", "setres", "nuke 0", "log", "ungrab"}},
        {"second monitor made", 0, false, false, true, true, true, {"setres", "nuke 1", "nuke 0", "log", "ungrab"}},
        {"no thread layer", 1, false, false, true, true, false,
         {"prefs", "keys", "setres", "nuke 0", "log", "ungrab"}},
        {"display but no window", 0, false, false, true, false, false, {"setres", "log", "ungrab"}},
        {"nothing made yet", 1, false, false, false, false, false, {"prefs", "keys", "log"}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        HL_reset_globals();
        seen.clear();
        cmdline.clear();
        if (r.fps_test) cmdline.init_win("--fps_test");
        if (r.threads) THREAD_init();
        if (r.display) mnw.display = &mnw;
        if (r.window) window_made();
        if (r.second_monitor) {
            mnw.sec_mon_made = 1;
            mnw.xwin[1] = 12;
        }
        MACIBM_window_finishup(r.save);
        EXPECT_EQ(seen, r.expected);
        if (THREAD_is_inited()) THREAD_shutdown(); // only a save stops it
    }
}

TEST_F(Finishup, WhatWasDestroyedIsGoneForASecondRun)
{
    window_made();
    MACIBM_window_finishup(0);
    EXPECT_EQ(mnw.xwin[0], 0u);
    EXPECT_EQ(mnw.glx_ctx[0], nullptr);
    EXPECT_EQ(ogl_inited, 0) << "nothing may draw without the context";
    seen.clear();
    MACIBM_window_finishup(0); // a recursive alert runs the exit again
    EXPECT_EQ(seen, (steps_list{"setres", "log", "ungrab"}));
}

TEST_F(Finishup, OffTheMainThreadOnlySaves)
{
    window_made();
    THREAD_init();
    std::thread worker([] { MACIBM_window_finishup(1); });
    worker.join();
    EXPECT_EQ(seen, (steps_list{"prefs", "keys"}));
    EXPECT_EQ(mnw.xwin[0], 11u) << "the window is the main thread's";
    EXPECT_EQ(THREAD_is_inited(), 1);
}

TEST(Language, TextFolderOfEachIndex)
{
    const struct {
        int lang;
        const char* folder;
    } rows[] = {{0, "text/english/"}, {1, "text/french/"}, {2, "text/german/"}, {3, "text/italian/"},
                {4, "text/spanish/"}, {5, "text/portugese/"}, {6, "text/korean/"}, {7, ""}, {-1, ""}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.lang);
        EXPECT_EQ(MACIBM_text_folder(r.lang), r.folder);
    }
}

} // namespace
