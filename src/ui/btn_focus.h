// btn_focus.h - the keyboard focus ring of the widget set. Widgets exist only
// while drawn, so focus is a position key (BTN_focus_id_of) and a ring rebuilt
// every frame: each focusable widget registers as it draws, the keyboard layer
// offers every key to BTN_dispatch_to_focus, which moves focus on Tab or
// queues the key for the focused widget, and the widget drains its kind's
// queue the next time it draws. BTN_unfocus_any (foundation/hooks.h) clears
// the focus. Main thread only.
#pragma once

// ---- accept-mask bits: the key classes a widget takes ------------------------------
constexpr int focus_take_tab = 0x001;    // Tab is queued instead of moving focus
constexpr int focus_return = 0x002;      // virtual keys 13, 187
constexpr int focus_delete = 0x004;      // virtual keys 8, 46
constexpr int focus_escape = 0x008;      // virtual key 27
constexpr int focus_page_arrows = 0x010; // virtual keys 33..40
constexpr int focus_letters = 0x020;     // 'A'..'Z', 'a'..'z'
constexpr int focus_digits = 0x040;      // '0'..'9'
constexpr int focus_plus_minus = 0x080;  // '+', '-'
constexpr int focus_printable = 0x100;   // other characters 32..126
constexpr int focus_other = 0x200;       // everything else

constexpr int btn_queue_capacity = 64;

// One widget kind's key queue: entry i of the four arrays is one key; a zero
// stamp (id_slot) marks a free or consumed entry; ctr_slot counts entries in use.
struct btn_key_queue {
    int char_slot[btn_queue_capacity];
    int vkey_slot[btn_queue_capacity];
    int flag_slot[btn_queue_capacity];
    int id_slot[btn_queue_capacity];
    int ctr_slot;
};

// One entry of the ring.
struct focus_info_t {
    int id; // never 0
    int* char_slot;
    int* vkey_slot;
    int* flag_slot;
    int* id_slot;
    int* ctr_slot;
    int capacity;
    int accept_mask;
};

// ---- the ring ----------------------------------------------------------------------
// Every drawing of a focusable widget, before it reads its queue. take: the
// widget asks for focus. 1 when the widget holds the focus after the call.
int BTN_register_focus(int id, int* char_slot, int* vkey_slot, int* flag_slot, int* id_slot, int* ctr_slot,
                       int capacity, int accept_mask, int take);
int BTN_register_queue(int id, btn_key_queue& queue, int accept_mask, int take); // the same over a queue
// Every key press and release: 1 when consumed (focus moved, key queued or
// dropped from a full queue), 0 when the keyboard layer should handle it.
int BTN_dispatch_to_focus(int character, int vkey, int flags);
void BTN_begin_focus_ring(); // once per frame, before drawing; purges keys for undrawn widgets
void BTN_focus_any();        // focus the first widget of the ring
void BTN_window_has_focus(); // a window claims the keyboard for this frame
int BTN_no_focus_yet();      // 1 when nothing has focus and no window claimed the keyboard
int BTN_focused_id();        // the focused widget's id, 0 none

// Installs BTN_dispatch_to_focus in the keyboard layer and the ring's focus
// clearing behind BTN_unfocus_any. The first registration does it too.
void BTN_install_focus_hooks();
// Forgets focus, ring and the queues it knew (leaving their contents); for tests.
void BTN_reset_focus();

// ---- draining ---------------------------------------------------------------------
// Walks the queue: each own press (stamp == id, a character or virtual key)
// goes to apply(character, vkey, flags); own entries, releases included, are
// freed. The count returns to 0 on a walk that finds nothing pending.
template <typename Apply>
void BTN_drain_keys(btn_key_queue& q, int id, Apply apply)
{
    int pending = 0;
    for (int i = 0; i < q.ctr_slot && i < btn_queue_capacity; ++i) {
        if (q.id_slot[i] == 0) continue;
        ++pending;
        if (q.id_slot[i] != id || (q.char_slot[i] == 0 && q.vkey_slot[i] == 0)) continue;
        const int c = q.char_slot[i], v = q.vkey_slot[i], f = q.flag_slot[i];
        q.char_slot[i] = q.vkey_slot[i] = q.flag_slot[i] = q.id_slot[i] = 0;
        if (!(f & 16)) apply(c, v, f); // 16: skyd_UpFlag, a release
    }
    if (pending == 0) q.ctr_slot = 0;
}
