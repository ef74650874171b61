// tex_bind.cpp - the bind cache and the combiner set-ups.
//   cache      o_tex, o_mod, TEX_reset_bind
//   set-ups    the table of numbered GL_COMBINE environments
//   binding    TEX_bind_ref, TEX_set_blend_level
#include "graphics/tex_bind.h"

#include "graphics/gl_calls.h"
#include "graphics/ogl_extensions.h"

#include "foundation/hl_types.h"
#include "foundation/utl_stat.h"

#include <string>

UTL_stat gKillTex("perf/kill_tex", stat_type_switch, 0.0f);

namespace {

// ---- cache -----------------------------------------------------------------------
// The texture and the mode last sent to GL per unit; -1: unknown.
int o_tex[tex_bind_units] = {-1, -1, -1, -1, -1, -1, -1, -1};
int o_mod[tex_bind_units] = {-1, -1, -1, -1, -1, -1, -1, -1};

constexpr int t_interface_ref = 388;
constexpr int t_blank_gray_ref = 926;

// ---- set-ups -------------------------------------------------------------------
struct combine_arg {
    GLenum source;  // 0: not written
    GLenum operand;
};

struct combine_setup {
    int mode;
    GLenum rgb_fn;
    combine_arg rgb[3];
    GLenum alpha_fn;
    combine_arg alpha[3];
    const GLfloat* env_colour; // null: not written
    float alpha_scale;         // below 0: not written
    bool float_form;           // parameters written with glTexEnvf
};

constexpr GLenum TEX = GL_TEXTURE, PREV = GL_PREVIOUS, CONST = GL_CONSTANT, PRIM = GL_PRIMARY_COLOR;
constexpr GLenum COL = GL_SRC_COLOR, ALP = GL_SRC_ALPHA, INV_ALP = GL_ONE_MINUS_SRC_ALPHA;
constexpr combine_arg none{0, 0};
const GLfloat white[4] = {1, 1, 1, 1};
const GLfloat clear[4] = {0, 0, 0, 0};

const combine_setup setups[] = {
    {1, GL_ADD, {{PREV, COL}, {TEX, COL}, none}, GL_REPLACE, {{PREV, ALP}, none, none}, nullptr, 1, false},
    {2, GL_ADD, {{PREV, COL}, {TEX, COL}, none}, GL_ADD, {{PREV, ALP}, {TEX, ALP}, none}, nullptr, 1, false},
    {10, GL_MODULATE, {{PREV, COL}, {TEX, COL}, none}, GL_REPLACE, {{TEX, ALP}, none, none}, nullptr, 1, false},
    {11, GL_REPLACE, {{PREV, COL}, none, none}, GL_SUBTRACT, {{TEX, ALP}, {PREV, ALP}, none}, nullptr, 4, false},
    {12, GL_REPLACE, {{PREV, COL}, none, none}, GL_MODULATE, {{PREV, INV_ALP}, {TEX, ALP}, none}, nullptr, 1,
     false},
    {13, GL_MODULATE, {{PREV, COL}, {PREV, INV_ALP}, none}, GL_REPLACE, {{CONST, ALP}, none, none}, white, 1,
     false},
    {14, GL_REPLACE, {{PREV, COL}, none, none}, GL_REPLACE, {{PREV, ALP}, none, none}, nullptr, 1, false},
    {15, GL_REPLACE, {{PREV, COL}, none, none}, GL_REPLACE, {{CONST, ALP}, none, none}, white, 1, false},
    {16, GL_MODULATE, {{PREV, COL}, {TEX, COL}, none}, GL_REPLACE, {{CONST, ALP}, none, none}, white, 1, false},
    {17, GL_REPLACE, {{TEX, ALP}, none, none}, GL_REPLACE, {{CONST, ALP}, none, none}, white, 1, false},
    {18, GL_INTERPOLATE, {{TEX, COL}, {PREV, COL}, {TEX, ALP}}, GL_REPLACE, {{PREV, ALP}, none, none}, nullptr, 1,
     false},
    {19, GL_INTERPOLATE, {{TEX, COL}, {PREV, COL}, {PREV, ALP}}, GL_REPLACE, {{PREV, ALP}, none, none}, nullptr,
     1, false},
    {20, GL_MODULATE, {{PREV, COL}, {TEX, ALP}, none}, GL_REPLACE, {{PREV, ALP}, none, none}, nullptr, 1, false},
    {21, GL_INTERPOLATE, {{TEX, COL}, {PREV, COL}, {CONST, COL}}, GL_INTERPOLATE,
     {{TEX, ALP}, {PREV, ALP}, {CONST, ALP}}, nullptr, 1, false},
    {22, GL_MODULATE, {{PREV, COL}, {PRIM, COL}, none}, GL_REPLACE, {{PREV, ALP}, none, none}, nullptr, -1, false},
    {23, GL_INTERPOLATE, {{PRIM, COL}, {CONST, COL}, {TEX, COL}}, GL_REPLACE, {{TEX, ALP}, none, none}, clear, 1,
     true},
};

const combine_setup* setup_of(int mode)
{
    for (const combine_setup& s : setups)
        if (s.mode == mode) return &s;
    return nullptr;
}

void env_param(const combine_setup& s, GLenum pname, GLenum value)
{
    if (s.float_form)
        gl.TexEnvf(GL_TEXTURE_ENV, pname, static_cast<GLfloat>(value));
    else
        gl.TexEnvi(GL_TEXTURE_ENV, pname, static_cast<GLint>(value));
}

void apply_setup(const combine_setup& s)
{
    static const GLenum rgb_source[3] = {GL_SOURCE0_RGB, GL_SOURCE1_RGB, GL_SOURCE2_RGB};
    static const GLenum rgb_operand[3] = {GL_OPERAND0_RGB, GL_OPERAND1_RGB, GL_OPERAND2_RGB};
    static const GLenum alpha_source[3] = {GL_SOURCE0_ALPHA, GL_SOURCE1_ALPHA, GL_SOURCE2_ALPHA};
    static const GLenum alpha_operand[3] = {GL_OPERAND0_ALPHA, GL_OPERAND1_ALPHA, GL_OPERAND2_ALPHA};
    gl.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    if (s.env_colour) gl.TexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, s.env_colour);
    env_param(s, GL_COMBINE_RGB, s.rgb_fn);
    for (int i = 0; i < 3; ++i)
        if (s.rgb[i].source) {
            env_param(s, rgb_source[i], s.rgb[i].source);
            env_param(s, rgb_operand[i], s.rgb[i].operand);
        }
    env_param(s, GL_COMBINE_ALPHA, s.alpha_fn);
    for (int i = 0; i < 3; ++i)
        if (s.alpha[i].source) {
            env_param(s, alpha_source[i], s.alpha[i].source);
            env_param(s, alpha_operand[i], s.alpha[i].operand);
        }
    if (s.alpha_scale >= 0) gl.TexEnvf(GL_TEXTURE_ENV, GL_ALPHA_SCALE, s.alpha_scale);
}

