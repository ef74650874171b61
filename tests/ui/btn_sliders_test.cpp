// Sliders: thumb positions, arrow and track steps with their repeat, grabbing
// and dragging, shared ids, and the horizontal slider's ends, fill and knob.
#include "btn_fixture.h"

using namespace btn;

namespace {

// The key-binding window's scroll bar: x 500, track 30..686.
struct bindings_bar {
    int value = 0;
    int result = 0;
    int lo = 0, hi = 100;
    void draw() { result = BTN_vert_slider(0, 500, 30, 686, lo, hi, &value); }
};

float thumb_mid(const std::vector<draw_call>& quads)
{
    for (const draw_call& q : quads)
        if (q.t0() > 239 && q.t0() < 241) return (q.y0() + q.y1()) / 2;
    return -1;
}

} // namespace

TEST_F(widgets, VerticalThumbSitsByTheValue)
{
    struct row {
        int value;
        float mid;
    } rows[] = {{0, 676}, {100, 39}, {50, 357.5f}, {-20, 676}, {300, 39}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.value);
        bindings_bar bar;
        bar.value = r.value;
        frame([&] { bar.draw(); });
        EXPECT_FLOAT_EQ(thumb_mid(of_kind("quad")), r.mid);
    }
}

TEST_F(widgets, VerticalArrowsAndTrackStepAndRepeatOnTheTick)
{
    struct row {
        int start;
        mouse m;
        int tick;
        int want;
    } rows[] = {
        {50, press_at(500, 690), 0, 49},                  // top arrow
        {50, press_at(500, 20), 0, 51},                   // bottom arrow
        {50, press_at(500, 100), 0, 60},                  // track below the thumb
        {50, press_at(500, 600), 0, 40},                  // above it
        {50, press_at(500, 686), 0, 39},                  // the top row: arrow and track
        {50, press_at(500, 30), 0, 61},                   // the bottom row
        {0, press_at(500, 690), 0, 0},                    // clamped at lo
        {50, press_at(511.5f, 690), 0, 50},               // beside the bar
        {50, {500, 690, 0, 1, 1}, 1, 49},                 // held long, on the tick
        {50, {500, 690, 0, 1, 1}, 0, 50},                 // held long, between ticks
        {50, {500, 690, 0, 1, 0}, 1, 50},                 // held, not yet long
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.start << " at " << r.m.y << " tick " << r.tick);
        BTN_reset_sliders();
        bindings_bar bar;
        bar.value = r.start;
        xtim.ot5 = r.tick;
        frame([&] { bar.draw(); }, r.m);
        EXPECT_EQ(bar.value, r.want);
        EXPECT_EQ(bar.result, 0);
    }
}

TEST_F(widgets, GrabbedThumbDragsWhereverTheMouseGoesUntilReleased)
{
    bindings_bar bar;
    bar.value = 50;
    frame([&] { bar.draw(); }, press_at(500, 357));
    EXPECT_EQ(bar.result, 1);
    const auto quads = of_kind("quad");
    EXPECT_EQ(quads.back().colour, 47); // grabbed look
    frame([&] { bar.draw(); }, hold_at(900, 900));
    EXPECT_EQ(bar.value, 0);
    frame([&] { bar.draw(); }, hold_at(-50, -900));
    EXPECT_EQ(bar.value, 100);
    frame([&] { bar.draw(); }, hold_at(500, 675 - 0.5f * 634));
    EXPECT_EQ(bar.value, 50);
    frame([&] { bar.draw(); }, over(500, 600));
    EXPECT_EQ(bar.result, 0);
    EXPECT_EQ(bar.value, 50);
}

TEST_F(widgets, SlidersOfOneIdShareTheirGrab)
{
    bindings_bar a, b;
    b.value = 100;
    frame([&] { a.draw(); b.draw(); }, press_at(500, 39)); // on b's thumb; a drew before the grab
    EXPECT_EQ(b.result, 1);
    frame([&] { a.draw(); b.draw(); }, hold_at(500, 357));
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(b.result, 1);
    EXPECT_EQ(a.value, 50);
    EXPECT_EQ(b.value, 50);
}

