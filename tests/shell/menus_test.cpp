// menus_test.cpp - the menu table: clearing, text widths, bar layout, item
// layout, removal, and every index checked against the table.
#include "foundation/hl_types.h"
#include "shell/menus.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

namespace {

class Menus : public ::testing::Test {
protected:
    alert_recorder alerts;
    void SetUp() override
    {
        HL_reset_globals();
        mnw.y_res_now = 768;
        menu.clear();
        MACIBM_menu_bar_forget();
        MACIBM_clear_menus(1);
    }
    void TearDown() override
    {
        menu.clear();
        HL_reset_globals();
    }
    // Runs fn and returns the first line of the fatal alert it raised, "" when none.
    template <class F>
    std::string fatal_of(F fn)
    {
        try {
            fn();
        } catch (const fatal_alert& f) {
            return f.lines.l1;
        }
        return "";
    }
};

TEST_F(Menus, ClearMakesExactlyTheSlotsAndOtherModesDoNothing)
{
    ASSERT_EQ(menu.size(), 1520u);
    for (const menu_struct& m : menu) {
        ASSERT_EQ(m.parent, -1);
        ASSERT_EQ(m.l | m.b | m.r | m.t, 0);
        ASSERT_TRUE(m.title.empty() && m.items.empty());
    }
    MACIBM_create_menu(3, 0, "X");
    MACIBM_clear_menus(0);
    MACIBM_clear_menus(2);
    EXPECT_EQ(menu[3].title, "X");
    MACIBM_clear_menus(1);
    EXPECT_EQ(menu.size(), 1520u);
    EXPECT_TRUE(menu[3].title.empty());
}

TEST_F(Menus, TextWidthFollowsTheFontAdvances)
{
    struct row { const char* text; float width; } rows[] = {
        {"", 0}, {"AW", 19}, {"ill", 9}, {"\xE9", 6}, {"\xE8", 0}, {"File", 18}, {",.", 4}, {"\"{}~\x7F", 0},
        {"%W@M", 41}, {"c", 5},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_FLOAT_EQ(menu_dx(r.text), r.width);
    }
    mnw.lang = 6;
    EXPECT_FLOAT_EQ(menu_dx("abcdef"), 48);
    EXPECT_EQ(accept_menu(7), 1);
    EXPECT_EQ(accept_item(-3), 1);
}

TEST_F(Menus, BarTitlesAreLaidOutLeftToRight)
{
    MACIBM_create_menu(0, 0, "File");
    EXPECT_EQ(menu[0].l, 0);
    EXPECT_EQ(menu[0].r, 48);
    EXPECT_EQ(menu[0].b, 750);
    EXPECT_EQ(menu[0].t, 768);
    EXPECT_EQ(menu[0].parent, -1);
    MACIBM_create_menu(1, 0, "Plugins");
    EXPECT_EQ(menu[1].l, 48);
    MACIBM_create_menu(2, 0, "Help");
    EXPECT_EQ(menu[2].l, 48) << "the title after Plugins starts where Plugins starts";
    MACIBM_create_menu(0, 0, "File");
    EXPECT_EQ(menu[0].l, 0) << "menu 0 restarts the bar";
}

TEST_F(Menus, TitlesAreCutToFortyBytes)
{
    MACIBM_create_menu(0, 0, std::string(40, 'a'));
    EXPECT_EQ(menu[0].title.size(), 40u);
    MACIBM_create_menu(0, 0, std::string(41, 'a'));
    EXPECT_EQ(menu[0].title.size(), 40u);
    EXPECT_TRUE(alerts.alerts().empty());
}

TEST_F(Menus, ItemsStackUnderTheBarAndShareTheWidestWidth)
{
    MACIBM_create_menu(0, 0, "File");
    MACIBM_append_menu(0, 0, 1, "Open", 1);
    MACIBM_append_menu(0, 1, 2, "Quit", 1);
    MACIBM_append_menu(0, 2, 3, "-", 1);
    struct row { int i; int b, t; } rows[] = {{0, 736, 748}, {1, 724, 736}, {2, 722, 724}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.i);
        EXPECT_EQ(menu[0].items[r.i].b, r.b);
        EXPECT_EQ(menu[0].items[r.i].t, r.t);
    }
    MACIBM_append_menu(0, 3, 4, "Much Wider Item", 1);
    const int widest = static_cast<int>(30 + menu_dx("Much Wider Item"));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(menu[0].items[i].r, widest);
    EXPECT_EQ(menu[0].items[1].command, 2);
}

TEST_F(Menus, AppendingPastTheEndFillsWithEmptyItems)
{
    MACIBM_create_menu(0, 0, "File");
    MACIBM_append_menu(0, 5, 9, "Sixth", 1);
    ASSERT_EQ(menu[0].items.size(), 6u);
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(menu[0].items[i].text.empty());
    MACIBM_append_menu(-1, 0, 0, "x", 1);
    MACIBM_append_menu(0, -1, 0, "x", 1);
    EXPECT_EQ(menu[0].items.size(), 6u);
}

TEST_F(Menus, KoreanItemsAreTallerUnlessPlain)
{
    mnw.lang = 6;
    MACIBM_create_menu(0, 0, "T");
    MACIBM_append_menu(0, 0, 1, "\x01\x02", 0);
    MACIBM_append_menu(0, 1, 1, "plain", 1);
    EXPECT_TRUE(menu[0].items[0].korean);
    EXPECT_EQ(menu[0].items[0].t - menu[0].items[0].b, 14);
    EXPECT_FALSE(menu[0].items[1].korean);
    EXPECT_EQ(menu[0].items[1].t - menu[0].items[1].b, 12);
}

