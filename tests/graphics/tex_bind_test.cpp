// The bind cache and the environment set-ups, against the recording GL layer.
#include "graphics/tex_bind.h"

#include "foundation/hl_types.h"
#include "foundation/utl_stat.h"
#include "graphics/ogl_extensions.h"
#include "support/gl_recorder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class TexBind : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ext = glExt;
        glExt.combine_avail = 1;
        ren.tex_units = 2;
        TEX_reset_bind();
    }
    void TearDown() override
    {
        glExt = saved_ext;
        *gKillTex.value_ptr = 0.0f;
        TEX_reset_bind();
    }
    std::vector<gl_call> calls_of(int tex, int unit, int mode)
    {
        rec.calls.clear();
        TEX_bind_ref(tex, unit, mode);
        return rec.calls;
    }
    gl_recorder rec;
    OGL_extensions saved_ext;
};

const auto bind = [](int tex) { return gl_call_of("glBindTexture", GL_TEXTURE_2D, tex); };
const auto env_mode = [](int mode) { return gl_call_of("glTexEnvi", GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, mode); };
const auto unit = [](int u) { return gl_call_of("glActiveTextureARB", GL_TEXTURE0_ARB + u); };

TEST_F(TexBind, CacheSkipsWhatTheUnitHolds)
{
    const std::vector<gl_call> none;
    const struct {
        const char* what;
        int tex, unit, mode;
        std::vector<gl_call> want;
    } steps[] = {
        {"first bind reaches GL, mode 0 is GL_MODULATE", 5, 0, 0, {bind(5), env_mode(GL_MODULATE)}},
        {"GL_MODULATE is the same cached mode", 5, 0, GL_MODULATE, none},
        {"a new texture alone: one bind", 6, 0, 0, {bind(6)}},
        {"a new mode alone: no bind", 6, 0, GL_REPLACE, {env_mode(GL_REPLACE)}},
        {"unit 1 is selected and unit 0 restored", 7, 1, GL_DECAL, {unit(1), bind(7), env_mode(GL_DECAL), unit(0)}},
        {"same texture, new mode on unit 1", 7, 1, GL_ADD, {unit(1), env_mode(GL_ADD), unit(0)}},
        {"mode 24 binds only", 8, 1, 24, {unit(1), bind(8), unit(0)}},
        {"mode 24 left the cached mode alone", 8, 1, GL_ADD, none},
        {"mode 24 on the held texture still selects the unit", 8, 1, 24, {unit(1), unit(0)}},
        {"a unit outside 0..7 binds nothing", 9, 8, 0, none},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        EXPECT_EQ(calls_of(s.tex, s.unit, s.mode), s.want);
    }
    TEX_reset_bind();
    EXPECT_EQ(calls_of(8, 1, GL_ADD), (std::vector<gl_call>{unit(1), bind(8), env_mode(GL_ADD), unit(0)}));
}

TEST_F(TexBind, KillSwitchKeepsOnlyTheAtlas)
{
    *gKillTex.value_ptr = 1.0f;
    EXPECT_EQ(calls_of(5, 0, 24), std::vector<gl_call>{bind(926)});
    EXPECT_EQ(calls_of(388, 0, 24), std::vector<gl_call>{bind(388)});
    EXPECT_EQ(calls_of(77, 0, 24), std::vector<gl_call>{bind(926)});
}

TEST_F(TexBind, WithoutCombinerASetUpNumberGoesToGlAsItIs)
{
    glExt.combine_avail = 0;
    EXPECT_EQ(calls_of(5, 0, 17), (std::vector<gl_call>{bind(5), env_mode(17)}));
    EXPECT_TRUE(calls_of(5, 0, 17).empty()); // the cache recorded 17
}

TEST_F(TexBind, CombinerSetUps)
{
    // Set-up 17: texture alpha as grey, constant opaque alpha.
    auto c = calls_of(5, 0, 17);
    const std::vector<gl_call> want17 = {
        bind(5),
        env_mode(GL_COMBINE),
        gl_call_of("glTexEnvfv", GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, 0),
        gl_call_of("glTexEnvi", GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_REPLACE),
        gl_call_of("glTexEnvi", GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_TEXTURE),
        gl_call_of("glTexEnvi", GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_ALPHA),
        gl_call_of("glTexEnvi", GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_REPLACE),
        gl_call_of("glTexEnvi", GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GL_CONSTANT),
        gl_call_of("glTexEnvi", GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA),
        gl_call_of("glTexEnvf", GL_TEXTURE_ENV, GL_ALPHA_SCALE, 1.0),
    };
    EXPECT_EQ(c, want17);
    // Set-up 11 is the only one scaling alpha by 4; 22 writes no scale at all.
    c = calls_of(5, 0, 11);
    EXPECT_EQ(c.back(), gl_call_of("glTexEnvf", GL_TEXTURE_ENV, GL_ALPHA_SCALE, 4.0));
    c = calls_of(5, 0, 22);
    for (const gl_call& call : c) EXPECT_NE(call.args.size() > 1 ? call.args[1] : 0, double(GL_ALPHA_SCALE));
    // Set-up 23 writes its parameters in the float form, after the integer mode.
    c = calls_of(5, 0, 23);
    ASSERT_GE(c.size(), 4u);
    EXPECT_EQ(c[0], env_mode(GL_COMBINE));
    EXPECT_EQ(c[2], gl_call_of("glTexEnvf", GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_INTERPOLATE));
    EXPECT_EQ(rec.count("glTexEnvi"), 1);
}

TEST_F(TexBind, BlendLevelOnlyOnExistingUnits)
{
    ren.tex_units = 1;
    rec.calls.clear();
    TEX_set_blend_level(1, 0.5f);
    EXPECT_TRUE(rec.calls.empty());
    ren.tex_units = 2;
    TEX_set_blend_level(1, 0.5f);
    EXPECT_EQ(rec.calls, (std::vector<gl_call>{unit(1), gl_call_of("glTexEnvfv", GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, 0),
                                               unit(0)}));
    // The cache is untouched: binding what unit 1 held before still costs nothing.
    TEX_bind_ref(3, 1, 0);
    rec.calls.clear();
    TEX_set_blend_level(1, 0.25f);
    EXPECT_TRUE(calls_of(3, 1, 0).empty());
}

} // namespace