TEST_F(widgets, VerticalSliderLimitsItsIdsAndEmptyRanges)
{
    int v = 5;
    EXPECT_THROW(frame([&] { BTN_vert_slider(4, 500, 30, 686, 0, 10, &v); }), fatal_alert);
    EXPECT_EQ(alert_recorder::alerts().back().lines.l1, "Too many sliders!");
    int r = -1;
    v = 50;
    frame([&] { r = BTN_vert_slider(1, 500, 30, 686, 10, 10, &v); }, press_at(500, 690));
    EXPECT_EQ(r, 0);
    EXPECT_EQ(v, 50);
    EXPECT_EQ(of_kind("quad").size(), 35u); // the bare track: H = 664, caps and 33 middles
}

TEST_F(widgets, HorizontalSliderEndsFillAndKnob)
{
    struct row {
        float lo, hi, value;
        int fill_colour, editable;
        float fill_w;     // -1: no fill bar
        float knob_x;     // -1: no knob
    } rows[] = {
        {0, 100, 7.9f, 5, 1, 8, 7.9f},
        {0, 100, 6.2f, 5, 1, 6, 6.2f},
        {0, 100, 50, 12, 1, -1, 50},
        {0, 100, 50, 5, 0, 50, -1},
        {0, 0.005f, 0.01f, 5, 1, 100, 100}, // hi pushed to 0.01
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.value);
        float v = r.value;
        frame([&] { BTN_horz_slider(0, 100, 100, r.fill_colour, r.lo, r.hi, &v, r.editable, "L|R{?h", "cap"); });
        // The fill bar's width: from its start cap's left to its end cap's right.
        float fill_lo = 1e9f, fill_hi = -1e9f, knob = -1;
        for (const draw_call& q : of_kind("quad")) {
            if (q.t0() > 218 && q.t0() < 220) {
                if (fill_lo == 1e9f) fill_lo = q.x0();
                fill_hi = q.x1();
                EXPECT_EQ(q.colour, r.fill_colour);
            }
            if (q.s0() > 261 && q.s0() < 263) knob = (q.x0() + q.x1()) / 2;
        }
        EXPECT_FLOAT_EQ(fill_hi > fill_lo ? fill_hi - fill_lo : -1, r.fill_w);
        EXPECT_NEAR(knob, r.knob_x, 1e-3);
        const auto texts = of_kind("string");
        ASSERT_EQ(texts.size(), 3u);
        EXPECT_EQ(texts[2].text, "cap");
        EXPECT_EQ(texts[2].align, 1);
    }
}

TEST_F(widgets, HorizontalSliderFollowsTheHeldMouse)
{
    struct row {
        mouse m;
        int editable;
        float want;
        int result;
    } rows[] = {
        {hold_at(25, 100), 1, 25, 1},   {hold_at(-20, 80), 1, 0, 1},    {hold_at(120, 120), 1, 100, 1},
        {hold_at(121, 100), 1, 50, 0},  {over(25, 100), 1, 50, 0},      {hold_at(25, 100), 0, 50, 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.m.x << "," << r.m.y);
        float v = 50;
        int result = -1;
        frame([&] { result = BTN_horz_slider(0, 100, 100, 5, 0, 100, &v, r.editable, "", ""); }, r.m);
        EXPECT_FLOAT_EQ(v, r.want);
        EXPECT_EQ(result, r.result);
    }
    // Equal ends: lo is pushed above hi for the frame, a descending slider.
    float v = 0;
    frame([&] { BTN_horz_slider(0, 100, 100, 5, 0, 0, &v, 1, "", ""); }, hold_at(25, 100));
    EXPECT_NEAR(v, 0.0025f, 1e-6);
}
