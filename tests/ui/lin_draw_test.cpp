// lin_draw_test.cpp - what the drawing layer puts on a real frame buffer
// (Xvfb with Mesa's software GL), read back pixel by pixel: primitives, the
// glyphs of the interface atlas the right way up, the backdrop tiles, and a
// screenshot read back with the program's own PNG reader. Each test leaves a
// PNG of its frame in its build folder to look at.
#include "ui/ogl_draw.h"
#include "ui/ogl_sbuff.h"
#include "ui/ogl_text.h"

#include "foundation/hl_types.h"
#include "graphics/builtin_images.h"
#include "graphics/gl_calls.h"
#include "graphics/tex_any.h"
#include "support/image_builder.h"
#include "support/testkit.h"
#include "ui/colr.h"

#include <gtest/gtest.h>

#include "support/gl_frame_test.h"

#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <unistd.h>
#include <string>
#include <vector>

namespace {

// A 1024 x 768 window set up as the program's context set-up leaves GL, the
// interface textures loaded, the 2D projection over the whole window, cleared to black.
class DrawnFrame : public gl_frame_test {
protected:
    DrawnFrame() : gl_frame_test("drawn_") {}

    void SetUp() override
    {
        gl_frame_test::SetUp();
        if (HasFatalFailure()) return;
        gl.ClearColor(0, 0, 0, 1);
        gl.Clear(GL_COLOR_BUFFER_BIT);
    }

    static std::vector<unsigned char> region(int x, int y, int w, int h)
    {
        std::vector<unsigned char> p(std::size_t(w) * h * 3);
        gl.ReadPixels(x, y, w, h, GL_RGB, GL_UNSIGNED_BYTE, p.data());
        return p;
    }
};

const rgb black{0, 0, 0}, white{255, 255, 255};

} // namespace

TEST_F(DrawnFrame, FrameRectangleCoversItsOutlineOnly)
{
    mnw.wind_x = 20;
    mnw.wind_y = 10;
    OGL_framerect(col_spectrum_label, 1, 80, 90, 50, 30); // pixels 100..150 x 100..130
    int lit = 0, wrong = 0;
    for (int y = 95; y <= 135; ++y)
        for (int x = 95; x <= 155; ++x) {
            const bool edge = (x == 100 || x == 150) ? (y >= 100 && y <= 130) : (y == 100 || y == 130) && x >= 100 && x <= 150;
            const rgb p = pixel_at(x, y);
            if (edge && p == white) ++lit;
            if (!(p == (edge ? white : black))) ++wrong;
        }
    EXPECT_EQ(lit, 2 * 51 + 2 * 29);
    EXPECT_EQ(wrong, 0);
    EXPECT_TRUE(alerts.alerts().empty());
}

TEST_F(DrawnFrame, GreenModeAndTheLightingRule)
{
    colr.lite[0] = colr.lite[1] = colr.lite[2] = 0.5f;
    colr.assign(col_widget_text, 1, 1, 1);
    colr.assign(col_body_text, 1, 1, 1);
    OGL_fillrect(col_widget_text, 1, 10, 10, 20, 20);
    OGL_fillrect(col_body_text, 1, 40, 10, 20, 20);
    colr.lite[0] = colr.lite[1] = colr.lite[2] = 1;
    ren.draw_green = 1;
    OGL_fillrect(17, 1, 70, 10, 20, 20);  // (0, 0, 0.6): green of 0.6
    OGL_fillrect(1, 1, 100, 10, 20, 20);  // bright red sums past 1
    ren.draw_green = 0;
    const rgb half = pixel_at(20, 20);
    EXPECT_NEAR(half.r, 128, 1);
    EXPECT_EQ(half.r, half.g);
    EXPECT_EQ(half.g, half.b);
    EXPECT_EQ(pixel_at(50, 20), white);
    const rgb green = pixel_at(80, 20);
    EXPECT_EQ(green.r, 0);
    EXPECT_NEAR(green.g, 153, 1);
    EXPECT_EQ(green.b, 0);
    EXPECT_EQ(pixel_at(110, 20), (rgb{0, 255, 0}));
    // Fills cover exactly their size: the last column and row are outside.
    EXPECT_EQ(pixel_at(30, 20), black);
    EXPECT_EQ(pixel_at(20, 30), black);
    EXPECT_EQ(pixel_at(29, 29), half);
}

