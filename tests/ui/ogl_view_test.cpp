// ogl_view_test.cpp - screen metrics, the viewport and its projection, scissors.
#include "ui/ogl_view.h"

#include "foundation/hl_types.h"
#include "support/gl_recorder.h"
#include "ui/xcam.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using calls = std::vector<gl_call>;
const auto C = [](auto... a) { return gl_call_of(a...); };

struct ViewAndMetrics : ::testing::Test {
    gl_recorder rec;
    void SetUp() override { HL_reset_globals(); }
    void TearDown() override { HL_reset_globals(); }
};

} // namespace

TEST_F(ViewAndMetrics, MetricsForWindowSizes)
{
    struct {
        int w, h, cur_wind;
        float x_off, y_off, half_dx;
    } const cases[] = {
        {1024, 768, 0, 0, 0, 512}, {1280, 1024, 0, 128, 256, 640}, {800, 600, 0, 0, 0, 400},
        {1280, 1024, -1, 0, 256, 640}, // the start-up status screen: no centring
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " window " << c.cur_wind);
        mnw.x_res_now = c.w;
        mnw.y_res_now = c.h;
        mnw.cur_wind = c.cur_wind;
        rec.calls.clear();
        OGL_pix_specs(0);
        EXPECT_EQ(mnw.ui_scale, 1.0f);
        EXPECT_EQ(mnw.pix_x_off, c.x_off);
        EXPECT_EQ(mnw.pix_y_off, c.y_off);
        EXPECT_EQ(mnw.half_dx, c.half_dx);
        EXPECT_EQ(mnw.half_dy, 384.0f);
        EXPECT_EQ(mnw.ortho_x1, 0.0f);
        EXPECT_EQ(mnw.ortho_x2, float(c.w));
        EXPECT_EQ(mnw.ortho_y2, float(c.h));
        if (c.cur_wind == -1)
            EXPECT_TRUE(rec.calls.empty());
        else
            EXPECT_EQ(rec.named({"glViewport"}), (calls{C("glViewport", 0, 0, c.w, c.h)}));
    }
}

TEST_F(ViewAndMetrics, TwoDimensionalViewport)
{
    mnw.x_res_now = 1024;
    mnw.y_res_now = 768;
    OGL_pix_specs(0); // sets the 2D viewport, cur_wind 0
    EXPECT_EQ(rec.calls, (calls{C("glMatrixMode", GL_PROJECTION), C("glLoadIdentity"), C("glViewport", 0, 0, 1024, 768),
                                C("glMatrixMode", GL_PROJECTION), C("glLoadMatrixd", 0),
                                C("glMatrixMode", GL_MODELVIEW), C("glLoadMatrixd", 0)}));
    EXPECT_TRUE(xcam.is_ortho);
    EXPECT_EQ(xcam.ortho_left, 0);
    EXPECT_EQ(xcam.ortho_right, 1024);
    EXPECT_EQ(xcam.ortho_bottom, 0);
    EXPECT_EQ(xcam.ortho_top, 768);
    EXPECT_EQ(xcam.near_z, 1);
    EXPECT_EQ(xcam.far_z, -1);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(xcam.mv[i], i % 5 == 0 ? 1.0 : 0.0);
    EXPECT_FALSE(xcam.mv_stale);
    EXPECT_EQ(rec.matrix_mode, static_cast<GLenum>(GL_MODELVIEW));
}

TEST_F(ViewAndMetrics, PerspectiveFitsTheAspectBeforeTheZoom)
{
    mnw.ui_scale = 1;
    // Viewport 200 x 100: bottom and top halved, then the zoom of 2 halves all four.
    OGL_viewport(3, -1, 0, -1, 0, 1, 200, 2, 1, 100, 50, 2.0f, 1);
    xcam_class want;
    want.SetupFrustum(-1, 1, -0.5, 0.5, 2, 50);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(xcam.proj[i], want.proj[i], 1e-6) << i;
    EXPECT_FALSE(xcam.is_ortho);
    EXPECT_EQ(rec.named({"glViewport"}), (calls{C("glViewport", 0, 0, 200, 100)}));
    // A viewport without width divides nothing.
    OGL_viewport(3, -1, 0, -1, 0, 1, 0, 2, 1, 100, 50, 1.0f, 1);
    EXPECT_EQ(xcam.proj[5], 1.0); // 2n / (t - b) with t - b = 4: no fit, no zoom
}

TEST_F(ViewAndMetrics, ScissorsInTheCurrentSubWindow)
{
    mnw.ui_scale = 1;
    OGL_scissors(10, 10, -5, 20);
    EXPECT_EQ(rec.calls, (calls{C("glEnable", GL_SCISSOR_TEST), C("glScissor", 10, 10, 0, 20)}));
    rec.calls.clear();
    mnw.wind_x = 100;
    mnw.wind_y = 50;
    OGL_scissors(10.7f, 20, 30.5f, 40);
    EXPECT_EQ(rec.named({"glScissor"}), (calls{C("glScissor", 110, 70, 30, 40)}));
    OGL_scissors_end();
    EXPECT_FALSE(rec.is_on(GL_SCISSOR_TEST));
}

TEST_F(ViewAndMetrics, ScreenSizeAndOffsets)
{
    mnw.x_res_now = 1280;
    mnw.y_res_now = 1024;
    mnw.ui_scale = 1;
    OGL_screensize(2, 5, 5, 5, 5);
    OGL_screensize(0, 10, 20, 110.9f, 220);
    OGL_poly_offset(2);
    OGL_poly_offset(0);
    EXPECT_EQ(rec.calls,
              (calls{C("glViewport", 0, 0, 1280, 1024), C("glViewport", 10, 20, 100, 200),
                     C("glEnable", GL_POLYGON_OFFSET_FILL), C("glPolygonOffset", -20, -1),
                     C("glDisable", GL_POLYGON_OFFSET_FILL)}));
}
