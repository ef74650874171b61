// frame_test.cpp - the frame loop and the X11 event translation fed by a
// scripted event source: the first frame, per-frame flags seen by exactly one
// drawing pass, key names and modifiers, the wheel, the click at the last
// motion position with y flipped, one pointer query per drain, no sleep while
// events are queued, the order of a frame, and the main-screen notices.
#include "shell_fixture.h"

#include "shell/close_request.h"

#include <cstdio>

namespace shellfx {
namespace {

TEST_F(ShellTest, FirstFrameOpensTheMainScreenBeforeWaiting)
{
    frames();
    EXPECT_EQ(mnw.cur_wind, 0);
    EXPECT_EQ(mnw.modal, 0);
    EXPECT_EQ(mnw.wind_dx, 1024);
    EXPECT_EQ(mnw.wind_dy, 768);
    EXPECT_EQ(mnw.menu_open, -1);
    EXPECT_EQ(plot_init_lights, 1);
    EXPECT_EQ(xtim.frame_count, 1);
    EXPECT_EQ(src.waits, (std::vector<long>{16000}));
}

TEST_F(ShellTest, AFrameRunsItsStagesInOrder)
{
    frames(3);
    const std::vector<std::string> one = {"focus", "update", "swap"};
    std::vector<std::string> want;
    for (int i = 0; i < 3; ++i) want.insert(want.end(), one.begin(), one.end());
    EXPECT_EQ(calls.log, want);
    EXPECT_EQ(xtim.frame_count, 3);
}

TEST_F(ShellTest, WaitDependsOnWindowAndFullSpeed)
{
    struct row { int wind; int max_cpu; long usec; } rows[] = {
        {0, 0, 16000}, {0, 1, 0}, {1, 0, 16000}, {995, 0, 160000}, {995, 1, 160000},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.wind);
        mnw.cur_wind = r.wind;
        EXPECT_EQ(MACIBM_frame_wait_usec(r.max_cpu), r.usec);
    }
}

TEST_F(ShellTest, QueuedEventsSkipTheWait)
{
    frames();
    src.key(KeyPress, 38);
    frames();
    EXPECT_EQ(src.waits.size(), 1u) << "the frame with a queued key must not sleep";
    frames();
    EXPECT_EQ(src.waits.size(), 2u);
}

TEST_F(ShellTest, PressAndReleaseInOneFrameAreSeenByExactlyOnePass)
{
    frames();
    src.motion(10, 10);
    src.button(ButtonPress, 1);
    src.button(ButtonRelease, 1);
    src.key(KeyPress, 36);
    src.key(KeyRelease, 36);
    frames(3);
    EXPECT_EQ(calls.update_sees_down, 1);
    EXPECT_EQ(calls.update_sees_up, 1);
    EXPECT_EQ(calls.update_sees_key, 1);
    EXPECT_EQ(calls.update_sees_return, 1);
    EXPECT_EQ(mnw.mouse_held, 0);
    EXPECT_EQ(mnw.key_down, 0);
}

TEST_F(ShellTest, ClickLandsAtTheLastMotionWithYFlipped)
{
    frames();
    src.motion(100, 700);
    src.button(ButtonPress, 1);
    frames();
    EXPECT_FLOAT_EQ(mnw.mouse_x, 100);
    EXPECT_FLOAT_EQ(mnw.mouse_y, 68);
    EXPECT_EQ(mnw.mouse_wind, 0);

    MACIBM_startwind(win_alert, 0); // origin 302, 259
    MACIBM_load_mxy(0, 100, 700);
    EXPECT_FLOAT_EQ(mnw.mouse_x, -202);
    EXPECT_FLOAT_EQ(mnw.mouse_y, -191);
    EXPECT_EQ(mnw.mouse_wind, win_alert);
}

TEST_F(ShellTest, PointerIsQueriedOncePerDrain)
{
    frames();
    for (int i = 0; i < 50; ++i) src.motion(i, i);
    frames();
    EXPECT_EQ(src.pointer_queries, 1);
    EXPECT_FLOAT_EQ(mnw.mouse_x, 49);

    // A press after motion needs the position first; motion after it, once more.
    src.motion(5, 5);
    src.button(ButtonPress, 1);
    src.motion(7, 7);
    src.motion(8, 8);
    frames();
    EXPECT_EQ(src.pointer_queries, 3);

    frames(); // no motion: no query
    EXPECT_EQ(src.pointer_queries, 3);
}

TEST_F(ShellTest, WheelCountsPressesOnlyAndPersists)
{
    frames();
    const int before = mnw.wheel;
    for (int i = 0; i < 3; ++i) {
        src.button(ButtonPress, 4);
        src.button(ButtonRelease, 4);
    }
    src.button(ButtonPress, 5);
    frames();
    EXPECT_EQ(mnw.wheel, before + 2);
    EXPECT_EQ(calls.update_sees_down, 0);
    EXPECT_EQ(calls.update_sees_up, 0);
    frames(2);
    EXPECT_EQ(mnw.wheel, before + 2) << "unused wheel steps stay counted";
    MACIBM_startwind(win_main, 0);
    EXPECT_EQ(mnw.wheel, 0);
}

// Before any motion the mouse is at (0, 0), the corner of every unused menu
// slot: the press must still reach the application.
TEST_F(ShellTest, ButtonsOneToThreeClick)
{
    frames();
    for (unsigned b : {1u, 2u, 3u}) {
        SCOPED_TRACE(b);
        calls.update_sees_down = 0;
        src.button(ButtonPress, b);
        frames();
        EXPECT_EQ(calls.update_sees_down, 1);
    }
}

TEST_F(ShellTest, ModifierKeysOnlyChangeTheirState)
{
    struct row { int keycode; int* flag; } rows[] = {
        {50, &linkey_shft}, {62, &linkey_shft}, {37, &linkey_ctrl}, {64, &linkey_optn},
    };
    frames();
    for (const row& r : rows) {
        SCOPED_TRACE(r.keycode);
        src.key(KeyPress, r.keycode);
        frames();
        EXPECT_EQ(*r.flag, 1);
        EXPECT_EQ(calls.update_sees_key, 0);
        src.key(KeyRelease, r.keycode);
        frames();
        EXPECT_EQ(*r.flag, 0);
    }
    EXPECT_EQ(has_shiftkey(), 0);
    EXPECT_EQ(has_capslock(), 0);
    EXPECT_EQ(keys.last_vkey, 0) << "no modifier reached the keyboard layer";
}

TEST_F(ShellTest, SuperPressIsIgnoredButItsReleaseGoesOn)
{
    frames();
    src.key(KeyPress, 38);
    frames();
    EXPECT_EQ(mnw.key_down, 1);
    src.key(KeyPress, 133);
    frames();
    EXPECT_EQ(calls.update_sees_key, 1) << "Super is no key hit";
    src.key(KeyRelease, 133);
    frames();
    EXPECT_EQ(mnw.key_down, 0) << "its release is a key release like any other";
}

TEST_F(ShellTest, NamelessKeysAndUnknownEventsAreReportedAndDropped)
{
    frames();
    testing::internal::CaptureStdout();
    src.key(KeyPress, 200);
    src.key(KeyRelease, 200);
    src.other(Expose);
    src.other(ClientMessage);
    src.other(MapNotify);
    src.other(ConfigureNotify);
    frames();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("X11 gave us a key press with no keysym string!"), std::string::npos);
    EXPECT_NE(out.find("X11 gave us a key release with no keysym string!"), std::string::npos);
    EXPECT_NE(out.find(std::string("appeared, to ") + maker_support_address + ". Event ---> 12\n"), std::string::npos);
    EXPECT_NE(out.find("Event ---> 33\n"), std::string::npos);
    EXPECT_EQ(out.find("Event ---> 19"), std::string::npos);
    EXPECT_EQ(calls.update_sees_key, 0);
}

