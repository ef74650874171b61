// about_box_test.cpp - the About window: where its texts stand (what is
// drawn), and its loop driven by scripted X events through the real frame
// loop (what is clicked): the update button starts the download, the work
// runs once per pass, a close zone ends the loop.
#include "shell_fixture.h"

#include "about_fakes.h"
#include "shell/about_box.h"
#include "ui/btn_draw.h"
#include "files/md5.h"
#include "support/zip_builder.h"
#include "ui/colr.h"

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <sys/stat.h>

namespace {

using namespace aboutfx;

TEST(AboutBoxTexts, StandAtFixedHeightsBelowTheTop)
{
    about_check.reset();
    const std::vector<about_line> lines = ABOUT_lines(300.0f, "");
    ASSERT_EQ(lines.size(), 13u);
    const float heights[] = {255, 245, 235, 215, 205, 175, 165, 155, 145, 135, 125, 115, 105};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(lines[i].y, heights[i]);
        EXPECT_EQ(lines[i].colour, i < 3 ? col_white : col_window_text);
        EXPECT_FALSE(lines[i].text.empty());
    }
    EXPECT_EQ(lines[0].text, "Skylume 9.00 Beta-19");
    EXPECT_EQ(lines[1].text, about_credits[0]);
    EXPECT_EQ(lines[2].text, about_site_name);
    EXPECT_EQ(lines[3].text, ABOUT_net_line());
    EXPECT_EQ(lines[4].text, ABOUT_grab_line());
    EXPECT_EQ(lines[12].text, about_credits[8]);

    const std::vector<about_line> with_status = ABOUT_lines(300.0f, "Downloading the installer...");
    ASSERT_EQ(with_status.size(), 14u);
    EXPECT_EQ(with_status.back().y, 65.0f);
    EXPECT_EQ(with_status.back().colour, col_about_58);
    EXPECT_EQ(with_status.back().text, "Downloading the installer...");
}

// The texts and labels drawn, frame after frame, with the status line's
// texts apart; widths by a fixed advance.
std::vector<std::string> labels;
std::vector<std::string> status_lines;
float record_string(int colour, float, float y, const std::string& text, float, int, int)
{
    labels.push_back(text);
    if (colour == col_about_58 && y == mnw.wind_dy - 235.0f) status_lines.push_back(text);
    return y;
}
float fixed_width(const std::string& text, int) { return 6.0f * static_cast<float>(text.size()); }
float fixed_char(int) { return 6.0f; }

// Called at each buffer swap, that is at the end of every frame: the test's
// chance to queue the next frame's events.
std::function<void()> at_frame_end;
void swap_and_script()
{
    shellfx::rec_swap();
    if (at_frame_end) at_frame_end();
}

struct about_box_fixture : shellfx::ShellTest {
    temp_dir dir;
    btn_draw_calls previous_draw{};

    void SetUp() override
    {
        ShellTest::SetUp();
        app_path = dir.path() + "/";
        ASSERT_EQ(mkdir((dir / "Resources").c_str(), 0755), 0);
        ASSERT_EQ(mkdir((dir / "Resources/preferences").c_str(), 0755), 0);
        about_check.reset();
        world = fake_world();
        labels.clear();
        status_lines.clear();
        MACIBM_set_shell_calls({shellfx::rec_update, shellfx::rec_menu, shellfx::rec_focus, shellfx::rec_zap,
                                swap_and_script, shellfx::rec_failed, shellfx::rec_mute, nullptr});
        btn_draw_calls fake = BTN_default_draw_calls();
        fake.quad = [](int, int, float, float, float, float, float, float, float, float, float, float, float, float,
                       float, float, float, float, float, int, int) {};
        fake.fillrect = [](int, float, float, float, float, float) {};
        fake.line = [](int, float, float, float, float, float) {};
        fake.string = record_string;
        fake.scissors = [](float, float, float, float) {};
        fake.scissors_end = [] {};
        fake.sbuff = [] {};
        fake.text_width = fixed_width;
        fake.char_width = fixed_char;
        previous_draw = BTN_set_draw_calls(fake);
    }
    void TearDown() override
    {
        at_frame_end = nullptr;
        BTN_set_draw_calls(previous_draw);
        about_check.reset();
        ShellTest::TearDown();
    }

