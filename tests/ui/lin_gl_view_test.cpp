// lin_gl_view_test.cpp - the viewport, the camera's matrices and the scissor
// rectangle as real GL holds them, on the tests' Xvfb.
#include "foundation/hl_types.h"
#include "ui/ogl_view.h"
#include "ui/xcam.h"

#include <gtest/gtest.h>

#include "support/gl_window.h"

TEST(ViewOnRealGl, ViewportMatricesAndScissorBox)
{
    test_gl_window window(1280, 1024);
    ASSERT_TRUE(window.ok()) << window.why();
    HL_reset_globals();
    mnw.x_res_now = 1280;
    mnw.y_res_now = 1024;
    OGL_pix_specs(0);

    GLint view[4];
    glGetIntegerv(GL_VIEWPORT, view);
    EXPECT_EQ(view[0], 0);
    EXPECT_EQ(view[2], 1280);
    EXPECT_EQ(view[3], 1024);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLdouble proj[16], mv[16];
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    glGetDoublev(GL_MODELVIEW_MATRIX, mv);
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(proj[i], xcam.proj[i], 1e-6);
        EXPECT_EQ(mv[i], i % 5 == 0 ? 1.0 : 0.0);
    }
    EXPECT_NEAR(proj[0], 2.0 / 1280, 1e-9);

    mnw.wind_x = 128;
    mnw.wind_y = 256;
    OGL_scissors(10.5f, 20, 100, -4);
    GLint box[4];
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(box[0], 138);
    EXPECT_EQ(box[1], 276);
    EXPECT_EQ(box[2], 100);
    EXPECT_EQ(box[3], 0);
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    OGL_scissors_end();
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    HL_reset_globals();
}
