// ogl_draw_test.cpp - the drawing layer against the recording GL: the
// vertices each primitive emits, the colour rule, texture binds, the calls a
// string costs, the buffer swap's colour, the backdrop's tiles and the
// screenshot's files. Pixels on real GL are in lin_draw_test.cpp.
#include "ui/ogl_draw.h"
#include "ui/ogl_sbuff.h"
#include "ui/ogl_text.h"

#include "foundation/hl_types.h"
#include "graphics/ogl_extensions.h"
#include "graphics/tex_bind.h"
#include "graphics/tex_png.h"
#include "graphics/tman.h"
#include "support/gl_recorder.h"
#include "support/image_builder.h"
#include "support/testkit.h"
#include "ui/colr.h"
#include "ui/ogl_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <dirent.h>
#include <functional>
#include <sys/stat.h>
#include <string>
#include <vector>

namespace {

using calls = std::vector<gl_call>;
const auto C = [](auto... a) { return gl_call_of(a...); };

// The recorder, with the colour pointer calls recorded by value.
struct Drawing : ::testing::Test {
    gl_recorder rec;
    alert_recorder alerts;
    float saved_rgb[colr_count][3];
    float saved_lite[3];

    void SetUp() override
    {
        std::memcpy(saved_rgb, colr.rgb, sizeof saved_rgb);
        std::memcpy(saved_lite, colr.lite, sizeof saved_lite);
        HL_reset_globals();
        HL_fill_tables();
        ren.tex_units = 2;
        gl.Color3fv = [](const GLfloat* v) {
            gl_recorder::current()->calls.push_back({"glColor3fv", {v[0], v[1], v[2]}});
        };
        OGL_reset_state_cache();
        OGL_setstate(1, 0, 3, 4, 9, 11);
        tman.reset();
        TEX_reset_bind();
        alert_recorder::alerts().clear();
        rec.calls.clear();
    }
    void TearDown() override
    {
        std::memcpy(colr.rgb, saved_rgb, sizeof saved_rgb);
        std::memcpy(colr.lite, saved_lite, sizeof saved_lite);
        OGL_reset_state_cache();
        tman.reset();
        TEX_reset_bind();
        HL_reset_globals();
    }
    // Makes refs count as loaded, each as its own GL texture.
    static void mark_loaded(std::initializer_list<int> refs)
    {
        for (int ref : refs) {
            if (tman.ref_dat.size() <= std::size_t(ref)) tman.ref_dat.resize(std::size_t(ref) + 1);
            tman.ref_dat[ref].tex = unsigned(ref);
            tman.ref_dat[ref].load_time = tex_load_now;
            tman.ref_dat[ref].format = GL_RGBA;
        }
    }
    std::vector<std::pair<double, double>> vertices() const
    {
        std::vector<std::pair<double, double>> v;
        for (const gl_call& c : rec.named({"glVertex2f"})) v.push_back({c.args[0], c.args[1]});
        return v;
    }
    std::vector<double> bound() const
    {
        std::vector<double> v;
        for (const gl_call& c : rec.named({"glBindTexture"})) v.push_back(c.args[1]);
        return v;
    }
};

using points = std::vector<std::pair<double, double>>;

std::vector<std::string> entries(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (const dirent* e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST_F(Drawing, PrimitiveGeometryInASubWindow)
{
    struct {
        const char* what;
        std::function<void()> draw;
        GLenum mode;
        points want;
    } const cases[] = {
        {"fillrect", [] { OGL_fillrect(3, 1, 10, 20, 30, 40); }, GL_QUADS, {{110, 70}, {110, 110}, {140, 110}, {140, 70}}},
        {"framerect through pixel centres", [] { OGL_framerect(3, 1, 10, 20, 30, 40); }, GL_LINE_LOOP,
         {{110.5, 70.5}, {110.5, 110.5}, {140.5, 110.5}, {140.5, 70.5}}},
        {"line", [] { OGL_line(3, 1, 0, 0, 5, 6); }, GL_LINES, {{100.5, 50.5}, {105.5, 56.5}}},
        {"grayrect takes two corners", [] { OGL_grayrect(1, 2, 3, 4, 0.5f); }, GL_QUADS,
         {{101, 52}, {101, 54}, {103, 54}, {103, 52}}},
        {"back colour covers the whole window", [] { OGL_plot_back_col(); }, GL_QUADS,
         {{0, 0}, {0, 768}, {1024, 768}, {1024, 0}}},
        {"2dquad corners in order", [] { OGL_2dquad(0, 49, 1, 0, 0, 0, 0, 0, 9, 0, 1, 9, 9, 1, 1, 9, 0, 1, 0, 1, 5); },
         GL_QUADS, {{100, 50}, {100, 59}, {109, 59}, {109, 50}}},
        {"2dquad_d", [] { OGL_2dquad_d(0, 49, 1, 1, 2, 0, 0, 8, 4, 1, 1, 5); }, GL_QUADS,
         {{101, 52}, {101, 56}, {109, 56}, {109, 52}}},
    };
    mnw.wind_x = 100;
    mnw.wind_y = 50;
    mnw.x_res_now = 1024;
    mnw.y_res_now = 768;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        rec.calls.clear();
        c.draw();
        EXPECT_EQ(rec.named({"glBegin"}), (calls{C("glBegin", c.mode)}));
        EXPECT_EQ(rec.count("glEnd"), 1);
        EXPECT_EQ(vertices(), c.want);
    }
    EXPECT_TRUE(alerts.alerts().empty());
}

TEST_F(Drawing, ColourRule)
{
    struct {
        const char* what;
        int colour;
        float alpha, draw_alpha;
        int green;
        float lite;
        gl_call want;
    } const cases[] = {
        {"opaque above 0.99", 3, 0.995f, 1, 0, 1, C("glColor3fv", 0.7f, 0.7f, 0.7f)},
        {"0.99 itself blends", 3, 0.99f, 1, 0, 1, C("glColor4f", 0.7f, 0.7f, 0.7f, 0.99f)},
        {"draw_alpha multiplies", 3, 1, 0.5f, 0, 1, C("glColor4f", 0.7f, 0.7f, 0.7f, 0.5f)},
        {"45 is lit", 45, 1, 1, 0, 0.5f, C("glColor3fv", 0.1f, 0.2f, 0.3f)},
        {"46 is not", 46, 1, 1, 0, 0.5f, C("glColor3fv", 0.2f, 0.4f, 0.6f)},
        {"green sums", 45, 1, 1, 1, 1, C("glColor3fv", 0, 1.0f, 0)},
        {"green of black", 11, 1, 1, 1, 1, C("glColor3fv", 0, 0.01f, 0)},
        {"green of a dim colour", 60, 1, 1, 1, 1, C("glColor3fv", 0, 0.9f, 0)},
    };
    colr.assign(45, 0.2f, 0.4f, 0.6f);
    colr.assign(46, 0.2f, 0.4f, 0.6f);
    colr.assign(60, 0.2f, 0.3f, 0.4f);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ren.draw_alpha = c.draw_alpha;
        ren.draw_green = c.green;
        colr.lite[0] = colr.lite[1] = colr.lite[2] = c.lite;
        rec.calls.clear();
        OGL_set_colour(c.colour, c.alpha);
        ASSERT_EQ(rec.calls.size(), 1u);
        ASSERT_EQ(rec.calls[0].name, c.want.name);
        ASSERT_EQ(rec.calls[0].args.size(), c.want.args.size());
        for (size_t i = 0; i < c.want.args.size(); ++i)
            EXPECT_NEAR(rec.calls[0].args[i], std::min(c.want.args[i], 1.0), 1e-6) << i;
    }
}

// An index outside the table is caught by the table's bound alert and drawn
// black; nothing is read past the table (the sanitizer build watches).
TEST_F(Drawing, ColourIndexOutsideTheTable)
{
    for (int bad : {-1, 104, 1 << 30}) {
        SCOPED_TRACE(bad);
        rec.calls.clear();
        OGL_fillrect(bad, 1, 0, 0, 1, 1);
        EXPECT_EQ(rec.named({"glColor3fv"}), (calls{C("glColor3fv", 0, 0, 0)}));
    }
    ASSERT_EQ(alerts.alerts().size(), 3u);
    EXPECT_EQ(alerts.alerts()[0].lines.l1, "Colour index out of range in colr_class::lit_rgb!");
}

TEST_F(Drawing, TexturedQuadBindsAfterItsStates)
{
    glExt.combine_avail = 1;
    mark_loaded({388, 414});
    OGL_2dquad(388, 49, 1, 0, 0, 0, 0, 0, 1, 0, 1, 1, 1, 1, 1, 1, 0, 1, 0, 1, 5);
    EXPECT_EQ(bound(), std::vector<double>{388});
    // Texturing is on before the bind, which is before the colour.
    std::vector<std::string> order;
    for (const gl_call& c : rec.calls)
        if (c.name == "glEnable" || c.name == "glBindTexture" || c.name == "glColor3fv") order.push_back(c.name);
    EXPECT_EQ(order, (std::vector<std::string>{"glEnable", "glEnable", "glBindTexture", "glColor3fv"}));
    const auto modulate = C("glTexEnvi", GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    EXPECT_EQ(rec.named({"glTexEnvi"}).front(), modulate);
    rec.calls.clear();
    OGL_2dquad(0, 49, 1, 0, 0, 0, 0, 0, 1, 0, 1, 1, 1, 1, 1, 1, 0, 1, 0, 1, 5);
    EXPECT_TRUE(bound().empty());
    rec.calls.clear();
    OGL_2dquad(414, 49, 1, 0, 0, 0, 0, 0, 1, 0, 1, 1, 1, 1, 1, 1, 0, 1, 0, 1, 5);
    EXPECT_EQ(bound(), std::vector<double>{414});
    EXPECT_EQ(rec.named({"glTexEnvi"}).front(), C("glTexEnvi", GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE));
    EXPECT_TRUE(alerts.alerts().empty());
    glExt = OGL_extensions{};
}

TEST_F(Drawing, CirclesArcsAndRamp)
{
    OGL_fillcircle(3, 0, 0, 2);
    ASSERT_EQ(rec.count("glBegin"), 5);
    const points rows = vertices();
    EXPECT_EQ(rows.front(), std::make_pair(0.5, -1.5)); // d = -2: zero length
    EXPECT_EQ(rows[1], std::make_pair(0.5, -1.5));
    EXPECT_EQ(rows[4].second, 0.5); // d = 0 spans the diameter
    EXPECT_EQ(rows[4].first, -1.5);
    EXPECT_EQ(rows[5].first, 2.5);

    rec.calls.clear();
    OGL_arc(3, 0, 0, 10, 11, 0, 2.5f);
    EXPECT_EQ(rec.count("glBegin"), 6); // two radii of segments P0-P0, P0-P1, P1-P2
    for (const auto& none : {std::make_pair(5.0f, 4.0f), std::make_pair(1e30f, 2e30f)}) {
        rec.calls.clear();
        OGL_arc(3, 0, 0, none.first, none.second, 0, 10);
        OGL_arc(3, 0, 0, 1, 2, 10, 0);
        OGL_fillcircle(3, 0, 0, 1e30f);
        OGL_fillcircle(3, 0, 0, std::nan(""));
        EXPECT_EQ(rec.count("glBegin"), 0);
    }

    struct {
        float v;
        double r, g, b;
    } const ramp[] = {{0.5f, 1, 1, 0}, {-1, 0, 0, 0}, {2, 0.8, 0, 0.8}, {1.0f / 12, 0.5, 0, 0}, {1, 0.8, 0, 0.8}};
    for (const auto& c : ramp) {
        SCOPED_TRACE(c.v);
        rec.calls.clear();
        OGL_spectrum_rgb(c.v);
        ASSERT_EQ(rec.count("glColor4f"), 1);
        const gl_call& got = rec.calls.back();
        EXPECT_NEAR(got.args[0], c.r, 1e-5);
        EXPECT_NEAR(got.args[1], c.g, 1e-5);
        EXPECT_NEAR(got.args[2], c.b, 1e-5);
        EXPECT_EQ(got.args[3], 1.0);
    }
}

// A string costs one state set-up, one bind, one colour and one glBegin/glEnd
// pair, wrapped or not; drawn again, GL hears no state change and no bind.
TEST_F(Drawing, AStringSetsGlUpOnce)
{
    mark_loaded({388});
    const float next = OGL_string(45, 100, 200, "Hello world", 50, font_interface, 0);
    EXPECT_EQ(next, 180);
    EXPECT_EQ(bound(), std::vector<double>{388});
    EXPECT_EQ(rec.count("glBegin"), 1);
    EXPECT_EQ(rec.count("glEnd"), 1);
    EXPECT_EQ(rec.count("glColor3fv"), 1);
    EXPECT_EQ(rec.count("glVertex2f"), 44); // 11 glyphs, the space's blank cell among them
    // The first glyph: 'H' (row 1, column 4) with its cell's bottom 4 below the line's y.
    const calls first = {rec.calls.begin() + static_cast<long>(rec.calls.size() - 44 * 2 - 1),
                         rec.calls.begin() + static_cast<long>(rec.calls.size() - 44 * 2 + 1)};
    EXPECT_EQ(first[1], C("glVertex2f", 100, 194));
    EXPECT_NEAR(first[0].args[0], 56.0 / 512, 1e-7);
    EXPECT_NEAR(first[0].args[1], 15.0 / 512, 1e-7);

    rec.calls.clear();
    OGL_string(45, 100, 200, "Hello world", 50, font_interface, 0);
    for (const gl_call& c : rec.calls) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(c.name == "glColor3fv" || c.name == "glBegin" || c.name == "glEnd" || c.name == "glTexCoord2f" ||
                    c.name == "glVertex2f");
    }
    rec.calls.clear();
    OGL_number(45, 100, 50, 12345.678f, 7, 2, font_fixed);
    EXPECT_EQ(rec.count("glBegin"), 1);
    EXPECT_EQ(rec.count("glVertex2f"), 9 * 4);
    EXPECT_TRUE(alerts.alerts().empty());
}

TEST_F(Drawing, EmptyTextAndBadFont)
{
    mark_loaded({388});
    EXPECT_EQ(OGL_string(45, 10, 20.4f, "", 0, font_interface, 0), 20);
    EXPECT_EQ(rec.count("glBegin"), 0);
    EXPECT_THROW(OGL_string(45, 10, 20, "x", 0, 101, 0), fatal_alert);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].lines.l1, "String proc with bad charset!");
    EXPECT_EQ(alerts.alerts()[0].file, "oglp");
    EXPECT_EQ(alerts.alerts()[0].line, 495);
}

