// The key-assignment window through the recording fake: the rows it draws
// and where its scroll and selection end up for any number of bindings, the
// key it assigns, and the command browser.
#include "btn_fixture.h"

#include "foundation/cmnd.h"

namespace {

using namespace btn;

constexpr int shift = skyd_ShiftFlag, ctrl = skyd_ControlFlag;

// Panel origins on a 1024 x 768 window: list panel inner left edge 400 + 20.
constexpr float left = 420, right = 614;
constexpr float row_x = 88, path_x = 164;
float row_y(int r) { return 689.0f - 20.0f * r; }

std::vector<std::string>* released = nullptr;
void record_release(int c) { released->push_back("release " + std::to_string(c)); }
void ignore(int) {}

class key_window : public widgets {
protected:
    key_window_state st;
    std::vector<std::string> releases;
    cmnd_actions previous_actions{};

    void SetUp() override
    {
        widgets::SetUp();
        keys = keys_class{};
        cmnd = cmnd_class{};
        released = &releases;
        previous_actions = KEYS_set_cmnd_actions({ignore, record_release, ignore});
    }
    void TearDown() override
    {
        KEYS_set_cmnd_actions(previous_actions);
        released = nullptr;
        keys = keys_class{};
        cmnd = cmnd_class{};
        widgets::TearDown();
    }

    void bind(int n, int vkey = 0, int flags = 0, int command = 0)
    {
        for (int i = 0; i < n; ++i) keys.bindings.push_back({vkey, flags, command, 0});
    }
    void show(mouse m = {}) { frame([&] { keys.keys_wind_frame(st); }, m); }

