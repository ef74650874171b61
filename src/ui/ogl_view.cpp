// ogl_view.cpp - viewport, screen metrics and scissors.
#include "ui/ogl_view.h"

#include "foundation/hl_types.h"
#include "graphics/gl_calls.h"
#include "ui/xcam.h"

#include <algorithm>

namespace {

constexpr float design_width = 1024.0f;
constexpr float design_height = 768.0f;

int trunc_px(float v) { return static_cast<int>(v); }

} // namespace

void OGL_pix_specs(int)
{
    mnw.ui_scale = 1.0f;
    mnw.ortho_x2 = static_cast<float>(mnw.x_res_now);
    mnw.ortho_y2 = static_cast<float>(mnw.y_res_now);
    mnw.ortho_x1 = mnw.ortho_y1 = 0.0f;
    // The design area sits centred across and at the top of a larger window.
    mnw.pix_y_off = std::max(static_cast<float>(mnw.y_res_now) - design_height, 0.0f);
    mnw.pix_x_off = mnw.cur_wind == -1
                        ? 0.0f
                        : std::max((static_cast<float>(mnw.x_res_now) / mnw.ui_scale - design_width) * 0.5f, 0.0f);
    mnw.half_dy = design_height * 0.5f;
    mnw.half_dx = static_cast<float>(mnw.x_res_now) * 0.5f;
    if (mnw.cur_wind >= 0) OGL_viewport(2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1.0f, 0);
}

void OGL_viewport(int mode, float a1, float a2, float a3, float a4, float a5, float a6, float a7, float a8,
                  float a9, float a10, float zoom, int fit_aspect)
{
    float L = a1, VL = a2, B = a3, VB = a4, R = a5, VR = a6, T = a8, VT = a9;
    if (mode == 2) {
        L = mnw.ortho_x1;
        B = mnw.ortho_y1;
        R = mnw.ortho_x2;
        T = mnw.ortho_y2;
        VL = VB = 0;
        VR = static_cast<float>(mnw.x_res_now);
        VT = static_cast<float>(mnw.y_res_now);
    } else if (mode == 3) {
        L *= a7;
        B *= a7;
        R *= a7;
        T *= a7;
        VL *= mnw.ui_scale;
        VB *= mnw.ui_scale;
        VR *= mnw.ui_scale;
        VT *= mnw.ui_scale;
    }
    const float W = VR - VL, H = VT - VB;
    // A viewport without width has no aspect to fit (and no division by zero).
    if (fit_aspect && W != 0) {
        B *= H / W;
        T *= H / W;
    }
    gl.MatrixMode(GL_PROJECTION);
    gl.LoadIdentity();
    const float unzoom = 1.0f / zoom;
    L *= unzoom;
    R *= unzoom;
    B *= unzoom;
    T *= unzoom;
    if (mode == 2) xcam.SetupOrtho(L, R, B, T, -1.0, 1.0);
    if (mode == 3) xcam.SetupFrustum(L, R, B, T, a7, a10);
    gl.Viewport(trunc_px(VL), trunc_px(VB), trunc_px(W), trunc_px(H));
    xcam.Identity();
    gl.MatrixMode(GL_PROJECTION);
    gl.LoadMatrixd(xcam.proj);
    gl.MatrixMode(GL_MODELVIEW);
    gl.LoadMatrixd(xcam.mv);
    xcam.mv_stale = false;
}

void OGL_screensize(int mode, float x1, float y1, float x2, float y2)
{
    if (mode == 2) {
        x1 = y1 = 0;
        x2 = static_cast<float>(mnw.x_res_now);
        y2 = static_cast<float>(mnw.y_res_now);
    } else if (mode == 3) {
        x1 *= mnw.ui_scale;
        y1 *= mnw.ui_scale;
        x2 *= mnw.ui_scale;
        y2 *= mnw.ui_scale;
    }
    gl.Viewport(trunc_px(x1), trunc_px(y1), trunc_px(x2 - x1), trunc_px(y2 - y1));
}

void OGL_scissors(float x, float y, float w, float h)
{
    const float X = (x + mnw.wind_x) * mnw.ui_scale;
    const float Y = (y + mnw.wind_y) * mnw.ui_scale;
    const float W = std::max((x + mnw.wind_x + w) * mnw.ui_scale - X, 0.0f);
    const float H = std::max((y + mnw.wind_y + h) * mnw.ui_scale - Y, 0.0f);
    gl.Enable(GL_SCISSOR_TEST);
    gl.Scissor(trunc_px(X), trunc_px(Y), trunc_px(W), trunc_px(H));
}

void OGL_scissors_end() { gl.Disable(GL_SCISSOR_TEST); }

void OGL_poly_offset(int n)
{
    if (n == 0) {
        gl.Disable(GL_POLYGON_OFFSET_FILL);
        return;
    }
    gl.Enable(GL_POLYGON_OFFSET_FILL);
    gl.PolygonOffset(static_cast<float>(n) * -10.0f, -1.0f);
}

void OGL_setspec(float v)
{
    const GLfloat specular[4] = {v, v, v, 1.0f};
    gl.Lightfv(GL_LIGHT0, GL_SPECULAR, specular);
    gl.Materialfv(GL_FRONT, GL_SPECULAR, specular);
    gl.Materiali(GL_FRONT, GL_SHININESS, 128);
}

void OGL_printer() {}
