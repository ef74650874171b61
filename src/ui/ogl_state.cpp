// ogl_state.cpp - the GL state cache.
#include "ui/ogl_state.h"

#include "graphics/tman.h"

#include "foundation/hl_types.h"
#include "graphics/gl_calls.h"

#include <algorithm>

int num_units = 1;

namespace {

constexpr int managed_units = 8;

struct state_cache {
    bool filled = false;
    int fog = 0;   // last fog code as passed
    int tex = 0;   // texture-unit count after clamping
    int lit = 0;   // last lighting code as passed
    int blend = 0; // 1 when GL_BLEND is on
    int test = 0;  // 1 when GL_ALPHA_TEST is on
    int depth_read = 0;
    int depth_write = ogl_depth_write_off; // cannot be queried; the context set-up turns it off
};

state_cache cache;

bool on(GLenum cap) { return gl.IsEnabled(cap) == GL_TRUE; }

void fill_from_gl()
{
    cache.fog = on(GL_FOG) ? ogl_fog_on : ogl_fog_off;
    cache.tex = on(GL_TEXTURE_2D) ? num_units : 0;
    cache.lit = on(GL_LIGHTING) ? ogl_lit_on : ogl_lit_off;
    cache.blend = on(GL_BLEND) ? 1 : 0;
    cache.test = on(GL_ALPHA_TEST) ? 1 : 0;
    cache.depth_read = on(GL_DEPTH_TEST) ? ogl_depth_read_on : ogl_depth_read_off;
    cache.depth_write = ogl_depth_write_off;
    cache.filled = true;
}

void set_cap(GLenum cap, bool enable)
{
    if (enable)
        gl.Enable(cap);
    else
        gl.Disable(cap);
}

// Single-unit changes touch only the active unit (always unit 0 between calls);
// wider ones walk the units whose state changes and leave unit 0 active.
void set_texture_units(int n)
{
    const int o = cache.tex;
    set_cap(GL_TEXTURE_2D, n > 0);
    num_units = n;
    cache.tex = n;
    if (o <= 1 && n <= 1) return;
    for (int i = 0; i < managed_units; ++i)
        if (o <= i && i < n) {
            gl.ActiveTextureARB(GL_TEXTURE0_ARB + i);
            gl.Enable(GL_TEXTURE_2D);
        }
    for (int i = 0; i < managed_units; ++i)
        if (n <= i && i < o) {
            gl.ActiveTextureARB(GL_TEXTURE0_ARB + i);
            gl.Disable(GL_TEXTURE_2D);
        }
    gl.ActiveTextureARB(GL_TEXTURE0_ARB);
}

void set_alpha_mode(int alpha)
{
    if (alpha < ogl_alpha_none || alpha > ogl_alpha_both) return; // unknown: GL and cache stay as they are
    const int blend = alpha == ogl_alpha_blend || alpha == ogl_alpha_both ? 1 : 0;
    const int test = alpha == ogl_alpha_test || alpha == ogl_alpha_both ? 1 : 0;
    if (blend != cache.blend) set_cap(GL_BLEND, blend);
    if (test != cache.test) set_cap(GL_ALPHA_TEST, test);
    cache.blend = blend;
    cache.test = test;
}

} // namespace

void OGL_setstate(int fog, int tex_units, int lighting, int alpha, int depth_read, int depth_write)
{
    if (!cache.filled) fill_from_gl();
    if (fog != cache.fog) set_cap(GL_FOG, fog == ogl_fog_on);
    // Clamped before the comparison, so that an out-of-range count asked again
    // makes no GL call either.
    const int n = std::max(0, std::min(tex_units, ren.tex_units));
    if (n != cache.tex) set_texture_units(n);
    if (lighting != cache.lit) {
        set_cap(GL_LIGHTING, lighting == ogl_lit_on);
        set_cap(GL_LIGHT0, lighting == ogl_lit_on);
    }
    set_alpha_mode(alpha);
    if (depth_read != cache.depth_read) set_cap(GL_DEPTH_TEST, depth_read == ogl_depth_read_on);
    if (depth_write != cache.depth_write) gl.DepthMask(depth_write == ogl_depth_write_on ? GL_TRUE : GL_FALSE);
    cache.fog = fog;
    cache.lit = lighting;
    cache.depth_read = depth_read;
    cache.depth_write = depth_write;
}

void OGL_reset_state_cache()
{
    cache = state_cache{};
    num_units = 1;
}

void OGL_wire_texture_units() { TEX_set_units_counter(&num_units); }
