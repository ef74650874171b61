// colr_test.cpp - the colour table: initial colours, the gamma data it shows,
// lighting, the clock's pulse, the spectrum, and indices outside the table.
#include "ui/colr.h"

#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "support/gl_recorder.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

void expect_rgb(const float* got, float r, float g, float b)
{
    EXPECT_FLOAT_EQ(got[0], r);
    EXPECT_FLOAT_EQ(got[1], g);
    EXPECT_FLOAT_EQ(got[2], b);
}

} // namespace

TEST(ColourTable, InitialColours)
{
    colr_class c;
    const struct {
        int index;
        float r, g, b;
    } cases[] = {{0, 1, 1, 1},       {1, 1, 0.2f, 0.2f},     {12, 0, 0, 0},      {13, 0, 0.4f, 0},
                 {27, 1, 1, 1},      {34, 0, 0, 0},          {49, 1, 1, 1},      {61, 0.5f, 0.5f, 0.5f},
                 {72, 0.49f, 0.43f, 0.24f}, {77, 0.44f, 0.53f, 0.54f}, {101, 1, 1, 0.8f}, {103, 0, 0, 0}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.index);
        expect_rgb(c.rgb[k.index], k.r, k.g, k.b);
    }
    expect_rgb(c.lite, 1, 1, 1);
    EXPECT_EQ(c.pulse_level, 0);
}

TEST(ColourTable, GammaIsTheLoadersOwnData)
{
    EXPECT_EQ(&colr.gamma_table[0], &colr_gamma.gamma_table[0]);
    EXPECT_EQ(&colr.display_gamma, &colr_gamma.display_gamma);
    EXPECT_EQ(colr.gamma_table[0], 0);
    EXPECT_EQ(colr.gamma_table[1], 3);
    EXPECT_EQ(colr.gamma_table[128], 145);
    EXPECT_EQ(colr.gamma_table[255], 255);
    EXPECT_EQ(colr.gamma_off, 0);
    EXPECT_EQ(colr.design_gamma, 1.8);
}

TEST(ColourTable, LightingScalesTheInterfaceColoursOnly)
{
    colr_class c;
    c.lite[0] = 0.5f;
    c.lite[1] = 0.8f;
    c.lite[2] = 0.75f;
    c.assign(45, 1, 1, 1);
    c.assign(46, 1, 1, 1);
    float out[3];
    c.lit_rgb(45, out);
    expect_rgb(out, 0.5f, 0.8f, 0.75f);
    c.lit_rgb(46, out);
    expect_rgb(out, 1, 1, 1);
    c.assign(102, 0.8f, 1, 0.8f);
    c.lit_rgb(102, out);
    expect_rgb(out, 0.8f, 1, 0.8f);

    c.set_lites_for_interface();
    expect_rgb(c.lite, 0.75f, 0.8f, 0.75f);
}

TEST(ColourTable, LitColour)
{
    alert_recorder alerts;
    HL_reset_globals();
    colr_class c;
    c.set_lit_col(0);
    expect_rgb(c.rgb[col_lit], 1, 1, 1);
    c.set_lit_col(1);
    expect_rgb(c.rgb[col_lit], 0, 0, 0);
    ren.lit_level_2 = 0.25f;
    c.set_lit_col(2);
    expect_rgb(c.rgb[col_lit], 0.25f, 0.25f, 0.25f);
    EXPECT_TRUE(alert_recorder::alerts().empty());
    EXPECT_THROW(c.set_lit_col(3), fatal_alert);
    ASSERT_EQ(alert_recorder::alerts().size(), 1u);
    EXPECT_EQ(alert_recorder::alerts()[0].lines.l1, "bad col_type!");
    HL_reset_globals();
}

TEST(ColourTable, IndexOutsideTheTableIsCaught)
{
    alert_recorder alerts;
    colr_class c;
    const float before = c.spec_min;
    for (int index : {-1, 104, 1000000, -2147483647}) {
        SCOPED_TRACE(index);
        alert_recorder::alerts().clear();
        c.assign(index, 0.5f, 0.5f, 0.5f);
        float out[3] = {9, 9, 9};
        c.lit_rgb(index, out);
        expect_rgb(out, 0, 0, 0);
        ASSERT_EQ(alert_recorder::alerts().size(), 2u);
        EXPECT_EQ(alert_recorder::alerts()[0].type, t_alert);
        EXPECT_EQ(alert_recorder::alerts()[0].lines.l1, "Colour index out of range in colr_class::assign!");
    }
    EXPECT_EQ(c.spec_min, before); // the field after the table is untouched
    expect_rgb(c.rgb[103], 0, 0, 0);
    c.assign(103, 0.1f, 0.2f, 0.3f); // the last index is inside
    expect_rgb(c.rgb[103], 0.1f, 0.2f, 0.3f);
}

