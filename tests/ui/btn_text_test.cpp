// Text fields: focus entering and leaving, typing, caret by press, the length
// limit, keys that are not text, and keys that must not reach another text.
#include "btn_fixture.h"

#include <cstring>

using namespace btn;

namespace {

// The preference screen's two fields.
struct prefs_screen {
    std::string host = "proxy.example", port = "8080";
    int host_result = 0, port_result = 0;
    void draw()
    {
        host_result = BTN_enterstring(85, 40, &host, 65, "-proxy host", 455, 1);
        port_result = BTN_enterstring(85, 20, &port, 65, "-proxy port", 455, 1);
    }
};

const draw_call* caret_of(const std::vector<draw_call>& calls)
{
    for (const draw_call& c : calls)
        if (c.kind == "line") return &c;
    return nullptr;
}

} // namespace

TEST_F(widgets, FirstTakeFocusFieldSelectsAllAndTypingReplacesIt)
{
    prefs_screen s;
    frame([&] { s.draw(); });
    ASSERT_EQ(BTN_focused_id(), BTN_focus_id_of(85, 40));
    // The whole host text shows selected, the port text is drawn plainly.
    ASSERT_EQ(of_kind("fillrect").size(), 1u);
    type('w');
    frame([&] { s.draw(); });
    EXPECT_EQ(s.host, "w");
    EXPECT_EQ(s.host_result, 1);
    EXPECT_EQ(s.port, "8080");
    frame([&] { s.draw(); });
    EXPECT_EQ(s.host_result, 0);
}

TEST_F(widgets, FocusReturningToTheSameFieldKeepsItsSelectionClamped)
{
    prefs_screen s;
    frame([&] { s.draw(); });
    type(29, SKYD_VK_RIGHT); // caret to the end
    frame([&] { s.draw(); });
    BTN_unfocus_any(); // a dialog opened and closed
    s.host = "short";  // and the caller shortened the text meanwhile
    type('!');
    frame([&] { s.draw(); });
    frame([&] { s.draw(); });
    type('!');
    frame([&] { s.draw(); });
    EXPECT_EQ(s.host, "short!");
}

TEST_F(widgets, TabBetweenFieldsSelectsTheWholeTextEachTime)
{
    prefs_screen s;
    frame([&] { s.draw(); });
    type(29, SKYD_VK_RIGHT);
    type(9, SKYD_VK_TAB);
    type('1');
    frame([&] { s.draw(); });
    EXPECT_EQ(s.port, "1"); // the whole port text was selected on entry
    type('3');
    frame([&] { s.draw(); });
    EXPECT_EQ(s.port, "13");
    type(9, SKYD_VK_TAB);
    type('h');
    frame([&] { s.draw(); });
    EXPECT_EQ(s.host, "h"); // the host's caret at the end is not restored
}

TEST_F(widgets, KeysForAFieldThatLostFocusNeverLandInAnyText)
{
    prefs_screen s;
    frame([&] { s.draw(); });
    type(29, SKYD_VK_RIGHT);
    type('x');                 // for the host field, which draws unfocused next
    type(9, SKYD_VK_TAB);
    frame([&] { s.draw(); });
    EXPECT_EQ(s.host, "proxy.example");
    EXPECT_EQ(s.port, "8080");
    EXPECT_EQ(s.host_result + s.port_result, 0);
    // Drawn in the other order, the port field takes the record first: the
    // host's key still reaches neither text.
    type(9, SKYD_VK_TAB, skyd_ShiftFlag);
    frame([&] { s.draw(); });
    type('q');
    type(9, SKYD_VK_TAB);
    frame([&] {
        s.port_result = BTN_enterstring(85, 20, &s.port, 65, "", 455, 1);
        s.host_result = BTN_enterstring(85, 40, &s.host, 65, "", 455, 1);
    });
    EXPECT_EQ(s.host, "proxy.example");
    EXPECT_EQ(s.port, "8080");
}

