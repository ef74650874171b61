// btn_smoke_test.cpp - widgets on a real frame buffer (Xvfb with Mesa's
// software GL): a dialog panel with a push button, a check box and a text
// field drawn from the interface atlas, read back pixel by pixel and left as
// "widgets_<test>.png" in the test program's build folder to look at.
#include "foundation/cmnd.h"
#include "foundation/hl_types.h"
#include "graphics/gl_calls.h"
#include "support/testkit.h"
#include "support/window_kit.h"
#include "ui/btn_buttons.h"
#include "ui/btn_focus.h"
#include "ui/btn_frames.h"
#include "ui/btn_text.h"
#include "ui/colr.h"
#include "ui/keys.h"
#include "ui/ogl_draw.h"
#include "ui/ogl_sbuff.h"
#include "ui/ogl_state.h"
#include "ui/ogl_view.h"

#include <gtest/gtest.h>

#include "support/gl_frame_test.h"

#include <string>

namespace {

class WidgetFrame : public gl_frame_test {
protected:
    WidgetFrame() : gl_frame_test("widgets_") {}

    void SetUp() override
    {
        gl_frame_test::SetUp();
        if (HasFatalFailure()) return;
        mnw.wind_dx = 1024;
        mnw.wind_dy = 768;
        colours_from_atlas();
        BTN_reset_focus();
        BTN_reset_text_fields();
    }
    void TearDown() override
    {
        remove_focus_hooks();
        BTN_reset_text_fields();
        gl_frame_test::TearDown();
    }
};

} // namespace

TEST_F(WidgetFrame, PanelWithAButtonACheckBoxAndATextField)
{
    int log_actions = 1;
    std::string host = "proxy.example.com";
    gl.ClearColor(0, 0, 0, 1);
    gl.Clear(GL_COLOR_BUFFER_BIT);
    OGL_plot_back_col();
    BTN_begin_focus_ring();
    BTN_frame2(12, 100, 100, 500, 300, "Installer options");
    BTN_bool(200, 330, &log_actions, "Log|installer actions", 0);
    BTN_enterstring(200, 260, &host, 65, "Proxy host", 300, 1);
    BTN_action(350, 160, 0, 0, 1, "INSTALL", "-");
    EXPECT_TRUE(alerts.alerts().empty());

    // The panel covers its rectangle: its middle differs from the window's background.
    EXPECT_GT(differing_pixels(300, 180, 50, 40, 20, 20), 1500);
    // The check box and its mark stand out from the panel around them.
    EXPECT_GT(differing_pixels(191, 324, 18, 18, 240, 370), 60);
    // The text field's frame and its selected text (the field took focus by itself).
    EXPECT_GT(differing_pixels(200, 255, 300, 12, 240, 370), 500);
    EXPECT_GT(differing_pixels(200, 258, 80, 8, 450, 258), 40); // glyphs and selection against the empty rest
    EXPECT_EQ(BTN_focused_id(), BTN_focus_id_of(200, 260));
    // The push button's rim and its label inside it.
    EXPECT_GT(differing_pixels(318, 148, 64, 24, 240, 370), 150);
    EXPECT_GT(differing_pixels(330, 154, 40, 10, 240, 370), 40);
    // Left of the panel nothing was drawn over the background.
    EXPECT_EQ(differing_pixels(20, 120, 60, 200, 20, 20), 0);
}

// The key-assignment window over the whole screen: 40 bindings scrolled to the
// end, one selected with its command browser open.
TEST_F(WidgetFrame, KeyAssignmentWindow)
{
    const int fwd = cmnd.add_cmd("sim/view/forward", "Look straight ahead from the pilot's seat.");
    cmnd.add_cmd("sim/view/chase", "Follow the aircraft from behind.");
    cmnd.add_cmd("sim/operation/quit", "Leave the program.");
    keys = keys_class{};
    for (int i = 0; i < 40; ++i)
        keys.bindings.push_back({SKYD_VK_F1 + i % 12, i % 3 == 0 ? skyd_ControlFlag : 0, 0, 0});
    keys.bindings[39].cmnd = fwd;
    key_window_state st;
    st.k_cen = 99;    // clamped to 6
    st.k_change = 39; // the bottom row
    gl.ClearColor(0, 0, 0, 1);
    gl.Clear(GL_COLOR_BUFFER_BIT);
    OGL_plot_back_col();
    BTN_begin_focus_ring();
    keys.keys_wind_frame(st);
    EXPECT_TRUE(alerts.alerts().empty());
    EXPECT_EQ(st.k_cen, 6);

    // Button rims and labels down the list, the selected one at the bottom lit.
    EXPECT_GT(differing_pixels(20, 680, 136, 18, 395, 5), 150);
    EXPECT_GT(differing_pixels(20, 20, 136, 18, 395, 5), 150);
    // The command and its description in the middle panel, the browser's boxes above them.
    EXPECT_GT(differing_pixels(430, 365, 150, 12, 512, 320), 40);
    EXPECT_GT(differing_pixels(430, 675, 100, 18, 512, 600), 40);
    keys = keys_class{};
    cmnd = cmnd_class{};
}
