// The focus ring: Tab order, what is consumed, key queues across frames,
// capacity and keys for widgets no longer drawn.
#include "btn_fixture.h"
#include "keyboard_fixture.h"

#include "ui/btn_frames.h"

using namespace btn;

namespace {

// A bare focusable widget: its own queue, the keys it received.
struct probe {
    probe(float px, float py, int m, btn_key_queue* shared = nullptr)
        : x(px), y(py), mask(m), q(shared ? shared : &own)
    {
    }
    float x, y;
    int mask;
    btn_key_queue own{};
    btn_key_queue* q; // the widget kind's queue
    std::vector<int> got;
    int focused = 0;
    int id() const { return BTN_focus_id_of(x, y); }
    void draw(int take = 0)
    {
        focused = BTN_register_queue(id(), *q, mask, take);
        BTN_drain_keys(*q, id(), [this](int c, int, int) { got.push_back(c); });
    }
};

constexpr int text_mask = 0x1F4, number_mask = 0xD0;

} // namespace

TEST_F(widgets, TabFocusesTheFirstThenWalksTheRingBothWays)
{
    probe a{10, 10, text_mask}, b{10, 40, text_mask}, c{10, 70, text_mask};
    auto draw = [&] { a.draw(); b.draw(); c.draw(); };
    frame(draw);
    EXPECT_EQ(BTN_focused_id(), 0);

    struct step {
        int flags;
        int focused_after; // 0 a, 1 b, 2 c
    } steps[] = {{0, 0}, {0, 1}, {0, 2}, {0, 0}, {skyd_ShiftFlag, 2}, {skyd_ShiftFlag, 1}};
    const probe* ps[] = {&a, &b, &c};
    for (const step& s : steps) {
        type(9, SKYD_VK_TAB, s.flags);
        frame(draw);
        EXPECT_EQ(consumed, (std::vector<int>{1, 0})); // the Tab release goes on
        EXPECT_EQ(BTN_focused_id(), ps[s.focused_after]->id());
        EXPECT_EQ(ps[s.focused_after]->focused, 1);
    }

    probe alone{300, 10, text_mask};
    frame([&] { alone.draw(1); });
    type(9, SKYD_VK_TAB);
    frame([&] { alone.draw(); });
    EXPECT_EQ(alone.focused, 1);
}

TEST_F(widgets, KeysAreConsumedByTheirClassInTheFocusedWidgetsMask)
{
    struct row {
        int mask;
        int character, vkey;
        int consumed;
    } rows[] = {
        {number_mask, '-', 0, 1},           {number_mask, '+', 0, 1},
        {number_mask, '7', 0, 1},           {number_mask, 'a', 0, 0},
        {number_mask, 8, SKYD_VK_BACK, 0},  {number_mask, 28, SKYD_VK_LEFT, 1},
        {text_mask, 13, SKYD_VK_RETURN, 0}, {text_mask, 13, SKYD_VK_ENTER, 0},
        {text_mask, 27, SKYD_VK_ESCAPE, 0}, {text_mask, 8, SKYD_VK_BACK, 1},
        {text_mask, 255, SKYD_VK_DELETE, 1}, {text_mask, 'P', SKYD_VK_HOME, 1},
        {text_mask, '!', 0, 1},             {text_mask, 0, SKYD_VK_F1, 0},
        {text_mask, 233, 0, 0},             {0x200, 0, SKYD_VK_F1, 1},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << "mask " << r.mask << " char " << r.character << " vkey " << r.vkey);
        BTN_reset_focus();
        probe p{20, 20, r.mask};
        frame([&] { p.draw(1); });
        type(r.character, r.vkey);
        frame([&] { p.draw(); });
        EXPECT_EQ(consumed[0], r.consumed);
        EXPECT_EQ(consumed[1], r.consumed); // the release too
        EXPECT_EQ(p.got.size(), r.consumed ? 1u : 0u);
    }
}

TEST_F(widgets, AWidgetNotDrawnLosesFocusAndItsKeys)
{
    probe a{10, 10, text_mask}, b{10, 40, text_mask};
    frame([&] { a.draw(1); b.draw(); });
    frame([&] { b.draw(); }); // a is gone
    type('x');
    frame([&] { b.draw(); });
    EXPECT_EQ(consumed[0], 0);
    EXPECT_EQ(BTN_focused_id(), 0);
    type(9, SKYD_VK_TAB);
    frame([&] { b.draw(); });
    EXPECT_EQ(BTN_focused_id(), b.id());
}

