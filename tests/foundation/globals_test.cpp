// Global records: start values, the start-up tables, and the alert and exit hooks.
#include "hl_types.h"
#include "hooks.h"
#include "testkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

TEST(Globals, StartValues)
{
    EXPECT_FLOAT_EQ(ren.draw_alpha, 1.0f);
    EXPECT_EQ(mnw.cur_wind, 0);
    EXPECT_EQ(mnw.ui_scale, 0.0f);
    EXPECT_EQ(stls.text[1800], "");
    EXPECT_TRUE(app_path.empty());
}

TEST(Globals, TablesAreFilledTheSameWayEveryRun)
{
    HL_fill_tables();
    const std::vector<float> first(randrat, randrat + 10000);
    HL_fill_tables();
    EXPECT_EQ(std::vector<float>(randrat, randrat + 10000), first);
    for (float r : first) {
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
    }
    EXPECT_FLOAT_EQ(lookup_sin[90], 1.0f);
    EXPECT_NEAR(lookup_cos[180], -1.0f, 1e-6);
    EXPECT_NEAR(lookup_sin[360], 0.0f, 1e-5);
    ASSERT_NE(scratch_array, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(scratch_array) % 16, 0u);
    scratch_array[scratch_dim * scratch_dim * 4 - 1] = 7; // the whole buffer is writable
}

TEST(Hooks, FatalAlertReachesTheRecorderAndNeverReturns)
{
    alert_recorder rec;
    MACIBM_alert(0, "one", "two", "", "", t_alert);
    EXPECT_THROW(MACIBM_alert(0, "bad", "", "", "", t_exit), fatal_alert);
    ASSERT_EQ(alert_recorder::alerts().size(), 2u);
    EXPECT_EQ(alert_recorder::alerts()[0].lines.l2, "two");
    EXPECT_EQ(alert_recorder::alerts()[1].type, t_exit);
}

int finishups = -1;

TEST(HooksDeathTest, DefaultFatalAlertRunsTheExitWithoutSavingAndAborts)
{
    EXPECT_DEATH(
        {
            MACIBM_set_finishup_hook([](int save) {
                std::fprintf(stderr, "finishup(%d)\n", save);
            });
            MACIBM_alert(0, "Disk on fire", "", "", "", t_exit);
        },
        "Disk on fire.*finishup\\(0\\)");
}

TEST(Hooks, HandlersAreRestoredByNull)
{
    const finishup_fn old = MACIBM_set_finishup_hook([](int save) { finishups = save; });
    MACIBM_finishup(1);
    EXPECT_EQ(finishups, 1);
    MACIBM_set_finishup_hook(nullptr);
    finishups = -1;
    MACIBM_finishup(1);
    EXPECT_EQ(finishups, -1);
    MACIBM_set_finishup_hook(old);
}

} // namespace