// Each glyph on the screen is its atlas cell, texel for texel, the sheet's
// bottom row at the glyph's bottom: 'F' has its bar at the top, 'L' at the bottom.
TEST_F(DrawnFrame, GlyphsAreTheirAtlasCellsUpright)
{
    struct {
        char ch;
        int col, row;
    } const glyphs[] = {{'F', 0, 1}, {'L', 12, 1}, {'g', 3, 1}, {'7', 8, 0}, {'?', 4, 4}};
    float x = 100;
    for (const auto& g : glyphs) {
        SCOPED_TRACE(g.ch);
        OGL_string(col_spectrum_label, x, 302, std::string(1, g.ch), 9999, font_interface, 0);
        const int left = static_cast<int>(x), bottom = 300 - 4; // pen y 300, the cell 4 below
        const std::vector<unsigned char> shown = region(left, bottom, 14, 15);
        int ink = 0, mismatched = 0;
        int first_ink_row = -1, last_ink_row = -1, bottom_width = 0, top_width = 0;
        for (int r = 0; r < 15; ++r) {
            int row_ink = 0;
            for (int c = 0; c < 14; ++c) {
                const std::size_t texel = (std::size_t(g.row * 15 + r) * 512 + std::size_t(g.col * 14 + c)) * 4;
                const int alpha = t_interface_dat[texel + 3];
                const int seen = shown[(std::size_t(r) * 14 + c) * 3 + 1];
                if (std::abs(seen - alpha) > 2) ++mismatched;
                if (seen > 128) ++row_ink;
            }
            ink += row_ink;
            if (row_ink) {
                if (first_ink_row < 0) {
                    first_ink_row = r;
                    bottom_width = row_ink;
                }
                last_ink_row = r;
                top_width = row_ink;
            }
        }
        EXPECT_EQ(mismatched, 0);
        EXPECT_GT(ink, 8);
        if (g.ch == 'F') {
            EXPECT_GT(top_width, bottom_width);
        }
        if (g.ch == 'L') {
            EXPECT_GT(bottom_width, top_width);
        }
        // The baseline is the pen's y: ink of 'F' starts on it, 'g' descends below it.
        if (g.ch == 'F') {
            EXPECT_EQ(first_ink_row, 4);
        }
        if (g.ch == 'g') {
            EXPECT_LT(first_ink_row, 4);
        }
        EXPECT_GT(last_ink_row, 8);
        x += 20;
    }
    EXPECT_TRUE(alerts.alerts().empty());
}

// A sample of the interface: wrapped, centred and right-aligned text, both
// number forms and primitives; saved for the eye, and read back for sense.
TEST_F(DrawnFrame, SampleScreenReads)
{
    OGL_plot_back_col();
    OGL_fillrect(col_white, 0.25f, 40, 420, 440, 300);
    OGL_framerect(col_spectrum_label, 1, 40, 420, 440, 300);
    const std::string text =
        "Skylume Installer - the quick brown fox jumps over the lazy dog. Destination: /home/pilot/Skylume 12/. "
        "\xC1rbol, caf\xE9, ni\xF1o, \xBFQu\xE9? 100% done: 42.5\xFB";
    float y = OGL_string(col_spectrum_label, 50, 700, text, 420, font_interface, 0);
    y = OGL_string(col_spectrum_label, 260, y - 10, "Centred line", 9999, font_interface, 1);
    OGL_string(col_spectrum_label, 470, y - 10, "Right-aligned line", 9999, font_interface, 2);
    OGL_number(col_spectrum_label, 50, 560, 12345.678f, 7, 2, font_interface);
    OGL_number(col_spectrum_label, 200, 560, 12345.678f, 7, 2, font_fixed);
    OGL_number(col_spectrum_label, 350, 560, 1.0f / 0.0f, 5, 0, font_interface);
    OGL_string(col_spectrum_label, 50, 540, "ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz", 9999,
               font_interface, 0);
    OGL_string(col_spectrum_label, 50, 525, "0123456789 !@#$%^&*()-_+=[]|\\':;<.>,?/`", 9999, font_interface, 0);
    OGL_gray_string(col_spectrum_label, 260, 470, "On a grey plate");
    OGL_fillcircle(col_status_red, 600, 600, 40);
    OGL_framecircle(col_spectrum_label, 600, 600, 50);
    OGL_arc(col_status_green, 600, 600, 60, 64, 0, 270);
    OGL_line(col_spectrum_label, 1, 560, 500, 700, 520);
    EXPECT_TRUE(alerts.alerts().empty());
    // Text is in the panel, white on its tint.
    int bright = 0;
    for (const unsigned char v : region(50, 640, 420, 60)) bright += v > 200;
    EXPECT_GT(bright, 600);
}

