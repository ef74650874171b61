// main_window.cpp - the main window opened and closed for the window tests,
// on one X connection handed on from test to test.
#include "support/main_window.h"

#include "foundation/cmdline.h"
#include "foundation/hl_types.h"
#include "foundation/xtim.h"
#include "graphics/builtin_textures.h"
#include "graphics/ogl_extensions.h"
#include "graphics/tex_bind.h"
#include "graphics/tman.h"
#include "shell/chrome.h"
#include "shell/close_request.h"
#include "shell/lin_cursor.h"
#include "shell/lin_events.h"
#include "shell/menus.h"
#include "shell/startup.h"
#include "shell/window.h"
#include "support/xvfb.h"
#include "ui/keys.h"
#include "ui/ogl_state.h"
#include "ui/ogl_view.h"

#include <X11/Xlib.h>

namespace {

void* kept_display = nullptr; // the shell's connection between two window tests

} // namespace

std::string open_main_window()
{
    HL_reset_globals();
    HL_fill_tables();
    cmdline.clear();
    keys = keys_class{};
    xtim = xtim_class{};
    std::string why;
    if (xvfb_display(&why).empty()) return "no X server for the window tests: " + why;
    mnw.x_res_req = 1024;
    mnw.y_res_req = 768;
    mnw.col_res_req = 32;
    MACIBM_setres_forget();
    mnw.display = kept_display;
    MACIBM_setres(1);
    if (MACIBM_make_context(0) != 1) return "MACIBM_make_context(0) failed";
    return "";
}

void close_main_window()
{
    unload_interface_art(); // while the context is current
    MACIBM_nuke_context(0);
    if (mnw.visual) XFree(mnw.visual); // chosen again by the next window
    mnw.visual = nullptr;
    kept_display = mnw.display;
    menu.clear();
    MACIBM_close_forget(); // a close a test sent belongs to its own run
    HL_reset_globals();
}

void load_art_as_startup()
{
    MACIBM_detect_gl();
    OGL_reset_state_cache(); // the caches of an earlier test's context
    tman.reset();            // its textures are gone with it
    TEX_reset_bind();
    recall_ins_texes();
    MACIBM_set_interface_colours();
}

void fresh_frame_loop()
{
    mnw.cur_wind = -1;
    OGL_pix_specs(0);
    LIN_events_forget();
    LIN_cursor_forget();
    MACIBM_chrome_forget();
    MACIBM_frame_forget();
    MACIBM_menu_bar_forget();
    MACIBM_clear_menus(1);
}

void settle_frames()
{
    for (int i = 0; i < 5; ++i) MACIBM_event_proc();
}
