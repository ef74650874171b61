// chrome_test.cpp - the overlay drawn through a recording painter: tool-tip
// size and place, cursor kinds and atlas cells, pointer hiding, and the menu
// drawing's parts and order.
#include "shell_fixture.h"

#include <sstream>

namespace shellfx {
namespace {

// Each primitive as one line of text, rounded to whole units.
class recording_painter : public chrome_painter {
public:
    std::vector<std::string> ops;

    void frame1(int style, float x, float y, float w, int colour) override
    {
        put("frame1", {float(style), x, y, w, float(colour)});
    }
    void frame2(int style, float x, float y, float w, float h, const std::string& title) override
    {
        put("frame2", {float(style), x, y, w, h}, title);
    }
    void element(float x, float y, float s, float t, float hw, float hh, int colour) override
    {
        put("element", {x, y, s, t, hw, hh, float(colour)});
    }
    void string(int colour, float x, float y, const std::string& text, float wrap, int font) override
    {
        put("string", {float(colour), x, y, wrap, float(font)}, text);
    }
    void fillrect(int colour, float alpha, float x, float y, float w, float h) override
    {
        put("fillrect", {float(colour), alpha * 100, x, y, w, h});
    }
    void line(int colour, float alpha, float x1, float y1, float x2, float y2) override
    {
        put("line", {float(colour), alpha * 100, x1, y1, x2, y2});
    }
    void cursor(float x, float y, float s0, float t0, float s1, float t1) override
    {
        put("cursor", {x, y, s0 * 512, t0 * 512, s1 * 512, t1 * 512});
    }
    std::vector<std::string> kinds() const
    {
        std::vector<std::string> out;
        for (const std::string& op : ops) out.push_back(op.substr(0, op.find(' ')));
        return out;
    }

private:
    void put(const char* name, std::initializer_list<float> v, const std::string& text = "")
    {
        std::ostringstream os;
        os << name;
        for (float f : v) os << ' ' << f;
        if (!text.empty()) os << " '" << text << "'";
        ops.push_back(os.str());
    }
};

class Chrome : public ShellTest {
protected:
    recording_painter painter;
    chrome_painter* previous_painter = nullptr;
    void SetUp() override
    {
        ShellTest::SetUp();
        previous_painter = MACIBM_set_chrome_painter(&painter);
        MACIBM_startwind(win_main, 0);
        mnw.cur_wind = win_main;
        painter.ops.clear();
    }
    void TearDown() override
    {
        MACIBM_set_chrome_painter(previous_painter);
        ShellTest::TearDown();
    }
};

TEST_F(Chrome, TooltipHeightAndPlace)
{
    struct row { std::size_t chars; float mx, my; int wind; float x, y, h; } rows[] = {
        {120, 900, 700, win_main, 485, 688, 60},
        {1000, 900, 700, win_main, 485, 528, 220},
        {1500, 900, 700, win_main, 485, 448, 300},
        {10, 100, 100, win_main, 10, 115, 60},
        {10, 0, -270, win_alert, -292, -249, 60}, // kept inside the X window, left of and below the dialog
        {10, 400, 420, win_alert, -15, 429, 60},  // clamped below the window top
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.chars);
        MACIBM_startwind(r.wind, 0);
        mnw.mouse_x = r.mx;
        mnw.mouse_y = r.my;
        const tooltip_box box = MACIBM_tooltip_box(std::string(r.chars, 'a'));
        EXPECT_FLOAT_EQ(box.x, r.x);
        EXPECT_FLOAT_EQ(box.y, r.y);
        EXPECT_FLOAT_EQ(box.h, r.h);
    }
}

TEST_F(Chrome, TooltipShowsAfterOneSecondOfRestAndLivesOneFrame)
{
    mnw.mouse_x = 900;
    mnw.mouse_y = 700;
    xtim.elapsed_time = 5.0f;
    mnw.mouse_time = 4.5f;
    stls.help = std::string(120, 'h');
    mouse_help_per_wind(win_main);
    EXPECT_TRUE(painter.ops.empty()) << "not before a second of rest";
    EXPECT_TRUE(stls.help.empty()) << "a help text lives one frame";

    mnw.mouse_time = 3.9f;
    stls.help = std::string(120, 'h');
    mouse_help_per_wind(win_main);
    ASSERT_EQ(painter.ops.size(), 2u);
    EXPECT_EQ(painter.ops[0], "frame2 14 475 678 420 80");
    EXPECT_EQ(painter.ops[1].substr(0, 29), "string 47 488 738 394 100 'hh");
}

TEST_F(Chrome, CursorCells)
{
    struct row { int kind, held; int c, r; } rows[] = {
        {3, 0, 0, 1}, {4, 0, 1, 1}, {5, 0, 0, 0}, {6, 0, 1, 0}, {7, 0, 2, 1}, {8, 0, 3, 1}, {9, 0, 2, 0},
        {10, 0, 3, 0}, {11, 0, 4, 1}, {11, 1, 5, 1}, {12, 0, 4, 0}, {12, 1, 5, 0}, {13, 0, -1, 1},
        {14, 0, -1, 0}, {15, 0, -1, 1}, {40, 1, -1, 1},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.kind);
        const cursor_cell cell = MACIBM_cursor_cell(r.kind, r.held);
        EXPECT_FLOAT_EQ(cell.s0 * 512, 200 + 32 * r.c);
        EXPECT_FLOAT_EQ(cell.s1 * 512, 230 + 32 * r.c);
        EXPECT_FLOAT_EQ(cell.t0 * 512, 293 + 32 * r.r);
        EXPECT_FLOAT_EQ(cell.t1 * 512, 323 + 32 * r.r);
    }
}

