// keys.cpp - translation of X11 key events into virtual keys, characters and
// flags, and the look-ups over the key tables.
//
//   hooks          where keysyms come from, the focus ring, the click dispatch
//   translation    keysyms -> virtual key, flags, character
//   handle_key_raw the path of one key event
//   look-ups       names, labels and ASCII
#include "ui/keys.h"

#include "foundation/hl_types.h"
#include "ui/key_tables.h"
#include "ui/lin_keys.h"

#include <cctype>
#include <cstring>

keys_class keys;

namespace {

keysym_source* installed_source;
focus_dispatch_fn focus_hook;
handleclick_fn handleclick_hook;

keysym_source& source()
{
    return installed_source ? *installed_source : LIN_keysyms();
}

// ---- translation ---------------------------------------------------------

constexpr long x_key_press = 2;
constexpr long x_key_release = 3;
constexpr long x_shift_mask = 1;
constexpr long x_control_mask = 4;
constexpr long x_mod1_mask = 8;

int find_vkey(const keysym_row* table, unsigned long sym)
{
    for (const keysym_row* row = table; row->keysym != 0; ++row)
        if (row->keysym == sym) return row->vkey;
    return 0;
}

bool name_is(const char* name, const char* wanted)
{
    return name != nullptr && std::strcmp(name, wanted) == 0;
}

bool is_lock_key(const char* name)
{
    return name_is(name, "Num_Lock") || name_is(name, "Caps_Lock") || name_is(name, "Scroll_Lock");
}

bool is_left_modifier(const char* name)
{
    return name_is(name, "Shift_L") || name_is(name, "Control_L") || name_is(name, "Alt_L");
}

// The unshifted keysym decides the key; a keyboard with its digits on the
// shifted level still gives the digit keys.
int vkey_of(keysym_source& syms, int keycode, unsigned long base)
{
    const int vkey = find_vkey(kLinMappings, base);
    if (vkey != 0) return vkey;
    return find_vkey(kLinMappingsNumbers, syms.keysym(keycode, 1));
}

int flags_of(long type, long state)
{
    int flags = 0;
    if (state & x_shift_mask) flags |= skyd_ShiftFlag;
    if (state & x_control_mask) flags |= skyd_ControlFlag;
    if (state & x_mod1_mask) flags |= skyd_OptionAltFlag;
    if (type == x_key_press) flags |= skyd_DownFlag;
    if (type == x_key_release) flags |= skyd_UpFlag;
    return flags;
}

// The control characters the text-edit engine understands, and the keypad
// digits, whatever the modifiers.
int character_override(int vkey, int character)
{
    switch (vkey) {
    case SKYD_VK_BACK: case SKYD_VK_TAB: case SKYD_VK_RETURN: case SKYD_VK_ESCAPE: return vkey;
    case SKYD_VK_LEFT: return 28;
    case SKYD_VK_RIGHT: return 29;
    case SKYD_VK_UP: return 30;
    case SKYD_VK_DOWN: return 31;
    case SKYD_VK_DECIMAL: return '.';
    default: break;
    }
    if (vkey >= SKYD_VK_NUMPAD0 && vkey <= SKYD_VK_NUMPAD9) return '0' + (vkey - SKYD_VK_NUMPAD0);
    return character;
}

bool is_return(int vkey) { return vkey == SKYD_VK_RETURN || vkey == SKYD_VK_ENTER; }

// Raises this frame's key flags; true when Return closed the open sub-window.
bool note_press(int vkey, int character)
{
    if (is_return(vkey)) return_hit = 1;
    if (vkey == SKYD_VK_ESCAPE) escape_hit = 1;
    if (vkey == SKYD_VK_DELETE || vkey == SKYD_VK_BACK) delete_hit = 1;
    if (mnw.cur_wind != 0 && return_hit) {
        if (handleclick_hook) handleclick_hook(1);
        return true;
    }
    if (character != 0) mnw.key_char = character;
    return false;
}

const key_name_row* name_row(int vkey)
{
    for (const key_name_row* row = kKeyNameTable; row->label != nullptr; ++row)
        if (row->vkey == vkey) return row;
    return nullptr;
}

bool same_ignoring_case(const char* a, const std::string& b)
{
    if (std::strlen(a) != b.size()) return false;
    for (size_t i = 0; i < b.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

keysym_source* KEYS_set_keysym_source(keysym_source* src)
{
    keysym_source* previous = installed_source;
    installed_source = src;
    return previous;
}

focus_dispatch_fn KEYS_set_focus_hook(focus_dispatch_fn fn)
{
    focus_dispatch_fn previous = focus_hook;
    focus_hook = fn;
    return previous;
}

handleclick_fn KEYS_set_handleclick_hook(handleclick_fn fn)
{
    handleclick_fn previous = handleclick_hook;
    handleclick_hook = fn;
    return previous;
}

// ---- one key event -----------------------------------------------------------

void keys_class::handle_key_raw(long type, long keycode, long state)
{
    keysym_source& syms = source();
    const int code = static_cast<int>(keycode & 0xFF);
    const unsigned long base = syms.keysym(code, 0);
    const unsigned long shifted = syms.keysym(code, static_cast<int>(state & x_shift_mask));
    const char* name = syms.keysym_name(shifted);
    const int vkey = vkey_of(syms, code, base);
    if (is_lock_key(name)) return;

    const int flags = flags_of(type, state);
    const bool plain = (state & (x_control_mask | x_mod1_mask)) == 0;
    if (is_left_modifier(name)) return;
    const int character = character_override(vkey, plain ? static_cast<int>(shifted & 0xFF) : 0);

    if (character == 0 && flags == 0 && vkey == 0) return;
    if (focus_hook && focus_hook(character, vkey, flags)) return;
    if (!(flags & skyd_UpFlag) && note_press(vkey, character)) return;

    last_vkey = vkey;
    last_flags = flags & skyd_ModifierFlags;

    if (mnw.cur_wind == 999) return; // the open/save list dialog keeps its keys
    handle_key(character, vkey, flags);
}

// Return and Enter always reach the bindings; other keys only while keys are not
// passed through as text.
void keys_class::handle_key(int, int vkey, int flags)
{
    if (!is_return(vkey) && (mnw.keys_to_text != 0 || vkey == 0)) return;
    execute_key_cmnd(vkey, flags);
}

// ---- look-ups ----------------------------------------------------------------

// Characters are bytes: a char of 0x80 or above passed straight in (negative)
// and anything beyond a byte have no row.
int keys_class::ascii_to_vkey(int ascii, int& vkey, int& flags)
{
    vkey = 0;
    flags = 0;
    if (ascii <= 0 || ascii > 0xFF) return 0;
    for (const ascii_row* row = kAsciiTranslations; row->ascii != 0; ++row) {
        if (row->ascii != ascii) continue;
        vkey = row->vkey;
        flags = row->shift;
        return 1;
    }
    return 0;
}

std::string keys_class::vkey_to_str(int vkey)
{
    const key_name_row* row = name_row(vkey);
    return row ? row->label : "<none>";
}

std::string keys_class::vkey_to_code(int vkey)
{
    const key_name_row* row = name_row(vkey);
    return row ? row->code : std::to_string(vkey);
}

int keys_class::str_to_vkey(const std::string& text)
{
    for (const key_name_row* row = kKeyNameTable; row->label != nullptr; ++row)
        if (same_ignoring_case(row->label, text)) return row->vkey;
    return 0;
}
