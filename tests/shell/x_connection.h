// x_connection.h - one X connection for the whole window-test program.
// Closing the shell's connection unloads Mesa's driver, and what the driver
// allocated then counts as leaked; so each window test hands the connection
// on to the next one, the driver stays loaded and its memory reachable.
// Include after gtest and before Xlib users' own names.
#pragma once

#include "foundation/hl_types.h"

#include <X11/Xlib.h>

inline void*& shell_kept_display()
{
    static void* display = nullptr;
    return display;
}

// Before MACIBM_setres(1): the connection of the previous test, if any.
inline void shell_take_display() { mnw.display = shell_kept_display(); }

// After MACIBM_nuke_context(0): the visual is freed, the connection kept.
inline void shell_keep_display()
{
    if (mnw.visual) XFree(mnw.visual);
    mnw.visual = nullptr;
    shell_kept_display() = mnw.display;
}
