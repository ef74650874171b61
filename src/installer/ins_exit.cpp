// ins_exit.cpp - the installer's part of the ordered exit.
#include "installer/ins_exit.h"

#include "engine/streams.h"
#include "files/pref_files.h"
#include "foundation/cmdline.h"
#include "foundation/hooks.h"

namespace {

finishup_fn framework_finishup = nullptr;

void installer_finishup(int save)
{
    ENG_remove_temp_folder();
    if (save && !cmdline.has_option("--fps_test")) pref.IO_set(pref_set_installer, 1);
    if (framework_finishup) framework_finishup(save);
}

} // namespace

void INS_install_exit_hooks()
{
    const finishup_fn old = MACIBM_set_finishup_hook(installer_finishup);
    if (old != installer_finishup) framework_finishup = old;
}
