// ogl_state.h - the one place that switches the fixed-function GL states that
// differ between kinds of drawing. Each state's last value is cached and GL is
// called only where the wanted value differs. Main thread only, with the GL
// context current; one cache for the whole program.
#pragma once

// State codes; the codes of different states are distinct numbers.
constexpr int ogl_fog_on = 0, ogl_fog_off = 1;
constexpr int ogl_lit_on = 2, ogl_lit_off = 3;
constexpr int ogl_alpha_none = 4;  // no blending, no alpha test
constexpr int ogl_alpha_blend = 5; // blending
constexpr int ogl_alpha_test = 6;  // alpha test
constexpr int ogl_alpha_both = 7;  // both
constexpr int ogl_depth_read_on = 8, ogl_depth_read_off = 9;
constexpr int ogl_depth_write_on = 10, ogl_depth_write_off = 11;

// Texture units on which GL_TEXTURE_2D was last switched on (1 at start); the
// texture upload reads it and puts it back after its own bind.
extern int num_units;

// fog: 0 on, else off. tex_units: units 0..n-1 textured, clamped to
// 0..ren.tex_units (at most 8 units are managed). lighting: 2 on (with LIGHT0),
// else off. alpha: 4..7 as above; any other code leaves blending and the alpha
// test as they are. depth_read: 8 on, else off. depth_write: 10 on, else off.
// The first call reads the current states back from GL (depth writes count as off).
void OGL_setstate(int fog, int tex_units, int lighting, int alpha, int depth_read, int depth_write);

// Points the texture upload at num_units, so that it switches texturing on
// around its bind only where this layer has it off. Start-up calls it once.
void OGL_wire_texture_units();

// Forgets the cache, so the next OGL_setstate reads GL again; for a new context and tests.
void OGL_reset_state_cache();
