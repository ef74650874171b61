// Frames, labels, panels and close boxes: the pieces drawn and the texts placed.
#include "btn_fixture.h"

#include "ui/btn_frames.h"

using namespace btn;

namespace {

struct piece_box {
    float x0, x1, s0, s1;
};

std::vector<piece_box> row_of(const std::vector<draw_call>& quads)
{
    std::vector<piece_box> out;
    for (const draw_call& q : quads) out.push_back({q.x0(), q.x1(), q.s0(), q.s1()});
    return out;
}

} // namespace

TEST_F(widgets, RowFrameStretchesWithCapsAndACutMiddle)
{
    frame([] { BTN_frame1(2, 50.4f, 100, 100, 7); });
    const auto quads = of_kind("quad");
    ASSERT_EQ(quads.size(), 5u);
    const piece_box want[] = {{0, 10, 304, 314}, {10, 42, 314, 346}, {42, 74, 314, 346},
                              {74, 90, 314, 314 + 32.0f * 16 / 42}, {90, 100, 346, 356}};
    const auto got = row_of(quads);
    for (size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_FLOAT_EQ(got[i].x0, want[i].x0);
        EXPECT_FLOAT_EQ(got[i].x1, want[i].x1);
        EXPECT_NEAR(got[i].s0, want[i].s0, 1e-3);
        EXPECT_NEAR(got[i].s1, want[i].s1, 1e-3);
        EXPECT_EQ(quads[i].colour, 7);
        EXPECT_EQ(quads[i].ref, 388);
        EXPECT_FLOAT_EQ(quads[i].y0(), 87);
        EXPECT_FLOAT_EQ(quads[i].y1(), 113);
        EXPECT_NEAR(quads[i].t0(), 486, 1e-3);
        EXPECT_NEAR(quads[i].t1(), 512, 1e-3);
    }
}

TEST_F(widgets, RowFrameStylesPadAndLowerAsTheirTableSays)
{
    struct row {
        int style;
        float y;
        float want_left, want_right, want_y0;
    } rows[] = {
        {0, 100, 0, 100, 84},   // lowered by 3, 26 high
        {9, 100, -2, 102, 87},  // 4 units of pad
        {10, 100, -2, 102, 88}, // 24 high
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.style);
        frame([&] { BTN_frame1(r.style, 50, r.y, 100, 0); });
        const auto quads = of_kind("quad");
        ASSERT_FALSE(quads.empty());
        EXPECT_FLOAT_EQ(quads.front().x0(), r.want_left);
        EXPECT_FLOAT_EQ(quads.back().x1(), r.want_right);
        EXPECT_FLOAT_EQ(quads.front().y0(), r.want_y0);
    }
}

TEST_F(widgets, VerticalBarHasFiveMiddlesTheLastCut)
{
    frame([] { BTN_frame0(6, 100, 200, 100); });
    const auto quads = of_kind("quad");
    ASSERT_EQ(quads.size(), 7u); // H = 108: caps and five middles
    EXPECT_FLOAT_EQ(quads[0].y0(), 146);
    EXPECT_FLOAT_EQ(quads[0].y1(), 156);
    EXPECT_FLOAT_EQ(quads[5].y0(), 146 + 90.0f);
    EXPECT_FLOAT_EQ(quads[5].y1(), 146 + 98.0f);
    EXPECT_NEAR(quads[5].t1(), 258 + 8 * 20.0f / 30, 1e-3);
    EXPECT_FLOAT_EQ(quads[6].y1(), 254);
    EXPECT_FLOAT_EQ(quads[0].x0(), 90);
    EXPECT_FLOAT_EQ(quads[0].x1(), 110);
}

TEST_F(widgets, BadFrameArgumentsEndTheProgram)
{
    struct row {
        std::function<void()> call;
        const char* message;
    } rows[] = {
        {[] { BTN_frame0(5, 10, 10, 50); }, "Bad BTN_frame0 call!"},
        {[] { BTN_frame0(6, 10.5f, 10, 50); }, "BTN_frame0 non-int x_center!"},
        {[] { BTN_frame0(6, 10, 10.5f, 50); }, "BTN_frame0 non-int y_center!"},
        {[] { BTN_frame1(6, 10, 10, 50, 0); }, "Bad BTN_frame1 call!"},
        {[] { BTN_frame2(21, 10, 10, 50, 50, ""); }, "Bad BTN_frame2 call!"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.message);
        try {
            frame(r.call);
            ADD_FAILURE() << "no fatal alert";
        } catch (const fatal_alert& a) {
            EXPECT_EQ(a.lines.l1, r.message);
            EXPECT_EQ(a.lines.l2, "");
        }
    }
}

