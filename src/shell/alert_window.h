// alert_window.h - the alert as the user sees it: the modal sub-window 995
// with four lines and one button, or the language choice, and the install
// call that puts it and the ordered exit behind the foundation's hooks.
// Main thread only, with the GL context current.
#pragma once

#include "foundation/hooks.h"

#include <string>

// Start-up calls this once, before the first alert can need a window: the
// alert window behind the foundation's alert (used once ogl_inited is set) and
// MACIBM_window_finishup behind MACIBM_finishup.
void MACIBM_install_alert_hooks();

// Shows one alert in window 995 and runs its loop until the button, Return or
// Enter dismisses it, or another sub-window becomes current. Clears the GL
// state an interrupted caller may have left, ignores a Return pressed before
// it opened, and for every type but t_exit returns to `return_window` with the
// mouse position of before. t_language: the English/French choice into
// mnw.lang and "Accept"; t_exit also shows `location` and returns after the
// button (the caller ends the program); other types: four lines and store
// text 603 as the label.
void MACIBM_alert_window(int return_window, const alert_lines& lines, int type, const std::string& location);
