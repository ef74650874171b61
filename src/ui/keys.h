// keys.h - the keyboard layer: virtual keys and key flags, the translation of
// X11 key events into them, and the key bindings that drive the command
// registry. Main thread only, inside the frame loop's event drain.
#pragma once

#include <string>
#include <vector>

// ---- key flags (one int bit set, shared with the focus ring and the bindings)
constexpr int skyd_ShiftFlag = 1;
constexpr int skyd_OptionAltFlag = 2;
constexpr int skyd_ControlFlag = 4;
constexpr int skyd_DownFlag = 8; // key pressed
constexpr int skyd_UpFlag = 16;  // key released; an event carries exactly one of 8 and 16
constexpr int skyd_ModifierFlags = skyd_ShiftFlag | skyd_OptionAltFlag | skyd_ControlFlag;

// ---- virtual keys (0: none) --------------------------------------------------
// The common desktop numbering; punctuation and the two Enter keys at 176..189.
// Code 108 (keypad separator) comes from the keysym table but has no name.
enum : int {
    SKYD_VK_BACK = 8, SKYD_VK_TAB = 9, SKYD_VK_CLEAR = 12, SKYD_VK_RETURN = 13,
    SKYD_VK_ESCAPE = 27, SKYD_VK_SPACE = 32,
    SKYD_VK_PRIOR = 33, SKYD_VK_NEXT, SKYD_VK_END, SKYD_VK_HOME,
    SKYD_VK_LEFT, SKYD_VK_UP, SKYD_VK_RIGHT, SKYD_VK_DOWN,
    SKYD_VK_SELECT, SKYD_VK_PRINT, SKYD_VK_EXECUTE, SKYD_VK_SNAPSHOT,
    SKYD_VK_INSERT, SKYD_VK_DELETE, SKYD_VK_HELP,
    SKYD_VK_0 = 48, SKYD_VK_1, SKYD_VK_2, SKYD_VK_3, SKYD_VK_4,
    SKYD_VK_5, SKYD_VK_6, SKYD_VK_7, SKYD_VK_8, SKYD_VK_9,
    SKYD_VK_A = 65, SKYD_VK_B, SKYD_VK_C, SKYD_VK_D, SKYD_VK_E, SKYD_VK_F, SKYD_VK_G,
    SKYD_VK_H, SKYD_VK_I, SKYD_VK_J, SKYD_VK_K, SKYD_VK_L, SKYD_VK_M, SKYD_VK_N,
    SKYD_VK_O, SKYD_VK_P, SKYD_VK_Q, SKYD_VK_R, SKYD_VK_S, SKYD_VK_T, SKYD_VK_U,
    SKYD_VK_V, SKYD_VK_W, SKYD_VK_X, SKYD_VK_Y, SKYD_VK_Z,
    SKYD_VK_NUMPAD0 = 96, SKYD_VK_NUMPAD1, SKYD_VK_NUMPAD2, SKYD_VK_NUMPAD3, SKYD_VK_NUMPAD4,
    SKYD_VK_NUMPAD5, SKYD_VK_NUMPAD6, SKYD_VK_NUMPAD7, SKYD_VK_NUMPAD8, SKYD_VK_NUMPAD9,
    SKYD_VK_MULTIPLY = 106, SKYD_VK_ADD = 107, SKYD_VK_SUBTRACT = 109, SKYD_VK_DECIMAL = 110,
    SKYD_VK_DIVIDE = 111,
    SKYD_VK_F1 = 112, SKYD_VK_F2, SKYD_VK_F3, SKYD_VK_F4, SKYD_VK_F5, SKYD_VK_F6,
    SKYD_VK_F7, SKYD_VK_F8, SKYD_VK_F9, SKYD_VK_F10, SKYD_VK_F11, SKYD_VK_F12,
    SKYD_VK_F13, SKYD_VK_F14, SKYD_VK_F15, SKYD_VK_F16, SKYD_VK_F17, SKYD_VK_F18,
    SKYD_VK_F19, SKYD_VK_F20, SKYD_VK_F21, SKYD_VK_F22, SKYD_VK_F23, SKYD_VK_F24,
    SKYD_VK_EQUAL = 176, SKYD_VK_MINUS, SKYD_VK_RBRACE, SKYD_VK_LBRACE, SKYD_VK_QUOTE,
    SKYD_VK_SEMICOLON, SKYD_VK_BACKSLASH, SKYD_VK_COMMA, SKYD_VK_SLASH, SKYD_VK_PERIOD,
    SKYD_VK_BACKQUOTE,
    SKYD_VK_ENTER = 187, SKYD_VK_NUMPAD_ENT = 188, SKYD_VK_NUMPAD_EQ = 189,
};