    // A press and release at (x, y) in the current sub-window's units.
    void click(float x, float y)
    {
        src.motion(static_cast<int>(mnw.wind_x + x), static_cast<int>(static_cast<float>(mnw.y_res_now) - (mnw.wind_y + y)));
        src.button(ButtonPress, 1);
        src.button(ButtonRelease, 1);
    }
    bool drew(const std::string& label) const
    {
        for (const std::string& l : labels)
            if (l == label) return true;
        return false;
    }
};

TEST_F(about_box_fixture, TheUpdateButtonLeadsToTheLaunchAndACloseZoneEndsTheWindow)
{
    ASSERT_TRUE(make_zip(dir / "src.zip", {{"Skylume Installer", "#!/bin/sh\n", 0100755}}));
    std::string hex;
    ASSERT_EQ(calc_file_md5("src.zip", hex), 0);
    world.archive_from = "src.zip";
    world.list_bytes = "A\n820 version\nSERVERS\nFINAL 9.01\nFINAL_VERSION 90100\n"
                       "FINAL_INSTALLER_LIN dl.example /inst.zip\nFINAL_INSTALLER_LIN_MD5 " + hex + "\n";
    world.verdicts[slot_serverlist] = {net_running, net_done};
    world.verdicts[slot_installer] = {net_running, net_running, net_done};

    int frames = 0;
    bool clicked_update = false, clicked_close = false;
    at_frame_end = [&] {
        ++frames;
        if (!clicked_update && about_check.ins_state == ins_awaiting_click) {
            EXPECT_TRUE(drew("Update Skylume!"));
            click(492.0f, 17.0f);
            clicked_update = true;
        } else if (world.launches.size() == 1 || frames > 200) {
            click(10.0f, mnw.wind_dy - 5.0f); // the top-left close zone
            clicked_close = true;
        }
        if (frames > 400) throw std::runtime_error("the About window did not close");
    };
    ABOUT_run(fakes);

    EXPECT_EQ(mnw.cur_wind, win_main);
    EXPECT_TRUE(clicked_update);
    EXPECT_TRUE(clicked_close);
    ASSERT_EQ(world.launches.size(), 1u);
    EXPECT_EQ(world.launches[0].first, about_check.installer_folder + "Skylume Installer");
    EXPECT_EQ(world.calls_to(slot_installer), 3);
    EXPECT_EQ(about_check.ins_state, ins_showing_message);
    EXPECT_TRUE(drew(ABOUT_link_label()));
    EXPECT_LT(frames, 200);
    EXPECT_TRUE(drew("The current version of Skylume at is now 9.01."));
    const std::vector<std::string> statuses = {
        "Downloading the installer...0% complete", // no download in the fake slot: 0
        "There was an error launching the installer: No such file or directory (2)"};
    for (const std::string& s : statuses)
        EXPECT_NE(std::find(status_lines.begin(), status_lines.end(), s), status_lines.end()) << s;

    // Reopened, the window shows the kept state and asks the net for nothing.
    const std::size_t calls_before = world.calls.size();
    at_frame_end = [&] { click(10.0f, mnw.wind_dy - 5.0f); };
    ABOUT_run(fakes);
    EXPECT_EQ(world.calls.size(), calls_before);
    EXPECT_EQ(world.launches.size(), 1u);
    EXPECT_FALSE(drew(" Get New Beta! "));
    for (const recorded_alert& a : alert_recorder::alerts()) ADD_FAILURE() << "alert: " << a.lines.l1;
}

} // namespace
