// ogl_draw.cpp - drawing primitives.
//
// Sections: the colour rule | 2D primitives | circles, arcs and the ramp |
// model space | blend functions.
#include "ui/ogl_draw.h"

#include "foundation/hl_types.h"
#include "graphics/gl_calls.h"
#include "graphics/tman.h"
#include "ui/colr.h"
#include "ui/ogl_state.h"

#include <cmath>

namespace {

constexpr float deg_to_rad = 0.017453294f;
constexpr int ref_combine_17 = 414;
constexpr double max_steps = 1e6; // rows of a circle or rings and degrees of an arc // the one texture drawn with the manager's set-up 17

float wx0() { return mnw.wind_x; }
float wy0() { return mnw.wind_y; }

void state_2d() { OGL_setstate(ogl_fog_off, 0, ogl_lit_off, ogl_alpha_blend, ogl_depth_read_off, ogl_depth_write_off); }

// The green-only look of ren.draw_green: the brightness of the colour, in green.
void apply_green(float rgb[3])
{
    const float s = rgb[0] + rgb[1] + rgb[2];
    rgb[1] = s < 0.01f ? 0.01f : (s > 1.0f ? 1.0f : s);
    rgb[0] = rgb[2] = 0;
}

// How many of lo, lo + 1, ... are at most hi: 0 when hi < lo, either is not
// finite, or the span is beyond any window (no endless loop of lines).
long whole_steps(float lo, float hi)
{
    const double span = static_cast<double>(hi) - static_cast<double>(lo);
    if (!(span >= 0) || !(span < max_steps)) return 0;
    return static_cast<long>(std::floor(span)) + 1;
}

// The rectangle's four corners as one primitive, in window pixels.
void draw_rect(GLenum mode, int colour, float alpha, float X, float Y, float w, float h)
{
    state_2d();
    OGL_set_colour(colour, alpha);
    gl.Begin(mode);
    gl.Vertex2f(X, Y);
    gl.Vertex2f(X, Y + h);
    gl.Vertex2f(X + w, Y + h);
    gl.Vertex2f(X + w, Y);
    gl.End();
}

} // namespace

// ---- the colour rule ---------------------------------------------------------------

void OGL_set_colour(int colour, float alpha)
{
    float rgb[3];
    colr.lit_rgb(colour, rgb);
    const float a = alpha * ren.draw_alpha;
    if (ren.draw_green) apply_green(rgb);
    if (a <= 0.99f)
        gl.Color4f(rgb[0], rgb[1], rgb[2], a);
    else
        gl.Color3fv(rgb);
}

// ---- 2D primitives -------------------------------------------------------------------

void OGL_fillrect(int colour, float alpha, float x, float y, float w, float h)
{
    draw_rect(GL_QUADS, colour, alpha, x + wx0(), y + wy0(), w, h);
}

void OGL_framerect(int colour, float alpha, float x, float y, float w, float h)
{
    // Lines on pixel centres, so that the outline covers whole pixels.
    draw_rect(GL_LINE_LOOP, colour, alpha, x + wx0() + 0.5f, y + wy0() + 0.5f, w, h);
}

void OGL_line(int colour, float alpha, float x1, float y1, float x2, float y2)
{
    const float X1 = x1 + wx0() + 0.5f, Y1 = y1 + wy0() + 0.5f;
    const float X2 = x2 + wx0() + 0.5f, Y2 = y2 + wy0() + 0.5f;
    state_2d();
    OGL_set_colour(colour, alpha);
    gl.Begin(GL_LINES);
    gl.Vertex2f(X1, Y1);
    gl.Vertex2f(X2, Y2);
    gl.End();
}

void OGL_plot_back_col()
{
    OGL_fillrect(col_back, 1.0f, -mnw.wind_x, -mnw.wind_y, static_cast<float>(mnw.x_res_now),
                 static_cast<float>(mnw.y_res_now));
}

void OGL_grayrect(float x1, float y1, float x2, float y2, float alpha)
{
    const float X1 = x1 + wx0(), Y1 = y1 + wy0(), X2 = x2 + wx0(), Y2 = y2 + wy0();
    state_2d();
    OGL_set_colour(col_list_mark, alpha);
    gl.Begin(GL_QUADS);
    gl.Vertex2f(X1, Y1);
    gl.Vertex2f(X1, Y2);
    gl.Vertex2f(X2, Y2);
    gl.Vertex2f(X2, Y1);
    gl.End();
}