    // The command paths drawn beside the binding buttons, top row first.
    std::vector<draw_call> row_paths() const
    {
        std::vector<draw_call> out;
        for (const draw_call& c : of_kind("string"))
            if (c.colour == 45 && c.v[0] == path_x) out.push_back(c);
        return out;
    }
    // Texts drawn at (x, y), any colour.
    std::vector<std::string> texts_at(float x, float y) const
    {
        std::vector<std::string> out;
        for (const draw_call& c : of_kind("string"))
            if (c.v[0] == x && c.v[1] == y) out.push_back(c.text);
        return out;
    }
    // A check box at (x, y) carries its tick mark (atlas row 197 of the box column).
    bool ticked_at(float x, float y) const
    {
        for (const draw_call& c : of_kind("quad"))
            if (c.x0() == x - 9 && c.y0() == y - 6 && c.t0() == 197 && c.s0() == 139) return true;
        return false;
    }
    bool box_at(float x, float y) const
    {
        for (const draw_call& c : of_kind("quad"))
            if (c.x0() == x - 9 && c.y0() == y - 6 && c.s0() == 139) return true;
        return false;
    }
    bool slider_drawn() const
    {
        // The track on its centre line left of the browser panels.
        for (const draw_call& c : of_kind("quad"))
            if ((c.x0() + c.x1()) / 2 == left - 15) return true;
        return false;
    }
    void key_pressed(int vkey, int flags)
    {
        keys.last_vkey = vkey;
        keys.last_flags = flags;
        mnw.key_hit = 1;
    }
};

TEST_F(key_window, ScrollIsClampedAndOnlyExistingRowsAreDrawn)
{
    struct scroll_case {
        const char* name;
        int bindings, k_cen; // before the frame
        int want_cen, want_rows;
    };
    const scroll_case cases[] = {
        {"no bindings", 0, 0, 0, 0},
        {"no bindings, stale scroll", 0, 12, 0, 0},
        {"one binding, stale scroll", 1, 40, 0, 1},
        {"one binding, negative scroll", 1, -3, 0, 1},
        {"a full page", 34, 5, 0, 34},
        {"one more than a page", 35, 1, 1, 34},
        {"many, scrolled to the end", 100, 66, 66, 34},
        {"many, scrolled past the end", 100, 90, 66, 34},
    };
    for (const scroll_case& c : cases) {
        SCOPED_TRACE(c.name);
        keys.bindings.clear();
        for (int i = 0; i < c.bindings; ++i) keys.bindings.push_back({SKYD_VK_F1, 0, 0, 0});
        st = {};
        st.k_cen = c.k_cen;
        show();
        EXPECT_EQ(st.k_cen, c.want_cen);
        const std::vector<draw_call> paths = row_paths();
        ASSERT_EQ(static_cast<int>(paths.size()), c.want_rows);
        for (int r = 0; r < c.want_rows; ++r) EXPECT_EQ(paths[static_cast<size_t>(r)].v[1], row_y(r) - 4);
        EXPECT_TRUE(slider_drawn()); // whatever the count
    }
}

TEST_F(key_window, AListThatShrinksUnderTheWindowKeepsItsRows)
{
    bind(50, SKYD_VK_F1);
    show(press_at(left + 92, 30)); // Add: the new, 51st row comes into view
    ASSERT_EQ(keys.bindings.size(), 51u);
    EXPECT_EQ(st.k_cen, 51 - keys_wind_rows);
    show();
    EXPECT_EQ(texts_at(row_x, row_y(32) - 3), (std::vector<std::string>{"F1"}));
    EXPECT_EQ(texts_at(row_x, row_y(33) - 3), (std::vector<std::string>{"<none>"}));

    keys.keys_io(0); // back to the one built-in binding
    show();
    EXPECT_EQ(st.k_cen, 0);
    EXPECT_EQ(row_paths().size(), 1u);
    EXPECT_EQ(row_paths()[0].text, "sim/operation/none");
}

TEST_F(key_window, ASelectionThatNoLongerExistsIsDropped)
{
    struct selection_case {
        int bindings, k_change, want;
    };
    const selection_case cases[] = {
        {0, 0, -1}, {3, 3, -1}, {3, 40, -1}, {3, -7, -1}, {3, 2, 2}, {3, -1, -1},
    };
    for (const selection_case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bindings << " bindings, selected " << c.k_change);
        keys.bindings.clear();
        bind(c.bindings);
        st = {};
        st.k_change = c.k_change;
        key_pressed(SKYD_VK_A, 0); // a stale selection must not take it
        show();
        EXPECT_EQ(st.k_change, c.want);
        for (int i = 0; i < c.bindings; ++i)
            EXPECT_EQ(keys.bindings[static_cast<size_t>(i)].vkey, i == c.want ? SKYD_VK_A : 0) << "binding " << i;
        EXPECT_EQ(texts_at(left + 10, 370).size(), c.want < 0 ? 0u : 1u); // its command shown only when real
        EXPECT_EQ(box_at(left + 18, 685), c.want >= 0);                     // and its browser
    }
}

TEST_F(key_window, ClickingARowSelectsItAndClickingAgainDeselects)
{
    bind(5);
    show(press_at(row_x, row_y(3)));
    EXPECT_EQ(st.k_change, 3);
    show(press_at(row_x + 60, row_y(1) + 9)); // another row, near its corner
    EXPECT_EQ(st.k_change, 1);
    show(press_at(row_x, row_y(1)));
    EXPECT_EQ(st.k_change, -1);
    show(press_at(row_x, row_y(4) - 11)); // between rows
    EXPECT_EQ(st.k_change, -1);
}

TEST_F(key_window, RowsShowModifiersKeyAndCommand)
{
    const int quit = cmnd.add_cmd("sim/operation/quit", "Quit.");
    keys.bindings = {{0, 0, 0, 0}, {SKYD_VK_F1, shift | ctrl, quit, 0}, {SKYD_VK_HOME, 0, 77, 0}};
    show();
    EXPECT_EQ(texts_at(row_x, row_y(0) - 3), (std::vector<std::string>{"<none>"}));
    EXPECT_EQ(texts_at(row_x, row_y(1) - 3), (std::vector<std::string>{"SHIFT+CTRL F1"}));
    EXPECT_EQ(texts_at(row_x, row_y(2) - 3), (std::vector<std::string>{"Home"}));
    const std::vector<draw_call> paths = row_paths();
    ASSERT_EQ(paths.size(), 3u);
    EXPECT_EQ(paths[0].text, "sim/operation/none");
    EXPECT_EQ(paths[1].text, "sim/operation/quit");
    EXPECT_EQ(paths[2].text, ""); // a command the registry does not hold
}

