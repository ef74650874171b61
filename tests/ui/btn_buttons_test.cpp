// Push buttons, check boxes, radio buttons, tabs and the dial: clicks at the
// edges, with a menu open, toggles, and what each draws.
#include "btn_fixture.h"

#include "ui/btn_buttons.h"

using namespace btn;

TEST_F(widgets, PushButtonClicksInsideItsEdgesAndOnlyWithNoMenuOpen)
{
    // "OK" is 9 + 7 = 16 wide, so the button is 37 wide: x 81.5..118.5, y 90..110.
    struct row {
        mouse m;
        int menu;
        int result;
    } rows[] = {
        {press_at(118.5f, 100), -1, 1}, {press_at(81.5f, 90), -1, 1},   {press_at(100, 110), -1, 1},
        {press_at(118.6f, 100), -1, 0}, {press_at(100, 110.1f), -1, 0},
        {press_at(100, 100), 3, 0},  {hold_at(100, 100), -1, 0},  {over(100, 100), -1, 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.m.x << "," << r.m.y << " menu " << r.menu);
        mnw.menu_open = r.menu;
        int result = -1;
        frame([&] { result = BTN_action(100, 100, 0, 0, 0, "OK", "-"); }, r.m);
        EXPECT_EQ(result, r.result);
    }
}

TEST_F(widgets, PushButtonShowsItsPressAtOnce)
{
    frame([] { BTN_action(100, 100, 60, 0, 1, "Install", "-"); }, press_at(100, 100));
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().kind, "sbuff");
    int lit = 0;
    for (const draw_call& q : of_kind("quad"))
        if (q.t0() > 458 && q.t0() < 460) ++lit;
    EXPECT_GT(lit, 0);

    frame([] { BTN_action(100, 100, 60, 0, 0, "Install", "-"); }, press_at(100, 100));
    EXPECT_TRUE(of_kind("sbuff").empty());
    frame([] { BTN_action(100, 100, 60, 0, 1, "Install", "-"); }, over(100, 100));
    EXPECT_TRUE(of_kind("sbuff").empty());
}

TEST_F(widgets, PushButtonDrawsItsLeftLabelAndANoteUnlessDash)
{
    frame([] { BTN_action(100, 100, 60, 1, 2, "Go|right{?help", "-"); });
    auto texts = of_kind("string");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "Go");
    EXPECT_EQ(texts[0].colour, 80); // lit with feedback 2 pulses
    EXPECT_FLOAT_EQ(texts[0].v[1], 97);

    frame([] { BTN_action(100, 100, 60, 0, 1, "Go", ""); });
    texts = of_kind("string");
    ASSERT_EQ(texts.size(), 2u); // an empty note is still drawn
    EXPECT_EQ(texts[1].colour, 45);
    EXPECT_FLOAT_EQ(texts[1].v[0], 140);
    EXPECT_FLOAT_EQ(texts[1].v[1], 107);
}

TEST_F(widgets, CheckBoxTogglesAnyNonZeroToZeroAndBack)
{
    int value = 5;
    frame([&] { BTN_bool(50, 50, &value, "Log|{?write a log", 0); });
    auto quads = of_kind("quad");
    ASSERT_EQ(quads.size(), 2u); // box and mark
    EXPECT_NEAR(quads[1].t0(), 197, 1e-3);
    EXPECT_FLOAT_EQ(quads[0].y0(), 44);
    EXPECT_FLOAT_EQ(quads[0].y1(), 62);

    int results[3];
    for (int& r : results) frame([&] { r = BTN_bool(50, 50, &value, "Log", 0); }, press_at(58, 46));
    EXPECT_EQ(results[0] + results[1] + results[2], 3);
    EXPECT_EQ(value, 0); // 5 -> 0 -> 1 -> 0
}

TEST_F(widgets, CheckBoxHitAreaAndToolTip)
{
    struct row {
        mouse m;
        int result;
        bool help;
    } rows[] = {
        {press_at(42, 46), 1, true}, {press_at(58, 62), 1, true}, {press_at(58.5f, 50), 0, false},
        {press_at(50, 45.5f), 0, false}, {over(50, 50), 0, true},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.m.x << "," << r.m.y);
        int value = 0, result = -1;
        frame([&] { result = BTN_bool(50, 50, &value, "a|b{?tip", 0); }, r.m);
        EXPECT_EQ(result, r.result);
        EXPECT_EQ(value, r.result);
        EXPECT_EQ(stls.help, r.help ? "tip" : "");
    }
}

