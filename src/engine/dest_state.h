// dest_state.h - what the product folder held before an installation made
// anything in it. The product folder takes the install set's name at the end
// only when it was the product's own: never a user's folder (their documents,
// a folder at the top of the disk) that the product was installed among.
// Main thread only.
#pragma once

#include <string>

// ---- what a folder holds -----------------------------------------------------------------
enum dest_state : int {
    dest_unrecorded = 0, // no INSTALL of this run has looked yet
    dest_new,            // missing: this run makes it
    dest_empty,          // there, with no entry at all
    dest_product,        // an earlier installation: its own Resources/, or the four marker folders
    dest_foreign,        // anything else: a folder of the user's, or something that is not a folder
};

// 1 when folder (ending in '/') holds folders whose names contain "Airfoils",
// "Instructions", "Output" and "Resources" (case-sensitive, anywhere in a name).
int ENG_holds_marker_folders(const std::string& folder);
// The state of folder (ending in '/') as it is now; reads only.
dest_state ENG_dest_state(const std::string& folder);
// Why a folder in state s may not take a new name; nullptr when it may.
const char* ENG_rename_refusal(dest_state s);

// ---- the record of this run ------------------------------------------------------------------
// dest_dir_path's state when INSTALL began, written by make_dirs before it
// makes anything; read by the rename at the end; reset with the engine records.
extern dest_state dest_at_install;