TEST_F(widgets, PressPlacesTheCaretAndTypingInsertsThere)
{
    std::string text = "abc";
    auto draw = [&] { BTN_enterstring(100, 50, &text, -1, "", 200, 0); };
    frame(draw, press_at(103, 52)); // 3 units in: inside the 'a'
    EXPECT_EQ(BTN_focused_id(), BTN_focus_id_of(100, 50));
    EXPECT_TRUE(of_kind("fillrect").empty()); // nothing selected
    const draw_call* caret = caret_of(calls);
    ASSERT_NE(caret, nullptr);
    EXPECT_FLOAT_EQ(caret->v[0], 106);
    type('Z');
    frame(draw);
    EXPECT_EQ(text, "aZbc");
}

TEST_F(widgets, PressInsideTheFieldsEdgesTakesFocus)
{
    struct row {
        mouse m;
        bool focus;
    } rows[] = {
        {press_at(100, 50), true}, {press_at(300, 58), true}, {press_at(300.5f, 50), false},
        {press_at(150, 49.5f), false}, {over(150, 52), false},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.m.x << "," << r.m.y);
        BTN_reset_focus();
        std::string text = "abc";
        frame([&] { BTN_enterstring(100, 50, &text, -1, "", 200, 0); }, r.m);
        EXPECT_EQ(BTN_focused_id() != 0, r.focus);
    }
    std::string text = "abc";
    mnw.menu_open = 1519;
    frame([&] { BTN_enterstring(100, 50, &text, -1, "", 200, 0); }, press_at(150, 52));
    EXPECT_EQ(BTN_focused_id(), 0);
}

TEST_F(widgets, APressElsewhereRefocusesTheFirstFieldWithTheCaretFromThePress)
{
    struct row {
        float y;
        float caret_x; // text "abc" at x 85: start 85, end 85 + 18
    } rows[] = {{300, 85}, {5, 103}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.y);
        prefs_screen s;
        s.host = "abc";
        frame([&] { s.draw(); });
        frame([&] { s.draw(); }, press_at(600, r.y));
        EXPECT_EQ(BTN_focused_id(), BTN_focus_id_of(85, 40));
        const draw_call* caret = caret_of(calls);
        ASSERT_NE(caret, nullptr);
        EXPECT_FLOAT_EQ(caret->v[0], r.caret_x);
    }
}

TEST_F(widgets, TheLengthLimitCutsAfterTheEdit)
{
    std::string text(64, 'a');
    int result = 0;
    auto draw = [&] { result = BTN_enterstring(10, 10, &text, 65, "", 455, 1); };
    frame(draw);
    type(29, SKYD_VK_RIGHT);
    type('b');
    type('c');
    frame(draw);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(text, std::string(64, 'a') + "b");
    type('d');
    frame(draw);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(text.size(), 65u);
}

TEST_F(widgets, OnlyTextAndEditKeysChangeTheText)
{
    struct row {
        int character, vkey, flags;
        const char* want; // from "abcd" with the caret after "ab"
    } rows[] = {
        {'P', SKYD_VK_HOME, 0, "abcd"},   {'W', SKYD_VK_END, 0, "abcd"},
        {'U', SKYD_VK_PRIOR, 0, "abcd"},  {'V', SKYD_VK_NEXT, 0, "abcd"},
        {0, SKYD_VK_C, skyd_ControlFlag, "abcd"}, {1, 0, 0, "abcd"}, {127, 0, 0, "abcd"},
        {255, SKYD_VK_DELETE, 0, "abd"},  {8, SKYD_VK_BACK, 0, "acd"},
        {'x', SKYD_VK_X, 0, "abxcd"},     {233, 0, 0, "abcd"}, // not a class the field takes
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.character << "/" << r.vkey);
        BTN_reset_focus();
        BTN_reset_text_fields();
        std::string text = "abcd";
        auto draw = [&] { BTN_enterstring(10, 10, &text, -1, "", 200, 0); };
        frame(draw, press_at(10 + 6 + 7, 12)); // just after "ab"
        if (r.vkey == SKYD_VK_C) {
            ASSERT_EQ(BTN_dispatch_to_focus(r.character, r.vkey, r.flags | skyd_DownFlag), 0);
            BTN_begin_focus_ring();
            draw();
        } else {
            type(r.character, r.vkey, r.flags);
            frame(draw);
        }
        EXPECT_EQ(text, r.want);
    }
}

