// alert_x_test.cpp - the alert window and the message box on a real X server
// (Xvfb with Mesa's software GL): the interface textures loaded as start-up
// loads them, input made by XTest from a second connection. An alert raised
// inside a frame opens, Return or a click on its button dismisses it, the
// mouse position comes back and the interrupted frame goes on; the language
// question; the message box's three answers and its deafness to Return.
// Pictures of the windows are left as "alert_*.png" in the build folder.
#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "foundation/xtim.h"
#include "shell/alert_window.h"
#include "shell/frame.h"
#include "shell/menus.h"
#include "shell/message_box.h"
#include "shell/shell_calls.h"
#include "shell/subwin.h"
#include "support/main_window.h"
#include "support/testkit.h"
#include "support/x_peer.h"
#include "ui/btn_draw.h"
#include "ui/btn_focus.h"
#include "ui/btn_frames.h"
#include "ui/keys.h"
#include "ui/ogl_sbuff.h"

#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

// What the frames did: the application's frames and the swaps, by window.
struct frame_log {
    std::vector<std::string> events; // "update", "swap 995", ...
    std::function<void()> on_update;
    std::function<void()> on_swap;
    std::set<std::string> pictures_wanted; // file names to take at the next swap in their window
    std::string picture_prefix;
};
frame_log* frames;

void note_update()
{
    frames->events.push_back("update");
    if (frames->on_update) frames->on_update();
}

void note_swap()
{
    frames->events.push_back("swap " + std::to_string(mnw.cur_wind));
    const std::string name = frames->picture_prefix + std::to_string(mnw.cur_wind) + ".png";
    if (frames->pictures_wanted.erase(name)) save_frame_png(name); // the back buffer, before the swap shows it
    if (frames->on_swap) frames->on_swap();
    OGL_sbuff();
}

class AlertWindow : public ::testing::Test {
protected:
    x_peer peer;
    frame_log log;
    shell_calls previous{};
    alert_window_fn previous_window = nullptr;
    finishup_fn previous_finishup = nullptr;
    colour_keeper colours;

    void SetUp() override
    {
        ASSERT_EQ(open_main_window(), "");
        load_interface_art();
        fresh_frame_loop();
        BTN_reset_focus();
        frames = &log;
        log.picture_prefix = std::string("alert_") + testing::UnitTest::GetInstance()->current_test_info()->name() + "_";
        previous = MACIBM_set_shell_calls(
            {note_update, nullptr, BTN_begin_focus_ring, BTN_zap_boxes, note_swap, nullptr, nullptr, nullptr});
        MACIBM_install_shell_hooks();
        BTN_install_focus_hooks();
        previous_window = MACIBM_set_alert_window_hook(nullptr);
        previous_finishup = MACIBM_set_finishup_hook(nullptr);
        MACIBM_install_alert_hooks();
        stls.text[601] = "Skysuite Installer";
        stls.text[603] = "OK";
        ogl_inited = 1;
        ASSERT_EQ(peer.open(), "");
        peer.move(100, 100); // into the window: without a window manager the keys follow the pointer
        settle_frames();
        log.events.clear();
    }
    void TearDown() override
    {
        peer.close();
        MACIBM_set_shell_calls(previous);
        MACIBM_set_alert_window_hook(previous_window);
        MACIBM_set_finishup_hook(previous_finishup);
        KEYS_set_handleclick_hook(nullptr);
        remove_focus_hooks();
        frames = nullptr;
        close_main_window();
    }

    // Screen pixel of a point in units of sub-window `id` (the main window sits at the screen's origin).
    static int screen_x(int id, float x)
    {
        const subwin_spec* s = MACIBM_subwin_spec(id);
        return static_cast<int>((1024 - s->dx) / 2 + x);
    }
    static int screen_y(int id, float y)
    {
        const subwin_spec* s = MACIBM_subwin_spec(id);
        return 768 - static_cast<int>((768 - s->dy) / 2 + y);
    }
    void want_picture(int id) { log.pictures_wanted.insert(log.picture_prefix + std::to_string(id) + ".png"); }
    int count(const std::string& what) const
    {
        int n = 0;
        for (const std::string& e : log.events) n += e == what;
        return n;
    }
};