TEST_F(ShellTest, VisibilityReopensAndDestroyReturnsToMain)
{
    frames();
    MACIBM_startwind(win_prefs, 0);
    mnw.wheel = 3;
    src.other(VisibilityNotify);
    frames();
    EXPECT_EQ(mnw.cur_wind, win_prefs);
    EXPECT_EQ(mnw.wheel, 0);
    src.other(DestroyNotify);
    frames();
    EXPECT_EQ(mnw.cur_wind, win_main);
}

TEST_F(ShellTest, DialogKeepsTheApplicationFromUpdatingButStillSwaps)
{
    frames();
    MACIBM_startwind(win_eula, 0);
    calls.log.clear();
    frames(2);
    EXPECT_EQ(count("update"), 0);
    EXPECT_EQ(count("swap"), 2);
}

TEST_F(ShellTest, TextureFailuresAreToldOnceEachInOrder)
{
    calls.failing[tex_fail_scenery_kind] = 1;
    calls.failing[tex_fail_plane_kind] = 1;
    frames(3);
    ASSERT_EQ(alerts.alerts().size(), 2u);
    EXPECT_EQ(alerts.alerts()[0].lines.l1, "Some scenery textures could not be loaded.");
    EXPECT_EQ(alerts.alerts()[0].line, 1554);
    EXPECT_EQ(alerts.alerts()[0].file, "hl_mnw");
    EXPECT_EQ(alerts.alerts()[1].lines.l1, "Some textures for the aircraft you selected could not be loaded.");
    EXPECT_EQ(alerts.alerts()[1].lines.l3, "Please see the log.txt file for a detailed list of missing files.");
    EXPECT_EQ(alerts.alerts()[1].type, t_alert);
}

