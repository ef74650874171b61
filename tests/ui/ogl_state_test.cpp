// ogl_state_test.cpp - the GL state cache against a recording fake GL: the
// calls it makes, and that it never disagrees with what GL has switched on.
#include "ui/ogl_state.h"

#include "foundation/hl_types.h"
#include "support/gl_recorder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using calls = std::vector<gl_call>;
const auto C = [](auto... a) { return gl_call_of(a...); };

struct StateCache : ::testing::Test {
    gl_recorder rec;
    void SetUp() override
    {
        OGL_reset_state_cache();
        ren.tex_units = 4;
        OGL_setstate(1, 1, 3, 4, 9, 11);
        OGL_setstate(1, 0, 3, 4, 9, 11); // everything off, as after the context set-up
        rec.calls.clear();
    }
    void TearDown() override
    {
        OGL_reset_state_cache();
        ren.tex_units = 0;
    }
};

} // namespace

TEST_F(StateCache, FirstCallQueriesGlSixTimesAndNeverAgain)
{
    OGL_reset_state_cache();
    rec.enabled = {GL_BLEND, GL_TEXTURE_2D};
    OGL_setstate(1, 1, 3, 5, 9, 11);
    EXPECT_EQ(rec.named({"glIsEnabled"}),
              (calls{C("glIsEnabled", GL_FOG), C("glIsEnabled", GL_TEXTURE_2D), C("glIsEnabled", GL_LIGHTING),
                     C("glIsEnabled", GL_BLEND), C("glIsEnabled", GL_ALPHA_TEST), C("glIsEnabled", GL_DEPTH_TEST)}));
    // GL already matched: blending on, one unit textured.
    EXPECT_EQ(rec.calls.size(), 6u);
    rec.calls.clear();
    OGL_setstate(1, 1, 3, 5, 9, 11);
    EXPECT_TRUE(rec.calls.empty());
}

TEST_F(StateCache, DepthWriteOnTheFirstCall)
{
    OGL_reset_state_cache();
    OGL_setstate(1, 0, 3, 4, 9, 11);
    EXPECT_EQ(rec.count("glDepthMask"), 0);
    OGL_reset_state_cache();
    rec.calls.clear();
    OGL_setstate(1, 0, 3, 4, 9, 10);
    EXPECT_EQ(rec.named({"glDepthMask"}), (calls{C("glDepthMask", GL_TRUE)}));
}