void set_environment(int mode)
{
    const combine_setup* s = glExt.combine_avail ? setup_of(mode) : nullptr;
    if (s)
        apply_setup(*s);
    else
        gl.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, mode);
}

} // namespace

// ---- binding -----------------------------------------------------------------------

void TEX_bind_ref(int tex, int unit, int mode)
{
    if (unit < 0 || unit >= tex_bind_units) {
        if (xer.is_open()) xer << "TEX_bind_ref: texture unit " << unit << " outside 0..7, nothing bound\n";
        return;
    }
    if (mode == tex_env_modulate) mode = GL_MODULATE;
    if (*gKillTex.value_ptr != 0.0f && tex != t_interface_ref) tex = t_blank_gray_ref;
    if (o_tex[unit] == tex && o_mod[unit] == mode) return;
    if (unit > 0) gl.ActiveTextureARB(GL_TEXTURE0_ARB + unit);
    if (o_tex[unit] != tex) {
        gl.BindTexture(GL_TEXTURE_2D, static_cast<GLuint>(tex));
        o_tex[unit] = tex;
    }
    if (mode != tex_env_bind_only && mode != o_mod[unit]) {
        o_mod[unit] = mode;
        set_environment(mode);
    }
    if (unit > 0) gl.ActiveTextureARB(GL_TEXTURE0_ARB);
}

void TEX_reset_bind()
{
    for (int i = 0; i < tex_bind_units; ++i) {
        o_tex[i] = -1;
        o_mod[i] = -1;
    }
}

void TEX_set_blend_level(int unit, float level)
{
    if (unit >= ren.tex_units) return;
    const GLfloat colour[4] = {level, level, level, level};
    if (unit > 0) gl.ActiveTextureARB(GL_TEXTURE0_ARB + unit);
    gl.TexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, colour);
    if (unit > 0) gl.ActiveTextureARB(GL_TEXTURE0_ARB);
}
