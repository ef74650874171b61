// The list with type-ahead search: geometry, scroll and wheel, clicks and
// double clicks, arrows, type-ahead against a settable frame clock, focus.
#include "btn_fixture.h"

#include "foundation/xtim.h"
#include "ui/btn_list.h"

using namespace btn;

namespace {

// A list at x 10, centre line 180, default size: x 10..300, y 70..290, 17
// rows 12 apart (8 above the middle one, the top row at 276).
class list_test : public widgets {
protected:
    std::vector<std::string> names;
    std::vector<int> kinds;
    int scroll = 0, selection = 0, result = 0;
    std::string field;

    void SetUp() override
    {
        widgets::SetUp();
        BTN_reset_lists();
        xtim.elapsed_time = 10.0f;
        mnw.mouse_dbl = 0;
        mnw.wheel = 0;
    }
    void TearDown() override
    {
        BTN_reset_lists();
        widgets::TearDown();
    }
    void fill(int n)
    {
        names.clear();
        kinds.clear();
        for (int i = 0; i < n; ++i) {
            names.push_back("item" + std::to_string(i));
            kinds.push_back(i % 2 ? 1 : 0);
        }
    }
    void draw(std::string* text = nullptr)
    {
        result = BTN_list_and_search(0, 10, 180, 0, 0, &scroll, &selection, 0, static_cast<int>(names.size()) - 1,
                                     text, "File:", BTN_name_from_vector, &names, nullptr, nullptr,
                                     BTN_type_from_vector, &kinds);
    }
    void list_frame(mouse m = {}, int dbl = 0, int wheel = 0)
    {
        mnw.mouse_dbl = dbl;
        mnw.wheel = wheel;
        frame([&] { draw(); }, m);
    }
    std::vector<std::string> row_texts() const
    {
        std::vector<std::string> out;
        for (const draw_call& c : calls)
            if (c.kind == "string" && c.v[0] == 30) out.push_back(c.text);
        return out;
    }
};

} // namespace

TEST_F(list_test, DefaultSizeShowsSeventeenRowsAroundTheScrollItem)
{
    fill(40);
    scroll = 20;
    selection = 20;
    list_frame();
    const auto rows = row_texts();
    ASSERT_EQ(rows.size(), 17u);
    EXPECT_EQ(rows.front(), "item12");
    EXPECT_EQ(rows.back(), "item28");
    // The selected row is darkened after its text, in the middle row, as tall as the row.
    const auto fills = of_kind("fillrect");
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_FLOAT_EQ(fills[0].v[0], 28);
    EXPECT_FLOAT_EQ(fills[0].v[1], 174);
    EXPECT_FLOAT_EQ(fills[0].v[2], 268);
    EXPECT_FLOAT_EQ(fills[0].v[3], 12);
    // Folder rows carry the folder icon from the atlas row 82..94, no taller
    // than a row: one icon never reaches into the row of the next.
    fill(40);
    for (int& k : kinds) k = 1;
    list_frame();
    std::vector<std::pair<float, float>> icon_spans;
    for (const draw_call& q : of_kind("quad"))
        if (std::abs(q.s0() - 34) < 0.01f && std::abs(q.t0() - 82) < 0.01f) icon_spans.push_back({q.y0(), q.y1()});
    ASSERT_EQ(icon_spans.size(), 17u);
    std::sort(icon_spans.begin(), icon_spans.end());
    for (std::size_t i = 1; i < icon_spans.size(); ++i) EXPECT_GE(icon_spans[i].first, icon_spans[i - 1].second);
}

// The rows stay filled: the first item on the top row at the start of the
// range, the last on the bottom row at its end, a short list from the top.
TEST_F(list_test, ScrollKeepsTheRowsFilledFromEitherEnd)
{
    struct row {
        int items, scroll_in, scroll_out;
        const char* top_row; // the name on the top row (y 276)
        std::size_t rows;
    } rows[] = {{40, 0, 8, "item0", 17},  {40, -7, 8, "item0", 17}, {40, 20, 20, "item12", 17},
                {40, 99, 31, "item23", 17}, {5, 0, 8, "item0", 5},    {5, 99, 8, "item0", 5}};
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.items << " items, scroll " << r.scroll_in);
        fill(r.items);
        scroll = r.scroll_in;
        list_frame();
        EXPECT_EQ(scroll, r.scroll_out);
        EXPECT_EQ(row_texts().size(), r.rows);
        std::string top;
        for (const draw_call& c : calls)
            if (c.kind == "string" && c.v[0] == 30 && c.v[1] == 273) top = c.text;
        EXPECT_EQ(top, r.top_row);
    }
}

TEST_F(list_test, WheelScrollsOnlyOverTheListAndIsUsedUp)
{
    fill(50);
    scroll = 25;
    list_frame(over(100, 180), 0, 3); // three steps up: towards the first item
    EXPECT_EQ(scroll, 22);
    EXPECT_EQ(mnw.wheel, 0);
    list_frame(over(400, 180), 0, -2); // beside the list
    EXPECT_EQ(scroll, 22);
    EXPECT_EQ(mnw.wheel, -2);
}

