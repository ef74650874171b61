// engine_prefs.h - the installer's preference keys: the settings of stg and
// the destination folder, bound to preference set 11 at start-up.
#pragma once

#include <string>

// The installer's preference file: the user's preference folder + "Skylume Installer.prf".
std::string ENG_prefs_path();

// Binds "_use_max_cpu", "_rename_folder", "_stream_count", "_log_actions",
// "_always_ask_dir" to stg, "_dest_dir_path" to dest_dir_path, and the file
// to ENG_prefs_path. Call once at start-up, before the preferences are read.
void ENG_bind_prefs();