TEST_F(key_window, TheKeyPressedGoesToTheSelectedBindingOnly)
{
    struct assign_case {
        const char* name;
        int k_cen;    // scroll when the key comes
        bool key_hit;
        int want_vkey, want_flags; // of binding 36
    };
    const assign_case cases[] = {
        {"row on screen", 6, true, SKYD_VK_F1, ctrl},
        {"no key this frame", 6, false, 0, 0},
        {"row scrolled off", 0, false, 0, 0},
        {"row scrolled off, key pressed", 0, true, 0, 0},
    };
    for (const assign_case& c : cases) {
        SCOPED_TRACE(c.name);
        keys.bindings.clear();
        bind(40);
        st = {};
        st.k_cen = 6; // the end of the list
        show(press_at(row_x, row_y(30))); // binding 36
        ASSERT_EQ(st.k_change, 36);
        st.k_cen = c.k_cen;
        if (c.key_hit) key_pressed(SKYD_VK_F1, ctrl);
        show();
        mnw.key_hit = 0;
        EXPECT_EQ(keys.bindings[36].vkey, c.want_vkey);
        EXPECT_EQ(keys.bindings[36].flags, c.want_flags);
    }
}

TEST_F(key_window, AssigningAKeyTakesItFromTheBindingThatHadIt)
{
    keys.bindings = {{SKYD_VK_F1, ctrl, 1, 1}, {SKYD_VK_F1, shift, 2, 0}, {SKYD_VK_A, 0, 3, 0}};
    show(press_at(row_x, row_y(2)));
    key_pressed(SKYD_VK_F1, ctrl);
    show();
    EXPECT_EQ(keys.bindings[2].vkey, SKYD_VK_F1);
    EXPECT_EQ(keys.bindings[2].flags, ctrl);
    EXPECT_EQ(keys.bindings[0].vkey, 0); // lost it, and was held: its command let go
    EXPECT_EQ(keys.bindings[0].flags, 0);
    EXPECT_EQ(keys.bindings[0].down, 0);
    EXPECT_EQ(releases, (std::vector<std::string>{"release 1"}));
    EXPECT_EQ(keys.bindings[1].vkey, SKYD_VK_F1); // other modifiers: kept
    EXPECT_EQ(keys.key_bound_to(SKYD_VK_F1, ctrl), 3);

    // The held command does not repeat for ever: nothing is down any more.
    releases.clear();
    keys.execute_key_cmnd(SKYD_VK_F1, skyd_UpFlag | ctrl);
    EXPECT_TRUE(releases.empty());
}

TEST_F(key_window, AddAppendsADoNothingBindingWithNoKey)
{
    show(press_at(left + 92, 30));
    ASSERT_EQ(keys.bindings.size(), 1u);
    EXPECT_EQ(keys.bindings[0].vkey, 0);
    EXPECT_EQ(keys.bindings[0].cmnd, cmnd.get_cmnd_by_name("sim/operation/none"));
    EXPECT_EQ(st.k_cen, 0);
    EXPECT_EQ(st.k_change, -1);
    EXPECT_EQ(of_kind("sbuff").size(), 1u); // the button shows its press at once
}

TEST_F(key_window, SelectedCommandIsShownWithTheHelpText)
{
    const int fwd = cmnd.add_cmd("sim/view/forward", "Look ahead.");
    bind(1, 0, 0, fwd);
    show();
    EXPECT_TRUE(texts_at(left + 10, 370).empty());
    EXPECT_EQ(texts_at(left + 92, 260).size(), 1u);
    show(press_at(row_x, row_y(0)));
    show();
    EXPECT_EQ(texts_at(left + 10, 370), (std::vector<std::string>{"sim/view/forward"}));
    EXPECT_EQ(texts_at(left + 10, 340), (std::vector<std::string>{"Look ahead."}));
}