TEST_F(Chrome, CursorKindsHideShowAndDraw)
{
    xtim.elapsed_time = 1.0f;
    mnw.mouse_time = 1.0f;
    mnw.mouse_x = 50;
    mnw.mouse_y = 60;
    struct row { int wind; int kind; int showing; bool drawn; } rows[] = {
        {win_main, 0, 1, false}, {win_main, 2, 0, false}, {win_main, 13, 0, true}, {win_main, 1, 1, false},
        {win_file_chooser, 13, 1, false}, {win_main, 3, 0, true}, {win_eula, 5, 0, true},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(std::to_string(r.wind) + " kind " + std::to_string(r.kind));
        painter.ops.clear();
        mnw.cur_wind = r.wind;
        mnw.cursor_type = r.kind;
        mouse_help_per_wind(r.wind);
        EXPECT_EQ(MACIBM_pointer_showing(), r.showing);
        EXPECT_EQ(!painter.ops.empty(), r.drawn);
    }
    painter.ops.clear();
    mnw.cursor_type = 13;
    mouse_help_per_wind(win_main);
    EXPECT_EQ(painter.ops, (std::vector<std::string>{"cursor 50 60 168 325 198 355"}));
}

TEST_F(Chrome, PointerHidesAfterTenIdleSecondsOnTheMainScreenOnly)
{
    xtim.elapsed_time = 20.0f;
    mnw.mouse_time = 9.0f;
    mnw.cursor_type = 0;
    mouse_help_per_wind(win_main);
    EXPECT_EQ(MACIBM_pointer_showing(), 0);
    mnw.mouse_time = 19.5f; // a move or press
    mnw.cursor_type = 0;
    mouse_help_per_wind(win_main);
    EXPECT_EQ(MACIBM_pointer_showing(), 1);
    MACIBM_startwind(win_eula, 0);
    mnw.mouse_time = 0.0f;
    mnw.cursor_type = 0;
    mouse_help_per_wind(win_eula);
    EXPECT_EQ(MACIBM_pointer_showing(), 1);
}

void build_menus()
{
    MACIBM_create_menu(0, 0, "File");
    MACIBM_append_menu(0, 0, 1, "Open", 1);
    MACIBM_append_menu(0, 1, 2, "-", 1);
    MACIBM_append_menu(0, 2, 3, "Recent", 1);
    MACIBM_create_menu(1, 0, "Edit");
    MACIBM_create_menu(2, 2, "Recent"); // submenu of File's item 2
    MACIBM_append_menu(2, 0, 7, "First", 1);
}

TEST_F(Chrome, NothingIsDrawnWithoutAnOpenMenu)
{
    build_menus();
    standard_gui();
    EXPECT_TRUE(painter.ops.empty());
}

TEST_F(Chrome, BarMenuDrawsBarPanelHighlightsItemsAndArrows)
{
    build_menus();
    mnw.menu_open = 0;
    mnw.mouse_x = 10;
    mnw.mouse_y = 736; // Open's bottom edge: highlighted
    standard_gui();
    const std::vector<std::string> want_kinds = {"frame1", "string", "string", "frame2", "fillrect", "fillrect",
                                                 "string", "line",   "line",   "string", "element"};
    EXPECT_EQ(painter.kinds(), want_kinds);
    EXPECT_EQ(painter.ops[0], "frame1 0 512 759 1024 0");
    EXPECT_EQ(painter.ops[1], "string 38 10 756 9999 100 'File'");
    EXPECT_EQ(painter.ops[4], "fillrect 36 25 0 750 48 18"); // the open title
    EXPECT_EQ(painter.ops[5], "fillrect 36 25 0 736 65 12"); // Open
    EXPECT_EQ(painter.ops[6], "string 38 18 739 9999 100 'Open'");
    EXPECT_EQ(painter.ops[10], "element 57 728 167 187 9 9 0"); // Recent's arrow
    EXPECT_FLOAT_EQ(m_x1, 0);
    EXPECT_FLOAT_EQ(m_x2, 65);
    EXPECT_FLOAT_EQ(m_y1, 720);
    EXPECT_FLOAT_EQ(m_y2, 750);
}

