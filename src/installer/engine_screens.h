// engine_screens.h - what the install engine shows through its hooks: the
// progress picture of the manifest reading and the disk examination, and the
// question about a file the user modified (window 997). Main thread only.
#pragma once

#include "engine/engine_hooks.h"

#include <string>

// Draws one whole progress picture (background, panel, trough, fill, three
// lines) and shows it at once.
void INS_draw_dir_progress(const progress_frame& frame);

// Asks about one modified file in window 997 and runs its frame loop until a
// button answers: one of the sel_* answers; sel_cancel when the window stops
// being current without an answer.
int INS_select_alert(const std::string& path, int gone);
// One pass of the question's drawing and buttons: the answer, or 0 while none.
int INS_select_frame(const std::string& path, int gone);

// Installs both into the engine; start-up calls it once.
void INS_install_engine_hooks();
