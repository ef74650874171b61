// finish.h - the end of an installation: folders that deletions emptied are
// removed, and the product folder may take the install set's name. Main thread only.
#pragma once

#include <string>

// Remembers the folders above a file the delete action has just tried to
// delete, up to (not including) the product folder.
void remember_deleted_folders(const std::string& dest_file);

// Removes the remembered folders that are empty now, innermost first; then
// renames the product folder to the set's name (ENG_product_folder_name of
// install_name) when this install brought platform-specific files,
// stg.rename_folder is set and the folder was the product's own when INSTALL
// began (dest_at_install; else a log line says why it keeps its name); then
// releases the run's lock on the product folder.
void finish_install();

// 1 when the product folder may be renamed to new_name: one plain folder name
// without ':' or '\\', a product folder that is neither "/" nor the home
// folder, a new path the file layer can use, and no such folder beside it yet.
int rename_is_safe(const std::string& dest, const std::string& new_name);