TEST_F(widgets, KeysWhileTheAlertShowsBypassTheRing)
{
    probe a{10, 10, text_mask};
    frame([&] { a.draw(1); });
    mnw.cur_wind = 995;
    type('x');
    type(9, SKYD_VK_TAB);
    frame([&] { a.draw(); });
    EXPECT_EQ(consumed, (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(BTN_focused_id(), a.id());
    EXPECT_TRUE(a.got.empty());
}

TEST_F(widgets, APressClearsFocusAndAWidgetUnderItTakesItBack)
{
    probe a{10, 10, text_mask}, b{10, 40, text_mask};
    frame([&] { a.draw(1); b.draw(); });
    frame([&] { a.draw(); b.draw(); }, press_at(500, 500));
    EXPECT_EQ(BTN_focused_id(), 0);
    frame([&] { a.draw(); b.draw(1); }, press_at(10, 40));
    EXPECT_EQ(b.focused, 1);
    EXPECT_EQ(a.focused, 0);
}

TEST_F(widgets, KeysReachTheWidgetTheyWereTypedIntoAfterFocusMoves)
{
    probe a{10, 10, text_mask}, b{10, 40, text_mask};
    frame([&] { a.draw(1); b.draw(); });
    type('q');
    type(9, SKYD_VK_TAB);
    type('r');
    frame([&] { a.draw(); b.draw(); });
    EXPECT_EQ(a.got, std::vector<int>{'q'});
    EXPECT_EQ(b.got, std::vector<int>{'r'});
    // The count stays until a drawing finds nothing pending.
    EXPECT_GT(a.q->ctr_slot, 0);
    frame([&] { a.draw(); b.draw(); });
    EXPECT_EQ(a.q->ctr_slot, 0);
}

TEST_F(widgets, AFullQueueDropsFurtherKeysAndLogsOnce)
{
    xer_capture log;
    probe a{10, 10, text_mask};
    frame([&] { a.draw(1); });
    for (int i = 0; i < 40; ++i) type('a' + i % 26); // 80 entries with the releases
    frame([] {});                                      // a is not drawn: its keys wait...
    EXPECT_EQ(consumed.size(), 80u);
    for (int c : consumed) EXPECT_EQ(c, 1); // dropped keys stay away from the bindings too
    EXPECT_EQ(a.q->ctr_slot, btn_queue_capacity);
    const std::string text = log.text();
    EXPECT_NE(text.find("full"), std::string::npos);
    EXPECT_EQ(text.find("full"), text.rfind("full"));
}

TEST_F(widgets, KeysOnEveryFrameNeverFillTheQueue)
{
    // A key before every drawing: each walk finds the new key pending, so the
    // count alone never returns to 0; consumed entries must make room.
    probe a{10, 10, text_mask};
    frame([&] { a.draw(1); });
    for (int round = 0; round < 200; ++round) {
        type('a' + round % 26);
        frame([&] { a.draw(); });
        ASSERT_EQ(consumed[0], 1);
    }
    EXPECT_EQ(a.got.size(), 200u);
    EXPECT_EQ(a.got.back(), 'a' + 199 % 26);
}

TEST_F(widgets, StaleKeysNeverReachAWidgetDrawnLaterAtThatPosition)
{
    btn_key_queue kind{};
    probe a{10, 10, text_mask, &kind};
    frame([&] { a.draw(1); });
    type('s');
    frame([] {}); // a vanished before it could drain
    frame([] {});
    probe later{10, 10, text_mask, &kind};
    frame([&] { later.draw(); });
    EXPECT_TRUE(later.got.empty());
    EXPECT_EQ(kind.ctr_slot, 0);
}

TEST_F(widgets, FocusHelpersOfTheRing)
{
    probe a{10, 10, text_mask}, b{10, 40, text_mask};
    frame([&] { a.draw(); b.draw(); });
    EXPECT_EQ(BTN_no_focus_yet(), 1);
    BTN_window_has_focus();
    EXPECT_EQ(BTN_no_focus_yet(), 0);
    BTN_focus_any();
    EXPECT_EQ(BTN_focused_id(), a.id());
    BTN_unfocus_any();
    EXPECT_EQ(BTN_focused_id(), 0);
    BTN_begin_focus_ring();
    BTN_focus_any();
    EXPECT_EQ(BTN_focused_id(), 0);
}

TEST_F(widgets, TheKeyboardLayerOffersItsKeysToTheRing)
{
    kbd::fake_keysyms syms;
    keysym_source* previous = KEYS_set_keysym_source(&syms);
    keys = keys_class{};
    probe a{10, 10, text_mask};
    frame([&] { a.draw(1); });
    keys.handle_key_raw(kbd::press, kbd::kc_a, 0);
    keys.handle_key_raw(kbd::release, kbd::kc_a, 0);
    keys.handle_key_raw(kbd::press, kbd::kc_return, 0);
    frame([&] { a.draw(); });
    EXPECT_EQ(a.got, std::vector<int>{'a'});
    EXPECT_EQ(return_hit, 1); // not taken by the field
    KEYS_set_keysym_source(previous);
    keys = keys_class{};
}