TEST_F(ShellTest, TextureFailuresWaitWhileADialogIsOpen)
{
    frames();
    MACIBM_startwind(win_eula, 0);
    calls.failing[tex_fail_instl_kind] = 1;
    frames();
    EXPECT_TRUE(alerts.alerts().empty());
    MACIBM_startwind(win_main, 0);
    frames();
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].lines.l2,
              "This may be an installation problem.  Run the installer/updater again to get these missing textures.");
}

// A dialog opened from inside the application's frame runs nested frames and
// returns into the outer one, which then completes.
void open_modal_dialog()
{
    seen->on_update = nullptr;
    MACIBM_startwind(win_eula, 0);
    int passes = 0;
    while (mnw.cur_wind == win_eula) {
        if (++passes == 3) MACIBM_startwind(win_main, 0);
        MACIBM_event_proc();
    }
}

TEST_F(ShellTest, ModalLoopInsideTheApplicationFrameNests)
{
    frames();
    calls.on_update = open_modal_dialog;
    calls.log.clear();
    frames();
    // Outer update, two nested frames without update, the returning nested frame
    // runs the update again (window 0), then the outer frame swaps.
    EXPECT_EQ(count("swap"), 4);
    EXPECT_EQ(mnw.cur_wind, win_main);
    EXPECT_EQ(xtim.frame_count, 5);
}

// A dialog opened from the application's frame, closed by the window
// manager in its second frame; then the step that opened it asks for another.
void dialog_met_by_a_close()
{
    seen->on_update = nullptr;
    MACIBM_startwind(win_eula, 0);
    int passes = 0;
    while (mnw.cur_wind == win_eula) {
        if (++passes == 2) MACIBM_request_close(); // as the X layer hands it over among this frame's events
        if (passes == 20) MACIBM_startwind(win_main, 0); // the user's answer, had the close not ended it
        MACIBM_event_proc();
    }
    seen->log.push_back("dialog ended after " + std::to_string(passes));
    MACIBM_startwind(win_prefs, 0);
    seen->log.push_back(mnw.cur_wind == win_main ? "no dialog opens" : "a dialog opened");
}

void record_quit() { seen->log.push_back("quit in window " + std::to_string(mnw.cur_wind)); }

// The close ends the dialog at the end of the frame that saw it, keeps any
// other from opening, and runs the quit command once, in the next frame of
// the main loop, where nothing pressed with it acts.
TEST_F(ShellTest, ACloseEndsTheDialogThenQuitsOnceFromTheMainScreen)
{
    const close_request_fn previous = MACIBM_set_close_request_hook(record_quit);
    frames();
    calls.on_update = dialog_met_by_a_close;
    calls.log.clear();
    frames();
    EXPECT_EQ(count("quit in window 0"), 0) << "the quit ran inside the dialog's step";
    const std::vector<std::string> steps(calls.log.end() - 3, calls.log.end());
    EXPECT_EQ(steps, (std::vector<std::string>{"dialog ended after 2", "no dialog opens", "swap"}));

    src.button(ButtonPress, 1);
    src.button(ButtonRelease, 1);
    calls.log.clear();
    frames(3);
    EXPECT_EQ(count("quit in window 0"), 1);
    EXPECT_EQ(calls.log.front(), "quit in window 0");
    EXPECT_EQ(calls.update_sees_down, 0);
    EXPECT_EQ(MACIBM_closing(), 1);
    MACIBM_set_close_request_hook(previous);
}

} // namespace
} // namespace shellfx