// The screenshot goes to a numbered file in the program folder; read back with
// the program's own PNG reader it is the frame, pixel for pixel.
TEST_F(DrawnFrame, ScreenshotReadsBackThroughThePngReader)
{
    temp_dir dir;
    app_path = dir.path() + "/";
    OGL_fillrect(col_status_red, 1, 0, 0, 512, 384);
    OGL_string(col_spectrum_label, 600, 400, "Screenshot", 9999, font_interface, 0);
    ASSERT_EQ(OGL_screenshot(1), 1);
    const std::vector<unsigned char> frame = region(0, 0, 1024, 768);
    EXPECT_EQ(std::memcmp(frame.data(), scratch_array, frame.size()), 0);

    unsigned char* pixels = nullptr;
    TEX_image_desc desc{};
    ASSERT_EQ(TEX_load_any("screenshot_1.png", pixels, 0, GL_RGB, 0, 0, desc), 1);
    EXPECT_EQ(desc.width, 1024);
    EXPECT_EQ(desc.height, 768);
    std::size_t off = 0;
    for (std::size_t i = 0; i < frame.size(); ++i)
        if (std::abs(int(frame[i]) - int(pixels[i])) > 1) ++off;
    EXPECT_EQ(off, 0u);
    EXPECT_EQ(pixels[0], 255); // bottom-left is the red fill: rows bottom-up both ways
    free(pixels);
}

// A test program started from another folder (the source root) still leaves
// its pictures in its build folder.
TEST_F(DrawnFrame, SavedFramesGoToTheBuildFolderWhateverTheCurrentFolder)
{
    temp_dir elsewhere;
    char* const started_in = getcwd(nullptr, 0);
    ASSERT_EQ(chdir(elsewhere.path().c_str()), 0);
    const std::string name = "frame_saved_from_elsewhere.png";
    std::remove((test_program_folder() + name).c_str());
    const int written = save_frame_png(name);
    EXPECT_EQ(chdir(started_in), 0);
    free(started_in);
    EXPECT_EQ(written, 1);
    EXPECT_EQ(read_file(test_program_folder() + name).substr(1, 3), "PNG");
    EXPECT_FALSE(std::filesystem::exists(elsewhere / name)) << "written into the current folder";
}

// A picture of 1024 x 768 before the first frame fills the window from its
// tiles: each quadrant shows the picture's own colour there.
TEST_F(DrawnFrame, BackdropFromItsTiles)
{
    temp_dir dir;
    app_path = dir.path() + "/";
    ASSERT_EQ(system(("mkdir -p '" + dir.path() + "/Resources/bitmaps'").c_str()), 0);
    // y counted from the top in the file: the top rows blue, a red column at x 600.
    write_file(dir / "Resources/bitmaps/intro.png", make_png(rgba_png_spec(1024, 768, [](int x, int y) {
                   if (x >= 600 && x < 610) return 0xFF0000FFu;
                   return y < 100 ? 0x0000FFFFu : 0x00FF00FFu;
               })));
    mnw.cur_wind = -1;
    OGL_make_back_tex();
    EXPECT_EQ(back_dx, 1024);
    EXPECT_EQ(back_dy, 768);
    OGL_plot_back_tex();
    EXPECT_EQ(pixel_at(10, 10), (rgb{0, 255, 0}));
    EXPECT_EQ(pixel_at(10, 700), (rgb{0, 0, 255}));
    EXPECT_EQ(pixel_at(1000, 700), (rgb{0, 0, 255}));
    EXPECT_EQ(pixel_at(605, 300), (rgb{255, 0, 0}));
    EXPECT_EQ(pixel_at(599, 300), (rgb{0, 255, 0}));
    EXPECT_EQ(pixel_at(605, 600), (rgb{255, 0, 0})); // across the tile seam at 512
    EXPECT_TRUE(alerts.alerts().empty());
}
