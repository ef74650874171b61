// screens_x_test.cpp - the licence and preferences windows and the main
// screen on a real X server (the tests' Xvfb, Mesa's software GL) through the
// real shell: pointer moves, clicks and keys made by XTest from a second
// connection, one step of a script per frame. Each phase of the main screen
// is saved as <build>/screenshots/screen_<phase>.png and checked by a few
// tolerant pixel probes.
#include "engine/folders.h"
#include "engine/install_records.h"
#include "engine/stg.h"
#include "engine/streams.h"
#include "files/http.h"
#include "foundation/frame_pace.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "foundation/xtim.h"
#include "installer/app_screen.h"
#include "installer/engine_screens.h"
#include "installer/licence_window.h"
#include "installer/prefs_window.h"
#include "installer/screen_draw.h"
#include "installer/screen_phases.h"
#include "installer_fixture.h"
#include "screen_fakes.h"
#include "shell/frame.h"
#include "shell/alert_window.h"
#include "shell/menus.h"
#include "shell/shell_calls.h"
#include "shell/subwin.h"
#include "support/image_builder.h"
#include "support/main_window.h"
#include "support/reference_picture.h"
#include "support/x_peer.h"
#include "ui/btn_focus.h"
#include "ui/btn_frames.h"
#include "ui/btn_text.h"
#include "ui/keys.h"
#include "ui/ogl_sbuff.h"

#include <GL/gl.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int frame_cap = 60;
constexpr int screen_w = 1024, screen_h = 768;

// The frame read back just before it is shown, rows top first.
struct frame_pixels {
    std::vector<unsigned char> rgba;
    rgb at(int x, int y_from_top) const
    {
        const size_t i = (static_cast<size_t>(y_from_top) * screen_w + static_cast<size_t>(x)) * 4;
        return {rgba[i], rgba[i + 1], rgba[i + 2]};
    }
    // The pixel at interface units (x, y) of the main screen, y upwards.
    rgb unit(int x, int y) const { return at(x, screen_h - 1 - y); }
};

struct x_run {
    std::function<void(int)> step; // called with the frame number before each swap
    int frame = 0;
    bool every_frame = true; // each frame is drawn, so that a script moves one step a frame
    bool capture = false;
    frame_pixels last;
    std::string save_as; // the next frame is read back and saved under this name
} run;

void save_png(const frame_pixels& f, const std::string& name)
{
    const png_spec picture = rgba_png_spec(screen_w, screen_h, [&](int x, int y) {
        const rgb p = f.at(x, y);
        return (static_cast<unsigned>(p.r) << 24) | (static_cast<unsigned>(p.g) << 16) |
               (static_cast<unsigned>(p.b) << 8) | 0xFFu;
    });
    write_file(std::string(SKY_SHOT_DIR) + "/" + name + ".png", make_png(picture));
}

void swap_with_script()
{
    ++run.frame;
    if (run.capture || !run.save_as.empty()) {
        std::vector<unsigned char> up(static_cast<size_t>(screen_w) * screen_h * 4);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, screen_w, screen_h, GL_RGBA, GL_UNSIGNED_BYTE, up.data());
        run.last.rgba.resize(up.size());
        const size_t row = static_cast<size_t>(screen_w) * 4;
        for (int y = 0; y < screen_h; ++y)
            std::copy(up.begin() + static_cast<long>(y * row), up.begin() + static_cast<long>((y + 1) * row),
                      run.last.rgba.begin() + static_cast<long>((screen_h - 1 - y) * row));
    }
    if (!run.save_as.empty()) save_png(run.last, run.save_as);
    run.save_as.clear();
    if (run.step) run.step(run.frame);
    OGL_sbuff();
    if (run.every_frame) fpace.redraw();
}

int distance(rgb a, rgb b) { return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b); }

int full_speed() { return 1; } // tests never wait for input they do not send

class XScreens : public installer_fixture {
protected:
    x_peer peer;
    shell_calls previous{};
    screen_script script;

