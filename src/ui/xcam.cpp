// xcam.cpp - the camera.
//
//   construction, model-view, projection, axis queries, bounds
#include "ui/xcam.h"

#include "foundation/hl_types.h"
#include "foundation/utl_stat.h"
#include "graphics/gl_calls.h"
#include "ui/mat_utils.h"

#include <algorithm>
#include <cmath>

xcam_class xcam;

namespace {

// Debugging aids: non-zero shrinks the frustum used for clipping or culling to
// its central tenth, so that what they remove shows on screen.
UTL_stat gKillCull("perf/kill_cull", stat_type_switch, 0.0f);
UTL_stat gKillClip("perf/kill_clip", stat_type_switch, 0.0f);

constexpr double rad_per_degree = 0.017453292519943295;

// The clip-cube corners in the order the bounds queries number them.
constexpr double clip_corners[8][3] = {{-1, 1, -1}, {-1, 1, 1}, {1, 1, -1}, {1, 1, 1},
                                       {-1, -1, -1}, {-1, -1, 1}, {1, -1, -1}, {1, -1, 1}};
constexpr int box_edges[12][2] = {{0, 2}, {4, 6}, {0, 4}, {2, 6}, {1, 3}, {5, 7},
                                  {1, 5}, {3, 7}, {0, 1}, {2, 3}, {4, 5}, {6, 7}};

void normalise(double v[3])
{
    const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (len <= 0) return;
    for (int i = 0; i < 3; ++i) v[i] /= len;
}

void normalise_f(float v[3])
{
    const float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (len <= 0) return;
    for (int i = 0; i < 3; ++i) v[i] /= len;
}

void cross(double out[3], const double a[3], const double b[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

void cross_f(float out[3], const float a[3], const float b[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

// out = m x (p, w), all four components.
void transform(const double m[16], const double p[3], double w, double out[4])
{
    for (int r = 0; r < 4; ++r) out[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r] * w;
}

void transform_point(const double m[16], const double p[3], double out[3])
{
    double h[4];
    transform(m, p, 1.0, h);
    for (int i = 0; i < 3; ++i) out[i] = h[i];
}

// Clip-cube corner through an inverse projection, divided by w.
void unproject(const double inv_proj[16], const double clip[3], double out[3])
{
    double h[4];
    transform(inv_proj, clip, 1.0, h);
    for (int i = 0; i < 3; ++i) out[i] = h[3] != 0 ? h[i] / h[3] : h[i];
}

void narrow(double& lo, double& hi)
{
    const double a = lo + 0.45 * (hi - lo), b = lo + 0.55 * (hi - lo);
    const double mn = std::min(lo, hi), mx = std::max(lo, hi);
    lo = std::clamp(a, mn, mx);
    hi = std::clamp(b, mn, mx);
}

} // namespace

// ---- construction ---------------------------------------------------------------

xcam_class::xcam_class()
{
    setIdentityMatrix(proj);
    setIdentityMatrix(mv);
    is_ortho = true;
    mv_stale = true;
}

xcam_class::xcam_class(const xcam_class* other) : xcam_class()
{
    if (other) *this = *other;
}

// ---- model-view -----------------------------------------------------------------

void xcam_class::Identity() { setIdentityMatrix(mv); }
void xcam_class::Rotate(double angle, double x, double y, double z) { applyRotation(mv, angle, x, y, z); }
void xcam_class::Translate(double x, double y, double z) { applyTranslation(mv, x, y, z); }

void xcam_class::LookAtPtFromPt(double eye_x, double eye_y, double eye_z, double centre_x, double centre_y,
                                double centre_z, double up_x, double up_y, double up_z)
{
    buildLookAtMatrix(mv, eye_x, eye_y, eye_z, centre_x, centre_y, centre_z, up_x, up_y, up_z);
}

void xcam_class::LookAtPtFromDir(double x, double y, double z, double heading, double pitch, double dist)
{
    const double h = heading * rad_per_degree, p = pitch * rad_per_degree;
    LookAtPtFromPt(x + dist * std::cos(h) * std::cos(p), y + dist * std::sin(p), z + dist * std::sin(h) * std::cos(p),
                   x, y, z, 0, 1, 0);
}

// ---- projection -------------------------------------------------------------------

void xcam_class::SetupOrtho(double l, double r, double b, double t, double n, double f)
{
    is_ortho = true;
    buildOrthoMatrix(proj, l, r, b, t, n, f);
    ortho_top = t;
    ortho_left = l;
    ortho_right = r;
    ortho_bottom = b;
    near_z = -n;
    far_z = fake_far_z = -f;
}

void xcam_class::SetupFrustum(double l, double r, double b, double t, double n, double f)
{
    is_ortho = false;
    double pl = l, pr = r, pb = b, pt = t;
    if (gKillClip.value != 0) {
        narrow(pl, pr);
        narrow(pb, pt);
    }
    buildFrustumMatrix(proj, pl, pr, pb, pt, n, f);
    double L = l, R = r, B = b, T = t;
    if (gKillCull.value != 0) {
        narrow(L, R);
        narrow(B, T);
    }
    double c1[3] = {L, T, -n}, c2[3] = {R, T, -n}, c3[3] = {L, B, -n}, c4[3] = {R, B, -n};
    for (double* c : {c1, c2, c3, c4}) normalise(c);
    cross(plane_top, c1, c2);
    cross(plane_left, c3, c1);
    cross(plane_right, c2, c4);
    cross(plane_bottom, c4, c3);
    for (double* p : {plane_top, plane_left, plane_right, plane_bottom}) normalise(p);
    near_z = -n;
    far_z = fake_far_z = -f;
}

void xcam_class::SetupPerspective(double fovy, double aspect, double n, double f)
{
    const double t = n * std::tan(fovy * 3.14159265358979323846 / 360.0);
    SetupFrustum(-t * aspect, t * aspect, -t, t, n, f);
}

void xcam_class::SetFakeFarClippingPlane(double d) { fake_far_z = std::max(far_z, -d); }
void xcam_class::ResetFakeFarClippingPlane() { fake_far_z = far_z; }

// ---- axis queries -----------------------------------------------------------------

bool xcam_class::GetFOVHalfCosines(float* h, float* v)
{
    if (is_ortho) return false;
    if (h) *h = static_cast<float>((plane_left[0] - plane_right[0]) / 2);
    if (v) *v = static_cast<float>((plane_bottom[1] - plane_top[1]) / 2);
    return true;
}

void xcam_class::fresh_modelview()
{
    if (!mv_stale) return;
    gl.GetDoublev(GL_MODELVIEW_MATRIX, mv);
    mv_stale = false;
}

// The transposed model-view applied to (0, 1, 0, 1) and (0, 0, -1, 1).
void xcam_class::CalcUp(double out[3])
{
    fresh_modelview();
    for (int r = 0; r < 3; ++r) out[r] = mv[4 * r + 1] + mv[4 * r + 3];
    normalise(out);
}

void xcam_class::CalcDirection(double out[3])
{
    fresh_modelview();
    for (int r = 0; r < 3; ++r) out[r] = -mv[4 * r + 2] + mv[4 * r + 3];
    normalise(out);
}

void xcam_class::CalcRight(double out[3])
{
    double dir[3], up[3];
    CalcDirection(dir);
    CalcUp(up);
    cross(out, dir, up);
}

void xcam_class::CalcBillboardGround(float right[3], float up[3])
{
    double d[3];
    CalcDirection(d);
    const float df[3] = {float(d[0]), float(d[1]), float(d[2])};
    right[0] = -df[2];
    right[1] = 0;
    right[2] = df[0];
    normalise_f(right);
    cross_f(up, right, df);
    normalise_f(up);
}

void xcam_class::CalcBillboardCamera(float right[3], float up[3])
{
    double u[3], d[3];
    CalcUp(u);
    CalcDirection(d);
    const float uf[3] = {float(u[0]), float(u[1]), float(u[2])};
    const float df[3] = {float(d[0]), float(d[1]), float(d[2])};
    cross_f(right, df, uf);
    normalise_f(right);
    for (int i = 0; i < 3; ++i) up[i] = uf[i];
}

void xcam_class::mtr_to_pix(const double p[3], double out[2])
{
    double eye[4], clip[4];
    transform(mv, p, 1.0, eye);
    transform(proj, eye, eye[3], clip);
    if (clip[3] != 0) {
        clip[0] /= clip[3];
        clip[1] /= clip[3];
    }
    GLfloat view[4] = {0, 0, 0, 0};
    gl.GetFloatv(GL_VIEWPORT, view);
    out[0] = ((clip[0] + 1) * 0.5 * view[2] + view[0] - mnw.wind_x) / mnw.ui_scale;
    out[1] = ((clip[1] + 1) * 0.5 * view[3] + view[1] - mnw.wind_y) / mnw.ui_scale;
}

// ---- bounds -------------------------------------------------------------------------

// The eight corners of this camera's view volume in world space.
void xcam_class::clip_corners_to_world(double corners[8][3]) const
{
    double inv_mv[16] = {}, inv_proj[16] = {};
    invertMatrix(inv_mv, mv);
    invertMatrix(inv_proj, proj);
    for (int i = 0; i < 8; ++i) {
        double eye[3];
        unproject(inv_proj, clip_corners[i], eye);
        transform_point(inv_mv, eye, corners[i]);
    }
}

bool xcam_class::GetFrustumBounds(double d, double y_lo, double y_hi, double min[3], double max[3])
{
    double inv_mv[16] = {}, inv_proj[16] = {};
    invertMatrix(inv_mv, mv);
    if (!is_ortho) invertMatrix(inv_proj, proj);
    const double z_cut = std::max(far_z, -d);
    double corners[8][3];
    for (int i = 0; i < 8; ++i) {
        double eye[3];
        if (is_ortho) {
            // Orthographic: the box between the stored edges, from the near
            // plane to the cut, in eye-space depths like the perspective case.
            eye[0] = clip_corners[i][0] < 0 ? ortho_left : ortho_right;
            eye[1] = clip_corners[i][1] > 0 ? ortho_top : ortho_bottom;
            eye[2] = clip_corners[i][2] < 0 ? near_z : z_cut;
        } else {
            unproject(inv_proj, clip_corners[i], eye);
            if (eye[2] < -d && eye[2] != 0) {
                const double pull = -d / eye[2];
                for (double& v : eye) v *= pull;
            }
        }
        transform_point(inv_mv, eye, corners[i]);
    }
    for (int i = 0; i < 3; ++i) {
        min[i] = 9.9e9;
        max[i] = -9.9e9;
    }
    for (const auto& e : box_edges) accum_segment(y_lo, y_hi, corners[e[0]], corners[e[1]], min, max);
    return min[0] <= max[0];
}

void xcam_class::LookAtCamera(xcam_class* other, const double dir[3], double dist, double& near_out,
                              double& far_out)
{
    double other_inv_mv[16] = {};
    invertMatrix(other_inv_mv, other->mv);
    const double origin[3] = {0, 0, 0};
    double e[3];
    transform_point(other_inv_mv, origin, e);
    LookAtPtFromPt(e[0] - dist * dir[0], e[1] - dist * dir[1], e[2] - dist * dir[2], e[0], e[1], e[2], 0, 1, 0);
    double corners[8][3];
    other->clip_corners_to_world(corners);
    double lo[3] = {9.9e9, 9.9e9, 9.9e9}, hi[3] = {-9.9e9, -9.9e9, -9.9e9};
    for (const auto& c : corners) {
        double p[3];
        transform_point(mv, c, p);
        for (int i = 0; i < 3; ++i) {
            lo[i] = std::min(lo[i], p[i]);
            hi[i] = std::max(hi[i], p[i]);
        }
    }
    is_ortho = true;
    buildOrthoMatrix(proj, lo[0], hi[0], lo[1], hi[1], -hi[2], -lo[2]);
    ortho_left = lo[0];
    ortho_right = hi[0];
    ortho_bottom = lo[1];
    ortho_top = hi[1];
    near_z = hi[2];
    far_z = fake_far_z = lo[2];
    near_out = -hi[2];
    far_out = -lo[2];
}
