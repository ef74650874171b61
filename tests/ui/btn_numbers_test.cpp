// Numeric fields: arrow steps at the shared edges, digit selection, overwrite,
// sign, clamping and rounding, members over other types, saturation.
#include "btn_fixture.h"

#include <climits>
#include <cmath>

using namespace btn;

namespace {

// A press on the arrow above (up) or below digit k of a field at (x, y).
mouse arrow(float x, float y, int k, bool up) { return press_at(x + 10 * k + 5, up ? y + 15 : y - 10); }

} // namespace

TEST_F(widgets, StreamCountFieldStepsAndClampsWithResultOne)
{
    struct row {
        int start;
        bool up;
        int want;
    } rows[] = {{3, true, 4}, {4, true, 4}, {1, false, 1}, {2, false, 1}};
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.start << (r.up ? " up" : " down"));
        int streams = r.start, result = 0;
        frame([&] { result = BTN_int_range(300, 100, &streams, 1, 1, 4, ""); }, arrow(300, 100, 0, r.up));
        EXPECT_EQ(result, 1);
        EXPECT_EQ(streams, r.want);
        EXPECT_EQ(mnw.cursor_type, r.up ? 13 : 14);
    }
}

TEST_F(widgets, ArrowsStepTheirDigitsPlaceValue)
{
    struct row {
        int k;
        bool up;
        float want;
    } rows[] = {{0, true, 112.34f}, {4, true, 12.35f}, {2, false, 11.34f}, {3, true, 12.44f}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.k);
        float v = 12.34f;
        frame([&] { BTN_flt_range(100, 100, &v, 5, 2, -1000, 1000, ""); }, arrow(100, 100, r.k, r.up));
        EXPECT_FLOAT_EQ(v, r.want);
    }
    // A press on the edge shared by two digits steps both.
    int v = 0;
    frame([&] { BTN_int_range(100, 100, &v, 2, 0, 99, ""); }, press_at(110, 115));
    EXPECT_EQ(v, 11);
    // With a menu open nothing steps; only the cursor would show.
    mnw.menu_open = 4;
    frame([&] { BTN_int_range(100, 100, &v, 2, 0, 99, ""); }, press_at(105, 115));
    EXPECT_EQ(v, 11);
}

TEST_F(widgets, TypedDigitsOverwriteTheSelectedDigitAndMoveOn)
{
    float v = 12.34f;
    auto draw = [&] { BTN_flt_range(100, 100, &v, 5, 2, -1000, 1000, ""); };
    frame(draw, press_at(100 + 12, 102)); // selects digit 1
    EXPECT_EQ(BTN_hot_digit(), 1);
    type('7');
    frame(draw);
    EXPECT_FLOAT_EQ(v, 72.34f);
    EXPECT_EQ(BTN_hot_digit(), 2);

    struct step {
        int character, vkey;
        int hot_after;
    } steps[] = {
        {29, SKYD_VK_RIGHT, 3}, {29, SKYD_VK_RIGHT, 4}, {29, SKYD_VK_RIGHT, 0}, {28, SKYD_VK_LEFT, 4},
    };
    for (const step& s : steps) {
        type(s.character, s.vkey);
        frame(draw);
        EXPECT_EQ(BTN_hot_digit(), s.hot_after);
    }
    type('9'); // the last digit: the selection wraps to the first
    frame(draw);
    EXPECT_FLOAT_EQ(v, 72.39f);
    EXPECT_EQ(BTN_hot_digit(), 0);
    // The mark of the selected digit.
    const auto marks = of_kind("fillrect");
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].v, (std::vector<float>{102, 98, 9, 11}));
}

TEST_F(widgets, UpDownAndSignKeys)
{
    struct row {
        float start, min, max;
        int hot;
        int character, vkey;
        float want;
        int result;
    } rows[] = {
        {-12.34f, -1000, 1000, 2, '5', 0, -15.34f, 1},
        {12.34f, 0, 1000, 0, '+', 0, 12.34f, 0},
        {-12.34f, -1000, 1000, 0, '+', 0, 12.34f, 1},
        {-12.34f, -1000, -1, 0, '-', 0, -12.34f, 0},
        {12.34f, -1000, 1000, 0, '-', 0, -12.34f, 1},
        {12.34f, -1000, 1000, 3, 30, SKYD_VK_UP, 12.44f, 1},
        {12.34f, -1000, 1000, 1, 31, SKYD_VK_DOWN, 2.34f, 1},
        {999.99f, -1000, 999.99f, 4, 30, SKYD_VK_UP, 999.99f, 1}, // clamped back, still a change
        {12.34f, -1000, 1000, 0, 'U', SKYD_VK_PRIOR, 12.34f, 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.start << " key " << r.character);
        BTN_reset_focus();
        float v = r.start;
        int result = -1;
        auto draw = [&] { result = BTN_flt_range(100, 100, &v, 5, 2, r.min, r.max, ""); };
        frame(draw, press_at(100 + 2 + 10.0f * r.hot, 102));
        type(r.character, r.vkey);
        frame(draw);
        EXPECT_FLOAT_EQ(v, r.want);
        EXPECT_EQ(result, r.result);
    }
}

TEST_F(widgets, KeyReleasesAndOtherFieldsKeysChangeNothing)
{
    float v = 12.34f;
    auto draw = [&] { BTN_flt_range(100, 100, &v, 5, 2, -1000, 1000, ""); };
    frame(draw, press_at(102, 102));
    EXPECT_EQ(BTN_dispatch_to_focus('7', SKYD_VK_7, skyd_UpFlag), 1);
    int result = -1;
    BTN_begin_focus_ring();
    result = BTN_flt_range(100, 100, &v, 5, 2, -1000, 1000, "");
    EXPECT_EQ(result, 0);
    EXPECT_FLOAT_EQ(v, 12.34f);
}

