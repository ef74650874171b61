// verdict_probe.cpp - test programs that gtest alone would call passed, each
// run by ctest through run_test.sh, which must refuse them (tests/verdicts/
// CMakeLists.txt). Never run this program whole: every test here misbehaves
// on purpose.
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

volatile char* leaked_block = nullptr;

// Crashes when the program's static objects are destroyed, after gtest's summary.
struct crash_at_exit {
    bool armed = false;
    ~crash_at_exit()
    {
        if (armed) std::raise(SIGSEGV);
    }
} crash_on_destruction;

} // namespace

TEST(Probe, LeaksABlock)
{
    leaked_block = new char[64]; // the volatile store keeps the allocation
    leaked_block = nullptr;
}

// A leak in a child the test runs and whose status it ignores: only the
// child's report, on the shared error output, tells.
TEST(Probe, RunsAChildThatLeaks)
{
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    const int status = std::system(("'" + self + "' --gtest_filter=Probe.LeaksABlock > /dev/null").c_str());
    (void)status;
}

TEST(Probe, CrashesInStaticDestruction) { crash_on_destruction.armed = true; }

TEST(Probe, ExitsZeroInTheMiddle) { std::exit(0); }

TEST(Probe, RaisesAnAlertItDidNotExpect)
{
    MACIBM_alert(0, "Probe", "an alert no test asked for", "", "", t_alert);
}

TEST(Probe, RaisesAFatalAlertItDidNotExpect)
{
    MACIBM_alert(0, "Probe", "a fatal alert no test asked for", "", "", t_exit);
    ADD_FAILURE() << "a fatal alert returned to its caller";
}

TEST(Probe, RecordsAnAlertItNeverChecks)
{
    alert_recorder rec;
    EXPECT_TRUE(rec.alerts().empty());
    MACIBM_alert(0, "Probe", "an alert recorded after the last look", "", "", t_alert);
}

TEST(Probe, RaisesAnAlertItExpects)
{
    alert_recorder rec;
    MACIBM_alert(0, "Probe", "an expected alert", "", "", t_alert);
    EXPECT_EQ(rec.alerts().size(), 1u);
}
