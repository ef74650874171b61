// The character wheel: selection by press, typing, arrows and Up/Down, arrow
// presses, keys it ignores.
#include "btn_fixture.h"

#include <cstring>

using namespace btn;

TEST_F(widgets, WheelTypingOverwritesAndAdvancesAroundTheEnd)
{
    char code[4] = {'A', 'B', '-', '1'};
    auto draw = [&] { BTN_chars(100, 100, code, 4, "Code{?help"); };
    frame(draw, press_at(125, 102)); // third cell
    EXPECT_EQ(BTN_focused_id(), BTN_focus_id_of(100, 100));
    EXPECT_EQ(BTN_chars_hot_cell(), 2);
    type('x');
    type('7');
    frame(draw);
    EXPECT_EQ(std::string(code, 4), "ABX7");
    EXPECT_EQ(BTN_chars_hot_cell(), 0);
    const auto marks = of_kind("fillrect");
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_FLOAT_EQ(marks[0].v[0], 102);

    type('+'); // consumed by the ring, ignored by the wheel
    type('.');
    frame(draw);
    EXPECT_EQ(consumed[0], 1);
    EXPECT_EQ(std::string(code, 4), "ABX7");
    type(28, SKYD_VK_LEFT);
    frame(draw);
    EXPECT_EQ(BTN_chars_hot_cell(), 3);
}

TEST_F(widgets, WheelStepsThroughItsAlphabetBothWays)
{
    struct row {
        char start;
        int vkey;
        char want;
    } rows[] = {
        {'Z', SKYD_VK_DOWN, '-'}, {'-', SKYD_VK_DOWN, ' '}, {' ', SKYD_VK_UP, '-'}, {'9', SKYD_VK_DOWN, 'A'},
        {'a', SKYD_VK_DOWN, 'B'}, {'*', SKYD_VK_UP, ' '},   {'*', SKYD_VK_DOWN, '1'},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.start);
        BTN_reset_focus();
        char code[1] = {r.start};
        auto draw = [&] { BTN_chars(100, 100, code, 1, ""); };
        frame(draw, press_at(105, 100));
        type(r.vkey == SKYD_VK_UP ? 30 : 31, r.vkey);
        frame(draw);
        EXPECT_EQ(code[0], r.want);
    }
}

TEST_F(widgets, WheelArrowPressesStepOneCellAndShowTheCursor)
{
    struct row {
        mouse m;
        const char* want;
        int cursor;
    } rows[] = {
        {press_at(115, 120), "AAC", 13}, // upper arrow of 'B': previous
        {press_at(115, 85), "ACC", 14},  // lower arrow: next
        {press_at(135, 120), "ABC", 0},  // beside every cell
        {press_at(115, 124.5f), "ABC", 0},
        {over(115, 120), "ABC", 13 * 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.m.x << "," << r.m.y);
        char code[3] = {'A', 'B', 'C'};
        frame([&] { BTN_chars(100, 100, code, 3, ""); }, r.m);
        EXPECT_EQ(std::string(code, 3), r.want);
        EXPECT_EQ(mnw.cursor_type, r.cursor);
        EXPECT_EQ(BTN_focused_id(), 0); // arrows never take focus
    }
}

TEST_F(widgets, WheelWithoutCellsIgnoresKeys)
{
    char code[1] = {'Q'};
    auto draw = [&] { BTN_chars(100, 100, code, 0, ""); };
    frame(draw, press_at(100, 100));
    type('A');
    type(28, SKYD_VK_LEFT);
    type(31, SKYD_VK_DOWN);
    frame(draw);
    EXPECT_EQ(code[0], 'Q');
    EXPECT_TRUE(of_kind("fillrect").empty());
}