TEST_F(widgets, PanelIsDrawnAroundItsRectangleWithACentredTitle)
{
    frame([] { BTN_frame2(15, 100, 100, 200, 100, "Go"); });
    const auto quads = of_kind("quad");
    ASSERT_FALSE(quads.empty());
    // Outsets 9 each side, 14 below, 4 above; rows from the bottom, columns from the left.
    EXPECT_FLOAT_EQ(quads.front().x0(), 91);
    EXPECT_FLOAT_EQ(quads.front().y0(), 86);
    EXPECT_FLOAT_EQ(quads.back().x1(), 309);
    EXPECT_FLOAT_EQ(quads.back().y1(), 204);
    EXPECT_NEAR(quads.front().s0(), 405, 1e-3);
    EXPECT_NEAR(quads.front().t0(), 358, 1e-3);
    const auto texts = of_kind("string");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_FLOAT_EQ(texts[0].v[0], 200 - 7.5f); // "Go" is 15 wide
    EXPECT_FLOAT_EQ(texts[0].v[1], 184);
    EXPECT_EQ(texts[0].colour, 47);
}

TEST_F(widgets, InstallerPanelUsesItsPictureAndAPlainTitle)
{
    frame([] { BTN_frame2(20, 10, 20, 100, 80, ""); });
    const auto quads = of_kind("quad");
    ASSERT_FALSE(quads.empty());
    EXPECT_EQ(quads.front().ref, 389);
    EXPECT_NEAR(quads.front().s0(1024), 774, 1e-3);
    const auto texts = of_kind("string");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_FLOAT_EQ(texts[0].v[0], 20);
    EXPECT_FLOAT_EQ(texts[0].v[1], 84);
}

TEST_F(widgets, WindowPanelShowsCloseBoxesOnlyInOrdinaryDialogs)
{
    struct row {
        int wind;
        bool boxes;
    } rows[] = {{0, false}, {5, true}, {995, false}, {999, false}, {1000, true}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.wind);
        mnw.cur_wind = r.wind;
        frame([] { BTN_frame2(11, 0, 0, 300, 200, "T"); });
        int boxes = 0;
        for (const draw_call& q : of_kind("quad"))
            if (q.x0() == 7 && q.x1() == 25) ++boxes;
        EXPECT_EQ(boxes, r.boxes ? 1 : 0);
    }
}

TEST_F(widgets, LabelsSplitIntoLeftRightAndHelp)
{
    struct row {
        const char* label;
        const char* left;
        const char* right;
        const char* help;
    } rows[] = {
        {"Port|TCP{?the proxy port", "Port", "TCP", "the proxy port"},
        {"|English", "", "English", ""},
        {"plain", "plain", "", ""},
        {"a|b|c", "a|b", "c", ""},
        {"ends in {", "ends in ", "", ""},       // no help, no crash
        {"x{", "x", "", ""},
        {"a{b|c", "a", "", "|c"},               // a bar in the help is help text
        {"a{?", "a", "", ""},
        {"", "", "", ""},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.label);
        std::string left = "?", right = "?", help = "?";
        BTN_expand_label(r.label, &left, &right, &help);
        EXPECT_EQ(left, r.left);
        EXPECT_EQ(right, r.right);
        EXPECT_EQ(help, r.help);
    }
}

TEST_F(widgets, LongLabelsBreakNearTheMiddle)
{
    struct row {
        const char* text;
        int mode;
        std::vector<std::string> lines;
        int align;
    } rows[] = {
        {"download streams now", 0, {"download", "streams now"}, 2},
        {"abcdefghijklmnopqrst", 0, {"abcdefghijklmnopqrst"}, 2}, // nowhere to break
        {"download streams now", 1, {"download streams now"}, 1}, // centred: never
        {"-download streams now", 2, {"download streams now"}, 0},  // '-': no limit
        {"short one", 2, {"short one"}, 0},
        {"", 0, {}, 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.text);
        frame([&] { BTN_util_draw_label(300, 100, r.mode, r.text, 0); });
        const auto texts = of_kind("string");
        ASSERT_EQ(texts.size(), r.lines.size());
        for (size_t i = 0; i < texts.size(); ++i) {
            EXPECT_EQ(texts[i].text, r.lines[i]);
            EXPECT_EQ(texts[i].align, r.align);
            EXPECT_EQ(texts[i].colour, 43);
            EXPECT_FLOAT_EQ(texts[i].v[1], texts.size() == 1 ? 100.0f : i == 0 ? 105.0f : 95.0f);
        }
    }
    frame([] { BTN_util_draw_label(300, 100, 3, "any", 1); });
    EXPECT_TRUE(calls.empty());
    frame([] { BTN_util_draw_label(300, 100, 2, "any", 1); });
    EXPECT_EQ(calls.at(0).colour, 80);
}