TEST_F(Drawing, SwapLeavesTheNeutralColour)
{
    ren.draw_alpha = 0.5f;
    OGL_sbuff();
    ren.draw_green = 1;
    OGL_sbuff();
    EXPECT_EQ(rec.calls, (calls{C("glColor4f", 1, 1, 1, 0.5), C("glColor4f", 0, 1, 0, 0.5)}));
}

TEST_F(Drawing, BackdropTilesInTheWindow)
{
    mark_loaded({423, 424, 425, 426, 427, 428, 429, 430, 431, 432, 433, 434, 435, 436, 437, 438});
    mnw.x_res_now = 1024;
    mnw.y_res_now = 768;
    back_dx = back_dy = 2048;
    mnw.cur_wind = -1;
    OGL_plot_back_tex();
    EXPECT_EQ(bound(), (std::vector<double>{429, 430, 433, 434}));
    EXPECT_EQ(rec.count("glBegin"), 4); // the picture covers the window: no clearing
    EXPECT_EQ(vertices().front(), std::make_pair(0.0, -256.0));

    // After the first frame, a 1024 x 600 picture from the design area's corner:
    // every tile at its own 512 pixels, the top ones cut with their texture.
    rec.calls.clear();
    mnw.cur_wind = 0;
    mnw.pix_x_off = 0;
    back_dx = 1024;
    back_dy = 600;
    OGL_plot_back_tex();
    EXPECT_EQ(bound(), (std::vector<double>{423, 424, 427, 428}));
    const points v = vertices();
    ASSERT_EQ(v.size(), 16u);
    EXPECT_EQ(v[8], std::make_pair(0.0, 512.0));
    EXPECT_EQ(v[9], std::make_pair(0.0, 600.0));
    const calls tex = rec.named({"glTexCoord2f"});
    EXPECT_NEAR(tex[9].args[1], 88.0 / 512, 1e-6);

    // Before the first frame a smaller picture leaves the window to colour 34.
    rec.calls.clear();
    mnw.cur_wind = -1;
    OGL_plot_back_tex();
    EXPECT_EQ(rec.count("glBegin"), 5);
    EXPECT_EQ(vertices()[2], std::make_pair(1024.0, 768.0));
    back_dx = back_dy = 0;
}

