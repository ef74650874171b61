// finishup.h - the ordered exit: what the program undoes on every path that
// ends it abnormally (a fatal or recursive alert, launching another program,
// a worker's error record reported off the main thread). Its caller ends the
// process right after it returns.
#pragma once

// ---- the steps -------------------------------------------------------------------------
// One call per step, in the order they run; start-up keeps the defaults, a
// test installs a recorder.
struct finishup_calls {
    void (*save_prefs)();            // pref.IO_set(pref_set_installer, 1)
    void (*save_keys)();             // keys.keys_io(1): stores nothing in this program
    void (*stop_threads)();          // THREAD_shutdown
    void (*setres)();                // MACIBM_setres(0)
    void (*nuke_context)(int index); // MACIBM_nuke_context
    void (*close_log)();             // closes xer; a failed close only marks it failed
    void (*ungrab_keyboard)();       // LIN_ungrab_keyboard
};
// Installs the steps and returns the ones they replace; null members: the defaults.
finishup_calls MACIBM_set_finishup_calls(const finishup_calls& calls);

// ---- the exit --------------------------------------------------------------------------
// With save non-zero: the preferences and key bindings (not under "--fps_test")
// and the worker threads stopped. Always: the screen mode put back, the GL
// contexts and windows destroyed (ids cleared, ogl_inited 0), the log closed,
// the keyboard released. Each step is skipped when what it undoes does not
// exist (no display, no window, no context, no thread layer), so it runs safely
// early in start-up and a second time. Off the main thread it touches neither
// X nor GL nor the thread layer: it saves when asked, flushes the log and
// returns. Installed behind MACIBM_finishup by MACIBM_install_alert_hooks.
void MACIBM_window_finishup(int save);

// XUngrabKeyboard on mnw.display, flushed; nothing without a display.
void LIN_ungrab_keyboard();