TEST(ColourTable, PulseFromTheClock)
{
    COLR_set_pulse(0.4f);
    EXPECT_EQ(colr.pulse_level, 0.4f);
    for (int i = 78; i <= 83; ++i) expect_rgb(colr.rgb[i], 0.4f, 0.4f, 0.4f);
    expect_rgb(colr.rgb[84], 1, 0, 1); // the next colour keeps its own
}

TEST(ColourTable, Spectrum)
{
    colr_class c;
    c.spectrum_init(0);
    expect_rgb(c.spec_rgb[0], 1, 0, 0);
    EXPECT_NEAR(c.spec_rgb[200][0], 1, 1e-5);
    EXPECT_NEAR(c.spec_rgb[200][1], 0.32f, 1e-5);
    EXPECT_NEAR(c.spec_rgb[200][2], 0.08f, 1e-5);
    EXPECT_NEAR(c.spec_rgb[500][0], 0.5f, 1e-5);
    EXPECT_NEAR(c.spec_rgb[500][1], 1, 1e-5);
    EXPECT_NEAR(c.spec_rgb[500][2], 0, 1e-5);
    EXPECT_NEAR(c.spec_rgb[999][0], 0.796f, 1e-3);
    EXPECT_NEAR(c.spec_rgb[999][2], 0.801f, 1e-3);
    c.spectrum_init(2);
    expect_rgb(c.spec_rgb[500], 0, 0.5f, 0);
    c.spectrum_init(4);
    expect_rgb(c.spec_rgb[500], 0, 0.5f, 0);
}

// The scale's 250 points from the bottom up, each in the colour of its value:
// a rising scale, a falling one (entry 0 still at the bottom), and one whose
// ends are equal (every point entry 0, never a NaN index).
TEST(ColourTable, SpectrumScale)
{
    struct scale_case {
        float lo, hi;
        float bottom_red, top_red; // entry / 1000 of the red ramp
    };
    const scale_case cases[] = {{0, 10, 0.0f, 0.996f}, {10, 0, 0.0f, 0.996f}, {5, 5, 0.0f, 0.0f}};
    for (const scale_case& c : cases) {
        SCOPED_TRACE(std::to_string(c.lo) + " to " + std::to_string(c.hi));
        colr_class table;
        table.spectrum_init(1);
        gl_recorder rec;
        alert_recorder alerts; // the labels bind the atlas, which no test here has loaded
        table.spectrum_plotscale(100, 20, c.lo, c.hi, 1);
        for (const recorded_alert& a : alerts.alerts()) EXPECT_EQ(a.lines.l1, "missing non-scenery texture - how?");
        alerts.alerts().clear();
        EXPECT_EQ(table.spec_min, c.lo);
        EXPECT_EQ(table.spec_max, c.hi);
        // The points: the calls between glBegin(GL_POINTS) and its glEnd; the labels are quads.
        std::vector<gl_call> colours, points;
        bool in_points = false;
        for (const gl_call& call : rec.calls) {
            if (call.name == "glBegin") in_points = call.args == std::vector<double>{GL_POINTS};
            else if (call.name == "glEnd") in_points = false;
            else if (in_points && call.name == "glColor3f") colours.push_back(call);
            else if (in_points && call.name == "glVertex2f") points.push_back(call);
        }
        ASSERT_EQ(points.size(), 250u);
        ASSERT_EQ(colours.size(), 250u);
        EXPECT_EQ(points.front().args, (std::vector<double>{100, 20}));
        EXPECT_EQ(points.back().args, (std::vector<double>{100, 1016}));
        EXPECT_NEAR(colours.front().args[0], c.bottom_red, 2e-3);
        EXPECT_NEAR(colours.back().args[0], c.top_red, 2e-3);
        for (const gl_call& colour : colours) EXPECT_FALSE(std::isnan(colour.args[0]));
    }
}