TEST_F(widgets, SubWindowPanelTakesDefaultsAndSaysWhereTheNextGoes)
{
    mnw.wind_dx = 500;
    mnw.wind_dy = 300;
    float nx = 0, ny = 0;
    frame([&] { BTN_subwin(0, 15, -1, -1, -1, -1, "", &nx, &ny); });
    EXPECT_FLOAT_EQ(nx, 500);
    EXPECT_FLOAT_EQ(ny, 282);
    const auto quads = of_kind("quad");
    EXPECT_FLOAT_EQ(quads.front().x0(), 1);     // 10 - 9
    EXPECT_FLOAT_EQ(quads.back().x1(), 499);    // 10 + 480 + 9
    EXPECT_FLOAT_EQ(quads.back().y1(), 276);    // 10 + 262 + 4
}

TEST_F(widgets, CloseBoxesAnswerPressesOnEitherBoxEdgesIncluded)
{
    mnw.wind_dx = 400;
    mnw.wind_dy = 300;
    mnw.cur_wind = 995;
    struct row {
        mouse m;
        int result;
        size_t quads;
    } rows[] = {
        {press_at(7, 281), 1, 1},   // left box, lower-left corner: the right one is not drawn
        {press_at(25, 299), 1, 1},
        {press_at(375, 290), 1, 2}, // right box
        {press_at(393, 299), 1, 2},
        {press_at(394, 290), 0, 2},
        {over(10, 290), 0, 2},      // no press
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.m.x);
        int result = -1;
        frame([&] { result = BTN_zap_boxes(0); }, r.m);
        EXPECT_EQ(result, r.result);
        EXPECT_EQ(of_kind("quad").size(), r.quads);
    }
}

TEST_F(widgets, WholeWindowPanelWithATopBar)
{
    mnw.wind_dx = 400;
    mnw.wind_dy = 300;
    stls.title = "Prefs";
    frame([] { BTN_fillwin(1, 1); });
    const auto texts = of_kind("string");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "Prefs");
    EXPECT_EQ(texts[0].colour, 40);
    const auto quads = of_kind("quad");
    EXPECT_NEAR(quads.back().t0(), 487, 1e-3); // style 1 bar last
    EXPECT_FLOAT_EQ(quads.back().x1(), 400);
}

TEST_F(widgets, PanelStylesTakeTheirOwnCapsOutsetsAndTitleColours)
{
    struct row {
        int style;
        float left, bottom, right, top; // drawn rectangle of the panel (10, 20, 100, 80)
        float first_cap_w, first_cap_h; // the lower-left cap
        int title_colour;
        float title_y;
    } rows[] = {
        {11, 1, 6, 119, 104, 35, 30, 40, 87},
        {16, 8, 18, 112, 102, 23.8f, 20.4f, 43, 84},
        {17, 2, 7, 118, 102, 20, 26, 43, 84},
        {19, 4, 11, 116, 104, 15.4f, 13.2f, 43, 84},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.style);
        frame([&] { BTN_frame2(r.style, 10, 20, 100, 80, "T"); });
        const auto quads = of_kind("quad");
        ASSERT_FALSE(quads.empty());
        EXPECT_FLOAT_EQ(quads.front().x0(), r.left);
        EXPECT_FLOAT_EQ(quads.front().y0(), r.bottom);
        EXPECT_FLOAT_EQ(quads.back().x1(), r.right);
        EXPECT_FLOAT_EQ(quads.back().y1(), r.top);
        EXPECT_NEAR(quads.front().x1() - quads.front().x0(), r.first_cap_w, 1e-4);
        EXPECT_NEAR(quads.front().y1() - quads.front().y0(), r.first_cap_h, 1e-4);
        // Cut pieces show the atlas one to one: every piece's texture span equals its screen span.
        for (const draw_call& q : quads) {
            EXPECT_NEAR(q.s1() - q.s0(), q.x1() - q.x0(), 1e-3);
            EXPECT_NEAR(q.t1() - q.t0(), q.y1() - q.y0(), 1e-3);
        }
        const auto texts = of_kind("string");
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].colour, r.title_colour);
        EXPECT_FLOAT_EQ(texts[0].v[1], r.title_y);
    }
}

TEST_F(widgets, ElementIsOneQuadFromTheCellAroundItsCentre)
{
    frame([] { BTN_util_element(100, 50, 40, 88, 6, 6, 12); });
    const auto quads = of_kind("quad");
    ASSERT_EQ(quads.size(), 1u);
    EXPECT_EQ(quads[0].v, (std::vector<float>{94, 44, 34 / 512.0f, 82 / 512.0f, 94, 56, 34 / 512.0f, 94 / 512.0f,
                                              106, 56, 46 / 512.0f, 94 / 512.0f, 106, 44, 46 / 512.0f,
                                              82 / 512.0f}));
    EXPECT_EQ(quads[0].colour, 12);
}
