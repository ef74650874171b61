// ogl_draw.h - the immediate-mode drawing vocabulary: rectangles, lines,
// textured quads, circles and arcs in the 2D interface space of the current
// sub-window, a colour ramp, and a few model-space routines.
//
// 2D coordinates are interface units from the current sub-window's bottom-left
// corner, y upwards; every vertex gets mnw.wind_x, mnw.wind_y added, and lines
// and outlines a further 0.5 so that they run through pixel centres. Colours
// are colour-table indices resolved by OGL_set_colour. Each 2D primitive sets
// its GL states through OGL_setstate first and is one glBegin/glEnd pair.
// Main thread only, with the GL context current.
#pragma once

// ---- the colour rule ---------------------------------------------------------------
// Sets the GL colour of index `colour` at `alpha`: the table colour, scaled by
// colr.lite for indices 0..45; alpha times ren.draw_alpha; with ren.draw_green
// a green of the summed components (0.01..1). Opaque through glColor3fv when
// the alpha is above 0.99, else glColor4f. An index outside the table raises
// the colour table's bound alert and draws black.
void OGL_set_colour(int colour, float alpha);

// ---- 2D primitives (states 1, 0, 3, 5, 9, 11 unless noted) ------------------------------
void OGL_fillrect(int colour, float alpha, float x, float y, float w, float h);
void OGL_framerect(int colour, float alpha, float x, float y, float w, float h); // covers w+1 x h+1 pixels
void OGL_line(int colour, float alpha, float x1, float y1, float x2, float y2);
void OGL_plot_back_col(); // the whole X window in colour 34, whatever sub-window is current
void OGL_grayrect(float x1, float y1, float x2, float y2, float alpha); // colour 12, two corners

// A textured quad: four corners (x, y, s, t) in the order given; states 1,
// tex_units, 3, alpha_mode, 9, 11. tex_ref above 0 is bound on unit 0 after
// the states (environment 17 for ref 414, modulate otherwise); 0 or below
// keeps the texture last bound.
void OGL_2dquad(int tex_ref, int colour, float alpha, float x1, float y1, float s1, float t1, float x2, float y2,
                float s2, float t2, float x3, float y3, float s3, float t3, float x4, float y4, float s4, float t4,
                int tex_units, int alpha_mode);
// An axis-aligned textured quad at (x, y), w x h, texture (s, t) to (s+ds, t+dt).
void OGL_2dquad_d(int tex_ref, int colour, float alpha, float x, float y, float s, float t, float w, float h,
                  float ds, float dt, int alpha_mode);

// ---- circles, arcs and the ramp -----------------------------------------------------------
void OGL_framecircle(int colour, float x, float y, float r); // 73-point outline from the top, clockwise; no blending
void OGL_fillcircle(int colour, float x, float y, float r);  // one OGL_line per whole-unit row
// Concentric polylines r1..r2 (whole steps) from angle a1 to a2 (degrees from
// the top, clockwise, whole steps); nothing when a1 > a2 or r1 > r2.
void OGL_arc(int colour, float x, float y, float r1, float r2, float a1, float a2);
void OGL_spectrum_rgb(float v); // colour only: black..red..yellow..green..blue..violet over 0..1

// ---- model space (no window offset, no colour, no state change) ---------------------------
void OGL_3dline(float x1, float y1, float z1, float x2, float y2, float z2); // inside the caller's GL_LINES
void OGL_3dquad(const float p0[3], const float p1[3], const float p2[3], const float p3[3]); // inside GL_QUADS
void OGL_3dquad_st(const float p0[3], const float p1[3], const float p2[3], const float p3[3], float s1, float t1,
                   float s2, float t2);
void OGL_cube(float x, float y, float z, float w, float h, float d, float s1, float s2, float t1, float t2,
              float angle);
void OGL_disc(float x, float y, float z, float r); // a wheel about the x axis, 30-degree facets

// ---- blend functions ----------------------------------------------------------------------
void OGL_nrml_colors(); // GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA
void OGL_glow_colors(); // GL_SRC_ALPHA, GL_ONE: additive
