// frame.cpp - one frame of the application.
//
//   checks      worker errors and texture failures on the main screen
//   hover       switching menus under the mouse
//   wait/pace   how long a frame may wait for input; a dialog's question whether its pass is due
//   frame       MACIBM_event_proc: which passes are drawn, one swap per refresh, the close request's steps
#include "shell/frame.h"

#include "foundation/frame_pace.h"
#include "foundation/hl_thread.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "foundation/xtim.h"
#include "shell/chrome.h"
#include "shell/close_request.h"
#include "shell/lin_events.h"
#include "shell/menus.h"
#include "shell/shell_calls.h"
#include "shell/subwin.h"
#include "ui/keys.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

int win_started = 0; // the first frame opens the current sub-window once
int frame_depth = 0; // frames under way: 1 in the main loop's frame, more inside a dialog it opened

// What the dialog's pass before this frame did, by MACIBM_pass_due.
enum pass_gate { gate_unasked, gate_drawn, gate_skipped };
pass_gate gate = gate_unasked;

// ---- checks -------------------------------------------------------------------------

struct texture_notice {
    int kind;
    const char* l1;
    const char* l2;
    int line;
};

const char* const see_log = "Please see the log.txt file for a detailed list of missing files.";

const texture_notice texture_notices[] = {
    {tex_fail_scenery_kind, "Some scenery textures could not be loaded.",
     "This may be an installation problem or you may have a damaged add-on scenery package.", 1554},
    {tex_fail_plane_kind, "Some textures for the aircraft you selected could not be loaded.",
     "This may be an installation problem or you may have a damaged add-on aircraft package.", 1555},
    {tex_fail_instl_kind, "Some textures could not be loaded.",
     "This may be an installation problem.  Run the installer/updater again to get these missing textures.", 1556},
};

// Each kind of failure is told once per run: the mute marks it reported.
void report_texture_failures()
{
    const shell_calls& calls = MACIBM_shell_calls();
    for (const texture_notice& n : texture_notices) {
        if (!calls.texture_failed(n.kind)) continue;
        __MACIBM_alert(win_main, n.l1, n.l2, see_log, "", t_alert, "hl_mnw", n.line);
        calls.mute_texture_failure(n.kind);
    }
}

// Worker errors and texture failures surface only on the main screen.
void main_screen_checks()
{
    if (mnw.cur_wind != win_main) return;
    THREAD_check_exception(1);
    if (mnw.cur_wind == win_main) report_texture_failures();
}

// ---- hover ----------------------------------------------------------------------------

// Slots without area (unused, or the reset popup) are no titles.
bool in_menu_cell(const menu_struct& m, float x, float y)
{
    return m.l != m.r && m.b != m.t && x >= m.l && x <= m.r && y >= m.b && y <= m.t;
}

// While a menu is open, a bar title under the mouse takes over without a press.
void menu_hover_switch()
{
    if (mnw.menu_open < 0) return;
    for (std::size_t i = 0; i < menu.size(); ++i) {
        const menu_struct& m = menu[i];
        if (m.parent != -1 || static_cast<int>(i) == mnw.menu_open) continue;
        if (in_menu_cell(m, mnw.mouse_x, mnw.mouse_y)) MACIBM_handleclick(0);
    }
}

void clear_frame_flags()
{
    return_hit = escape_hit = delete_hit = 0;
    mnw.mouse_down = mnw.mouse_up = mnw.key_hit = 0;
}

} // namespace

// ---- wait and pace --------------------------------------------------------------------------

long MACIBM_frame_wait_usec(int use_max_cpu)
{
    if (mnw.cur_wind == win_alert) return 160000;
    return use_max_cpu ? 0 : 16000;
}

long MACIBM_paced_wait_usec(int use_max_cpu, double now)
{
    const long wait = MACIBM_frame_wait_usec(use_max_cpu);
    if (fpace.keeps_busy()) return 0;
    // A dialog draws its pass before the frame: its first picture is ready
    // and goes on screen now, not after the wait (the alert's is 160 ms).
    if (mnw.modal && fpace.window_unshown()) return 0;
    if (!fpace.resting()) return wait;
    // A still picture waits for input like any frame, even in full-speed
    // mode (nothing would be drawn), but wakes on time for its next change.
    const double until_wake = (fpace.wake_at() - now) * 1e6;
    const long rest = wait > 0 ? wait : 16000;
    return until_wake < static_cast<double>(rest) ? std::max(1L, static_cast<long>(until_wake)) : rest;
}