void OGL_2dquad(int tex_ref, int colour, float alpha, float x1, float y1, float s1, float t1, float x2, float y2,
                float s2, float t2, float x3, float y3, float s3, float t3, float x4, float y4, float s4, float t4,
                int tex_units, int alpha_mode)
{
    const float X = wx0(), Y = wy0();
    OGL_setstate(ogl_fog_off, tex_units, ogl_lit_off, alpha_mode, ogl_depth_read_off, ogl_depth_write_off);
    if (tex_ref > 0) tman.bind_ref(tex_ref, 0, tex_ref == ref_combine_17 ? 17 : 0);
    OGL_set_colour(colour, alpha);
    gl.Begin(GL_QUADS);
    gl.TexCoord2f(s1, t1);
    gl.Vertex2f(x1 + X, y1 + Y);
    gl.TexCoord2f(s2, t2);
    gl.Vertex2f(x2 + X, y2 + Y);
    gl.TexCoord2f(s3, t3);
    gl.Vertex2f(x3 + X, y3 + Y);
    gl.TexCoord2f(s4, t4);
    gl.Vertex2f(x4 + X, y4 + Y);
    gl.End();
}

void OGL_2dquad_d(int tex_ref, int colour, float alpha, float x, float y, float s, float t, float w, float h,
                  float ds, float dt, int alpha_mode)
{
    const float X = x + wx0(), Y = y + wy0();
    OGL_setstate(ogl_fog_off, 1, ogl_lit_off, alpha_mode, ogl_depth_read_off, ogl_depth_write_off);
    if (tex_ref > 0) tman.bind_ref(tex_ref, 0, 0);
    OGL_set_colour(colour, alpha);
    gl.Begin(GL_QUADS);
    gl.TexCoord2f(s, t);
    gl.Vertex2f(X, Y);
    gl.TexCoord2f(s, t + dt);
    gl.Vertex2f(X, Y + h);
    gl.TexCoord2f(s + ds, t + dt);
    gl.Vertex2f(X + w, Y + h);
    gl.TexCoord2f(s + ds, t);
    gl.Vertex2f(X + w, Y);
    gl.End();
}

// ---- circles, arcs and the ramp --------------------------------------------------------

void OGL_framecircle(int colour, float x, float y, float r)
{
    const float X = x + wx0() + 0.5f, Y = y + wy0() + 0.5f;
    OGL_setstate(ogl_fog_off, 0, ogl_lit_off, ogl_alpha_none, ogl_depth_read_off, ogl_depth_write_off);
    OGL_set_colour(colour, 1.0f);
    gl.Begin(GL_LINE_STRIP);
    for (int a = 0; a <= 360; a += 5) gl.Vertex2f(X + r * lookup_sin[a], Y + r * lookup_cos[a]);
    gl.End();
}

void OGL_fillcircle(int colour, float x, float y, float r)
{
    // Whole-unit rows counted in integers: a float counter stops moving past 2^24.
    const long rows = whole_steps(-r, r);
    for (long i = 0; i < rows; ++i) {
        const float d = -r + static_cast<float>(i);
        const float half = std::sqrt(std::fmax(r * r - d * d, 0.0f));
        OGL_line(colour, 1.0f, x - half, y + d, x + half, y + d);
    }
}

void OGL_arc(int colour, float x, float y, float r1, float r2, float a1, float a2)
{
    const long rings = whole_steps(r1, r2), steps = whole_steps(a1, a2);
    for (long i = 0; i < rings; ++i) {
        const float r = r1 + static_cast<float>(i);
        float px = x + r * std::sin(a1 * deg_to_rad), py = y + r * std::cos(a1 * deg_to_rad);
        for (long j = 0; j < steps; ++j) {
            const float a = a1 + static_cast<float>(j);
            const float nx = x + r * std::sin(a * deg_to_rad), ny = y + r * std::cos(a * deg_to_rad);
            OGL_line(colour, 1.0f, px, py, nx, ny);
            px = nx;
            py = ny;
        }
    }
}

void OGL_spectrum_rgb(float v)
{
    static const float col_r[7] = {0, 1.0f, 1.0f, 1.0f, 0, 0, 0.8f};
    static const float col_g[7] = {0, 0, 0.32f, 1.0f, 1.0f, 0, 0};
    static const float col_b[7] = {0, 0, 0.08f, 0, 0, 1.0f, 0.8f};
    float rgb[3];
    if (v < 0 || v > 1 || std::isnan(v)) {
        const int stop = v > 1 ? 6 : 0;
        rgb[0] = col_r[stop];
        rgb[1] = col_g[stop];
        rgb[2] = col_b[stop];
    } else {
        int k = 0;
        while (k < 5 && v >= static_cast<float>(k + 1) / 6.0f) ++k;
        const float f = (v - static_cast<float>(k) / 6.0f) * 6.0f;
        rgb[0] = col_r[k] * (1 - f) + col_r[k + 1] * f;
        rgb[1] = col_g[k] * (1 - f) + col_g[k + 1] * f;
        rgb[2] = col_b[k] * (1 - f) + col_b[k + 1] * f;
    }
    if (ren.draw_green) apply_green(rgb);
    gl.Color4f(rgb[0], rgb[1], rgb[2], ren.draw_alpha);
}

