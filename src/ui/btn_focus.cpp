// btn_focus.cpp - the focus ring: registration, dispatch and stale-key purging.
//
//   state          the ring, the focused id, the known queues
//   registration   what widgets call as they draw
//   dispatch       Tab, classification, queueing
#include "ui/btn_focus.h"

#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "ui/keys.h"

#include <vector>

namespace {

// ---- state --------------------------------------------------------------------------
std::vector<focus_info_t> focus_ring; // this frame's registrations, in drawing order
int focus_id = 0;                     // focused widget, 0 none
int wind_focus = 0;                   // a window claimed the keyboard this frame
// Every queue ever registered, so that keys for widgets gone from the screen
// are purged even when no widget of that kind is drawn any more.
std::vector<focus_info_t> known_queues;
bool hooks_installed = false;
bool full_logged = false;

constexpr int win_alert = 995;

void clear_focus() { focus_id = 0; }

bool registered_with(const focus_info_t& queue, int id)
{
    for (const focus_info_t& e : focus_ring)
        if (e.id == id && e.id_slot == queue.id_slot) return true;
    return false;
}

// Frees entries stamped for widgets that were not drawn in the ring's frame:
// such a key would otherwise wait for the next widget drawn at that position.
void purge_stale(const focus_info_t& q)
{
    const int count = *q.ctr_slot < q.capacity ? *q.ctr_slot : q.capacity;
    for (int i = 0; i < count; ++i) {
        if (q.id_slot[i] == 0 || registered_with(q, q.id_slot[i])) continue;
        q.char_slot[i] = q.vkey_slot[i] = q.flag_slot[i] = q.id_slot[i] = 0;
    }
}

// Moves the pending entries to the front, in order, so a queue whose widget
// drains late still has room.
void compact(const focus_info_t& q)
{
    const int count = *q.ctr_slot < q.capacity ? *q.ctr_slot : q.capacity;
    int k = 0;
    for (int i = 0; i < count; ++i) {
        if (q.id_slot[i] == 0) continue;
        q.char_slot[k] = q.char_slot[i];
        q.vkey_slot[k] = q.vkey_slot[i];
        q.flag_slot[k] = q.flag_slot[i];
        q.id_slot[k] = q.id_slot[i];
        ++k;
    }
    for (int i = k; i < count; ++i) q.char_slot[i] = q.vkey_slot[i] = q.flag_slot[i] = q.id_slot[i] = 0;
    *q.ctr_slot = k;
}

void remember_queue(const focus_info_t& e)
{
    for (const focus_info_t& q : known_queues)
        if (q.id_slot == e.id_slot) return;
    known_queues.push_back(e);
}

// The accept-mask class of a key: by virtual key first, then by character.
int key_class(int character, int vkey)
{
    switch (vkey) {
    case SKYD_VK_ESCAPE: return focus_escape;
    case SKYD_VK_TAB: return focus_take_tab;
    case SKYD_VK_RETURN:
    case SKYD_VK_ENTER: return focus_return;
    case SKYD_VK_BACK:
    case SKYD_VK_DELETE: return focus_delete;
    default: break;
    }
    if (vkey >= SKYD_VK_PRIOR && vkey <= SKYD_VK_DOWN) return focus_page_arrows;
    if (character == '+' || character == '-') return focus_plus_minus;
    if ((character >= 'A' && character <= 'Z') || (character >= 'a' && character <= 'z')) return focus_letters;
    if (character >= '0' && character <= '9') return focus_digits;
    if (character >= 32 && character <= 126) return focus_printable;
    return focus_other;
}

// Focus to the first widget on a Tab press when nothing (found) is focused.
int tab_to_first(int vkey, int flags)
{
    if (vkey != SKYD_VK_TAB || (flags & skyd_UpFlag) || focus_ring.empty()) return 0;
    focus_id = focus_ring.front().id;
    return 1;
}

int queue_key(const focus_info_t& e, int character, int vkey, int flags)
{
    purge_stale(e);
    if (*e.ctr_slot >= e.capacity) compact(e);
    if (*e.ctr_slot >= e.capacity) {
        // The widget has not drained a whole queue of keys: drop this one, and
        // keep it from the key bindings as well, since it was typed into the field.
        if (!full_logged) xer << "BTN: key queue of widget " << e.id << " is full; further keys are dropped\n";
        full_logged = true;
        return 1;
    }
    const int k = *e.ctr_slot < 0 ? 0 : *e.ctr_slot;
    e.char_slot[k] = character;
    e.vkey_slot[k] = vkey;
    e.flag_slot[k] = flags;
    e.id_slot[k] = focus_id;
    *e.ctr_slot = k + 1;
    return 1;
}

} // namespace

// ---- registration ---------------------------------------------------------------------

void BTN_install_focus_hooks()
{
    KEYS_set_focus_hook(BTN_dispatch_to_focus);
    BTN_set_unfocus_hook(clear_focus);
    hooks_installed = true;
}

int BTN_register_focus(int id, int* char_slot, int* vkey_slot, int* flag_slot, int* id_slot, int* ctr_slot,
                       int capacity, int accept_mask, int take)
{
    if (!hooks_installed) BTN_install_focus_hooks();
    const focus_info_t e{id, char_slot, vkey_slot, flag_slot, id_slot, ctr_slot, capacity, accept_mask};
    focus_ring.push_back(e);
    remember_queue(e);
    if (take) focus_id = id;
    return id == focus_id ? 1 : 0;
}

int BTN_register_queue(int id, btn_key_queue& q, int accept_mask, int take)
{
    return BTN_register_focus(id, q.char_slot, q.vkey_slot, q.flag_slot, q.id_slot, &q.ctr_slot,
                              btn_queue_capacity, accept_mask, take);
}

void BTN_begin_focus_ring()
{
    for (const focus_info_t& q : known_queues) purge_stale(q);
    focus_ring.clear();
    wind_focus = 0;
}

void BTN_focus_any() { focus_id = focus_ring.empty() ? 0 : focus_ring.front().id; }
void BTN_window_has_focus() { wind_focus = 1; }
int BTN_no_focus_yet() { return wind_focus == 0 && focus_id == 0 ? 1 : 0; }
int BTN_focused_id() { return focus_id; }

// The queues themselves belong to their widget kinds, which empty them.
void BTN_reset_focus()
{
    known_queues.clear();
    focus_ring.clear();
    focus_id = wind_focus = 0;
    full_logged = false;
    hooks_installed = false;
}

// ---- dispatch -------------------------------------------------------------------------

int BTN_dispatch_to_focus(int character, int vkey, int flags)
{
    if (mnw.cur_wind == win_alert) return 0;
    if (focus_id == 0) return tab_to_first(vkey, flags);
    size_t i = 0;
    while (i < focus_ring.size() && focus_ring[i].id != focus_id) ++i;
    if (i == focus_ring.size()) {
        focus_id = 0;
        return tab_to_first(vkey, flags);
    }
    const focus_info_t& e = focus_ring[i];
    if (vkey == SKYD_VK_TAB && !(e.accept_mask & focus_take_tab)) {
        if (flags & skyd_UpFlag) return 0;
        const size_t n = focus_ring.size();
        const size_t next = (flags & skyd_ShiftFlag) ? (i + n - 1) % n : (i + 1) % n;
        focus_id = focus_ring[next].id;
        return 1;
    }
    if (!(e.accept_mask & key_class(character, vkey))) return 0;
    return queue_key(e, character, vkey, flags);
}
