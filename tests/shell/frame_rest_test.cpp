// frame_rest_test.cpp - a picture that holds still: frames of the loop that
// draw and swap nothing until input, a window switch, a wake time or a held
// button changes it; a dialog that asks before it draws; the waits of a
// still, a busy and an ordinary frame.
#include "foundation/frame_pace.h"
#include "shell_fixture.h"

namespace shellfx {
namespace {

void hold() { fpace.hold_still(); }
void hold_and_wake_soon()
{
    fpace.hold_still();
    fpace.wake_in(0.1);
}

TEST_F(ShellTest, AStillMainScreenIsDrawnAgainOnlyWhenSomethingChanges)
{
    calls.on_update = hold;
    frames();
    calls.log.clear();
    src.waits.clear();
    frames(100);
    EXPECT_TRUE(calls.log.empty()) << "no update and no swap while nothing changed";
    EXPECT_EQ(src.waits, std::vector<long>(100, 16000)) << "each idle frame waits for input";
    EXPECT_EQ(xtim.frame_count, 101) << "the loop itself went on";

    src.button(ButtonPress, 1);
    src.button(ButtonRelease, 1);
    frames(10);
    EXPECT_EQ(calls.log, (std::vector<std::string>{"focus", "update", "swap"}));
    EXPECT_EQ(calls.update_sees_down, 1);
}

TEST_F(ShellTest, WhatWakesAStillPicture)
{
    struct row {
        const char* what;
        void (*update)();
        std::function<void(scripted_source&)> act;
        int idle_frames; // before the change is due
    } rows[] = {
        {"pointer motion", hold, [](scripted_source& s) { s.motion(3, 4); }, 0},
        {"a key", hold, [](scripted_source& s) { s.key(KeyPress, 38), s.key(KeyRelease, 38); }, 0},
        {"a window switch", hold, [](scripted_source&) { MACIBM_startwind(win_main, 0); }, 0},
        {"a held button", hold, [](scripted_source&) { mnw.mouse_held = 1; }, 0},
        {"its wake time", hold_and_wake_soon, [](scripted_source&) {}, 5},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        calls.on_update = r.update;
        MACIBM_startwind(win_main, 0);
        frames();
        calls.log.clear();
        r.act(src);
        frames(r.idle_frames);
        EXPECT_EQ(count("update"), 0);
        frames();
        EXPECT_EQ(count("update"), 1);
        EXPECT_EQ(count("swap"), 1);
        mnw.mouse_held = 0;
        src.events.clear();
        frames(2);
    }
}

TEST_F(ShellTest, ADialogThatAsksDrawsOnlyWhenDueAndSeesAClickOnce)
{
    frames();
    MACIBM_startwind(win_eula, 0);
    calls.log.clear();
    int drawn = 0, saw_down = 0;
    auto pass = [&] {
        if (MACIBM_pass_due()) {
            ++drawn;
            saw_down += mnw.mouse_down;
        }
        frames();
    };
    for (int i = 0; i < 50; ++i) pass();
    EXPECT_EQ(drawn, 1) << "drawn when it opened, then still";
    EXPECT_EQ(count("swap"), 1);
    EXPECT_EQ(count("focus"), 1) << "a skipped pass keeps the focus ring of the picture shown";
    EXPECT_EQ(count("update"), 0);

    src.button(ButtonPress, 1);
    src.button(ButtonRelease, 1);
    for (int i = 0; i < 50; ++i) pass();
    EXPECT_EQ(drawn, 2);
    EXPECT_EQ(saw_down, 1) << "the pass after the press sees it, once";
    EXPECT_EQ(count("swap"), 2);
}

TEST_F(ShellTest, TheWaitOfAStillABusyAndAnOrdinaryFrame)
{
    struct row {
        const char* what;
        void (*update)();
        int max_cpu;
        long low, high;
    } rows[] = {
        {"ordinary", nullptr, 0, 16000, 16000},
        {"ordinary, full speed", nullptr, 1, 0, 0},
        {"still, full speed", hold, 1, 16000, 16000},
        {"still, a wake 5 ms away", [] { fpace.hold_still(), fpace.wake_in(0.005); }, 0, 4000, 5000},
        {"busy", [] { fpace.busy(); }, 0, 0, 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        calls.on_update = r.update;
        MACIBM_startwind(win_main, 0);
        frames();
        const long wait = MACIBM_paced_wait_usec(r.max_cpu, fpace.now());
        EXPECT_GE(wait, r.low);
        EXPECT_LE(wait, r.high);
    }
}

// A dialog drew its first picture before its first frame: that frame shows
// it without waiting for input; the alert's long wait, and the others' short
// one, come only after it. The main screen draws after its wait, as always.
TEST_F(ShellTest, ADialogsFirstPictureIsShownUnwaited)
{
    struct row {
        const char* what;
        int window;
        std::vector<long> waits; // of its first two frames; a frame that does not wait is not listed
    } rows[] = {
        {"the alert", win_alert, {160000}},
        {"a dialog", win_eula, {16000}},
        {"the main screen", win_main, {16000, 16000}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        MACIBM_startwind(win_main, 0);
        frames();
        MACIBM_startwind(r.window, 0);
        src.waits.clear();
        frames(2);
        EXPECT_EQ(src.waits, r.waits);
    }
    MACIBM_startwind(win_main, 0);
}

} // namespace
} // namespace shellfx
