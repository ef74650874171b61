// Statistics switches: registration before and after the registry is ready,
// also from static construction, and the reset of own values only.
#include "foundation/utl_stat.h"

#include <gtest/gtest.h>

namespace {

bool is_registered(UTL_stat& s)
{
    const std::set<UTL_stat*>* set = UTL_stat::registered(s.type);
    return set && set->count(&s) == 1;
}

// Runs during static initialisation, before or after the registry's own unit:
// statistics registering this early must still land in the registry.
struct early_registration {
    UTL_stat before_init{"test/before_init", stat_type_switch, 1.0f};
    UTL_stat* after_init;
    early_registration()
    {
        UTL_stat::init_stats();
        after_init = new UTL_stat("test/after_init", stat_type_counter, 2.0f);
    }
    ~early_registration() { delete after_init; }
} early;

TEST(Stats, RegisterDuringStaticInitialisation)
{
    EXPECT_TRUE(is_registered(early.before_init));
    EXPECT_TRUE(is_registered(*early.after_init));
    EXPECT_FLOAT_EQ(early.before_init.value, 1.0f);
}

// An empty registry, not ready, for one test; the static registrations come back after it.
struct fresh_registry : testing::Test {
    void SetUp() override { UTL_stat::reset_registry(); }
    void TearDown() override
    {
        UTL_stat::reset_registry();
        UTL_stat::init_stats();
        early.before_init.publish();
        early.after_init->publish();
    }
};

TEST_F(fresh_registry, WaitingListRegistryAndReset)
{
    float outside = 5.0f;
    UTL_stat own("perf/kill_tex", stat_type_switch, 3.0f);
    EXPECT_EQ(UTL_stat::registered(stat_type_switch), nullptr); // waits until the registry is ready
    UTL_stat::init_stats();
    UTL_stat bound(&outside, "perf/outside", stat_type_switch);
    EXPECT_TRUE(is_registered(own));
    EXPECT_TRUE(is_registered(bound)); // registered at once once ready
    EXPECT_EQ(bound.value_ptr, &outside);
    UTL_stat::init_stats();
    EXPECT_EQ(UTL_stat::registered(stat_type_switch)->size(), 2u);

    UTL_stat::reset_stats(stat_type_switch);
    EXPECT_EQ(own.value, 0.0f);
    EXPECT_EQ(outside, 5.0f); // only the own value is the statistic's to clear

    UTL_stat::reset_stats(stat_type_timer); // a type without statistics gets an empty set
    ASSERT_NE(UTL_stat::registered(stat_type_timer), nullptr);
    EXPECT_TRUE(UTL_stat::registered(stat_type_timer)->empty());
}

TEST_F(fresh_registry, PublishRegistersEvenBeforeTheRegistryIsReady)
{
    UTL_stat s("perf/kill_clip", stat_type_switch, 0.0f);
    EXPECT_FALSE(is_registered(s));
    s.publish();
    EXPECT_TRUE(is_registered(s));
}

} // namespace
