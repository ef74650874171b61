// leftovers.h - what a killed run leaves behind, removed by the next run: the
// partial files of an extraction (".sky-unzip-<pid>-<n>", the names the zip
// layer writes under before its rename) in the folders the installer works
// in, and the private temporary folders ("skylume-<pid>-XXXXXX") of
// installers. Only names of exactly these patterns are touched, and only when
// the process named in them no longer runs. Main thread only.
#pragma once

#include <string>

// Removes the partial files (regular files and links, never folders) in the
// open folder dir_fd whose installer is gone. The number removed.
int ENG_remove_partial_files(int dir_fd);

// 1 when name has the pattern of a partial file, whoever's it is; else 0.
int ENG_is_partial_file_name(const std::string& name);

// The mkdtemp template of this process's temporary folder under root (ending in '/').
std::string ENG_temp_folder_template(const std::string& root);

// Removes, with their contents, the temporary folders under root (ending in
// '/') that belong to this user and whose installer is gone. The number removed.
int ENG_remove_stale_temp_folders(const std::string& root);