    void SetUp() override
    {
        installer_fixture::SetUp();
        try {
            start_window();
        } catch (const fatal_alert& a) {
            FAIL() << "fatal alert at start: " << a.lines.l1 << " / " << a.lines.l2;
        }
    }
    void start_window()
    {
        ASSERT_EQ(open_main_window(), "");
        STG_set_defaults();
        INS_reset_screen();
        INS_licence_forget();
        BTN_reset_text_fields();
        load_art_as_startup();
        fresh_frame_loop();
        run = x_run{};
        previous = MACIBM_set_shell_calls({APP_update, nullptr, BTN_begin_focus_ring, BTN_zap_boxes,
                                           swap_with_script, nullptr, nullptr, full_speed});
        MACIBM_install_shell_hooks();
        ASSERT_EQ(peer.open(), "");
        dest_dir_path = "/data/Skylume/";
        install_name = no_install_name;
        peer.move(512, 700); // into the window, away from every control
        settle_frames();
    }
    void TearDown() override
    {
        run = x_run{};
        peer.close();
        MACIBM_set_shell_calls(previous);
        KEYS_set_handleclick_hook(nullptr);
        close_main_window();
        INS_reset_screen();
        INS_licence_forget();
        http.proxy_host.clear();
        http.proxy_port_text.clear();
        http.proxy_port = 0;
        installer_fixture::TearDown();
    }

    // A script of steps, one per frame from the first; after the cap the
    // window is closed so that a missed click fails instead of hanging.
    void script_steps(std::vector<std::function<void()>> steps)
    {
        run.frame = 0;
        run.step = [this, steps](int n) {
            if (n >= 1 && n <= static_cast<int>(steps.size())) steps[static_cast<size_t>(n - 1)]();
            if (n > frame_cap && mnw.cur_wind != win_main) {
                ADD_FAILURE() << "the window did not close within " << frame_cap << " frames";
                MACIBM_startwind(win_main, 0);
            }
        };
    }
    std::function<void()> press_at(float x, float y)
    {
        return [this, x, y] {
            peer.move(unit_px(x), unit_py(y));
            peer.click();
        };
    }
    std::function<void()> idle() { return [] {}; }
    std::function<void()> save(const std::string& name)
    {
        return [name] { run.save_as = name; };
    }
};

// ---- licence -------------------------------------------------------------------------------

TEST_F(XScreens, LicenceAgreeThenNoWindowAgain)
{
    script_steps({save("window_licence"), idle(), press_at(429, 21)}); // AGREE
    EXPECT_EQ(handle_EULA(), 1);
    EXPECT_EQ(mnw.cur_wind, win_main);
    run.step = nullptr;
    run.frame = 0;
    EXPECT_EQ(handle_EULA(), 1);
    EXPECT_EQ(run.frame, 0); // accepted earlier in the run: no window, no frame
}

TEST_F(XScreens, LicenceDisagreeThenAgree)
{
    script_steps({idle(), press_at(342, 21)}); // DISAGREE
    EXPECT_EQ(handle_EULA(), 0);
    EXPECT_EQ(mnw.cur_wind, win_main);
    script_steps({idle(), press_at(459, 32)}); // AGREE's upper-right edge
    EXPECT_EQ(handle_EULA(), 1);
}

TEST_F(XScreens, LicenceReturnClosesWithoutAnAnswer)
{
    script_steps({idle(), [this] { peer.tap(XK_Return); }});
    EXPECT_EQ(handle_EULA(), 0);
    EXPECT_EQ(mnw.cur_wind, win_main);
    script_steps({idle(), press_at(429, 21)});
    EXPECT_EQ(handle_EULA(), 1);
}

// ---- preferences ---------------------------------------------------------------------------

TEST_F(XScreens, PrefsStreamBoxTicksOneAndUnticksToAutomatic)
{
    ASSERT_EQ(stg.stream_count, 0);
    int seen_after_tick = -1;
    script_steps({idle(), press_at(30, 154), idle(), [&] { seen_after_tick = stg.stream_count; },
                  save("window_prefs_manual_streams"), idle(), press_at(30, 154), idle(),
                  [this] { peer.tap(XK_Return); }});
    handle_prefs();
    EXPECT_EQ(seen_after_tick, 1);
    EXPECT_EQ(stg.stream_count, 0);
    EXPECT_EQ(mnw.cur_wind, win_main);
}

