// xcam_test.cpp - the camera's projections, axes and screen projection.
#include "ui/xcam.h"

#include "foundation/hl_types.h"
#include "support/gl_recorder.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Camera, OrthoFromANewCamera)
{
    xcam_class cam;
    EXPECT_TRUE(cam.is_ortho);
    EXPECT_TRUE(cam.mv_stale);
    cam.Identity();
    cam.SetupOrtho(0, 1024, 0, 768, -1, 1);
    EXPECT_EQ(cam.near_z, 1);
    EXPECT_EQ(cam.far_z, -1);
    EXPECT_EQ(cam.fake_far_z, -1);
    EXPECT_DOUBLE_EQ(cam.proj[0], 2.0 / 1024);
    EXPECT_DOUBLE_EQ(cam.proj[12], -1.0);
    float h = 7, v = 7;
    EXPECT_FALSE(cam.GetFOVHalfCosines(&h, &v));
    EXPECT_EQ(h, 7); // nothing written
}

TEST(Camera, FrustumPlanesAndFarLimit)
{
    xcam_class persp, frustum;
    persp.SetupPerspective(90, 2, 1, 100);
    frustum.SetupFrustum(-2, 2, -1, 1, 1, 100);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(persp.proj[i], frustum.proj[i], 1e-12);

    xcam_class cam;
    cam.SetupFrustum(-1, 1, -1, 1, 1, 10);
    EXPECT_FALSE(cam.is_ortho);
    const double r = std::sqrt(0.5);
    EXPECT_NEAR(cam.plane_left[0], r, 1e-12);
    EXPECT_NEAR(cam.plane_left[1], 0, 1e-12);
    EXPECT_NEAR(cam.plane_left[2], -r, 1e-12);
    float h = 0, v = 0;
    EXPECT_TRUE(cam.GetFOVHalfCosines(&h, &v));
    EXPECT_NEAR(h, r, 1e-6);
    EXPECT_NEAR(v, r, 1e-6);

    cam.SetupFrustum(-1, 1, -1, 1, 1, 100);
    cam.SetFakeFarClippingPlane(50);
    EXPECT_EQ(cam.fake_far_z, -50);
    cam.SetFakeFarClippingPlane(500);
    EXPECT_EQ(cam.fake_far_z, -100);
    cam.SetFakeFarClippingPlane(50);
    cam.ResetFakeFarClippingPlane();
    EXPECT_EQ(cam.fake_far_z, -100);
}

TEST(Camera, AxesFromOwnOrGlModelView)
{
    gl_recorder rec;
    xcam_class cam;
    cam.Identity();
    cam.mv_stale = false;
    double up[3], dir[3], right[3];
    cam.CalcUp(up);
    cam.CalcDirection(dir);
    cam.CalcRight(right);
    EXPECT_EQ(rec.count("glGetDoublev"), 0);
    EXPECT_NEAR(up[1], 1, 1e-12);
    EXPECT_NEAR(dir[2], -1, 1e-12);
    EXPECT_NEAR(right[0], 1, 1e-12);

    // Stale: GL's model-view (gluLookAt from the origin towards -x) is read once.
    rec.values[GL_MODELVIEW_MATRIX] = {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1};
    cam.mv_stale = true;
    cam.CalcDirection(dir);
    cam.CalcUp(up);
    EXPECT_EQ(rec.count("glGetDoublev"), 1);
    EXPECT_FALSE(cam.mv_stale);
    EXPECT_NEAR(dir[0], -1, 1e-12);
    EXPECT_NEAR(up[1], 1, 1e-12);

    float bright[3], bup[3];
    cam.CalcBillboardCamera(bright, bup);
    EXPECT_NEAR(bup[1], 1, 1e-6);
    cam.CalcBillboardGround(bright, bup);
    EXPECT_NEAR(bright[2], -1, 1e-6); // (-D.z, 0, D.x)
}

TEST(Camera, PointToInterfaceUnits)
{
    gl_recorder rec;
    rec.values[GL_VIEWPORT] = {0, 0, 1024, 768};
    mnw.wind_x = mnw.wind_y = 0;
    mnw.ui_scale = 1;
    xcam_class cam;
    const double origin[3] = {0, 0, 0};
    double pix[2];
    cam.mtr_to_pix(origin, pix);
    EXPECT_DOUBLE_EQ(pix[0], 512);
    EXPECT_DOUBLE_EQ(pix[1], 384);

    mnw.wind_x = 100;
    mnw.wind_y = 50;
    cam.SetupOrtho(0, 1024, 0, 768, -1, 1);
    const double p[3] = {300, 200, 0};
    cam.mtr_to_pix(p, pix);
    EXPECT_NEAR(pix[0], 200, 1e-9); // relative to the sub-window
    EXPECT_NEAR(pix[1], 150, 1e-9);
    mnw.wind_x = mnw.wind_y = 0;
}

TEST(Camera, FrustumBoundsAndLookAtCamera)
{
    xcam_class cam;
    cam.Identity();
    cam.SetupFrustum(-1, 1, -1, 1, 1, 100);
    double mn[3], mx[3];
    // Nearer than 10, heights -100..100: the pyramid's slice, x and y within +-10.
    ASSERT_TRUE(cam.GetFrustumBounds(10, -100, 100, mn, mx));
    EXPECT_NEAR(mn[0], -10, 1e-6);
    EXPECT_NEAR(mx[0], 10, 1e-6);
    EXPECT_NEAR(mn[2], -10, 1e-6);
    EXPECT_NEAR(mx[2], -1, 1e-6);
    EXPECT_FALSE(cam.GetFrustumBounds(10, 50, 60, mn, mx)); // band above the volume

    xcam_class top;
    const double down[3] = {0, -1, 0};
    double n = 0, f = 0;
    top.LookAtCamera(&cam, down, 500, n, f);
    EXPECT_TRUE(top.is_ortho);
    EXPECT_GT(f, n);
    EXPECT_EQ(top.near_z, -n);
}