TEST_F(widgets, HomeEndUpAndDownMoveTheCaretToTheEnds)
{
    struct row {
        int character, vkey;
        float caret_x;
    } rows[] = {{'P', SKYD_VK_HOME, 10}, {'W', SKYD_VK_END, 10 + 25}, {30, SKYD_VK_UP, 10}, {31, SKYD_VK_DOWN, 35}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.vkey);
        BTN_reset_focus();
        BTN_reset_text_fields();
        std::string text = "abcd";
        auto draw = [&] { BTN_enterstring(10, 10, &text, -1, "", 200, 0); };
        frame(draw, press_at(10 + 6 + 7, 12));
        type(r.character, r.vkey);
        frame(draw);
        const draw_call* caret = caret_of(calls);
        ASSERT_NE(caret, nullptr);
        EXPECT_FLOAT_EQ(caret->v[0], r.caret_x);
    }
}

TEST_F(widgets, ReturnIsLeftToTheWindow)
{
    prefs_screen s;
    frame([&] { s.draw(); });
    type(13, SKYD_VK_RETURN);
    frame([&] { s.draw(); });
    EXPECT_EQ(consumed[0], 0);
}

TEST_F(widgets, EmptyFieldDrawsOnlyItsCaret)
{
    std::string text;
    frame([&] { BTN_enterstring(50, 30, &text, -1, "Name|units", 100, 1); });
    const draw_call* caret = caret_of(calls);
    ASSERT_NE(caret, nullptr);
    EXPECT_FLOAT_EQ(caret->v[0], 50);
    EXPECT_FLOAT_EQ(caret->v[1], 28);
    EXPECT_FLOAT_EQ(caret->v[3], 39);
    EXPECT_EQ(caret->colour, 45);
    const auto texts = of_kind("string");
    ASSERT_EQ(texts.size(), 3u); // the two label parts and the empty line of the engine
    EXPECT_EQ(texts[0].text, "Name");
    EXPECT_FLOAT_EQ(texts[0].v[0], 38);
    EXPECT_EQ(texts[1].text, "units");
    EXPECT_FLOAT_EQ(texts[1].v[0], 156);
    EXPECT_EQ(texts[2].text, "");
    const auto clip = of_kind("scissors");
    ASSERT_EQ(clip.size(), 1u);
    EXPECT_EQ(clip[0].v, (std::vector<float>{49, 27, 102, 11}));
}

TEST_F(widgets, CallbacksMeasureFitAndBreakByTheFontsAdvances)
{
    const char* abc = "abc";
    EXPECT_EQ(OGLE_FitStringFwd(nullptr, abc, abc + 3, 6), 1);
    EXPECT_EQ(OGLE_FitStringFwd(nullptr, abc, abc + 3, 6.5f), 2);
    EXPECT_EQ(OGLE_FitStringFwd(nullptr, abc, abc + 3, 100), 3);
    EXPECT_EQ(OGLE_FitStringFwd(nullptr, abc, abc + 3, 0), 0);
    EXPECT_EQ(OGLE_FitStringRev(nullptr, abc, abc + 3, 6), 2);
    EXPECT_EQ(OGLE_FitStringRev(nullptr, abc, abc + 3, 0), 1);
    EXPECT_EQ(OGLE_FitStringRev(nullptr, abc, abc, 5), 0);
    EXPECT_FLOAT_EQ(OGLE_MeasureString(nullptr, abc, abc + 3), 18);
    const char* words = "  abc def";
    EXPECT_EQ(OGLE_WordBreak(nullptr, words, words + 9) - words, 5);
    EXPECT_EQ(OGLE_WordBreak(nullptr, words, words) - words, 0);
}

TEST_F(widgets, CharBufferFieldCopiesBackOrEndsTheProgramWhenTooLong)
{
    char buf[600] = "abc";
    auto draw = [&] { BTN_enterstring(10, 10, buf, -1, "", 200, 1); };
    frame(draw);
    type('x');
    frame(draw);
    EXPECT_STREQ(buf, "x");

    std::memset(buf, 'q', 499);
    buf[499] = 0;
    type(31, SKYD_VK_DOWN);
    type('z');
    EXPECT_THROW(frame(draw), fatal_alert);
    ASSERT_FALSE(alert_recorder::alerts().empty());
    EXPECT_EQ(alert_recorder::alerts().back().lines.l1, "String too long!");
}
