// main.cpp - the installer program.
#include "installer/app_screen.h"
#include "installer/engine_screens.h"
#include "installer/ins_main.h"
#include "installer/ins_exit.h"
#include "installer/widget_drawing.h"
#include "shell/shell_calls.h"
#include "shell/startup.h"

int main(int argc, const char* argv[])
{
    MACIBM_init(argc, argv);
    INS_install_exit_hooks();
    shell_calls calls = MACIBM_shell_calls();
    calls.app_update = APP_update;
    calls.app_handlemenu = APP_handlemenu;
    calls.use_max_cpu = INS_use_max_cpu;
    MACIBM_set_shell_calls(calls);
    INS_install_engine_hooks();
    INS_install_widget_drawing();
    return INS_run(argc, argv);
}
