// screen_hooks.cpp - the installer's part of start-up.
#include "installer/screen_hooks.h"

#include "engine/stg.h"
#include "installer/app_screen.h"
#include "installer/engine_screens.h"
#include "installer/widget_drawing.h"
#include "shell/shell_calls.h"
#include "ui/btn_focus.h"
#include "ui/btn_frames.h"

namespace {
int full_speed() { return stg.use_max_cpu; }
} // namespace

void INS_install_screen_hooks()
{
    INS_install_widget_drawing();
    INS_install_engine_hooks();
    MACIBM_set_shell_calls(
        {APP_update, APP_handlemenu, BTN_begin_focus_ring, BTN_zap_boxes, nullptr, nullptr, nullptr, full_speed});
    MACIBM_install_shell_hooks();
}
