// disc_check.h - the road from the disc to a manifest ready to install from:
// the disc's version file (which names the install set), the zipped manifest
// extracted from the disc into the private temporary folder, and its reading.
// Main thread only, from the main screen's frame.
#pragma once

#include <string>

// ---- the version file -------------------------------------------------------------------
// Reads the body of "dvd_version.txt" (after its header) from begin to end.
// 1 with *name = the rest of the last "VERSION" line (blanks and tabs after
// the word skipped, the rest kept up to CR, LF or NUL); 0 without such a line.
int INS_read_version_lines(const char* begin, const char* end, std::string* name);
// 1 when name can be the install set's folder on the disc and, without the
// blanks and tabs at its end (ENG_product_folder_name), the product folder's
// new name: a plain folder name then (ENG_name_is_plain: no hidden or control
// names either).
int INS_install_name_ok(const std::string& name);
// The check of one frame while stg.server_count is -1: when dvd_path +
// "dvd_version.txt" has the disc header and a usable "VERSION" line,
// install_name takes the name and stg.server_count becomes 0. 1 passed now.
// A disc header without a usable line is told, once for each disc folder.
int INS_check_disc_version();
// While no disc to install from is known (stg.server_count -1), look for one
// on each one-second tick, silently, in every place the start-up search looks:
// a disc inserted after start-up, or another disc than one whose set name was
// refused (told once, as above). 1 when a disc is known afterwards.
int INS_look_for_disc(int tick);
void INS_reset_disc_check(); // forgets which refused discs were told; for tests

// ---- the manifest --------------------------------------------------------------------------
struct manifest_paths {
    std::string dvd_dir_path_zip; // dvd_path + install_name + "/directory.txt.zip"
    std::string dir_path;         // temp_path + "directory.txt"
    std::string dir_path_path;    // temp_path: where the archive is extracted
};
// The paths for the install set the version check accepted.
manifest_paths INS_manifest_paths();
// Extracts the manifest archive into the private temporary folder (a manifest
// left there earlier is removed first) and sets stg.dir_phase to dir_scan.
// A failure is the fatal "DVD scan" alert. 1 extracted.
int INS_fetch_manifest(const manifest_paths& paths);
// Reads the manifest and examines the product folder: stg.dir_phase becomes
// dir_missing or dir_ready.
void INS_scan_manifest(const manifest_paths& paths);
