// about_box.h - the About window (sub-window win_about, 994): the program's
// version, the credits, the newest version on the net, and the button that
// fetches and starts a newer installer (about_check.h does that work). No
// screen of the installer opens it; it is the shell's for applications with
// an About command. Main thread only, with the GL context current.
#pragma once

#include "shell/about_check.h"

#include <string>
#include <vector>

// One text of the window, left-aligned at x 20 and wrapped at the window's
// width less 40; y in units from the window's bottom.
struct about_line {
    float y;
    int colour;
    std::string text;
};

// The window's texts for one pass, at fixed heights below the top (wind_dy):
// version, author, site, the net line, the grab line, the credits block, and
// the status line (left out when status is empty).
std::vector<about_line> ABOUT_lines(float wind_dy, const std::string& status);

// The drawing pass of the window's loop: the list poll, the frame, the check's
// work, the texts, the link and update buttons. The loop then runs one
// MACIBM_event_proc frame, which takes the clicks and swaps the buffers.
void ABOUT_draw(const about_ops& ops);
// Opens win_about and runs passes while it is the current sub-window. Does not
// restore the window that was current before. Does not return when a newer
// installer starts: the program ends.
void ABOUT_run(const about_ops& ops);
void MACIBM_about(); // ABOUT_run with the real downloads, unpacking and launch
