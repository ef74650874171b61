// lin_input_test.cpp - input through a real X server: the main window on the
// tests' Xvfb, with pointer moves, clicks and keys made by XTest from a
// second connection (so the server makes real events; the press position
// comes from the last motion). Each test runs frames until what it waits for
// has happened, under a frame cap.
#include "foundation/hl_types.h"
#include "foundation/xtim.h"
#include "graphics/gl_calls.h"
#include "shell/chrome.h"
#include "shell/frame.h"
#include "shell/menus.h"
#include "shell/shell_calls.h"
#include "shell/subwin.h"
#include "support/main_window.h"
#include "support/testkit.h"
#include "support/window_kit.h"
#include "support/x_peer.h"
#include "ui/colr.h"
#include "ui/keys.h"
#include "ui/ogl_sbuff.h"

#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int frame_cap = 30;

struct frame_record {
    int frame;
    int down, up, key, ret;
    float x, y;
};

std::vector<std::string>* order_log;
std::vector<frame_record>* updates;

void count_update()
{
    order_log->push_back("update");
    updates->push_back({xtim.frame_count, mnw.mouse_down, mnw.mouse_up, mnw.key_hit, return_hit, mnw.mouse_x,
                        mnw.mouse_y});
}
void note_focus() { order_log->push_back("focus"); }
int note_zap(int) {
    order_log->push_back("zap");
    return 0;
}
void note_swap()
{
    order_log->push_back("swap");
    OGL_sbuff();
}

class XInput : public ::testing::Test {
protected:
    x_peer peer;
    std::vector<std::string> log;
    std::vector<frame_record> seen;
    shell_calls previous{};

    void SetUp() override
    {
        ASSERT_EQ(open_main_window(), "");
        fresh_frame_loop(); // as start-up does: the 2D projection over the whole window
        order_log = &log;
        updates = &seen;
        previous = MACIBM_set_shell_calls({count_update, nullptr, note_focus, note_zap, note_swap, nullptr, nullptr,
                                           nullptr});
        MACIBM_install_shell_hooks();
        ASSERT_EQ(peer.open(), "");
        peer.move(512, 384); // into the window: without a window manager the keys follow the pointer
        settle_frames();
        log.clear();
        seen.clear();
    }
    void TearDown() override
    {
        peer.close();
        MACIBM_set_shell_calls(previous);
        KEYS_set_handleclick_hook(nullptr);
        close_main_window();
    }

    // Runs frames until pred holds, at most frame_cap; the number run, or -1.
    template <class P>
    int frames_until(P pred)
    {
        return event_frames_until(frame_cap, pred);
    }
};

TEST_F(XInput, MotionThenClickReachesTheRightZone)
{
    MACIBM_startwind(win_prefs, 0); // 600 x 380 at (212, 194)
    struct row { float x, y; bool closes; } rows[] = {
        {300, 200, false}, // the body: the press goes on to the dialog
        {26, 375, false},  // one unit right of the left close zone
        {590, 370, true},  // the right close zone
    };
    for (const row& r : rows) {
        SCOPED_TRACE(std::to_string(r.x) + "," + std::to_string(r.y));
        MACIBM_startwind(win_prefs, 0);
        log.clear();
        seen.clear();
        peer.move(unit_px(r.x), unit_py(r.y));
        ASSERT_GT(frames_until([&] { return mnw.mouse_x == r.x && mnw.mouse_y == r.y; }), 0);
        peer.click();
        ASSERT_GT(frames_until([] { return mnw.mouse_up == 1; }), 0);
        EXPECT_EQ(mnw.cur_wind, r.closes ? win_main : win_prefs);
        int zaps = 0;
        for (const std::string& s : log) zaps += s == "zap";
        EXPECT_EQ(zaps, r.closes ? 1 : 0);
    }
}

TEST_F(XInput, ReturnClosesWindowsOneAndTwoButNotDialogs)
{
    for (int id : {win_eula, win_prefs, win_alert, win_nuke_alert, win_select_alert, win_file_chooser,
                   win_open_save}) {
        SCOPED_TRACE(id);
        MACIBM_startwind(id, 0);
        peer.tap(XK_Return);
        const bool closes = id == win_eula || id == win_prefs;
        int returns = 0;
        const int n = frames_until([&] {
            returns += return_hit;
            return mnw.cur_wind != id || return_hit;
        });
        ASSERT_GT(n, 0);
        EXPECT_EQ(mnw.cur_wind, closes ? win_main : id);
        EXPECT_EQ(returns, closes ? 0 : 1);
        for (int i = 0; i < 2; ++i) MACIBM_event_proc(); // the release
    }
}