class key_browser : public key_window {
protected:
    int quit = 0, chase = 0, fwd = 0, deep = 0;
    void SetUp() override
    {
        key_window::SetUp();
        quit = cmnd.add_cmd("sim/operation/quit", "");
        fwd = cmnd.add_cmd("sim/view/forward", "");
        chase = cmnd.add_cmd("sim/view/chase", "");
        deep = cmnd.add_cmd("sim/view/sub/deep", "");
        cmnd.add_cmd("sim/bare", "");
        bind(1, 0, 0, fwd);
        show(press_at(row_x, row_y(0)));
    }
    float folder_y(int k) const { return 685.0f - 15.0f * k; }
};

TEST_F(key_browser, ColumnsListTheFolderAndItsNeighboursWithTicks)
{
    show();
    // Under "sim/", sorted: bare, operation/, view/.
    EXPECT_EQ(texts_at(left + 18 + 12, folder_y(0)), (std::vector<std::string>{"bare"}));
    EXPECT_EQ(texts_at(left + 18 + 12, folder_y(2)), (std::vector<std::string>{"view/"}));
    EXPECT_FALSE(ticked_at(left + 18, folder_y(1)));
    EXPECT_TRUE(ticked_at(left + 18, folder_y(2)));
    // In "sim/view/": chase, forward, sub/.
    EXPECT_EQ(texts_at(right + 18 + 12, folder_y(1)), (std::vector<std::string>{"forward"}));
    EXPECT_FALSE(ticked_at(right + 18, folder_y(0)));
    EXPECT_TRUE(ticked_at(right + 18, folder_y(1)));
    EXPECT_FALSE(box_at(right + 18, folder_y(3)));
}

TEST_F(key_browser, ClickingAnEntryBindsItsCommand)
{
    struct click_case {
        const char* name;
        bool folder_column;
        int row;
        int* want;
    };
    int none = 0;
    const click_case cases[] = {
        {"a command", false, 0, &chase},
        {"a sub-folder: its first command", false, 2, &deep},
        {"another folder: its first command", true, 1, &none}, // sim/operation/none
        {"a command beside the folders", true, 0, nullptr},
    };
    for (const click_case& c : cases) {
        SCOPED_TRACE(c.name);
        keys.bindings[0].cmnd = fwd;
        const float x = c.folder_column ? left + 18 : right + 18;
        show(press_at(x, folder_y(c.row)));
        EXPECT_EQ(keys.bindings[0].cmnd, c.want ? *c.want : cmnd.get_cmnd_by_name("sim/bare"));
        EXPECT_EQ(st.k_change, 0);
    }
}

TEST_F(key_browser, TheCommandColumnWrapsAndTheFolderColumnDoesNot)
{
    for (int i = 0; i < 50; ++i) cmnd.add_cmd("sim/view/z" + std::to_string(100 + i), "");
    for (int i = 0; i < 50; ++i) cmnd.add_cmd("sim/f" + std::to_string(100 + i) + "/x", "");
    show();
    // 53 commands in sim/view/: 45 rows from 685 down to 25, then a second column.
    EXPECT_TRUE(box_at(right + 18, folder_y(44)));
    EXPECT_FALSE(box_at(right + 18, folder_y(45)));
    EXPECT_TRUE(box_at(right + 18 + 148, folder_y(0)));
    EXPECT_TRUE(box_at(right + 18 + 148, folder_y(7)));
    EXPECT_FALSE(box_at(right + 18 + 148, folder_y(8)));
    // 53 folders under sim/: one column all the way down.
    EXPECT_TRUE(box_at(left + 18, folder_y(52)));
    EXPECT_FALSE(box_at(left + 18 + 148, folder_y(0)));
}

} // namespace