void MACIBM_frame_forget()
{
    win_started = 0;
    gate = gate_unasked;
    fpace.reset();
    MACIBM_close_forget();
}

int MACIBM_pass_due()
{
    if (!fpace.due(fpace.now())) {
        gate = gate_skipped;
        return 0;
    }
    gate = gate_drawn;
    fpace.begin_pass();
    fpace.hold_still();
    MACIBM_shell_calls().begin_focus_ring();
    return 1;
}

// ---- frame ---------------------------------------------------------------------------------

namespace {

// No more than one swap per screen refresh: a frame drawn sooner waits.
void wait_for_refresh()
{
    const double early = fpace.next_swap_at() - fpace.now();
    if (early > 0) std::this_thread::sleep_for(std::chrono::duration<double>(early));
}

// The main screen's pass, when its picture must be drawn; true when drawn.
bool main_screen_pass(const shell_calls& calls)
{
    if (!fpace.due(fpace.now())) return false;
    fpace.begin_pass();
    calls.begin_focus_ring();
    const long swaps_before = fpace.swaps;
    calls.app_update();
    // A phase that showed frames of its own (a long reading's progress) left
    // the rest of this pass drawn over the last of them: the next frame draws
    // the screen whole, without waiting for input.
    if (fpace.swaps != swaps_before) fpace.redraw();
    return true;
}

// Counts the frames under way; an exception from a test's alert leaves the count right.
struct frame_depth_guard {
    frame_depth_guard() { ++frame_depth; }
    ~frame_depth_guard() { --frame_depth; }
    frame_depth_guard(const frame_depth_guard&) = delete;
    frame_depth_guard& operator=(const frame_depth_guard&) = delete;
};

// A dialog drew its pass before this frame, unless MACIBM_pass_due told it
// not to; a dialog that never asks draws every pass. True when drawn.
bool dialog_pass(const shell_calls& calls)
{
    const pass_gate asked = gate;
    gate = gate_unasked;
    if (asked == gate_skipped) return false;
    if (asked == gate_unasked) calls.begin_focus_ring(); // a gated pass began its ring itself
    return true;
}

} // namespace

void MACIBM_event_proc()
{
    const frame_depth_guard depth;
    xtim_class::profile_chart("init", 0);
    clear_frame_flags();
    if (mnw.cur_wind == -1) mnw.cur_wind = win_main;
    if (!win_started) {
        win_started = 1;
        MACIBM_startwind(mnw.cur_wind, 0);
    }
    xtim_class::profile_chart("startwin", 0);

    LIN_wait_for_input(MACIBM_paced_wait_usec(MACIBM_shell_calls().use_max_cpu(), fpace.now()));
    if (LIN_drain_events() > 0) { // presses reach the click dispatch before any widget draws
        fpace.redraw();
        fpace.last_input = fpace.now();
    }
    if (MACIBM_close_after_events(frame_depth == 1)) clear_frame_flags(); // nothing pressed with the close acts
    xtim_class::profile_chart("event", 0);
    xtim_class::profile_chart("netlist", 0);

    main_screen_checks();
    xtim.xtim_update();
    keys.run_repeat_keys();
    mnw.cursor_type = 0;
    menu_hover_switch();
    xtim_class::profile_chart("menu", 0);

    if (mnw.mouse_held || mnw.key_down) fpace.redraw(); // drags and repeating keys change it with no event

    const shell_calls& calls = MACIBM_shell_calls();
    const bool drawn = mnw.modal ? dialog_pass(calls) : main_screen_pass(calls);
    if (drawn) {
        mouse_help_per_wind(mnw.cur_wind);
        standard_gui();
        wait_for_refresh();
        if (qtim.mov_per_frame() == 0) calls.swap_buffers();
        fpace.pass_shown();
    }
    xtim_class::profile_chart("sbuff", 0);
    ++xtim.frame_count;
    xtim_class::profile_chart("oglwork", 0);
    xtim_class::profile_chart("finish", 1);
    MACIBM_close_at_frame_end();
}
