// Frame clock driven by a stepped time source: no test here sleeps.
#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "support/testkit.h"
#include "foundation/xtim.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

struct clock_fixture : ::testing::Test {
    stepped_clock clock;
    void SetUp() override
    {
        HL_reset_globals();
        xtim = xtim_class();
    }
    void TearDown() override { HL_reset_globals(); }
    void frames(int n, double dt)
    {
        for (int i = 0; i < n; ++i) {
            clock.advance(dt);
            xtim.xtim_update();
        }
    }
};

TEST_F(clock_fixture, FirstFrameStartsAtZeroAndHitsTheSmoothingFloor)
{
    mnw.mouse_time = 5.0f;
    xtim.xtim_update();
    EXPECT_FLOAT_EQ(xtim.elapsed_time, 0.0f);
    EXPECT_NEAR(xtim.frame_period, 0.02 * std::pow(0.5, 0.25), 1e-6);
    EXPECT_FLOAT_EQ(xtim.period_ratio, 0.5f);
    EXPECT_EQ(xtim.ot01 + xtim.ot1 + xtim.ot40, 0);
    EXPECT_FLOAT_EQ(mnw.mouse_time, 0.0f);
}

TEST_F(clock_fixture, ElapsedTimeFollowsTheSourceExactly)
{
    xtim.xtim_update();
    frames(30, 0.25);
    EXPECT_NEAR(xtim.elapsed_time, 7.5, 1e-5);
}

TEST_F(clock_fixture, TickFiresOnlyPastItsPeriodAndOncePerInterval)
{
    xtim.xtim_update();
    frames(1, 1.0); // exactly one period: the 1 s flag stays down
    EXPECT_EQ(xtim.ot1, 0);
    EXPECT_EQ(xtim.ot2, 1);
    frames(1, 0.125); // now past 1 s
    EXPECT_EQ(xtim.ot1, 1);
    frames(1, 0.125);
    EXPECT_EQ(xtim.ot1, 0); // the next interval counts from the frame that fired
    int fired = 0;
    for (int i = 0; i < 100; ++i) { // 10 s in 0.1 s frames
        frames(1, 0.1);
        fired += xtim.ot1;
    }
    EXPECT_GE(fired, 8);
    EXPECT_LE(fired, 10);
}

TEST_F(clock_fixture, SlowFramesRaiseThePeriodToItsCeiling)
{
    xtim.xtim_update();
    float previous = xtim.frame_period;
    for (int i = 0; i < 200; ++i) {
        frames(1, 0.2);
        ASSERT_LE(xtim.frame_period, previous * std::pow(1.5f, 0.25f) * 1.0001f);
        previous = xtim.frame_period;
    }
    EXPECT_FLOAT_EQ(xtim.frame_period, 0.05263158f);
}

TEST_F(clock_fixture, FastFramesConvergeOnTheirPeriod)
{
    frames(400, 0.01);
    EXPECT_NEAR(xtim.frame_period, 0.01, 0.001);
}

TEST_F(clock_fixture, TimeRateModesScaleTheSimulatedStep)
{
    struct mode_case {
        int mode;
        float rate;
        float sim_factor;
        float rated_factor;
    };
    const mode_case cases[] = {
        {0, 1.0f, 1.0f, 1.0f}, {0, 2.0f, 2.0f, 2.0f}, {0, 0.0f, 0.0f, 1.0f}, {1, 1.0f, 1.0f, 1.0f},
        {2, 1.0f, -5.0f, 1.0f}, {3, 1.0f, -1.0f, 1.0f}, {4, 1.0f, -0.2f, 1.0f}, {5, 1.0f, 0.0f, 1.0f},
        {6, 1.0f, 0.2f, 1.0f}, {7, 1.0f, 1.0f, 1.0f}, {8, 1.0f, 5.0f, 1.0f}, {42, 1.0f, 1.0f, 1.0f},
    };
    for (const mode_case& c : cases) {
        SCOPED_TRACE(c.mode);
        mnw.time_rate_mode = c.mode;
        xtim.time_rate = c.rate;
        frames(1, 0.02);
        const float p = xtim.frame_period;
        EXPECT_FLOAT_EQ(xtim.sim_period, p * c.sim_factor);
        EXPECT_FLOAT_EQ(xtim.rated_period, p * c.rated_factor);
    }
}

TEST_F(clock_fixture, AlertWindowFreezesThePeriodAndRestartsTheMeasurement)
{
    frames(25, 0.02);
    const float before = xtim.frame_period;
    mnw.cur_wind = 995;
    frames(50, 0.5);
    EXPECT_FLOAT_EQ(xtim.frame_period, before);
    mnw.cur_wind = 0;
    frames(10, 0.02); // the next smoothing sees only frames after the alert
    EXPECT_NEAR(xtim.frame_period, before, before * 0.15);
}

