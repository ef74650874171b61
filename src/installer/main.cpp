// main.cpp - the installer program.
#include "installer/app_screen.h"
#include "installer/engine_screens.h"
#include "installer/ins_main.h"
#include "installer/ins_exit.h"
#include "installer/widget_drawing.h"
#include "shell/stand_ins.h"
#include "shell/startup.h"

int main(int argc, const char* argv[])
{
    MACIBM_init(argc, argv);
    INS_install_exit_hooks();
    INS_install_engine_hooks();
    INS_install_widget_drawing();
    SHL_stand_in_set_app_update(APP_update);
    return INS_run(argc, argv);
}
