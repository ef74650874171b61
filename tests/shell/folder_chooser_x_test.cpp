// folder_chooser_x_test.cpp - the folder chooser and the open/save dialog in
// the real window on the tests' Xvfb, driven by pointer moves, clicks and keys
// that XTest makes from a second connection, on a temporary tree: enter a
// folder, go up through the level pop-up, make a folder, select, cancel. The
// chooser and the dialog are left as "chooser_<test>.png" and
// "open_save_<test>.png" in the test program's build folder.
#include "files/opensave.h"
#include "files/opensave_cache.h"
#include "foundation/hl_types.h"
#include "foundation/xtim.h"
#include "shell/folder_chooser.h"
#include "shell/frame.h"
#include "shell/menus.h"
#include "shell/shell_calls.h"
#include "shell/subwin.h"
#include "support/main_window.h"
#include "support/reference_picture.h"
#include "support/testkit.h"
#include "support/x_peer.h"
#include "ui/btn_focus.h"
#include "ui/btn_list.h"
#include "ui/btn_open_save.h"
#include "ui/btn_pickers.h"
#include "ui/btn_popup.h"
#include "ui/btn_shell.h"
#include "ui/btn_text.h"
#include "ui/keys.h"
#include "ui/ogl_sbuff.h"

#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>

namespace {

constexpr int frame_cap = 60;

std::function<void()>* per_frame = nullptr;
void focus_ring_and_script()
{
    BTN_begin_focus_ring();
    if (per_frame && *per_frame) (*per_frame)();
}

class XChooser : public ::testing::Test {
protected:
    x_peer peer;
    temp_dir dir;
    shell_calls previous{};
    colour_keeper colours;
    std::function<void()> script;

    void SetUp() override
    {
        ASSERT_EQ(open_main_window(), "");
        load_interface_art();
        fresh_frame_loop();
        forget_widgets();
        BTN_install_focus_hooks();
        per_frame = &script;
        previous = MACIBM_set_shell_calls({nullptr, nullptr, focus_ring_and_script, nullptr, nullptr, nullptr,
                                           nullptr, nullptr});
        MACIBM_install_shell_hooks();
        for (const char* d : {"Data", "Data/inner", "Maps", "a-b"}) mkdir((dir / d).c_str(), 0755);
        ASSERT_EQ(peer.open(), "");
        peer.move(512, 384);
        settle_frames();
    }
    void TearDown() override
    {
        per_frame = nullptr;
        peer.close();
        MACIBM_set_shell_calls(previous);
        BTN_set_shell_calls({nullptr, nullptr, nullptr, nullptr});
        KEYS_set_handleclick_hook(nullptr);
        remove_focus_hooks();
        forget_widgets();
        close_main_window();
    }
    // No focus, no text field, list or pop-up of an earlier test, the folder listing read afresh.
    static void forget_widgets()
    {
        BTN_reset_focus();
        BTN_reset_text_fields();
        BTN_reset_lists();
        BTN_reset_popup();
        active_popup_code = select_popup_code = 0;
        opensave_cache.forget();
    }

    std::string root() const { return dir.path() + "/"; }
    // Pointer to a point of the current sub-window, then one click.
    void click_at(float x, float y)
    {
        peer.move(unit_px(x), unit_py(y));
        peer.click();
    }
    static void save_frame(const std::string& name) { save_frame_png(name + ".png"); }
    static std::string test_name() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }
};

// The chooser's own frames, run by the test so that it can act between them.
class chooser_run {
public:
    folder_chooser_state st;
    char out[500] = "untouched";
    int outcome = chooser_showing;

    explicit chooser_run(const std::string& start)
    {
        MACIBM_chooser_open(st, start.c_str());
        MACIBM_startwind(win_file_chooser, 0);
    }
    void frame()
    {
        outcome = MACIBM_chooser_frame(st, out, sizeof out);
        MACIBM_event_proc();
    }
    template <class P>
    int frames_until(P pred)
    {
        return ::frames_until(frame_cap, [this] { frame(); }, pred);
    }
    float row_y(const std::string& name) const
    {
        for (std::size_t i = 0; i < st.folder_names.size(); ++i)
            if (st.folder_names[i] == name) return 180.0f - btn_list_row * (static_cast<float>(i) - st.list_scroll);
        return -100;
    }
};

} // namespace

