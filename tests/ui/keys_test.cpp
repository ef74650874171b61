// Keyboard translation: X11 key events through a fake keymap into virtual keys,
// characters and flags, the path of a key past the focus ring, the per-frame
// flags and the sub-window, and the key tables both ways.
#include "keyboard_fixture.h"

#include "ui/key_tables.h"

#include <set>
#include <utility>

namespace {

using namespace kbd;

TEST_F(keyboard, TranslatesKeyEvents)
{
    struct translation_case {
        const char* what;
        long type;
        int keycode;
        long state;
        key_seen expected;
    };
    const translation_case cases[] = {
        {"a", press, kc_a, 0, {'a', SKYD_VK_A, 8}},
        {"Shift+a", press, kc_a, x_shift, {'A', SKYD_VK_A, 9}},
        {"Shift+a released", release, kc_a, x_shift, {'A', SKYD_VK_A, 17}},
        {"Caps Lock and Num Lock state bits ignored", press, kc_a, x_lock | x_mod2, {'a', SKYD_VK_A, 8}},
        {"Ctrl+c", press, kc_c, x_control, {0, SKYD_VK_C, 12}},
        {"Alt+c", press, kc_c, x_mod1, {0, SKYD_VK_C, 10}},
        {"Ctrl+Shift+c", press, kc_c, x_control | x_shift, {0, SKYD_VK_C, 13}},
        {"Home", press, kc_home, 0, {0x50, SKYD_VK_HOME, 8}},
        {"Delete", press, kc_delete, 0, {0xFF, SKYD_VK_DELETE, 8}},
        {"F1", press, kc_f1, 0, {0xBE, SKYD_VK_F1, 8}},
        {"Left with Ctrl", press, kc_left, x_control, {28, SKYD_VK_LEFT, 12}},
        {"Right", press, kc_right, 0, {29, SKYD_VK_RIGHT, 8}},
        {"Up with Alt", press, kc_up, x_mod1, {30, SKYD_VK_UP, 10}},
        {"Down", press, kc_down, 0, {31, SKYD_VK_DOWN, 8}},
        {"Backspace", press, kc_backspace, 0, {8, SKYD_VK_BACK, 8}},
        {"Shift+Tab keeps the Tab key", press, kc_tab, x_shift, {9, SKYD_VK_TAB, 9}},
        {"Escape", press, kc_escape, 0, {27, SKYD_VK_ESCAPE, 8}},
        {"Ctrl+Return", press, kc_return, x_control, {13, SKYD_VK_RETURN, 12}},
        {"space", press, kc_space, 0, {' ', SKYD_VK_SPACE, 8}},
        {"keypad 7", press, kc_kp_7, 0, {'7', SKYD_VK_NUMPAD7, 8}},
        {"keypad 7 with Ctrl", press, kc_kp_7, x_control, {'7', SKYD_VK_NUMPAD7, 12}},
        {"keypad *", press, kc_kp_multiply, 0, {0xAA, SKYD_VK_MULTIPLY, 8}},
        {"keypad decimal", press, kc_kp_decimal, 0, {'.', SKYD_VK_DECIMAL, 8}},
        {"keypad separator", press, kc_kp_separator, 0, {0xAC, 108, 8}},
        {"keypad Enter", press, kc_kp_enter, 0, {0x8D, SKYD_VK_NUMPAD_ENT, 8}},
        {"digit on the shifted level", press, kc_amp_1, 0, {'&', SKYD_VK_1, 8}},
        {"US [ has no key", press, kc_bracket, 0, {'[', 0, 8}},
        {"US Shift+[ has no key", press, kc_bracket, x_shift, {'{', 0, 9}},
        {"keysym without a name", press, kc_unnamed, 0, {0xEE, 0, 8}},
        {"only the low 8 bits of the keycode", press, kc_a + 0x100, 0, {'a', SKYD_VK_A, 8}},
    };
    for (const translation_case& c : cases) {
        SCOPED_TRACE(c.what);
        seen.focus.clear();
        hit(c.type, c.keycode, c.state);
        ASSERT_EQ(seen.focus.size(), 1u);
        EXPECT_EQ(seen.focus[0].character, c.expected.character);
        EXPECT_EQ(seen.focus[0].vkey, c.expected.vkey);
        EXPECT_EQ(seen.focus[0].flags, c.expected.flags);
        EXPECT_EQ(keys.last_vkey, c.expected.vkey);
        EXPECT_EQ(keys.last_flags, c.expected.flags & skyd_ModifierFlags);
    }
}

TEST_F(keyboard, LockKeysAndLeftModifiersChangeNothing)
{
    keys.last_vkey = 77;
    keys.last_flags = 2;
    bind(0, 0, 5);
    for (int kc : {int(kc_caps), int(kc_num), int(kc_scroll), int(kc_shift_l)})
        for (long type : {press, release})
            for (long state : {0L, x_shift, x_control}) {
                SCOPED_TRACE(kc);
                hit(type, kc, state);
            }
    EXPECT_TRUE(seen.focus.empty());
    EXPECT_TRUE(seen.commands.empty());
    EXPECT_EQ(keys.last_vkey, 77);
    EXPECT_EQ(keys.last_flags, 2);
    EXPECT_EQ(mnw.key_char, 0);
}

TEST_F(keyboard, AKeyTheFocusedWidgetTakesGoesNoFurther)
{
    seen.focus_takes = 1;
    bind(SKYD_VK_RETURN, 0, 3);
    hit(press, kc_return);
    hit(press, kc_escape);
    EXPECT_EQ(seen.focus.size(), 2u);
    EXPECT_EQ(return_hit + escape_hit + delete_hit, 0);
    EXPECT_TRUE(seen.commands.empty());
    EXPECT_EQ(keys.last_vkey, 0);
    EXPECT_EQ(mnw.key_char, 0);
}

TEST_F(keyboard, PressesRaiseThisFramesFlags)
{
    struct flag_case {
        int keycode;
        int ret, esc, del;
    };
    const flag_case cases[] = {
        {kc_return, 1, 0, 0}, {kc_escape, 0, 1, 0}, {kc_delete, 0, 0, 1},
        {kc_backspace, 0, 0, 1}, {kc_kp_enter, 0, 0, 0}, {kc_a, 0, 0, 0},
    };
    for (const flag_case& c : cases) {
        SCOPED_TRACE(c.keycode);
        return_hit = escape_hit = delete_hit = 0;
        hit(release, c.keycode);
        EXPECT_EQ(return_hit + escape_hit + delete_hit, 0) << "a release raises nothing";
        hit(press, c.keycode);
        EXPECT_EQ(return_hit, c.ret);
        EXPECT_EQ(escape_hit, c.esc);
        EXPECT_EQ(delete_hit, c.del);
    }
}

TEST_F(keyboard, RemembersTheCharacterOfPressesOnly)
{
    hit(press, kc_a, x_shift);
    EXPECT_EQ(mnw.key_char, 'A');
    hit(release, kc_c);
    EXPECT_EQ(mnw.key_char, 'A');
    hit(press, kc_c, x_control); // no character
    EXPECT_EQ(mnw.key_char, 'A');
    hit(press, kc_left);
    EXPECT_EQ(mnw.key_char, 28);
}

TEST_F(keyboard, ReturnInASubWindowClosesItInsteadOfReachingTheBindings)
{
    mnw.cur_wind = 2;
    bind(SKYD_VK_RETURN, 0, 3);
    bind(SKYD_VK_ESCAPE, 0, 4);
    hit(press, kc_return);
    EXPECT_EQ(seen.handleclicks, 1);
    EXPECT_EQ(return_hit, 1);
    EXPECT_TRUE(seen.commands.empty());
    EXPECT_EQ(keys.last_vkey, 0);
    // Return earlier in the same frame still decides for the next key.
    hit(press, kc_escape);
    EXPECT_EQ(seen.handleclicks, 2);
    EXPECT_EQ(escape_hit, 1);
    EXPECT_TRUE(seen.commands.empty());

    // On the main screen Return reaches the bindings.
    return_hit = escape_hit = 0;
    mnw.cur_wind = 0;
    hit(press, kc_return);
    EXPECT_EQ(seen.handleclicks, 2);
    EXPECT_EQ(seen.commands, (std::vector<std::string>{"press 3"}));
}

TEST_F(keyboard, OnlyReturnAndEnterReachTheBindingsWhileKeysGoToText)
{
    mnw.keys_to_text = 1;
    bind(SKYD_VK_RETURN, 0, 3);
    bind(SKYD_VK_A, 0, 4);
    hit(press, kc_a);
    hit(press, kc_return);
    hit(release, kc_return);
    EXPECT_EQ(seen.commands, (std::vector<std::string>{"press 3", "release 3"}));
    EXPECT_EQ(keys.last_vkey, SKYD_VK_RETURN) << "the last key is kept all the same";
}

TEST_F(keyboard, TheOpenSaveListDialogKeepsItsKeysFromTheBindings)
{
    mnw.cur_wind = 999;
    bind(SKYD_VK_ESCAPE, 0, 3);
    bind(SKYD_VK_DELETE, 0, 4);
    hit(press, kc_escape);
    hit(press, kc_delete);
    EXPECT_TRUE(seen.commands.empty());
    EXPECT_EQ(escape_hit, 1);
    EXPECT_EQ(delete_hit, 1);
    EXPECT_EQ(keys.last_vkey, SKYD_VK_DELETE);
}

TEST_F(keyboard, AKeyWithoutVirtualKeyNeverFiresABinding)
{
    bind(0, 0, 3);
    bind(0, skyd_ShiftFlag, 4);
    hit(press, kc_bracket);
    hit(press, kc_bracket, x_shift);
    keys.handle_key(0, 0, skyd_DownFlag);
    EXPECT_TRUE(seen.commands.empty());
    EXPECT_EQ(seen.focus.size(), 2u) << "the character still reaches the focused widget";
}

// ---- tables -------------------------------------------------------------------

template <class Row, size_t N>
size_t rows_before_terminator(const Row (&table)[N], bool (*is_end)(const Row&))
{
    size_t n = 0;
    while (n < N && !is_end(table[n])) ++n;
    return n;
}

TEST(KeyTables, HoldTheirRowsUpToTheTerminator)
{
    EXPECT_EQ(rows_before_terminator(kKeyNameTable, +[](const key_name_row& r) { return r.label == nullptr; }),
              size_t(key_name_rows));
    EXPECT_EQ(kKeyNameTable[key_name_rows].code, nullptr);
    EXPECT_EQ(kKeyNameTable[key_name_rows].vkey, 0);
    auto sym_end = +[](const keysym_row& r) { return r.keysym == 0 && r.vkey == 0; };
    EXPECT_EQ(rows_before_terminator(kLinMappings, sym_end), size_t(lin_mapping_rows));
    EXPECT_EQ(rows_before_terminator(kLinMappingsNumbers, sym_end), size_t(lin_number_rows));
    EXPECT_EQ(rows_before_terminator(kAsciiTranslations, +[](const ascii_row& r) { return r.ascii == 0; }),
              size_t(ascii_rows));
    EXPECT_EQ(kAsciiTranslations[ascii_rows].vkey, 0);
}

TEST(KeyTables, NamesStandInAscendingOrderAndEveryProducedKeyButTheSeparatorHasOne)
{
    std::set<int> named;
    for (int i = 0; i < key_name_rows; ++i) {
        SCOPED_TRACE(kKeyNameTable[i].code);
        ASSERT_NE(kKeyNameTable[i].vkey, 0);
        if (i > 0) {
            EXPECT_LT(kKeyNameTable[i - 1].vkey, kKeyNameTable[i].vkey);
        }
        EXPECT_EQ(std::string(kKeyNameTable[i].code).rfind("SKYD_VK_", 0), 0u);
        named.insert(kKeyNameTable[i].vkey);
    }
    std::set<unsigned long> syms;
    for (int i = 0; i < lin_mapping_rows; ++i) {
        SCOPED_TRACE(kLinMappings[i].keysym);
        EXPECT_TRUE(syms.insert(kLinMappings[i].keysym).second) << "a keysym listed twice";
        EXPECT_EQ(named.count(kLinMappings[i].vkey), kLinMappings[i].vkey == 108 ? 0u : 1u);
    }
    std::set<std::pair<int, int>> pairs;
    for (int i = 0; i < ascii_rows; ++i) {
        SCOPED_TRACE(int(kAsciiTranslations[i].ascii));
        EXPECT_TRUE(pairs.insert({kAsciiTranslations[i].vkey, kAsciiTranslations[i].shift}).second);
        EXPECT_EQ(named.count(kAsciiTranslations[i].vkey), 1u);
    }
}

TEST(KeyLookups, LabelsAndCodeNamesBothWays)
{
    for (int i = 0; i < key_name_rows; ++i) {
        const int vkey = kKeyNameTable[i].vkey;
        SCOPED_TRACE(vkey);
        EXPECT_EQ(keys_class::str_to_vkey(keys_class::vkey_to_str(vkey)), vkey);
        EXPECT_EQ(keys_class::vkey_to_code(vkey), kKeyNameTable[i].code);
    }
    struct label_case {
        int vkey;
        const char* label;
        const char* code;
    };
    const label_case cases[] = {
        {0, "<none>", "0"}, {108, "<none>", "108"}, {8, "Backspace", "SKYD_VK_BACK"},
        {33, "PageUp", "SKYD_VK_PRIOR"}, {178, "]", "SKYD_VK_RBRACE"}, {179, "[", "SKYD_VK_LBRACE"},
        {182, "\\", "SKYD_VK_BACKSLASH"}, {109, "Numpad--", "SKYD_VK_SUBTRACT"},
        {189, "Numpad-=", "SKYD_VK_NUMPAD_EQ"}, {135, "F24", "SKYD_VK_F24"}, {300, "<none>", "300"},
    };
    for (const label_case& c : cases) {
        SCOPED_TRACE(c.vkey);
        EXPECT_EQ(keys_class::vkey_to_str(c.vkey), c.label);
        EXPECT_EQ(keys_class::vkey_to_code(c.vkey), c.code);
    }
    const std::pair<const char*, int> texts[] = {
        {"ESCAPE", 27}, {"pageup", 33}, {"numpad-enter", 188}, {"SKYD_VK_ESCAPE", 0}, {"", 0},
        {"<none>", 0}, {"\xC3\x84", 0}, {"\xFF", 0}, {"-", 177},
    };
    for (const auto& t : texts) {
        SCOPED_TRACE(t.first);
        EXPECT_EQ(keys_class::str_to_vkey(t.first), t.second);
    }
}

TEST(KeyLookups, CharactersToKeys)
{
    for (int i = 0; i < ascii_rows; ++i) {
        int vkey = -1, flags = -1;
        const ascii_row& row = kAsciiTranslations[i];
        SCOPED_TRACE(int(row.ascii));
        EXPECT_EQ(keys_class::ascii_to_vkey(row.ascii, vkey, flags), 1);
        EXPECT_EQ(vkey, row.vkey);
        EXPECT_EQ(flags, row.shift);
    }
    struct ascii_case {
        int ascii;
        int found, vkey, flags;
    };
    const ascii_case cases[] = {
        {'}', 1, 178, 1}, {'&', 1, 55, 1}, {'a', 1, 65, 0}, {'A', 1, 65, 1}, {'"', 1, 180, 1},
        {28, 1, 37, 0}, {31, 1, 40, 0}, {0, 0, 0, 0}, {127, 0, 0, 0}, {10, 0, 0, 0},
        {static_cast<char>(0xE9), 0, 0, 0}, {0xE9, 0, 0, 0}, {0x100 + 'a', 0, 0, 0}, {-1, 0, 0, 0},
    };
    for (const ascii_case& c : cases) {
        SCOPED_TRACE(c.ascii);
        int vkey = -1, flags = -1;
        EXPECT_EQ(keys_class::ascii_to_vkey(c.ascii, vkey, flags), c.found);
        EXPECT_EQ(vkey, c.vkey);
        EXPECT_EQ(flags, c.flags);
    }
}

} // namespace
