// The pop-up text list: items, the clamp of the caller's value, the open/choose
// cycle through the popup globals, the list kept on screen without touching
// the caller's value, and the fatal alerts.
#include "btn_fixture.h"

#include "ui/btn_popup.h"
#include "ui/btn_shell.h"

using namespace btn;

namespace {

btn_popup_layout* shown_popup = nullptr;
int popups_shown = 0;
void record_popup(const btn_popup_layout& layout)
{
    *shown_popup = layout;
    ++popups_shown;
}

class popup_test : public widgets {
protected:
    btn_popup_layout layout{};
    btn_shell_calls previous{};
    int sel = 0, result = 0;

    void SetUp() override
    {
        widgets::SetUp();
        shown_popup = &layout;
        popups_shown = 0;
        previous = BTN_set_shell_calls({record_popup, nullptr, nullptr, nullptr});
        BTN_reset_popup();
        mnw.y_res_now = 768;
    }
    void TearDown() override
    {
        BTN_set_shell_calls(previous);
        BTN_reset_popup();
        widgets::TearDown();
    }
    void pop(const std::string& items, mouse m = {}, float x = 200, float y = 300)
    {
        frame([&] { result = BTN_textlist(x, y, &sel, items, "Left|Right{?tip"); }, m);
    }
    // What the menu code does with a press on popup row i.
    void choose(int i)
    {
        popup_menu_select = i;
        select_popup_code = active_popup_code;
        active_popup_code = 0;
        mnw.menu_open = -1;
    }
    std::string shown_text() const
    {
        for (const draw_call& c : calls)
            if (c.kind == "string" && c.colour == 38) return c.text;
        return "<none>";
    }
};

} // namespace

TEST_F(popup_test, ItemsSplitAtHyphensAndTheSelectionIsClampedIntoThem)
{
    struct row {
        const char* items;
        int sel;
        const char* shown;
        int clamped; // the caller's value afterwards
    } rows[] = {{"A-B-C", 5, "C", 2}, {"A-B-C", -1, "A", 0}, {"A-B-C", 1, "B", 1}, {"", 3, "", 0},
                {"x--y", 1, "", 1},   {"x-", 1, "", 1},     {"x-y", 1 << 30, "y", 1}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.items);
        sel = r.sel;
        pop(r.items);
        EXPECT_EQ(shown_text(), r.shown);
        EXPECT_EQ(sel, r.clamped);
        EXPECT_EQ(result, 0); // a clamp is no choice
    }
}

TEST_F(popup_test, PressOpensTheListOverTheButtonAndAChoiceIsTakenOnce)
{
    sel = 1;
    pop("Macintosh-Windows-Linux", press_at(200, 300));
    EXPECT_EQ(active_popup_code, BTN_popup_code(200, 300));
    EXPECT_EQ(mnw.menu_open, btn_popup_menu);
    ASSERT_EQ(layout.rows.size(), 3u);
    EXPECT_EQ(layout.rows[1].text, "Windows");
    EXPECT_EQ(layout.rows[1].b, 297); // the current row lies over the button
    EXPECT_EQ(layout.rows[1].t, 309);
    EXPECT_EQ(layout.rows[0].b, 309); // smaller indices above
    EXPECT_EQ(layout.rows[2].t, 297);
    EXPECT_EQ(layout.t - layout.b, 36);
    EXPECT_EQ(shown_text(), "<none>"); // the popup row shows the item while open

    choose(2);
    pop("Macintosh-Windows-Linux");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(sel, 2);
    EXPECT_EQ(select_popup_code, 0);
    EXPECT_EQ(shown_text(), "Linux");
    pop("Macintosh-Windows-Linux");
    EXPECT_EQ(result, 0);
}

TEST_F(popup_test, ZoneBoundsOpenAndAPressElsewhereKeepsItOpen)
{
    // "A-MM": W = 20 ("MM"), zone x 185..235, y 298..308.
    const mouse edges[] = {press_at(185, 300), press_at(235, 300), press_at(210, 298), press_at(210, 308)};
    for (const mouse& m : edges) {
        SCOPED_TRACE(testing::Message() << m.x << "," << m.y);
        active_popup_code = 0;
        pop("A-MM", m);
        EXPECT_EQ(active_popup_code, BTN_popup_code(200, 300));
    }
    active_popup_code = 0;
    pop("A-MM", press_at(184.9f, 300));
    EXPECT_EQ(active_popup_code, 0);

    pop("A-MM", press_at(210, 300));
    mnw.menu_open = -1; // the menu code closes on a press that hits no row
    pop("A-MM", press_at(600, 600));
    EXPECT_EQ(mnw.menu_open, btn_popup_menu); // still the open list
}

TEST_F(popup_test, OpeningAnotherListClosesThisOneWithoutAChoice)
{
    int other = 0;
    auto two = [&](mouse m) {
        frame([&] {
            result = BTN_textlist(200, 300, &sel, "a-b", "");
            BTN_textlist(200, 100, &other, "c-d", "");
        }, m);
    };
    sel = 1;
    two(press_at(200, 300));
    two(press_at(200, 100));
    EXPECT_EQ(active_popup_code, BTN_popup_code(200, 100));
    EXPECT_EQ(sel, 1);
}

