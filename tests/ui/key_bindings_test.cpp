// Key bindings: commands pressed, held and released through a recording
// registry, the reset, and the text forms of keys and flags.
#include "keyboard_fixture.h"

#include "foundation/cmnd.h"

namespace {

using namespace kbd;
using list = std::vector<std::string>;

constexpr int down = skyd_DownFlag, up = skyd_UpFlag;
constexpr int shift = skyd_ShiftFlag, alt = skyd_OptionAltFlag, ctrl = skyd_ControlFlag;

TEST_F(keyboard, ModifiersMustMatchExactlyToPress)
{
    bind(SKYD_VK_K, 0, 1);
    bind(SKYD_VK_K, ctrl, 2);
    bind(SKYD_VK_K, ctrl | shift, 3);
    hit(press, kc_k, x_control);
    hit(release, kc_k, x_control);
    hit(press, kc_k);
    hit(release, kc_k);
    EXPECT_EQ(seen.commands, (list{"press 2", "release 2", "press 1", "release 1"}));
}

TEST_F(keyboard, ReleasingTheKeyEndsTheBindingWhateverTheModifiersBecame)
{
    bind(SKYD_VK_A, shift, 4);
    hit(press, kc_a, x_shift);
    hit(release, kc_a); // Shift was let go first
    EXPECT_EQ(seen.commands, (list{"press 4", "release 4"}));
    EXPECT_EQ(keys.bindings[0].down, 0);
}

TEST_F(keyboard, EveryBindingOfAKeyFires)
{
    bind(SKYD_VK_F1, 0, 5);
    bind(SKYD_VK_F1, 0, 6);
    bind(SKYD_VK_F2, 0, 7);
    keys.execute_key_cmnd(SKYD_VK_F1, down);
    keys.execute_key_cmnd(SKYD_VK_F1, up | alt);
    EXPECT_EQ(seen.commands, (list{"press 5", "press 6", "release 5", "release 6"}));
}

TEST_F(keyboard, AReleaseWithoutAPressChangesNothing)
{
    bind(SKYD_VK_A, 0, 4);
    keys.execute_key_cmnd(SKYD_VK_A, up);
    keys.execute_key_cmnd(SKYD_VK_A, down | shift); // wrong modifiers: not down
    keys.execute_key_cmnd(SKYD_VK_A, up);
    EXPECT_TRUE(seen.commands.empty());
}

TEST_F(keyboard, HeldBindingsFireEveryFrameFromTheFrameOfThePress)
{
    bind(SKYD_VK_A, 0, 4);
    bind(SKYD_VK_C, 0, 5);
    keys.run_repeat_keys();
    EXPECT_TRUE(seen.commands.empty());
    hit(press, kc_a);
    keys.run_repeat_keys();
    keys.run_repeat_keys();
    hit(release, kc_a);
    keys.run_repeat_keys();
    EXPECT_EQ(seen.commands, (list{"press 4", "always 4", "always 4", "release 4"}));
}

TEST_F(keyboard, BoundCommandLookUp)
{
    bind(SKYD_VK_A, 0, 4);
    bind(SKYD_VK_A, shift, 5);
    bind(SKYD_VK_A, shift, 6);
    EXPECT_EQ(keys.key_bound_to(SKYD_VK_A, 0), 4);
    EXPECT_EQ(keys.key_bound_to(SKYD_VK_A, shift), 5);
    EXPECT_EQ(keys.key_bound_to(SKYD_VK_A, ctrl), 0);
    EXPECT_EQ(keys.key_bound_to(SKYD_VK_C, 0), 0);
}

TEST_F(keyboard, ResetLeavesOneBindingPerBuiltInCommandAndKeepsItsDownFlag)
{
    bind(SKYD_VK_A, shift, 4);
    bind(SKYD_VK_C, 0, 5);
    keys.keys_io(1);
    ASSERT_EQ(keys.bindings.size(), 2u) << "saving writes and changes nothing";
    keys.bindings[0].down = 1;
    keys.keys_io(0);
    ASSERT_EQ(keys.bindings.size(), 1u);
    const key_binding& b = keys.bindings[0];
    EXPECT_EQ(b.vkey, 0);
    EXPECT_EQ(b.flags, 0);
    EXPECT_EQ(b.cmnd, cmnd.get_cmnd_by_name("sim/operation/none"));
    EXPECT_EQ(b.down, 1);

    keys = keys_class{};
    keys.keys_io(0);
    ASSERT_EQ(keys.bindings.size(), 1u);
    EXPECT_EQ(keys.bindings[0].down, 0);
}

TEST_F(keyboard, BindingText)
{
    struct text_case {
        int vkey, flags;
        const char* text;
    };
    const text_case cases[] = {
        {SKYD_VK_HOME, 0, "home"}, {SKYD_VK_F1, 0, "f1"}, {SKYD_VK_PRIOR, 0, "pageUp"},
        {SKYD_VK_A, shift | ctrl, "SHIFT+CTRL-a"}, {SKYD_VK_5, alt, "ALT-5"}, {0, 0, "<none>"},
        {108, ctrl, "CTRL-<none>"}, {SKYD_VK_LBRACE, 0, "["}, {SKYD_VK_A, down, "a"},
    };
    for (const text_case& c : cases) {
        SCOPED_TRACE(c.text);
        keys.bindings = {{c.vkey, c.flags, 9, 0}, {SKYD_VK_Z, 0, 9, 0}};
        EXPECT_EQ(keys.get_key_for_cmnd(9), c.text);
        EXPECT_EQ(keys.get_key_for_cmnd(8), "");
    }
}

TEST(KeyFlags, TextFormsOfTheModifiers)
{
    struct flag_case {
        int flags;
        const char* str;
        const char* code;
    };
    const flag_case cases[] = {
        {0, "<none>", "0"}, {8, "<none>", "0"}, {16, "<none>", "0"},
        {1, "SHIFT", "skyd_ShiftFlag"}, {2, "ALT", "skyd_OptionAltFlag"}, {4, "CTRL", "skyd_ControlFlag"},
        {5, "SHIFT+CTRL", "skyd_ShiftFlag+skyd_ControlFlag"},
        {7 | 8, "SHIFT+ALT+CTRL", "skyd_ShiftFlag+skyd_OptionAltFlag+skyd_ControlFlag"},
    };
    for (const flag_case& c : cases) {
        SCOPED_TRACE(c.flags);
        EXPECT_EQ(keys_class::flag_to_str(c.flags), c.str);
        EXPECT_EQ(keys_class::flag_to_code(c.flags), c.code);
        EXPECT_EQ(keys_class::str_to_flag(c.str), c.flags & skyd_ModifierFlags);
    }
    const std::pair<const char*, int> texts[] = {
        {"CTRL+ALT", 6}, {"skyd_ControlFlag", 0}, {"ctrl", 0}, {"xSHIFTy", 1}, {"", 0},
    };
    for (const auto& t : texts) {
        SCOPED_TRACE(t.first);
        EXPECT_EQ(keys_class::str_to_flag(t.first), t.second);
    }
}

} // namespace
