// engine_hooks.h - how the engine reaches the screen. The engine draws its
// progress frames and asks about modified files through these; the shell
// installs the real drawing and dialog at start-up, tests install scripts.
#pragma once

#include <string>

// Answers of the modified-file question.
enum { sel_replace = 1, sel_keep = 2, sel_cancel = 3, sel_replace_all = 4, sel_keep_all = 5 };

// One picture of the manifest-reading progress screen, in interface units of
// the main screen (origin lower left, y up), ready to draw.
struct progress_frame {
    float panel_x, panel_y;   // lower-left corner of the 472 x 98 panel
    float bar_left, bar_right; // the trough, 452 wide
    float fill_end;           // right end of the fill
    float bar_y;              // centre line of the bar
    float text_x;             // left edge of the three text lines
    float line1_y, line2_y, line3_y;
    std::string line1, line2, line3;
};

using progress_fn = void (*)(const progress_frame& frame); // draws and shows one whole frame
using select_fn = int (*)(const std::string& path, int gone); // one of the sel_* answers

progress_fn ENG_set_progress_hook(progress_fn fn); // nullptr: draw nothing
select_fn ENG_set_select_hook(select_fn fn);       // nullptr: every question is cancelled

void ENG_show_progress(const progress_frame& frame);