TEST_F(Chrome, TopEdgeIsNoHighlightAndSeparatorsNever)
{
    build_menus();
    mnw.menu_open = 0;
    for (float y : {748.0f, 735.0f}) {
        SCOPED_TRACE(y);
        painter.ops.clear();
        mnw.mouse_x = 10;
        mnw.mouse_y = y;
        standard_gui();
        int fills = 0;
        for (const std::string& k : painter.kinds()) fills += k == "fillrect";
        EXPECT_EQ(fills, 1) << "only the title's fill";
    }
}

TEST_F(Chrome, SubmenuDrawsTheBarButNoTitleHighlight)
{
    build_menus();
    mnw.menu_open = 2;
    mnw.mouse_x = 500;
    mnw.mouse_y = 100;
    standard_gui();
    // The bar with its two titles (a submenu's title is not in the bar), then the panel and its item.
    const std::vector<std::string> want = {"frame1", "string", "string", "frame2", "string"};
    EXPECT_EQ(painter.kinds(), want);
}

TEST_F(Chrome, PopupDrawsNoBarAndIndentsLess)
{
    menu_struct& popup = menu[menu_popup];
    for (int i = 0; i < 2; ++i) {
        item_struct it;
        it.text = i ? "two" : "one";
        it.l = 100;
        it.r = 200;
        it.t = static_cast<std::int16_t>(400 - 12 * i);
        it.b = static_cast<std::int16_t>(it.t - 12);
        popup.items.push_back(it);
    }
    mnw.menu_open = menu_popup;
    standard_gui();
    EXPECT_EQ(painter.kinds(), (std::vector<std::string>{"frame2", "string", "string"}));
    EXPECT_EQ(painter.ops[1], "string 38 103 391 9999 100 'one'");
}

TEST_F(Chrome, ColumnsGetDividers)
{
    MACIBM_create_menu(0, 0, "File");
    MACIBM_append_menu(0, 0, 1, "Open", 1);
    MACIBM_append_menu(0, 1, 2, "Save", 1);
    menu[0].items[1].l = 100; // a second column
    mnw.menu_open = 0;
    standard_gui();
    std::vector<std::string> lines;
    for (const std::string& op : painter.ops)
        if (op.rfind("line", 0) == 0) lines.push_back(op);
    EXPECT_EQ(lines, (std::vector<std::string>{"line 35 100 99 721 99 750", "line 37 100 100 750 100 721"}));
}

// The default painter draws the cursor shape with the drawing layer: one
// textured quad, corners around the mouse in window pixels, the atlas cell's
// corners in the documented order.
TEST_F(ShellTest, DefaultPainterDrawsTheCursorQuad)
{
    MACIBM_startwind(win_eula, 0); // origin (262, 234)
    gl_rec.calls.clear();
    mnw.cur_wind = win_eula;
    mnw.mouse_x = 100;
    mnw.mouse_y = 50;
    mnw.cursor_type = 6;
    xtim.elapsed_time = mnw.mouse_time = 1.0f;
    mouse_help_per_wind(win_eula);
    const std::vector<gl_call> v = gl_rec.named({"glVertex2f"});
    const std::vector<gl_call> t = gl_rec.named({"glTexCoord2f"});
    ASSERT_EQ(v.size(), 4u);
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(v[0], gl_call_of("glVertex2f", 262 + 85, 234 + 35));
    EXPECT_EQ(v[2], gl_call_of("glVertex2f", 262 + 115, 234 + 65));
    EXPECT_EQ(t[0], gl_call_of("glTexCoord2f", 232.0f / 512, 293.0f / 512));
    EXPECT_EQ(t[1], gl_call_of("glTexCoord2f", 232.0f / 512, 323.0f / 512));
    EXPECT_EQ(t[2], gl_call_of("glTexCoord2f", 262.0f / 512, 323.0f / 512));
}

} // namespace
} // namespace shellfx