TEST_F(widgets, ClampAndRoundOnEveryFrame)
{
    struct row {
        float start, min, max;
        int decimals;
        float want;
    } rows[] = {
        {2.5f, -10, 10, 0, 3},      {-2.5f, -10, 10, 0, -3},  {50, 100, 10, 0, 10}, // min above max: max
        {-50, 0, 10, 0, 0},         {1.005f, 0, 10, 1, 1},
        {3e38f, -3e38f, 3e38f, 2, 3e38f}, // far past 2^31 when scaled: no overflow
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.start);
        float v = r.start;
        frame([&] { BTN_flt_range(100, 100, &v, 3, r.decimals, r.min, r.max, ""); });
        EXPECT_FLOAT_EQ(v, r.want);
    }
}

TEST_F(widgets, IntegerFieldsSaturateAndHoldNoMoreDigitsThanAnInt)
{
    int v = 5;
    frame([&] { BTN_int_range(100, 100, &v, 3, -1e12f, 1e12f, ""); });
    EXPECT_EQ(v, 5);
    v = INT_MAX;
    frame([&] { BTN_int_range(100, 100, &v, 12, -1e12f, 1e12f, ""); }, arrow(100, 100, 0, true));
    EXPECT_EQ(v, INT_MAX); // 2147483647 + 10^11 saturates
    v = 16777217; // exact, though a float could not hold it
    frame([&] { BTN_int_range(100, 100, &v, 9, 0, 1e9f, ""); });
    EXPECT_EQ(v, 16777217);

    // BTN_int: 12 digits asked, 9 kept: all nines of 9 digits at most.
    v = 0;
    frame([&] { BTN_int(100, 100, &v, 12, 1, ""); }, arrow(100, 100, 0, true));
    EXPECT_EQ(v, 100000000);
    EXPECT_EQ(of_kind("number").at(0).digits, 9);
    v = 999999999;
    frame([&] { BTN_int(100, 100, &v, 9, 1, ""); }, arrow(100, 100, 8, true));
    EXPECT_EQ(v, 999999999);
    v = 5;
    frame([&] { BTN_int(100, 100, &v, 2, 0, ""); }, arrow(100, 100, 0, false));
    EXPECT_EQ(v, 0);
}

TEST_F(widgets, MembersPlaceAndBoundTheirFields)
{
    float f = 0;
    frame([&] { BTN_flt(100, 100, &f, 5, 2, 0, ""); }, arrow(100, 100, 0, true));
    frame([&] { BTN_flt(100, 100, &f, 5, 2, 0, ""); }, arrow(100, 100, 0, true));
    EXPECT_FLOAT_EQ(f, 200);
    f = 5000;
    frame([&] { BTN_flt(100, 100, &f, 5, 2, 1, ""); });
    EXPECT_FLOAT_EQ(f, 999.99f);
    f = -5000;
    frame([&] { BTN_flt(100, 100, &f, 5, 2, 0, ""); });
    EXPECT_FLOAT_EQ(f, 0);

    f = 1;
    frame([&] { BTN_fltij(2, 3, &f, 3, 0, 0, ""); });
    const auto num = of_kind("number");
    ASSERT_EQ(num.size(), 1u);
    EXPECT_FLOAT_EQ(num[0].v[0], 75 * 2 + 75 - 30 + 3);
    EXPECT_FLOAT_EQ(num[0].v[1], 175);
}

TEST_F(widgets, DoubleFieldRewritesOnlyOnAChange)
{
    double d = 0.123456789012345;
    int result = -1;
    frame([&] { result = BTN_dob_range(100, 100, &d, 4, 2, 0, 99, ""); });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(d, 0.123456789012345);
    frame([&] { result = BTN_dob_range(100, 100, &d, 4, 2, 0, 99, ""); }, arrow(100, 100, 1, true));
    EXPECT_EQ(result, 1);
    EXPECT_DOUBLE_EQ(d, 1.12);
}

TEST_F(widgets, FieldWithoutDigitsDrawsItsFrameAndIgnoresKeys)
{
    float v = 3;
    auto draw = [&] { BTN_flt_range(100, 100, &v, 0, 0, -10, 10, "Left|Right"); };
    frame(draw, press_at(100, 102));
    EXPECT_EQ(BTN_focused_id(), BTN_focus_id_of(100, 100));
    type(30, SKYD_VK_UP);
    type('7');
    type(28, SKYD_VK_LEFT);
    frame(draw);
    EXPECT_FLOAT_EQ(v, 3);
    const auto quads = of_kind("quad");
    ASSERT_FALSE(quads.empty());
    EXPECT_FLOAT_EQ(quads.back().x1() - quads.front().x0(), 2 * std::round(15 / 2.0f) + 4);
    EXPECT_TRUE(of_kind("fillrect").empty());
    EXPECT_EQ(of_kind("string").size(), 2u);
}

TEST_F(widgets, DisplayNumberIsTheBoxAlone)
{
    frame([] { BTN_display_number(100, 100, 42, 3, 0, "Speed|kts{?help"); }, press_at(105, 115));
    const auto num = of_kind("number");
    ASSERT_EQ(num.size(), 1u);
    EXPECT_FLOAT_EQ(num[0].v[0], 104);
    EXPECT_EQ(num[0].font, 102);
    EXPECT_EQ(of_kind("string").size(), 2u);
    EXPECT_EQ(stls.help, "");
    EXPECT_EQ(mnw.cursor_type, 0);
}