TEST_F(clock_fixture, SubWindowHasItsOwnTrack)
{
    frames(30, 0.01);
    const float main_period = xtim.frame_period;
    mnw.cur_wind = 3;
    frames(1, 0.01);
    EXPECT_NEAR(xtim.frame_period, 0.02 * std::pow(0.5, 0.25), 1e-6); // its first smoothing
    mnw.cur_wind = 0; // the main track smooths again, over the one frame since the switch
    frames(1, 0.01);
    EXPECT_FLOAT_EQ(xtim.frame_period, main_period * std::pow(0.5f, 0.25f));
}

struct pulse_log {
    static float last;
    static int unfocused;
};
float pulse_log::last = -1.0f;
int pulse_log::unfocused = 0;

TEST_F(clock_fixture, MouseTimingAndFrameHooks)
{
    const pulse_fn old_pulse = COLR_set_pulse_hook([](float v) { pulse_log::last = v; });
    const unfocus_fn old_unfocus = BTN_set_unfocus_hook([] { ++pulse_log::unfocused; });
    pulse_log::unfocused = 0;
    xtim.xtim_update();
    EXPECT_NEAR(pulse_log::last, 0.7f, 1e-6);

    mnw.mouse_down = 1; // first press
    frames(1, 1.0);
    mnw.mouse_down = 0;
    EXPECT_EQ(mnw.mouse_held, 1);
    EXPECT_EQ(pulse_log::unfocused, 1);
    mnw.mouse_up = 1;
    frames(1, 0.1); // released within 0.25 s: a click
    mnw.mouse_up = 0;
    EXPECT_EQ(mnw.mouse_click, 1);
    EXPECT_EQ(mnw.mouse_held, 0);
    mnw.mouse_down = 1;
    frames(1, 0.1); // second press 0.2 s after the first
    EXPECT_EQ(mnw.mouse_dbl, 1);
    frames(1, 0.3); // a press 0.3 s later is no double click
    EXPECT_EQ(mnw.mouse_dbl, 0);
    mnw.mouse_down = 0;
    frames(1, 0.2);
    EXPECT_EQ(mnw.mouse_held_long, 0);
    frames(1, 0.1); // more than 0.25 s after the last press
    EXPECT_EQ(mnw.mouse_held_long, 1);
    mnw.mouse_up = 1;
    frames(1, 0.1);
    EXPECT_EQ(mnw.mouse_held_long, 0);
    EXPECT_GE(pulse_log::last, 0.4f);
    EXPECT_LE(pulse_log::last, 1.0f);
    COLR_set_pulse_hook(old_pulse);
    BTN_set_unfocus_hook(old_unfocus);
}

TEST_F(clock_fixture, DelTimeKeepsTheLow32BitsAndMovesTheCounter)
{
    unsigned long long counter = xtim_class::microsecs();
    clock.advance_us(1234);
    EXPECT_EQ(xtim_class::del_time(&counter), 1234);
    EXPECT_EQ(xtim_class::del_time(&counter), 0);
    clock.advance_us((1ull << 32) + 5);
    EXPECT_EQ(xtim_class::del_time(&counter), 5);
}

TEST_F(clock_fixture, ProfilerWritesOnlyWhenSwitchedOn)
{
    temp_dir dir;
    xer.open(dir / "log.txt");
    xtim_class::microsecs(); // the first reading anywhere sets the base
    clock.advance_us(1000);
    xtim_class::profile_chart("init", 0); // switched off: nothing written, the counter stays
    xer.flush();
    EXPECT_EQ(read_file(dir / "log.txt"), "");
    mnw.profile_on = 1;
    clock.advance_us(120);
    xtim_class::profile_chart("init", 0);
    clock.advance_us(5000);
    xtim_class::profile_chart("finish", 1);
    xer.close();
    EXPECT_EQ(read_file(dir / "log.txt"), "init= 1e+02 | finish= 5e+02 |    total:     0 sec for topwi=0\n");
}

TEST(ClockCalendar, MonthDayAndHoursMinutesSeconds)
{
    struct day_case {
        int doy, month, day;
    };
    const day_case days[] = {{0, 0, 1}, {30, 0, 31}, {31, 1, 1}, {58, 1, 28}, {59, 2, 1},
                             {90, 3, 1}, {364, 11, 31}, {-5, 0, 1}, {400, 11, 31}};
    xtim_class t;
    for (const day_case& c : days) {
        SCOPED_TRACE(c.doy);
        t.day_of_year = c.doy;
        int m = -1, d = -1;
        t.current_month_day(&m, &d);
        EXPECT_EQ(m, c.month);
        EXPECT_EQ(d, c.day);
    }
    float h, m, s;
    xtim_class::xtim_hrs_min_sec(43200.0f, &h, &m, &s);
    EXPECT_EQ(h, 12.0f);
    EXPECT_EQ(m, 0.0f);
    EXPECT_EQ(s, 0.0f);
    xtim_class::xtim_hrs_min_sec(3725.5f, &h, &m, &s);
    EXPECT_EQ(h, 1.0f);
    EXPECT_EQ(m, 2.0f);
    EXPECT_EQ(s, 5.0f);
}

} // namespace
