// engine_prefs.cpp - the installer's own preference keys.
#include "engine/engine_prefs.h"

#include "engine/install_records.h"
#include "files/pref_files.h"
#include "engine/stg.h"
#include "foundation/program_folder.h"

std::string ENG_prefs_path()
{
    std::string folder;
    get_OS_abs_path(os_dir_prefs, folder);
    return folder + "Skylume Installer.prf";
}

void ENG_bind_prefs()
{
    pref.bind_int(pref_set_installer, "_use_max_cpu", &stg.use_max_cpu);
    pref.bind_int(pref_set_installer, "_rename_folder", &stg.rename_folder);
    pref.bind_int(pref_set_installer, "_stream_count", &stg.stream_count);
    pref.bind_int(pref_set_installer, "_log_actions", &stg.log_actions);
    pref.bind_int(pref_set_installer, "_always_ask_dir", &stg.always_ask_dir);
    pref.bind_string(pref_set_installer, "_dest_dir_path", &dest_dir_path);
    // Without a home folder there is no preference file: never one in the current folder.
    if (!UTL_home_folder().empty()) pref.bind_path(pref_set_installer, ENG_prefs_path);
}