TEST_F(widgets, RadioButtonsChooseTheirValue)
{
    int os = 1;
    int r = 0;
    frame([&] {
        BTN_is_int(50, 50, &os, 1, "Linux");
        r = BTN_is_int(50, 80, &os, 2, "Mac");
    }, press_at(50, 86));
    EXPECT_EQ(r, 1);
    EXPECT_EQ(os, 2);
    const auto quads = of_kind("quad");
    ASSERT_EQ(quads.size(), 3u); // the first still with its dot, the second drawn before its click
    EXPECT_NEAR(quads[0].t0(), 123, 1e-3);
    EXPECT_NEAR(quads[1].t0(), 142, 1e-3);
    EXPECT_NEAR(quads[2].t0(), 123, 1e-3);

    // A click on the chosen one says so and changes nothing.
    frame([&] { r = BTN_is_int(50, 80, &os, 2, "Mac"); }, press_at(50, 86));
    EXPECT_EQ(r, 1);
    EXPECT_EQ(os, 2);

    mnw.menu_open = 1519;
    frame([&] { r = BTN_is_int(50, 50, &os, 1, "Linux"); }, press_at(50, 56));
    EXPECT_EQ(r, 0);
    EXPECT_EQ(os, 2);
}

TEST_F(widgets, CheckBoxesOverOtherTypes)
{
    unsigned char b = 7;
    char c = -3;
    bool f = false;
    frame([&] {
        BTN_xbyt(50, 50, &b, "");
        BTN_xchr(50, 50, &c, "");
        BTN_xbol(50, 50, &f, "");
    }, press_at(50, 54));
    EXPECT_EQ(b, 0);
    EXPECT_EQ(c, 0);
    EXPECT_TRUE(f);
    unsigned char untouched = 7;
    frame([&] { BTN_xbyt(50, 50, &untouched, ""); });
    EXPECT_EQ(untouched, 7);
}

TEST_F(widgets, TabsHitOffCentreAndShowTheChosenOne)
{
    // Tab (1, 0): centre 141, 730; hit x 91..181, y 717..743.
    struct row {
        mouse m;
        int result;
    } rows[] = {
        {press_at(91, 717), 1}, {press_at(181, 743), 1}, {press_at(90.5f, 730), 0},
        {press_at(181.5f, 730), 0}, {hold_at(141, 730), 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.m.x);
        int page = 0, result = -1;
        frame([&] { result = BTN_tab(1, 0, &page, 3, "Proxy"); }, r.m);
        EXPECT_EQ(result, r.result);
        EXPECT_EQ(page, r.result ? 3 : 0);
        const auto quads = of_kind("quad");
        ASSERT_EQ(quads.size(), 1u);
        EXPECT_NEAR(quads[0].t0(), r.result ? 486 : 459, 1e-3);
        EXPECT_EQ(of_kind("string").at(0).colour, r.result ? 41 : 42);
    }
    // Tabs make no menu test.
    mnw.menu_open = 2;
    int page = 0;
    frame([&] { BTN_tab(0, 1, &page, 4, "x"); }, press_at(53, 698));
    EXPECT_EQ(page, 4);
}

TEST_F(widgets, DialFollowsTheHeldMouseClockwiseFromUp)
{
    struct row {
        float mx, my, heading;
    } rows[] = {{100, 120, 0}, {120, 100, 90}, {100, 80, 180}, {80, 100, 270}, {130, 130, 45}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.heading);
        float heading = 10;
        frame([&] { plot_dir(100, 100, &heading, 0); }, hold_at(r.mx, r.my));
        EXPECT_NEAR(heading, r.heading, 1e-3);
    }
    float heading = 10;
    frame([&] { plot_dir(100, 100, &heading, 0); }, hold_at(131, 100));
    EXPECT_FLOAT_EQ(heading, 10);
    frame([&] { plot_dir(100, 100, &heading, 0); }, over(120, 100));
    EXPECT_FLOAT_EQ(heading, 10);
    EXPECT_EQ(of_kind("number").at(0).digits, 3);
}
