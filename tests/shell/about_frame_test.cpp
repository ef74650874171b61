// about_frame_test.cpp - the About window on a real frame buffer (Xvfb with
// Mesa's software GL): one drawing pass with the update button showing, read
// back and left as "about_<test>.png" in the test program's build folder to
// look at.
#include "about_fakes.h"
#include "foundation/hl_types.h"
#include "graphics/gl_calls.h"
#include "shell/about_box.h"
#include "shell/subwin.h"
#include "support/testkit.h"
#include "support/window_kit.h"
#include "ui/btn_focus.h"

#include <gtest/gtest.h>

#include "support/gl_frame_test.h"

#include <sys/stat.h>

namespace {

using namespace aboutfx;

class AboutFrame : public gl_frame_test {
protected:
    AboutFrame() : gl_frame_test("about_") {}

    temp_dir dir;

    void SetUp() override
    {
        gl_frame_test::SetUp();
        if (HasFatalFailure()) return;
        colours_from_atlas();
        BTN_reset_focus();
        app_path = dir.path() + "/";
        ASSERT_EQ(mkdir((dir / "Resources").c_str(), 0755), 0);
        ASSERT_EQ(mkdir((dir / "Resources/preferences").c_str(), 0755), 0);
        about_check.reset();
        world = fake_world();
    }
    void TearDown() override
    {
        about_check.reset();
        BTN_reset_focus();
        gl_frame_test::TearDown();
    }
};

TEST_F(AboutFrame, TextsAndBothButtonsOfAnOfferedUpdate)
{
    world.list_bytes = "A\n820 version\nSERVERS\nFINAL 9.01\nFINAL_VERSION 90100\n"
                       "FINAL_INSTALLER_LIN dl.example /inst.zip\n"
                       "FINAL_INSTALLER_LIN_MD5 0123456789abcdef0123456789abcdef\n";
    world.verdicts[slot_serverlist] = {net_done};
    MACIBM_startwind(win_about, 0);
    ASSERT_EQ(mnw.wind_dx, 600.0f);
    gl.ClearColor(0, 0, 0, 1);
    gl.Clear(GL_COLOR_BUFFER_BIT);
    ABOUT_draw(fakes);
    EXPECT_EQ(about_check.ins_state, ins_awaiting_click);
    EXPECT_TRUE(alerts.alerts().empty());

    const int wx0 = static_cast<int>(mnw.wind_x), wy0 = static_cast<int>(mnw.wind_y);
    // The version text's glyphs at the top left of the panel.
    EXPECT_GT(differing_pixels(wx0 + 20, wy0 + 253, 120, 10, wx0 + 300, wy0 + 70), 40);
    // The link button and the update button in the bottom row.
    EXPECT_GT(differing_pixels(wx0 + 100, wy0 + 10, 180, 14, wx0 + 300, wy0 + 70), 150);
    EXPECT_GT(differing_pixels(wx0 + 450, wy0 + 10, 84, 14, wx0 + 300, wy0 + 70), 150);
    // Outside the window nothing but the background.
    EXPECT_EQ(differing_pixels(20, 20, 150, 150, 10, 10), 0);
}

} // namespace
