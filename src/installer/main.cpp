// main.cpp - the installer program.
#include "installer/ins_exit.h"
#include "installer/ins_main.h"
#include "installer/screen_hooks.h"
#include "shell/frame.h"
#include "shell/startup.h"

int main(int argc, const char* argv[])
{
    MACIBM_init(argc, argv);
    INS_install_exit_hooks();
    INS_install_screen_hooks();
    INS_set_frame(MACIBM_event_proc);
    return INS_run(argc, argv);
}