TEST_F(XChooser, EnterAFolderGoUpAndMakeAFolder)
{
    chooser_run run(root());
    run.frame();
    ASSERT_EQ(run.st.folder_names, (std::vector<std::string>{"a-b", "Data", "Maps"}));

    // A click selects "Data", Return enters it. (Double clicks are timed by the
    // frame clock, which a loaded machine stretches; the frame tests have them.
    // A press within 0.25 s of the clock's start counts as a second press, so
    // the first one waits that out.)
    ASSERT_GT(run.frames_until([] { return xtim.elapsed_time > 0.3f; }), 0);
    click_at(100, run.row_y("Data"));
    ASSERT_GT(run.frames_until([&] { return run.st.list_sel == 1; }), 0);
    EXPECT_EQ(run.st.cur_path, root());
    peer.tap(XK_Return);
    ASSERT_GT(run.frames_until([&] { return run.st.cur_path == root() + "Data/"; }), 0);
    for (int i = 0; i < 3; ++i) run.frame();
    EXPECT_EQ(run.st.folder_names, (std::vector<std::string>{"inner"}));
    EXPECT_EQ(run.st.cur_path, root() + "Data/");
    save_frame("chooser_" + test_name());

    // The level pop-up: a press opens it over the button, a press on the row of
    // the temporary folder goes up to it (where the rows stand once the list,
    // kept below the title bar, has stopped moving).
    click_at(280, 440);
    ASSERT_GT(run.frames_until([] { return mnw.menu_open == menu_popup; }), 0);
    for (int i = 0; i < 6; ++i) run.frame();
    const auto& paths = run.st.level_paths;
    const std::size_t target = static_cast<std::size_t>(std::find(paths.begin(), paths.end(), root()) - paths.begin());
    ASSERT_LT(target, menu[menu_popup].items.size());
    const item_struct& row = menu[menu_popup].items[target];
    click_at(282, (row.b + row.t) / 2.0f);
    ASSERT_GT(run.frames_until([&] { return run.st.cur_path == root(); }), 0);

    // Typing into the name field (it has the keyboard by itself) and "New Folder"
    // (a loaded shared server may repeat a key: the name is read back).
    for (unsigned long k : {XK_n, XK_e, XK_w}) peer.tap(k);
    ASSERT_GT(run.frames_until([&] { return run.st.name_field.size() >= 3 && run.st.name_field.back() == 'w'; }), 0);
    const std::string name = run.st.name_field;
    click_at(430, 28);
    ASSERT_GT(run.frames_until([&] { return run.st.folder_names.size() == 4; }), 0);
    EXPECT_EQ(run.st.folder_names[3], name);
    struct stat info;
    EXPECT_EQ(stat((dir / name).c_str(), &info), 0);
    EXPECT_EQ(run.outcome, chooser_showing);
}

TEST_F(XChooser, SelectAndCancelThroughTheWholeDialog)
{
    struct row {
        const char* button;
        float x;
        int result;
    } rows[] = {{"Select", 510, 1}, {"Cancel", 35, 0}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.button);
        MACIBM_startwind(win_prefs, 0);
        int frames = 0;
        const float x = r.x;
        script = [&, x] {
            if (mnw.cur_wind != win_file_chooser) return;
            if (++frames == 3) click_at(x, 28);
            if (frames > frame_cap) click_at(35, 28); // give up: cancel
        };
        std::string out = "untouched";
        const int result = GetFilePathFromUser(2, "Pick a folder", "Select", 1, (root() + "Data/").c_str(), &out);
        script = nullptr;
        EXPECT_LE(frames, frame_cap);
        EXPECT_EQ(result, r.result);
        EXPECT_EQ(out, r.result ? root() + "Data/" : "untouched");
        EXPECT_EQ(mnw.cur_wind, win_prefs);
        EXPECT_EQ(app_path, "");
    }
}

// An alert over the chooser (an empty New Folder name, say) starts the
// chooser's window again on its way out: the prompt is its title still.
TEST_F(XChooser, ThePromptOutlivesAnAlertOverTheChooser)
{
    int frames = 0;
    std::string title_after;
    script = [&] {
        if (mnw.cur_wind != win_file_chooser) return;
        ++frames;
        if (frames == 3) MACIBM_startwind(win_file_chooser, 0); // as the alert's end does
        if (frames == 5) title_after = stls.title;
        if (frames >= 6) click_at(35, 28); // Cancel
    };
    std::string out;
    EXPECT_EQ(GetFilePathFromUser(2, "Pick a folder", "Select", 1, root().c_str(), &out), 0);
    script = nullptr;
    EXPECT_EQ(title_after, "Pick a folder");
}