// The list opens with the chosen row over its button (Linux first, the
// others 12 units apart above it); a press on a row chooses it.
TEST_F(XScreens, PrefsOperatingSystemChoice)
{
    ASSERT_EQ(stg.download_os, os_linux);
    script_steps({idle(), press_at(200, 314), idle(), press_at(200, 337), idle(), save("window_prefs_os_list"),
                  [this] { peer.tap(XK_Return); }});
    handle_prefs();
    EXPECT_EQ(stg.download_os, os_mac);
    script_steps({idle(), press_at(200, 314), idle(), press_at(200, 289), idle(), [this] { peer.tap(XK_Return); }});
    handle_prefs();
    EXPECT_EQ(stg.download_os, os_linux);
}

// The window as it opens, at the defaults, against a kept picture: the
// operating-system list's labels stand clear of its button.
TEST_F(XScreens, PrefsWindowLooks)
{
    picture shot;
    script_steps({idle(), idle(), idle(), [&] { shot = read_back_window(); }, [this] { peer.tap(XK_Return); }});
    handle_prefs();
    EXPECT_EQ(compare_with_reference(shot, "prefs_window", 40), ""); // 40: the proxy field's pulsing caret
}

TEST_F(XScreens, PrefsPortFieldTypedThenReturnCloses)
{
    script_steps({idle(), press_at(150, 24), idle(), [this] { peer.tap(XK_8); }, [this] { peer.tap(XK_0); },
                  [this] { peer.tap(XK_8); }, [this] { peer.tap(XK_0); }, idle(), [this] { peer.tap(XK_Return); }});
    handle_prefs();
    EXPECT_EQ(http.proxy_port_text, "8080");
    EXPECT_EQ(http.proxy_port, 8080);
    EXPECT_EQ(mnw.cur_wind, win_main); // Return closes even with the field focused
}

// ---- the engine's question ------------------------------------------------------------------

TEST_F(XScreens, ModifiedFileQuestionAnswersByItsButtons)
{
    struct row {
        float x, y;
        int answer;
    } rows[] = {{96, 28, sel_keep}, {308, 53, sel_replace_all}, {584, 28, sel_cancel}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.answer);
        script_steps({save("window_question"), idle(), press_at(r.x, r.y)});
        EXPECT_EQ(INS_select_alert("/data/Skylume/Resources/a.txt", 0), r.answer);
        EXPECT_EQ(mnw.cur_wind, win_main);
    }
}

// An alert raised while the question waits (a texture that failed, say) is
// answered in its own window; the question is gone with it and its answer is
// the cancel, which keeps the user's file and installs nothing.
TEST_F(XScreens, AnAlertInsideTheQuestionEndsItWithTheCancel)
{
    default_alert_handler handler;
    const alert_window_fn before = MACIBM_set_alert_window_hook(MACIBM_alert_window);
    ogl_inited = 1; // as after start-up: alerts go to the window
    stls.text[603] = "OK";
    int alert_passes = 0;
    script_steps({idle(), [] { MACIBM_alert(0, "Some textures could not be loaded.", "", "", "", t_alert); }});
    const auto question_step = run.step;
    run.step = [&](int n) {
        if (mnw.cur_wind == win_alert && ++alert_passes == 2) {
            run.save_as = "window_alert_over_question";
            peer.tap(XK_Return);
        }
        question_step(n);
    };
    EXPECT_EQ(INS_select_alert("/data/Skylume/Resources/a.txt", 0), sel_cancel);
    MACIBM_set_alert_window_hook(before);
    ogl_inited = 0;
    EXPECT_GE(alert_passes, 2);
    EXPECT_EQ(mnw.cur_wind, win_main);
}