// What the interrupted frame saw right after its alert returned.
struct after_alert {
    bool returned = false;
    int window = -2, return_flag = -1, down = -1, held = -1;
    float x = -1, y = -1, x_before = -2, y_before = -2;
};

TEST_F(AlertWindow, ReturnDismissesAnAlertRaisedInsideAFrameAndTheFrameGoesOn)
{
    xer_capture xlog;
    default_alert_handler handler;
    after_alert seen;
    want_picture(win_alert);
    log.on_update = [&] {
        if (seen.returned) return;
        seen.x_before = mnw.mouse_x;
        seen.y_before = mnw.mouse_y;
        peer.tap(XK_Return);
        MACIBM_alert(0, "The destination folder could not be written.", "/home/pilot/Skylume",
                     "Please choose another folder.", "", t_alert);
        seen = {true, mnw.cur_wind, return_hit, mnw.mouse_down, mnw.mouse_held, mnw.mouse_x, mnw.mouse_y,
                seen.x_before, seen.y_before};
    };
    const int frame_before = xtim.frame_count;
    MACIBM_event_proc();
    ASSERT_TRUE(seen.returned);
    EXPECT_GE(count("swap 995"), 1) << "the alert was drawn and shown before Return reached it";
    EXPECT_EQ(seen.window, win_main);
    EXPECT_EQ(seen.return_flag, 0) << "the Return is used up";
    EXPECT_FLOAT_EQ(seen.x, seen.x_before);
    EXPECT_FLOAT_EQ(seen.y, seen.y_before);
    ASSERT_FALSE(log.events.empty());
    EXPECT_EQ(log.events.back(), "swap 0") << "the interrupted frame ends with its own swap";
    EXPECT_EQ(xtim.frame_count, frame_before + count("swap 995") + 1);
    EXPECT_NE(xlog.text().find("\nThe destination folder could not be written.\n/home/pilot/Skylume\n"),
              std::string::npos);
    log.events.clear();
    MACIBM_event_proc();
    EXPECT_EQ(log.events, (std::vector<std::string>{"update", "swap 0"})) << "the main screen runs again";
}

// The alert may interrupt a question (here the modified-file question): its
// button press ends it, the question's window is gone and no press or Return
// is left over for the question's own buttons to take.
TEST_F(AlertWindow, AClickOnTheButtonDismissesItAndTheMouseComesBack)
{
    xer_capture xlog;
    default_alert_handler handler;
    MACIBM_startwind(win_select_alert, 0);
    MACIBM_event_proc();
    const float x_before = mnw.mouse_x, y_before = mnw.mouse_y;
    peer.move(screen_x(win_alert, 210), screen_y(win_alert, 18));
    peer.click();
    MACIBM_alert(0, "Some textures could not be loaded.", "", "", "", t_alert);
    EXPECT_EQ(mnw.cur_wind, win_main);
    EXPECT_FLOAT_EQ(mnw.mouse_x, x_before);
    EXPECT_FLOAT_EQ(mnw.mouse_y, y_before);
    EXPECT_EQ(mnw.mouse_down, 0);
    EXPECT_EQ(mnw.mouse_held, 0);
    EXPECT_EQ(return_hit, 0);
    EXPECT_GE(count("swap 995"), 1);
}

TEST_F(AlertWindow, AReturnOfTheInterruptedFrameDoesNotDismissIt)
{
    default_alert_handler handler;
    xer_capture xlog;
    int passes = 0;
    log.on_swap = [&] {
        if (mnw.cur_wind == win_alert && ++passes == 2) peer.tap(XK_Return);
    };
    return_hit = 1; // the frame that raises the alert had a Return of its own
    MACIBM_alert(0, "Please insert the disc.", "", "", "", t_alert);
    EXPECT_GE(passes, 2) << "the alert waited for a Return of its own";
}

