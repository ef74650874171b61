// The frame pace on a stepped clock: when a held picture is drawn again.
#include "foundation/frame_pace.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

namespace {

struct pace_fixture : ::testing::Test {
    stepped_clock clock;
    frame_pace_class pace;
    double t() const { return frame_pace_class::now(); }
    // One drawn pass: `declare` asks what the pass asks; then it is swapped and shown.
    template <typename F> void draw(F declare)
    {
        pace.begin_pass();
        declare();
        pace.swapped(t());
        pace.pass_shown();
    }
};

int probe_answer = 1, probe_calls = 0;
int probe() { return ++probe_calls, probe_answer; }

TEST_F(pace_fixture, AHeldPictureIsDrawnAgainOnlyWhenSomethingChanges)
{
    EXPECT_TRUE(pace.due(t())) << "nothing is on screen yet";
    draw([] {});
    EXPECT_TRUE(pace.due(t())) << "a pass that does not hold still is drawn every frame";
    draw([&] { pace.hold_still(); });
    EXPECT_FALSE(pace.due(t()));
    EXPECT_TRUE(pace.resting());
    clock.advance(3600);
    EXPECT_FALSE(pace.due(t())) << "time alone changes nothing";
    pace.redraw();
    EXPECT_TRUE(pace.due(t()));
    EXPECT_FALSE(pace.resting());
    draw([&] { pace.hold_still(); });
    EXPECT_FALSE(pace.due(t())) << "the redraw was used up by the pass";
}

TEST_F(pace_fixture, AWakeComesOnTimeAndTheEarliestWins)
{
    draw([&] {
        pace.hold_still();
        pace.wake_in(0.5);
        pace.wake_in(0.2);
        pace.wake_in(0.9);
    });
    EXPECT_NEAR(pace.wake_at() - t(), 0.2, 1e-6);
    clock.advance(0.199);
    EXPECT_FALSE(pace.due(t()));
    clock.advance(0.002);
    EXPECT_TRUE(pace.due(t()));
    draw([&] { pace.hold_still(); });
    clock.advance(1);
    EXPECT_FALSE(pace.due(t())) << "a wake belongs to the pass that asked for it";
}

TEST_F(pace_fixture, TheProbeIsAskedOnceASecondAndAnOutdatedAnswerWakes)
{
    probe_answer = 1;
    probe_calls = 0;
    draw([&] {
        pace.hold_still();
        pace.probe(probe);
    });
    for (int i = 0; i < 99; ++i) {
        clock.advance(0.01);
        EXPECT_FALSE(pace.due(t()));
    }
    EXPECT_EQ(probe_calls, 0);
    clock.advance(0.01);
    EXPECT_FALSE(pace.due(t()));
    EXPECT_FALSE(pace.due(t()));
    EXPECT_EQ(probe_calls, 1);
    probe_answer = 0;
    clock.advance(1);
    EXPECT_TRUE(pace.due(t()));
    EXPECT_TRUE(pace.due(t())) << "the picture stays out of date until drawn";
    EXPECT_EQ(probe_calls, 2);
}

TEST_F(pace_fixture, BusyAndRefreshBelongToWhatIsShown)
{
    EXPECT_EQ(pace.next_swap_at(), 0) << "the first frame waits for no refresh";
    draw([&] { pace.busy(); });
    EXPECT_TRUE(pace.keeps_busy());
    EXPECT_NEAR(pace.next_swap_at() - pace.last_swap, pace.refresh, 1e-9);
    pace.begin_pass();
    pace.swapped(t()); // a progress picture swapped in the middle of a pass
    EXPECT_TRUE(pace.keeps_busy()) << "only the frame loop's pass replaces what is shown";
    pace.pass_shown();
    EXPECT_FALSE(pace.keeps_busy());
    EXPECT_EQ(pace.swaps, 2);
}

} // namespace
