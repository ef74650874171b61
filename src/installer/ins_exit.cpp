// ins_exit.cpp - the installer's part of the ordered exit.
#include "installer/ins_exit.h"

#include "engine/streams.h"
#include "foundation/hooks.h"
#include "installer/screen_phases.h"
#include "shell/close_request.h"

namespace {

finishup_fn framework_finishup = nullptr;

void installer_finishup(int save)
{
    ENG_remove_temp_folder();
    // The framework's exit saves the preferences; saving here too would write them twice.
    if (framework_finishup) framework_finishup(save);
}

} // namespace

void INS_install_exit_hooks()
{
    const finishup_fn old = MACIBM_set_finishup_hook(installer_finishup);
    if (old != installer_finishup) framework_finishup = old;
    // Closing the window is leaving by EXIT: the preferences kept, the temporary folder removed.
    MACIBM_set_close_request_hook(INS_exit_command);
}