TEST_F(Drawing, BackdropRefusesAPictureLargerThanItsBlock)
{
    temp_dir dir;
    app_path = dir.path() + "/";
    ASSERT_EQ(system(("mkdir -p '" + dir.path() + "/Resources/bitmaps'").c_str()), 0);
    write_file(dir / "Resources/bitmaps/intro.png", make_png(rgba_png_spec(2049, 2, [](int, int) { return 0xFF0000FFu; })));
    xer_capture log;
    mnw.cur_wind = -1;
    EXPECT_THROW(OGL_make_back_tex(), fatal_alert);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].lines.l1, "Trying to load a texture that you do not have!");
    EXPECT_EQ(alerts.alerts()[0].lines.l3,
              std::string("Get a new download from ") + maker_web_address + ". The missing file is:");
    EXPECT_EQ(alerts.alerts()[0].lines.l4, "Resources/bitmaps/intro.png");
    EXPECT_EQ(back_dx, 0);
    EXPECT_EQ(rec.count("glTexImage2D"), 0);
    app_path.clear();
}

TEST_F(Drawing, ScreenshotNumbersAndFailedWrites)
{
    temp_dir dir;
    app_path = dir.path() + "/";
    mnw.x_res_now = 8;
    mnw.y_res_now = 4;
    write_file(dir / "screenshot_1.png", "x");
    write_file(dir / "screenshot_2.png", "x");
    EXPECT_EQ(OGL_screenshot(0), 1);
    EXPECT_EQ(rec.named({"glReadPixels"}), (calls{C("glReadPixels", 0, 0, 8, 4, GL_RGB, GL_UNSIGNED_BYTE, 0)}));
    EXPECT_EQ(OGL_screenshot(1), 1);
    EXPECT_EQ(read_file(dir / "screenshot_3.png").substr(1, 3), "PNG");

    // A name the file cannot take (a folder holds it): a failure, and no
    // partial or temporary file left behind.
    ASSERT_EQ(mkdir((dir / "screenshot_4.png").c_str(), 0755), 0);
    xer_capture log;
    EXPECT_EQ(OGL_screenshot(1), 0);
    EXPECT_NE(log.text().find("screenshot_4.png could not be written"), std::string::npos);
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"screenshot_1.png", "screenshot_2.png",
                                                              "screenshot_3.png", "screenshot_4.png"}));
    // Numbering goes on after the failed number.
    EXPECT_EQ(OGL_screenshot(1), 1);
    EXPECT_EQ(read_file(dir / "screenshot_5.png").substr(1, 3), "PNG");
    app_path.clear();
}

// Large centred windows read their centre.
TEST_F(Drawing, ScreenshotOfAWideWindowReadsItsCentre)
{
    mnw.x_res_now = 2560;
    mnw.y_res_now = 1600;
    OGL_screenshot(0);
    EXPECT_EQ(rec.named({"glReadPixels"}), (calls{C("glReadPixels", 256, 0, 2048, 1600, GL_RGB, GL_UNSIGNED_BYTE, 0)}));
}