TEST_F(popup_test, ListBelowTheWindowClimbsRowByRowWithoutChangingTheValue)
{
    std::string items = "0";
    for (int i = 1; i < 20; ++i) items += "-" + std::to_string(i);
    sel = 0;
    pop(items, press_at(200, 40), 200, 40); // 19 rows below y 40 would reach -190
    int frames = 1;
    while (layout.rows.back().b < 0 && frames < 100) {
        pop(items, {}, 200, 40);
        ++frames;
    }
    EXPECT_GE(layout.rows.back().b, 0);
    EXPECT_EQ(frames, 17); // one row a frame: row 19 must end 16 rows higher
    EXPECT_EQ(sel, 0);
    EXPECT_EQ(result, 0);
    choose(3);
    pop(items, {}, 200, 40);
    EXPECT_EQ(sel, 3);
}

// The open list keeps its panel (4 units beyond the rows) inside its window
// and off the title bar along its top (23 units): the level list of a folder
// chooser (474 high, the button at 438) hangs down from the button, while a
// list that fits stands where it opened, the chosen row over the button.
TEST_F(popup_test, ListStaysBelowTheTitleBarOfItsWindow)
{
    struct row {
        const char* items;
        float window_h, y;
        int sel;
        int first_row_bottom; // row 0 once the list has stopped moving
    } rows[] = {
        {"/-proc-self-cwd", 474, 438, 3, 435}, // would rise to 483: moved down three rows
        {"/", 474, 438, 0, 435},               // fits: stays
        {"Macintosh-Windows-Linux", 380, 310, 2, 331}, // the preferences' list fits as it opens
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.items);
        BTN_reset_popup();
        active_popup_code = 0;
        mnw.wind_dy = r.window_h;
        sel = r.sel;
        pop(r.items, press_at(200, r.y), 200, r.y);
        for (int i = 0; i < 10; ++i) pop(r.items, {}, 200, r.y);
        EXPECT_EQ(layout.rows.front().b, r.first_row_bottom);
        EXPECT_LE(layout.rows.front().t + 4, r.window_h - 23);
        EXPECT_EQ(sel, r.sel); // nothing chosen
    }
}

// The labels stand clear of the button's frame on both sides.
TEST_F(popup_test, LabelsStandClearOfTheFrame)
{
    for (const char* items : {"A-MM", "Macintosh-Windows-Linux"}) {
        SCOPED_TRACE(items);
        pop(items);
        float frame_l = 1e9f, frame_r = -1e9f;
        for (const draw_call& q : of_kind("quad"))
            if (std::abs(q.t0() - 488) < 0.01f) { // style 10, the pop-up button
                frame_l = std::min(frame_l, q.x0());
                frame_r = std::max(frame_r, q.x1());
            }
        float left_end = 1e9f, right_start = -1e9f;
        for (const draw_call& c : of_kind("string")) {
            if (c.text == "Left") left_end = c.v[0]; // right-aligned: ends at x
            if (c.text == "Right") right_start = c.v[0];
        }
        EXPECT_LE(left_end, frame_l - 4);
        EXPECT_GE(right_start, frame_r + 4);
    }
}

TEST_F(popup_test, ChoiceOutsideTheRowsIsNoChoice)
{
    sel = 1;
    pop("a-b", press_at(200, 300));
    choose(7);
    pop("a-b");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(sel, 1);
    EXPECT_EQ(select_popup_code, 0);
}

TEST_F(popup_test, ToolTipWhileHoveredClosed)
{
    pop("a-b", over(200, 300));
    EXPECT_EQ(stls.help, "tip");
    pop("a-b", over(300, 300));
    EXPECT_EQ(stls.help, "");
}

TEST_F(popup_test, BarCharacterAndTooManyItemsAreFatal)
{
    std::string many(299, '-');
    pop(many); // 300 items
    EXPECT_TRUE(alerts.alerts().empty());
    struct row {
        std::string items;
        const char* first;
    } rows[] = {{"a-b|", "Found | char in text string!"}, {many + "-", "BTN_text_list overflow!"}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.first);
        EXPECT_THROW(pop(r.items), fatal_alert);
        ASSERT_FALSE(alerts.alerts().empty());
        EXPECT_EQ(alerts.alerts().back().lines.l1, r.first);
        EXPECT_EQ(alerts.alerts().back().lines.l4, "Left|Right{?tip");
        // The location line names the source from the checkout's root, not the folder it was built in.
        const recorded_alert& a = alerts.alerts().back();
        EXPECT_EQ(a.file, "src/ui/btn_popup.cpp");
        EXPECT_EQ(MACIBM_alert_location(a.file.c_str(), a.line),
                  "(src/ui/btn_popup.cpp line " + std::to_string(a.line) + ")");
    }
}
