// Command registry: look-ups and the level-by-level listing.
#include "foundation/cmnd.h"

#include <gtest/gtest.h>

namespace {

using list = std::vector<std::string>;

list level(const cmnd_class& r, const std::string& prefix)
{
    list out{"stale"};
    r.get_cmds_in_path(prefix, out);
    return out;
}

TEST(Cmnd, FreshRegistryHoldsTheDoNothingCommand)
{
    const cmnd_class r;
    ASSERT_EQ(r.paths.size(), 1u);
    EXPECT_EQ(r.ids[0], "cmnd_nothing");
    EXPECT_EQ(r.paths[0], "sim/operation/none");
    EXPECT_EQ(r.descs[0], "Do nothing at all!");
    EXPECT_EQ(r.kinds[0], 3);
    for (const char* name : {"sim/operation/none", "sim/operation/NONE", "sim/operation/none/", "", "x"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(r.get_cmnd_by_name(name), 0);
    }
}

TEST(Cmnd, ListsTheNextLevelUnderAPrefix)
{
    cmnd_class r;
    struct level_case {
        const char* prefix;
        list entries;
    };
    const level_case fresh[] = {
        {"", {"sim/"}},
        {"sim/", {"operation/"}},
        {"sim/operation/", {"none"}},
        {"sim", {"/"}},
        {"sim/operation/none", {}},
        {"nothing/", {}},
    };
    for (const level_case& c : fresh) {
        SCOPED_TRACE(c.prefix);
        EXPECT_EQ(level(r, c.prefix), c.entries);
    }
    EXPECT_EQ(r.add_cmd("a/b", "B"), 1);
    EXPECT_EQ(r.add_cmd("a/c/d", "D"), 2);
    EXPECT_EQ(level(r, "a/"), (list{"b", "c/"}));
    EXPECT_EQ(level(r, ""), (list{"a/", "sim/"}));
    EXPECT_EQ(r.get_cmnd_by_name("a/c/d"), 2);
    EXPECT_EQ(r.ids[2], "DYNAMIC");
    EXPECT_EQ(r.kinds[2], 2);
}

TEST(Cmnd, DuplicatePathKeepsTheFirstIndex)
{
    cmnd_class r;
    EXPECT_EQ(r.add_cmd("sim/operation/none", "again"), 1);
    EXPECT_EQ(r.get_cmnd_by_name("sim/operation/none"), 0);
    EXPECT_EQ(level(r, "sim/operation/"), list{"none"});
    r.press_one(12345); // handlers take any index and do nothing
    r.release_one(-1);
    r.press_always(7);
}

TEST(Cmnd, PlaneFocusIsKept)
{
    EXPECT_EQ(get_plane_focus(), 0);
    set_plane_focus(3);
    EXPECT_EQ(get_plane_focus(), 3);
    set_plane_focus(0);
}

} // namespace
