// Global records: start values, the start-up tables, and the alert and exit hooks.
#include "foundation/cmdline.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "support/testkit.h"

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

// The default alert, as before a window exists: a notice goes to the console
// and the log and the program goes on.
TEST(Hooks, DefaultNoticeGoesToTheConsoleAndTheLog)
{
    temp_dir dir;
    const std::string saved_app_path = app_path;
    app_path = dir.path() + "/"; // where the memory report's file goes
    xer_capture log;
    default_alert_handler handler;
    testing::internal::CaptureStdout();
    MACIBM_alert(0, "one", "two", "", "", t_alert);
    const int line = __LINE__ - 1;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Skysuite Error:\none\n\ntwo\n\n\n\n\n\nSorry.\n");
    const std::string text = log.text();
    EXPECT_NE(text.find("OK check MemoryLog.txt! I just sent him a dump from "), std::string::npos);
    EXPECT_NE(text.find("\none\ntwo\n\n\n(" + std::string(__FILE__) + " line " + std::to_string(line) + ")\n"),
              std::string::npos);
    app_path = saved_app_path;
}

TEST(HooksDeathTest, DefaultFatalAlertRunsTheExitWithoutSavingAndAborts)
{
    temp_dir dir; // where the memory report's file goes
    EXPECT_DEATH(
        {
            app_path = dir.path() + "/";
            default_alert_handler handler;
            MACIBM_set_finishup_hook([](int save) { std::fprintf(stderr, "finishup(%d)\n", save); });
            MACIBM_alert(0, "Disk on fire", "", "", "", t_exit);
        },
        "finishup\\(0\\)");
}

TEST(HooksDeathTest, UnattendedRunsOnlyLogAndEndWithStatusOne)
{
    EXPECT_EXIT(
        {
            default_alert_handler handler;
            cmdline.init_win("--fps_test=3");
            MACIBM_set_finishup_hook([](int) { std::fprintf(stderr, "finishup ran\n"); });
            MACIBM_alert(0, "a notice", "", "", "", t_alert); // returns at once
            std::fprintf(stderr, "went on\n");
            MACIBM_alert(0, "fatal", "", "", "", t_exit);
        },
        testing::ExitedWithCode(1), "went on\n$");
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