TEST_F(list_test, ClickSelectsTheRowUnderTheMouseAndEmptyRowsClampToTheEnds)
{
    fill(30);
    scroll = 15;
    struct row {
        float y;
        int selected;
    } rows[] = {{180, 15}, {190, 14}, {171, 16}, {276, 7}, {84, 23}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.y);
        list_frame(press_at(100, r.y));
        EXPECT_EQ(selection, r.selected);
        EXPECT_EQ(result, 0);
    }
    fill(3);
    scroll = 0;
    list_frame(press_at(100, 289)); // above the first item, on the top row
    EXPECT_EQ(selection, 0);
    list_frame(press_at(100, 100)); // below the last
    EXPECT_EQ(selection, 2);
}

TEST_F(list_test, DoubleClickReportsTheRowOfTheSecondPress)
{
    fill(30);
    scroll = 15;
    list_frame(press_at(100, 200));
    EXPECT_EQ(result, 0);
    list_frame(press_at(100, 170), 1);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(selection, 16);
    list_frame(press_at(400, 170), 1); // outside the list
    EXPECT_EQ(result, 0);
}

TEST_F(list_test, ArrowsMoveTheSelectionAndScrollFollowsAtTheEdges)
{
    fill(40);
    scroll = 20;
    selection = 27;
    list_frame(press_at(100, 84)); // focus; the press selects item 28 on the bottom row
    EXPECT_EQ(selection, 28);
    type(0, SKYD_VK_DOWN);
    list_frame();
    EXPECT_EQ(selection, 29);
    EXPECT_EQ(scroll, 21);
    for (int i = 0; i < 22; ++i) type(0, SKYD_VK_UP);
    list_frame();
    EXPECT_EQ(selection, 7);
    EXPECT_EQ(scroll, 15);
    type(0, SKYD_VK_NEXT); // page keys move nothing
    list_frame();
    EXPECT_EQ(selection, 7);
}

TEST_F(list_test, TypeAheadFindsNamesByTheirFirstLettersWithinOneSecond)
{
    names = {"Alpha", "apple", "Abacus", "Bravo", "banana", "Charlie"};
    kinds.assign(names.size(), 0);
    list_frame(press_at(100, 180)); // focus
    type('a');
    list_frame();
    EXPECT_EQ(selection, 0);
    xtim.elapsed_time += 0.5f;
    type('B'); // "aB": any case
    list_frame();
    EXPECT_EQ(selection, 2);
    xtim.elapsed_time += 1.0f; // exactly one second: the buffer stays
    type('x');
    list_frame();
    EXPECT_EQ(selection, 2); // "abx" matches nothing, the selection stays
    xtim.elapsed_time += 1.01f; // a pause of more than a second starts afresh
    type('c');
    list_frame();
    EXPECT_EQ(selection, 5);
}

TEST_F(list_test, FailedLettersStayInTheBufferUntilAPause)
{
    names = {"zulu", "bravo"};
    kinds.assign(2, 0);
    list_frame(press_at(100, 276)); // zulu, on the top row
    type('q');
    list_frame();
    xtim.elapsed_time += 0.3f;
    type('b'); // "qb": still no match
    list_frame();
    EXPECT_EQ(selection, 0);
    xtim.elapsed_time += 1.5f;
    type('b');
    list_frame();
    EXPECT_EQ(selection, 1);
}

TEST_F(list_test, TypeAheadScrollsAMatchIntoView)
{
    fill(100);
    names[80] = "target";
    scroll = 10;
    list_frame(press_at(100, 180));
    type('t');
    list_frame();
    EXPECT_EQ(selection, 80);
    EXPECT_EQ(scroll, 72); // on the bottom row
}

TEST_F(list_test, ClickingAnotherListEmptiesTheTypeAhead)
{
    names = {"ab", "ba"};
    kinds.assign(2, 0);
    int other_scroll = 0, other_sel = 0;
    auto both = [&] {
        draw();
        BTN_list_and_search(1, 400, 180, 0, 0, &other_scroll, &other_sel, 0, 1, nullptr, "", BTN_name_from_vector,
                            &names, nullptr, nullptr, nullptr, nullptr);
    };
    frame(both, press_at(100, 180));
    type('a');
    frame(both);
    frame(both, press_at(500, 180)); // the other list takes focus
    frame(both, press_at(100, 180)); // and back: the buffer starts empty
    type('b');
    frame(both);
    EXPECT_EQ(selection, 1); // "b", not "ab"
}

TEST_F(list_test, FocusMarkOutlinesTheListOnlyWhileFocused)
{
    fill(3);
    list_frame();
    EXPECT_TRUE(of_kind("line").empty());
    list_frame(press_at(100, 180));
    const auto lines = of_kind("line");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_FLOAT_EQ(lines[0].v[0], 10);
    EXPECT_FLOAT_EQ(lines[0].v[1], 70);
    EXPECT_FLOAT_EQ(lines[1].v[2], 300);
    EXPECT_FLOAT_EQ(lines[1].v[3], 290);
}

TEST_F(list_test, EmptyRangeDrawsOnlyTheFieldAndLeavesTheValuesAlone)
{
    names.clear();
    scroll = 7;
    selection = -3;
    frame([&] { draw(&field); }, press_at(100, 180));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(scroll, 7);
    EXPECT_EQ(selection, -3);
    EXPECT_TRUE(row_texts().empty());
    bool label = false;
    for (const draw_call& c : of_kind("string")) label |= c.text == "File:";
    EXPECT_TRUE(label);
}

TEST_F(list_test, SingleItemHasNoSliderAndCanBeDoubleClicked)
{
    fill(1);
    list_frame(press_at(100, 180), 1);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(selection, 0);
}