// ---- model space -------------------------------------------------------------------------

void OGL_3dline(float x1, float y1, float z1, float x2, float y2, float z2)
{
    gl.Vertex3f(x1, y1, z1);
    gl.Vertex3f(x2, y2, z2);
}

namespace {

// (p2 - p1) x (p1 - p0), normalised; straight up for a degenerate quad.
void quad_normal(const float p0[3], const float p1[3], const float p2[3])
{
    const float a[3] = {p2[0] - p1[0], p2[1] - p1[1], p2[2] - p1[2]};
    const float b[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    float n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    const float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (len > 0)
        gl.Normal3f(n[0] / len, n[1] / len, n[2] / len);
    else
        gl.Normal3f(0, 1, 0);
}

void corner(const float p[3], float s, float t)
{
    gl.TexCoord2f(s, t);
    gl.Vertex3f(p[0], p[1], p[2]);
}

} // namespace

void OGL_3dquad(const float p0[3], const float p1[3], const float p2[3], const float p3[3])
{
    OGL_3dquad_st(p0, p1, p2, p3, 1, 1, 0, 0);
}

void OGL_3dquad_st(const float p0[3], const float p1[3], const float p2[3], const float p3[3], float s1, float t1,
                   float s2, float t2)
{
    // With (1, 1, 0, 0) these are the unit corners st11, st10, st00, st01.
    quad_normal(p0, p1, p2);
    corner(p0, s1, t1);
    corner(p1, s1, t2);
    corner(p2, s2, t2);
    corner(p3, s2, t1);
}

void OGL_cube(float x, float y, float z, float w, float h, float d, float s1, float s2, float t1, float t2,
              float angle)
{
    const float hw = w / 2, hd = d / 2;
    const float cx[5] = {-hw, hw, hw, -hw, -hw};
    const float cz[5] = {-hd, -hd, hd, hd, -hd};
    const float normals[4][3] = {{0, 0, -1}, {1, 0, 0}, {0, 0, 1}, {-1, 0, 0}};
    gl.PushMatrix();
    gl.Translatef(x, y, z);
    gl.Rotatef(-angle, 0, 0, 1);
    gl.Begin(GL_QUAD_STRIP);
    for (int k = 0; k < 5; ++k) {
        gl.Normal3f(normals[k == 0 ? 0 : k - 1][0], normals[k == 0 ? 0 : k - 1][1], normals[k == 0 ? 0 : k - 1][2]);
        const float s = k % 2 ? s2 : s1;
        gl.TexCoord2f(s, t2);
        gl.Vertex3f(cx[k], h, cz[k]);
        gl.TexCoord2f(s, t1);
        gl.Vertex3f(cx[k], 0, cz[k]);
    }
    gl.End();
    gl.Begin(GL_QUADS);
    gl.Normal3f(0, 1, 0);
    for (int k = 0; k < 4; ++k) {
        gl.TexCoord2f(k % 2 ? s2 : s1, t2);
        gl.Vertex3f(cx[k], h, cz[k]);
    }
    gl.Normal3f(0, -1, 0);
    for (int k = 3; k >= 0; --k) {
        gl.TexCoord2f(k % 2 ? s2 : s1, t1);
        gl.Vertex3f(cx[k], 0, cz[k]);
    }
    gl.End();
    gl.PopMatrix();
}

namespace {

void rim_point(float x, float rho, int a) { gl.Vertex3f(x, rho * lookup_cos[a], -rho * lookup_sin[a]); }

} // namespace

void OGL_disc(float x, float y, float z, float r)
{
    const float hub = 0.38f * r;
    gl.PushMatrix();
    gl.Translatef(x, y, z);
    gl.Begin(GL_TRIANGLE_FAN);
    gl.Normal3f(-1, 0, 0);
    gl.Vertex3f(-r, 0, 0);
    for (int a = 360; a >= 0; a -= 30) rim_point(-r, hub, a);
    gl.End();
    gl.Begin(GL_TRIANGLE_FAN);
    gl.Normal3f(1, 0, 0);
    gl.Vertex3f(r, 0, 0);
    for (int a = 0; a <= 360; a += 30) rim_point(r, hub, a);
    gl.End();
    // Tyre: hub edge to tread, the tread, tread to the other hub edge.
    const float bands[3][4] = {{-r, hub, -hub, r}, {-hub, r, hub, r}, {hub, r, r, hub}};
    for (const auto& b : bands) {
        gl.Begin(GL_QUAD_STRIP);
        for (int a = 360; a >= 0; a -= 30) {
            rim_point(b[0], b[1], a);
            rim_point(b[2], b[3], a);
        }
        gl.End();
    }
    gl.PopMatrix();
}

// ---- blend functions ----------------------------------------------------------------------

void OGL_nrml_colors() { gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); }
void OGL_glow_colors() { gl.BlendFunc(GL_SRC_ALPHA, GL_ONE); }