TEST_F(XInput, FramesKeepTheirOrderAndAClickIsSeenOnce)
{
    peer.move(100, 700);
    peer.click();
    peer.tap(XK_a);
    ASSERT_GT(frames_until([&] {
        int ups = 0, keys_hit = 0;
        for (const frame_record& f : seen) ups += f.up, keys_hit += f.key;
        return ups > 0 && keys_hit > 0;
    }), 0);
    for (int i = 0; i < 3; ++i) MACIBM_event_proc();

    int downs = 0, ups = 0, keys_hit = 0;
    for (const frame_record& f : seen) {
        downs += f.down;
        ups += f.up;
        keys_hit += f.key;
        if (f.down) {
            EXPECT_FLOAT_EQ(f.x, 100);
            EXPECT_FLOAT_EQ(f.y, 68);
        }
    }
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(ups, 1);
    EXPECT_EQ(keys_hit, 1);
    ASSERT_EQ(log.size() % 3, 0u);
    for (std::size_t i = 0; i < log.size(); i += 3) {
        EXPECT_EQ(log[i], "focus");
        EXPECT_EQ(log[i + 1], "update");
        EXPECT_EQ(log[i + 2], "swap");
    }
    for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_EQ(seen[i].frame, seen[i - 1].frame + 1);
}

TEST_F(XInput, PointerHidesAndShowsThroughTheServer)
{
    mnw.cursor_type = 2;
    mouse_help_per_wind(win_main);
    EXPECT_EQ(MACIBM_pointer_showing(), 0);
    peer.move(300, 300);
    ASSERT_GT(frames_until([] { return MACIBM_pointer_showing() == 1; }), 0);
}

// The open menu's highlights drawn on real GL: the open title and the hovered
// item at a quarter of the menu fill over black, nothing beside them. (The
// panel frame belongs to the widget set; the pixels read lie left of the texts.)
// The widget set's frames are left out: without the interface textures they
// would cover the reading points with the placeholder.
struct no_frames_painter : chrome_painter {
    void frame1(int, float, float, float, int) override {}
    void frame2(int, float, float, float, float, const std::string&) override {}
    void element(float, float, float, float, float, float, int) override {}
};

TEST_F(XInput, OpenMenuHighlightsAreDrawn)
{
    load_interface_textures(); // the menu text binds the atlas
    no_frames_painter painter;
    chrome_painter* const before = MACIBM_set_chrome_painter(&painter);
    float saved[3];
    std::memcpy(saved, colr.rgb[col_menu_fill], sizeof saved);
    colr.assign(col_menu_fill, 1, 1, 1);
    MACIBM_create_menu(0, 0, "File");
    MACIBM_append_menu(0, 0, 1, "Open", 1);
    MACIBM_append_menu(0, 1, 2, "Quit", 1);
    mnw.menu_open = 0;
    mnw.mouse_x = 30;
    mnw.mouse_y = 740; // over Open, 736..748
    gl.ClearColor(0, 0, 0, 1);
    gl.Clear(GL_COLOR_BUFFER_BIT);
    standard_gui();
    auto red_at = [](int x, int y) {
        unsigned char p[3] = {0, 0, 0};
        gl.ReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
        return static_cast<int>(p[0]);
    };
    EXPECT_NEAR(red_at(3, 758), 64, 2) << "the open title";
    EXPECT_NEAR(red_at(5, 740), 64, 2) << "the hovered item";
    EXPECT_EQ(red_at(5, 728), 0) << "Quit is not hovered";
    EXPECT_EQ(red_at(200, 740), 0) << "right of the menu";
    std::memcpy(colr.rgb[col_menu_fill], saved, sizeof saved);
    MACIBM_set_chrome_painter(before);
}

// Real keys from the server reach the focus ring translated: the character of
// the shifted level with its flags, and navigation keys as virtual keys.
std::vector<std::array<int, 3>>* keys_seen;
int record_key(int character, int vkey, int flags)
{
    keys_seen->push_back({character, vkey, flags});
    return 1; // taken: nothing else acts on it
}

TEST_F(XInput, RealKeysArriveTranslated)
{
    std::vector<std::array<int, 3>> seen_keys;
    keys_seen = &seen_keys;
    const focus_dispatch_fn before = KEYS_set_focus_hook(record_key);
    peer.key(XK_Shift_L, true);
    peer.tap(XK_a);
    peer.key(XK_Shift_L, false);
    peer.tap(XK_Home);
    peer.tap(XK_Left);
    frames_until([&] { return seen_keys.size() >= 6; });
    KEYS_set_focus_hook(before);

    std::vector<std::array<int, 3>> downs;
    for (const auto& k : seen_keys)
        if ((k[2] & skyd_DownFlag) && k[1] != 0) downs.push_back(k);
    ASSERT_EQ(downs.size(), 3u);
    EXPECT_EQ(downs[0][0], 'A');
    EXPECT_EQ(downs[0][1], SKYD_VK_A);
    EXPECT_EQ(downs[0][2], skyd_ShiftFlag | skyd_DownFlag);
    EXPECT_EQ(downs[1][1], SKYD_VK_HOME);
    EXPECT_EQ(downs[1][2], skyd_DownFlag);
    EXPECT_EQ(downs[2][1], SKYD_VK_LEFT);
    EXPECT_EQ(downs[2][2], skyd_DownFlag);
}

} // namespace