TEST_F(Menus, SubmenuTakesTheRectangleOfItsItem)
{
    MACIBM_create_menu(0, 0, "File");
    MACIBM_append_menu(0, 0, 1, "Open", 1);
    MACIBM_append_menu(0, 1, 2, "Recent", 1);
    MACIBM_create_menu(1, 1, "Recent");
    const item_struct& opener = menu[0].items[1];
    EXPECT_EQ(menu[1].parent, 0);
    EXPECT_EQ(menu[1].l, opener.l);
    EXPECT_EQ(menu[1].b, opener.b);
    EXPECT_EQ(menu[1].r, opener.r);
    EXPECT_EQ(menu[1].t, opener.t);
    MACIBM_append_menu(1, 0, 7, "First", 1);
    EXPECT_EQ(menu[1].items[0].b, opener.b - 2);
    EXPECT_EQ(menu[1].items[0].t, opener.t - 2);
    MACIBM_create_menu(2, 0, "Edit");
    EXPECT_EQ(menu[2].l, 48) << "a submenu leaves the bar's running x alone";
}

TEST_F(Menus, RemovingAnItemClosesTheGap)
{
    mnw.lang = 6;
    MACIBM_create_menu(0, 0, "T");
    MACIBM_append_menu(0, 0, 1, "a", 1);
    MACIBM_append_menu(0, 1, 2, "b", 1);
    MACIBM_append_menu(0, 2, 3, "\x01\x02", 0);
    const int b1 = menu[0].items[1].b, b2 = menu[0].items[2].b;
    MACIBM_remove_menu_item(0, 0);
    ASSERT_EQ(menu[0].items.size(), 2u);
    EXPECT_EQ(menu[0].items[0].text, "b");
    EXPECT_EQ(menu[0].items[0].b, b1 + 12);
    EXPECT_EQ(menu[0].items[1].b, b2 + 12);
    EXPECT_EQ(menu[0].items[1].t - menu[0].items[1].b, 14);
    MACIBM_remove_menu_item(0, 9); // no such item
    MACIBM_remove_menu_item(-1, 0);
    EXPECT_EQ(menu[0].items.size(), 2u);
}

TEST_F(Menus, LimitsAreFatalWithTheirOwnMessages)
{
    MACIBM_create_menu(0, 0, "File");
    MACIBM_append_menu(0, 0, 1, "Open", 1);
    MACIBM_create_menu(1519, 0, "ok");
    MACIBM_append_menu(1519, 299, 0, std::string(39, 'x'), 1);
    EXPECT_TRUE(alerts.alerts().empty());
    struct row { const char* expect; void (*fn)(); } rows[] = {
        {"Menu index out of range in create_menu!", [] { MACIBM_create_menu(1520, 0, "t"); }},
        {"Menu index out of range in create_menu!", [] { MACIBM_create_menu(-1, 0, "t"); }},
        {"Menu index out of range in append_menu!", [] { MACIBM_append_menu(1520, 0, 0, "t", 1); }},
        {"Item index out of range in append_menu!", [] { MACIBM_append_menu(0, 300, 0, "t", 1); }},
        {"Menu name too long in append_menu!", [] { MACIBM_append_menu(0, 1, 0, std::string(40, 'x'), 1); }},
        {"Menu index out of range in remove_menu_item!", [] { MACIBM_remove_menu_item(1520, 0); }},
        {"Item index out of range in remove_menu_item!", [] { MACIBM_remove_menu_item(0, 300); }},
        {"Menu index out of range in clear_menu!", [] { MACIBM_clear_menu(1520); }},
        {"Menu index out of range in clear_items!", [] { MACIBM_clear_items(-4); }},
        {"Parent item out of range in create_menu!", [] { MACIBM_create_menu(2, -1, "t"); }},
        {"Parent menu out of range in create_menu!", [] { MACIBM_create_menu(2, 1520 * 300, "t"); }},
        {"Parent item out of range in create_menu!", [] { MACIBM_create_menu(2, 5, "t"); }},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.expect);
        EXPECT_EQ(fatal_of(r.fn), r.expect);
    }
    EXPECT_EQ(alerts.alerts().back().type, t_exit);
}

TEST_F(Menus, AnEmptyTableRefusesEveryIndex)
{
    menu.clear(); // as before start-up clears it
    EXPECT_EQ(fatal_of([] { MACIBM_create_menu(0, 0, "File"); }), "Menu index out of range in create_menu!");
    EXPECT_EQ(fatal_of([] { MACIBM_append_menu(0, 0, 0, "x", 1); }), "Menu index out of range in append_menu!");
    EXPECT_EQ(fatal_of([] { MACIBM_clear_menu(0); }), "Menu index out of range in clear_menu!");
    EXPECT_TRUE(menu.empty());
}

TEST_F(Menus, ClearingKeepsOrDropsWhatItShould)
{
    MACIBM_create_menu(0, 0, "File");
    MACIBM_append_menu(0, 0, 1, "Open", 1);
    MACIBM_clear_items(0);
    EXPECT_TRUE(menu[0].items.empty());
    EXPECT_EQ(menu[0].title, "File");
    EXPECT_EQ(menu[0].r, 48);
    MACIBM_clear_menu(0);
    EXPECT_TRUE(menu[0].title.empty());
    EXPECT_EQ(menu[0].r, 0);
    EXPECT_EQ(menu[0].parent, -1);
}

} // namespace