TEST_F(XScreens, ProgressPictureShownAtOnce)
{
    // The picture shows itself: its buffer swap is where it is read back.
    screen_draw_calls calls = INS_default_draw_calls();
    calls.sbuff = swap_with_script;
    const screen_draw_calls saved = INS_set_draw_calls(calls);
    run.capture = true;
    stepped_clock clock; // time moves only when the test says so
    fpace.reset();       // no frame shown yet: the first picture is due at once
    const progress_frame half = dir_progress_geometry(0, 50, 100, 1, "Scanning directory text file to see if you "
                                                      "already have Skylume installed...",
                                                      "/data/Skylume/Resources/a.txt", screen_w, screen_h);
    INS_draw_dir_progress(half);
    const frame_pixels f = run.last;
    save_png(f, "engine_progress");
    // The fill (x 286..521 at y 350) differs from the bare trough beyond it.
    EXPECT_GT(distance(f.unit(400, 350), f.unit(650, 350)), 20);

    // Pictures come by time: one asked for sooner than a progress period after the last is not drawn.
    const int shown = run.frame;
    INS_draw_dir_progress(half);
    EXPECT_EQ(run.frame, shown);
    clock.advance(progress_frame_seconds + 0.001);
    INS_draw_dir_progress(half);
    EXPECT_EQ(run.frame, shown + 1);
    INS_set_draw_calls(saved);
}

// ---- the main screen's phases, saved and probed ------------------------------------------------

// Runs two frames of the main screen with the fakes and keeps the last one.
const frame_pixels& shoot(const std::string& phase)
{
    run.capture = true;
    MACIBM_event_proc();
    MACIBM_event_proc();
    run.capture = false;
    save_png(run.last, "screen_" + phase);
    return run.last;
}

// A text of colour c drawn somewhere in the rectangle: some pixel close to it.
bool has_colour_near(const frame_pixels& f, int x0, int y0, int x1, int y1, rgb c, int tolerance = 60)
{
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if (distance(f.unit(x, y), c) <= tolerance) return true;
    return false;
}

TEST_F(XScreens, EveryPhaseOfTheMainScreen)
{
    screen_fakes fakes(script);
    mnw.cur_wind = win_main;

    const frame_pixels looking = shoot("1_looking_for_disc");
    // The picture: the dark left column and the sky differ; the INSTALL piece is drawn over the band.
    EXPECT_GT(distance(looking.unit(60, 300), looking.unit(600, 400)), 30);

    screen_ready();
    script.free = 4700000;
    const frame_pixels idle_shot = shoot("2_ready");
    EXPECT_TRUE(has_colour_near(idle_shot, 144, 36, 400, 46, {0, 102, 0})); // "You may install at will." in green

    stg.run_phase = run_installing;
    ins_screen.tot_disk_req = 40000;
    ins_screen.tot_disk_req_str = "40.0 Meg";
    sim_info.resize(1000);
    next.disk_kb_done = 20000;
    next.stream_file[0] = 500;
    next.start_time = xtim.elapsed_time - 100;
    crnt_file_name = "a.txt.zip";
    stg.file_action = file_act_install;
    const frame_pixels installing = shoot("3_installing");
    // The bar's fill covers its left half; its right half is the bare track.
    EXPECT_GT(distance(installing.unit(300, 15), installing.unit(900, 15)), 20);
    // The DESTINATION button is gone while installing.
    int changed = 0;
    for (int x = 12; x < 134; ++x) changed += distance(installing.unit(x, 89), idle_shot.unit(x, 89)) > 30;
    EXPECT_GT(changed, 20);

    stg.run_phase = run_done;
    ins_screen.run_complete = 1;
    const frame_pixels done = shoot("4_complete");
    EXPECT_TRUE(has_colour_near(done, 154, 608, 400, 625, {0, 102, 0})); // the status line in dark green
    EXPECT_EQ(script.log.back(), "completion_alert");

    INS_reset_screen();
    screen_ready();
    stg.run_phase = run_done;
    stg.install_error = 1;
    const frame_pixels failed = shoot("5_failed");
    EXPECT_TRUE(has_colour_near(failed, 144, 50, 500, 60, {255, 0, 0})); // the failure lines in red

    stg.run_phase = run_idle;
    stg.install_error = 0;
    stg.dir_phase = dir_missing;
    const frame_pixels missing = shoot("6_no_manifest");
    EXPECT_TRUE(has_colour_near(missing, 154, 608, 500, 625, {255, 51, 51})); // the disc-needed line in red
}

