// about_frame_test.cpp - the About window on a real frame buffer (Xvfb with
// Mesa's software GL): one drawing pass with the update button showing, read
// back and left as "about_<test>.png" in the working folder (the build
// folder) to look at.
#include "about_fakes.h"
#include "foundation/hl_types.h"
#include "graphics/builtin_textures.h"
#include "graphics/gl_calls.h"
#include "graphics/ogl_extensions.h"
#include "graphics/tex_bind.h"
#include "graphics/tex_png.h"
#include "graphics/tman.h"
#include "shell/about_box.h"
#include "shell/subwin.h"
#include "support/testkit.h"
#include "ui/btn_focus.h"
#include "ui/colr.h"
#include "ui/ogl_sbuff.h"
#include "ui/ogl_state.h"
#include "ui/ogl_view.h"

#include <gtest/gtest.h>

#include "support/gl_window.h"

#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <vector>

namespace {

using namespace aboutfx;

class AboutFrame : public ::testing::Test {
protected:
    test_gl_window window{1024, 768};
    alert_recorder alerts;
    temp_dir dir;
    float saved_rgb[colr_count][3];

    void SetUp() override
    {
        ASSERT_TRUE(window.ok()) << "no X server for the window tests: " << window.why();
        std::memcpy(saved_rgb, colr.rgb, sizeof saved_rgb);
        HL_reset_globals();
        HL_fill_tables();
        mnw.x_res_now = 1024;
        mnw.y_res_now = 768;
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
        app_path = dir.path() + "/";
        ASSERT_EQ(mkdir((dir / "Resources").c_str(), 0755), 0);
        ASSERT_EQ(mkdir((dir / "Resources/preferences").c_str(), 0755), 0);
        about_check.reset();
        world = fake_world();
    }
    void TearDown() override
    {
        if (window.ok()) save_frame(::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::memcpy(colr.rgb, saved_rgb, sizeof saved_rgb);
        about_check.reset();
        TEX_set_units_counter(nullptr);
        OGL_reset_state_cache();
        tman.reset();
        TEX_reset_bind();
        glExt = OGL_extensions{};
        BTN_reset_focus();
        HL_reset_globals();
    }

    // The interface colours start-up takes from atlas pixels still in scratch_array.
    static void colours_from_atlas()
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
    void save_frame(const std::string& test)
    {
        app_path.clear();
        OGL_screenshot(0);
        const TEX_image_desc desc = {GL_RGB, 1024, 768, 0, 0};
        TEX_save_png("about_" + test + ".png", desc, scratch_array);
    }
    // Pixels of a window rectangle that differ from the colour at (bx, by) by more than 40 in a channel.
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
    EXPECT_GT(differing(wx0 + 20, wy0 + 253, 120, 10, wx0 + 300, wy0 + 70), 40);
    // The link button and the update button in the bottom row.
    EXPECT_GT(differing(wx0 + 100, wy0 + 10, 180, 14, wx0 + 300, wy0 + 70), 150);
    EXPECT_GT(differing(wx0 + 450, wy0 + 10, 84, 14, wx0 + 300, wy0 + 70), 150);
    // Outside the window nothing but the background.
    EXPECT_EQ(differing(20, 20, 150, 150, 10, 10), 0);
}

} // namespace
