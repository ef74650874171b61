// btn_smoke_test.cpp - widgets on a real frame buffer (Xvfb with Mesa's
// software GL): a dialog panel with a push button, a check box and a text
// field drawn from the interface atlas, read back pixel by pixel and left as
// "widgets_<test>.png" in the working folder (the build folder) to look at.
#include "foundation/hl_types.h"
#include "graphics/builtin_textures.h"
#include "graphics/gl_calls.h"
#include "graphics/ogl_extensions.h"
#include "graphics/tex_bind.h"
#include "graphics/tex_png.h"
#include "graphics/tman.h"
#include "support/testkit.h"
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

#include "support/gl_window.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The interface colours start-up takes from atlas pixels still in scratch_array.
void colours_from_atlas()
{
    auto pick = [](int column, int row, int index) {
        const unsigned char* p = scratch_array + 4 * (512 * row + column);
        colr.assign(index, p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f);
    };
    const int indices[] = {34, 35, 36, 37, 38, 40, 41, 42, 43, 45, 46, 47};
    const int rows[] = {155, 147, 139, 131, 123, 115, 107, 99, 91, 83, 75, 67};
    for (int i = 0; i < 12; ++i) pick(319, rows[i], indices[i]);
    pick(395, 115, 44);
    colr.assign(39, (colr.rgb[35][0] + colr.rgb[38][0]) / 2, (colr.rgb[35][1] + colr.rgb[38][1]) / 2,
                (colr.rgb[35][2] + colr.rgb[38][2]) / 2);
}

class WidgetFrame : public ::testing::Test {
protected:
    test_gl_window window{1024, 768};
    alert_recorder alerts;
    float saved_rgb[colr_count][3];

    void SetUp() override
    {
        ASSERT_TRUE(window.ok()) << "no X server for the window tests: " << window.why();
        std::memcpy(saved_rgb, colr.rgb, sizeof saved_rgb);
        HL_reset_globals();
        HL_fill_tables();
        mnw.x_res_now = 1024;
        mnw.y_res_now = 768;
        mnw.wind_dx = 1024;
        mnw.wind_dy = 768;
        mnw.menu_open = -1;
        ren.tex_units = 2;
        glExt.max_tex_size = 2048;
        glExt.combine_avail = 1;
        glExt.tex_clamp_avail = 1;
        gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
        gl.PixelStorei(GL_PACK_ALIGNMENT, 1);
        gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        gl.DepthMask(GL_FALSE);
        TEX_set_units_counter(&num_units);
        OGL_reset_state_cache();
        OGL_setstate(1, 0, 3, 4, 9, 11);
        tman.reset();
        TEX_reset_bind();
        recall_ins_texes();
        colours_from_atlas();
        OGL_pix_specs(0);
        BTN_reset_focus();
        BTN_reset_text_fields();
    }
    void TearDown() override
    {
        if (window.ok()) save_frame(::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::memcpy(colr.rgb, saved_rgb, sizeof saved_rgb);
        TEX_set_units_counter(nullptr);
        OGL_reset_state_cache();
        tman.reset();
        TEX_reset_bind();
        glExt = OGL_extensions{};
        KEYS_set_focus_hook(nullptr);
        BTN_set_unfocus_hook(nullptr);
        BTN_reset_focus();
        BTN_reset_text_fields();
        HL_reset_globals();
    }

    void save_frame(const std::string& test)
    {
        app_path.clear();
        OGL_screenshot(0);
        const TEX_image_desc desc = {GL_RGB, 1024, 768, 0, 0};
        TEX_save_png("widgets_" + test + ".png", desc, scratch_array);
    }

    // Pixels of a rectangle that differ from the colour at (bx, by) by more than 40 in a channel.
    static int differing(int x, int y, int w, int h, int bx, int by)
    {
        unsigned char base[3];
        gl.ReadPixels(bx, by, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, base);
        std::vector<unsigned char> p(std::size_t(w) * h * 3);
        gl.ReadPixels(x, y, w, h, GL_RGB, GL_UNSIGNED_BYTE, p.data());
        int n = 0;
        for (std::size_t i = 0; i < p.size(); i += 3)
            n += std::abs(p[i] - base[0]) > 40 || std::abs(p[i + 1] - base[1]) > 40 || std::abs(p[i + 2] - base[2]) > 40;
        return n;
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
    EXPECT_GT(differing(300, 180, 50, 40, 20, 20), 1500);
    // The check box and its mark stand out from the panel around them.
    EXPECT_GT(differing(191, 324, 18, 18, 240, 370), 60);
    // The text field's frame and its selected text (the field took focus by itself).
    EXPECT_GT(differing(200, 255, 300, 12, 240, 370), 500);
    EXPECT_GT(differing(200, 258, 80, 8, 450, 258), 40); // glyphs and selection against the empty rest
    EXPECT_EQ(BTN_focused_id(), BTN_focus_id_of(200, 260));
    // The push button's rim and its label inside it.
    EXPECT_GT(differing(318, 148, 64, 24, 240, 370), 150);
    EXPECT_GT(differing(330, 154, 40, 10, 240, 370), 40);
    // Left of the panel nothing was drawn over the background.
    EXPECT_EQ(differing(20, 120, 60, 200, 20, 20), 0);
}
