// ogl_view.h - the main window's interface metrics, the GL viewport and
// projection, and the small GL switches that go with them (scissor, polygon
// offset, specular). Main thread only, with the GL context current.
#pragma once

// The argument is not used. From mnw.x_res_now and mnw.y_res_now sets
// mnw.ui_scale (1), the 2D projection edges, mnw.pix_y_off, mnw.pix_x_off (0
// while mnw.cur_wind is -1), mnw.half_dy (384) and mnw.half_dx; then, when a
// sub-window exists (mnw.cur_wind >= 0), the 2D viewport.
void OGL_pix_specs(int);

// Loads the viewport and the camera's matrices into GL, leaving model-view
// mode. The floats: a1 projection left, a2 viewport left, a3 projection bottom,
// a4 viewport bottom, a5 projection right, a6 viewport right, a7 near, a8
// projection top, a9 viewport top, a10 far. Mode 2: 2D over the whole main
// window (every float but zoom replaced); mode 3: perspective, projection edges
// at unit distance, viewport in interface units; other modes: as given, the
// camera's projection kept. fit_aspect: scale bottom and top to the viewport's
// aspect. zoom above 1 narrows the view.
void OGL_viewport(int mode, float a1, float a2, float a3, float a4, float a5, float a6, float a7, float a8,
                  float a9, float a10, float zoom, int fit_aspect);

// glViewport only. Mode 2: the whole main window; mode 3: the values in
// interface units; otherwise pixels as given.
void OGL_screensize(int mode, float x1, float y1, float x2, float y2);

// Clips drawing to a rectangle of the current sub-window (interface units);
// a later call replaces it, OGL_scissors_end switches clipping off.
void OGL_scissors(float x, float y, float w, float h);
void OGL_scissors_end();

void OGL_poly_offset(int n); // n != 0: fill polygons pushed n steps towards the viewer; 0: off
void OGL_setspec(float v);   // specular (v, v, v, 1) for LIGHT0 and the front material, shininess 128
void OGL_printer();          // nothing: printing is not offered on this platform