// ---- a still window rests ---------------------------------------------------------------------------

// The screen as a second client sees it: what a screenshot would hold.
std::vector<unsigned> screenshot(x_peer& peer)
{
    std::vector<unsigned> px;
    Display* d = peer.display();
    XImage* img = XGetImage(d, DefaultRootWindow(d), 0, 0, screen_w, screen_h, AllPlanes, ZPixmap);
    if (!img) return px;
    for (int y = 0; y < screen_h; ++y)
        for (int x = 0; x < screen_w; ++x) px.push_back(static_cast<unsigned>(XGetPixel(img, x, y) & 0xFFFFFF));
    XDestroyImage(img);
    return px;
}

// Iterations of the frame loop, counted where each one asks for its wait.
std::function<void(int)> on_iteration;
int iterations = 0;
int count_iteration()
{
    ++iterations;
    if (on_iteration) on_iteration(iterations);
    return 1;
}

constexpr int idle_iterations = 120; // two seconds of the frame loop's waits with nothing to do

class XRest : public XScreens {
protected:
    void SetUp() override
    {
        XScreens::SetUp();
        run.every_frame = false;
        iterations = 0;
        on_iteration = nullptr;
        MACIBM_set_shell_calls({APP_update, nullptr, BTN_begin_focus_ring, BTN_zap_boxes, swap_with_script, nullptr,
                                nullptr, count_iteration});
    }
    void TearDown() override
    {
        on_iteration = nullptr;
        XScreens::TearDown();
    }
    // A dialog opened by `open` rests through the idle iterations: no frame is
    // drawn and the screen keeps its pixels; then `close` ends it.
    void dialog_rests(const std::function<void()>& open, const std::function<void()>& close, const std::string& name)
    {
        int swaps_before = -1, swaps_after = -1;
        std::vector<unsigned> before, after;
        on_iteration = [&](int n) {
            if (n == 10) {
                swaps_before = run.frame;
                before = screenshot(peer);
            } else if (n == 10 + idle_iterations) {
                swaps_after = run.frame;
                after = screenshot(peer);
                run.save_as = name;
                fpace.redraw(); // the saved picture is drawn once more
            } else if (n == 12 + idle_iterations) {
                close();
            } else if (n > 60 + idle_iterations && mnw.cur_wind != win_main) {
                ADD_FAILURE() << "the window did not close";
                MACIBM_startwind(win_main, 0);
            }
        };
        open();
        EXPECT_GT(swaps_before, 0) << "the window was drawn when it opened";
        EXPECT_EQ(swaps_after, swaps_before) << "no frame while nothing changed";
        ASSERT_FALSE(before.empty());
        EXPECT_TRUE(before == after) << "the screen kept its pixels";
    }
};

TEST_F(XRest, ReadyScreenDrawsOnlyWhenSomethingChanges)
{
    screen_fakes fakes(script);
    mnw.cur_wind = win_main;
    screen_ready();
    script.free = 4700000;
    peer.move(512, 700); // the pointer's rest starts now: its hiding is ten seconds away
    for (int i = 0; i < 3; ++i) MACIBM_event_proc();
    const int drawn = run.frame;
    const std::vector<unsigned> before = screenshot(peer);
    for (int i = 0; i < idle_iterations; ++i) MACIBM_event_proc();
    EXPECT_EQ(run.frame, drawn) << "an unchanged screen is not drawn again";
    EXPECT_TRUE(before == screenshot(peer));

    peer.move(unit_px(491), unit_py(89)); // over INSTALL: its hover look
    for (int i = 0; i < 5; ++i) MACIBM_event_proc();
    EXPECT_GT(run.frame, drawn);
    EXPECT_FALSE(before == screenshot(peer)) << "the hover look shows";
    const int hovered = run.frame;
    for (int i = 0; i < 30; ++i) MACIBM_event_proc();
    EXPECT_EQ(run.frame, hovered) << "and it rests again";

    script.free = 100; // the disc filled up behind the screen's back
    for (int i = 0; i < 90 && run.frame == hovered; ++i) MACIBM_event_proc();
    EXPECT_GT(run.frame, hovered) << "the free space is looked at again while the screen rests";
}

