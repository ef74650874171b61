// mat_utils_test.cpp - the matrix utilities under the camera.
#include "ui/mat_utils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

void expect_matrix(const double got[16], const double want[16])
{
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(got[i], want[i], 1e-12);
    }
}

const double translation_123[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1};

} // namespace

TEST(Matrices, RotationAboutCoordinateAxesAndTinyAxes)
{
    struct {
        const char* what;
        double x, y, z;
        int pos, neg; // element that gets +sin and the one that gets -sin
    } const cases[] = {
        {"+z", 0, 0, 1, 1, 4}, {"-z", 0, 0, -1, 4, 1}, {"+y", 0, 1, 0, 8, 2},
        {"-y", 0, -1, 0, 2, 8}, {"+x", 1, 0, 0, 6, 9}, {"-x", -1, 0, 0, 9, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        double m[16];
        buildRotation(m, 90, c.x, c.y, c.z);
        EXPECT_DOUBLE_EQ(m[c.pos], 1.0);
        EXPECT_DOUBLE_EQ(m[c.neg], -1.0);
        EXPECT_DOUBLE_EQ(m[15], 1.0);
    }
    double m[16];
    buildRotation(m, 90, 0, 0.00005, 0.00005); // too short to be an axis
    expect_matrix(m, gIdentity);
    // The general form: about (1, 1, 1) by 120 degrees the axes trade places.
    double general[16];
    buildRotation(general, 120, 1, 1, 1);
    EXPECT_NEAR(general[1], 1, 1e-12); // x goes to y
    EXPECT_NEAR(general[0], 0, 1e-12);
}

TEST(Matrices, ProductTranslationAndInverse)
{
    double out[16];
    multMatrices(out, translation_123, gIdentity);
    expect_matrix(out, translation_123);

    double m[16];
    setIdentityMatrix(m);
    applyTranslation(m, 1, 2, 3);
    expect_matrix(m, translation_123);

    double inv[16];
    ASSERT_EQ(invertMatrix(inv, translation_123), 1);
    const double back[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, -2, -3, 1};
    expect_matrix(inv, back);

    // A general matrix times its inverse is the identity.
    double rot[16], both[16], product[16];
    buildRotation(rot, 37, 1, 2, 3);
    multMatrices(both, rot, translation_123);
    ASSERT_EQ(invertMatrix(inv, both), 1);
    multMatrices(product, both, inv);
    expect_matrix(product, gIdentity);

    const double equal_rows[16] = {1, 1, 0, 0, 2, 2, 0, 0, 3, 3, 1, 0, 4, 4, 0, 1};
    double untouched[16];
    std::memcpy(untouched, translation_123, sizeof untouched);
    EXPECT_EQ(invertMatrix(untouched, equal_rows), 0);
    expect_matrix(untouched, translation_123);
}

TEST(Matrices, ProjectionsAndLookAt)
{
    double m[16];
    buildOrthoMatrix(m, 0, 1024, 0, 768, -1, 1);
    EXPECT_DOUBLE_EQ(m[0], 2.0 / 1024);
    EXPECT_DOUBLE_EQ(m[5], 2.0 / 768);
    EXPECT_DOUBLE_EQ(m[10], -1.0);
    EXPECT_DOUBLE_EQ(m[12], -1.0);
    EXPECT_DOUBLE_EQ(m[13], -1.0);
    EXPECT_DOUBLE_EQ(m[15], 1.0);

    double frustum[16], perspective[16];
    buildFrustumMatrix(frustum, -2, 2, -1, 1, 1, 100);
    buildPerspectiveMatrix(perspective, 90, 2, 1, 100);
    expect_matrix(perspective, frustum);
    EXPECT_DOUBLE_EQ(frustum[11], -1.0);
    EXPECT_DOUBLE_EQ(frustum[14], -200.0 / 99);

    buildLookAtMatrix(m, 0, 0, 5, 0, 0, 0, 0, 1, 0);
    double want[16];
    setIdentityMatrix(want);
    want[14] = -5;
    expect_matrix(m, want);

    double t[16];
    transposeMatrix(t, translation_123);
    EXPECT_EQ(t[3], 1);
    EXPECT_EQ(t[7], 2);
    EXPECT_EQ(t[11], 3);
}

TEST(Matrices, SegmentAgainstHeightBand)
{
    struct {
        const char* what;
        double y_lo, y_hi;
        double a[3], b[3];
        bool widened;
        double min[3], max[3];
    } const cases[] = {
        {"endpoint and crossing", 0, 10, {0, -5, 0}, {0, 5, 10}, true, {0, 0, 5}, {0, 5, 10}},
        {"ends swapped", 0, 10, {0, 5, 10}, {0, -5, 0}, true, {0, 0, 5}, {0, 5, 10}},
        {"both below", 0, 10, {0, -5, 0}, {1, -3, 1}, false, {}, {}},
        {"level segment inside", 0, 10, {1, 4, 2}, {3, 4, 6}, true, {1, 4, 2}, {3, 4, 6}},
        {"single level", 2, 2, {0, 0, 0}, {4, 4, 8}, true, {2, 2, 4}, {2, 2, 4}},
        {"crossing both limits", 2, 6, {0, 0, 0}, {8, 8, 8}, true, {2, 2, 2}, {6, 6, 6}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        double mn[3] = {9.9e9, 9.9e9, 9.9e9}, mx[3] = {-9.9e9, -9.9e9, -9.9e9};
        accum_segment(c.y_lo, c.y_hi, c.a, c.b, mn, mx);
        if (!c.widened) {
            EXPECT_EQ(mn[0], 9.9e9);
            EXPECT_EQ(mx[0], -9.9e9);
            continue;
        }
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(mn[i], c.min[i], 1e-9);
            EXPECT_NEAR(mx[i], c.max[i], 1e-9);
        }
    }
}