// ---- where keysyms come from ---------------------------------------------------
// The X server in the program (lin_keys.h), a table in tests.
class keysym_source {
public:
    virtual ~keysym_source() = default;
    virtual unsigned long keysym(int keycode, int index) = 0; // level index of the key; 0 NoSymbol
    virtual const char* keysym_name(unsigned long keysym) = 0; // null when it has no name
};
keysym_source* KEYS_set_keysym_source(keysym_source* source); // returns the previous; nullptr: the X server

// ---- calls out, installed by the layers that own them ----------------------------
// The focus ring of the widget set: 1 when the focused widget took the key.
using focus_dispatch_fn = int (*)(int character, int vkey, int flags);
// The shell's click dispatch, asked to close the open sub-window on Return.
using handleclick_fn = void (*)(int from_return);
// The command registry's handlers of a bound key; the default drives the global cmnd.
struct cmnd_actions {
    void (*press_one)(int cmnd);
    void (*release_one)(int cmnd);
    void (*press_always)(int cmnd);
};
focus_dispatch_fn KEYS_set_focus_hook(focus_dispatch_fn fn);  // nullptr: no widget takes keys
handleclick_fn KEYS_set_handleclick_hook(handleclick_fn fn);  // nullptr: Return closes nothing
cmnd_actions KEYS_set_cmnd_actions(const cmnd_actions& actions); // null members: the global cmnd

// ---- bindings -----------------------------------------------------------------
struct key_binding {
    int vkey;  // 0: no key assigned
    int flags; // modifier bits that must be held exactly
    int cmnd;  // command index in cmnd; 0 is "sim/operation/none"
    int down;  // flag: from the press of the key until its release
};

// What the key-assignment window keeps between frames. Any values are safe:
// each frame clamps them to the bindings that exist then.
struct key_window_state {
    int k_change = -1; // selected binding, -1 none
    int k_cen = 0;     // binding in the top row
};
constexpr int keys_wind_rows = 34; // binding rows on screen

// ---- the keyboard record --------------------------------------------------------
// Empty at program start; tests reset it with `keys = keys_class{}`.
class keys_class {
public:
    int last_vkey = 0;                 // last key that no widget consumed
    int last_flags = 0;                // its modifier bits
    std::vector<key_binding> bindings; // in the order they were added; all matches fire

    // One X11 KeyPress (2) or KeyRelease (3): keycode (low 8 bits used) and modifier
    // state. Offers the key to the focus ring, sets return_hit/escape_hit/delete_hit,
    // closes a sub-window on Return and hands the rest to the bindings.
    void handle_key_raw(long type, long keycode, long state);
    void handle_key(int character, int vkey, int flags); // the bindings' rule alone

    // Table look-ups; first row wins.
    static int ascii_to_vkey(int ascii, int& vkey, int& flags); // 1 and the key and shift flag, else 0
    static std::string vkey_to_str(int vkey);          // display label, "<none>" when none
    static std::string vkey_to_code(int vkey);         // "SKYD_VK_..." or the code in decimal
    static int str_to_vkey(const std::string& text);   // by display label, any case; 0 when none

    // Bindings.
    void execute_key_cmnd(int vkey, int flags); // presses on key down, releases on key up
    void run_repeat_keys();                     // once per frame: held bindings fire again
    int key_bound_to(int vkey, int flags) const; // command of the first exact match, else 0
    // Binding index takes the key: every other binding with that key and flags
    // loses it (key 0, flags 0), so a combination belongs to one binding; a
    // binding whose key changes while held lets its command go first.
    void assign_key(int index, int vkey, int flags);
    void keys_io(int io);                       // 0: reset to the built-in bindings; else nothing
    std::string get_key_for_cmnd(int cmnd) const; // "SHIFT+CTRL-a", "home"-like text, "" unbound

    static std::string flag_to_str(int flags);  // "SHIFT+ALT+CTRL" form, "<none>"
    static std::string flag_to_code(int flags); // "skyd_ShiftFlag+..." form, "0"
    static int str_to_flag(const std::string& text); // reads flag_to_str's form

    // The key-assignment window, one frame drawn into the current sub-window:
    // the bindings on the left, the selected one's command browser on the
    // right; a key pressed this frame goes to the selected binding.
    void keys_wind();                              // its state kept for the run
    void keys_wind_frame(key_window_state& st); // the same on a caller's state

    void debug() {}
};

extern keys_class keys;