TEST_F(StateCache, CallSequences)
{
    struct {
        const char* what;
        int before[6];
        int after[6];
        calls want;
        int units_after;
    } const cases[] = {
        {"same arguments again", {1, 0, 3, 4, 9, 11}, {1, 0, 3, 4, 9, 11}, {}, 0},
        {"two units after none", {1, 0, 3, 4, 9, 11}, {1, 2, 3, 4, 9, 11},
         {C("glEnable", GL_TEXTURE_2D), C("glActiveTextureARB", GL_TEXTURE0_ARB), C("glEnable", GL_TEXTURE_2D),
          C("glActiveTextureARB", GL_TEXTURE1_ARB), C("glEnable", GL_TEXTURE_2D),
          C("glActiveTextureARB", GL_TEXTURE0_ARB)},
         2},
        {"one unit after none", {1, 0, 3, 4, 9, 11}, {1, 1, 3, 4, 9, 11}, {C("glEnable", GL_TEXTURE_2D)}, 1},
        {"none after three", {1, 3, 3, 4, 9, 11}, {1, 0, 3, 4, 9, 11},
         {C("glDisable", GL_TEXTURE_2D), C("glActiveTextureARB", GL_TEXTURE0_ARB), C("glDisable", GL_TEXTURE_2D),
          C("glActiveTextureARB", GL_TEXTURE1_ARB), C("glDisable", GL_TEXTURE_2D),
          C("glActiveTextureARB", GL_TEXTURE2_ARB), C("glDisable", GL_TEXTURE_2D),
          C("glActiveTextureARB", GL_TEXTURE0_ARB)},
         0},
        {"more units than GL has", {1, 4, 3, 4, 9, 11}, {1, 9, 3, 4, 9, 11}, {}, 4},
        {"a negative count is none", {1, 0, 3, 4, 9, 11}, {1, -3, 3, 4, 9, 11}, {}, 0},
        {"blend and test on: blend first", {1, 0, 3, 4, 9, 11}, {1, 0, 3, 7, 9, 11},
         {C("glEnable", GL_BLEND), C("glEnable", GL_ALPHA_TEST)}, 0},
        {"blend and test off: blend first", {1, 0, 3, 7, 9, 11}, {1, 0, 3, 4, 9, 11},
         {C("glDisable", GL_BLEND), C("glDisable", GL_ALPHA_TEST)}, 0},
        {"blend to test", {1, 0, 3, 5, 9, 11}, {1, 0, 3, 6, 9, 11},
         {C("glDisable", GL_BLEND), C("glEnable", GL_ALPHA_TEST)}, 0},
        {"an unknown alpha code changes nothing", {1, 0, 3, 5, 9, 11}, {1, 0, 3, 9, 9, 11}, {}, 0},
        {"fog, lighting and depth on", {1, 0, 3, 4, 9, 11}, {0, 0, 2, 4, 8, 10},
         {C("glEnable", GL_FOG), C("glEnable", GL_LIGHTING), C("glEnable", GL_LIGHT0), C("glEnable", GL_DEPTH_TEST),
          C("glDepthMask", GL_TRUE)},
         0},
        {"two codes for off count as a change", {1, 0, 3, 4, 9, 11}, {2, 0, 3, 4, 9, 11},
         {C("glDisable", GL_FOG)}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const int* b = c.before;
        const int* a = c.after;
        OGL_setstate(b[0], b[1], b[2], b[3], b[4], b[5]);
        rec.calls.clear();
        OGL_setstate(a[0], a[1], a[2], a[3], a[4], a[5]);
        EXPECT_EQ(rec.calls, c.want);
        EXPECT_EQ(num_units, c.units_after);
        OGL_setstate(1, 0, 3, 4, 9, 11);
    }
}

// Whatever the sequence of codes, unknown ones included, GL ends up with
// exactly the states the last known codes asked for.
TEST_F(StateCache, NeverDisagreesWithGl)
{
    const int sequence[][6] = {{1, 1, 3, 5, 9, 11}, {1, 3, 2, 7, 8, 10}, {0, 0, 3, 12, 9, 11}, {1, 2, 3, -1, 8, 11},
                               {1, 8, 3, 6, 9, 11}, {1, 0, 2, 0, 9, 11},  {1, 1, 3, 5, 9, 11}};
    int blend = 0, test = 0;
    for (const auto& s : sequence) {
        OGL_setstate(s[0], s[1], s[2], s[3], s[4], s[5]);
        if (s[3] >= 4 && s[3] <= 7) {
            blend = s[3] == 5 || s[3] == 7;
            test = s[3] == 6 || s[3] == 7;
        }
        SCOPED_TRACE(s[3]);
        EXPECT_EQ(rec.is_on(GL_BLEND), blend != 0);
        EXPECT_EQ(rec.is_on(GL_ALPHA_TEST), test != 0);
        EXPECT_EQ(rec.is_on(GL_FOG), s[0] == 0);
        EXPECT_EQ(rec.is_on(GL_LIGHTING), s[2] == 2);
        EXPECT_EQ(rec.is_on(GL_DEPTH_TEST), s[4] == 8);
        const int units = std::min(std::max(s[1], 0), ren.tex_units);
        for (int u = 0; u < 8; ++u) EXPECT_EQ(rec.is_on_unit(GL_TEXTURE_2D, u), u < units) << "unit " << u;
        EXPECT_EQ(rec.active_unit, static_cast<GLenum>(GL_TEXTURE0_ARB));
    }
}