TEST_F(XChooser, OpenSaveDialogEntersAFolderAndSaves)
{
    app_path = root();
    write_file(dir / "Data/flight.fdr", "I\n1 version\nCOMM,first flight over the lake\n");
    opensave_state st;
    std::string path = "Data/x";
    BTN_opensave_open(st, opensave_open, file_kind_fdr, path);
    MACIBM_startwind(opensave_open, 0);
    stls.title = "Open";
    int outcome = opensave_showing;
    auto run = [&](auto pred) {
        return frames_until(frame_cap, [&] {
            outcome = BTN_opensave_frame(st, &path);
            MACIBM_event_proc();
        }, pred);
    };
    ASSERT_GT(run([&] { return st.count == 2; }), 0); // flight.fdr and inner
    // A press within 0.25 s of the clock's start would count as a double click and open the file.
    ASSERT_GT(run([&] { return xtim.elapsed_time > 0.3f; }), 0);
    click_at(100, 180.0f + btn_list_row * static_cast<float>(st.scroll)); // the row of entry 0
    ASSERT_GT(run([&] { return BTN_preview_state().comment == "first flight over the lake"; }), 0);
    save_frame("open_save_" + test_name());
    peer.tap(XK_BackSpace); // nothing has focus: up one level
    ASSERT_GT(run([&] { return st.folder.empty(); }), 0);
    peer.tap(XK_Escape);
    ASSERT_GT(run([&] { return outcome == opensave_cancelled; }), 0);
    EXPECT_EQ(path, "Data/x");
}


// ---- what the chooser looks like ------------------------------------------------------------

namespace {

// The frame read back just before it is shown (menus included), when asked for.
picture* capture_into = nullptr;
void capture_then_swap()
{
    if (capture_into) *capture_into = read_back_window();
    capture_into = nullptr;
    OGL_sbuff();
}

// Pixels that may differ from a kept picture: the text field's pulsing caret.
constexpr int looks_allowed = 40;

} // namespace

// The chooser as a user meets it, against kept pictures: scrolled by the
// wheel to its first row, then with its level list open; then opened anew on
// a folder not made yet (as the default destination is before the first
// installation), where it must show the same. The folder of known names is
// reached through /proc/self/cwd, the test's current folder meanwhile, so
// that the path on show (the staircase and the levels) is the same on every
// machine.
TEST_F(XChooser, LooksOnAFolderOfKnownNames)
{
    const char* names[] = {"alpha_one",  "Bravo",   "charlie_two", "Delta",    "echo_three",  "Foxtrot",
                           "golf_four",  "Hotel",   "india_five",  "Juliet",   "kilo_six",    "Lima",
                           "mike_seven", "November", "oscar_eight", "Papa",    "quebec_nine", "Romeo",
                           "sierra_ten", "Tango",   "uniform_xi",  "Victor",   "whisky_xii",  "X_ray"};
    const std::string known = dir / "known";
    ASSERT_EQ(mkdir(known.c_str(), 0755), 0);
    for (const char* n : names) ASSERT_EQ(mkdir((known + "/" + n).c_str(), 0755), 0);
    char was[4096];
    ASSERT_NE(getcwd(was, sizeof was), nullptr);
    ASSERT_EQ(chdir(known.c_str()), 0);
    MACIBM_set_shell_calls({nullptr, nullptr, focus_ring_and_script, nullptr, capture_then_swap, nullptr, nullptr,
                            nullptr});
    picture shot;
    auto capture = [&](chooser_run& run) {
        capture_into = &shot;
        run.frame();
    };
    // The wheel over the list until the list stops moving, the pointer then
    // moved off everything that reacts to it.
    auto wheel_to_the_top = [&](chooser_run& run) {
        peer.move(unit_px(200), unit_py(180));
        for (int i = 0; i < 30; ++i) peer.click(4);
        int same = 0, last = run.st.list_scroll;
        run.frames_until([&] {
            same = run.st.list_scroll == last ? same + 1 : 0;
            last = run.st.list_scroll;
            return same >= 3;
        });
        peer.move(unit_px(400), unit_py(360));
        for (int i = 0; i < 3; ++i) run.frame();
    };

    {
        chooser_run run("/proc/self/cwd/");
        stls.title = "Pick a folder";
        wheel_to_the_top(run);
        capture(run);
        EXPECT_EQ(compare_with_reference(shot, "chooser_first_rows", looks_allowed), "");

        click_at(280, 440);
        ASSERT_GT(run.frames_until([] { return mnw.menu_open == menu_popup; }), 0);
        peer.move(unit_px(400), unit_py(360));
        for (int i = 0; i < 8; ++i) run.frame(); // the list moves a row a frame until it fits
        capture(run);
        EXPECT_EQ(compare_with_reference(shot, "chooser_level_list", looks_allowed), "");
        const item_struct& here = menu[menu_popup].items.back(); // the folder shown: closes the list
        click_at(282, (here.b + here.t) / 2.0f);
        ASSERT_GT(run.frames_until([] { return mnw.menu_open == -1; }), 0);
        EXPECT_EQ(run.st.cur_path, "/proc/self/cwd/");
    }
    {
        chooser_run run("/proc/self/cwd/Skylume/");
        stls.title = "Pick a folder";
        wheel_to_the_top(run);
        capture(run);
        EXPECT_EQ(run.st.cur_path, "/proc/self/cwd/");
        EXPECT_EQ(compare_with_reference(shot, "chooser_first_rows", looks_allowed, "chooser_opened_on_a_missing_folder"),
                  "");
    }
    ASSERT_EQ(chdir(was), 0);
}