TEST_F(AlertWindow, TheLanguageQuestionShowsWithoutLinesAndTakesTheChoice)
{
    default_alert_handler handler;
    xer_capture xlog;
    want_picture(win_alert);
    int passes = 0;
    log.on_swap = [&] {
        if (mnw.cur_wind != win_alert) return;
        ++passes;
        if (passes == 1) {
            peer.move(screen_x(win_alert, 185), screen_y(win_alert, 164)); // the French radio button
            peer.click();
        }
        if (passes == 3) peer.tap(XK_Return);
    };
    MACIBM_alert(-1, "", "", "", "", t_language);
    EXPECT_GE(passes, 3);
    EXPECT_EQ(mnw.lang, 1);
    EXPECT_EQ(mnw.cur_wind, -1) << "back to the start-up screen";
    EXPECT_EQ(stls.title, "Language/");
    EXPECT_EQ(xlog.text().find("OK check MemoryLog"), std::string::npos) << "a language question is never logged";
}

// The fatal form shows where it was raised and hands the end to its caller.
TEST_F(AlertWindow, AFatalAlertShowsItsLocationAndReturnsAfterTheButton)
{
    want_picture(win_alert);
    int passes = 0;
    log.on_swap = [&] {
        if (mnw.cur_wind == win_alert && ++passes == 1) peer.tap(XK_Return);
    };
    MACIBM_alert_window(0, {"OpenGL context could not be made.", "", "", ""}, t_exit, "(lin_window.cpp line 252)");
    EXPECT_GE(passes, 1);
    EXPECT_EQ(mnw.cur_wind, win_alert) << "the program ends from here; nothing else opens";
    EXPECT_EQ(return_hit, 0);
}

// ---- message box ----------------------------------------------------------------------------

class MessageBox : public AlertWindow {
protected:
    void SetUp() override
    {
        AlertWindow::SetUp();
        stls.text[602] = "Question";
        stls.text[611] = "Do you want to replace ";
        stls.text[612] = "with the newer version?";
        stls.text[608] = "Yes";
        stls.text[609] = "No";
        stls.text[610] = "Cancel";
    }
    static float half(int text) { return btn_draw.text_width(stls.text[text], 100) / 2; }
};

TEST_F(MessageBox, EachButtonGivesItsAnswer)
{
    want_picture(win_nuke_alert);
    const struct {
        float x, y;
        int answer;
    } rows[] = {
        {20 + half(608), 60, 1},
        {20 + half(609), 25, 2},
        {300 - 20 - half(610), 25, 3},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.answer);
        peer.move(screen_x(win_nuke_alert, r.x), screen_y(win_nuke_alert, r.y));
        peer.click();
        EXPECT_EQ(MACIBM_nuke_alert("Skylume/Resources/default.prf", 1), r.answer);
        EXPECT_EQ(mnw.cur_wind, win_main);
        for (int i = 0; i < 3; ++i) MACIBM_event_proc(); // the release
    }
}

TEST_F(MessageBox, ReturnDoesNotAnswerItAndAnotherWindowEndsIt)
{
    bool saw_return = false;
    int after = 0;
    log.on_swap = [&] {
        if (mnw.cur_wind != win_nuke_alert) return;
        if (!saw_return && after == 0) peer.tap(XK_Return);
        saw_return = saw_return || return_hit;
        if (saw_return && ++after == 3) MACIBM_startwind(win_prefs, 0);
    };
    EXPECT_EQ(MACIBM_nuke_alert("message", 0), 3);
    EXPECT_TRUE(saw_return);
    EXPECT_EQ(mnw.cur_wind, win_prefs);
}

TEST_F(MessageBox, WithoutAThirdButtonItsPlaceTakesNoClick)
{
    int passes = 0;
    log.on_swap = [&] {
        if (mnw.cur_wind != win_nuke_alert) return;
        if (++passes == 1) {
            peer.move(screen_x(win_nuke_alert, 300 - 20 - half(610)), screen_y(win_nuke_alert, 25));
            peer.click();
        }
        if (passes == 4) MACIBM_startwind(win_main, 0);
    };
    EXPECT_EQ(MACIBM_nuke_alert("message", 0), 3);
    EXPECT_EQ(passes, 4) << "the click where button 3 would be did nothing";
}

} // namespace
