// finishup.cpp - the ordered exit.
//
//   steps   the default calls and their switch
//   exit    MACIBM_window_finishup
#include "shell/finishup.h"

#include "files/pref_files.h"
#include "foundation/cmdline.h"
#include "foundation/hl_thread.h"
#include "foundation/hl_types.h"
#include "shell/call_tables.h"
#include "shell/window.h"
#include "ui/keys.h"

namespace {

// ---- steps ------------------------------------------------------------------------------

void save_installer_prefs() { pref.IO_set(pref_set_installer, 1); }
void save_key_bindings() { keys.keys_io(1); }
void shut_threads() { THREAD_shutdown(); }
void restore_screen_mode() { MACIBM_setres(0); }
void close_log_stream()
{
    if (xer.is_open()) xer.close(); // a failed close sets failbit; nothing is told
}

const finishup_calls defaults = {save_installer_prefs, save_key_bindings, shut_threads, restore_screen_mode,
                                 MACIBM_nuke_context, close_log_stream, LIN_ungrab_keyboard};
finishup_calls installed = defaults;

bool on_main_thread() { return !THREAD_is_inited() || THREAD_is_main_thread(); }

// A window or context that was made is destroyed once: its ids go, so that a
// second exit (a recursive alert) finds nothing left to destroy.
void nuke_if_made(int index)
{
    if (!mnw.glx_ctx[index] && !mnw.xwin[index]) return;
    installed.nuke_context(index);
    mnw.glx_ctx[index] = nullptr;
    mnw.xwin[index] = 0;
}

} // namespace

finishup_calls MACIBM_set_finishup_calls(const finishup_calls& calls)
{
    const finishup_calls previous = installed;
    installed.save_prefs = or_default(calls.save_prefs, defaults.save_prefs);
    installed.save_keys = or_default(calls.save_keys, defaults.save_keys);
    installed.stop_threads = or_default(calls.stop_threads, defaults.stop_threads);
    installed.setres = or_default(calls.setres, defaults.setres);
    installed.nuke_context = or_default(calls.nuke_context, defaults.nuke_context);
    installed.close_log = or_default(calls.close_log, defaults.close_log);
    installed.ungrab_keyboard = or_default(calls.ungrab_keyboard, defaults.ungrab_keyboard);
    return previous;
}

// ---- exit --------------------------------------------------------------------------------

void MACIBM_window_finishup(int save)
{
    const bool main_thread = on_main_thread();
    if (save) {
        if (!cmdline.has_option("--fps_test")) {
            installed.save_prefs();
            installed.save_keys();
        }
        // A worker cannot join itself; the process end that follows stops them all.
        if (THREAD_is_inited() && main_thread) installed.stop_threads();
    }
    if (!main_thread) { // X and GL belong to the main thread, which may be drawing now
        xer.flush();
        return;
    }
    if (mnw.display) { // without one there is no mode, window or context to undo
        installed.setres();
        if (mnw.sec_mon_made) nuke_if_made(1);
        nuke_if_made(0);
        ogl_inited = 0; // nothing may draw any more; a later alert takes the console
    }
    installed.close_log();
    if (mnw.display) installed.ungrab_keyboard();
}