// The reading of the manifest shows pictures of its own in the middle of a
// frame, which then draws the rest of the screen over the last of them. With
// no input at all, the next frame draws the ready screen whole, then it rests.
TEST_F(XRest, TheScreenAfterTheReadingsPicturesIsDrawnWithoutInput)
{
    screen_fakes fakes(script);
    mnw.cur_wind = win_main;
    screen_ready();
    script.free = 4700000;
    for (int i = 0; i < 3; ++i) MACIBM_event_proc();
    const std::vector<unsigned> ready = screenshot(peer);

    stg.dir_phase = dir_scan; // a new destination: the manifest is read again
    script.on_read = [] {
        usleep(40000); // a reading longer than a progress period shows its picture
        INS_draw_dir_progress(dir_progress_geometry(0, 50, 100, 1, "Scanning directory text file to see if you "
                                                    "already have Skylume installed...",
                                                    "/data/Skylume/Resources/a.txt", screen_w, screen_h));
    };
    const long swaps_before = fpace.swaps;
    fpace.redraw();
    for (int i = 0; i < idle_iterations; ++i) MACIBM_event_proc();
    EXPECT_EQ(std::count(script.log.begin(), script.log.end(), "read_directory " + ins_screen.paths.dir_path), 1);
    EXPECT_EQ(fpace.swaps - swaps_before, 3) << "the reading's picture, its frame, and the frame drawn whole";
    const std::vector<unsigned> after = screenshot(peer);
    frame_pixels shown;
    for (unsigned p : after)
        for (unsigned part : {p >> 16, p >> 8, p, 255u}) shown.rgba.push_back(static_cast<unsigned char>(part));
    save_png(shown, "screen_after_reading");
    EXPECT_TRUE(after == ready) << "the reading's picture stayed on the screen";
}

TEST_F(XRest, InstallingKeepsFramesComingWithoutWaiting)
{
    screen_fakes fakes(script);
    mnw.cur_wind = win_main;
    screen_ready();
    stg.run_phase = run_installing;
    MACIBM_event_proc();
    EXPECT_TRUE(fpace.keeps_busy());
    EXPECT_EQ(MACIBM_paced_wait_usec(0, fpace.now()), 0) << "the install slice is not kept waiting for input";
}

// The frame whose slice ends the run asks for no wait, so that the
// completion alert comes with the very next frame; it is raised there once.
TEST_F(XRest, TheCompletionAlertFollowsTheLastProgressFrameUnwaited)
{
    screen_fakes fakes(script);
    mnw.cur_wind = win_main;
    screen_ready();
    stg.run_phase = run_installing;
    script.grab_answers = {1}; // the first step ends the run
    MACIBM_event_proc();
    ASSERT_EQ(stg.run_phase, run_done);
    EXPECT_EQ(MACIBM_paced_wait_usec(0, fpace.now()), 0) << "the alert's frame waits for input first";
    MACIBM_event_proc();
    MACIBM_event_proc();
    EXPECT_EQ(std::count(script.log.begin(), script.log.end(), "completion_alert"), 1);
}

TEST_F(XRest, LicenceWindowRests)
{
    dialog_rests([] { handle_EULA(); }, [this] { press_at(429, 21)(); }, "window_licence_rested");
    EXPECT_EQ(handle_EULA(), 1) << "the click after the rest was taken";
}

TEST_F(XRest, PreferencesWindowRests)
{
    // Its proxy field holds the caret, which pulses for a while after the
    // last input: here that input lies a minute back.
    fpace.last_input = fpace.now() - 60;
    dialog_rests([] { handle_prefs(); }, [this] { peer.tap(XK_Return); }, "window_prefs_rested");
}

} // namespace
